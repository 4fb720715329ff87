#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "buffer/BufferEditor.h"
#include "buffer/HexView.h"
#include "core/StringIds.h"

using namespace vantor;

namespace {

// One 8 MiB buffer for the whole file: allocating it per test would dominate the run time.
DataBuffer &sharedBuffer() {
    static DataBuffer buffer;
    return buffer;
}

struct Editor {
    explicit Editor(std::vector<EditArea> areas = {{"Code Memory", 0, 0x1000}}) : buffer(sharedBuffer()) {
        for (std::uint32_t a = 0; a < 0x20000; ++a) buffer[a] = std::uint8_t(a);
        editor = std::make_unique<BufferEditor>(buffer, std::move(areas), settings);
        listener = buffer.addChangeListener([this](const BufferChange &c) { changes.push_back({c.first, c.last}); });
    }
    ~Editor() { buffer.removeChangeListener(listener); }
    DataBuffer &buffer;
    EditorSettings settings;
    std::unique_ptr<BufferEditor> editor;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> changes;
    int listener = 0;
};

}  // namespace

TEST(BufferEditorCopy, OverlappingRangesCopyAsThroughATemporary) {
    Editor e;
    ASSERT_TRUE(e.editor->copy(0x10, 0x1F, 0x18).ok);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(e.buffer[0x18 + k], 0x10 + k) << k;
    EXPECT_EQ(e.buffer[0x28], 0x28);
    EXPECT_EQ(e.changes.back(), std::make_pair(0x18u, 0x27u));

    // Backwards overlap, with Start and End given the wrong way round.
    ASSERT_TRUE(e.editor->copy(0x4F, 0x40, 0x38).ok);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(e.buffer[0x38 + k], 0x40 + k) << k;
}

TEST(BufferEditorCopy, ChecksRunInOrderAndRefuseARunPastTheBuffer) {
    Editor e;
    EXPECT_EQ(e.editor->copy(0x1000, 0x2000, 0x3000).messageId, sid::StartAddressOutOfRange);
    EXPECT_EQ(e.editor->copy(0, 0x1000, 0x3000).messageId, sid::EndAddressOutOfRange);
    EXPECT_EQ(e.editor->copy(0, 1, 0x1000).messageId, sid::DestinationAddressOutOfRange);
    EXPECT_EQ(e.editor->copy(0, 1, 0x1000).message, "Destination address out of range");
    EXPECT_TRUE(e.changes.empty());

    Editor high({{"Code Memory", 0, 0x800000}});
    high.buffer[0x7FFFF8] = 0xFF;
    high.buffer[0x7FFFFF] = 0x5A;
    const EditOutcome o = high.editor->copy(0, 0x10, 0x7FFFF8);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.message, kCopyPastBufferEnd);
    EXPECT_EQ(high.buffer[0x7FFFF8], 0xFF);
    EXPECT_EQ(high.buffer[0x7FFFFF], 0x5A);
    EXPECT_TRUE(high.editor->copy(0, 7, 0x7FFFF8).ok);  // exactly up to the end is fine
    EXPECT_EQ(high.buffer[0x7FFFFF], 7);
    high.buffer.fill(0xFF);
}

TEST(BufferEditorFill, FiveChoicesStayInsideTheRange) {
    Editor e;
    ASSERT_TRUE(e.editor->fill(0x100, 0x1FF, FillKind::SequentialBytes, 0, 0, 0).ok);
    for (int k = 0; k < 256; ++k) EXPECT_EQ(e.buffer[0x100 + k], k);
    EXPECT_EQ(e.buffer[0x200], 0x00);  // untouched (address 0x200 held its own low byte)

    ASSERT_TRUE(e.editor->fill(0x300, 0x304, FillKind::ConstantWord, 0, 0x1234, 0).ok);
    EXPECT_EQ(e.buffer[0x300], 0x34);
    EXPECT_EQ(e.buffer[0x301], 0x12);
    EXPECT_EQ(e.buffer[0x304], 0x34);
    EXPECT_EQ(e.buffer[0x305], 0x05);  // an odd count never spills a high byte past To

    ASSERT_TRUE(e.editor->fill(0x400, 0x40A, FillKind::SequentialWords, 0, 0, 0).ok);
    const std::uint8_t words[] = {0, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5};
    for (int k = 0; k < 11; ++k) EXPECT_EQ(e.buffer[0x400 + k], words[k]) << k;
    EXPECT_EQ(e.buffer[0x40B], 0x0B);

    ASSERT_TRUE(e.editor->fill(0x500, 0x5FF, FillKind::ConstantByte, 0xA5, 0, 0).ok);
    EXPECT_EQ(bufferChecksum(e.buffer, 0x500, 0x5FF), 0xA5u * 256);

    ASSERT_TRUE(e.editor->fill(0x600, 0x6FF, FillKind::Random, 0, 0, 42).ok);
    std::vector<std::uint8_t> first(e.buffer.data() + 0x600, e.buffer.data() + 0x700);
    e.editor->fill(0x600, 0x6FF, FillKind::Random, 0, 0, 42);
    EXPECT_EQ(0, std::memcmp(first.data(), e.buffer.data() + 0x600, 0x100));  // same seed, same bytes
    e.editor->fill(0x600, 0x6FF, FillKind::Random, 0, 0, 43);
    EXPECT_NE(0, std::memcmp(first.data(), e.buffer.data() + 0x600, 0x100));
    EXPECT_EQ(e.buffer[0x700], 0x00);
}

