#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vantor {

inline constexpr int kVendorCount = 101;
inline constexpr int kAdapterCount = 73;
inline constexpr int kOperationCount = 16;

// Row numbers are identities in library files, history and settings memory: never reorder.
std::string_view vendorTableText(int index);   // empty when out of range
std::string_view adapterTableText(int index);  // raw table text, empty when out of range

// Operation numbers shared by the engine, device lists and the Auto item list.
enum Operation : std::uint8_t {
    kOpProgram = 0,
    kOpRead = 1,
    kOpVerify = 2,
    kOpBlank = 3,
    kOpWriteCal = 4,
    kOpReadCal = 5,
    kOpWriteFuse = 6,
    kOpReadFuse = 7,
    kOpProtect = 8,
    kOpReadLock = 9,
    kOpWriteConfig = 10,
    kOpReadConfig = 11,
    kOpErase = 12,
    kOpBootLock = 13,
    kOpProtect2 = 14,
    kOpTest = 15,
};

// The operation_flags bit of an operation code, 0 for codes that have none (5, 9).
std::uint32_t operationFlagBit(int op);

}  // namespace vantor
