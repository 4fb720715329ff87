#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "buffer/HexView.h"

using namespace vantor;
using Key = HexView::Key;

namespace {

struct Area {
    explicit Area(std::uint32_t size, std::uint32_t base = 0) : bytes(size) {
        std::iota(bytes.begin(), bytes.end(), std::uint8_t(0));
        view.onCaretMoved = [this](std::uint32_t c) { reported.push_back(c); };
        view.onEdited = [this](std::uint32_t c) { edited.push_back(c); };
        view.setData(bytes.data(), size, base);
    }
    void press(Key k, int times = 1) {
        for (int i = 0; i < times; ++i) view.key(k);
    }
    std::vector<std::uint8_t> bytes;
    HexView view;
    std::vector<std::uint32_t> reported, edited;
};

}  // namespace

TEST(HexViewLayout, ScrollLimitsFollowTheAreaSize) {
    Area small(16);
    EXPECT_EQ(small.view.maxTopLine(), 0);
    EXPECT_FALSE(small.view.scrollBarShown());
    EXPECT_TRUE(small.view.key(Key::Down)) << "a view with data takes the key";
    EXPECT_FALSE(HexView().key(Key::Down)) << "an empty view leaves it to the window";
    EXPECT_EQ(small.view.caret(), 0u);
    EXPECT_EQ(small.view.visibleRows(), 1);

    Area page(256);
    EXPECT_EQ(page.view.maxTopLine(), 0);
    Area partial(0x108);  // the last half row must still be reachable
    EXPECT_EQ(partial.view.maxTopLine(), 1);
    partial.press(Key::End);
    EXPECT_TRUE(partial.view.caretVisible());

    std::vector<std::uint8_t> big(0x800000);
    HexView v;
    v.setData(big.data(), std::uint32_t(big.size()), 0);
    EXPECT_EQ(v.maxTopLine(), 0x80000 - 16);
    EXPECT_TRUE(v.scrollBarShown());
}

TEST(HexViewLayout, RowTextsInByteAndWordRows) {
    Area a(0x40, 0x10000);
    a.bytes[0x20] = ' ';
    a.bytes[0x21] = 'A';
    EXPECT_EQ(a.view.headerText().size(), 75u);
    EXPECT_EQ(a.view.headerText().find("0123456789ABCDEF") * 8, std::size_t(HexView::kCharX));
    EXPECT_EQ(a.view.addressText(2), "00010020 ");
    EXPECT_EQ(a.view.hexText(0).substr(0, 9), "00 01 02 ");
    EXPECT_EQ(a.view.charText(2).substr(0, 2), ".A");  // a space is not graphic
    EXPECT_EQ(a.view.addressText(4), "");              // past the data
    EXPECT_EQ(a.view.charText(3).size(), 16u);         // a full row, and not a byte past the data
    Area part(0x18);
    EXPECT_EQ(part.view.charText(1), std::string(8, '.'));

    a.view.setAddressFormat(false);
    EXPECT_EQ(a.view.addressText(1), "00065552 ");
    a.view.setByteRows(false);
    EXPECT_EQ(a.view.headerText().find("0123456789ABCDEF") * 8, std::size_t(HexView::kCharX));
    EXPECT_EQ(a.view.addressText(1), "00032776 ");  // word address
    EXPECT_EQ(a.view.hexText(0).substr(0, 12), "0100  0302  ");
    EXPECT_EQ(a.view.charText(2).substr(0, 2), "A.");
}

TEST(HexViewTyping, HexDigitsFillNibblesAndStepToTheNextByte) {
    Area a(32);
    a.view.type('A');
    EXPECT_FALSE(a.view.firstDigit());
    a.view.type('5');
    EXPECT_EQ(a.bytes[0], 0xA5);
    EXPECT_EQ(a.view.caret(), 1u);
    EXPECT_TRUE(a.view.firstDigit());
    EXPECT_EQ(a.view.type('g'), HexView::TypeResult::Ignored);
    EXPECT_EQ(a.view.type('c'), HexView::TypeResult::Edited);
    EXPECT_EQ(a.bytes[1], 0xC1);
    EXPECT_EQ(a.edited, (std::vector<std::uint32_t>{0, 0, 1}));

    a.press(Key::End);
    a.view.type('7');
    EXPECT_EQ(a.bytes[31], 0x17);
    EXPECT_EQ(a.view.caret(), 31u);  // stays on the last byte
}

