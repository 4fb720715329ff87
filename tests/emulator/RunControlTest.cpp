// Go, step and stop; breakpoints in the emulator and their markers.
#include <gtest/gtest.h>

#include <future>

#include "tests/emulator/DriverRig.h"

namespace vantor::emx31::test {
namespace {

// 0000 MOV A,#0 / 0002 INC A / 0003 SJMP 0002
const std::vector<std::uint8_t> kCounter{0x74, 0x00, 0x04, 0x80, 0xFD};
// 0000 SETB EA / 0002 SJMP 0002
const std::vector<std::uint8_t> kSpinWithEa{0xD2, 0xAF, 0x80, 0xFE};
// 0000 CLR EA / 0002 SJMP 0002
const std::vector<std::uint8_t> kSpinWithoutEa{0xC2, 0xAF, 0x80, 0xFE};

std::uint8_t accumulator(Rig &rig) {
    std::uint32_t a = 0;
    rig.driver.regAcc(1, AG_REG_A, &a);
    return std::uint8_t(a);
}

TEST(Go, PassCountStopsTheThirdTime) {
    Rig rig;
    rig.loadProgram(kCounter);
    ASSERT_TRUE(rig.connect());
    AG_Breakpoint *bp = rig.addBreakpoint(0x0003, 3);
    rig.driver.goStep(AG_GOSTEP_GO, 0, nullptr);
    EXPECT_EQ(rig.pc, 0xFF000003u);
    EXPECT_EQ(bp->passCount, 1u);
    EXPECT_EQ(accumulator(rig), 3);
    EXPECT_EQ(std::count(rig.callbacks.begin(), rig.callbacks.end(), AG_CB_STOPPED), 1);
    EXPECT_FALSE(rig.driver.running());
}

// Two enabled breakpoints at one address: the first in the host's list decides alone.
TEST(Go, TheFirstBreakpointAtAnAddressDecides) {
    for (const bool countingFirst : {true, false}) {
        Rig rig;
        rig.loadProgram(kCounter);
        ASSERT_TRUE(rig.connect());
        rig.addBreakpoint(0x0003, countingFirst ? 3 : 1);
        AG_Breakpoint *other = rig.addBreakpoint(0x0003, countingFirst ? 1 : 3);
        rig.driver.goStep(AG_GOSTEP_GO, 0, nullptr);
        EXPECT_EQ(rig.pc, 0xFF000003u) << countingFirst;
        EXPECT_EQ(accumulator(rig), countingFirst ? 3 : 1) << countingFirst;
        EXPECT_EQ(other->passCount, countingFirst ? 1u : 3u) << "the second is never counted";
    }
}

TEST(Go, BreakpointAtThePcIsSteppedOverFirst) {
    Rig rig;
    rig.loadProgram(kCounter);
    ASSERT_TRUE(rig.connect());
    rig.driver.goStep(AG_GOSTEP_STEP, 2, nullptr);  // PC 0003, A 1
    EXPECT_EQ(rig.pc, 0xFF000003u);
    rig.addBreakpoint(0x0003);
    rig.newCommands();
    rig.driver.goStep(AG_GOSTEP_GO, 0, nullptr);
    const auto c = rig.newCommands();
    ASSERT_GE(c.size(), 3u);
    EXPECT_EQ(c[0], cmd::Step);  // one step off the breakpoint, then arm and run
    EXPECT_EQ(c[1], cmd::SetBreakpoint);
    EXPECT_EQ(c[2], cmd::Run);
    EXPECT_EQ(rig.pc, 0xFF000003u);
    EXPECT_EQ(accumulator(rig), 2);
}

TEST(Go, CommandTextNeverStopsTheGo) {
    Rig rig;
    rig.loadProgram(kSpinWithEa);
    rig.driver.options().halt = 1;
    ASSERT_TRUE(rig.connect());
    rig.addBreakpoint(0x0002, 1, AG_BP_KIND_EXEC, "echo here");
    auto go = std::async(std::launch::async, [&] { rig.driver.goStep(AG_GOSTEP_GO, 0, nullptr); });
    while (rig.commandCount < 3) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(rig.driver.goStep(AG_GOSTEP_STOP, 0, nullptr), 1u);
    go.get();
    EXPECT_EQ(rig.commandsRun[0], "echo here");
}

TEST(Go, ConditionalBreakpointsSingleStep) {
    // Wherever the conditional breakpoint stands in the list.
    for (const bool conditionalFirst : {true, false}) {
        Rig rig;
        rig.loadProgram(kCounter);
        ASSERT_TRUE(rig.connect());
        if (conditionalFirst) rig.addBreakpoint(0x0040, 1, AG_BP_KIND_COND);
        rig.addBreakpoint(0x0003, 2);
        if (!conditionalFirst) rig.addBreakpoint(0x0040, 1, AG_BP_KIND_COND);
        rig.newCommands();
        rig.driver.goStep(AG_GOSTEP_GO, 0, nullptr);
        EXPECT_TRUE(rig.ui.hasText("Application does not run in real time because of conditional breakpoint(s) !\n"))
            << conditionalFirst;
        const auto c = rig.newCommands();
        EXPECT_EQ(std::count(c.begin(), c.end(), cmd::Run), 0) << conditionalFirst;
        EXPECT_EQ(std::count(c.begin(), c.end(), cmd::SetBreakpoint), 0) << conditionalFirst;
        EXPECT_EQ(rig.pc, 0xFF000003u) << conditionalFirst;
        EXPECT_EQ(accumulator(rig), 2) << conditionalFirst;
    }
}

TEST(Go, LimitAndConflictRepliesDisableTheBreakpoint) {
    Rig rig;
    rig.loadProgram(kCounter);
    rig.sim.device->setBreakpointLimit(1);
    ASSERT_TRUE(rig.connect());
    rig.addBreakpoint(0x0003, 2);
    AG_Breakpoint *over = rig.addBreakpoint(0x0030);
    AG_Breakpoint *monitor = rig.addBreakpoint(0xFC10);
    rig.driver.goStep(AG_GOSTEP_GO, 0, nullptr);
    EXPECT_TRUE(rig.ui.hasText("EMX31 ERROR 11: Can't Set Breakpoint at 0030H, The Amount Exceeded the Limit.\n"));
    EXPECT_TRUE(rig.ui.hasText("EMX31 ERROR 10: Can't Set Breakpoint at FC10H, The Address Conflict.\n"));
    EXPECT_EQ(over->flags & AG_BP_ENABLED, 0u);
    EXPECT_EQ(monitor->flags & AG_BP_ENABLED, 0u);
    EXPECT_EQ(rig.codeAttr[0x30] & 0x48, 0x40);
    EXPECT_EQ(rig.codeAttr[0x03] & 0x48, 0x08);
    EXPECT_EQ(rig.pc, 0xFF000003u);  // the go ran with the breakpoint that was accepted

    // No reply at all: the go does not start on a table the emulator may only half hold.
    Rig lost;
    lost.loadProgram(kCounter);
    ASSERT_TRUE(lost.connect());
    lost.addBreakpoint(0x0003);
    lost.sim.device->injectFault({Emx31FaultKind::RefuseRequest, cmd::SetBreakpoint});
    lost.newCommands();
    lost.driver.goStep(AG_GOSTEP_GO, 0, nullptr);
    const auto sent = lost.newCommands();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), cmd::Run), 0);
    EXPECT_EQ(lost.ui.boxes.size(), 1u);
}

