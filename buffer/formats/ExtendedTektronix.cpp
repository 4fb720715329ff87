#include "buffer/formats/ExtendedTektronix.h"

#include "core/StringIds.h"
#include "core/StringTable.h"

namespace vantor::formats {

bool ExtendedTektronix::read(std::span<const std::uint8_t> file, LoadTarget &target, InfoSink &sink) {
    LineReader lines(file);
    std::string_view line;
    std::uint8_t data[128];
    const auto formatError = [&] {
        report(sink, withLine(loadString(sid::DataFormatErrorAtLineFormat), lines.number()), msg::Grey);
    };
    while (lines.next(line)) {
        if (line.empty() || line[0] != '%') continue;
        if (line.size() < 4) {
            formatError();
            continue;
        }
        if (line[3] == '8') return true;
        if (line[3] != '6') {
            report(sink, withLine(loadString(sid::UnknownDataTypeAtLineFormat), lines.number()), msg::Grey);
            continue;
        }
        std::uint8_t length, check;
        if (line.size() < 7 || !hexByte(line.data() + 1, length) || !hexByte(line.data() + 4, check) ||
            hexDigit(line[6]) < 0) {
            formatError();
            continue;
        }
        const int lengthDigit = hexDigit(line[6]);
        // A length digit of 0 stands for 16 digits.
        const std::size_t digits = lengthDigit == 0 ? 16 : std::size_t(lengthDigit);
        std::uint64_t address;
        // An odd digit count leaves its last digit unused: (R - D - 6) / 2 bytes are taken.
        if (length < 6 + digits || line.size() < 1 + std::size_t(length) ||
            !hexNumber(line.data() + 7, digits, address)) {
            formatError();
            continue;
        }
        const std::size_t n = (length - 6 - digits) / 2;
        unsigned sum = digitSum(length) + 6 + unsigned(lengthDigit);
        unsigned lowAddressSum = 0, addressSum = 0;
        for (std::size_t k = 0; k < digits; ++k) {
            const unsigned d = unsigned(address >> (4 * k)) & 0xF;
            addressSum += d;
            if (k < 4) lowAddressSum += d;
        }
        const char *d = line.data() + 7 + digits;
        bool digitsOk = true;
        for (std::size_t k = 0; k < n; ++k) {
            digitsOk &= hexByte(d + 2 * k, data[k]);
            sum += digitSum(data[k]);
        }
        if (!digitsOk) {
            formatError();
            continue;
        }
        target.store(address, data, n);
        if (((sum + lowAddressSum) & 0xFF) != check && ((sum + addressSum) & 0xFF) != check)
            report(sink, withLine(msg::ExtTektronixChecksum, lines.number()), msg::Grey);
    }
    return true;
}

int ExtendedTektronix::addressDigits(std::size_t size) {
    int digits = 1;
    for (std::size_t limit = 0x10; digits < 8 && size >= limit; limit <<= 4) ++digits;
    return digits;
}

bool ExtendedTektronix::write(std::span<const std::uint8_t> source, std::string &out) {
    const std::size_t size = source.size();
    const int digits = addressDigits(size);
    out.clear();
    TextOut text(out);
    text.reserve(size / 32 * (75 + std::size_t(digits)) + 128);
    for (std::size_t i = 0; i < size;) {
        const std::size_t n = std::min<std::size_t>(32, size - i);
        const std::uint8_t length = std::uint8_t(2 * n + std::size_t(digits) + 6);
        const std::uint32_t a = std::uint32_t(i);
        unsigned sum =
            digitSum(length) + 6 + unsigned(digits) + digitSum(std::uint8_t(a >> 8)) + digitSum(std::uint8_t(a));
        char *p = text.reserve(96);
        *p++ = '%';
        p = putHexByte(p, length);
        *p++ = '6';
        char *checkAt = p;
        p += 2;
        *p++ = detail::kHexDigits[digits];
        p = putHexDigits(p, a, digits);
        for (std::size_t k = 0; k < n; ++k) {
            const std::uint8_t b = source[i + k];
            sum += digitSum(b);
            p = putHexByte(p, b);
        }
        putHexByte(checkAt, std::uint8_t(sum));
        text.commit(putLineEnd(p));
        i += n;
    }
    char *p = text.reserve(16);
    std::memcpy(p, "%0781010", 8);
    text.commit(putLineEnd(p + 8));
    text.finish();
    return true;
}

}  // namespace vantor::formats
