// The RTF reader fed arbitrary bytes: adapter documents come from a separately shipped
// library, so the reader must survive anything without reading past its input.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "devices/RtfDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    vantor::RtfOptions options;
    options.maxPictureBytes = 1 << 16;
    vantor::RichText runs;
    vantor::parseRtf(input, runs, options);
    for (const vantor::RichRun &r : runs)
        if (r.text.empty() && r.picture.empty()) std::abort();  // runs always carry something
    (void)vantor::plainText(runs);
    return 0;
}
