#include "buffer/formats/FormatCommon.h"

namespace vantor::formats {

std::string withLine(std::string_view format, long line) {
    std::string out(format);
    if (const auto at = out.find("%d"); at != std::string::npos) out.replace(at, 2, std::to_string(line));
    return out;
}

std::string withText(std::string_view format, std::string_view text) {
    std::string out(format);
    if (const auto at = out.find("%s"); at != std::string::npos) out.replace(at, 2, text);
    return out;
}

}  // namespace vantor::formats
