#include "core/SerialFormat.h"

#include "core/LittleEndian.h"
#include "core/ProductionLog.h"

namespace vantor {

std::optional<SerialFormat> serialFormatByName(std::string_view name) {
    if (name == "le32") return SerialFormat::Le32;
    if (name == "be32") return SerialFormat::Be32;
    if (name == "ascii-dec") return SerialFormat::AsciiDec;
    return std::nullopt;
}

const char *serialFormatName(SerialFormat format) {
    switch (format) {
    case SerialFormat::Le32: return "le32";
    case SerialFormat::Be32: return "be32";
    case SerialFormat::AsciiDec: return "ascii-dec";
    }
    return "";
}

int serialWidth(SerialFormat format) { return format == SerialFormat::AsciiDec ? 8 : 4; }

std::uint64_t serialMaximum(SerialFormat format) {
    return format == SerialFormat::AsciiDec ? 99999999ull : 0xFFFFFFFFull;
}

bool encodeSerial(std::uint64_t number, SerialFormat format, std::uint8_t *out) {
    if (number > serialMaximum(format)) return false;
    switch (format) {
    case SerialFormat::Le32: le::store32(out, std::uint32_t(number)); return true;
    case SerialFormat::Be32:
        for (int i = 0; i < 4; ++i) out[i] = std::uint8_t(number >> (24 - 8 * i));
        return true;
    case SerialFormat::AsciiDec:
        for (int i = 7; i >= 0; --i, number /= 10) out[i] = std::uint8_t('0' + number % 10);
        return true;
    }
    return false;
}

const char *serialStateName(SerialState state) {
    switch (state) {
    case SerialState::Used: return "used";
    case SerialState::Scrapped: return "scrapped";
    case SerialState::None: break;
    }
    return "";
}

}  // namespace vantor
