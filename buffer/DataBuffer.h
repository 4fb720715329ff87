#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>
#include <span>

#include "core/LargeBlock.h"
#include "devices/DeviceRecord.h"

namespace vantor {

// What a file load does to the buffer before the file's bytes arrive.
enum class UnusedByteMode { FillFF = 0, Fill00 = 1, Ignore = 2 };

// A changed byte range of the buffer, both ends included.
struct BufferChange {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    bool operator==(const BufferChange &) const = default;
};

// The one 8 MiB memory image every data operation works on. Never reallocated.
//
// Change notices: whoever writes bytes through data() or operator[] reports the range with
// notifyChanged(); fill() and applyUnusedByteFill() report the whole buffer. Listeners run on
// the thread that reports. An operation's worker never reports: the window does not read the
// buffer while an operation runs, and the engine hands it one bufferChanged notice with the
// range the operation wrote, at its end, which the window passes on here on its own thread.
class DataBuffer {
public:
    static constexpr std::size_t kSize = kBufferSize;

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

    using ChangeListener = std::function<void(const BufferChange &change)>;
    // The id removes the listener again.
    int addChangeListener(ChangeListener listener);
    void removeChangeListener(int id);
    // Tells the listeners that [first, last] changed; the range is clamped to the buffer and
    // an empty one (first > last, or first past the end) is not passed on.
    void notifyChanged(std::uint32_t first, std::uint32_t last);

private:
    std::unique_ptr<std::uint8_t[], LargeBlockDeleter> bytes_;
    std::mutex listenersMutex_;
    std::vector<std::pair<int, ChangeListener>> listeners_;
    int nextListenerId_ = 1;
};

// Word devices of 12 or 14 bits keep their unused high bits 0 and one data byte per EEPROM word.
void maskWordBytes(DataBuffer &buffer, const DeviceRecord &device);

// 32-bit wrapping sum of the bytes of [first, last], both included; the range is clamped to the buffer.
std::uint32_t bufferChecksum(const DataBuffer &buffer, std::uint32_t first, std::uint32_t last);

}  // namespace vantor
