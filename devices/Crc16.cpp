#include <array>

#include "devices/Crc16.h"

namespace vantor {
namespace {

constexpr std::array<std::uint16_t, 256> makeTable() {
    std::array<std::uint16_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t r = std::uint16_t(i << 8);
        for (int b = 0; b < 8; ++b) r = (r & 0x8000) ? std::uint16_t((r << 1) ^ 0x1021) : std::uint16_t(r << 1);
        t[i] = r;
    }
    return t;
}

constexpr auto kTable = makeTable();

}  // namespace

void Crc16::update(const std::uint8_t *data, std::size_t size) {
    std::uint16_t r = reg_;
    for (std::size_t i = 0; i < size; ++i) r = std::uint16_t((r << 8) ^ kTable[(r >> 8) ^ data[i]]);
    reg_ = r;
}

std::uint16_t Crc16::of(const std::uint8_t *data, std::size_t size) {
    Crc16 c;
    c.update(data, size);
    return c.value();
}

}  // namespace vantor
