#pragma once
#include <span>
#include <string>

#include "buffer/formats/FormatCommon.h"
#include "core/Prompt.h"

namespace vantor::formats {

// Intel HEX: data, extended segment (02) and extended linear (04) address records.
class IntelHex {
public:
    // prompt shows the "File format error!" box; without one the text goes to the sink in red.
    static bool read(std::span<const std::uint8_t> file, LoadTarget &target, InfoSink &sink, Prompt *prompt);
    // 16-byte data records, an 04 record before every further 64 KiB, then the end record.
    static bool write(std::span<const std::uint8_t> source, std::string &out);
};

}  // namespace vantor::formats
