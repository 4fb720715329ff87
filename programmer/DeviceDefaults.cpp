#include "programmer/DeviceDefaults.h"

#include "core/LittleEndian.h"
#include "devices/DeviceTables.h"

namespace vantor {

namespace {
constexpr int kCalAddressByte = 32;
}

std::uint32_t calibrationAddress(const DeviceRecord &device) {
    return le::load32(device.config_data + kCalAddressByte);
}

std::uint32_t defaultCalibrationAddress(const DeviceRecord &device) {
    // The write command can only reach areas 0 and 1.
    const MemoryArea &area0 = device.memory_areas[0];
    const MemoryArea &area1 = device.memory_areas[1];
    if (area1.size_bytes) return area0.size_bytes + area1.size_bytes - 1;
    return area0.size_bytes ? area0.size_bytes - 1 : 0;
}

void completeDefaultConfig(DeviceRecord &device) {
    if (!(device.operation_flags & operationFlagBit(kOpWriteCal))) return;
    if (calibrationAddress(device) != 0) return;
    le::store32(device.config_data + kCalAddressByte, defaultCalibrationAddress(device));
}

}  // namespace vantor
