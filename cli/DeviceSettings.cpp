#include "cli/DeviceSettings.h"

#include "core/Prompt.h"
#include "devices/ConfigDeviceForm.h"
#include "devices/ConfigFile.h"

namespace vantor::cli {

namespace {

// The texts a check would show in a message box, kept as the reason it refused.
class KeptPrompt : public Prompt {
public:
    Answer ask(std::string_view text, std::string_view, Icon, Buttons) override {
        if (!text.empty()) {
            std::string t(text);
            for (char &c : t)
                if (c == '\n' || c == '\r') c = ' ';
            while (!t.empty() && t.back() == ' ') t.pop_back();
            kept += (kept.empty() ? "" : "; ") + t;
        }
        return Answer::Ok;
    }
    std::string kept;
};

}  // namespace

SettingsMemory settingsMemory(const CliContext &ctx) {
    return SettingsMemory(SettingsMemory::locate(ctx.libDir, SettingsMemory::userDirectory()));
}

bool configAccepted(const CliContext &ctx, const DeviceRecord &device, std::string &why) {
    const auto path = cfg::configFilePath(ctx.libDir, device);
    if (path.empty()) return true;  // nothing to check the bytes against
    KeptPrompt prompt;
    ConfigDeviceForm model(prompt);
    if (!model.open(path, device)) {
        // A configuration file that cannot be read is reported where the defaults are loaded.
        return true;
    }
    if (model.accept()) return true;
    why = prompt.kept.empty() ? "refused by the Config dialog" : prompt.kept;
    return false;
}

bool restoreDeviceSettings(const CliContext &ctx, DeviceRecord &device, std::uint8_t autoItems[16],
                           std::uint32_t &areaMask) {
    StreamPrompt prompt(stderr);
    std::string problem;
    SettingsMemory memory = settingsMemory(ctx);
    const bool remembered = memory.RestoreDeviceSettings(
        ctx.libDir, device, autoItems, areaMask, prompt,
        [&](const DeviceRecord &d, std::string &why) { return configAccepted(ctx, d, why); }, &problem);
    if (!problem.empty())
        std::fprintf(stderr,
                     "vantor-cli: warning: the settings %s remembers for %s %s are not used (%s); the configuration "
                     "file's defaults are\n",
                     memory.file().string().c_str(), device.vendor_name, device.device_name, problem.c_str());
    return remembered;
}

}  // namespace vantor::cli
