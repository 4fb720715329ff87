#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/Paths.h"
#include "core/Prompt.h"
#include "devices/DeviceRecord.h"

namespace vantor {

// The device library of one programmer model. Every lookup re-opens and re-verifies
// the file: the library is never cached, so a replaced file is seen at once.
class DeviceLibrary {
public:
    explicit DeviceLibrary(Prompt &prompt);

    // Directory holding the libraries (the executable's directory by default).
    void setLibraryDirectory(std::filesystem::path dir) { directory_ = std::move(dir); }
    const std::filesystem::path &libraryDirectory() const { return directory_; }
    void SetLibraryFile(std::string_view fileName);
    const std::filesystem::path &path() const { return path_; }

    void SetCurrentDevice(const DeviceRecord *record) { current_ = record; }
    const DeviceRecord *currentDevice() const { return current_; }

    // Libraries are small; anything beyond this is not read (the CRC then fails).
    static constexpr std::size_t kMaxLibrarySize = 64u << 20;

    // Empty on any verification failure (the failure has been reported).
    std::vector<DeviceIndexEntry> LoadIndex();
    // Every record of one verified read, in library order: what a listing needs, without a
    // verified read per device.
    std::vector<DeviceRecord> LoadAllDevices();
    bool FindDevice(std::uint16_t vendorIndex, std::string_view deviceName, DeviceRecord &out);
    bool FindDeviceByVendorName(std::string_view vendorName, std::string_view deviceName, DeviceRecord &out);

    // True when the last lookup failed to open or verify the file (and said so).
    bool lastLookupFailed() const { return lastFailed_; }

    static std::int16_t VendorIndexOf(std::string_view name);
    static std::string VendorName(int index);
    static std::string AdapterText(int index);
    static std::string_view adapterTextView(int index);
    static std::string_view OperationListName(int code);
    static std::string_view OperationMenuName(int code);

    // Fills a device record from a stored record, as a lookup does.
    static void fillRecord(const std::uint8_t *libraryRecord, DeviceRecord &out);

private:
    // Opens, checks the CRC, header size and library name; reports failures itself.
    bool openVerified(std::vector<std::uint8_t> &image, std::size_t &recordCount);

    Prompt &prompt_;
    std::filesystem::path directory_;
    std::filesystem::path path_;
    const DeviceRecord *current_ = nullptr;
    bool lastFailed_ = false;
};

}  // namespace vantor
