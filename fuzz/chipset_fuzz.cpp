// The "chip.set" reader, and a save and restore through a real file holding the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "devices/SettingsMemory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const auto image = vantor::chipset::decode({data, size});
    if (image.slots.size() > std::size_t(vantor::chipset::kSlotCount)) __builtin_trap();

    // A folder of its own, emptied after every input: the fuzzer leaves no files behind.
    static const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("vantor-fuzz-chipset-" + std::to_string(::getpid()));
    static const std::filesystem::path file = folder / "chip.set";
    std::filesystem::create_directories(folder);
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char *>(data), std::streamsize(size));
    vantor::SettingsMemory memory(file);
    vantor::DeviceRecord device;
    device.valid = 1;
    if (size > 1) std::memcpy(device.device_name, data + 1, std::min<std::size_t>(size - 1, 31));
    device.vendor_index = size > 34 ? std::uint16_t(data[33] | data[34] << 8) : 0;
    std::uint8_t items[16];
    std::memset(items, 0xFF, sizeof items);
    std::uint32_t mask = 3;
    memory.RestoreDeviceSettings(device, items, mask, nullptr);
    for (std::uint8_t op : items)
        if (op != 0xFF && op >= 16) __builtin_trap();  // no remembered item names a missing operation
    memory.SaveDeviceSettings(device, items, mask);
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    const auto written = std::size_t(in.tellg());
    if (written > std::max(size, vantor::chipset::kFullSize)) __builtin_trap();  // the ring never grows past 20 slots
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