TEST(BufferEditorFill, RangeChecks) {
    Editor e({{"EEPROM", 0x10000, 0x100}});
    EXPECT_EQ(e.editor->fill(0x10080, 0x1007F, FillKind::ConstantByte, 0, 0, 0).messageId, sid::EndAddressOutOfRange);
    EXPECT_EQ(e.editor->fill(0x10080, 0x1007F, FillKind::ConstantByte, 0, 0, 0).message, "End address out of range");
    EXPECT_EQ(e.editor->fill(0xFFFF, 0x10000, FillKind::ConstantByte, 0, 0, 0).messageId, sid::StartAddressOutOfRange);
    EXPECT_EQ(e.editor->fill(0x10000, 0x10100, FillKind::ConstantByte, 0, 0, 0).messageId, sid::EndAddressOutOfRange);
    EXPECT_TRUE(e.changes.empty());
    EXPECT_EQ(e.editor->fillRangeText(), "Range(0x10000 --- 0x100FF)");
}

TEST(BufferEditorLogic, AndOrXorOverExchangedRanges) {
    Editor e;
    ASSERT_TRUE(e.editor->combine(LogicOp::And, 0x2F, 0x20, 0x0F).ok);
    for (int a = 0x20; a <= 0x2F; ++a) EXPECT_EQ(e.buffer[a], a & 0x0F);
    EXPECT_EQ(e.buffer[0x30], 0x30);
    EXPECT_EQ(e.changes.back(), std::make_pair(0x20u, 0x2Fu));
    e.editor->combine(LogicOp::Or, 0x40, 0x40, 0x81);
    e.editor->combine(LogicOp::Xor, 0x41, 0x41, 0xFF);
    EXPECT_EQ(e.buffer[0x40], 0xC1);
    EXPECT_EQ(e.buffer[0x41], 0xBE);
    EXPECT_EQ(e.editor->combine(LogicOp::Xor, 0x1000, 0, 1).messageId, sid::StartAddressOutOfRange);
    EXPECT_EQ(e.editor->combine(LogicOp::Xor, 0, 0x1000, 1).messageId, sid::EndAddressOutOfRange);
}

TEST(BufferEditorSwap, ExchangesPairsOfTheShownAreaOnlyAndTogglesBack) {
    Editor e({{"A", 0, 0x10}, {"B", 0x10000, 0x11}});
    e.editor->selectArea(1);
    const std::uint32_t before = bufferChecksum(e.buffer, 0x10000, 0x10010);
    ASSERT_TRUE(e.editor->swap().ok);
    EXPECT_EQ(e.settings.swapState, 1);
    for (std::uint32_t a = 0; a < 0x10000; ++a) ASSERT_EQ(e.buffer[a], std::uint8_t(a)) << a;  // other area untouched
    EXPECT_EQ(e.buffer[0x10000], 0x01);
    EXPECT_EQ(e.buffer[0x10001], 0x00);
    EXPECT_EQ(e.buffer[0x1000E], 0x0F);
    EXPECT_EQ(e.buffer[0x1000F], 0x0E);
    EXPECT_EQ(e.buffer[0x10010], 0x10);  // the last byte of an odd-sized area has no partner
    EXPECT_EQ(e.buffer[0x10011], 0x11);
    EXPECT_EQ(e.changes.back(), std::make_pair(0x10000u, 0x1000Fu));
    EXPECT_EQ(bufferChecksum(e.buffer, 0x10000, 0x10010), before);
    e.editor->swap();
    EXPECT_EQ(e.settings.swapState, 0);
    for (std::uint32_t a = 0; a < 0x10012; ++a) ASSERT_EQ(e.buffer[a], std::uint8_t(a)) << a;

    // An area starting at an odd address pairs from its own start.
    Editor odd({{"A", 0x101, 0x4}});
    odd.editor->swap();
    EXPECT_EQ(odd.buffer[0x100], 0x00);
    EXPECT_EQ(odd.buffer[0x101], 0x02);
    EXPECT_EQ(odd.buffer[0x102], 0x01);
    EXPECT_EQ(odd.buffer[0x104], 0x03);
    EXPECT_EQ(odd.buffer[0x105], 0x05);
}

