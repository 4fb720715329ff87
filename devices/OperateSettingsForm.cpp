#include <algorithm>

#include "core/StringTable.h"
#include "devices/DeviceLibrary.h"
#include "devices/MemoryLayout.h"
#include "devices/OperateSettingsForm.h"

namespace vantor {

OperateSettingsForm::OperateSettingsForm(const DeviceRecord &device, const OptionsRecord &options,
                                         const std::uint8_t autoItems[kOperationListSize], bool fileLoaded)
    : device_(device), edited_(options), fileLoaded_(fileLoaded) {
    checkId = checkIdEnabled() && options.ChkDevID;
    autoReload = options.AutoReload;
    sound = options.Sound;
    pinContact = options.pinContact;
    ignoreFF = ignoreFFEnabled() && options.IngoreFFH;
    for (int i = 0; i < kOperationListSize && device.auto_operations[i] != kEndOfList; ++i) {
        const std::uint8_t code = device.auto_operations[i];
        const bool inList =
            std::find(autoItems, autoItems + kOperationListSize, code) != autoItems + kOperationListSize;
        autoEntries.push_back({code, std::string(DeviceLibrary::OperationListName(code)), inList});
    }
    const unsigned low = options.areaMask & 0x0F;
    if (rangeShown()) rangeButton = low == 3 ? 2 : low == 2 ? 1 : 0;
    else if (options.areaMask & 1) rangeButton = 0;  // the hidden first button
}

std::string OperateSettingsForm::rangeCaption(int button) const {
    // One text serves both names, so an area without a name of its own repeats area 0's.
    std::string first, second;
    AreaName(device_, 0, first);
    second = first;
    AreaName(device_, 1, second);
    if (button == 0) return first;
    if (button == 1) return second;
    return first + " + " + second;
}

bool OperateSettingsForm::accept(Prompt &prompt, OptionsRecord &options,
                                 std::uint8_t autoItems[kOperationListSize]) const {
    std::uint8_t items[kOperationListSize];
    std::fill(items, items + kOperationListSize, kEndOfList);
    int n = 0;
    for (const auto &e : autoEntries)
        if (e.checked && n < kOperationListSize) items[n++] = e.code;
    if (n == 0) {
        prompt.ask(loadString(sid::AutoProgramItemEmpty), "", Prompt::Icon::None);
        return false;
    }
    std::copy(items, items + kOperationListSize, autoItems);
    OptionsRecord r = edited_;
    if (checkIdEnabled()) r.ChkDevID = checkId;
    r.pinContact = pinContact;
    r.IngoreFFH = ignoreFFEnabled() && ignoreFF;
    if (fileLoaded_) r.AutoReload = autoReload;
    r.Sound = sound;
    if (rangeButton >= 0 && rangeButton <= 2) r.areaMask = std::uint32_t(rangeButton + 1);
    options = r;
    return true;
}

}  // namespace vantor
