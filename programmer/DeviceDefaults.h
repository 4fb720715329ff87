#pragma once
// What a device record needs before its first operation beyond what the library holds.
#include <cstdint>

#include "devices/DeviceRecord.h"

namespace vantor {

// Where the calibration byte is kept when the configuration names no place: the last byte of
// the device's last memory area (the EEPROM of a part that has one), which program images
// rarely reach. Address 0 is the reset vector; a calibration byte there collides with the
// program written just before it in the Auto sequence.
std::uint32_t defaultCalibrationAddress(const DeviceRecord &device);

// Fills the calibration address of a device that offers Write Cal. Byte and whose
// configuration left it at 0. Other bytes are left as they are.
void completeDefaultConfig(DeviceRecord &device);

// The calibration address held in config_data.
std::uint32_t calibrationAddress(const DeviceRecord &device);

}  // namespace vantor
