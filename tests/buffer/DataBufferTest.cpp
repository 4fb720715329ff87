#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "buffer/DataBuffer.h"

using namespace vantor;

// The buffer's storage gets non-zero guard bytes behind it: past a large allocation the heap is
// usually zero, so a checksum reading beyond the 8 MiB would otherwise not change its result.
namespace {
constexpr std::size_t kGuardBytes = 64;
constexpr std::uint8_t kGuardValue = 0xA5;
}  // namespace

// The buffer is a large block, allocated with huge-page alignment.
void *operator new(std::size_t size, std::align_val_t align) {
    const bool image = size == DataBuffer::kSize;
    const std::size_t alignment = std::size_t(align);
    const std::size_t wanted = image ? size + kGuardBytes : size ? size : 1;
    void *p = std::aligned_alloc(alignment, (wanted + alignment - 1) / alignment * alignment);
    if (!p) throw std::bad_alloc();
    if (image) std::memset(static_cast<char *>(p) + size, kGuardValue, kGuardBytes);
    return p;
}
void operator delete(void *p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void *p, std::size_t, std::align_val_t) noexcept { std::free(p); }

namespace {

DeviceRecord wordDevice(std::uint8_t width, std::uint32_t codeBytes, std::uint32_t eepromBytes) {
    DeviceRecord d;
    d.data_width = width;
    d.memory_areas[0] = {codeBytes, 0};
    if (eepromBytes) d.memory_areas[1] = {eepromBytes, codeBytes};
    d.top_address = codeBytes + eepromBytes;
    return d;
}

TEST(DataBuffer, ChangeNoticesCarryTheClampedRangeToEveryListener) {
    DataBuffer buffer;
    std::vector<BufferChange> a, b;
    const int first = buffer.addChangeListener([&](const BufferChange &c) { a.push_back(c); });
    buffer.addChangeListener([&](const BufferChange &c) { b.push_back(c); });
    buffer.fill(0x00);
    buffer.notifyChanged(0x100, 0x1FF);
    buffer.notifyChanged(0x7FFFF0, 0xFFFFFFFF);  // clamped to the buffer's end
    buffer.notifyChanged(0x800000, 0x800010);    // nothing of it is in the buffer
    buffer.notifyChanged(0x20, 0x10);            // empty
    const std::vector<BufferChange> expected{{0, 0x7FFFFF}, {0x100, 0x1FF}, {0x7FFFF0, 0x7FFFFF}};
    EXPECT_EQ(a, expected);
    EXPECT_EQ(b, expected);
    buffer.removeChangeListener(first);
    buffer.applyUnusedByteFill(UnusedByteMode::Ignore);  // changes nothing, tells nothing
    buffer.applyUnusedByteFill(UnusedByteMode::Fill00);
    EXPECT_EQ(a.size(), 3u);
    EXPECT_EQ(b.size(), 4u);
}

TEST(DataBuffer, StartsErasedAndFillsWholeImage) {
    DataBuffer b;
    EXPECT_EQ(b.size(), 0x800000u);
    EXPECT_EQ(bufferChecksum(b, 0, 0x7FFFFF), 0x7F800000u);
    b[5] = 0x12;
    b.applyUnusedByteFill(UnusedByteMode::Ignore);
    EXPECT_EQ(b[5], 0x12);
    b.applyUnusedByteFill(UnusedByteMode::Fill00);
    EXPECT_EQ(b[0x7FFFFF], 0x00);
    EXPECT_EQ(bufferChecksum(b, 0, 0x7FFFFF), 0u);
    b.applyUnusedByteFill(UnusedByteMode::FillFF);
    EXPECT_EQ(b[0], 0xFF);
    EXPECT_EQ(b[0x400000], 0xFF);
}

TEST(DataBuffer, ChecksumIncludesBothEndsAndClampsToTheBuffer) {
    DataBuffer b;
    b.fill(0);
    b[10] = 1;
    b[20] = 2;
    EXPECT_EQ(bufferChecksum(b, 10, 20), 3u);
    EXPECT_EQ(bufferChecksum(b, 11, 19), 0u);
    EXPECT_EQ(bufferChecksum(b, 20, 10), 0u);
    b[0x7FFFFF] = 5;
    ASSERT_EQ(b.data()[DataBuffer::kSize], kGuardValue) << "the guard behind the image is in place";
    EXPECT_EQ(bufferChecksum(b, 0x7FFFFF, 0xFFFFFFFF), 5u);
    EXPECT_EQ(bufferChecksum(b, 0x7FFFF8, 0x800001), 5u);  // through the eight-byte path
    EXPECT_EQ(bufferChecksum(b, 0x7FFF00, 0x80000F), 5u);
    EXPECT_EQ(bufferChecksum(b, 0x800000, 0x900000), 0u);
}

TEST(DataBuffer, MasksWordDevicesHighBytesAndEepromWords) {
    DataBuffer b;
    maskWordBytes(b, wordDevice(14, 0x800, 0x100));
    EXPECT_EQ(b[0], 0xFF);
    EXPECT_EQ(b[1], 0x3F);
    EXPECT_EQ(b[0x7FF], 0x3F);
    EXPECT_EQ(b[0x800], 0xFF);  // EEPROM data byte
    EXPECT_EQ(b[0x801], 0x00);  // and its zero high byte
    EXPECT_EQ(b[0x8FF], 0x00);
    EXPECT_EQ(b[0x901], 0xFF);  // past the EEPROM: untouched

    DataBuffer twelve;
    maskWordBytes(twelve, wordDevice(12, 0x400, 0));
    EXPECT_EQ(twelve[1], 0x0F);
    EXPECT_EQ(twelve[0x3FF], 0x0F);
    EXPECT_EQ(twelve[0x401], 0xFF);

    // A 12-bit part without data EEPROM: all of its code words are masked, nothing above.
    DataBuffer noEeprom;
    maskWordBytes(noEeprom, wordDevice(12, 0x400, 0));
    EXPECT_EQ(noEeprom[0x3FF], 0x0F);
    EXPECT_EQ(noEeprom[0x3FE], 0xFF);
    EXPECT_EQ(noEeprom[0x401], 0xFF);

    DataBuffer bytes;
    maskWordBytes(bytes, wordDevice(16, 0x400, 0x100));
    EXPECT_EQ(bytes[1], 0xFF);  // widths that are whole bytes stay as they are
}

TEST(DataBuffer, MaskingAnEepromAtTheBufferEndStaysInside) {
    DataBuffer b;
    maskWordBytes(b, wordDevice(14, 0x7FFF00, 0x1000));
    EXPECT_EQ(b[0x7FFF01], 0x00);
    EXPECT_EQ(b[0x7FFFFF], 0x00);
}

}  // namespace
