#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

#if defined(_WIN32)
#include <windows.h>
#elif defined(__APPLE__)
#include <mach-o/dyld.h>
#else
#include <unistd.h>
#endif

#include "core/LittleEndian.h"
#include "core/StringTable.h"
#include "devices/Crc16.h"
#include "devices/DeviceLibrary.h"
#include "devices/DeviceTables.h"
#include "devices/LibraryFormat.h"

namespace vantor {
namespace {

// String-table ids of the operation names, in operation-number order.
constexpr int kListNameIds[kOperationCount] = {
    sid::OpNameProgram,     sid::OpNameRead,         sid::OpNameVerify,      sid::OpNameBlank,
    sid::OpNameWriteCalByte, sid::OpNameReadCalByte, sid::OpNameWriteFuse,   sid::OpNameReadFuse,
    sid::OpNameProtect,     sid::OpNameReadLockBits, sid::OpNameWriteConfig, sid::OpNameReadConfig,
    sid::OpNameErase,       sid::OpNameBootLock,     sid::OpNameProtectSecond, sid::OpNameTest};
constexpr int kMenuNameIds[kOperationCount] = {
    sid::MenuProgram,      sid::MenuRead,          sid::MenuVerify,      sid::MenuBlankCheck,
    sid::MenuWriteCalByte, sid::MenuReadCalByte,   sid::MenuWriteFuse,   sid::MenuReadFuse,
    sid::MenuProtect,      sid::MenuReadLockBits,  sid::MenuWriteConfig, sid::MenuReadConfig,
    sid::MenuErase,        sid::MenuWriteBootLock, sid::MenuProtectSecond, sid::MenuTest};

constexpr std::uint8_t kAutoOrder[] = {12, 3, 0, 2, 10, 4, 6, 8, 14, 13, 15};
constexpr std::uint8_t kMenuOrder[] = {3, 1, 0, 2, 10, 11, 6, 7, 4, 8, 14, 13, 15, 12};

template <std::size_t N>
void copyText(char (&dst)[N], std::string_view src) {
    std::memset(dst, 0, N);
    std::memcpy(dst, src.data(), std::min(src.size(), N - 1));
}

template <std::size_t N>
void fillOperationList(std::uint8_t (&list)[kOperationListSize], const std::uint8_t (&order)[N],
                       std::uint32_t flags) {
    std::memset(list, kEndOfList, kOperationListSize);
    int n = 0;
    for (std::uint8_t op : order)
        if (flags & operationFlagBit(op)) list[n++] = op;
}

}  // namespace

std::filesystem::path executableDirectory() {
#if defined(_WIN32)
    char buf[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    return std::filesystem::path(std::string(buf, n)).parent_path();
#elif defined(__APPLE__)
    char buf[4096];
    uint32_t size = sizeof buf;
    if (_NSGetExecutablePath(buf, &size) != 0) return {};
    return std::filesystem::weakly_canonical(buf).parent_path();
#else
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path{} : p.parent_path();
#endif
}

DeviceLibrary::DeviceLibrary(Prompt &prompt) : prompt_(prompt), directory_(executableDirectory()) {}

void DeviceLibrary::SetLibraryFile(std::string_view fileName) { path_ = directory_ / std::string(fileName); }

bool DeviceLibrary::openVerified(std::vector<std::uint8_t> &image, std::size_t &recordCount) {
    lastFailed_ = true;
    std::ifstream in(path_, std::ios::binary);
    if (path_.empty() || !in) {
        prompt_.ask(loadString(sid::LibraryOpenFailed), "", Prompt::Icon::Error);
        return false;
    }
    // Read in large blocks and run the CRC over each; the file is small, so keep it.
    image.clear();
    Crc16 crc;
    std::uint8_t block[64 * 1024];
    while (in) {
        in.read(reinterpret_cast<char *>(block), sizeof block);
        const auto got = std::size_t(in.gcount());
        if (got == 0) break;
        crc.update(block, got);
        image.insert(image.end(), block, block + got);
    }
    if (crc.value() != 0) {
        prompt_.ask(loadString(sid::LibraryFormatError), "", Prompt::Icon::None);
        return false;
    }
    if (image.size() < devlib::kHeaderSize) {
        prompt_.ask(loadString(sid::LibraryFormatError), "", Prompt::Icon::Error);
        return false;
    }
    const auto header = devlib::decodeHeader(image.data());
    if (header.record_size != devlib::kRecordSize ||
        header.library_name != path_.filename().string()) {
        prompt_.ask(loadString(sid::LibraryFormatError), "", Prompt::Icon::Error);
        return false;
    }
    // A short last record (or a count larger than the file) ends the library.
    const std::size_t body = image.size() >= devlib::kHeaderSize + devlib::kCheckWordSize
                                 ? image.size() - devlib::kHeaderSize - devlib::kCheckWordSize
                                 : 0;
    recordCount = std::min<std::size_t>(header.record_count, body / devlib::kRecordSize);
    lastFailed_ = false;
    return true;
}

std::vector<DeviceIndexEntry> DeviceLibrary::LoadIndex() {
    std::vector<std::uint8_t> image;
    std::size_t count = 0;
    std::vector<DeviceIndexEntry> index;
    if (!openVerified(image, count)) return index;
    index.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t *rec = image.data() + devlib::kHeaderSize + i * devlib::kRecordSize;
        auto &e = index[i];
        e.device_type = rec[0x23];
        e.vendor_index = le::load16(rec + 0x20);
        std::memcpy(e.device_name, rec, kDeviceNameSize);
        e.device_name[kDeviceNameSize - 1] = '\0';
    }
    return index;
}

bool DeviceLibrary::FindDevice(std::uint16_t vendorIndex, std::string_view deviceName, DeviceRecord &out) {
    out = DeviceRecord{};
    std::vector<std::uint8_t> image;
    std::size_t count = 0;
    if (!openVerified(image, count)) return false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t *rec = image.data() + devlib::kHeaderSize + i * devlib::kRecordSize;
        // A name that fills all its bytes is cut where the index and the record cut it.
        const std::string_view name(reinterpret_cast<const char *>(rec), strnlen(reinterpret_cast<const char *>(rec),
                                                                                 kDeviceNameSize - 1));
        const std::uint16_t vendor = le::load16(rec + 0x20);
        if (name == deviceName && vendor == vendorIndex) {
            fillRecord(rec, out);
            return true;
        }
    }
    out.valid = 0;
    return false;
}

