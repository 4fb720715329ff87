#pragma once
#include <cstdint>

namespace vantor {

// Windows COLORREF layout (0x00BBGGRR); kept because message records and stored
// settings carry colours in this form.
using Colour = std::uint32_t;

namespace colour {
inline constexpr Colour Black = 0x000000;
inline constexpr Colour Red = 0x0000FF;           // failures
inline constexpr Colour Blue = 0xFF0000;          // success texts
inline constexpr Colour Grey = 0x808080;          // cancelled operation
inline constexpr Colour DarkRed = 0x000080;       // cancelled simulated operation
inline constexpr Colour LightGrey = 0xA0A0A0;     // elapsed time
inline constexpr Colour StatusPurple = 0x7D00C8;  // status lines in the information window
}  // namespace colour

inline constexpr std::uint8_t redOf(Colour c) { return c & 0xFF; }
inline constexpr std::uint8_t greenOf(Colour c) { return (c >> 8) & 0xFF; }
inline constexpr std::uint8_t blueOf(Colour c) { return (c >> 16) & 0xFF; }

}  // namespace vantor
