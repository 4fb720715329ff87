#include "core/Numbers.h"

#include <charconv>

namespace vantor {

std::optional<std::uint64_t> parseDecimal(std::string_view text, std::uint64_t maximum) {
    if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (ec != std::errc() || end != text.data() + text.size() || value > maximum) return std::nullopt;
    return value;
}

}  // namespace vantor