TEST(Go, BreakpointsNextToTheStopAddressStayOutOfTheEmulator) {
    Rig rig;
    rig.loadProgram(std::vector<std::uint8_t>(0x20, 0x00));  // NOPs
    ASSERT_TRUE(rig.connect());
    rig.addBreakpoint(0x000F);
    rig.addBreakpoint(0x0011);
    rig.addBreakpoint(0x0018);
    std::uint32_t target = 0xFF000010;
    rig.driver.goStep(AG_GOSTEP_GO_TO, 0, &target);
    EXPECT_EQ(rig.sim.device->breakpoints(), std::vector<std::uint16_t>{0x0018});
    // 000F is next to the stop address, so it was never set: the go ends at the address.
    EXPECT_EQ(rig.pc, 0xFF000010u);
}

TEST(Stop, FromAnotherThreadHaltsARunningGo) {
    Rig rig;
    rig.loadProgram(kSpinWithEa);
    rig.loadProgram({0x5A, 0x5A}, 0x3C);  // code the host does not see as taking 003B
    ASSERT_TRUE(rig.connect());
    auto go = std::async(std::launch::async, [&] { rig.driver.goStep(AG_GOSTEP_GO, 0, nullptr); });
    while (!rig.sim.device->running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // The board reports running before its core has executed SETB EA, and a halt meets
    // interrupts still disabled that early: let the program reach its loop.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(rig.driver.goStep(AG_GOSTEP_STOP, 0, nullptr), 1u);
    go.get();
    EXPECT_FALSE(rig.driver.running());
    EXPECT_FALSE(rig.driver.stopRequested());
    EXPECT_EQ(rig.pc, 0xFF000002u);
    EXPECT_TRUE(rig.ui.boxes.empty());
    // The halt mechanism took its three code bytes: a jump to the monitor at FC00.
    EXPECT_EQ(rig.sim.device->cpu().readCode(0x3B), 0x02);
    EXPECT_EQ(rig.sim.device->cpu().readCode(0x3C), 0xFC);
    EXPECT_EQ(rig.sim.device->cpu().readCode(0x3D), 0x00);
}

// The board's core takes its lock back after every slice of instructions; a halt queued behind a
// busy core waited for it, and a debugger's pause took seconds on a loaded machine.
TEST(Stop, EndsEveryGoAtOnceWhileTheCoreRunsFlatOut) {
    Rig rig;
    rig.loadProgram(kSpinWithEa);
    rig.loadProgram({0x5A, 0x5A}, 0x3C);
    ASSERT_TRUE(rig.connect());
    using namespace std::chrono;
    auto stopping = steady_clock::duration::zero();
    for (int run = 0; run < 10; ++run) {
        auto go = std::async(std::launch::async, [&] { rig.driver.goStep(AG_GOSTEP_GO, 0, nullptr); });
        while (!rig.sim.device->running()) std::this_thread::sleep_for(milliseconds(1));
        std::this_thread::sleep_for(milliseconds(20));
        const auto start = steady_clock::now();
        EXPECT_EQ(rig.driver.goStep(AG_GOSTEP_STOP, 0, nullptr), 1u) << run;
        go.get();
        stopping += steady_clock::now() - start;
        ASSERT_EQ(rig.pc, 0xFF000002u) << run;
    }
    // About a millisecond a stop now (several under a sanitizer); 20 to 200 when the halt queued
    // behind the core.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    constexpr int kSlowdown = 5;
#else
    constexpr int kSlowdown = 1;
#endif
    EXPECT_LT(duration_cast<milliseconds>(stopping).count(), 150 * kSlowdown);
}

TEST(Stop, HaltFailsWithInterruptsDisabledAndTheUserDecides) {
    Rig rig;
    rig.loadProgram(kSpinWithoutEa);
    ASSERT_TRUE(rig.connect());
    rig.ui.answers = {EMX31_IDNO, EMX31_IDYES};
    auto go = std::async(std::launch::async, [&] { rig.driver.goStep(AG_GOSTEP_GO, 0, nullptr); });
    while (!rig.sim.device->running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(rig.driver.goStep(AG_GOSTEP_STOP, 0, nullptr), 0u);  // No: keeps running
    EXPECT_TRUE(rig.driver.running());
    EXPECT_TRUE(rig.ui.hasBox("Failed to halt running."));
    EXPECT_EQ(rig.driver.goStep(AG_GOSTEP_STOP, 0, nullptr), 1u);  // Yes: reset
    go.get();
    EXPECT_EQ(rig.pc & 0xFFFF, 0u);
}

TEST(Stop, WithoutTheHaltOptionOnlyAResetStops) {
    Rig rig;
    rig.loadProgram(kSpinWithEa);
    rig.driver.options().halt = 0;
    ASSERT_TRUE(rig.connect());
    auto go = std::async(std::launch::async, [&] { rig.driver.goStep(AG_GOSTEP_GO, 0, nullptr); });
    while (!rig.sim.device->running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(rig.driver.goStep(AG_GOSTEP_STOP, 0, nullptr), 1u);
    go.get();
    EXPECT_TRUE(rig.ui.hasBox("The halt function isn't enable"));
    EXPECT_EQ(rig.sim.device->cpu().readCode(0x3B), 0x00);  // no halt bytes without the option
}

TEST(Stop, WhileIdleIsNotKeptForTheNextGoOrStep) {
    Rig rig;
    rig.loadProgram(kCounter);
    ASSERT_TRUE(rig.connect());
    EXPECT_EQ(rig.driver.goStep(AG_GOSTEP_STOP, 0, nullptr), 1u);
    EXPECT_FALSE(rig.driver.stopRequested());
    rig.driver.goStep(AG_GOSTEP_STEP, 1, nullptr);
    EXPECT_EQ(rig.pc, 0xFF000002u);
    rig.driver.goStep(AG_GOSTEP_STOP, 0, nullptr);
    rig.addBreakpoint(0x0003, 2);
    rig.driver.goStep(AG_GOSTEP_GO, 0, nullptr);
    EXPECT_EQ(rig.sim.device->runsStarted(), 2);
    EXPECT_EQ(accumulator(rig), 2);
}

TEST(Stop, EndsAStepSequenceBetweenStepsWithoutHaltOrReset) {
    for (const int halt : {0, 1}) {
        Rig rig;
        rig.loadProgram(kCounter);
        rig.driver.options().halt = halt;
        ASSERT_TRUE(rig.connect());
        rig.newCommands();
        auto steps = std::async(std::launch::async, [&] { rig.driver.goStep(AG_GOSTEP_STEP, 100000000, nullptr); });
        while (rig.sim.device->commands().size() < 20) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(rig.driver.goStep(AG_GOSTEP_STOP, 0, nullptr), 1u);
        steps.get();
        EXPECT_TRUE(rig.ui.boxes.empty()) << halt;
        const auto c = rig.newCommands();
        EXPECT_EQ(std::count(c.begin(), c.end(), cmd::ResetTarget), 0) << halt;  // no reset
        EXPECT_EQ(std::count(c.begin(), c.end(), cmd::Halt), 0) << halt;         // no halt
        EXPECT_EQ(rig.pc & 0xFFFF, rig.sim.device->cpu().pc()) << halt;
        EXPECT_FALSE(rig.driver.running());
    }
}

TEST(Run, CodeAt003BAsksBeforeTheHaltTakesIt) {
    Rig rig;
    rig.loadProgram(kCounter);
    ASSERT_TRUE(rig.connect());
    ASSERT_EQ(rig.write(AG_ADDRESS(AG_SPACE_CODE, 0x38), {0, 0, 0, 0, 0, 0}, AG_MEM_WRITE_CODE), 0u);
    rig.addBreakpoint(0x0003);
    rig.ui.answers = {EMX31_IDNO};
    rig.driver.goStep(AG_GOSTEP_GO, 0, nullptr);
    EXPECT_TRUE(rig.ui.hasBox("the Code 0x003b not reserved"));
    EXPECT_EQ(rig.sim.device->runsStarted(), 0);
    EXPECT_EQ(rig.driver.options().halt, 1);
    rig.ui.answers = {EMX31_IDYES};
    rig.driver.goStep(AG_GOSTEP_GO, 0, nullptr);
    EXPECT_EQ(rig.sim.device->runsStarted(), 1);
    EXPECT_EQ(rig.driver.options().halt, 0);
    EXPECT_EQ(rig.sim.device->cpu().readCode(0x3B), 0x00);
}

TEST(Markers, BpInfoAndBreakFunc) {
    Rig rig;
    ASSERT_TRUE(rig.connect());
    std::uint32_t a = 0xFF000100;
    rig.codeAttr[0x100] = 0x08 | AG_ATTR_CACHED;
    EXPECT_EQ(rig.driver.bpInfo(9, &a), 0u);
    EXPECT_EQ(rig.codeAttr[0x100], 0x40 | AG_ATTR_CACHED);
    EXPECT_EQ(rig.driver.bpInfo(1, &a), 0x40u);
    EXPECT_EQ(rig.driver.bpInfo(8, &a), 0u);
    EXPECT_EQ(rig.codeAttr[0x100], 0x08 | AG_ATTR_CACHED);
    rig.driver.bpInfo(10, &a);
    EXPECT_EQ(rig.codeAttr[0x100], AG_ATTR_CACHED);
    rig.driver.bpInfo(11, &a);
    EXPECT_EQ(rig.codeAttr[0x100] & 0x48, 0x08);
    rig.driver.breakFunc(2, &a, nullptr);  // the breakpoint is gone: so is its mark
    EXPECT_EQ(rig.codeAttr[0x100], AG_ATTR_CACHED);

    rig.addBreakpoint(0x0200);
    AG_Breakpoint *off = rig.addBreakpoint(0x0300);
    off->flags &= ~AG_BP_ENABLED;
    EXPECT_EQ(rig.driver.bpInfo(5, nullptr), 1u);
    EXPECT_EQ(rig.codeAttr[0x200] & 0x48, 0x40);
    EXPECT_EQ(rig.driver.bpInfo(6, nullptr), 2u);
    EXPECT_EQ(rig.codeAttr[0x200] & 0x48, 0);

    AG_Breakpoint access{};
    access.flags = AG_BP_KIND_ACCESS | AG_BP_ENABLED;
    EXPECT_EQ(rig.driver.breakFunc(5, nullptr, &access), nullptr);
    access.flags = AG_BP_KIND_EXEC;
    EXPECT_EQ(rig.driver.breakFunc(5, nullptr, &access), &access);
    std::uint32_t none = AG_ADDRESS(AG_SPACE_CODE, 0x10) | 0x00070000;  // bank 7 has no shadow page
    EXPECT_EQ(rig.driver.bpInfo(1, &none), 0x80000000u);
    EXPECT_EQ(rig.driver.breakFunc(1, &none, &access), nullptr);
}

}  // namespace
}  // namespace vantor::emx31::test
