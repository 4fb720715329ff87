#pragma once
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "core/Colour.h"
#include "core/InfoSink.h"

namespace vantor::formats {

// Colours of the data-file messages in the information window.
namespace msg {
inline constexpr Colour Black = 0x000000;
inline constexpr Colour Grey = 0x808080;
inline constexpr Colour PaleGreen = 0x80C880;  // RGB(128,200,128)
inline constexpr Colour Green = 0x008000;      // RGB(0,128,0)
inline constexpr Colour Red = 0x0000FF;        // RGB(255,0,0)

// Literal texts of the data-file code (not in the string table).
inline constexpr std::string_view FailedToOpen = "Failed to open the file!\n";
inline constexpr std::string_view MotorolaChecksum = "Error: Line %d, Check sum error\n";
inline constexpr std::string_view TektronixChecksum = "Warning: Line %d, Check sum error\n";
// Kept in Chinese as stored; reads "warning: line %d, checksum error".
inline constexpr std::string_view ExtTektronixChecksum =
    "\xE8\xAD\xA6\xE5\x91\x8A: \xE7\xAC\xAC%d\xE8\xA1\x8C, "
    "\xE6\xA0\xA1\xE9\xAA\x8C\xE5\x92\x8C\xE9\x94\x99\xE8\xAF\xAF\n";
inline constexpr std::string_view FileFormatError = "File format error!";
}  // namespace msg

// Replaces the first "%d" of a message with the line number.
std::string withLine(std::string_view format, long line);
// Replaces the first "%s" with the text.
std::string withText(std::string_view format, std::string_view text);

// Where a load puts its bytes: file address A lands at dest[A - fileStart]; addresses below
// fileStart are skipped quietly, offsets at or past the room are dropped and remembered.
class LoadTarget {
public:
    LoadTarget(std::uint8_t *dest, std::uint64_t room, std::uint64_t fileStart)
        : dest_(dest), room_(room), fileStart_(fileStart) {}

    void store(std::uint64_t address, const std::uint8_t *bytes, std::size_t n) {
        if (n == 0) return;
        if (address < fileStart_) {
            const std::uint64_t skip = fileStart_ - address;
            if (skip >= n) return;
            bytes += skip;
            n -= std::size_t(skip);
            address = fileStart_;
        }
        const std::uint64_t offset = address - fileStart_;
        if (offset >= room_) {
            outOfRange_ = true;
            return;
        }
        std::size_t take = n;
        if (room_ - offset < n) {
            take = std::size_t(room_ - offset);
            outOfRange_ = true;
        }
        std::memcpy(dest_ + offset, bytes, take);
        if (!wrote_ || offset < low_) low_ = offset;
        if (!wrote_ || offset + take > high_) high_ = offset + take;
        wrote_ = true;
    }

    bool outOfRange() const { return outOfRange_; }
    bool wroteAny() const { return wrote_; }
    // Offsets from dest: [lowOffset, endOffset) covers every byte written.
    std::uint64_t lowOffset() const { return low_; }
    std::uint64_t endOffset() const { return high_; }

private:
    std::uint8_t *dest_;
    std::uint64_t room_;
    std::uint64_t fileStart_;
    bool outOfRange_ = false;
    bool wrote_ = false;
    std::uint64_t low_ = 0;
    std::uint64_t high_ = 0;
};

namespace detail {
constexpr std::array<std::int8_t, 256> makeHexTable() {
    std::array<std::int8_t, 256> t{};
    for (auto &v : t) v = -1;
    for (int c = '0'; c <= '9'; ++c) t[std::size_t(c)] = std::int8_t(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) t[std::size_t(c)] = std::int8_t(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c) t[std::size_t(c)] = std::int8_t(c - 'a' + 10);
    return t;
}
inline constexpr std::array<std::int8_t, 256> kHexValue = makeHexTable();
inline constexpr char kHexDigits[] = "0123456789ABCDEF";
}  // namespace detail

// Value of one hex digit of either case, or -1.
inline int hexDigit(char c) { return detail::kHexValue[std::uint8_t(c)]; }

// Two hex digits at s; false when either is not a hex digit.
inline bool hexByte(const char *s, std::uint8_t &out) {
    const int h = hexDigit(s[0]), l = hexDigit(s[1]);
    if ((h | l) < 0) return false;
    out = std::uint8_t(h << 4 | l);
    return true;
}

// n hex digits at s, most significant first (n <= 16).
inline bool hexNumber(const char *s, std::size_t n, std::uint64_t &out) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const int d = hexDigit(s[i]);
        if (d < 0) return false;
        v = v << 4 | std::uint64_t(d);
    }
    out = v;
    return true;
}

// Lines of a text file held in memory; LF, CR LF or a lone CR (old Macintosh files) ends a
// line, and a last line without an end counts too.
class LineReader {
public:
    explicit LineReader(std::span<const std::uint8_t> file)
        : p_(reinterpret_cast<const char *>(file.data())), end_(p_ + file.size()) {}

    bool next(std::string_view &line) {
        if (p_ == end_) return false;
        const char *nl = static_cast<const char *>(std::memchr(p_, '\n', std::size_t(end_ - p_)));
        const char *stop = nl ? nl : end_;
        const char *cr = static_cast<const char *>(std::memchr(p_, '\r', std::size_t(stop - p_)));
        if (cr && !(nl && cr + 1 == nl)) {
            line = std::string_view(p_, std::size_t(cr - p_));
            p_ = cr + 1;
        } else {
            line = std::string_view(p_, std::size_t((cr ? cr : stop) - p_));
            p_ = nl ? nl + 1 : end_;
        }
        ++number_;
        return true;
    }
    long number() const { return number_; }

private:
    const char *p_;
    const char *end_;
    long number_ = 0;
};

// Output text grown in large steps; writers fill it through a raw cursor.
class TextOut {
public:
    explicit TextOut(std::string &out) : out_(out) {}
    // Makes room for at least n more characters and returns where they go.
    char *reserve(std::size_t n) {
        if (used_ + n > out_.size()) out_.resize(std::max(out_.size() * 2, used_ + n + 4096));
        return out_.data() + used_;
    }
    void commit(char *end) { used_ = std::size_t(end - out_.data()); }
    void finish() { out_.resize(used_); }

private:
    std::string &out_;
    std::size_t used_ = 0;
};

inline char *putHexByte(char *p, std::uint8_t v) {
    p[0] = detail::kHexDigits[v >> 4];
    p[1] = detail::kHexDigits[v & 0xF];
    return p + 2;
}
inline char *putHexDigits(char *p, std::uint64_t v, int digits) {
    for (int i = digits - 1; i >= 0; --i) *p++ = detail::kHexDigits[(v >> (4 * i)) & 0xF];
    return p;
}
inline char *putLineEnd(char *p) {
    p[0] = '\r';
    p[1] = '\n';
    return p + 2;
}
// Sum of the values of the two hex digits of a byte.
inline unsigned digitSum(std::uint8_t v) { return unsigned(v >> 4) + unsigned(v & 0xF); }

// What readers report through; a line of the information window.
inline void report(InfoSink &sink, std::string_view text, Colour colour) { sink.appendLine(text, colour, false); }

}  // namespace vantor::formats
