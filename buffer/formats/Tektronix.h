#pragma once
#include <span>
#include <string>

#include "buffer/formats/FormatCommon.h"

namespace vantor::formats {

// Tektronix hex: 16-bit addresses, so a save holds at most 64 KiB.
class Tektronix {
public:
    static constexpr std::size_t kMaxSaveSize = 0x10000;

    static bool read(std::span<const std::uint8_t> file, LoadTarget &target, InfoSink &sink);
    // Fails without output for more than kMaxSaveSize bytes.
    static bool write(std::span<const std::uint8_t> source, std::string &out);
};

}  // namespace vantor::formats
