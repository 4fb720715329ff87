#include "buffer/FileDialogForms.h"

#include <cctype>

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
        value = value * 16 + std::uint64_t(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::toupper(c) - 'A' + 10));
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

}  // namespace vantor
