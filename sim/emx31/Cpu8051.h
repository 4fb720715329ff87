#pragma once
// The 8051 instruction-set core of the EMX31 board simulator: 8052-style memory (256 bytes of
// internal RAM, 128 SFR addresses, 64 KiB code and 64 KiB external data), timers 0 and 1, and the
// five-source interrupt system with two priority levels. Standard library only, so it builds for
// every platform the driver builds for.
//
// Timing is counted in machine cycles (12 oscillator clocks). Timers advance after each
// instruction by its cycles; interrupts are accepted between instructions.

#include <array>
#include <atomic>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace vantor::emx31 {

// SFR addresses the core gives meaning to.
namespace sfr {
inline constexpr std::uint8_t P0 = 0x80, SP = 0x81, DPL = 0x82, DPH = 0x83, PCON = 0x87;
inline constexpr std::uint8_t TCON = 0x88, TMOD = 0x89, TL0 = 0x8A, TL1 = 0x8B, TH0 = 0x8C, TH1 = 0x8D;
inline constexpr std::uint8_t P1 = 0x90, SCON = 0x98, SBUF = 0x99, P2 = 0xA0, IE = 0xA8, P3 = 0xB0;
inline constexpr std::uint8_t IP = 0xB8, PSW = 0xD0, ACC = 0xE0, B = 0xF0;
}  // namespace sfr

// PSW bits.
inline constexpr std::uint8_t kPswCY = 0x80, kPswAC = 0x40, kPswF0 = 0x20, kPswRS1 = 0x10, kPswRS0 = 0x08,
                              kPswOV = 0x04, kPswF1 = 0x02, kPswP = 0x01;

// Interrupt vectors in polling order.
inline constexpr std::uint16_t kVectorIE0 = 0x03, kVectorTF0 = 0x0B, kVectorIE1 = 0x13, kVectorTF1 = 0x1B,
                               kVectorSerial = 0x23;

// The opcode the instruction set leaves undefined; the core does not execute it and reports it.
inline constexpr std::uint8_t kReservedOpcode = 0xA5;

// A snapshot of the registers a debugger shows.
struct Registers8051 {
    std::uint8_t a = 0, b = 0, psw = 0, sp = 0;
    std::uint16_t dptr = 0, pc = 0;
    std::array<std::uint8_t, 8> r{};  // R0..R7 of the bank PSW selects
    bool operator==(const Registers8051 &) const = default;
};

// Execution breakpoints: one bit per code address.
class Breakpoints8051 {
public:
    void set(std::uint16_t address) { bits_.set(address); }
    void clear(std::uint16_t address) { bits_.reset(address); }
    void clearAll() { bits_.reset(); }
    bool test(std::uint16_t address) const { return bits_[address]; }
    bool any() const { return bits_.any(); }

private:
    std::bitset<65536> bits_;
};

// Why run() returned.
enum class StopReason8051 : std::uint8_t {
    Limit,           // maxInstructions executed
    Breakpoint,      // PC reached a breakpoint (not executed)
    Predicate,       // the stop predicate answered true (before the instruction at PC)
    ReservedOpcode,  // PC is at 0xA5 (not executed)
    StopRequested,   // requestStop() was called
};

struct RunResult8051 {
    StopReason8051 reason = StopReason8051::Limit;
    std::uint64_t instructions = 0;  // instructions executed by this run (interrupt calls not counted)
    std::uint64_t cycles = 0;        // machine cycles this run took, interrupt calls included
};

class Cpu8051 {
public:
    // step() returns this when PC is at the reserved opcode; nothing was executed.
    static constexpr int kTrap = -1;

    Cpu8051();

    // Reset as the RST pin does: PC 0, SFRs to their reset values (SP 7, ports 0xFF, the rest 0),
    // interrupt state cleared. Internal RAM, code and external data keep their contents.
    void reset();

    // One instruction. If an interrupt is pending and allowed after the previous instruction, its
    // call is made first and the vector's first instruction is then executed too. Interrupts are
    // not accepted right after RETI or after a write to IE or IP.
    // Returns the machine cycles spent (the interrupt call included), or kTrap when PC is at 0xA5.
    int step();

    // Many instructions at full speed. Before each instruction (the first one excepted, so a run can
    // leave a breakpoint) the PC is checked against `breakpoints` and `stop`; the reserved opcode and
    // requestStop() end the run at any instruction. Either argument may be null/empty.
    RunResult8051 run(std::uint64_t maxInstructions, const Breakpoints8051 *breakpoints = nullptr,
                      const std::function<bool(const Cpu8051 &)> &stop = {});

    // Machine cycles of the call an accepted interrupt makes: 2 as on the processor (default);
    // s51 counts 1, which its comparison sets.
    void setInterruptCallCycles(unsigned cycles) { interruptCallCycles_ = cycles; }

