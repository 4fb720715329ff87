#pragma once
#include <span>
#include <string>

#include "buffer/formats/FormatCommon.h"

namespace vantor::formats {

// Extended Tektronix: "%" records of type 6 (data) and 8 (termination).
//
// Files of this system carry a checksum over only the low four address digits; other tools sum
// every address digit. The reader takes either, the writer keeps the first.
class ExtendedTektronix {
public:
    static bool read(std::span<const std::uint8_t> file, LoadTarget &target, InfoSink &sink);
    static bool write(std::span<const std::uint8_t> source, std::string &out);
    // Address digits used for every record of a save of this size.
    static int addressDigits(std::size_t saveSize);
};

}  // namespace vantor::formats
