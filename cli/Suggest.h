#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "devices/DeviceRecord.h"

namespace vantor::cli {

// The library's device names closest to a name that is not there (letter case ignored),
// best first, at most `count`; ISP rows only when the name asks for one.
std::vector<std::string> closestDeviceNames(const std::vector<DeviceIndexEntry> &index, std::string_view name,
                                            std::size_t count = 3);

// " (did you mean A, B, C?)" or "" when nothing is close.
std::string didYouMean(const std::vector<DeviceIndexEntry> &index, std::string_view name);

}  // namespace vantor::cli