TEST(BufferEditorTexts, GotoAddressChecksumAndRange) {
    Editor e({{"Code Memory", 0, 0x100}, {"EEPROM Memory", 0x10000, 0x100}});
    e.editor->selectArea(1);
    std::uint32_t offset = 0;
    ASSERT_TRUE(e.editor->gotoAddress(0x10010, offset).ok);
    EXPECT_EQ(offset, 0x10u);
    EXPECT_EQ(e.editor->addressText(offset), "Address: 00010010H");
    EXPECT_EQ(e.editor->gotoAddress(0xFFFF, offset).message, "Address out of range");
    EXPECT_EQ(e.editor->gotoAddress(0x10100, offset).messageId, sid::AddressOutOfRange);
    EXPECT_EQ(e.editor->rangeText(), "Buffer Range: 00010000H -- 000100FFH");
    EXPECT_EQ(e.editor->checksumText(), "Check sum: 00007F80H");

    e.editor->selectArea(0);
    e.settings.dataFormat = 1;
    EXPECT_EQ(e.editor->addressText(0x21), "Address: 00000010H");
    e.settings.addressFormat = 0;
    EXPECT_EQ(e.editor->addressText(0x21), "Address: 00000016");
    EXPECT_EQ(e.editor->rangeText(), "Buffer Range: 00000000 -- 00000255");
    EXPECT_EQ(e.editor->baseLabel(), "(DEC)");
}

TEST(BufferEditorAreas, TabsFollowTheDeviceLayoutNames) {
    DeviceRecord d;
    EXPECT_TRUE(BufferEditor::areasOf(d).empty());  // no device selected
    d.valid = 1;
    std::strcpy(d.device_name, "AT89C2051");
    d.device_type = 0;
    d.vendor_index = 95;
    d.area_count = 2;
    d.memory_areas[0] = {0x4000, 0};
    d.memory_areas[1] = {0x1000, 0x4000};
    auto areas = BufferEditor::areasOf(d);
    ASSERT_EQ(areas.size(), 2u);
    EXPECT_EQ(areas[0].name, "FLASH EEPROM (APROM)");
    EXPECT_EQ(areas[1].name, "FLASH EEPROM (LDROM)");
    EXPECT_EQ(areas[1].start, 0x4000u);

    d.vendor_index = 1;  // second area without a name of its own keeps the first one's
    areas = BufferEditor::areasOf(d);
    EXPECT_EQ(areas[1].name, "Code Memory");

    d.device_type = 2;  // no rule names an EPROM: the device name labels its tab
    d.memory_areas[1] = {};
    areas = BufferEditor::areasOf(d);
    ASSERT_EQ(areas.size(), 1u);
    EXPECT_EQ(areas[0].name, "AT89C2051");

    // An area reaching past the buffer is cut at its end.
    DataBuffer &b = sharedBuffer();
    EditorSettings s;
    BufferEditor clipped(b, {{"X", 0x7FFF00, 0x1000}, {"Y", 0x900000, 0x10}}, s);
    ASSERT_EQ(clipped.areas().size(), 1u);
    EXPECT_EQ(clipped.rangeEnd(), 0x7FFFFFu);
}

TEST(BufferEditorTexts, ChecksumMatchesAPlainSumOnAnyRange) {
    DataBuffer &b = sharedBuffer();
    std::mt19937 rng(7);
    for (std::uint32_t a = 0; a < 0x40000; ++a) b[a] = std::uint8_t(rng());
    for (int i = 0; i < 200; ++i) {
        const std::uint32_t first = rng() % 0x40000;
        const std::uint32_t last = std::min<std::uint32_t>(first + rng() % (i < 100 ? 40 : 0x20000), 0x3FFFF);
        std::uint32_t sum = 0;
        for (std::uint32_t a = first; a <= last; ++a) sum += b[a];
        ASSERT_EQ(bufferChecksum(b, first, last), sum) << first << ".." << last;
    }
    b.fill(0xFF);
    EXPECT_EQ(bufferChecksum(b, 0, 0x7FFFFF), 0x7F800000u);
}

