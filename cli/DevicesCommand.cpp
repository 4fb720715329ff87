#include <cstdio>

#include "cli/DeviceLookup.h"
#include "cli/Report.h"
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
    // For shell completion: "VENDOR/DEVICE" and the bare name, one per line, nothing else.
    const bool namesOnly = takeFlag(args, "--names");
    if (!args.empty()) throw UsageError("unexpected argument: " + args.front());

    CliLibrary lib(ctx);
    // One verified read for the whole listing.
    const auto all = lib.library().LoadAllDevices();
    if (lib.library().lastLookupFailed()) return kExitUsage;  // already reported
    if (all.empty()) {
        lib.reportEmpty();
        return kExitUsage;
    }
    if (namesOnly) {
        for (const auto &rec : all)
            if (filter.matches(rec)) std::printf("%s/%s\n%s\n", rec.vendor_name, rec.device_name, rec.device_name);
        return kExitSuccess;
    }
    if (ctx.json) {
        nlohmann::json list = nlohmann::json::array();
        for (const auto &rec : all)
            if (filter.matches(rec))
                list.push_back({{"vendor", rec.vendor_name},
                                {"name", rec.device_name},
                                {"type", rec.device_type},
                                {"size", rec.memory_areas[0].size_bytes},
                                {"pins", rec.pin_count},
                                {"adapter", rec.adapter_text}});
        printJson({{"schema", kJsonSchemaId},
                   {"command", "devices"},
                   {"result", "success"},
                   {"exit_code", 0},
                   {"library", lib.library().path().filename().string()},
                   {"devices", list}});
        return kExitSuccess;
    }
    for (const auto &rec : all) {
        if (!filter.matches(rec)) continue;
        std::printf("%s\t%s\t%d\t%u\t%u\t%s\n", rec.vendor_name, rec.device_name, rec.device_type,
                    unsigned(rec.memory_areas[0].size_bytes), unsigned(rec.pin_count), rec.adapter_text);
    }
    return kExitSuccess;
}

}  // namespace vantor::cli
