#include "buffer/formats/Tektronix.h"

#include "core/StringIds.h"
#include "core/StringTable.h"

namespace vantor::formats {

bool Tektronix::read(std::span<const std::uint8_t> file, LoadTarget &target, InfoSink &sink) {
    LineReader lines(file);
    std::string_view line;
    std::uint8_t data[256];
    const auto formatError = [&] {
        report(sink, withLine(loadString(sid::DataFormatErrorAtLineFormat), lines.number()), msg::Grey);
    };
    while (lines.next(line)) {
        if (line.empty() || line[0] != '/') continue;
        const char *s = line.data() + 1;
        std::uint64_t address;
        std::uint8_t n, headerCheck, dataCheck;
        if (line.size() < 9 || !hexNumber(s, 4, address) || !hexByte(s + 4, n) || !hexByte(s + 6, headerCheck)) {
            formatError();
            continue;
        }
        unsigned headerSum = digitSum(n);
        for (int k = 0; k < 4; ++k) headerSum += unsigned(address >> (4 * k)) & 0xF;
        const bool headerBad = headerSum != headerCheck;
        if (n == 0) {
            if (headerBad) report(sink, withLine(msg::TektronixChecksum, lines.number()), msg::Grey);
            continue;
        }
        if (line.size() < 9 + 2 * std::size_t(n) + 2) {
            formatError();
            continue;
        }
        const char *d = line.data() + 9;
        unsigned sum = 0;
        bool digitsOk = true;
        for (unsigned k = 0; k < n; ++k) {
            digitsOk &= hexByte(d + 2 * k, data[k]);
            sum += digitSum(data[k]);
        }
        if (!digitsOk || !hexByte(d + 2 * std::size_t(n), dataCheck)) {
            formatError();
            continue;
        }
        if (headerBad) report(sink, withLine(msg::TektronixChecksum, lines.number()), msg::Grey);
        target.store(address, data, n);
        if ((sum & 0xFF) != dataCheck) report(sink, withLine(msg::TektronixChecksum, lines.number()), msg::Grey);
    }
    return true;
}

bool Tektronix::write(std::span<const std::uint8_t> source, std::string &out) {
    const std::size_t size = source.size();
    out.clear();
    if (size > kMaxSaveSize) return false;
    TextOut text(out);
    text.reserve(size / 32 * 77 + 128);
    for (std::size_t i = 0; i < size;) {
        const std::size_t n = std::min<std::size_t>(32, size - i);
        char *p = text.reserve(96);
        *p++ = '/';
        const std::uint32_t a = std::uint32_t(i);
        p = putHexDigits(p, a, 4);
        p = putHexByte(p, std::uint8_t(n));
        const unsigned headerSum =
            digitSum(std::uint8_t(a >> 8)) + digitSum(std::uint8_t(a)) + digitSum(std::uint8_t(n));
        p = putHexByte(p, std::uint8_t(headerSum));
        unsigned sum = 0;
        for (std::size_t k = 0; k < n; ++k) {
            const std::uint8_t b = source[i + k];
            sum += digitSum(b);
            p = putHexByte(p, b);
        }
        p = putHexByte(p, std::uint8_t(sum));
        text.commit(putLineEnd(p));
        i += n;
    }
    text.finish();
    return true;
}

}  // namespace vantor::formats
