#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

#include "buffer/DataFile.h"

namespace vantor {

// A hexadecimal field of the Load File and Save File dialogs: digits with an optional "0x"
// or trailing "H"; nothing when the text is not such a number or does not fit 32 bits.
std::optional<std::uint32_t> parseHexField(std::string_view text);

// The Load File dialog accepts a buffer start up to the device's top address.
bool loadBufferStartAccepted(std::uint32_t loadBufferStart, std::uint32_t topAddress);
// The Save File dialog's range must lie inside the 8 MiB buffer and hold at least one byte.
bool saveRangeAccepted(std::uint32_t saveStart, std::uint32_t saveSize);

}  // namespace vantor
