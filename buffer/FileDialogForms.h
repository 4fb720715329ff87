#pragma once
#include <cstdint>
#include <optional>
#include <string>
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

// What is wrong with a dialog's fields, said with what is allowed, and which field to fix
// (0 the first hexadecimal field, 1 the second). Nothing when the fields are accepted.
struct FormProblem {
    std::string message;
    int field = 0;
};
// File Start, Buffer Start.
std::optional<FormProblem> checkLoadForm(std::string_view fileStart, std::string_view bufferStart,
                                         std::uint32_t topAddress);
// Buffer Start Address, Data Size.
std::optional<FormProblem> checkSaveForm(std::string_view start, std::string_view size);

}  // namespace vantor
