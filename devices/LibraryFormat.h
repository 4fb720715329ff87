#pragma once
// On-disk layout of a device library: 156-byte header, 136-byte records, then a
// big-endian CRC-16/XMODEM of everything before it. Numbers are little-endian.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "devices/DeviceRecord.h"

namespace vantor::devlib {

inline constexpr std::size_t kHeaderSize = 156;
inline constexpr std::size_t kRecordSize = 136;
inline constexpr std::size_t kLibraryNameSize = 44;
inline constexpr std::size_t kCheckWordSize = 2;

// Byte offsets of the fields of a stored record.
namespace field {
inline constexpr std::size_t DeviceName = 0x00;
inline constexpr std::size_t VendorIndex = 0x20;
inline constexpr std::size_t DataWidth = 0x22;
inline constexpr std::size_t DeviceType = 0x23;
inline constexpr std::size_t DeviceId = 0x24;
inline constexpr std::size_t MemoryAreas = 0x28;  // four {size, buffer start}, 8 bytes each
inline constexpr std::size_t PinCount = 0x48;
inline constexpr std::size_t AdapterIndex = 0x4A;
inline constexpr std::size_t OptionFlags = 0x4C;
inline constexpr std::size_t OperationFlags = 0x50;
inline constexpr std::size_t Algorithm = 0x54;
inline constexpr std::size_t ReservedBytes = 0x55;
inline constexpr std::size_t ConfigName = 0x65;
inline constexpr std::size_t ReservedWord0 = 0x76;
inline constexpr std::size_t ReservedWord1 = 0x78;
inline constexpr std::size_t ReadPageSize = 0x7A;
inline constexpr std::size_t ProgramPageSize = 0x7C;
inline constexpr std::size_t ProgramParams = 0x7E;
inline constexpr std::size_t ReservedTail = 0x86;
}  // namespace field

struct LibraryHeader {
    std::uint32_t record_size = kRecordSize;
    std::string library_name;
    std::uint32_t reserved0 = 0;
    std::uint32_t record_count = 0;
};

// A library record as stored; reserved bytes are carried so a dump and recompile is lossless.
struct LibraryRecord : DeviceParameters {
    LibraryRecord() { data_width = 8; }
    std::string device_name;
    std::uint8_t reserved_bytes[16] = {};
    std::string config_name;
    std::uint16_t reserved_tail = 0;
};

// The numbers of a stored record, read and written in place: no allocation, so a listing
// can fill thousands of records from them.
void decodeParameters(const std::uint8_t in[kRecordSize], DeviceParameters &out);
void encodeParameters(const DeviceParameters &parameters, std::uint8_t out[kRecordSize]);

void encodeHeader(const LibraryHeader &header, std::uint8_t out[kHeaderSize]);
LibraryHeader decodeHeader(const std::uint8_t in[kHeaderSize]);

void encodeRecord(const LibraryRecord &record, std::uint8_t out[kRecordSize]);
LibraryRecord decodeRecord(const std::uint8_t in[kRecordSize]);

// Whole file image: header, records, check word.
std::vector<std::uint8_t> buildLibrary(const std::string &libraryName, const std::vector<LibraryRecord> &records);

}  // namespace vantor::devlib
