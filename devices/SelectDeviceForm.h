#pragma once
// Behaviour of the Select Device dialog and of the device history menus.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Profile.h"
#include "devices/DeviceLibrary.h"

namespace vantor {

class SelectDeviceForm {
public:
    static constexpr int kTypeButtons = 7;
    // Labels of the Type radio buttons; buttons 2..6 are shown disabled.
    static std::string_view typeLabel(int button);
    static bool typeEnabled(int button) { return button <= 1; }

    SelectDeviceForm(DeviceLibrary &library, Profile &profile) : library_(library), profile_(profile) {}

    // Reads the profile and loads the device index once. False when the library failed (it
    // has said why): the dialog then closes as if cancelled. With a current device that the
    // stored filter shows, the lists open at it rather than at the stored positions.
    bool open(const DeviceRecord *current = nullptr);

    int typeFilter() const { return typeFilter_; }
    const std::string &searchText() const { return search_; }
    // Type button clicked or search text changed.
    void setFilter(int typeFilter, std::string_view searchText);
    // Vendor selection changed (by position in the sorted vendor list).
    void selectVendor(int position);
    void selectDevice(int position);

    const std::vector<std::string> &vendors() const { return vendors_; }  // alphabetical
    const std::vector<std::string> &devices() const { return devices_; }  // alphabetical
    int vendorPosition() const { return vendorPos_; }
    int devicePosition() const { return devicePos_; }
    // Vendor table row of the selected vendor, -1 without one (its logo is shown).
    int selectedVendorIndex() const;

    // "&OK" or a double click: true with `result` filled; the positions, type and search
    // text are stored. False leaves the dialog open (empty lists, device not found).
    bool accept(DeviceRecord &result);

    std::size_t indexSize() const { return index_.size(); }
    // What to tell the user when the filter leaves no device; empty otherwise.
    std::string emptyHint() const;

private:
    bool passes(const DeviceIndexEntry &e) const;
    void fillVendors();
    void fillDevices(int vendorIndex);

    DeviceLibrary &library_;
    Profile &profile_;
    std::vector<DeviceIndexEntry> index_;
    std::string searchUpper_;
    int typeFilter_ = 0;
    std::string search_;
    std::vector<std::string> vendors_, devices_;
    int vendorPos_ = -1, devicePos_ = -1;
};

// Entries of both history menus: history entry n (1..4) as "&n VENDOR - NAME", or the single
// inert "History Device" item (entry 0) when the history holds fewer than two.
struct HistoryMenuItem {
    std::string text;
    int entry = 0;
    int command = 0;  // the window's command id for the entry
};

struct DeviceHistoryEntry {
    std::uint32_t vendorIndex;
    std::string deviceName;
};
std::vector<HistoryMenuItem> historyMenuItems(const std::vector<DeviceHistoryEntry> &history);

// History entry n as a device record; false when it is no longer in the library.
bool SelectFromHistory(DeviceLibrary &library, const std::vector<DeviceHistoryEntry> &history, int n,
                       DeviceRecord &out);

}  // namespace vantor
