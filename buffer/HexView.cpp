#include "buffer/HexView.h"

#include <algorithm>
#include <cstdio>

namespace vantor {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

char shownChar(std::uint8_t b) { return b > 0x20 && b < 0x7F ? char(b) : '.'; }

void appendHexByte(std::string &s, std::uint8_t b) {
    s += kHexDigits[b >> 4];
    s += kHexDigits[b & 15];
}

}  // namespace

void HexView::setData(std::uint8_t *data, std::uint32_t length, std::uint32_t baseAddress) {
    data_ = data;
    length_ = data ? length : 0;
    base_ = baseAddress;
    caret_ = 0;
    firstDigit_ = true;
    inHex_ = true;
    topLine_ = 0;
    // Rows are counted rounding up, so a last partial row can be scrolled to as well.
    const std::uint32_t rows = (length_ + kBytesPerRow - 1) / kBytesPerRow;
    maxTopLine_ = rows > std::uint32_t(kRows) ? int(rows - kRows) : 0;
    changed();
    report();
}

void HexView::setAddressFormat(bool hex) {
    hexAddresses_ = hex;
    changed();
}

void HexView::setByteRows(bool byteRows) {
    byteRows_ = byteRows;
    changed();
    report();
}

std::uint32_t HexView::lastVisible() const { return std::min<std::uint32_t>(firstVisible() + kPageBytes, length_); }

void HexView::gotoOffset(std::uint32_t offset) {
    if (!hasData()) return;
    caret_ = std::min(offset, length_ - 1);
    firstDigit_ = false;
    centreCaret();
    changed();
    report();
}

void HexView::clampTopLine() { topLine_ = std::clamp(topLine_, 0, maxTopLine_); }

void HexView::keepCaretVisible() {
    const int row = int(caret_ / kBytesPerRow);
    if (caret_ < firstVisible()) topLine_ = row;
    else if (caret_ >= lastVisible()) topLine_ = row - (kRows - 1);
    clampTopLine();
}

void HexView::centreCaret() {
    const int row = int(caret_ / kBytesPerRow);
    if (row >= 8) topLine_ = std::uint64_t(caret_) + 136 <= length_ - 1 ? row - 8 : maxTopLine_;
    else topLine_ = 0;
    clampTopLine();
}

void HexView::report() {
    if (onCaretMoved) onCaretMoved(caret_);
}

void HexView::changed() {
    if (onChanged) onChanged();
}

// Word rows show the odd (high) byte of a word first, so moves follow that display order.
// A move that would leave the data is not taken.
void HexView::stepLeft() {
    if (byteRows_) {
        if (caret_ > 0) {
            --caret_;
            firstDigit_ = false;
        }
        return;
    }
    if (caret_ == 1) return;
    const std::int64_t next = (caret_ & 1) ? std::int64_t(caret_) - 3 : std::int64_t(caret_) + 1;
    if (next < 0 || next >= std::int64_t(length_)) return;
    firstDigit_ = false;
    caret_ = std::uint32_t(next);
}

void HexView::stepRight() {
    if (byteRows_) {
        if (caret_ + 1 < length_) {
            ++caret_;
            firstDigit_ = true;
        }
        return;
    }
    if (std::int64_t(caret_) == std::int64_t(length_) - 2) return;
    const std::int64_t next = (caret_ & 1) ? std::int64_t(caret_) - 1 : std::int64_t(caret_) + 3;
    if (next < 0 || next >= std::int64_t(length_)) return;
    firstDigit_ = true;
    caret_ = std::uint32_t(next);
}

bool HexView::key(Key k) {
    if (!hasData()) return false;
    switch (k) {
    case Key::Tab: inHex_ = !inHex_; break;
    case Key::PageUp:
        if (caret_ >= std::uint32_t(kPageBytes)) caret_ -= kPageBytes;
        topLine_ -= kRows;
        clampTopLine();
        break;
    case Key::PageDown:
        if (std::uint64_t(caret_) + kPageBytes < length_ - 1) caret_ += kPageBytes;
        topLine_ += kRows;
        clampTopLine();
        break;
    case Key::Home:
        caret_ = 0;
        firstDigit_ = true;
        topLine_ = 0;
        break;
    case Key::End:
        caret_ = length_ - 1;
        firstDigit_ = false;
        topLine_ = maxTopLine_;
        break;
    case Key::Up:
        if (caret_ >= std::uint32_t(kBytesPerRow)) caret_ -= kBytesPerRow;
        break;
    case Key::Down:
        if (std::uint64_t(caret_) + kBytesPerRow <= length_ - 1) caret_ += kBytesPerRow;
        break;
    case Key::Left:
        if (inHex_ && !firstDigit_) firstDigit_ = true;
        else stepLeft();
        break;
    case Key::Right:
        if (inHex_ && firstDigit_) firstDigit_ = false;
        else stepRight();
        break;
    }
    keepCaretVisible();
    changed();
    report();
    return true;
}

HexView::TypeResult HexView::type(char32_t ch) {
    if (!hasData()) return TypeResult::Ignored;
    if (readOnly_) return TypeResult::ReadOnly;
    std::uint8_t &byte = data_[caret_];
    const std::uint32_t edited = caret_;
    if (inHex_) {
        if (ch >= 'A' && ch <= 'Z') ch = ch - 'A' + 'a';
        int nibble;
        if (ch >= '0' && ch <= '9') nibble = int(ch - '0');
        else if (ch >= 'a' && ch <= 'f') nibble = int(ch - 'a' + 10);
        else return TypeResult::Ignored;
        if (firstDigit_) {
            byte = std::uint8_t((byte & 0x0F) | (nibble << 4));
            firstDigit_ = false;
        } else {
            byte = std::uint8_t((byte & 0xF0) | nibble);
            stepRight();
        }
    } else {
        if (ch < 0x20 || ch == 0x7F || ch > 0xFF) return TypeResult::Ignored;
        byte = std::uint8_t(ch);
        stepRight();
    }
    keepCaretVisible();
    changed();
    report();
    if (onEdited) onEdited(edited);
    return TypeResult::Edited;
}

