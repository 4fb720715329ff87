#include <cstdio>

#include "cli/DeviceLookup.h"
#include "devices/DeviceSearch.h"
#include "devices/DeviceTables.h"

namespace vantor::cli {
// One device per line: vendor, name, type, then size, pins and adapter for people reading it.
int runDevices(CliContext &ctx, Args args) {
    DeviceFilter filter;
    if (auto t = takeOption(args, "--type")) {
        if (t->size() != 1 || (*t)[0] < '0' || (*t)[0] > '5') throw UsageError("--type takes 0..5");
        filter.deviceType = (*t)[0] - '0';
    }
    filter.nameContains = takeOption(args, "--search").value_or("");
    if (!args.empty()) throw UsageError("unexpected argument: " + args.front());

    CliLibrary lib(ctx);
    // One verified read for the whole listing.
    const auto all = lib.library().LoadAllDevices();
    if (lib.library().lastLookupFailed()) return kExitUsage;  // already reported
    if (all.empty()) {
        lib.reportEmpty();
        return kExitUsage;
    }
    for (const auto &rec : all) {
        if (!filter.matches(rec)) continue;
        std::printf("%s\t%s\t%d\t%u\t%u\t%s\n", rec.vendor_name, rec.device_name, rec.device_type,
                    unsigned(rec.memory_areas[0].size_bytes), unsigned(rec.pin_count), rec.adapter_text);
    }
    return kExitSuccess;
}

}  // namespace vantor::cli
