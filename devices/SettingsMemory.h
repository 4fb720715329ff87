#pragma once
// "chip.set": per-device configuration bytes, Auto list and program range, kept in a ring of
// 20 slots. Saving never creates the file; `locateOrCreate` does, for the desktop program.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/Prompt.h"
#include "devices/DeviceRecord.h"

namespace vantor {

namespace chipset {
inline constexpr std::size_t kSlotSize = 124;
inline constexpr int kSlotCount = 20;
inline constexpr std::size_t kFullSize = 1 + kSlotSize * kSlotCount;  // 2481

struct Slot {
    char device_name[kDeviceNameSize] = {};
    std::uint16_t vendor_index = 0;
    std::uint8_t config_data[kConfigDataSize] = {};
    std::uint8_t auto_items[kOperationListSize] = {};
    std::uint8_t program_range = 0;

    bool belongsTo(const DeviceRecord &device) const;
};

struct Image {
    int next_slot = 0;        // as stored (may be out of range in a damaged file)
    std::vector<Slot> slots;  // complete slots, at most 20
};

// Reads what a file image holds; never reads past it. Incomplete trailing bytes end the slots.
Image decode(std::span<const std::uint8_t> bytes);
void encodeSlot(const Slot &slot, std::uint8_t out[kSlotSize]);
}  // namespace chipset

class SettingsMemory {
public:
    explicit SettingsMemory(std::filesystem::path file) : file_(std::move(file)) {}
    const std::filesystem::path &file() const { return file_; }

    // Leaving a device: its slot is updated in place, or it takes slot next_slot. Nothing
    // happens without a device or without the file; false when nothing was stored. The file is
    // replaced through a temporary file, so a failed write leaves the old one intact. A
    // configuration that was never loaded is not remembered: the slot keeps its bytes, and
    // such a device gets no new slot.
    bool SaveDeviceSettings(const DeviceRecord &device, const std::uint8_t autoItems[kOperationListSize],
                            std::uint32_t areaMask);

    // Whether remembered configuration bytes (in the record) pass the Config dialog's checks;
    // false with the reason.
    using ConfigCheck = std::function<bool(const DeviceRecord &, std::string &)>;

    // Selecting a device: true when its slot was found and applied. Otherwise `loadDefaults`
    // (the configuration file's defaults) runs and autoItems becomes the device's Auto list.
    // A slot the dialogs would refuse (program range outside 1..3, an empty Auto list,
    // configuration bytes `acceptConfig` refuses) is not applied: the defaults are, and
    // `problem` says what was wrong with it.
    bool RestoreDeviceSettings(DeviceRecord &device, std::uint8_t autoItems[kOperationListSize],
                               std::uint32_t &areaMask, const std::function<void(DeviceRecord &)> &loadDefaults,
                               const ConfigCheck &acceptConfig = nullptr, std::string *problem = nullptr);
    // Selecting a device as the programs do: the above, with the defaults of its configuration
    // file in `libraryDirectory` (messages 30043/30044 through `prompt`). The configuration is
    // marked ready to write only when that file passes every check, remembered or not, since
    // only the file says what the bytes do. A remembered configuration of all zero bytes where
    // the file's defaults are not is what a failed load once left: the defaults replace it.
    bool RestoreDeviceSettings(const std::filesystem::path &libraryDirectory, DeviceRecord &device,
                               std::uint8_t autoItems[kOperationListSize], std::uint32_t &areaMask, Prompt &prompt,
                               const ConfigCheck &acceptConfig = nullptr, std::string *problem = nullptr);

    // The file to use: the shipped one beside the program when it can be rewritten there;
    // otherwise a per-user copy in `userDir`, made from the shipped one on first use. Empty
    // without the shipped file (nothing is then remembered).
    static std::filesystem::path locate(const std::filesystem::path &programDir, const std::filesystem::path &userDir);
    // As locate, but a missing file is created (an empty ring) beside the program, or in
    // `userDir` when the program's folder cannot be written: without it every device change
    // would throw the user's settings away. `created` tells the caller to say so.
    struct Located {
        std::filesystem::path file;
        bool created = false;
    };
    static Located locateOrCreate(const std::filesystem::path &programDir, const std::filesystem::path &userDir);
    // The per-user settings directory (the one the settings file lives in).
    static std::filesystem::path userDirectory();

private:
    std::filesystem::path file_;
};

}  // namespace vantor
