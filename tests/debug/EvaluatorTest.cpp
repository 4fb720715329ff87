// The evaluator and the unwinder on memory laid out as the test program lays it out.
#include <gtest/gtest.h>

#include <cstring>

#include "debug/Disassembler.h"
#include "debug/Evaluator.h"
#include "debug/SourceMap.h"
#include "ProgramFiles.h"

namespace vantor::debug {
namespace {

using testing::MemoryTarget;
using testing::programInfo;

std::uint32_t addressOf(const std::string &name) {
    for (const auto &s : programInfo().symbols())
        if (s.name == name && s.address) return *s.address;
    throw std::runtime_error("no address for " + name);
}

class EvaluatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        // What main leaves behind after its set-up lines, as the program's own stores would.
        const std::uint32_t box = addressOf("box");
        const std::uint8_t shape[14] = {3, 0xFE, 0x2C, 0x01, 8, 0x36, 0x01, 0x10, 0, 0, 0, 0, 0, 0x80};
        std::memcpy(&target.xdata[box], shape, sizeof shape);
        const std::uint32_t greeting = addressOf("greeting");
        target.xdata[box + 11] = std::uint8_t(greeting);
        target.xdata[box + 12] = std::uint8_t(greeting >> 8);
        target.ram[addressOf("negative")] = 0xF9;
        const std::uint32_t xp = addressOf("xp");
        target.ram[xp] = std::uint8_t(box), target.ram[xp + 1] = std::uint8_t(box >> 8);
        const std::uint32_t gp = addressOf("gp");
        target.ram[gp] = std::uint8_t(addressOf("negative")), target.ram[gp + 1] = 0, target.ram[gp + 2] = 0x40;
        const float ratio = 1.5f;
        std::memcpy(&target.ram[addressOf("ratio")], &ratio, 4);
        const std::uint32_t words = addressOf("idata_words");
        target.ram[words + 4] = 0x33, target.ram[words + 5] = 0x33;
        target.ram[5] = 0x39, target.ram[6] = 0x30;  // total = 0x3039 in R5/R6
        target.programCounter = *SourceMap(programInfo()).entryAddress(*programInfo().findFunction("main"));
    }
    std::string print(const std::string &expression) {
        Evaluator e(programInfo(), target, frame());
        std::string error;
        auto v = e.evaluate(expression, error);
        if (!v) return "error: " + error;
        return e.format(*v, error);
    }
    Frame frame() {
        Frame f;
        f.pc = target.programCounter;
        f.function = programInfo().functionAt(f.pc);
        return f;
    }
    MemoryTarget target;
};

TEST_F(EvaluatorTest, FormatsByType) {
    const struct {
        const char *expression, *expected;
    } cases[] = {
        {"box.kind", "3 '\\003'"},
        {"box.corner[0].x", "-2 '\\376'"},
        {"box.corner[1].y", "310"},
        {"box.corner[1]", "{x = 8 '\\010', y = 310}"},
        {"box.area", "16"},
        {"box.name", "C:0x"},
        {"greeting", "\"hi51\""},
        {"negative", "-7 '\\371'"},
        {"*gp", "249 '\\371'"},
        {"xp->corner[0].y", "error: not a struct: no member corner"},
        {"*xp", "3 '\\003'"},
        {"ratio", "1.5"},
        {"ratio * 2", "3"},
        {"idata_words[2]", "13107"},
        {"idata_words[3]", "error: index 3 out of bounds"},
        {"total", "12345"},
        {"R5", "57 '9'"},
        {"PSW", "0 '\\0'"},
        {"box.corner[1].y - box.corner[0].y", "10"},
        {"box.corner[1].y == 310", "1"},
        {"X:", "error: address expected after X:"},
        {"nosuch", "error: No symbol \"nosuch\" in current context."},
        {"box.nosuch", "error: There is no member named nosuch."},
        {"negative.x", "error: not a struct: no member x"},
        {"*negative", "error: Attempt to take contents of a non-pointer value."},
        {"3 / 0", "error: division by zero"},
        {"(1 + 2) * 4 % 5", "2"},
        {"box.kind +", "error: expression expected"},
        {"frame", "error: No symbol \"frame\" in current context."},
    };
    for (const auto &c : cases) {
        const std::string got = print(c.expression);
        EXPECT_EQ(got.substr(0, std::strlen(c.expected)), c.expected) << c.expression << " -> " << got;
    }
    EXPECT_NE(print("box.name").find("\"hi51\""), std::string::npos) << print("box.name");
    EXPECT_NE(print("&box").find("X:0x"), std::string::npos);
    EXPECT_EQ(print("*&box.corner[1].y"), "310");
    EXPECT_EQ(
        print("box").rfind(
            "{kind = 3 '\\003', corner = {{x = -2 '\\376', y = 300}, {x = 8 '\\010', y = 310}}, area = 16, name = C:0x",
            0),
        0u);
}

