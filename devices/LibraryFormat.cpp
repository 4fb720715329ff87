#include <algorithm>
#include <cstring>

#include "core/LittleEndian.h"
#include "devices/Crc16.h"
#include "devices/LibraryFormat.h"

namespace vantor::devlib {
namespace {

// Copies at most size-1 characters so the field always stays NUL-terminated.
void putText(std::uint8_t *p, std::size_t size, const std::string &text) {
    std::memset(p, 0, size);
    std::memcpy(p, text.data(), std::min(text.size(), size - 1));
}
std::string getText(const std::uint8_t *p, std::size_t size) {
    const auto *end = static_cast<const std::uint8_t *>(std::memchr(p, 0, size));
    return std::string(reinterpret_cast<const char *>(p), end ? std::size_t(end - p) : size);
}

}  // namespace

void encodeHeader(const LibraryHeader &h, std::uint8_t out[kHeaderSize]) {
    std::memset(out, 0, kHeaderSize);
    le::store32(out + 0, h.record_size);
    putText(out + 4, kLibraryNameSize, h.library_name);
    le::store32(out + 48, h.reserved0);
    le::store32(out + 52, h.record_count);
}

LibraryHeader decodeHeader(const std::uint8_t in[kHeaderSize]) {
    LibraryHeader h;
    h.record_size = le::load32(in + 0);
    h.library_name = getText(in + 4, kLibraryNameSize);
    h.reserved0 = le::load32(in + 48);
    h.record_count = le::load32(in + 52);
    return h;
}

void encodeRecord(const LibraryRecord &r, std::uint8_t out[kRecordSize]) {
    std::memset(out, 0, kRecordSize);
    putText(out + field::DeviceName, kDeviceNameSize, r.device_name);
    le::store16(out + field::VendorIndex, r.vendor_index);
    out[field::DataWidth] = r.data_width;
    out[field::DeviceType] = r.device_type;
    std::memcpy(out + field::DeviceId, r.device_id, 4);
    for (int a = 0; a < 4; ++a) {
        le::store32(out + field::MemoryAreas + 8 * a, r.memory_areas[a].size_bytes);
        le::store32(out + field::MemoryAreas + 4 + 8 * a, r.memory_areas[a].buffer_start);
    }
    le::store16(out + field::PinCount, r.pin_count);
    le::store16(out + field::AdapterIndex, r.adapter_index);
    le::store32(out + field::OptionFlags, r.option_flags);
    le::store32(out + field::OperationFlags, r.operation_flags);
    out[field::Algorithm] = r.algorithm;
    std::memcpy(out + field::ReservedBytes, r.reserved_bytes, 16);
    putText(out + field::ConfigName, kConfigNameSize, r.config_name);
    le::store16(out + field::ReservedWord0, r.reserved_word0);
    le::store16(out + field::ReservedWord1, r.reserved_word1);
    le::store16(out + field::ReadPageSize, r.read_page_size);
    le::store16(out + field::ProgramPageSize, r.program_page_size);
    std::memcpy(out + field::ProgramParams, r.program_params, 8);
    le::store16(out + field::ReservedTail, r.reserved_tail);
}

LibraryRecord decodeRecord(const std::uint8_t in[kRecordSize]) {
    LibraryRecord r;
    r.device_name = getText(in + field::DeviceName, kDeviceNameSize);
    r.vendor_index = le::load16(in + field::VendorIndex);
    r.data_width = in[field::DataWidth];
    r.device_type = in[field::DeviceType];
    std::memcpy(r.device_id, in + field::DeviceId, 4);
    for (int a = 0; a < 4; ++a) {
        r.memory_areas[a].size_bytes = le::load32(in + field::MemoryAreas + 8 * a);
        r.memory_areas[a].buffer_start = le::load32(in + field::MemoryAreas + 4 + 8 * a);
    }
    r.pin_count = le::load16(in + field::PinCount);
    r.adapter_index = le::load16(in + field::AdapterIndex);
    r.option_flags = le::load32(in + field::OptionFlags);
    r.operation_flags = le::load32(in + field::OperationFlags);
    r.algorithm = in[field::Algorithm];
    std::memcpy(r.reserved_bytes, in + field::ReservedBytes, 16);
    r.config_name = getText(in + field::ConfigName, kConfigNameSize);
    r.reserved_word0 = le::load16(in + field::ReservedWord0);
    r.reserved_word1 = le::load16(in + field::ReservedWord1);
    r.read_page_size = le::load16(in + field::ReadPageSize);
    r.program_page_size = le::load16(in + field::ProgramPageSize);
    std::memcpy(r.program_params, in + field::ProgramParams, 8);
    r.reserved_tail = le::load16(in + field::ReservedTail);
    return r;
}

std::vector<std::uint8_t> buildLibrary(const std::string &libraryName,
                                       const std::vector<LibraryRecord> &records) {
    std::vector<std::uint8_t> image(kHeaderSize + kRecordSize * records.size() + kCheckWordSize);
    LibraryHeader header;
    header.library_name = libraryName;
    header.record_count = std::uint32_t(records.size());
    encodeHeader(header, image.data());
    for (std::size_t i = 0; i < records.size(); ++i)
        encodeRecord(records[i], image.data() + kHeaderSize + kRecordSize * i);
    const std::size_t body = image.size() - kCheckWordSize;
    const std::uint16_t crc = Crc16::of(image.data(), body);
    image[body] = std::uint8_t(crc >> 8);
    image[body + 1] = std::uint8_t(crc);
    return image;
}

}  // namespace vantor::devlib
