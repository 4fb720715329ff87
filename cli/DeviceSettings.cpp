#include "cli/DeviceSettings.h"
#include "core/Prompt.h"

namespace vantor::cli {

SettingsMemory settingsMemory(const CliContext &ctx) {
    return SettingsMemory(SettingsMemory::locate(ctx.libDir, SettingsMemory::userDirectory()));
}

bool restoreDeviceSettings(const CliContext &ctx, DeviceRecord &device, std::uint8_t autoItems[16],
                           std::uint32_t &areaMask) {
    StreamPrompt prompt(stderr);
    return settingsMemory(ctx).RestoreDeviceSettings(ctx.libDir, device, autoItems, areaMask, prompt);
}

}  // namespace vantor::cli
