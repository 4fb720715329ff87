// One reader fed arbitrary bytes: it must not read past them, write outside its room, or crash.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <vector>

#include "buffer/formats/Binary.h"
#include "buffer/formats/ExtendedTektronix.h"
#include "buffer/formats/IntelHex.h"
#include "buffer/formats/MotorolaS.h"
#include "buffer/formats/Tektronix.h"

using namespace vantor;
using namespace vantor::formats;

namespace {

class NullSink : public InfoSink {
public:
    void appendLine(std::string_view text, Colour, bool) override {
        if (text.empty()) std::abort();
    }
};

template <class Reader>
bool readWith(std::span<const std::uint8_t> file, LoadTarget &target, InfoSink &sink) {
    if constexpr (std::is_same_v<Reader, IntelHex>) return Reader::read(file, target, sink, nullptr);
    else return Reader::read(file, target, sink);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    // The first byte picks the file start and the room, so skipping and dropping are reached.
    constexpr std::size_t kGuard = 64;
    std::uint64_t fileStart = 0, room = 0x1000;
    if (size > 0) {
        fileStart = std::uint64_t(data[0] & 0x0F) << 8;
        room = data[0] & 0x80 ? 0x40 : 0x1000;
        ++data;
        --size;
    }
    std::vector<std::uint8_t> dest(room + kGuard, 0xA5);
    // An exact-size copy, so any read past the end is caught.
    std::vector<std::uint8_t> file(data, data + size);
    LoadTarget target(dest.data(), room, fileStart);
    NullSink sink;
    readWith<VANTOR_FUZZ_READER>(std::span<const std::uint8_t>(file.data(), file.size()), target, sink);
    for (std::size_t i = room; i < dest.size(); ++i)
        if (dest[i] != 0xA5) std::abort();
    if (target.wroteAny() && (target.endOffset() > room || target.lowOffset() >= target.endOffset())) std::abort();
    return 0;
}
