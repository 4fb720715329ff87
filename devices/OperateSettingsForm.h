#pragma once
// Behaviour of the Operate Settings dialog: what it offers for the current device and what
// OK writes back into the options record and the Auto item list.
#include <cstdint>
#include <string>
#include <vector>

#include "core/Prompt.h"
#include "devices/DeviceRecord.h"
#include "devices/OperationOptions.h"

namespace vantor {

class OperateSettingsForm {
public:
    struct AutoEntry {
        std::uint8_t code;
        std::string name;  // the operation's list name
        bool checked;
    };

    OperateSettingsForm(const DeviceRecord &device, const OptionsRecord &options,
                        const std::uint8_t autoItems[kOperationListSize], bool fileLoaded);

    // Check boxes.
    bool checkIdEnabled() const { return device_.device_id[0] != 0; }
    bool ignoreFFEnabled() const { return (device_.option_flags & kOptionIgnoreFF) != 0; }
    bool checkId = false, autoReload = false, sound = false, ignoreFF = false, pinContact = false;

    std::vector<AutoEntry> autoEntries;

    // Program range: shown only for devices with more than one area.
    bool rangeShown() const { return device_.area_count > 1; }
    std::string rangeCaption(int button) const;  // 0, 1, 2
    int rangeButton = -1;                        // selected radio button, -1 = none

    // "&OK": false (message 30049 shown) when no Auto item is checked; nothing is written then.
    bool accept(Prompt &prompt, OptionsRecord &options, std::uint8_t autoItems[kOperationListSize]) const;

private:
    DeviceRecord device_;
    OptionsRecord edited_;
    bool fileLoaded_;
};

}  // namespace vantor