TEST(HexViewTyping, CharacterColumnStoresPrintableCharacters) {
    Area a(32);
    a.press(Key::Tab);
    EXPECT_FALSE(a.view.inHexColumn());
    EXPECT_EQ(a.view.type(0x1B), HexView::TypeResult::Ignored);
    EXPECT_EQ(a.view.type(0x7F), HexView::TypeResult::Ignored);
    a.view.type('Z');
    a.view.type(0xE9);
    EXPECT_EQ(a.bytes[0], 'Z');
    EXPECT_EQ(a.bytes[1], 0xE9);
    EXPECT_EQ(a.view.caret(), 2u);
    EXPECT_EQ(a.view.type(0x4E2D), HexView::TypeResult::Ignored);  // does not fit a byte
}

TEST(HexViewTyping, ReadOnlyViewRefusesEveryEdit) {
    Area a(32);
    a.view.setReadOnly(true);
    EXPECT_EQ(a.view.type('A'), HexView::TypeResult::ReadOnly);
    a.press(Key::Tab);
    EXPECT_EQ(a.view.type('x'), HexView::TypeResult::ReadOnly);
    EXPECT_EQ(a.bytes[0], 0);
    EXPECT_EQ(a.view.caret(), 0u);
    EXPECT_TRUE(a.edited.empty());
}

TEST(HexViewCaret, WordRowsFollowTheDisplayOrder) {
    Area a(16);
    a.view.setByteRows(false);
    // Offset 1 (the first word's high byte) is the first position Left reaches.
    a.press(Key::Left, 3);
    EXPECT_EQ(a.view.caret(), 1u);
    a.press(Key::Right);  // second digit
    a.press(Key::Right);
    EXPECT_EQ(a.view.caret(), 0u);
    a.press(Key::Right, 2);
    EXPECT_EQ(a.view.caret(), 3u);
    a.press(Key::Left, 2);
    EXPECT_EQ(a.view.caret(), 0u);
    a.press(Key::End);
    EXPECT_EQ(a.view.caret(), 15u);
    a.press(Key::Right, 4);
    EXPECT_EQ(a.view.caret(), 14u);  // the last word's low byte ends the data

    // Typing characters at the last word keeps the caret on the data.
    a.press(Key::End);
    a.press(Key::Tab);
    a.view.type('x');
    a.view.type('y');
    EXPECT_EQ(a.view.caret(), 14u);
    EXPECT_EQ(a.bytes[14], 'y');
    EXPECT_EQ(a.bytes[15], 'x');

    Area odd(15);  // an odd-sized area in word rows
    odd.view.setByteRows(false);
    odd.press(Key::End);
    odd.press(Key::Tab);
    odd.press(Key::Left, 20);
    odd.press(Key::Right, 40);
    EXPECT_LT(odd.view.caret(), 15u);
}

TEST(HexViewCaret, CellGeometry) {
    Area a(0x200);
    a.press(Key::Right, 5);  // byte 2, second digit
    EXPECT_EQ(a.view.caretRect(), (HexRect{80 + 48 + 8, 16, 8, 16}));
    a.press(Key::Down);
    EXPECT_EQ(a.view.caretRect().y, 32);
    a.press(Key::Tab);
    EXPECT_EQ(a.view.caretRect().x, 472 + 16);

    a.view.setByteRows(false);  // caret 0x12, even: the low byte is shown second
    EXPECT_EQ(a.view.caretRect().x, 472 + 16 + 8);
    a.press(Key::Tab);
    EXPECT_EQ(a.view.caretRect().x, 80 + 48 + 16 + 8);

    a.press(Key::PageDown);
    EXPECT_EQ(a.view.topLine(), 16);
    EXPECT_EQ(a.view.caretRect().y, 32);
    a.view.setTopLine(0);
    EXPECT_FALSE(a.view.caretVisible());
    EXPECT_EQ(a.view.caretRect(), HexRect{});
}

