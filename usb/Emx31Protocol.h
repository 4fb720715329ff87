#pragma once
#include <cstdint>

#include "usb/ExchangeChannel.h"

// The EMX31 emulator's wire protocol, shared by the driver's link (emulator/), the board
// simulator (sim/emx31) and the tests: one-byte commands carried as vendor requests, two polled
// status bytes (the emulator's and the target chip's), and data blocks on two bulk endpoints.
namespace vantor::emx31 {

// Command codes (bRequest).
namespace cmd {
inline constexpr std::uint8_t Status = 0;          // device-to-host, the emulator's status byte
inline constexpr std::uint8_t ReadId = 1;          // then bulk IN the identification block
inline constexpr std::uint8_t ReadAdapterId = 2;   // data ready: bulk IN the adapter's block
inline constexpr std::uint8_t AdapterPresent = 3;  // status Ready when the PRB31 answers
inline constexpr std::uint8_t EndLink = 4;
inline constexpr std::uint8_t ResetTarget = 5;
inline constexpr std::uint8_t InitAdapter = 6;
inline constexpr std::uint8_t ReadSfr = 7;  // value count, index 0x80..0xFF
inline constexpr std::uint8_t WriteSfr = 8;
inline constexpr std::uint8_t ReadRegs = 9;  // the register block
inline constexpr std::uint8_t WriteRegs = 10;
inline constexpr std::uint8_t WriteCode = 11;  // value count, index address; then bulk OUT
inline constexpr std::uint8_t ReadCode = 12;
inline constexpr std::uint8_t WriteXdata = 13;
inline constexpr std::uint8_t ReadXdata = 14;
inline constexpr std::uint8_t WriteIdata = 15;
inline constexpr std::uint8_t ReadIdata = 16;
inline constexpr std::uint8_t ReadPc = 17;         // two bytes, low first
inline constexpr std::uint8_t SetPc = 18;          // value the address; no status wait
inline constexpr std::uint8_t Halt = 19;           // no status wait
inline constexpr std::uint8_t Run = 20;            // value RunValue, index the stop address
inline constexpr std::uint8_t Step = 21;           // data ready: the new PC, low byte first
inline constexpr std::uint8_t SetBreakpoint = 22;  // device-to-host: one Breakpoint reply byte
inline constexpr std::uint8_t ChipStatus = 0x81;   // device-to-host, the target chip's status byte
inline constexpr std::uint8_t ChipPrepare = 0x82;  // value 1 for in-system programming, index family*256+variant
inline constexpr std::uint8_t ChipRelease = 0x83;  // reset the chip and run its flash
inline constexpr std::uint8_t ChipProgram = 0x88;  // value count, 4-byte stage: address low, high, 0, 0
inline constexpr std::uint8_t ChipRead = 0x89;
inline constexpr std::uint8_t ChipErase = 0x8B;

// The commands of one go: they keep the emulator's breakpoint table.
constexpr bool keepsBreakpoints(std::uint8_t c) {
    return c == ReadPc || c == Halt || c == Run || c == Step || c == SetBreakpoint;
}
}  // namespace cmd

// Bits of the status bytes.
namespace st {
inline constexpr std::uint8_t Finished = 0x02;
inline constexpr std::uint8_t Success = 0x04;  // read only with Finished
inline constexpr std::uint8_t Running = 0x10;
inline constexpr std::uint8_t DataReady = 0x20;  // the block asked for waits on bulk IN
inline constexpr std::uint8_t Ready = 0x80;
}  // namespace st

inline constexpr StatusRegister kStatusRegister{cmd::Status, 0, 0, st::Finished, st::Success};
inline constexpr StatusRegister kChipStatusRegister{cmd::ChipStatus, 0, 0, st::Finished, st::Success};

// Replies of SetBreakpoint.
namespace breakpoint {
inline constexpr std::uint8_t Set = 0, OverLimit = 1, Conflict = 2;
}

// Value of Run: the halt through the three code bytes at kHaltVector is armed.
inline constexpr std::uint16_t kRunWithHalt = 2;
inline constexpr std::uint16_t kNoStopAddress = 0xFFFF;
inline constexpr std::uint16_t kHaltVector = 0x003B;
// The top of code memory holds the emulator's monitor: user code ends below it.
inline constexpr std::uint16_t kMonitorStart = 0xFC00;

// Bulk endpoints and their time-out per submission.
inline constexpr std::uint8_t kBulkOut = 0x02;
inline constexpr std::uint8_t kBulkIn = 0x82;
inline constexpr unsigned kBulkTimeoutMs = 300;
inline constexpr ExchangeChannel::Endpoints kEndpoints{kBulkOut, kBulkIn, kBulkTimeoutMs};

// Sizes of what travels.
inline constexpr int kChunkSize = 256;  // largest memory block of one command
inline constexpr int kIdentificationSize = 32;
inline constexpr int kRegisterBlockSize = 16;
inline constexpr int kChipStageSize = 4;

// Offsets in the emulator's identification block.
namespace id {
inline constexpr int FirmwareMajor = 1;
inline constexpr int FirmwareMinor = 2;  // two BCD digits
inline constexpr int SerialNumber = 5;   // four bytes of two BCD digits each
inline constexpr int SerialBytes = 4;
}  // namespace id

// Offsets in the register block (ReadRegs, WriteRegs).
namespace reg {
inline constexpr int A = 0, Psw = 1, Dph = 2, Dpl = 3, Sp = 4, PcHigh = 5, PcLow = 6, B = 7, R0 = 8;
}

}  // namespace vantor::emx31