TEST_F(EvaluatorTest, AssignsThroughEveryKindOfLocation) {
    Evaluator e(programInfo(), target, frame());
    std::string error;
    const struct {
        const char *lhs, *rhs, *readBack;
    } cases[] = {
        {"box.corner[1].y", "-5", "-5"}, {"total", "0x1234", "4660"},
        {"ratio", "2.25", "2.25"},       {"TR0", "1", "1"},
        {"paged", "0x77", "119 'w'"},    {"X:10", "0xAB", "171 '\\253'"},
        {"I:90", "7", "7 '\\007'"},      {"R7", "9", "9 '\\011'"},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(e.assign(c.lhs, c.rhs, error)) << c.lhs << ": " << error;
        EXPECT_EQ(print(c.lhs), c.readBack) << c.lhs;
    }
    EXPECT_EQ(target.xdata[addressOf("box") + 5], 0xFB);
    EXPECT_EQ(target.ram[5], 0x34);
    EXPECT_EQ(target.sfr[0x88], 0x10);  // TR0 is bit 4 of TCON
    // Registers follow the bank PSW selects.
    target.sfr[0xD0] = 0x18;
    ASSERT_TRUE(e.assign("R2", "0x42", error));
    EXPECT_EQ(target.ram[0x1A], 0x42);
    EXPECT_EQ(target.xdata[addressOf("paged")], 0x77);  // P2 = 0: page 0
    EXPECT_FALSE(e.assign("greeting", "1", error));
    EXPECT_FALSE(e.assign("3", "1", error));
    EXPECT_NE(error.find("not an lvalue"), std::string::npos) << error;
}

TEST_F(EvaluatorTest, UnwindsCallsAndFindsStackLocals) {
    // main called factorial, which called itself once: two return addresses and a saved _bp.
    const DebugInfo &info = programInfo();
    const Function &main = *info.findFunction("main");
    const Function &factorial = *info.findFunction("factorial");
    auto callSiteOf = [&](const Function &in, std::uint16_t callee) {
        for (std::uint32_t a = in.start; a <= in.end;) {
            const Instruction i = disassemble(std::uint16_t(a), [&](std::uint16_t x) { return target.code[x]; });
            if (i.flow == Instruction::Flow::Call && i.target == callee) return i.next();
            a += i.length;
        }
        throw std::runtime_error("no call");
    };
    const std::uint16_t inMain = callSiteOf(main, factorial.start),
                        inFactorial = callSiteOf(factorial, factorial.start);
    const auto bp = framePointerAddress(factorial, target);
    ASSERT_TRUE(bp);
    // Stack from 0x30: [ret main][old bp][frame 2 bytes][ret factorial][saved bp][frame 2 bytes]
    std::uint8_t *s = &target.ram[0x30];
    s[0] = std::uint8_t(inMain), s[1] = std::uint8_t(inMain >> 8), s[2] = 0x00, s[3] = 5, s[4] = 6;
    s[5] = std::uint8_t(inFactorial), s[6] = std::uint8_t(inFactorial >> 8), s[7] = 0x32, s[8] = 4, s[9] = 5;
    target.sfr[0x81] = 0x39;
    target.ram[*bp] = 0x37;
    target.sfr[0xD0] = 0;
    target.programCounter = *SourceMap(info).entryAddress(factorial);
    std::string error;
    const auto frames = unwindStack(info, target, error);
    ASSERT_EQ(frames.size(), 3u) << error;
    EXPECT_EQ(frames[0].function, &factorial);
    EXPECT_EQ(frames[1].function, &factorial);
    EXPECT_EQ(frames[2].function, &main);
    EXPECT_EQ(frames[1].pc, inFactorial);
    EXPECT_EQ(frames[2].pc, inMain);
    EXPECT_EQ(frames[0].framePointer, 0x37);
    EXPECT_EQ(frames[1].framePointer, 0x32);
    EXPECT_FALSE(frames[1].innermost);
    Evaluator inner(info, target, frames[0]), outer(info, target, frames[1]);
    auto frameValue = [&](Evaluator &e) {
        auto v = e.evaluate("frame", error);
        return v ? e.format(*v, error) : error;
    };
    EXPECT_EQ(frameValue(inner), "\"\\004\\005\"");
    EXPECT_EQ(frameValue(outer), "\"\\005\\006\"");
    auto n = outer.evaluate("n", error);
    ASSERT_TRUE(n);
    EXPECT_EQ(outer.format(*n, error), "<not saved in outer frames>");
}

}  // namespace
}  // namespace vantor::debug
