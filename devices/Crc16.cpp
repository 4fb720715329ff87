#include <array>

#include "devices/Crc16.h"

namespace vantor {
namespace {

// kTables[k][b]: the register contribution of byte b followed by k zero bytes. Eight tables
// let the loop take eight bytes per step (slicing), which is what keeps a verified read of a
// large library fast.
using Tables = std::array<std::array<std::uint16_t, 256>, 8>;

constexpr Tables makeTables() {
    Tables t{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t r = std::uint16_t(i << 8);
        for (int b = 0; b < 8; ++b) r = (r & 0x8000) ? std::uint16_t((r << 1) ^ 0x1021) : std::uint16_t(r << 1);
        t[0][i] = r;
    }
    for (std::size_t k = 1; k < t.size(); ++k)
        for (unsigned i = 0; i < 256; ++i) t[k][i] = std::uint16_t((t[k - 1][i] << 8) ^ t[0][t[k - 1][i] >> 8]);
    return t;
}

constexpr Tables kTables = makeTables();

}  // namespace

void Crc16::update(const std::uint8_t *data, std::size_t size) {
    std::uint16_t r = reg_;
    const auto &t = kTables;
    while (size >= 8) {
        const unsigned hi = unsigned(r >> 8) ^ data[0];
        const unsigned lo = unsigned(r & 0xFF) ^ data[1];
        r = std::uint16_t(t[7][hi] ^ t[6][lo] ^ t[5][data[2]] ^ t[4][data[3]] ^ t[3][data[4]] ^ t[2][data[5]] ^
                          t[1][data[6]] ^ t[0][data[7]]);
        data += 8;
        size -= 8;
    }
    for (std::size_t i = 0; i < size; ++i) r = std::uint16_t((r << 8) ^ t[0][(r >> 8) ^ data[i]]);
    reg_ = r;
}

std::uint16_t Crc16::of(const std::uint8_t *data, std::size_t size) {
    Crc16 c;
    c.update(data, size);
    return c.value();
}

}  // namespace vantor
