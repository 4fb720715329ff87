#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "devices/DeviceRecord.h"

namespace vantor {

// What a file load does to the buffer before the file's bytes arrive.
enum class UnusedByteMode { FillFF = 0, Fill00 = 1, Ignore = 2 };

// The one 8 MiB memory image every data operation works on. Never reallocated.
class DataBuffer {
public:
    static constexpr std::size_t kSize = 0x800000;

    DataBuffer();
    DataBuffer(const DataBuffer &) = delete;
    DataBuffer &operator=(const DataBuffer &) = delete;

    std::uint8_t *data() { return bytes_.get(); }
    const std::uint8_t *data() const { return bytes_.get(); }
    static constexpr std::size_t size() { return kSize; }
    std::uint8_t &operator[](std::size_t address) { return bytes_[address]; }
    std::uint8_t operator[](std::size_t address) const { return bytes_[address]; }
    std::span<std::uint8_t> span() { return {bytes_.get(), kSize}; }
    std::span<const std::uint8_t> span() const { return {bytes_.get(), kSize}; }

    void fill(std::uint8_t value);
    // Before a file load: 0xFF, 0x00, or leave it as it is.
    void applyUnusedByteFill(UnusedByteMode mode);

private:
    std::unique_ptr<std::uint8_t[]> bytes_;
};

// Word devices of 12 or 14 bits keep their unused high bits 0 and one data byte per EEPROM word.
void maskWordBytes(DataBuffer &buffer, const DeviceRecord &device);

// 32-bit wrapping sum of the bytes of [first, last], both included; the range is clamped to the buffer.
std::uint32_t bufferChecksum(const DataBuffer &buffer, std::uint32_t first, std::uint32_t last);

}  // namespace vantor
