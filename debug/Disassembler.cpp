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

const char *const kArithmetic[] = {nullptr, nullptr, "add", "addc", "orl", "anl", "xrl", nullptr,
                                   nullptr, "subb", nullptr, nullptr, "xch", nullptr, "mov", nullptr};

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
        if (hi == 0xB) return 3;                             // cjne @ri/rn,#imm,rel
        if (hi == 0xD && lo >= 8) return 2;                  // djnz rn,rel
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

Instruction disassemble(std::uint16_t address, const std::function<std::uint8_t(std::uint16_t)> &fetch) {
    Instruction in;
    in.address = address;
    const std::uint8_t op = fetch(address);
    in.length = instructionLength(op);
    for (unsigned i = 0; i < in.length; ++i) in.bytes[i] = i ? fetch(std::uint16_t(address + i)) : op;
    const std::uint8_t b1 = in.bytes[1], b2 = in.bytes[2];
    const std::uint16_t next = std::uint16_t(address + in.length);
    const auto rel = [&](std::uint8_t offset) { return std::uint16_t(next + std::int8_t(offset)); };
    const unsigned lo = op & 0x0F, hi = op >> 4;
    auto set = [&](const char *m, std::string ops) {
        in.mnemonic = m;
        in.operands = std::move(ops);
    };
    auto flow = [&](Instruction::Flow f, std::uint16_t target) {
        in.flow = f;
        in.target = target;
    };
    // The register operand of the columns 6..F: @r0, @r1, r0..r7.
    const std::string reg = lo >= 8 ? "r" + std::to_string(lo - 8) : lo >= 6 ? "@r" + std::to_string(lo - 6) : "";

    if (lo == 0x01) {
        const std::uint16_t target = std::uint16_t((next & 0xF800) | ((op & 0xE0) << 3) | b1);
        set(hi & 1 ? "acall" : "ajmp", hex(target, 4));
        flow(hi & 1 ? Instruction::Flow::Call : Instruction::Flow::Jump, target);
        return in;
    }
    if (lo >= 6) {
        switch (hi) {
        case 0x0: set("inc", reg); break;
        case 0x1: set("dec", reg); break;
        case 0x7: set("mov", reg + ",#" + hex(b1, 2)); break;
        case 0x8: set("mov", direct(b1) + "," + reg); break;
        case 0xA: set("mov", reg + "," + direct(b1)); break;
        case 0xB: set("cjne", reg + ",#" + hex(b1, 2) + "," + hex(rel(b2), 4)); flow(Instruction::Flow::Branch, rel(b2)); break;
        case 0xD:
            if (lo >= 8) set("djnz", reg + "," + hex(rel(b1), 4)), flow(Instruction::Flow::Branch, rel(b1));
            else set("xchd", "a," + reg);
            break;
        case 0xE: set("mov", "a," + reg); break;
        case 0xF: set("mov", reg + ",a"); break;
        default: set(kArithmetic[hi], "a," + reg); break;
        }
        return in;
    }
    // Columns 4 and 5 of the arithmetic rows: a,#imm and a,direct.
    if ((lo == 4 || lo == 5) && kArithmetic[hi] && hi != 0xC && hi != 0xE) {
        set(kArithmetic[hi], lo == 4 ? "a,#" + hex(b1, 2) : "a," + direct(b1));
        return in;
    }
    using F = Instruction::Flow;
    switch (op) {
    case 0x00: set("nop", ""); break;
    case 0x02: set("ljmp", hex(b1 << 8 | b2, 4)), flow(F::Jump, std::uint16_t(b1 << 8 | b2)); break;
    case 0x03: set("rr", "a"); break;
    case 0x04: set("inc", "a"); break;
    case 0x05: set("inc", direct(b1)); break;
    case 0x10: set("jbc", bit(b1) + "," + hex(rel(b2), 4)), flow(F::Branch, rel(b2)); break;
    case 0x12: set("lcall", hex(b1 << 8 | b2, 4)), flow(F::Call, std::uint16_t(b1 << 8 | b2)); break;
    case 0x13: set("rrc", "a"); break;
    case 0x14: set("dec", "a"); break;
    case 0x15: set("dec", direct(b1)); break;
    case 0x20: set("jb", bit(b1) + "," + hex(rel(b2), 4)), flow(F::Branch, rel(b2)); break;
    case 0x22: set("ret", ""), flow(F::Return, 0); break;
    case 0x23: set("rl", "a"); break;
    case 0x30: set("jnb", bit(b1) + "," + hex(rel(b2), 4)), flow(F::Branch, rel(b2)); break;
    case 0x32: set("reti", ""), flow(F::Return, 0); break;
    case 0x33: set("rlc", "a"); break;
    case 0x40: set("jc", hex(rel(b1), 4)), flow(F::Branch, rel(b1)); break;
    case 0x42: set("orl", direct(b1) + ",a"); break;
    case 0x43: set("orl", direct(b1) + ",#" + hex(b2, 2)); break;
    case 0x50: set("jnc", hex(rel(b1), 4)), flow(F::Branch, rel(b1)); break;
    case 0x52: set("anl", direct(b1) + ",a"); break;
    case 0x53: set("anl", direct(b1) + ",#" + hex(b2, 2)); break;
    case 0x60: set("jz", hex(rel(b1), 4)), flow(F::Branch, rel(b1)); break;
    case 0x62: set("xrl", direct(b1) + ",a"); break;
    case 0x63: set("xrl", direct(b1) + ",#" + hex(b2, 2)); break;
    case 0x70: set("jnz", hex(rel(b1), 4)), flow(F::Branch, rel(b1)); break;
    case 0x72: set("orl", "c," + bit(b1)); break;
    case 0x73: set("jmp", "@a+dptr"), flow(F::IndirectJump, 0); break;
    case 0x74: set("mov", "a,#" + hex(b1, 2)); break;
    case 0x75: set("mov", direct(b1) + ",#" + hex(b2, 2)); break;
    case 0x80: set("sjmp", hex(rel(b1), 4)), flow(F::Jump, rel(b1)); break;
    case 0x82: set("anl", "c," + bit(b1)); break;
    case 0x83: set("movc", "a,@a+pc"); break;
    case 0x84: set("div", "ab"); break;
    case 0x85: set("mov", direct(b2) + "," + direct(b1)); break;  // source byte comes first
    case 0x90: set("mov", "dptr,#" + hex(b1 << 8 | b2, 4)); break;
    case 0x92: set("mov", bit(b1) + ",c"); break;
    case 0x93: set("movc", "a,@a+dptr"); break;
    case 0xA0: set("orl", "c,/" + bit(b1)); break;
    case 0xA2: set("mov", "c," + bit(b1)); break;
    case 0xA3: set("inc", "dptr"); break;
    case 0xA4: set("mul", "ab"); break;
    case 0xA5: set(".db", hex(op, 2)), in.defined = false; break;
    case 0xB0: set("anl", "c,/" + bit(b1)); break;
    case 0xB2: set("cpl", bit(b1)); break;
    case 0xB3: set("cpl", "c"); break;
    case 0xB4: set("cjne", "a,#" + hex(b1, 2) + "," + hex(rel(b2), 4)), flow(F::Branch, rel(b2)); break;
    case 0xB5: set("cjne", "a," + direct(b1) + "," + hex(rel(b2), 4)), flow(F::Branch, rel(b2)); break;
    case 0xC0: set("push", direct(b1)); break;
    case 0xC2: set("clr", bit(b1)); break;
    case 0xC3: set("clr", "c"); break;
    case 0xC4: set("swap", "a"); break;
    case 0xC5: set("xch", "a," + direct(b1)); break;
    case 0xD0: set("pop", direct(b1)); break;
    case 0xD2: set("setb", bit(b1)); break;
    case 0xD3: set("setb", "c"); break;
    case 0xD4: set("da", "a"); break;
    case 0xD5: set("djnz", direct(b1) + "," + hex(rel(b2), 4)), flow(F::Branch, rel(b2)); break;
    case 0xE0: set("movx", "a,@dptr"); break;
    case 0xE2: set("movx", "a,@r0"); break;
    case 0xE3: set("movx", "a,@r1"); break;
    case 0xE4: set("clr", "a"); break;
    case 0xE5: set("mov", "a," + direct(b1)); break;
    case 0xF0: set("movx", "@dptr,a"); break;
    case 0xF2: set("movx", "@r0,a"); break;
    case 0xF3: set("movx", "@r1,a"); break;
    case 0xF4: set("cpl", "a"); break;
    case 0xF5: set("mov", direct(b1) + ",a"); break;
    default: set(".db", hex(op, 2)), in.defined = false; break;
    }
    return in;
}

}  // namespace vantor::debug
