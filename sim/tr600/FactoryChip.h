#pragma once
#include <cstdint>
#include <memory>

#include "devices/DeviceRecord.h"
#include "sim/tr600/VirtualChip.h"

namespace vantor::sim {

// A chip as it comes from the factory: erased memory, the device's identifier, its default
// configuration bytes (config_data 0..15, when the record has any; otherwise erased ones)
// and an oscillator calibration value that differs from part to part. `unit` tells parts of
// one type apart, so chips of a gang do not all carry the same calibration byte.
std::shared_ptr<VirtualChip> makeFactoryChip(const DeviceRecord &device, std::uint32_t unit = 0);

}  // namespace vantor::sim
