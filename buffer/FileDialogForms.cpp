#include "buffer/FileDialogForms.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "core/StringIds.h"
#include "core/StringTable.h"

namespace vantor {

std::optional<std::uint32_t> parseHexField(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
    else if (!text.empty() && (text.back() == 'h' || text.back() == 'H')) text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        value = value * 16 +
                std::uint64_t(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::toupper(c) - 'A' + 10));
        if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    return std::uint32_t(value);
}

bool loadBufferStartAccepted(std::uint32_t loadBufferStart, std::uint32_t topAddress) {
    return loadBufferStart <= topAddress && loadBufferStart < DataBuffer::kSize;
}

bool saveRangeAccepted(std::uint32_t saveStart, std::uint32_t saveSize) {
    return saveSize > 0 && std::uint64_t(saveStart) + saveSize <= DataBuffer::kSize;
}

namespace {

std::string hexRange(std::uint32_t first, std::uint32_t last) {
    char text[48];
    std::snprintf(text, sizeof text, "%X to %X", first, last);
    return text;
}

}  // namespace

std::optional<FormProblem> checkLoadForm(std::string_view fileStart, std::string_view bufferStart,
                                         std::uint32_t topAddress) {
    if (!parseHexField(fileStart))
        return FormProblem{"File Start must be a hexadecimal number from " + hexRange(0, 0xFFFFFFFFu) + ".", 0};
    const auto start = parseHexField(bufferStart);
    if (!start || !loadBufferStartAccepted(*start, topAddress)) {
        const auto last = std::min<std::uint32_t>(topAddress, DataBuffer::kSize - 1);
        return FormProblem{std::string(loadString(sid::BufferAddressOutOfRange)) +
                               "\nBuffer Start must be a hexadecimal number from " + hexRange(0, last) + ".",
                           1};
    }
    return std::nullopt;
}

std::optional<FormProblem> checkSaveForm(std::string_view start, std::string_view size) {
    const auto first = parseHexField(start);
    if (!first || *first >= DataBuffer::kSize)
        return FormProblem{
            "Buffer Start Address must be a hexadecimal number from " + hexRange(0, DataBuffer::kSize - 1) + ".", 0};
    const auto count = parseHexField(size);
    if (!count || !saveRangeAccepted(*first, *count))
        return FormProblem{"Data Size must be a hexadecimal number from " +
                               hexRange(1, std::uint32_t(DataBuffer::kSize - *first)) +
                               ": the range ends at the end of the buffer.",
                           1};
    return std::nullopt;
}

}  // namespace vantor