void HexView::click(int x, int y) {
    if (!hasData()) return;
    const int row = std::clamp((y - kHeaderHeight) / kCellHeight, 0, kRows - 1);
    std::uint32_t column = 0;  // byte within the row
    if (x < 1) {
        column = 0;
    } else if (x <= kHexX) {
        column = byteRows_ ? 0 : 1;
        firstDigit_ = true;
        inHex_ = true;
    } else if (x <= kSeparatorX2) {
        inHex_ = true;
        if (byteRows_) {
            const int p = std::min(x - kHexX, 376);
            column = std::uint32_t(p / 24);
            const int within = p % 24;
            if (within >= 20) {
                ++column;
                firstDigit_ = true;
            } else {
                firstDigit_ = within < 9;
            }
        } else {
            const int p = std::min(x - kHexX, 360) + 8;
            const int word = p / 48;
            const int q = std::min(((p % 48) - 8) / 8, 3);
            column = std::uint32_t(2 * word + (q < 2 ? 1 : 0));
            firstDigit_ = q == 0 || q == 2;
        }
    } else {
        inHex_ = false;
        const int p = std::min(std::max(x, kCharX) - kCharX, 127);
        column = std::uint32_t(p / 8);
        if (!byteRows_) column ^= 1u;
    }
    std::uint64_t offset = std::uint64_t(rowOffset(row)) + column;
    if (offset >= length_) {
        offset = std::uint64_t((length_ - 1) / kBytesPerRow) * kBytesPerRow + column;
        if (offset >= length_) offset = length_ - 1;
    }
    caret_ = std::uint32_t(offset);
    keepCaretVisible();
    changed();
    report();
}

void HexView::scrollLines(int delta) { setTopLine(topLine_ + delta); }

void HexView::setTopLine(int line) {
    const int old = topLine_;
    topLine_ = line;
    clampTopLine();
    if (topLine_ != old) changed();
}

std::string HexView::headerText() const {
    return byteRows_ ? " ADDRESS  +0 +1 +2 +3 +4 +5 +6 +7 +8 +9 +A +B +C +D +E +F  0123456789ABCDEF"
                     : " ADDRESS   +0    +1    +2    +3    +4    +5    +6    +7    0123456789ABCDEF";
}

int HexView::visibleRows() const {
    const std::uint32_t shown = lastVisible() - std::min(firstVisible(), lastVisible());
    return int((shown + kBytesPerRow - 1) / kBytesPerRow);
}

std::string HexView::addressText(int row) const {
    const std::uint32_t o = rowOffset(row);
    if (o >= length_) return {};
    std::uint32_t a = base_ + o;
    if (!byteRows_) a /= 2;
    char text[16];
    std::snprintf(text, sizeof text, hexAddresses_ ? "%8.8X " : "%8.8u ", a);
    return text;
}

std::string HexView::hexText(int row) const {
    const std::uint32_t o = rowOffset(row);
    if (o >= length_) return {};
    const std::uint32_t end = std::min<std::uint32_t>(o + kBytesPerRow, length_);
    std::string s;
    s.reserve(48);
    if (byteRows_) {
        for (std::uint32_t a = o; a < end; ++a) {
            appendHexByte(s, data_[a]);
            s += ' ';
        }
    } else {
        for (std::uint32_t a = o; a < end; a += 2) {
            if (a + 1 < end) appendHexByte(s, data_[a + 1]);
            else s += "  ";
            appendHexByte(s, data_[a]);
            s += "  ";
        }
    }
    return s;
}

std::string HexView::charText(int row) const {
    const std::uint32_t o = rowOffset(row);
    if (o >= length_) return {};
    const std::uint32_t end = std::min<std::uint32_t>(o + kBytesPerRow, length_);
    std::string s;
    s.reserve(16);
    if (byteRows_) {
        for (std::uint32_t a = o; a < end; ++a) s += shownChar(data_[a]);
    } else {
        for (std::uint32_t a = o; a < end; a += 2) {
            s += a + 1 < end ? shownChar(data_[a + 1]) : ' ';
            s += shownChar(data_[a]);
        }
    }
    return s;
}

bool HexView::caretVisible() const { return hasData() && caret_ >= firstVisible() && caret_ < lastVisible(); }

HexRect HexView::caretRect() const {
    if (!caretVisible()) return {};
    const int within = int(caret_ - firstVisible());
    const int c = within % kBytesPerRow;
    const bool odd = caret_ & 1;
    HexRect r{0, kHeaderHeight + (within / kBytesPerRow) * kCellHeight, kCellWidth, kCellHeight};
    if (!inHex_) {
        r.x = kCharX + kCellWidth * c;
        if (!byteRows_) r.x += odd ? -kCellWidth : kCellWidth;
    } else if (byteRows_) {
        r.x = kHexX + 24 * c + (firstDigit_ ? 0 : kCellWidth);
    } else {
        r.x = kHexX + 48 * (c / 2) + (odd ? 0 : 16) + (firstDigit_ ? 0 : kCellWidth);
    }
    return r;
}

}  // namespace vantor
