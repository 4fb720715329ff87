#include <cstring>

#include "cli/DeviceLookup.h"
#include "cli/Suggest.h"
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

bool CliLibrary::resolve(const std::string &deviceName, DeviceRecord &out) {
    const auto slash = deviceName.find('/');
    if (slash != std::string::npos) {
        const std::string vendor = deviceName.substr(0, slash);
        if (DeviceLibrary::VendorIndexOf(vendor) >= 0) {
            if (library_.FindDeviceByVendorName(vendor, deviceName.substr(slash + 1), out)) return true;
            // FindDevice has reported library damage itself: nothing more to say then.
            if (library_.lastLookupFailed()) return false;
            const auto index = library_.LoadIndex();
            if (index.empty()) return library_.lastLookupFailed() ? false : reportEmpty();
            std::fprintf(stderr, "vantor-cli: no device %s in %s%s\n", deviceName.c_str(),
                         library_.path().filename().string().c_str(),
                         didYouMean(index, deviceName.substr(slash + 1)).c_str());
            return false;
        }
    }
    const auto index = library_.LoadIndex();
    if (library_.lastLookupFailed()) return false;  // reported
    if (index.empty()) return reportEmpty();
    const DeviceIndexEntry *found = nullptr;
    int matches = 0;
    for (const auto &e : index) {
        if (deviceName == e.device_name) {
            if (!found) found = &e;
            ++matches;
        }
    }
    if (matches == 0) {
        std::fprintf(stderr, "vantor-cli: no device %s in %s%s\n", deviceName.c_str(),
                     library_.path().filename().string().c_str(), didYouMean(index, deviceName).c_str());
        return false;
    }
    if (matches > 1) {
        std::fprintf(stderr, "vantor-cli: device name %s is used by several vendors; name it as VENDOR/%s\n",
                     deviceName.c_str(), deviceName.c_str());
        return false;
    }
    if (library_.FindDevice(found->vendor_index, found->device_name, out)) return true;
    if (!library_.lastLookupFailed())
        std::fprintf(stderr, "vantor-cli: the library changed while %s was looked up\n", deviceName.c_str());
    return false;
}

}  // namespace vantor::cli
