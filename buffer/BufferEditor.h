#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "buffer/DataBuffer.h"
#include "devices/DeviceRecord.h"

namespace vantor {

// A number-entry field: only digits of its base, at most maxDigits of them.
struct NumberField {
    int base = 16;
    int maxDigits = 8;

    bool isDigit(char32_t c) const;
    // Whether typing c into a field holding `length` characters (`selected` of them selected,
    // so replaced) is allowed.
    bool allowsTyping(std::size_t length, std::size_t selected, char32_t c) const;
    // The value of a complete field; nothing for an empty field or a foreign character.
    std::optional<std::uint32_t> parse(std::string_view text) const;
    std::string format(std::uint32_t value) const;
};

enum class FillKind { ConstantByte = 0, ConstantWord = 1, Random = 2, SequentialBytes = 3, SequentialWords = 4 };
enum class LogicOp { And, Or, Xor };

// The editing operations on buffer ranges, both ends included. Callers validate the ranges;
// these only keep every write inside the buffer.
void copyBytes(DataBuffer &buffer, std::uint32_t start, std::uint32_t end, std::uint32_t destination);
// Word fills write whole little-endian words; an odd last byte gets only the word's low byte,
// so nothing is written past `to`.
void fillBytes(DataBuffer &buffer, std::uint32_t from, std::uint32_t to, FillKind kind, std::uint8_t byteValue,
               std::uint16_t wordValue, std::uint32_t seed);
void combineBytes(DataBuffer &buffer, LogicOp op, std::uint32_t start, std::uint32_t end, std::uint8_t value);
// Exchanges the bytes of every pair (k, k+1) for k = first, first + 2 ... with k + 1 <= last; an odd
// last byte keeps its place.
void swapBytePairs(DataBuffer &buffer, std::uint32_t first, std::uint32_t last);

// One memory area offered by the editor: its tab name and its bytes in the buffer.
struct EditArea {
    std::string name;
    std::uint32_t start = 0;
    std::uint32_t size = 0;
};

// Values the main window keeps from one opening of the editor to the next.
struct EditorSettings {
    int addressFormat = 1;  // 0 decimal, 1 hexadecimal
    int dataFormat = 0;     // 0 byte rows, 1 word rows
    int swapState = 0;
};

// Result of a tool operation: on failure the message to show, on success the bytes changed.
struct EditOutcome {
    bool ok = false;
    int messageId = 0;
    std::string message;
    std::uint32_t first = 0, last = 0;  // changed bytes, when `changed`
    bool changed = false;

    static EditOutcome refused(int id);
    static EditOutcome done(std::uint32_t first, std::uint32_t last);
};

// Shown when a copy would run past the end of the buffer.
inline constexpr std::string_view kCopyPastBufferEnd =
    "The destination range passes the end of the buffer; nothing was copied.";

// What the Edit Buffer dialog does, without the widgets: the areas and their texts, and the
// seven tools with their checks. Every change is reported through the buffer's change notice.
class BufferEditor {
public:
    BufferEditor(DataBuffer &buffer, std::vector<EditArea> areas, EditorSettings &settings);

    // The first area and, when the device has one, the second, named as the device layout names them.
    static std::vector<EditArea> areasOf(const DeviceRecord &device);

    const std::vector<EditArea> &areas() const { return areas_; }
    bool hasArea() const { return !areas_.empty(); }
    void selectArea(int index);
    std::uint32_t rangeStart() const { return rangeStart_; }
    std::uint32_t rangeEnd() const { return rangeEnd_; }
    std::uint32_t rangeSize() const { return hasArea() ? rangeEnd_ - rangeStart_ + 1 : 0; }
    std::uint8_t *areaData() { return hasArea() ? buffer_.data() + rangeStart_ : nullptr; }

    EditorSettings &settings() { return settings_; }
    bool hexAddresses() const { return settings_.addressFormat != 0; }
    bool wordRows() const { return settings_.dataFormat != 0; }

    std::string addressText(std::uint32_t caretOffset) const;
    std::string checksumText() const;
    std::string rangeText() const;
    std::string fillRangeText() const;
    std::string_view baseLabel() const { return hexAddresses() ? "(HEX)" : "(DEC)"; }
    NumberField addressField() const { return {hexAddresses() ? 16 : 10, 8}; }

    // Tools. Addresses are buffer addresses; on failure nothing changes.
    EditOutcome gotoAddress(std::uint32_t address, std::uint32_t &caretOffset) const;
    EditOutcome copy(std::uint32_t start, std::uint32_t end, std::uint32_t destination);
    EditOutcome fill(std::uint32_t from, std::uint32_t to, FillKind kind, std::uint8_t byteValue,
                     std::uint16_t wordValue, std::uint32_t seed);
    EditOutcome combine(LogicOp op, std::uint32_t start, std::uint32_t end, std::uint8_t value);
    EditOutcome swap();
    // A byte typed in the hex view at this offset of the area.
    void typed(std::uint32_t caretOffset);

private:
    EditOutcome finish(EditOutcome outcome);

    DataBuffer &buffer_;
    std::vector<EditArea> areas_;
    EditorSettings &settings_;
    int current_ = 0;
    std::uint32_t rangeStart_ = 0, rangeEnd_ = 0;
};

}  // namespace vantor
