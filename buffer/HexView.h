#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace vantor {

// Pixel rectangle of the hex view (x, y of the top-left corner).
struct HexRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const HexRect &) const = default;
};

// The hex view of one memory area: 16 rows of 16 bytes with an address, a hex and a character
// column. Everything a widget needs (texts, caret cell, scrolling, key and mouse rules) lives here,
// so the widget only paints and forwards input. The bytes are edited in place through `data`.
class HexView {
public:
    static constexpr int kRows = 16;
    static constexpr int kBytesPerRow = 16;
    static constexpr int kPageBytes = kRows * kBytesPerRow;
    // Layout in pixels of 8x16 character cells.
    static constexpr int kCellWidth = 8;
    static constexpr int kCellHeight = 16;
    static constexpr int kHeaderHeight = 16;
    static constexpr int kAddressX = 0;
    static constexpr int kHexX = 80;
    static constexpr int kCharX = 472;
    static constexpr int kSeparatorX1 = 72;
    static constexpr int kSeparatorX2 = 464;
    static constexpr int kWidth = 608;
    static constexpr int kHeight = kHeaderHeight + kRows * kCellHeight;  // 272

    enum class Key { Tab, PageUp, PageDown, Home, End, Up, Down, Left, Right };
    enum class TypeResult { Edited, Ignored, ReadOnly };
    enum class Column { Address, Hex, Char };

    // Called with the caret offset after every caret move, and after every edit.
    std::function<void(std::uint32_t)> onCaretMoved;
    std::function<void(std::uint32_t)> onEdited;
    // Something visible changed (the widget repaints and updates its scroll bar).
    std::function<void()> onChanged;

    void setData(std::uint8_t *data, std::uint32_t length, std::uint32_t baseAddress);
    void setAddressFormat(bool hex);
    void setByteRows(bool byteRows);
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
    void gotoOffset(std::uint32_t offset);

    bool key(Key k);
    // ch is a character code (Latin-1 range is stored as a byte; anything else is ignored).
    TypeResult type(char32_t ch);
    void click(int x, int y);

    // Scroll bar and wheel; none of them moves the caret.
    void scrollLines(int delta);  // negative: up
    void setTopLine(int line);
    void wheel(int delta) { scrollLines(delta >= 0 ? -1 : 1); }

    // State
    const std::uint8_t *data() const { return data_; }
    std::uint32_t length() const { return length_; }
    std::uint32_t baseAddress() const { return base_; }
    bool hasData() const { return data_ && length_; }
    std::uint32_t caret() const { return caret_; }
    bool firstDigit() const { return firstDigit_; }
    bool inHexColumn() const { return inHex_; }
    bool byteRows() const { return byteRows_; }
    bool hexAddresses() const { return hexAddresses_; }
    bool readOnly() const { return readOnly_; }
    int topLine() const { return topLine_; }
    int maxTopLine() const { return maxTopLine_; }
    std::uint32_t firstVisible() const { return std::uint32_t(topLine_) * kBytesPerRow; }
    std::uint32_t lastVisible() const;  // one past the last shown byte
    bool scrollBarShown() const { return maxTopLine_ >= 1; }

    // Texts and geometry for painting.
    std::string headerText() const;
    int visibleRows() const;  // rows holding data on the current page
    std::string addressText(int row) const;
    std::string hexText(int row) const;
    std::string charText(int row) const;
    bool caretVisible() const;  // the caret row is on the page
    HexRect caretRect() const;

private:
    void stepLeft();
    void stepRight();
    void keepCaretVisible();
    void centreCaret();
    void clampTopLine();
    void report();
    void changed();
    std::uint32_t rowOffset(int row) const { return firstVisible() + std::uint32_t(row) * kBytesPerRow; }

    std::uint8_t *data_ = nullptr;
    std::uint32_t length_ = 0;
    std::uint32_t base_ = 0;
    std::uint32_t caret_ = 0;
    bool firstDigit_ = true;
    bool inHex_ = true;
    bool byteRows_ = true;
    bool hexAddresses_ = true;
    bool readOnly_ = false;
    int topLine_ = 0;
    int maxTopLine_ = 0;
};

}  // namespace vantor