bool DeviceLibrary::FindDeviceByVendorName(std::string_view vendorName, std::string_view deviceName,
                                           DeviceRecord &out) {
    const int vendor = VendorIndexOf(vendorName);
    if (vendor < 0) {
        out = DeviceRecord{};
        return false;
    }
    return FindDevice(std::uint16_t(vendor), deviceName, out);
}

std::int16_t DeviceLibrary::VendorIndexOf(std::string_view name) {
    for (int i = 0; i < kVendorCount; ++i)
        if (vendorTableText(i) == name) return std::int16_t(i);
    return -1;
}

std::string DeviceLibrary::VendorName(int index) { return std::string(vendorTableText(index)); }

std::string DeviceLibrary::AdapterText(int index) {
    if (index < 0 || index >= kAdapterCount) return {};
    if (index < 19) return std::string(loadString(sid::IspPort));
    switch (index) {
    case 22: case 32: case 34: case 36: case 40: case 42: case 45: case 51:
        return std::string(loadString(sid::AdapterNone));
    default:
        return std::string(adapterTableText(index));
    }
}

std::string_view DeviceLibrary::OperationListName(int code) {
    return code >= 0 && code < kOperationCount ? loadString(kListNameIds[code]) : std::string_view{};
}

std::string_view DeviceLibrary::OperationMenuName(int code) {
    return code >= 0 && code < kOperationCount ? loadString(kMenuNameIds[code]) : std::string_view{};
}

void DeviceLibrary::fillRecord(const std::uint8_t *libraryRecord, DeviceRecord &out) {
    const auto r = devlib::decodeRecord(libraryRecord);
    out = DeviceRecord{};
    copyText(out.device_name, r.device_name);
    out.vendor_index = r.vendor_index;
    out.data_width = r.data_width;
    out.device_type = r.device_type;
    std::memcpy(out.device_id, r.device_id, 4);
    std::copy(std::begin(r.memory_areas), std::end(r.memory_areas), out.memory_areas);
    out.pin_count = r.pin_count;
    out.adapter_index = r.adapter_index;
    out.option_flags = r.option_flags;
    out.operation_flags = r.operation_flags;
    out.algorithm = r.algorithm;
    copyText(out.config_name, r.config_name);
    out.reserved_word0 = r.reserved_word0;
    out.reserved_word1 = r.reserved_word1;
    out.read_page_size = r.read_page_size;
    out.program_page_size = r.program_page_size;
    std::memcpy(out.program_params, r.program_params, 8);
    copyText(out.vendor_name, VendorName(r.vendor_index));
    copyText(out.adapter_text, AdapterText(r.adapter_index));
    out.valid = 1;
    fillOperationList(out.auto_operations, kAutoOrder, out.operation_flags);
    fillOperationList(out.menu_operations, kMenuOrder, out.operation_flags);
    for (const auto &area : out.memory_areas) {
        if (area.size_bytes == 0) continue;
        ++out.area_count;
        out.top_address = std::max(out.top_address, area.buffer_start + area.size_bytes);
    }
}

}  // namespace vantor
