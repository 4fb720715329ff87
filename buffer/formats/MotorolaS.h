#pragma once
#include <span>
#include <string>

#include "buffer/formats/FormatCommon.h"

namespace vantor::formats {

// Motorola S-records: S1/S2/S3 data, S9 ends the file; S0, S5-S8 are passed over.
class MotorolaS {
public:
    static bool read(std::span<const std::uint8_t> file, LoadTarget &target, InfoSink &sink);
    // S3 records of 32 bytes, no header and no end record.
    static bool write(std::span<const std::uint8_t> source, std::string &out);
};

}  // namespace vantor::formats
