// sdcc's debug records fed arbitrary bytes: a .cdb is found beside a program and may be damaged,
// foreign or from another build. The reader either builds a model whose queries all work or
// reports an error with a line number.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "debug/DebugInfo.h"
#include "debug/SourceMap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    std::string error;
    const auto info = vantor::debug::DebugInfo::parse(input, "fuzz.cdb", error);
    if (!info) {
        if (error.rfind("fuzz.cdb:", 0) != 0) std::abort();
        return 0;
    }
    const vantor::debug::SourceMap map(*info);
    for (const auto &f : info->functions()) {
        (void)map.entryAddress(f);
        for (const auto *s : info->localsOf(f)) (void)info->sizeOf(*s->type, f.module);
    }
    for (const auto &l : info->lines()) {
        (void)map.locate(l.address);
        (void)map.lineRanges(l.address);
        (void)map.addressesOf(l.file, l.line);
    }
    for (const auto &s : info->symbols()) (void)s.type->name();
    return 0;
}
