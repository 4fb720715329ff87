#include "debug/Disassembler.h"

#include <cstdio>

namespace vantor::debug {

namespace {

std::string hex(unsigned value, int digits) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string direct(std::uint8_t a) {
    const std::string name = sfrName(a);
    return name.empty() ? hex(a, 2) : name;
}

std::string bit(std::uint8_t b) {
    if (b < 0x80) return hex(b, 2);
    const std::string name = sfrName(std::uint8_t(b & 0xF8));
    return (name.empty() ? hex(b & 0xF8, 2) : name) + "." + std::to_string(b & 7);
}

const char *const kArithmetic[] = {nullptr, nullptr, "add",   "addc",  "orl", "anl",   "xrl", nullptr,
                                   nullptr, "subb",  nullptr, nullptr, "xch", nullptr, "mov", nullptr};

}  // namespace

std::string sfrName(std::uint8_t a) {
    switch (a) {
    case 0x80: return "p0";
    case 0x81: return "sp";
    case 0x82: return "dpl";
    case 0x83: return "dph";
    case 0x87: return "pcon";
    case 0x88: return "tcon";
    case 0x89: return "tmod";
    case 0x8A: return "tl0";
    case 0x8B: return "tl1";
    case 0x8C: return "th0";
    case 0x8D: return "th1";
    case 0x90: return "p1";
    case 0x98: return "scon";
    case 0x99: return "sbuf";
    case 0xA0: return "p2";
    case 0xA8: return "ie";
    case 0xB0: return "p3";
    case 0xB8: return "ip";
    case 0xD0: return "psw";
    case 0xE0: return "acc";
    case 0xF0: return "b";
    default: return {};
    }
}

unsigned instructionLength(std::uint8_t op) {
    const unsigned lo = op & 0x0F, hi = op >> 4;
    if (lo == 0x01) return 2;  // ajmp / acall
    if (lo >= 6) {
        // @Ri and Rn forms: one byte, except those with an extra operand.
        if (hi == 0x7 || hi == 0xA || hi == 0x8) return 2;  // mov @ri/rn,#imm ; mov rn|@ri,direct ; mov direct,rn
        if (hi == 0xB) return 3;                            // cjne @ri/rn,#imm,rel
        if (hi == 0xD && lo >= 8) return 2;                 // djnz rn,rel
        return 1;
    }
    static const std::uint8_t table[16][6] = {
        // x0 x1 x2 x3 x4 x5
        {1, 2, 3, 1, 1, 2}, {3, 2, 3, 1, 1, 2}, {3, 2, 1, 1, 2, 2}, {3, 2, 1, 1, 2, 2},
        {2, 2, 2, 3, 2, 2}, {2, 2, 2, 3, 2, 2}, {2, 2, 2, 3, 2, 2}, {2, 2, 2, 1, 2, 3},
        {2, 2, 2, 1, 1, 3}, {3, 2, 2, 1, 2, 2}, {2, 2, 2, 1, 1, 1}, {2, 2, 2, 1, 3, 3},
        {2, 2, 2, 1, 1, 2}, {2, 2, 2, 1, 1, 3}, {1, 2, 1, 1, 1, 2}, {1, 2, 1, 1, 1, 2},
    };
    return table[hi][lo];
}

namespace {

using Flow = Instruction::Flow;

// One instruction being decoded: its bytes and the texts of their operands.
class Decoder {
public:
    Decoder(std::uint16_t address, const std::function<std::uint8_t(std::uint16_t)> &fetch) {
        in_.address = address;
        op_ = fetch(address);
        in_.length = instructionLength(op_);
        for (unsigned i = 0; i < in_.length; ++i) in_.bytes[i] = i ? fetch(std::uint16_t(address + i)) : op_;
        b1_ = in_.bytes[1];
        b2_ = in_.bytes[2];
    }

    Instruction decode() {
        const unsigned lo = op_ & 0x0F;
        if (lo == 0x01) absoluteJump();
        else if (lo >= 6) registerColumn();
        else if (!arithmeticColumn() && !controlFlow() && !bitOperation()) byteOperation();
        return in_;
    }

private:
    Instruction in_;
    std::uint8_t op_ = 0, b1_ = 0, b2_ = 0;

