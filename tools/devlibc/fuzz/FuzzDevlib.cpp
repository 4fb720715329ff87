// libFuzzer target for both devlibc parsers. Besides not crashing, every input that
// is accepted must survive the round trip through the other form unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <algorithm>
#include <span>

#include "tools/devlibc/DevlibSource.h"

using namespace vantor::devlibc;

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

void fuzzText(std::string_view text) {
    // A directory that does not exist keeps relative includes off the disk.
    const auto r = compileText(text, "/nonexistent-devlibc-fuzz/src.txt");
    if (!r.ok()) return;
    std::string error;
    const auto image = encodeLibrary(r.library, "F.dev", error);
    if (image.empty()) return;  // padding beside the library name did not fit
    require(checkLibraryImage(image, "F.dev", nullptr).empty());
    Library lib;
    std::string name;
    require(decodeLibrary(image, lib, name, error));
    const auto again = compileText(dumpLibrary(lib, name), "dump.txt");
    require(again.ok());
    require(encodeLibrary(again.library, name, error) == image);
}

void fuzzImage(const std::uint8_t *data, std::size_t size) {
    const std::span<const std::uint8_t> image(data, size);
    Library lib;
    std::string name, error;
    if (!decodeLibrary(image, lib, name, error)) return;
    const auto faults = checkLibraryImage(image, name, nullptr);
    const auto again = compileText(dumpLibrary(lib, name), "dump.txt");
    if (!faults.empty()) return;  // a faulty record need not recompile
    require(again.ok());
    const auto rebuilt = encodeLibrary(again.library, name, error);
    require(rebuilt.size() == size && std::equal(rebuilt.begin(), rebuilt.end(), data));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0) return 0;
    if (data[0] & 1) fuzzText(std::string_view(reinterpret_cast<const char *>(data + 1), size - 1));
    else fuzzImage(data + 1, size - 1);
    return 0;
}
