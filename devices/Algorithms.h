#pragma once
// Programming-algorithm numbers and the meaning of their parameter bytes.
//
// A device record names one algorithm; the host hands it, with read_page_size,
// program_page_size and the first seven program_params bytes, to the programmer
// in the device-initialisation command. The programmer firmware (and its
// simulator) picks the chip-side protocol from the number alone, so these values
// are part of the device-library format: never renumber, only add.
// data/ALGORITHMS.md explains each one in prose.
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace vantor::algo {

// ---- EMX31 target-flash families (0x00..0x0F) -------------------------------
// Used by EMX31B.dev and by the emulator's chip command (index = family << 8 |
// variant). A library record carries the variant in program_params[0].
inline constexpr std::uint8_t kEmxAt89s5x = 0x00;    // AT89S51/52
inline constexpr std::uint8_t kEmxP89v51 = 0x01;     // P89V51RB2/RC2/RD2
inline constexpr std::uint8_t kEmxW78e = 0x02;       // W78E58B/516B
inline constexpr std::uint8_t kEmxSst89 = 0x03;      // SST89E5xxRD (variant = block-0 size class)
inline constexpr std::uint8_t kEmxAt89Large = 0x04;  // AT89S54/58/64, AT89C51RD2/ED2
inline constexpr std::uint8_t kEmxAt89s8252 = 0x05;  // AT89S53/8252

// ---- TR600 programmer algorithms --------------------------------------------
// 8051 family
inline constexpr std::uint8_t kMcs51Parallel = 0x10;   // 40-pin parallel mode, 12 V or 5 V Vpp
inline constexpr std::uint8_t kMcs51Serial = 0x11;     // AT89S serial (ISP) interface
inline constexpr std::uint8_t kMcs51TwentyPin = 0x12;  // AT89C/S x051: internal address counter
inline constexpr std::uint8_t kMcs51Sst = 0x13;        // SST89E / P89V51 external-host mode
inline constexpr std::uint8_t kMcs51Winbond = 0x14;    // W78E high-voltage mode
inline constexpr std::uint8_t kMcs51Stc = 0x15;        // STC89 UART boot loader
// AVR
inline constexpr std::uint8_t kAvrSerial = 0x20;  // SPI serial programming (socket or ISP)
// PIC
inline constexpr std::uint8_t kPic14 = 0x30;  // mid-range 14-bit ICSP
inline constexpr std::uint8_t kPic12 = 0x31;  // baseline 12-bit ICSP
// Serial memories
inline constexpr std::uint8_t kI2cEeprom = 0x40;  // 24Cxx
inline constexpr std::uint8_t kMicrowire = 0x41;  // 93Cxx
inline constexpr std::uint8_t kSpiEeprom = 0x42;  // 25xxx EEPROM
inline constexpr std::uint8_t kSpiFlash = 0x43;   // 25-series flash with JEDEC id (9Fh)
// Parallel memories
inline constexpr std::uint8_t kEprom = 0x50;           // UV/OTP EPROM, pulse programming
inline constexpr std::uint8_t kEeprom28 = 0x60;        // 28Cxx EEPROM, data polling
inline constexpr std::uint8_t kFlashJedec = 0x61;      // byte-program flash, AA/55 command set
inline constexpr std::uint8_t kFlashPageWrite = 0x62;  // sector-write flash (AT29C, SST29EE, W29C)
inline constexpr std::uint8_t kNvram = 0x63;           // battery-backed SRAM modules
// Logic and RAM
inline constexpr std::uint8_t kGal = 0x70;   // GAL/ATF 16V8, 20V8, 22V10
inline constexpr std::uint8_t kSram = 0x80;  // static RAM pattern test

// ---- Parameter byte positions (program_params[i]) ----------------------------
// Voltages are in quarter volts (51 = 12.75 V); a supply class is 0 = 5 V, 1 = 3.3 V.
namespace emx {
inline constexpr int kVariant = 0;
}
namespace mcs51 {                    // kMcs51Parallel, kMcs51TwentyPin
inline constexpr int kVpp = 0;       // quarter volts on EA/Vpp (RST/Vpp on 20-pin parts)
inline constexpr int kSigBytes = 1;  // signature bytes returned by the identifier read
inline constexpr int kErase = 2;     // chip-erase time, 10 ms units
inline constexpr int kLockBits = 3;  // number of lock bits
}  // namespace mcs51
namespace mcs51isp {                   // kMcs51Serial
inline constexpr int kCommandSet = 0;  // 0 = AT89S51/52, 1 = AT89S53/8252/8253
inline constexpr int kSigBytes = 1;
inline constexpr int kErase = 2;
inline constexpr int kLockBits = 3;
}  // namespace mcs51isp
namespace sst89 {                    // kMcs51Sst
inline constexpr int kBlock1 = 0;    // 1 = area 1 is the secondary flash block
inline constexpr int kErase = 1;     // 10 ms units
inline constexpr int kSecurity = 2;  // number of security bits
}  // namespace sst89
namespace w78e {  // kMcs51Winbond
inline constexpr int kVpp = 0;
inline constexpr int kErase = 1;
inline constexpr int kLdrom = 2;  // 1 = area 1 is the LDROM
}  // namespace w78e
namespace stc {
inline constexpr int kBaud = 0;
}  // namespace stc
namespace avr {                        // kAvrSerial
inline constexpr int kFuseBytes = 0;   // 1 = one fuse byte, 2 = low+high, 3 = low+high+extended
inline constexpr int kEepromPage = 1;  // EEPROM page in bytes, 0 = byte writes
inline constexpr int kFlashWait = 2;   // flash write delay, ms
inline constexpr int kEepromWait = 3;  // EEPROM write delay, ms
inline constexpr int kCalBytes = 4;    // oscillator calibration bytes in the signature row
inline constexpr int kSync = 5;        // 0 = programming-enable echoes 53h, 1 = no echo (AT90S1200)
}  // namespace avr
namespace pic14 {                   // kPic14
inline constexpr int kErase = 0;    // 0 = bulk erase program+data, 1 = chip erase 1Fh, 2 = bulk erase after load-config
inline constexpr int kLatch = 1;    // words written per programming cycle
inline constexpr int kWriteMs = 2;  // programming cycle time, ms
inline constexpr int kEntry = 3;    // 0 = Vdd before Vpp, 1 = Vpp before Vdd
inline constexpr int kCalib = 4;    // 1 = keep OSCCAL (last word) and band-gap bits
}  // namespace pic14
namespace pic12 {                    // kPic12
inline constexpr int kConfigLo = 0;  // config word address in hex-file word space, low byte
inline constexpr int kConfigHi = 1;
inline constexpr int kEntry = 2;
inline constexpr int kCalib = 3;  // 1 = keep OSCCAL (last word) and its backup
}  // namespace pic12
namespace i2c {                        // kI2cEeprom
inline constexpr int kAddrBytes = 0;   // word-address bytes after the control byte
inline constexpr int kBlockBits = 1;   // high address bits carried in the control byte
inline constexpr int kBlockShift = 2;  // control-byte bit of the lowest block bit; 0 = bit 1 (3 for 24LC1025)
inline constexpr int kWriteMs = 3;     // write cycle, ms
inline constexpr int kFast = 4;        // 1 = 400 kHz
}  // namespace i2c
namespace microwire {  // kMicrowire
inline constexpr int kAddrBits = 0;
inline constexpr int kOrg = 1;  // 8 or 16
inline constexpr int kWriteMs = 2;
}  // namespace microwire
namespace spiee {  // kSpiEeprom
inline constexpr int kAddrBytes = 0;
inline constexpr int kA8InOpcode = 1;  // 1 = address bit 8 rides in opcode bit 3 (25040)
inline constexpr int kWriteMs = 2;
}  // namespace spiee
namespace spiflash {  // kSpiFlash
inline constexpr int kAddrBytes = 0;
inline constexpr int kProgram = 1;    // 0 = page program 02h, 1 = SST AAI word program ADh
inline constexpr int kUnprotect = 2;  // 0 = WREN + WRSR 00h, 1 = EWSR 50h + WRSR 00h
inline constexpr int kEraseS = 3;     // chip-erase time-out, s
inline constexpr int kSupply = 4;
}  // namespace spiflash
namespace eprom {  // kEprom
inline constexpr int kVpp = 0;
inline constexpr int kVcc = 1;    // Vcc while programming
inline constexpr int kPulse = 2;  // program pulse, 10 us units
inline constexpr int kMaxPulses = 3;
inline constexpr int kOverprogram = 4;  // extra pulse factor, 0 = none
inline constexpr int kControl = 5;      // 0 = /PGM pin, 1 = /CE pulse + Vpp pin, 2 = /CE pulse + Vpp on /OE
}  // namespace eprom
namespace ee28 {                    // kEeprom28
inline constexpr int kSdp = 0;      // 1 = software data protection commands
inline constexpr int kWriteMs = 1;  // byte/page write cycle, ms
}  // namespace ee28
namespace jedec {                   // kFlashJedec
inline constexpr int kCmdAddr = 0;  // 0 = 5555h/2AAAh, 1 = 555h/2AAh
inline constexpr int kEraseS = 1;   // chip-erase time-out, s
inline constexpr int kSupply = 2;
}  // namespace jedec
namespace pagewrite {  // kFlashPageWrite
inline constexpr int kCmdAddr = 0;
inline constexpr int kWriteMs = 1;  // sector write cycle, ms
inline constexpr int kSupply = 2;
}  // namespace pagewrite
namespace gal {
inline constexpr int kArch = 0;
}  // namespace gal
namespace ram {
inline constexpr int kSupply = 0;
}  // namespace ram

// ---- Name table shared by devlibc and tools that print records ----------------
struct AlgorithmInfo {
    std::uint8_t number;
    std::string_view name;
    std::array<std::string_view, 7> params;  // names of program_params[0..6]; empty = unnamed
};

inline constexpr AlgorithmInfo kAlgorithms[] = {
    {kEmxAt89s5x, "emx-at89s5x", {"variant"}},
    {kEmxP89v51, "emx-p89v51", {"variant"}},
    {kEmxW78e, "emx-w78e", {"variant"}},
    {kEmxSst89, "emx-sst89", {"variant"}},
    {kEmxAt89Large, "emx-at89-large", {"variant"}},
    {kEmxAt89s8252, "emx-at89s8252", {"variant"}},
    {kMcs51Parallel, "mcs51-parallel", {"vpp", "sig-bytes", "erase", "lock-bits"}},
    {kMcs51Serial, "mcs51-serial", {"command-set", "sig-bytes", "erase", "lock-bits"}},
    {kMcs51TwentyPin, "mcs51-20pin", {"vpp", "sig-bytes", "erase", "lock-bits"}},
    {kMcs51Sst, "mcs51-sst", {"block1", "erase", "security"}},
    {kMcs51Winbond, "mcs51-winbond", {"vpp", "erase", "ldrom"}},
    {kMcs51Stc, "mcs51-stc", {"baud"}},
    {kAvrSerial, "avr-serial", {"fuse-bytes", "eeprom-page", "flash-wait", "eeprom-wait", "cal-bytes", "sync"}},
    {kPic14, "pic14", {"erase", "latch", "write-ms", "entry", "calib"}},
    {kPic12, "pic12", {"config-lo", "config-hi", "entry", "calib"}},
    {kI2cEeprom, "i2c-eeprom", {"addr-bytes", "block-bits", "block-shift", "write-ms", "fast"}},
    {kMicrowire, "microwire", {"addr-bits", "org", "write-ms"}},
    {kSpiEeprom, "spi-eeprom", {"addr-bytes", "a8-opcode", "write-ms"}},
    {kSpiFlash, "spi-flash", {"addr-bytes", "program", "unprotect", "erase-s", "supply"}},
    {kEprom, "eprom", {"vpp", "vcc", "pulse", "max-pulses", "overprogram", "control"}},
    {kEeprom28, "eeprom-28", {"sdp", "write-ms"}},
    {kFlashJedec, "flash-jedec", {"cmd-addr", "erase-s", "supply"}},
    {kFlashPageWrite, "flash-page-write", {"cmd-addr", "write-ms", "supply"}},
    {kNvram, "nvram", {"supply"}},
    {kGal, "gal", {"arch"}},
    {kSram, "sram", {"supply"}},
};

// Numbers and names are identities: no two entries may share either.
inline constexpr bool algorithmTableIsUnique() {
    for (std::size_t i = 0; i < std::size(kAlgorithms); ++i)
        for (std::size_t j = i + 1; j < std::size(kAlgorithms); ++j)
            if (kAlgorithms[i].number == kAlgorithms[j].number || kAlgorithms[i].name == kAlgorithms[j].name)
                return false;
    return true;
}
static_assert(algorithmTableIsUnique());

inline constexpr const AlgorithmInfo *findAlgorithm(std::uint8_t number) {
    for (const auto &a : kAlgorithms)
        if (a.number == number) return &a;
    return nullptr;
}

inline constexpr const AlgorithmInfo *findAlgorithm(std::string_view name) {
    for (const auto &a : kAlgorithms)
        if (a.name == name) return &a;
    return nullptr;
}

}  // namespace vantor::algo
