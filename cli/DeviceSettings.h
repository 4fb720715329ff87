#pragma once
// The per-device settings memory as the command line uses it: the same "chip.set" as the
// desktop program (beside the program, or the per-user copy of a read-only install).
#include <cstdint>

#include "cli/CliContext.h"
#include "devices/DeviceRecord.h"
#include "devices/SettingsMemory.h"

namespace vantor::cli {

SettingsMemory settingsMemory(const CliContext &ctx);

// Whether configuration bytes (in the record) pass the Config dialog's checks, the ones
// `config --show` applies; false with the reason.
bool configAccepted(const CliContext &ctx, const DeviceRecord &device, std::string &why);

// What selecting the device in the desktop program gives: its remembered configuration bytes,
// Auto list and program range, or its configuration file's defaults and full Auto list.
// Messages of a faulty configuration file go to stderr; so does a warning when the remembered
// slot fails the dialogs' checks and the defaults are used instead. True when the device was
// remembered (and its slot used).
bool restoreDeviceSettings(const CliContext &ctx, DeviceRecord &device, std::uint8_t autoItems[16],
                           std::uint32_t &areaMask);

}  // namespace vantor::cli
