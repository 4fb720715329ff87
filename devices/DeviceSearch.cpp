#include "devices/DeviceSearch.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "devices/DeviceLibrary.h"

namespace vantor {

bool deviceNameContains(std::string_view name, std::string_view text) {
    if (text.empty()) return true;
    const auto it = std::search(name.begin(), name.end(), text.begin(), text.end(), [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
    });
    return it != name.end();
}

bool DeviceFilter::matches(const DeviceRecord &r) const {
    if (deviceType && r.device_type != *deviceType) return false;
    if (vendorIndex && r.vendor_index != *vendorIndex) return false;
    return deviceNameContains(std::string_view(r.device_name, strnlen(r.device_name, sizeof r.device_name)),
                              nameContains);
}

std::vector<DeviceRecord> listDevices(DeviceLibrary &library, const DeviceFilter &filter) {
    std::vector<DeviceRecord> all = library.LoadAllDevices();
    std::erase_if(all, [&](const DeviceRecord &r) { return !filter.matches(r); });
    return all;
}

}  // namespace vantor
