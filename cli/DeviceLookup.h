#pragma once
#include <memory>
#include <string>

#include "cli/CliContext.h"
#include "core/Prompt.h"
#include "devices/DeviceLibrary.h"

namespace vantor::cli {

// The selected model's library, with library messages printed to stderr.
class CliLibrary {
public:
    explicit CliLibrary(const CliContext &ctx);
    DeviceLibrary &library() { return library_; }
    const std::string &modelName() const { return modelName_; }

    // "VENDOR/DEVICE" or a bare device name that is unique in the library.
    // On failure the reason has been printed and false is returned.
    bool resolve(const std::string &deviceName, DeviceRecord &out);
    // Says that the library holds no records; answers false.
    bool reportEmpty();

private:
    StreamPrompt prompt_{stderr};
    DeviceLibrary library_{prompt_};
    std::string modelName_;
};

}  // namespace vantor::cli