    unsigned row() const { return unsigned(op_ >> 4); }
    std::uint16_t next() const { return std::uint16_t(in_.address + in_.length); }
    std::uint16_t rel(std::uint8_t offset) const { return std::uint16_t(next() + std::int8_t(offset)); }
    std::uint16_t word() const { return std::uint16_t(b1_ << 8 | b2_); }

    void set(const char *mnemonic, std::string operands) {
        in_.mnemonic = mnemonic;
        in_.operands = std::move(operands);
    }
    void flow(Flow f, std::uint16_t target) {
        in_.flow = f;
        in_.target = target;
    }
    void undefined() {
        set(".db", hex(op_, 2));
        in_.defined = false;
    }
    // A conditional jump: `operands` before the target.
    void branch(const char *mnemonic, const std::string &operands, std::uint8_t offset) {
        set(mnemonic, operands + hex(rel(offset), 4));
        flow(Flow::Branch, rel(offset));
    }

    // Column 1: ajmp and acall within the 2 KiB page of the next instruction.
    void absoluteJump() {
        const std::uint16_t target = std::uint16_t((next() & 0xF800) | ((op_ & 0xE0) << 3) | b1_);
        const bool call = row() & 1;
        set(call ? "acall" : "ajmp", hex(target, 4));
        flow(call ? Flow::Call : Flow::Jump, target);
    }

    // Columns 6..F: the register operand @r0, @r1, r0..r7.
    void registerColumn() {
        const unsigned lo = op_ & 0x0F;
        const std::string reg = lo >= 8 ? "r" + std::to_string(lo - 8) : "@r" + std::to_string(lo - 6);
        switch (row()) {
        case 0x0: set("inc", reg); break;
        case 0x1: set("dec", reg); break;
        case 0x7: set("mov", reg + ",#" + hex(b1_, 2)); break;
        case 0x8: set("mov", direct(b1_) + "," + reg); break;
        case 0xA: set("mov", reg + "," + direct(b1_)); break;
        case 0xB: branch("cjne", reg + ",#" + hex(b1_, 2) + ",", b2_); break;
        case 0xD:
            if (lo >= 8) branch("djnz", reg + ",", b1_);
            else set("xchd", "a," + reg);
            break;
        case 0xE: set("mov", "a," + reg); break;
        case 0xF: set("mov", reg + ",a"); break;
        default: set(kArithmetic[row()], "a," + reg); break;
        }
    }

    // Columns 4 and 5 of the arithmetic rows: a,#imm and a,direct.
    bool arithmeticColumn() {
        const unsigned lo = op_ & 0x0F;
        if ((lo != 4 && lo != 5) || !kArithmetic[row()] || row() == 0xC || row() == 0xE) return false;
        set(kArithmetic[row()], lo == 4 ? "a,#" + hex(b1_, 2) : "a," + direct(b1_));
        return true;
    }

    // Jumps, branches, calls and returns.
    bool controlFlow() {
        switch (op_) {
        case 0x02: set("ljmp", hex(word(), 4)), flow(Flow::Jump, word()); break;
        case 0x10: branch("jbc", bit(b1_) + ",", b2_); break;
        case 0x12: set("lcall", hex(word(), 4)), flow(Flow::Call, word()); break;
        case 0x20: branch("jb", bit(b1_) + ",", b2_); break;
        case 0x22: set("ret", ""), flow(Flow::Return, 0); break;
        case 0x30: branch("jnb", bit(b1_) + ",", b2_); break;
        case 0x32: set("reti", ""), flow(Flow::Return, 0); break;
        case 0x40: branch("jc", "", b1_); break;
        case 0x50: branch("jnc", "", b1_); break;
        case 0x60: branch("jz", "", b1_); break;
        case 0x70: branch("jnz", "", b1_); break;
        case 0x73: set("jmp", "@a+dptr"), flow(Flow::IndirectJump, 0); break;
        case 0x80: set("sjmp", hex(rel(b1_), 4)), flow(Flow::Jump, rel(b1_)); break;
        case 0xB4: branch("cjne", "a,#" + hex(b1_, 2) + ",", b2_); break;
        case 0xB5: branch("cjne", "a," + direct(b1_) + ",", b2_); break;
        case 0xD5: branch("djnz", direct(b1_) + ",", b2_); break;
        default: return false;
        }
        return true;
    }

