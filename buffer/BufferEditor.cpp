#include "buffer/BufferEditor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/StringTable.h"
#include "devices/MemoryLayout.h"

namespace vantor {

namespace {

// The table's texts carry their own printf conversions for one or two numbers.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
std::string formatTable(int id, std::uint32_t a, std::uint32_t b = 0) {
    const std::string fmt(loadString(id));
    char text[128];
    std::snprintf(text, sizeof text, fmt.c_str(), a, b);
    return text;
}
#pragma GCC diagnostic pop

int digitValue(char32_t c) {
    if (c >= '0' && c <= '9') return int(c - '0');
    if (c >= 'a' && c <= 'f') return int(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return int(c - 'A' + 10);
    return 99;
}

}  // namespace

bool NumberField::isDigit(char32_t c) const { return digitValue(c) < base; }

bool NumberField::allowsTyping(std::size_t length, std::size_t selected, char32_t c) const {
    return isDigit(c) && length - std::min(selected, length) < std::size_t(maxDigits);
}

std::optional<std::uint32_t> NumberField::parse(std::string_view text) const {
    if (text.empty() || text.size() > std::size_t(maxDigits)) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (!isDigit(char32_t(static_cast<unsigned char>(c)))) return std::nullopt;
        value = value * unsigned(base) + unsigned(digitValue(char32_t(c)));
    }
    if (value > 0xFFFFFFFFu) return std::nullopt;
    return std::uint32_t(value);
}

std::string NumberField::format(std::uint32_t value) const {
    char text[16];
    std::snprintf(text, sizeof text, base == 16 ? "%X" : "%u", value);
    return text;
}

void copyBytes(DataBuffer &buffer, std::uint32_t start, std::uint32_t end, std::uint32_t destination) {
    if (start > end || end >= DataBuffer::kSize || destination >= DataBuffer::kSize) return;
    const std::size_t n = std::min<std::size_t>(end - start + 1, DataBuffer::kSize - destination);
    std::memmove(buffer.data() + destination, buffer.data() + start, n);  // overlap-safe
}

void fillBytes(DataBuffer &buffer, std::uint32_t from, std::uint32_t to, FillKind kind, std::uint8_t byteValue,
               std::uint16_t wordValue, std::uint32_t seed) {
    if (from > to || from >= DataBuffer::kSize) return;
    to = std::min<std::uint32_t>(to, DataBuffer::kSize - 1);
    std::uint8_t *p = buffer.data() + from;
    const std::size_t n = std::size_t(to - from) + 1;
    switch (kind) {
    case FillKind::ConstantByte: std::memset(p, byteValue, n); break;
    case FillKind::ConstantWord:
        for (std::size_t k = 0; k < n; k += 2) {
            p[k] = std::uint8_t(wordValue);
            if (k + 1 < n) p[k + 1] = std::uint8_t(wordValue >> 8);
        }
        break;
    case FillKind::Random: {
        // A classic linear congruential generator; its middle bits are the usable ones.
        std::uint32_t state = seed;
        for (std::size_t k = 0; k < n; ++k) {
            state = state * 214013u + 2531011u;
            p[k] = std::uint8_t(state >> 16);
        }
        break;
    }
    case FillKind::SequentialBytes:
        for (std::size_t k = 0; k < n; ++k) p[k] = std::uint8_t(k);
        break;
    case FillKind::SequentialWords: {
        std::uint16_t v = 0;
        for (std::size_t k = 0; k < n; k += 2, ++v) {
            p[k] = std::uint8_t(v);
            if (k + 1 < n) p[k + 1] = std::uint8_t(v >> 8);
        }
        break;
    }
    }
}

void combineBytes(DataBuffer &buffer, LogicOp op, std::uint32_t start, std::uint32_t end, std::uint8_t value) {
    if (start > end || start >= DataBuffer::kSize) return;
    end = std::min<std::uint32_t>(end, DataBuffer::kSize - 1);
    std::uint8_t *p = buffer.data() + start;
    const std::size_t n = std::size_t(end - start) + 1;
    switch (op) {
    case LogicOp::And:
        for (std::size_t k = 0; k < n; ++k) p[k] &= value;
        break;
    case LogicOp::Or:
        for (std::size_t k = 0; k < n; ++k) p[k] |= value;
        break;
    case LogicOp::Xor:
        for (std::size_t k = 0; k < n; ++k) p[k] ^= value;
        break;
    }
}

void swapBytePairs(DataBuffer &buffer, std::uint32_t first, std::uint32_t last) {
    last = std::min<std::uint32_t>(last, DataBuffer::kSize - 1);
    std::uint8_t *p = buffer.data();
    for (std::uint32_t k = first; k < last; k += 2) std::swap(p[k], p[k + 1]);
}

EditOutcome EditOutcome::refused(int id) {
    EditOutcome o;
    o.messageId = id;
    o.message = std::string(loadString(id));
    return o;
}

EditOutcome EditOutcome::done(std::uint32_t first, std::uint32_t last) {
    EditOutcome o;
    o.ok = true;
    o.changed = true;
    o.first = first;
    o.last = last;
    return o;
}

BufferEditor::BufferEditor(DataBuffer &buffer, std::vector<EditArea> areas, EditorSettings &settings)
    : buffer_(buffer), settings_(settings) {
    // Areas are kept inside the buffer whatever the device record says.
    for (EditArea &a : areas) {
        if (a.size == 0 || a.start >= DataBuffer::kSize) continue;
        a.size = std::min<std::uint32_t>(a.size, DataBuffer::kSize - a.start);
        areas_.push_back(std::move(a));
    }
    selectArea(0);
}

std::vector<EditArea> BufferEditor::areasOf(const DeviceRecord &device) {
    std::vector<EditArea> areas;
    if (!device.valid) return areas;
    // One text reused for both tabs: a second area no rule names shows the first one's name.
    std::string name;
    if (!AreaName(device, 0, name)) name = device.device_name;
    const int count = device.memory_areas[0].size_bytes == 0 ? 0 : device.memory_areas[1].size_bytes == 0 ? 1 : 2;
    for (int i = 0; i < count; ++i) {
        if (i == 1) AreaName(device, 1, name);
        areas.push_back({name, device.memory_areas[i].buffer_start, device.memory_areas[i].size_bytes});
    }
    return areas;
}

void BufferEditor::selectArea(int index) {
    if (areas_.empty()) {
        current_ = 0;
        rangeStart_ = rangeEnd_ = 0;
        return;
    }
    current_ = std::clamp(index, 0, int(areas_.size()) - 1);
    rangeStart_ = areas_[std::size_t(current_)].start;
    rangeEnd_ = rangeStart_ + areas_[std::size_t(current_)].size - 1;
}

std::string BufferEditor::addressText(std::uint32_t caretOffset) const {
    std::uint32_t a = rangeStart_ + caretOffset;
    if (wordRows()) a /= 2;
    return formatTable(hexAddresses() ? sid::AddressHexFormat : sid::AddressDecFormat, a);
}

std::string BufferEditor::checksumText() const {
    const std::uint32_t sum = hasArea() ? bufferChecksum(buffer_, rangeStart_, rangeEnd_) : 0;
    return formatTable(sid::ChecksumFormat, sum);
}

std::string BufferEditor::rangeText() const {
    return formatTable(hexAddresses() ? sid::BufferRangeHexFormat : sid::BufferRangeDecFormat, rangeStart_, rangeEnd_);
}

std::string BufferEditor::fillRangeText() const { return formatTable(sid::FillRangeFormat, rangeStart_, rangeEnd_); }

EditOutcome BufferEditor::finish(EditOutcome outcome) {
    if (outcome.changed) buffer_.notifyChanged(outcome.first, outcome.last);
    return outcome;
}

EditOutcome BufferEditor::gotoAddress(std::uint32_t address, std::uint32_t &caretOffset) const {
    if (!hasArea() || address < rangeStart_ || address > rangeEnd_) return EditOutcome::refused(sid::AddressOutOfRange);
    caretOffset = address - rangeStart_;
    EditOutcome o;
    o.ok = true;
    return o;
}

EditOutcome BufferEditor::copy(std::uint32_t start, std::uint32_t end, std::uint32_t destination) {
    const std::uint32_t limit = rangeEnd_;
    if (!hasArea() || start > limit) return EditOutcome::refused(sid::StartAddressOutOfRange);
    if (end > limit) return EditOutcome::refused(sid::EndAddressOutOfRange);
    if (destination > limit) return EditOutcome::refused(sid::DestinationAddressOutOfRange);
    if (start > end) std::swap(start, end);
    const std::uint64_t last = std::uint64_t(destination) + (end - start);
    if (last >= DataBuffer::kSize) {
        EditOutcome o;
        o.message = std::string(kCopyPastBufferEnd);
        return o;
    }
    copyBytes(buffer_, start, end, destination);
    return finish(EditOutcome::done(destination, std::uint32_t(last)));
}

EditOutcome BufferEditor::fill(std::uint32_t from, std::uint32_t to, FillKind kind, std::uint8_t byteValue,
                               std::uint16_t wordValue, std::uint32_t seed) {
    if (!hasArea() || from < rangeStart_ || from > rangeEnd_) return EditOutcome::refused(sid::StartAddressOutOfRange);
    if (to < from || to > rangeEnd_) return EditOutcome::refused(sid::EndAddressOutOfRange);
    fillBytes(buffer_, from, to, kind, byteValue, wordValue, seed);
    return finish(EditOutcome::done(from, to));
}

EditOutcome BufferEditor::combine(LogicOp op, std::uint32_t start, std::uint32_t end, std::uint8_t value) {
    if (!hasArea() || start > rangeEnd_) return EditOutcome::refused(sid::StartAddressOutOfRange);
    if (end > rangeEnd_) return EditOutcome::refused(sid::EndAddressOutOfRange);
    if (start > end) std::swap(start, end);
    combineBytes(buffer_, op, start, end, value);
    return finish(EditOutcome::done(start, end));
}

EditOutcome BufferEditor::swap() {
    settings_.swapState = settings_.swapState ? 0 : 1;
    // Only the shown area: swapping from address 0 would also change memory the user is not
    // looking at, which word masking may then make impossible to swap back.
    if (!hasArea() || rangeEnd_ == rangeStart_) {
        EditOutcome o;
        o.ok = true;
        return o;
    }
    const std::uint32_t lastPaired = rangeStart_ + ((rangeEnd_ - rangeStart_ - 1) & ~1u) + 1;
    swapBytePairs(buffer_, rangeStart_, lastPaired);
    return finish(EditOutcome::done(rangeStart_, lastPaired));
}

void BufferEditor::typed(std::uint32_t caretOffset) {
    buffer_.notifyChanged(rangeStart_ + caretOffset, rangeStart_ + caretOffset);
}

}  // namespace vantor
