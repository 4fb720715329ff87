#include "cli/SerialNumbers.h"

#include <string>

#include "core/Numbers.h"
#include "devices/MemoryLayout.h"

namespace vantor::cli {

namespace {

std::uint64_t parseNumber(const std::string &text, const char *what, std::uint64_t maximum) {
    const auto value = parseDecimal(text, maximum);
    if (!value)
        throw UsageError(std::string(what) + ": expected a decimal number from 0 to " + std::to_string(maximum) +
                         ", not " + text);
    return *value;
}

// The memory area holding the whole field, or -1.
int areaOf(const SerialPlan &plan, const DeviceRecord &device) {
    const std::uint64_t end = std::uint64_t(plan.address) + std::uint64_t(serialWidth(plan.format));
    for (int i = 0; i < 4 && device.memory_areas[i].size_bytes; ++i) {
        const MemoryArea &a = device.memory_areas[i];
        if (plan.address >= a.buffer_start && end <= std::uint64_t(a.buffer_start) + a.size_bytes) return i;
    }
    return -1;
}

}  // namespace

std::optional<SerialPlan> takeSerialPlan(Args &args, const DeviceRecord &device) {
    const auto at = takeOption(args, "--serial-at");
    const auto start = takeOption(args, "--serial-start");
    const auto step = takeOption(args, "--serial-step");
    const auto format = takeOption(args, "--serial-format");
    const auto pool = takeOption(args, "--serial-pool");
    const auto number = takeOption(args, "--serial-number");
    if (!at) {
        if (start || step || format || pool || number)
            throw UsageError("--serial-start, --serial-step, --serial-format, --serial-pool and --serial-number need "
                             "--serial-at");
        return std::nullopt;
    }
    if (pool && (start || step))
        throw UsageError(
            "--serial-pool NAME takes its start and step from the pool; leave out --serial-start and --serial-step");
    if (pool && number)
        throw UsageError("--serial-number checks a number already written: it takes none from --serial-pool");
    SerialPlan plan;
    plan.pool = pool;
    plan.formatGiven = format.has_value();
    plan.address = parseHex(*at, "--serial-at");
    if (format) {
        const auto named = serialFormatByName(*format);
        if (!named) throw UsageError("--serial-format: expected le32, be32 or ascii-dec, not " + *format);
        plan.format = *named;
    }
    if (start) plan.start = parseNumber(*start, "--serial-start", serialMaximum(plan.format));
    if (number) plan.check = parseNumber(*number, "--serial-number", serialMaximum(plan.format));
    if (step) {
        plan.step = parseNumber(*step, "--serial-step", serialMaximum(plan.format));
        if (plan.step == 0) throw UsageError("--serial-step must be at least 1");
    }
    if (areaOf(plan, device) < 0)
        throw UsageError("--serial-at: the " + std::to_string(serialWidth(plan.format)) + " bytes at " + *at +
                         " do not lie inside one memory area of " + device.device_name);
    return plan;
}

void checkSerialPlacement(const SerialPlan &plan, const DeviceRecord &device, std::uint32_t areaMask,
                          const DataBuffer &image, const LoadResult &loaded, bool overwrite) {
    const int area = areaOf(plan, device);
    char at[16];
    std::snprintf(at, sizeof at, "%X", plan.address);
    // Only the first two areas can be left out of the program range.
    if (device.area_count > 1 && area < 2 && !(areaMask & (area == 0 ? 1u : 2u)))
        throw UsageError(std::string("--serial-at ") + at + " lies in the " + AreaName(device, area) +
                         " area, which this run does not program (see --area)");
    const std::uint32_t end = plan.address + std::uint32_t(serialWidth(plan.format));
    if (!loaded.wroteData || end <= loaded.lowestAddress || plan.address >= loaded.endAddress) return;
    bool blank = true;
    for (std::uint32_t a = plan.address; a < end; ++a) blank = blank && image.data()[a] == 0xFF;
    if (blank) return;
    if (!overwrite)
        throw UsageError(std::string("--serial-at ") + at +
                         ": the serial number would overwrite data of the file; "
                         "move it, or give --serial-overwrite");
    std::fprintf(stderr, "vantor-cli: warning: the serial number at %s overwrites data of the file\n", at);
}

}  // namespace vantor::cli