    // The carry and bit-addressable operations.
    bool bitOperation() {
        switch (op_) {
        case 0x72: set("orl", "c," + bit(b1_)); break;
        case 0x82: set("anl", "c," + bit(b1_)); break;
        case 0x92: set("mov", bit(b1_) + ",c"); break;
        case 0xA0: set("orl", "c,/" + bit(b1_)); break;
        case 0xA2: set("mov", "c," + bit(b1_)); break;
        case 0xB0: set("anl", "c,/" + bit(b1_)); break;
        case 0xB2: set("cpl", bit(b1_)); break;
        case 0xB3: set("cpl", "c"); break;
        case 0xC2: set("clr", bit(b1_)); break;
        case 0xC3: set("clr", "c"); break;
        case 0xD2: set("setb", bit(b1_)); break;
        case 0xD3: set("setb", "c"); break;
        default: return false;
        }
        return true;
    }

    // The accumulator, direct bytes, dptr and external memory; anything left is undefined.
    void byteOperation() {
        switch (op_) {
        case 0x00: set("nop", ""); break;
        case 0x03: set("rr", "a"); break;
        case 0x04: set("inc", "a"); break;
        case 0x05: set("inc", direct(b1_)); break;
        case 0x13: set("rrc", "a"); break;
        case 0x14: set("dec", "a"); break;
        case 0x15: set("dec", direct(b1_)); break;
        case 0x23: set("rl", "a"); break;
        case 0x33: set("rlc", "a"); break;
        case 0x42: set("orl", direct(b1_) + ",a"); break;
        case 0x43: set("orl", direct(b1_) + ",#" + hex(b2_, 2)); break;
        case 0x52: set("anl", direct(b1_) + ",a"); break;
        case 0x53: set("anl", direct(b1_) + ",#" + hex(b2_, 2)); break;
        case 0x62: set("xrl", direct(b1_) + ",a"); break;
        case 0x63: set("xrl", direct(b1_) + ",#" + hex(b2_, 2)); break;
        case 0x74: set("mov", "a,#" + hex(b1_, 2)); break;
        case 0x75: set("mov", direct(b1_) + ",#" + hex(b2_, 2)); break;
        case 0x83: set("movc", "a,@a+pc"); break;
        case 0x84: set("div", "ab"); break;
        case 0x85: set("mov", direct(b2_) + "," + direct(b1_)); break;  // source byte comes first
        case 0x90: set("mov", "dptr,#" + hex(word(), 4)); break;
        case 0x93: set("movc", "a,@a+dptr"); break;
        case 0xA3: set("inc", "dptr"); break;
        case 0xA4: set("mul", "ab"); break;
        case 0xC0: set("push", direct(b1_)); break;
        case 0xC4: set("swap", "a"); break;
        case 0xC5: set("xch", "a," + direct(b1_)); break;
        case 0xD0: set("pop", direct(b1_)); break;
        case 0xD4: set("da", "a"); break;
        case 0xE0: set("movx", "a,@dptr"); break;
        case 0xE2: set("movx", "a,@r0"); break;
        case 0xE3: set("movx", "a,@r1"); break;
        case 0xE4: set("clr", "a"); break;
        case 0xE5: set("mov", "a," + direct(b1_)); break;
        case 0xF0: set("movx", "@dptr,a"); break;
        case 0xF2: set("movx", "@r0,a"); break;
        case 0xF3: set("movx", "@r1,a"); break;
        case 0xF4: set("cpl", "a"); break;
        case 0xF5: set("mov", direct(b1_) + ",a"); break;
        default: undefined(); break;  // 0xA5
        }
    }
};

}  // namespace

Instruction disassemble(std::uint16_t address, const std::function<std::uint8_t(std::uint16_t)> &fetch) {
    return Decoder(address, fetch).decode();
}

}  // namespace vantor::debug
