#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devices/DeviceRecord.h"

namespace vantor {

class DeviceLibrary;

// What the device selection and the command line filter a listing by.
struct DeviceFilter {
    std::optional<int> deviceType;  // 0 … 5; none: every type
    std::optional<std::uint16_t> vendorIndex;
    std::string nameContains;  // case-insensitive; empty: every name

    bool matches(const DeviceRecord &record) const;
};

// The library's devices that pass `filter`, in library order, from one verified read.
// Empty when the library cannot be read (the library has reported why).
std::vector<DeviceRecord> listDevices(DeviceLibrary &library, const DeviceFilter &filter = {});

// Case-insensitive search for a text in a device name.
bool deviceNameContains(std::string_view deviceName, std::string_view text);

}  // namespace vantor