TEST(HexViewCaret, ClicksPickByteDigitAndColumn) {
    Area a(0x40);
    a.press(Key::Down);
    a.view.click(40, 16 + 16 * 2 + 3);  // address column of row 2
    EXPECT_EQ(a.view.caret(), 0x20u);
    EXPECT_TRUE(a.view.firstDigit());
    a.view.click(80 + 24 * 3 + 10, 20);
    EXPECT_EQ(a.view.caret(), 3u);
    EXPECT_FALSE(a.view.firstDigit());
    a.view.click(80 + 24 * 3 + 21, 20);  // the gap before the next byte
    EXPECT_EQ(a.view.caret(), 4u);
    EXPECT_TRUE(a.view.firstDigit());
    a.view.click(500, 20);
    EXPECT_FALSE(a.view.inHexColumn());
    EXPECT_EQ(a.view.caret(), 3u);
    a.view.click(0, 40);  // left edge keeps the column
    EXPECT_EQ(a.view.caret(), 0x10u);
    EXPECT_FALSE(a.view.inHexColumn());
    a.view.click(500, 16 + 16 * 10);  // past the data: same column on the last row
    EXPECT_EQ(a.view.caret(), 0x33u);

    a.view.setByteRows(false);
    a.view.click(30, 20);
    EXPECT_EQ(a.view.caret(), 1u);
    const int word1 = 80 + 48;
    const std::uint32_t expected[4] = {3, 3, 2, 2};
    for (int q = 0; q < 4; ++q) {
        a.view.click(word1 + 8 * q + 2, 20);
        EXPECT_EQ(a.view.caret(), expected[q]) << q;
        EXPECT_EQ(a.view.firstDigit(), q % 2 == 0) << q;
    }
    a.view.click(472 + 8 * 4 + 1, 20);  // character of byte 4's neighbour in the pair
    EXPECT_EQ(a.view.caret(), 5u);
}

TEST(HexViewScrolling, PagesHomeEndAndWheel) {
    std::vector<std::uint8_t> big(0x800000);
    HexView v;
    v.setData(big.data(), std::uint32_t(big.size()), 0);
    for (int i = 0; i < 100; ++i) v.key(Key::PageDown);
    EXPECT_EQ(v.caret(), 100u * 256);
    EXPECT_EQ(v.topLine(), 1600);
    v.key(Key::PageUp);
    EXPECT_EQ(v.caret(), 99u * 256);
    EXPECT_TRUE(v.caretVisible());
    v.key(Key::End);
    EXPECT_EQ(v.caret(), 0x7FFFFFu);
    EXPECT_EQ(v.topLine(), v.maxTopLine());
    v.key(Key::PageDown);
    EXPECT_EQ(v.caret(), 0x7FFFFFu);
    v.key(Key::Home);
    EXPECT_EQ(v.topLine(), 0);
    v.wheel(-120);
    v.wheel(-120);
    EXPECT_EQ(v.topLine(), 2);
    EXPECT_EQ(v.caret(), 0u);  // scrolling leaves the caret alone
    v.wheel(0);
    EXPECT_EQ(v.topLine(), 1);
    v.key(Key::Up);  // the caret is above the page: scroll back to it
    EXPECT_EQ(v.topLine(), 0);
    v.setTopLine(1 << 30);
    EXPECT_EQ(v.topLine(), v.maxTopLine());

    Area a(0x400);
    a.press(Key::Down, 16);
    EXPECT_EQ(a.view.topLine(), 1);  // one row down once the caret reached the page end
    a.press(Key::Up, 15);
    EXPECT_EQ(a.view.caret(), 16u);
    a.press(Key::Up);  // from the second row to the first, and no further
    EXPECT_EQ(a.view.caret(), 0u);
    a.press(Key::Up);
    EXPECT_EQ(a.view.caret(), 0u);
}

TEST(HexViewScrolling, GotoCentresTheCaretRow) {
    Area a(0x1000);
    a.view.gotoOffset(0x345);
    EXPECT_EQ(a.view.caret(), 0x345u);
    EXPECT_FALSE(a.view.firstDigit());
    EXPECT_EQ(a.view.topLine(), 0x34 - 8);
    a.view.gotoOffset(0x70);
    EXPECT_EQ(a.view.topLine(), 0);
    a.view.gotoOffset(0xFA0);  // too near the end to centre
    EXPECT_EQ(a.view.topLine(), a.view.maxTopLine());
    EXPECT_TRUE(a.view.caretVisible());
    EXPECT_EQ(a.reported.back(), 0xFA0u);
}
