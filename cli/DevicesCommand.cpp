#include <algorithm>
#include <cctype>
#include <cstdio>

#include "cli/DeviceLookup.h"
#include "devices/DeviceTables.h"

namespace vantor::cli {
namespace {

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

}  // namespace

// One device per line: vendor, name, type, then size, pins and adapter for people reading it.
int runDevices(CliContext &ctx, Args args) {
    std::optional<int> type;
    if (auto t = takeOption(args, "--type")) {
        if (t->size() != 1 || (*t)[0] < '0' || (*t)[0] > '5') throw UsageError("--type takes 0..5");
        type = (*t)[0] - '0';
    }
    const std::string search = upper(takeOption(args, "--search").value_or(""));
    if (!args.empty()) throw UsageError("unexpected argument: " + args.front());

    CliLibrary lib(ctx);
    const auto index = lib.library().LoadIndex();
    if (lib.library().lastLookupFailed()) return kExitUsage;  // already reported
    if (index.empty()) {
        lib.reportEmpty();
        return kExitUsage;
    }
    for (const auto &e : index) {
        if (type && e.device_type != *type) continue;
        if (!search.empty() && upper(e.device_name).find(search) == std::string::npos) continue;
        DeviceRecord rec;
        if (!lib.library().FindDevice(e.vendor_index, e.device_name, rec)) {
            if (!lib.library().lastLookupFailed())
                std::fprintf(stderr, "vantor-cli: %s of the index cannot be found again; the library changed\n",
                             e.device_name);
            return kExitUsage;
        }
        std::printf("%s\t%s\t%d\t%u\t%u\t%s\n", rec.vendor_name, rec.device_name, rec.device_type,
                    unsigned(rec.memory_areas[0].size_bytes), unsigned(rec.pin_count), rec.adapter_text);
    }
    return kExitSuccess;
}

}  // namespace vantor::cli
