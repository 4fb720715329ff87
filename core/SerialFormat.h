#pragma once
// How a serial number is stored in a chip's image.
#include <cstdint>
#include <optional>
#include <string_view>

namespace vantor {

enum class SerialFormat { Le32, Be32, AsciiDec };

// "le32", "be32", "ascii-dec"; nullopt for any other name.
std::optional<SerialFormat> serialFormatByName(std::string_view name);
const char *serialFormatName(SerialFormat format);
// Bytes the number takes in the image.
int serialWidth(SerialFormat format);
// The largest number the format holds.
std::uint64_t serialMaximum(SerialFormat format);
// The number as stored: little- or big-endian 32 bits, or eight ASCII decimal digits.
// False (and nothing written) when it does not fit the format.
bool encodeSerial(std::uint64_t number, SerialFormat format, std::uint8_t *out);

}  // namespace vantor
