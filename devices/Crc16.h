#pragma once
#include <cstddef>
#include <cstdint>

namespace vantor {

// CRC-16/XMODEM (poly 0x1021, init 0, not reflected). Running the register over
// data followed by its big-endian CRC leaves 0, which is how files are checked.
class Crc16 {
public:
    void update(const std::uint8_t *data, std::size_t size);
    std::uint16_t value() const { return reg_; }
    static std::uint16_t of(const std::uint8_t *data, std::size_t size);

private:
    std::uint16_t reg_ = 0;
};

}  // namespace vantor
