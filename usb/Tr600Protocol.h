#pragma once
#include <cstdint>

#include "usb/ExchangeChannel.h"

// The TR600 programmer's wire protocol, shared by the host (programmer/), the simulated
// firmware (sim/tr600) and the tests: one-byte commands carried as vendor requests, a polled
// status byte, and data blocks on two bulk endpoints.
namespace vantor::tr600 {

// Command codes (bRequest). 0x87, 0x8A and 0x91 are not used.
namespace cmd {
inline constexpr std::uint8_t ReadInfo = 0x80;    // then bulk IN the information block
inline constexpr std::uint8_t ReadStatus = 0x81;  // device-to-host, one byte
inline constexpr std::uint8_t InitDevice = 0x82;  // 16-byte payload from the device record
inline constexpr std::uint8_t ReleaseDevice = 0x83;
inline constexpr std::uint8_t ReadDeviceId = 0x84;  // then bulk IN 4 bytes
inline constexpr std::uint8_t BeginProgram = 0x85;  // begin an area
inline constexpr std::uint8_t BeginRead = 0x86;     // begin an area (read, verify, blank check)
inline constexpr std::uint8_t ProgramBlock = 0x88;  // 4-byte offset; then bulk OUT the block
inline constexpr std::uint8_t ReadBlock = 0x89;     // 4-byte offset; then bulk IN the block
inline constexpr std::uint8_t Erase = 0x8B;
inline constexpr std::uint8_t WriteLock = 0x8C;    // then bulk OUT the 16 lock bytes
inline constexpr std::uint8_t WriteConfig = 0x8D;  // then bulk OUT the 16 configuration bytes
inline constexpr std::uint8_t ReadConfig = 0x8E;   // then bulk IN 16 bytes
inline constexpr std::uint8_t WriteFuse = 0x8F;    // then bulk OUT the 16 configuration bytes
inline constexpr std::uint8_t ReadFuse = 0x90;     // then bulk IN 16 bytes
inline constexpr std::uint8_t ReadLock = 0x92;     // then bulk IN 16 bytes
inline constexpr std::uint8_t WriteCal = 0x93;     // 4-byte address
}  // namespace cmd

// Bits of the status byte; other bits mean nothing to the host.
namespace status {
inline constexpr std::uint8_t Ready = 0x01;     // the block asked for waits on bulk IN
inline constexpr std::uint8_t Finished = 0x02;  // the command has finished
inline constexpr std::uint8_t Success = 0x04;   // ... successfully (read only with Finished)
}  // namespace status

// The status read is a vendor IN request 0x81 with value 1.
inline constexpr std::uint16_t kStatusReadValue = 1;
inline constexpr StatusRegister kStatusRegister{cmd::ReadStatus, kStatusReadValue, 0, status::Finished,
                                                status::Success};

// Bulk endpoints and their time-out per submission.
inline constexpr std::uint8_t kBulkOut = 0x02;
inline constexpr std::uint8_t kBulkIn = 0x82;
inline constexpr unsigned kBulkTimeoutMs = 300;
inline constexpr ExchangeChannel::Endpoints kEndpoints{kBulkOut, kBulkIn, kBulkTimeoutMs};

// Sizes of what travels.
inline constexpr int kBlockSize = 256;       // largest data block
inline constexpr int kInfoBlockSize = 64;    // information block (0x80)
inline constexpr int kDeviceIdSize = 4;      // identifier (0x84)
inline constexpr int kRegisterBytes = 16;    // fuse, lock and configuration transfers
inline constexpr int kCommandDataSize = 16;  // largest payload of a vendor request

// Status polls allowed per wait, with 1 ms between polls (counts, not wall-clock limits).
namespace budget {
inline constexpr int Init = 500;
inline constexpr int Release = 100;
inline constexpr int DeviceId = 100;
inline constexpr int BeginArea = 100;
inline constexpr int ProgramBlock = 3000;
inline constexpr int ReadBlock = 500;
inline constexpr int VerifyBlock = 100;
inline constexpr int BlankBlock = 200;
inline constexpr int Register = 100;  // fuse, lock and configuration commands
inline constexpr int Erase = 500;
inline constexpr int WriteCal = 100;
}  // namespace budget
inline constexpr unsigned kPollPauseMs = 1;
constexpr WaitBudget polls(int n) { return WaitBudget::pollCount(n, kPollPauseMs); }

// Fields of the commands.
inline constexpr std::uint16_t kIspMode = 1;     // 0x82 value: the device name holds "@ISP"
inline constexpr std::uint8_t kInitTrailer = 4;  // 0x82 payload byte 11
inline constexpr int kInitPayloadSize = 16;
inline constexpr std::uint16_t kSecondAreaFlag = 0x8000;  // 0x85/0x86 value: any area but area 0
inline constexpr std::uint16_t kCalInSecondArea = 1;      // 0x93 value bit 0

// Offsets in the information block.
namespace info {
inline constexpr int Model = 0;
inline constexpr int FirmwareMajor = 1;
inline constexpr int FirmwareMinor = 2;  // minor in the high nibble, revision in the low one
inline constexpr int Serial = 5;         // four bytes of BCD digits, high nibble first
inline constexpr int SerialBytes = 4;
}  // namespace info

// Offsets in a device record's 48 configuration-data bytes.
namespace config {
inline constexpr int ConfigBytes = 0;  // 16 bytes: fuses and configuration
inline constexpr int LockBytes = 16;   // 16 bytes: lock bits
inline constexpr int CalAddress = 32;  // 32-bit little-endian address of the calibration byte
inline constexpr int CalIndex = 36;
}  // namespace config

}  // namespace vantor::tr600
