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
    putText(out + 0x00, kDeviceNameSize, r.device_name);
    le::store16(out + 0x20, r.vendor_index);
    out[0x22] = r.data_width;
    out[0x23] = r.device_type;
    std::memcpy(out + 0x24, r.device_id, 4);
    for (int a = 0; a < 4; ++a) {
        le::store32(out + 0x28 + 8 * a, r.memory_areas[a].size_bytes);
        le::store32(out + 0x2C + 8 * a, r.memory_areas[a].buffer_start);
    }
    le::store16(out + 0x48, r.pin_count);
    le::store16(out + 0x4A, r.adapter_index);
    le::store32(out + 0x4C, r.option_flags);
    le::store32(out + 0x50, r.operation_flags);
    out[0x54] = r.algorithm;
    std::memcpy(out + 0x55, r.reserved_bytes, 16);
    putText(out + 0x65, kConfigNameSize, r.config_name);
    le::store16(out + 0x76, r.reserved_word0);
    le::store16(out + 0x78, r.reserved_word1);
    le::store16(out + 0x7A, r.read_page_size);
    le::store16(out + 0x7C, r.program_page_size);
    std::memcpy(out + 0x7E, r.program_params, 8);
    le::store16(out + 0x86, r.reserved_tail);
}

LibraryRecord decodeRecord(const std::uint8_t in[kRecordSize]) {
    LibraryRecord r;
    r.device_name = getText(in + 0x00, kDeviceNameSize);
    r.vendor_index = le::load16(in + 0x20);
    r.data_width = in[0x22];
    r.device_type = in[0x23];
    std::memcpy(r.device_id, in + 0x24, 4);
    for (int a = 0; a < 4; ++a) {
        r.memory_areas[a].size_bytes = le::load32(in + 0x28 + 8 * a);
        r.memory_areas[a].buffer_start = le::load32(in + 0x2C + 8 * a);
    }
    r.pin_count = le::load16(in + 0x48);
    r.adapter_index = le::load16(in + 0x4A);
    r.option_flags = le::load32(in + 0x4C);
    r.operation_flags = le::load32(in + 0x50);
    r.algorithm = in[0x54];
    std::memcpy(r.reserved_bytes, in + 0x55, 16);
    r.config_name = getText(in + 0x65, kConfigNameSize);
    r.reserved_word0 = le::load16(in + 0x76);
    r.reserved_word1 = le::load16(in + 0x78);
    r.read_page_size = le::load16(in + 0x7A);
    r.program_page_size = le::load16(in + 0x7C);
    std::memcpy(r.program_params, in + 0x7E, 8);
    r.reserved_tail = le::load16(in + 0x86);
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