    // Whether the next step() begins with an interrupt call.
    bool interruptPending() const;

    // Asks a run() in progress (on another thread) to return; cleared when the next run starts.
    void requestStop() { stopRequested_.store(true, std::memory_order_relaxed); }

    // Program counter.
    std::uint16_t pc() const { return pc_; }
    void setPc(std::uint16_t pc) { pc_ = pc; }

    // Counters since construction (reset() keeps them).
    std::uint64_t cycles() const { return cycles_; }
    std::uint64_t instructions() const { return instructions_; }

    // Registers (R0..R7 of the current bank).
    Registers8051 registers() const;
    // Writes every field of `r` (PSW first, so R0..R7 go to the bank `r.psw` selects).
    void setRegisters(const Registers8051 &r);
    std::uint8_t a() const { return sfr_[sfr::ACC - 0x80]; }
    std::uint8_t psw() const;  // with the parity bit of A
    std::uint8_t reg(int n) const { return iram_[(sfr_[sfr::PSW - 0x80] & 0x18) | (n & 7)]; }

    // Code memory (the emulator's code memory is RAM, so the host may write it).
    std::uint8_t readCode(std::uint16_t address) const { return code_[address]; }
    void writeCode(std::uint16_t address, std::uint8_t value) { code_[address] = value; }
    // Copies `data` to code memory from `address`, wrapping at 64 KiB.
    void loadCode(std::uint16_t address, std::span<const std::uint8_t> data);

    // External data memory.
    std::uint8_t readXdata(std::uint16_t address) const { return xdata_[address]; }
    void writeXdata(std::uint16_t address, std::uint8_t value) { xdata_[address] = value; }

    // Internal RAM, indirect view (0x00..0xFF are RAM).
    std::uint8_t readIram(std::uint8_t address) const { return iram_[address]; }
    void writeIram(std::uint8_t address, std::uint8_t value) { iram_[address] = value; }

    // Special function registers, direct view (address 0x80..0xFF; lower addresses are RAM as in
    // direct addressing). Reading PSW gives its parity bit; writes have the side effects an
    // instruction's write has (interrupt edges on P3, interrupt blocking after IE/IP).
    std::uint8_t readDirect(std::uint8_t address) const;
    void writeDirect(std::uint8_t address, std::uint8_t value);
    std::uint8_t readSfr(std::uint8_t address) const { return readDirect(address | 0x80); }
    void writeSfr(std::uint8_t address, std::uint8_t value) { writeDirect(address | 0x80, value); }

    // Bit addresses 0x00..0x7F are RAM 0x20..0x2F, 0x80..0xFF bits of the SFRs at multiples of 8.
    bool readBit(std::uint8_t bitAddress) const;
    void writeBit(std::uint8_t bitAddress, bool value);

    // Whole memories, for loading and comparing.
    std::span<std::uint8_t, 65536> code() { return code_; }
    std::span<std::uint8_t, 65536> xdata() { return xdata_; }
    std::span<std::uint8_t, 256> iram() { return iram_; }
    std::span<const std::uint8_t, 65536> code() const { return code_; }
    std::span<const std::uint8_t, 65536> xdata() const { return xdata_; }
    std::span<const std::uint8_t, 256> iram() const { return iram_; }

    // Level of the external interrupt pins INT0 (P3.2) and INT1 (P3.3) as driven from outside; the
    // pin reads low when either the outside or the P3 latch pulls it low.
    void setInterruptPin(int which, bool high);

    // Called after an instruction writes SBUF (serial transmit), with the byte; may be empty.
    std::function<void(std::uint8_t)> onSerialTransmit;

private:
    int execute(std::uint8_t opcode);
    int stepInline();
    void tickTimers(unsigned cycles);
    bool serviceInterrupt();
    int pendingSource(bool *high) const;
    void sampleExternalPins();
    void sampleLevels();
    bool pinLow(int which) const;

    std::array<std::uint8_t, 65536> code_{};
    std::array<std::uint8_t, 65536> xdata_{};
    std::array<std::uint8_t, 256> iram_{};
    std::array<std::uint8_t, 128> sfr_{};
    std::uint16_t pc_ = 0;
    std::uint64_t cycles_ = 0;
    std::uint64_t instructions_ = 0;
    std::uint8_t inService_ = 0;  // bit 0: a low-priority handler runs, bit 1: a high-priority one
    bool blockInterrupt_ = false;
    unsigned interruptCallCycles_ = 2;  // the last instruction was RETI or wrote IE/IP
    std::array<bool, 2> extPinHigh_{true, true};
    std::array<bool, 2> lastPinLow_{false, false};
    bool levelPinLow_ = false;  // either INT pin is low
    std::atomic<bool> stopRequested_{false};
};

}  // namespace vantor::emx31
