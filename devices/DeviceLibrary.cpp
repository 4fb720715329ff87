#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

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
    sid::OpNameProgram,      sid::OpNameRead,         sid::OpNameVerify,        sid::OpNameBlank,
    sid::OpNameWriteCalByte, sid::OpNameReadCalByte,  sid::OpNameWriteFuse,     sid::OpNameReadFuse,
    sid::OpNameProtect,      sid::OpNameReadLockBits, sid::OpNameWriteConfig,   sid::OpNameReadConfig,
    sid::OpNameErase,        sid::OpNameBootLock,     sid::OpNameProtectSecond, sid::OpNameTest};
constexpr int kMenuNameIds[kOperationCount] = {
    sid::MenuProgram,      sid::MenuRead,          sid::MenuVerify,        sid::MenuBlankCheck,
    sid::MenuWriteCalByte, sid::MenuReadCalByte,   sid::MenuWriteFuse,     sid::MenuReadFuse,
    sid::MenuProtect,      sid::MenuReadLockBits,  sid::MenuWriteConfig,   sid::MenuReadConfig,
    sid::MenuErase,        sid::MenuWriteBootLock, sid::MenuProtectSecond, sid::MenuTest};

constexpr std::uint8_t kAutoOrder[] = {12, 3, 0, 2, 10, 4, 6, 8, 14, 13, 15};
constexpr std::uint8_t kMenuOrder[] = {3, 1, 0, 2, 10, 11, 6, 7, 4, 8, 14, 13, 15, 12};

template <std::size_t N>
void copyText(char (&dst)[N], std::string_view src) {
    std::memset(dst, 0, N);
    std::memcpy(dst, src.data(), std::min(src.size(), N - 1));
}

template <std::size_t N>
void fillOperationList(std::uint8_t (&list)[kOperationListSize], const std::uint8_t (&order)[N], std::uint32_t flags) {
    std::memset(list, kEndOfList, kOperationListSize);
    int n = 0;
    for (std::uint8_t op : order)
        if (flags & operationFlagBit(op)) list[n++] = op;
}

}  // namespace

DeviceLibrary::DeviceLibrary(Prompt &prompt) : prompt_(prompt), directory_(executableDirectory()) {}

void DeviceLibrary::SetLibraryFile(std::string_view fileName) { path_ = directory_ / std::string(fileName); }

bool DeviceLibrary::openVerified(std::vector<std::uint8_t> &image, std::size_t &recordCount) {
    lastFailed_ = true;
    std::FILE *in = path_.empty() ? nullptr : std::fopen(path_.string().c_str(), "rb");
    if (!in) {
        prompt_.ask(loadString(sid::LibraryOpenFailed), "", Prompt::Icon::Error);
        return false;
    }
    // One read of the whole file into a buffer sized from it (a file that grows meanwhile is
    // read on in 64 KiB steps), then one CRC pass over it.
    std::error_code ec;
    const auto expected = std::filesystem::file_size(path_, ec);
    image.resize(ec ? 0 : std::size_t(std::min<std::uintmax_t>(expected, kMaxLibrarySize)));
    std::size_t got = image.empty() ? 0 : std::fread(image.data(), 1, image.size(), in);
    for (;;) {
        if (got < image.size()) break;
        if (image.size() >= kMaxLibrarySize) break;
        image.resize(image.size() + 64 * 1024);
        got += std::fread(image.data() + got, 1, image.size() - got, in);
    }
    const bool readError = std::ferror(in) != 0;
    std::fclose(in);
    image.resize(got);
    if (readError) {
        prompt_.ask(loadString(sid::LibraryOpenFailed), "", Prompt::Icon::Error);
        return false;
    }
    if (Crc16::of(image.data(), image.size()) != 0) {
        prompt_.ask(loadString(sid::LibraryFormatError), "", Prompt::Icon::None);
        return false;
    }
    if (image.size() < devlib::kHeaderSize) {
        prompt_.ask(loadString(sid::LibraryFormatError), "", Prompt::Icon::Error);
        return false;
    }
    const auto header = devlib::decodeHeader(image.data());
    if (header.record_size != devlib::kRecordSize || header.library_name != path_.filename().string()) {
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

std::vector<DeviceRecord> DeviceLibrary::LoadAllDevices() {
    std::vector<std::uint8_t> image;
    std::size_t count = 0;
    std::vector<DeviceRecord> records;
    if (!openVerified(image, count)) return records;
    records.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        fillRecord(image.data() + devlib::kHeaderSize + i * devlib::kRecordSize, records[i]);
    return records;
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
        const std::string_view name(reinterpret_cast<const char *>(rec),
                                    strnlen(reinterpret_cast<const char *>(rec), kDeviceNameSize - 1));
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

std::string DeviceLibrary::AdapterText(int index) { return std::string(adapterTextView(index)); }

std::string_view DeviceLibrary::OperationListName(int code) {
    return code >= 0 && code < kOperationCount ? loadString(kListNameIds[code]) : std::string_view{};
}

std::string_view DeviceLibrary::OperationMenuName(int code) {
    return code >= 0 && code < kOperationCount ? loadString(kMenuNameIds[code]) : std::string_view{};
}

std::string_view DeviceLibrary::adapterTextView(int index) {
    if (index < 0 || index >= kAdapterCount) return {};
    if (index < 19) return loadString(sid::IspPort);
    switch (index) {
    case 22:
    case 32:
    case 34:
    case 36:
    case 40:
    case 42:
    case 45:
    case 51: return loadString(sid::AdapterNone);
    default: return adapterTableText(index);
    }
}

// Straight from the stored bytes into the record: a listing fills thousands of them, and
// nothing here allocates.
void DeviceLibrary::fillRecord(const std::uint8_t *in, DeviceRecord &out) {
    namespace f = devlib::field;
    auto text = [in](std::size_t offset, std::size_t size) {
        const char *p = reinterpret_cast<const char *>(in + offset);
        return std::string_view(p, strnlen(p, size));
    };
    out = DeviceRecord{};
    devlib::decodeParameters(in, out);
    copyText(out.device_name, text(f::DeviceName, kDeviceNameSize));
    copyText(out.config_name, text(f::ConfigName, kConfigNameSize));
    copyText(out.vendor_name, vendorTableText(out.vendor_index));
    copyText(out.adapter_text, adapterTextView(out.adapter_index));
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
