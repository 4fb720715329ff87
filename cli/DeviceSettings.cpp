#include "cli/DeviceSettings.h"
#include "core/Prompt.h"
#include "devices/ConfigFile.h"

namespace vantor::cli {

SettingsMemory settingsMemory(const CliContext &ctx) {
    return SettingsMemory(SettingsMemory::locate(ctx.libDir, SettingsMemory::userDirectory()));
}

bool restoreDeviceSettings(const CliContext &ctx, DeviceRecord &device, std::uint8_t autoItems[16],
                           std::uint32_t &areaMask) {
    StreamPrompt prompt(stderr);
    return settingsMemory(ctx).RestoreDeviceSettings(device, autoItems, areaMask, [&](DeviceRecord &d) {
        cfg::LoadConfigDefaults(ctx.libDir, d, prompt);
    });
}

}  // namespace vantor::cli
