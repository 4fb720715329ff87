#include <algorithm>
#include <bitset>
#include <cctype>

#include "core/StringTable.h"
#include "devices/SelectDeviceForm.h"

namespace vantor {
namespace {

constexpr std::string_view kTypeLabels[] = {"All",           "MCU/MPU",      "EEPROM/FLASH/NVRAM", "EPROM/PROM",
                                            "Serial EEPROM", "PLD/GAL/CPLD", "SRAM/DRAM"};
constexpr const char *kSection = "Device";

std::string upper(std::string_view s) {
    std::string r(s);
    for (char &c : r) c = char(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

int positionOf(const std::vector<std::string> &list, const std::string &text) {
    auto it = std::find(list.begin(), list.end(), text);
    return it == list.end() ? -1 : int(it - list.begin());
}

}  // namespace

std::string_view SelectDeviceForm::typeLabel(int button) {
    return button >= 0 && button < kTypeButtons ? kTypeLabels[button] : std::string_view{};
}

bool SelectDeviceForm::passes(const DeviceIndexEntry &e) const {
    if (typeFilter_ != 0 && e.device_type != typeFilter_ - 1) return false;
    if (searchUpper_.empty()) return true;
    return upper(e.device_name).find(searchUpper_) != std::string::npos;
}

void SelectDeviceForm::fillVendors() {
    std::bitset<65536> noted;
    vendors_.clear();
    for (const auto &e : index_) {
        if (noted[e.vendor_index] || !passes(e)) continue;
        noted[e.vendor_index] = true;
        vendors_.push_back(DeviceLibrary::VendorName(e.vendor_index));
    }
    std::sort(vendors_.begin(), vendors_.end());
    vendorPos_ = -1;
}

void SelectDeviceForm::fillDevices(int vendorIndex) {
    devices_.clear();
    for (const auto &e : index_)
        if (e.vendor_index == vendorIndex && passes(e)) devices_.emplace_back(e.device_name);
    std::sort(devices_.begin(), devices_.end());
    devicePos_ = -1;
}

int SelectDeviceForm::selectedVendorIndex() const {
    if (vendorPos_ < 0 || vendorPos_ >= int(vendors_.size())) return -1;
    return DeviceLibrary::VendorIndexOf(vendors_[std::size_t(vendorPos_)]);
}

bool SelectDeviceForm::open(const DeviceRecord *current) {
    const int vendorPos = profile_.readInt(kSection, "Vendor", 0);
    const int devicePos = profile_.readInt(kSection, "Code", 0);
    typeFilter_ = std::clamp(profile_.readInt(kSection, "Type", 0), 0, kTypeButtons - 1);
    search_ = profile_.readString(kSection, "Search", "");
    searchUpper_ = upper(search_);
    index_ = library_.LoadIndex();
    if (library_.lastLookupFailed()) return false;
    fillVendors();
    devices_.clear();
    devicePos_ = -1;
    if (vendors_.empty()) return true;
    if (current && current->valid) {
        const int vendor = positionOf(vendors_, DeviceLibrary::VendorName(current->vendor_index));
        if (vendor >= 0) {
            vendorPos_ = vendor;
            fillDevices(selectedVendorIndex());
            devicePos_ = positionOf(devices_, current->device_name);
            if (devicePos_ >= 0) return true;
        }
    }
    vendorPos_ = vendorPos >= 0 && vendorPos < int(vendors_.size()) ? vendorPos : 0;
    fillDevices(selectedVendorIndex());
    if (!devices_.empty()) devicePos_ = devicePos >= 0 && devicePos < int(devices_.size()) ? devicePos : 0;
    return true;
}

std::string SelectDeviceForm::emptyHint() const {
    if (!vendors_.empty() || index_.empty()) return {};
    std::string hint = "No device";
    if (typeFilter_ != 0) hint += " of the type " + std::string(typeLabel(typeFilter_));
    if (!search_.empty()) hint += " has \"" + search_ + "\" in its name";
    return hint + ". Shorten the search text or choose the type All.";
}

void SelectDeviceForm::setFilter(int typeFilter, std::string_view searchText) {
    typeFilter_ = std::clamp(typeFilter, 0, kTypeButtons - 1);
    search_ = std::string(searchText);
    searchUpper_ = upper(search_);
    const std::string oldVendor = vendorPos_ >= 0 ? vendors_[std::size_t(vendorPos_)] : std::string();
    const std::string oldDevice = devicePos_ >= 0 ? devices_[std::size_t(devicePos_)] : std::string();
    fillVendors();
    if (vendors_.empty()) {
        devices_.clear();
        devicePos_ = -1;
        return;
    }
    vendorPos_ = std::max(0, positionOf(vendors_, oldVendor));
    fillDevices(selectedVendorIndex());
    if (!devices_.empty()) devicePos_ = std::max(0, positionOf(devices_, oldDevice));
}

void SelectDeviceForm::selectVendor(int position) {
    if (position < 0 || position >= int(vendors_.size())) return;
    vendorPos_ = position;
    fillDevices(selectedVendorIndex());
    if (!devices_.empty()) devicePos_ = 0;
}

void SelectDeviceForm::selectDevice(int position) {
    if (position >= 0 && position < int(devices_.size())) devicePos_ = position;
}

bool SelectDeviceForm::accept(DeviceRecord &result) {
    if (vendorPos_ < 0 || devicePos_ < 0) return false;
    if (!library_.FindDeviceByVendorName(vendors_[std::size_t(vendorPos_)], devices_[std::size_t(devicePos_)], result))
        return false;
    profile_.writeInt(kSection, "Vendor", vendorPos_);
    profile_.writeInt(kSection, "Code", devicePos_);
    profile_.writeInt(kSection, "Type", typeFilter_);
    profile_.writeString(kSection, "Search", search_);
    return true;
}

std::vector<HistoryMenuItem> historyMenuItems(const std::vector<DeviceHistoryEntry> &history) {
    std::vector<HistoryMenuItem> items;
    if (history.size() < 2) {
        items.push_back({std::string(loadString(sid::HistoryDevice)), 0});
        return items;
    }
    for (std::size_t n = 1; n < history.size() && n < 5; ++n)
        items.push_back({"&" + std::to_string(n) + " " + DeviceLibrary::VendorName(int(history[n].vendorIndex)) +
                             " - " + history[n].deviceName,
                         int(n)});
    return items;
}

bool SelectFromHistory(DeviceLibrary &library, const std::vector<DeviceHistoryEntry> &history, int n,
                       DeviceRecord &out) {
    if (n < 0 || n >= int(history.size()) || history[std::size_t(n)].vendorIndex > 0xFFFF) return false;
    return library.FindDevice(std::uint16_t(history[std::size_t(n)].vendorIndex), history[std::size_t(n)].deviceName,
                              out);
}

}  // namespace vantor
