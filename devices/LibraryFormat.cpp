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

void decodeParameters(const std::uint8_t in[kRecordSize], DeviceParameters &out) {
    out.vendor_index = le::load16(in + field::VendorIndex);
    out.data_width = in[field::DataWidth];
    out.device_type = in[field::DeviceType];
    std::memcpy(out.device_id, in + field::DeviceId, sizeof out.device_id);
    for (int a = 0; a < kMaxAreas; ++a) {
        out.memory_areas[a].size_bytes = le::load32(in + field::MemoryAreas + 8 * a);
        out.memory_areas[a].buffer_start = le::load32(in + field::MemoryAreas + 4 + 8 * a);
    }
    out.pin_count = le::load16(in + field::PinCount);
    out.adapter_index = le::load16(in + field::AdapterIndex);
    out.option_flags = le::load32(in + field::OptionFlags);
    out.operation_flags = le::load32(in + field::OperationFlags);
    out.algorithm = in[field::Algorithm];
    out.reserved_word0 = le::load16(in + field::ReservedWord0);
    out.reserved_word1 = le::load16(in + field::ReservedWord1);
    out.read_page_size = le::load16(in + field::ReadPageSize);
    out.program_page_size = le::load16(in + field::ProgramPageSize);
    std::memcpy(out.program_params, in + field::ProgramParams, sizeof out.program_params);
}

void encodeParameters(const DeviceParameters &r, std::uint8_t out[kRecordSize]) {
    le::store16(out + field::VendorIndex, r.vendor_index);
    out[field::DataWidth] = r.data_width;
    out[field::DeviceType] = r.device_type;
    std::memcpy(out + field::DeviceId, r.device_id, sizeof r.device_id);
    for (int a = 0; a < kMaxAreas; ++a) {
        le::store32(out + field::MemoryAreas + 8 * a, r.memory_areas[a].size_bytes);
        le::store32(out + field::MemoryAreas + 4 + 8 * a, r.memory_areas[a].buffer_start);
    }
    le::store16(out + field::PinCount, r.pin_count);
    le::store16(out + field::AdapterIndex, r.adapter_index);
    le::store32(out + field::OptionFlags, r.option_flags);
    le::store32(out + field::OperationFlags, r.operation_flags);
    out[field::Algorithm] = r.algorithm;
    le::store16(out + field::ReservedWord0, r.reserved_word0);
    le::store16(out + field::ReservedWord1, r.reserved_word1);
    le::store16(out + field::ReadPageSize, r.read_page_size);
    le::store16(out + field::ProgramPageSize, r.program_page_size);
    std::memcpy(out + field::ProgramParams, r.program_params, sizeof r.program_params);
}

void encodeRecord(const LibraryRecord &r, std::uint8_t out[kRecordSize]) {
    std::memset(out, 0, kRecordSize);
    encodeParameters(r, out);
    putText(out + field::DeviceName, kDeviceNameSize, r.device_name);
    std::memcpy(out + field::ReservedBytes, r.reserved_bytes, sizeof r.reserved_bytes);
    putText(out + field::ConfigName, kConfigNameSize, r.config_name);
    le::store16(out + field::ReservedTail, r.reserved_tail);
}

LibraryRecord decodeRecord(const std::uint8_t in[kRecordSize]) {
    LibraryRecord r;
    decodeParameters(in, r);
    r.device_name = getText(in + field::DeviceName, kDeviceNameSize);
    std::memcpy(r.reserved_bytes, in + field::ReservedBytes, sizeof r.reserved_bytes);
    r.config_name = getText(in + field::ConfigName, kConfigNameSize);
    r.reserved_tail = le::load16(in + field::ReservedTail);
    return r;
}

std::vector<std::uint8_t> buildLibrary(const std::string &libraryName, const std::vector<LibraryRecord> &records) {
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
