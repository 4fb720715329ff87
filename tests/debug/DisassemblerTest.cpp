// The disassembler against sdcc's own assembler: every instruction of the test program's listings
// and one of every opcode, as sdas8051 encoded them.
#include <gtest/gtest.h>

#include <regex>

#include "debug/Disassembler.h"
#include "ProgramFiles.h"

namespace vantor::debug {
namespace {

using testing::programFile;
using testing::readText;

struct Listed {
    std::uint16_t address;
    std::vector<std::uint8_t> bytes;
    std::string mnemonic, operands, where;
};

std::vector<Listed> instructionsOf(const std::string &rst) {
    static const std::regex line(
        R"(^\s+([0-9A-F]{6}) ((?:[0-9A-F]{2} ){1,3})\s*\[\s*\d+\]\s+(\d+)\s+(\S+)\s*(.*?)\s*$)");
    std::vector<Listed> out;
    std::istringstream text(readText(programFile(rst)));
    for (std::string l; std::getline(text, l);) {
        std::smatch m;
        if (!std::regex_match(l, m, line)) continue;
        Listed in;
        in.address = std::uint16_t(std::stoul(m[1], nullptr, 16));
        std::istringstream bytes(m[2]);
        for (std::string b; bytes >> b;) in.bytes.push_back(std::uint8_t(std::stoul(b, nullptr, 16)));
        in.mnemonic = m[4];
        in.operands = m[5];
        const auto comment = in.operands.find(';');
        if (comment != std::string::npos) in.operands.erase(comment);
        while (!in.operands.empty() && std::isspace(static_cast<unsigned char>(in.operands.back())))
            in.operands.pop_back();
        in.where = rst + ":" + std::string(m[3]);
        out.push_back(in);
    }
    return out;
}

std::vector<std::string> operandList(const std::string &text) {
    std::vector<std::string> out;
    std::string current;
    for (char c : text) {
        if (c == ',') out.push_back(current), current.clear();
        else if (!std::isspace(static_cast<unsigned char>(c)))
            current += char(std::tolower(static_cast<unsigned char>(c)));
    }
    if (!current.empty()) out.push_back(current);
    return out;
}

// The listing writes symbols where the disassembler writes numbers; compare what both spell out.
void expectSameOperand(const std::string &listed, const std::string &decoded, const std::string &where) {
    static const std::regex number(R"((#?)(0x[0-9a-f]+|\d+))");
    static const std::regex plain(R"(a|c|ab|dptr|@dptr|@a\+dptr|@a\+pc|r[0-7]|@r[01]|sp|dpl|dph|psw|acc|b)");
    std::smatch m;
    if (std::regex_match(listed, m, number)) {
        std::smatch d;
        ASSERT_TRUE(std::regex_match(decoded, d, number)) << where << ": " << listed << " vs " << decoded;
        EXPECT_EQ(m[1], d[1]) << where;
        EXPECT_EQ(std::stoul(m[2], nullptr, 0), std::stoul(d[2], nullptr, 0))
            << where << ": " << listed << " vs " << decoded;
    } else if (listed.size() == 3 && listed.rfind("ar", 0) == 0) {
        EXPECT_EQ(std::stoul(decoded, nullptr, 0), unsigned(listed[2] - '0')) << where;  // arN: Rn as a direct address
    } else if (std::regex_match(listed, plain)) {
        EXPECT_EQ(listed, decoded) << where;
    }
}

void checkListing(const std::string &rst, std::size_t atLeast) {
    const auto listed = instructionsOf(rst);
    ASSERT_GE(listed.size(), atLeast) << rst;
    for (const auto &l : listed) {
        const Instruction in = disassemble(l.address, [&](std::uint16_t a) {
            const unsigned i = a - l.address;
            return i < l.bytes.size() ? l.bytes[i] : std::uint8_t(0);
        });
        ASSERT_EQ(in.length, l.bytes.size()) << l.where << " " << l.mnemonic;
        EXPECT_EQ(in.mnemonic, l.mnemonic) << l.where;
        const auto a = operandList(l.operands), b = operandList(in.operands);
        ASSERT_EQ(a.size(), b.size()) << l.where << ": " << l.operands << " vs " << in.operands;
        for (std::size_t i = 0; i < a.size(); ++i) expectSameOperand(a[i], b[i], l.where);
    }
}

TEST(Disassembler, AgreesWithTheListingsOfTheTestProgram) {
    checkListing("main.rst", 200);
    checkListing("shapes.rst", 60);
    checkListing("arith.rst", 40);
}

TEST(Disassembler, DecodesEveryOpcodeAsTheAssemblerEncodesIt) {
    const auto listed = instructionsOf("allops.rst");
    std::vector<bool> seen(256);
    for (const auto &l : listed) seen[l.bytes[0]] = true;
    for (int op = 0; op < 256; ++op) EXPECT_EQ(seen[std::size_t(op)], op != 0xA5) << std::hex << op;
    checkListing("allops.rst", 255);
    const Instruction reserved = disassemble(0, [](std::uint16_t) { return std::uint8_t(0xA5); });
    EXPECT_FALSE(reserved.defined);
    EXPECT_EQ(reserved.length, 1u);
}

TEST(Disassembler, FlowAndTargets) {
    auto decode = [](std::uint16_t at, std::vector<std::uint8_t> bytes) {
        return disassemble(at, [&](std::uint16_t a) { return bytes[std::size_t(a - at) % bytes.size()]; });
    };
    using F = Instruction::Flow;
    struct Case {
        std::uint16_t at;
        std::vector<std::uint8_t> bytes;
        const char *text;
        F flow;
        std::uint16_t target;
    };
    const Case cases[] = {
        {0x07FE, {0x11, 0x23}, "acall\t0x0823", F::Call, 0x0823},  // the page of the next instruction
        {0x1000, {0xE1, 0xFF}, "ajmp\t0x17FF", F::Jump, 0x17FF},
        {0x0100, {0x80, 0xFE}, "sjmp\t0x0100", F::Jump, 0x0100},
        {0x0100, {0x70, 0x80}, "jnz\t0x0082", F::Branch, 0x0082},
        {0x0200, {0xD8, 0x02}, "djnz\tr0,0x0204", F::Branch, 0x0204},
        {0x0200, {0x10, 0xE7, 0x03}, "jbc\tacc.7,0x0206", F::Branch, 0x0206},
        {0x0200, {0x85, 0x81, 0x1A}, "mov\t0x1A,sp", F::Next, 0},
        {0x0200, {0x22}, "ret", F::Return, 0},
        {0x0200, {0x73}, "jmp\t@a+dptr", F::IndirectJump, 0},
        {0x0200, {0x12, 0x02, 0xC6}, "lcall\t0x02C6", F::Call, 0x02C6},
    };
    for (const auto &c : cases) {
        const Instruction in = decode(c.at, c.bytes);
        EXPECT_EQ(in.text(), c.text);
        EXPECT_EQ(in.flow, c.flow) << c.text;
        if (c.flow != F::Next && c.flow != F::Return && c.flow != F::IndirectJump)
            EXPECT_EQ(in.target, c.target) << c.text;
    }
}

}  // namespace
}  // namespace vantor::debug
