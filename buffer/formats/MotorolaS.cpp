#include "buffer/formats/MotorolaS.h"

#include "core/StringIds.h"
#include "core/StringTable.h"

namespace vantor::formats {

namespace {
bool isAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
}  // namespace

bool MotorolaS::read(std::span<const std::uint8_t> file, LoadTarget &target, InfoSink &sink) {
    LineReader lines(file);
    std::string_view line;
    std::uint8_t data[256];
    while (lines.next(line)) {
        if (line.size() < 2 || line[0] != 'S' || !isAsciiAlnum(line[1])) continue;
        std::size_t addressBytes;
        switch (line[1]) {
        case '1': addressBytes = 2; break;
        case '2': addressBytes = 3; break;
        case '3': addressBytes = 4; break;
        case '0':
        case '5':
        case '6':
        case '7':
        case '8': continue;
        case '9': return true;
        default:
            report(sink, withLine(loadString(sid::UnknownDataTypeAtLineFormat), lines.number()), msg::Black);
            continue;
        }
        const char *s = line.data() + 2;
        const std::size_t avail = line.size() - 2;
        std::uint8_t count, check;
        std::uint64_t address;
        if (avail < 2 || !hexByte(s, count) || count < addressBytes + 1 || avail < 2 + 2 * std::size_t(count) ||
            !hexNumber(s + 2, 2 * addressBytes, address)) {
            report(sink, withLine(loadString(sid::DataFormatErrorAtLineFormat), lines.number()), msg::Black);
            continue;
        }
        const std::size_t n = count - addressBytes - 1;
        unsigned sum = count;
        for (std::size_t k = 0; k < addressBytes; ++k) sum += unsigned(address >> (8 * k)) & 0xFF;
        const char *d = s + 2 + 2 * addressBytes;
        bool digitsOk = true;
        for (std::size_t k = 0; k < n; ++k) {
            digitsOk &= hexByte(d + 2 * k, data[k]);
            sum += data[k];
        }
        if (!digitsOk || !hexByte(d + 2 * n, check)) {
            report(sink, withLine(loadString(sid::DataFormatErrorAtLineFormat), lines.number()), msg::Black);
            continue;
        }
        target.store(address, data, n);
        if (((sum + check) & 0xFF) != 0xFF) report(sink, withLine(msg::MotorolaChecksum, lines.number()), msg::Black);
    }
    return true;
}

bool MotorolaS::write(std::span<const std::uint8_t> source, std::string &out) {
    const std::size_t size = source.size();
    out.clear();
    TextOut text(out);
    text.reserve(size / 32 * 80 + 128);
    for (std::size_t i = 0; i < size;) {
        const std::size_t n = std::min<std::size_t>(32, size - i);
        char *p = text.reserve(96);
        *p++ = 'S';
        *p++ = '3';
        p = putHexByte(p, std::uint8_t(n + 5));
        const std::uint32_t a = std::uint32_t(i);
        p = putHexDigits(p, a, 8);
        unsigned sum = unsigned(n + 5) + (a >> 24) + ((a >> 16) & 0xFF) + ((a >> 8) & 0xFF) + (a & 0xFF);
        for (std::size_t k = 0; k < n; ++k) {
            const std::uint8_t b = source[i + k];
            sum += b;
            p = putHexByte(p, b);
        }
        p = putHexByte(p, std::uint8_t(~sum));
        text.commit(putLineEnd(p));
        i += n;
    }
    text.finish();
    return true;
}

}  // namespace vantor::formats
