#pragma once
// Numbers typed by people or read from their files: all digits, in range, or nothing.
#include <cstdint>
#include <optional>
#include <string_view>

namespace vantor {

// An unsigned decimal number no larger than `maximum`; nullopt for an empty text, a sign,
// blanks, any other character, or a value out of range.
std::optional<std::uint64_t> parseDecimal(std::string_view text, std::uint64_t maximum = UINT64_MAX);

}  // namespace vantor
