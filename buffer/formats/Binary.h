#pragma once
#include <span>
#include <string>

#include "buffer/formats/FormatCommon.h"

namespace vantor::formats {

// Raw image: file offset A is file address A.
class Binary {
public:
    static bool read(std::span<const std::uint8_t> file, LoadTarget &target, InfoSink &sink);
    static bool write(std::span<const std::uint8_t> source, std::string &out);
};

}  // namespace vantor::formats
