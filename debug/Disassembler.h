#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vantor::debug {

// One decoded 8051 instruction.
struct Instruction {
    enum class Flow : std::uint8_t { Next, Jump, Branch, Call, Return, IndirectJump };
    std::uint16_t address = 0;
    unsigned length = 1;
    std::uint8_t bytes[3] = {};
    std::string mnemonic;  // "mov", "lcall", ...
    std::string operands;  // "a,#0x12"; addresses of jumps and calls are absolute
    Flow flow = Flow::Next;
    std::uint16_t target = 0;  // Jump, Branch, Call: where it goes (Branch may also fall through)
    bool defined = true;       // false only for 0xA5

    std::string text() const { return operands.empty() ? mnemonic : mnemonic + "\t" + operands; }
    std::uint16_t next() const { return std::uint16_t(address + length); }
};

// Decodes all 256 opcodes of the 8051; `fetch` reads code memory.
Instruction disassemble(std::uint16_t address, const std::function<std::uint8_t(std::uint16_t)> &fetch);
unsigned instructionLength(std::uint8_t opcode);
// The name of a special function register, empty when the address has none.
std::string sfrName(std::uint8_t address);

}  // namespace vantor::debug
