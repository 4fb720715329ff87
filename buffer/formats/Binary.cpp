#include "buffer/formats/Binary.h"

#include "core/StringIds.h"
#include "core/StringTable.h"

namespace vantor::formats {

bool Binary::read(std::span<const std::uint8_t> file, LoadTarget &target, InfoSink &sink) {
    target.store(0, file.data(), file.size());
    if (target.outOfRange()) report(sink, loadString(sid::DataOutOfRangeIgnored), msg::PaleGreen);
    return true;
}

bool Binary::write(std::span<const std::uint8_t> source, std::string &out) {
    out.assign(reinterpret_cast<const char *>(source.data()), source.size());
    return true;
}

}  // namespace vantor::formats
