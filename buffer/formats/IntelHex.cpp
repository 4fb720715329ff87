#include "buffer/formats/IntelHex.h"

#include "core/StringIds.h"
#include "core/StringTable.h"

namespace vantor::formats {

bool IntelHex::read(std::span<const std::uint8_t> file, LoadTarget &target, InfoSink &sink, Prompt *prompt) {
    LineReader lines(file);
    std::string_view line;
    std::uint64_t upper = 0, segment = 0;
    std::uint8_t data[256];
    const auto formatError = [&] {
        report(sink, withLine(loadString(sid::DataFormatErrorAtLineFormat), lines.number()), msg::PaleGreen);
    };

    while (lines.next(line)) {
        if (line.empty() || line[0] != ':') continue;
        const char *s = line.data() + 1;
        const std::size_t avail = line.size() - 1;
        std::uint8_t n, high, low, type, check;
        if (avail < 10 || !hexByte(s, n) || !hexByte(s + 2, high) || !hexByte(s + 4, low) || !hexByte(s + 6, type) ||
            avail < 10 + 2 * std::size_t(n)) {
            formatError();
            continue;
        }
        unsigned sum = unsigned(n) + high + low + type;
        bool digitsOk = true;
        for (unsigned i = 0; i < n; ++i) {
            digitsOk &= hexByte(s + 8 + 2 * i, data[i]);
            sum += data[i];
        }
        if (!digitsOk || !hexByte(s + 8 + 2 * std::size_t(n), check)) {
            formatError();
            continue;
        }
        if (((sum + check) & 0xFF) != 0) formatError();

        switch (type) {
        case 0x00: target.store((upper << 16) + (segment << 4) + (unsigned(high) << 8) + low, data, n); break;
        case 0x01: goto done;
        case 0x02:
            // Without exactly two bytes the following records' addresses are unknown.
            if (n != 2) {
                formatError();
                return false;
            }
            if (high != low) return false;
            segment = std::uint64_t(data[0]) << 8 | data[1];
            break;
        case 0x04:
            if (n != 2) {
                formatError();
                return false;
            }
            if (high != low) {
                if (prompt) prompt->ask(msg::FileFormatError, {}, Prompt::Icon::Error);
                else report(sink, msg::FileFormatError, msg::Red);
                return false;
            }
            upper = std::uint64_t(data[0]) << 8 | data[1];
            break;
        default: break;
        }
    }
done:
    if (target.outOfRange()) report(sink, loadString(sid::DataOutOfRangeIgnored), msg::PaleGreen);
    return true;
}

bool IntelHex::write(std::span<const std::uint8_t> source, std::string &out) {
    const std::size_t size = source.size();
    out.clear();
    TextOut text(out);
    text.reserve(size / 16 * 45 + size / 0x10000 * 19 + 64);
    std::size_t i = 0;
    std::uint32_t a = 0, upper = 0;
    while (i < size) {
        char *p = text.reserve(64);
        if (a > 0xFFFF) {
            ++upper;
            std::memcpy(p, ":02000004", 9);
            p = putHexDigits(p + 9, upper, 4);
            p = putHexByte(p, std::uint8_t(-(0x02 + 0x04 + (upper >> 8) + (upper & 0xFF))));
            p = putLineEnd(p);
            a -= 0x10000;
        }
        const std::size_t n = std::min<std::size_t>(16, size - i);
        *p++ = ':';
        p = putHexByte(p, std::uint8_t(n));
        p = putHexDigits(p, a, 4);
        *p++ = '0';
        *p++ = '0';
        unsigned sum = unsigned(n) + (a >> 8) + (a & 0xFF);
        for (std::size_t k = 0; k < n; ++k) {
            const std::uint8_t b = source[i + k];
            sum += b;
            p = putHexByte(p, b);
        }
        p = putHexByte(p, std::uint8_t(-sum));
        p = putLineEnd(p);
        text.commit(p);
        i += n;
        a += std::uint32_t(n);
    }
    char *p = text.reserve(16);
    std::memcpy(p, ":00000001FF", 11);
    text.commit(putLineEnd(p + 11));
    text.finish();
    return true;
}

}  // namespace vantor::formats
