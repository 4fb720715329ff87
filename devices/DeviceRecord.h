#pragma once
#include <array>
#include <cstdint>

namespace vantor {

struct MemoryArea {
    std::uint32_t size_bytes = 0;
    std::uint32_t buffer_start = 0;
};

// Size of the one data buffer every memory area lies in (8 MiB).
inline constexpr std::uint32_t kBufferSize = 0x800000;
inline constexpr int kDeviceNameSize = 32;
inline constexpr int kVendorNameSize = 32;
inline constexpr int kAdapterTextSize = 72;
inline constexpr int kConfigNameSize = 17;
inline constexpr int kConfigDataSize = 48;
inline constexpr int kOperationListSize = 16;
inline constexpr std::uint8_t kEndOfList = 0xFF;
inline constexpr int kMaxAreas = 4;  // memory areas of a device record

// Device classes, in the order of the selection dialog's Type buttons.
enum DeviceType : std::uint8_t {
    kTypeMcu = 0,
    kTypeParallelMemory = 1,  // EEPROM/FLASH/NVRAM
    kTypeEprom = 2,
    kTypeSerialEeprom = 3,
    kTypePld = 4,
    kTypeRam = 5,
};

inline constexpr std::uint32_t kOptionIgnoreFF = 0x2;

// The numbers a device library record gives for a device, kept alike in memory (DeviceRecord)
// and in a library file (devlib::LibraryRecord); only the texts are held differently.
struct DeviceParameters {
    std::uint16_t vendor_index = 0;
    std::uint8_t data_width = 0;
    std::uint8_t device_type = 0;
    std::uint8_t device_id[4] = {};
    MemoryArea memory_areas[kMaxAreas] = {};
    std::uint16_t pin_count = 0;
    std::uint16_t adapter_index = 0;
    std::uint32_t operation_flags = 0;
    std::uint32_t option_flags = 0;
    std::uint8_t algorithm = 0;
    std::uint16_t reserved_word0 = 0;
    std::uint16_t reserved_word1 = 0;
    std::uint16_t read_page_size = 0;
    std::uint16_t program_page_size = 0;
    std::uint8_t program_params[8] = {};
};

// In-memory description of one device, filled from a library record.
struct DeviceRecord : DeviceParameters {
    std::uint32_t valid = 0;
    char device_name[kDeviceNameSize] = {};
    char vendor_name[kVendorNameSize] = {};
    char adapter_text[kAdapterTextSize] = {};
    char config_name[kConfigNameSize] = {};
    std::uint32_t top_address = 0;
    std::uint8_t area_count = 0;
    std::uint8_t config_data[kConfigDataSize] = {};
    std::uint8_t auto_operations[kOperationListSize] = {};
    std::uint8_t menu_operations[kOperationListSize] = {};

    // Not from the library: set when the device is selected. True only when its configuration
    // file passed every check, so config_data holds a configuration someone chose or the
    // file's defaults; the zeros a missing or damaged file leaves must never reach a chip.
    bool configReady = false;
    // Bits of config_data that the file's controls own: what a read-back after a write compares.
    std::uint8_t configOwned[kConfigDataSize] = {};

    // A device that names a configuration file whose bytes cannot be written.
    bool configUnusable() const { return config_name[0] != 0 && !configReady; }
    bool isWordDevice() const { return data_width == 12 || data_width == 14; }
    // Bits of a word's high byte that the chip holds (the byte at the odd address).
    std::uint8_t wordHighMask() const { return data_width == 12 ? 0x0F : 0x3F; }
};

// One row of the device index used by the selection dialog.
struct DeviceIndexEntry {
    std::uint8_t device_type = 0;
    std::uint16_t vendor_index = 0;
    char device_name[kDeviceNameSize] = {};
};

}  // namespace vantor
