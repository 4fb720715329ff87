#include <algorithm>
#include <cstring>

#include "buffer/DataBuffer.h"

namespace vantor {

DataBuffer::DataBuffer() : bytes_(static_cast<std::uint8_t *>(allocateLarge(kSize)), LargeBlockDeleter{kSize}) {
    fill(0xFF);
}

void DataBuffer::fill(std::uint8_t value) {
    std::memset(bytes_.get(), value, kSize);
    notifyChanged(0, kSize - 1);
}

int DataBuffer::addChangeListener(ChangeListener listener) {
    std::lock_guard lock(listenersMutex_);
    listeners_.emplace_back(nextListenerId_, std::move(listener));
    return nextListenerId_++;
}

void DataBuffer::removeChangeListener(int id) {
    std::lock_guard lock(listenersMutex_);
    std::erase_if(listeners_, [id](const auto &l) { return l.first == id; });
}

void DataBuffer::notifyChanged(std::uint32_t first, std::uint32_t last) {
    if (first >= kSize) return;
    last = std::min<std::uint32_t>(last, kSize - 1);
    if (first > last) return;
    // A copy, so a listener may add or remove listeners while it is told.
    std::vector<std::pair<int, ChangeListener>> listeners;
    {
        std::lock_guard lock(listenersMutex_);
        listeners = listeners_;
    }
    for (const auto &l : listeners) l.second(BufferChange{first, last});
}

void DataBuffer::applyUnusedByteFill(UnusedByteMode mode) {
    if (mode == UnusedByteMode::FillFF) fill(0xFF);
    else if (mode == UnusedByteMode::Fill00) fill(0x00);
}

void maskWordBytes(DataBuffer &buffer, const DeviceRecord &device) {
    if (device.data_width != 12 && device.data_width != 14) return;
    const std::uint8_t mask = device.wordHighMask();
    // Without a data EEPROM every word of the device is code: mask up to its top.
    const bool hasEeprom = device.memory_areas[1].size_bytes != 0;
    const std::size_t eepromStart =
        std::min<std::size_t>(hasEeprom ? device.memory_areas[1].buffer_start : device.top_address, DataBuffer::kSize);
    const std::size_t eepromSize = hasEeprom ? device.memory_areas[1].size_bytes : 0;
    std::uint8_t *b = buffer.data();
    for (std::size_t a = 1; a < eepromStart; a += 2) b[a] &= mask;
    for (std::size_t k = 1; k < eepromSize && eepromStart + k < DataBuffer::kSize; k += 2) b[eepromStart + k] = 0;
}

std::uint32_t bufferChecksum(const DataBuffer &buffer, std::uint32_t first, std::uint32_t last) {
    if (first >= DataBuffer::kSize) return 0;
    last = std::min<std::uint32_t>(last, DataBuffer::kSize - 1);
    if (first > last) return 0;
    const std::uint8_t *p = buffer.data() + first;
    std::size_t n = std::size_t(last - first) + 1;
    std::uint32_t sum = 0;
    // Eight bytes at a time into four 16-bit lanes, folded before a lane can overflow
    // (128 steps add at most 128 * 510 = 65280): the whole buffer sums in a few milliseconds.
    constexpr std::uint64_t kLanes = 0x00FF00FF00FF00FFull;
    while (n >= 8) {
        const std::size_t steps = std::min<std::size_t>(n / 8, 128);
        std::uint64_t acc = 0;
        for (std::size_t k = 0; k < steps; ++k, p += 8) {
            std::uint64_t w;
            std::memcpy(&w, p, 8);
            acc += (w & kLanes) + ((w >> 8) & kLanes);
        }
        n -= steps * 8;
        acc = (acc & 0x0000FFFF0000FFFFull) + ((acc >> 16) & 0x0000FFFF0000FFFFull);
        sum += std::uint32_t(acc) + std::uint32_t(acc >> 32);
    }
    while (n--) sum += *p++;
    return sum;
}

}  // namespace vantor