TEST(NumberEntry, DigitsOfTheBaseUpToTheLimit) {
    const NumberField hex{16, 8}, dec{10, 8}, data{16, 2};
    EXPECT_TRUE(hex.isDigit('f'));
    EXPECT_TRUE(hex.isDigit('B'));
    EXPECT_FALSE(hex.isDigit('g'));
    EXPECT_FALSE(dec.isDigit('A'));
    EXPECT_TRUE(data.allowsTyping(1, 0, '9'));
    EXPECT_FALSE(data.allowsTyping(2, 0, '9'));
    EXPECT_TRUE(data.allowsTyping(2, 1, '9'));  // typing over a selection
    EXPECT_EQ(hex.parse("fffFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(dec.parse("99999999"), 99999999u);
    EXPECT_EQ(dec.parse("1A"), std::nullopt);
    EXPECT_EQ(hex.parse(""), std::nullopt);
    EXPECT_EQ(hex.parse("123456789"), std::nullopt);
    EXPECT_EQ(hex.format(0x10010), "10010");
    EXPECT_EQ(dec.format(255), "255");
}

// Random key presses, clicks, typing and tool operations on random areas: the caret never leaves
// the area and no byte changes outside the range the action names.
TEST(BufferEditorProperty, RandomActionsStayInsideTheirRanges) {
    DataBuffer &buffer = sharedBuffer();
    std::mt19937 rng(20240611);
    auto pick = [&](std::uint32_t lo, std::uint32_t hi) {
        return std::uniform_int_distribution<std::uint32_t>(lo, hi)(rng);
    };
    for (std::uint32_t a = 0; a < DataBuffer::kSize; ++a) buffer[a] = std::uint8_t(a * 7 + (a >> 9));
    std::vector<std::uint8_t> shadow(buffer.data(), buffer.data() + DataBuffer::kSize);

    // Compares the buffer with the shadow outside [first, last] and takes the change over.
    auto checkOnly = [&](std::uint32_t first, std::uint32_t last, const char *what) {
        const std::uint8_t *b = buffer.data();
        ASSERT_EQ(0, std::memcmp(b, shadow.data(), first)) << what;
        if (last + 1 < DataBuffer::kSize) {
            ASSERT_EQ(0, std::memcmp(b + last + 1, shadow.data() + last + 1, DataBuffer::kSize - last - 1)) << what;
        }
        std::memcpy(shadow.data() + first, b + first, last - first + 1);
    };

    for (int round = 0; round < 12; ++round) {
        const std::uint32_t start = pick(0, 3) == 0 ? 0 : pick(0, DataBuffer::kSize - 2);
        const std::uint32_t size =
            pick(0, 3) == 0 ? pick(1, 40) : pick(1, std::min<std::uint32_t>(0x40000, DataBuffer::kSize - start));
        EditorSettings settings;
        BufferEditor editor(buffer, {{"A", start, size}}, settings);
        HexView view;
        view.setData(editor.areaData(), editor.rangeSize(), start);
        view.setReadOnly(pick(0, 5) == 0);
        const std::uint32_t L = editor.rangeEnd();
        for (int step = 0; step < 150; ++step) {
            const std::uint32_t action = pick(0, 9);
            if (action <= 3) {
                view.key(HexView::Key(pick(0, 8)));
            } else if (action == 4) {
                view.click(int(pick(0, 700)) - 20, int(pick(0, 320)) - 20);
            } else if (action == 5) {
                if (pick(0, 4) == 0) view.setByteRows(!view.byteRows());
                const std::uint32_t at = start + view.caret();
                view.type(char32_t(pick(0, 0x17F)));
                checkOnly(at, at, "typing");
            } else if (action == 6) {
                view.gotoOffset(pick(0, size + 10));
            } else if (action == 7) {
                const std::uint32_t s = pick(0, L), e = pick(0, L), d = pick(0, L);
                if (editor.copy(s, e, d).ok) {
                    const std::uint32_t n = (s > e ? s - e : e - s);
                    checkOnly(d, d + n, "copy");
                }
            } else if (action == 8) {
                const std::uint32_t f = pick(start, L), t = pick(start, L);
                const auto kind = FillKind(pick(0, 4));
                if (editor.fill(f, t, kind, 0x5A, 0xBEEF, pick(0, 1000)).ok) checkOnly(f, t, "fill");
            } else {
                const std::uint32_t s = pick(0, L), e = pick(0, L);
                if (editor.combine(LogicOp(pick(0, 2)), s, e, std::uint8_t(pick(0, 255))).ok)
                    checkOnly(std::min(s, e), std::max(s, e), "logic");
            }
            ASSERT_LT(view.caret(), size) << "round " << round << " step " << step;
            ASSERT_LE(view.topLine(), view.maxTopLine());
            if (::testing::Test::HasFatalFailure()) return;
        }
        checkOnly(0, 0, "round");
    }
}
