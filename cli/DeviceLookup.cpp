#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <vector>

#include "cli/DeviceLookup.h"
#include "cli/Suggest.h"
#include "devices/DeviceTables.h"
#include "programmer/ProgrammerModels.h"

namespace vantor::cli {

CliLibrary::CliLibrary(const CliContext &ctx) {
    std::string name = ctx.model;
    if (!ctx.modelGiven && ctx.simulate && !ctx.simulate->empty()) name = *ctx.simulate;
    const ProgrammerModel *model = findModelByName(name);
    if (!model) throw UsageError("unknown programmer model: " + name + " (TR610, TR620 or EMX31B)");
    modelName_ = std::string(model->libraryFile.substr(0, model->libraryFile.find('.')));
    library_.setLibraryDirectory(ctx.libDir);
    library_.SetLibraryFile(model->libraryFile);
}

bool CliLibrary::reportEmpty() {
    std::fprintf(stderr, "vantor-cli: %s holds no devices\n", library_.path().filename().string().c_str());
    return false;
}

namespace {

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::optional<std::uint16_t> vendorIndexIgnoringCase(std::string_view name) {
    for (int i = 0; i < kVendorCount; ++i)
        if (equalIgnoringCase(DeviceLibrary::VendorName(i), name)) return std::uint16_t(i);
    return std::nullopt;
}

}  // namespace

// Names match whatever their case, as every other programmer tool's device option does; the exact
// spelling wins where two devices differ only in case.
bool CliLibrary::resolve(const std::string &deviceName, DeviceRecord &out) {
    const auto index = library_.LoadIndex();
    if (library_.lastLookupFailed()) return false;  // reported
    if (index.empty()) return reportEmpty();

    std::optional<std::uint16_t> vendor;
    std::string_view name = deviceName;
    if (const auto slash = deviceName.find('/'); slash != std::string::npos) {
        vendor = vendorIndexIgnoringCase(std::string_view(deviceName).substr(0, slash));
        if (vendor) name = std::string_view(deviceName).substr(slash + 1);
    }
    std::vector<const DeviceIndexEntry *> matches, exact;
    for (const auto &e : index) {
        if (vendor && e.vendor_index != *vendor) continue;
        if (!equalIgnoringCase(e.device_name, name)) continue;
        matches.push_back(&e);
        if (name == e.device_name) exact.push_back(&e);
    }
    if (exact.size() == 1) matches = exact;
    if (matches.empty()) {
        std::fprintf(stderr, "vantor-cli: no device %s in %s%s\n", deviceName.c_str(),
                     library_.path().filename().string().c_str(), didYouMean(index, name).c_str());
        return false;
    }
    if (matches.size() > 1) {
        std::string candidates;
        for (const auto *e : matches)
            candidates += "\n  " + DeviceLibrary::VendorName(e->vendor_index) + "/" + e->device_name;
        std::fprintf(stderr, "vantor-cli: device name %s matches several devices; name one of them:%s\n",
                     deviceName.c_str(), candidates.c_str());
        return false;
    }
    if (library_.FindDevice(matches.front()->vendor_index, matches.front()->device_name, out)) return true;
    if (!library_.lastLookupFailed())
        std::fprintf(stderr, "vantor-cli: the library changed while %s was looked up\n", deviceName.c_str());
    return false;
}

}  // namespace vantor::cli
