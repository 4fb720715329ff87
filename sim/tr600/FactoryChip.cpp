#include "sim/tr600/FactoryChip.h"

#include <algorithm>

namespace vantor::sim {

std::shared_ptr<VirtualChip> makeFactoryChip(const DeviceRecord &device, std::uint32_t unit) {
    auto chip = std::make_shared<VirtualChip>(ChipSpec::fromDevice(device));
    const std::uint8_t *config = device.config_data;
    if (std::any_of(config, config + 16, [](std::uint8_t b) { return b != 0; })) {
        std::copy(config, config + 16, chip->fuses.begin());
        std::copy(config, config + 16, chip->config.begin());
    }
    // Internal RC oscillators are trimmed to somewhere in the upper middle of their range.
    std::uint32_t h = 2166136261u;
    auto mix = [&h](std::uint8_t b) { h = (h ^ b) * 16777619u; };
    for (char c : chip->chipSpec().name) mix(std::uint8_t(c));
    for (int i = 0; i < 4; ++i) mix(std::uint8_t(unit >> (8 * i)));
    chip->calibration = std::uint8_t(0x90 + h % 0x20);
    return chip;
}

}  // namespace vantor::sim
