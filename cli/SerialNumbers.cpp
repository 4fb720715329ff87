#include "cli/SerialNumbers.h"

#include <cstdlib>
#include <string>

#include "core/Profile.h"

namespace vantor::cli {

namespace {

constexpr const char *kSection = "Production";
constexpr const char *kNextKey = "NextSerial";

std::uint64_t parseNumber(const std::string &text, const char *what) {
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
        throw UsageError(std::string(what) + ": not a decimal number: " + text);
    return std::stoull(text);
}

}  // namespace

std::optional<SerialPlan> takeSerialPlan(Args &args, const DeviceRecord &device) {
    const auto at = takeOption(args, "--serial-at");
    const auto start = takeOption(args, "--serial-start");
    const auto step = takeOption(args, "--serial-step");
    const auto format = takeOption(args, "--serial-format");
    if (!at) {
        if (start || step || format) throw UsageError("--serial-start, --serial-step and --serial-format need --serial-at");
        return std::nullopt;
    }
    SerialPlan plan;
    plan.address = parseHex(*at, "--serial-at");
    if (start) plan.start = parseNumber(*start, "--serial-start");
    else plan.fromSettings = true;
    if (step) {
        plan.step = parseNumber(*step, "--serial-step");
        if (plan.step == 0) throw UsageError("--serial-step must be at least 1");
    }
    if (format) {
        if (*format == "le32") plan.format = SerialFormat::Le32;
        else if (*format == "be32") plan.format = SerialFormat::Be32;
        else if (*format == "ascii-dec") plan.format = SerialFormat::AsciiDec;
        else throw UsageError("--serial-format: expected le32, be32 or ascii-dec, not " + *format);
    }
    const std::uint32_t width = std::uint32_t(serialWidth(plan.format));
    bool inside = false;
    for (int i = 0; i < kMaxAreas && device.memory_areas[i].size_bytes; ++i) {
        const MemoryArea &a = device.memory_areas[i];
        if (plan.address >= a.buffer_start && std::uint64_t(plan.address) + width <= std::uint64_t(a.buffer_start) + a.size_bytes)
            inside = true;
    }
    if (!inside)
        throw UsageError("--serial-at: the " + std::to_string(width) + " bytes at " + *at +
                         " do not lie inside one memory area of " + device.device_name);
    return plan;
}

bool reserveSerialNumbers(SerialPlan &plan, int count, std::uint64_t &first) {
    const std::filesystem::path file = userSettingsPath();
    IniProfile profile(file);
    if (file.empty() || !profile.load()) {
        std::fprintf(stderr, "vantor-cli: cannot read the settings that keep the next serial number%s%s\n",
                     file.empty() ? "" : ": ", file.empty() ? "" : profile.error().c_str());
        return false;
    }
    if (plan.fromSettings) {
        const std::string remembered = profile.readString(kSection, kNextKey, "");
        if (remembered.empty() || remembered.find_first_not_of("0123456789") != std::string::npos) {
            std::fprintf(stderr, "vantor-cli: no serial number to continue from; give --serial-start N\n");
            return false;
        }
        plan.start = std::stoull(remembered);
        plan.fromSettings = false;
    }
    first = plan.start;
    const std::uint64_t next = plan.start + plan.step * std::uint64_t(count);
    std::uint8_t probe[8];
    if (!encodeSerial(next - plan.step, plan.format, probe)) {
        std::fprintf(stderr, "vantor-cli: serial number %llu does not fit the serial format\n",
                     static_cast<unsigned long long>(next - plan.step));
        return false;
    }
    profile.writeString(kSection, kNextKey, std::to_string(next));
    if (!profile.save()) {
        std::fprintf(stderr, "vantor-cli: cannot remember the next serial number: %s\n", profile.error().c_str());
        return false;
    }
    return true;
}

}  // namespace vantor::cli
