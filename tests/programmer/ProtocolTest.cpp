// The command protocol as the programmer sees it: commands, payloads, poll budgets.
#include <gtest/gtest.h>

#include <tuple>

#include "tests/sim/SimRig.h"

using namespace vantor;
using namespace vantor::test;

namespace {

std::vector<sim::ReceivedCommand> commandsOf(const SimRig &rig, std::uint8_t request) {
    std::vector<sim::ReceivedCommand> out;
    for (auto &c : rig.sim.device->commands())
        if (c.request == request) out.push_back(c);
    return out;
}

std::uint32_t offsetOf(const sim::ReceivedCommand &c) {
    return std::uint32_t(c.data[0]) | std::uint32_t(c.data[1]) << 8 | std::uint32_t(c.data[2]) << 16 |
           std::uint32_t(c.data[3]) << 24;
}

}  // namespace

TEST(Protocol, WaitStatusCountsPollsNotTime) {
    SimRig rig(makeDevice({}));
    // Nothing pending: the status byte stays 0.
    for (int budget : {3000, 500, 100, 200}) {
        const int before = rig.sim.device->statusReads();
        const auto sleeps = rig.clock.sleepCount();
        EXPECT_EQ(rig.programmer->WaitStatus(0x02, budget), WaitResult::NoAnswer);
        EXPECT_EQ(rig.sim.device->statusReads() - before, budget);
        EXPECT_EQ(rig.clock.sleepCount() - sleeps, std::uint64_t(budget));
    }
    rig.programmer->Close();
    EXPECT_EQ(rig.programmer->WaitStatus(0x01, 10), WaitResult::LinkError);
    EXPECT_FALSE(rig.saw("Communication error!")) << "a wait is silent: the step that waited tells it";
}

TEST(Protocol, SingleShotOperationsShowTheirStatusText) {
    SimRig rig(makeDevice({.area0 = 0x100}));
    std::vector<std::string> statuses;
    for (int op : {kOpWriteFuse, kOpReadCal, kOpProgram}) {
        rig.run(op);
        for (const auto &n : rig.sink->all())
            if (n.code == 5) statuses.push_back(n.text);
    }
    // Read Cal. Byte has no text; Program shows its own per memory area.
    EXPECT_EQ(statuses, (std::vector<std::string>{"Writting fuse...", "Programming..."}));
}

TEST(Protocol, EachBlockWaitHasItsBudget) {
    struct Case {
        int op;
        std::uint8_t command;
        int polls;
    };
    for (const Case c : {Case{kOpProgram, 0x88, 3000}, Case{kOpRead, 0x89, 500}, Case{kOpVerify, 0x89, 100},
                         Case{kOpBlank, 0x89, 200}, Case{kOpErase, 0x8B, 500}, Case{kOpReadFuse, 0x90, 100}}) {
        SimRig rig(makeDevice({}));
        rig.buffer.fill(0);
        rig.sim.device->injectFault({sim::FaultKind::StatusNeverComes, c.command});
        EXPECT_EQ(rig.run(c.op), 0) << c.op;
        const auto sent = commandsOf(rig, c.command);
        ASSERT_EQ(sent.size(), 1u) << c.op;
        EXPECT_EQ(sent[0].statusPolls, c.polls) << c.op;
    }
}

TEST(Protocol, FinishedWithoutSuccessFailsAWriteButKeepsAReadPolling) {
    SimRig rig(makeDevice({}));
    rig.buffer.fill(0);
    rig.sim.device->injectFault({sim::FaultKind::FinishWithoutSuccess, 0x88});
    EXPECT_EQ(rig.run(kOpProgram), 0);
    EXPECT_TRUE(rig.saw("Program Failed"));
    auto program = commandsOf(rig, 0x88);
    EXPECT_LE(program.back().statusPolls, 2) << "status 0x02 ends a wait for 0x02 at once";

    rig.sim.device->injectFault({sim::FaultKind::FinishWithoutSuccess, 0x89});
    EXPECT_EQ(rig.run(kOpRead), 0);
    EXPECT_TRUE(rig.saw("Read Failed"));
    EXPECT_EQ(commandsOf(rig, 0x89).back().statusPolls, 500) << "status 0x02 does not answer a wait for 0x01";
}

TEST(Protocol, ReadOf64KiBIsTwoHundredFiftySixBlocksInArea0) {
    SimRig rig(makeDevice({}));
    EXPECT_EQ(rig.run(kOpRead), 1);
    const auto blocks = commandsOf(rig, 0x89);
    ASSERT_EQ(blocks.size(), 256u);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(offsetOf(blocks[i]), i * 256);
        EXPECT_EQ(blocks[i].value, 256);
        EXPECT_EQ(blocks[i].index, 0);
        EXPECT_EQ(blocks[i].data.size(), 4u);
    }
    const auto begin = commandsOf(rig, 0x86);
    ASSERT_EQ(begin.size(), 1u);
    EXPECT_EQ(begin[0].value, 0);
}

TEST(Protocol, BeginCommandsMarkEveryAreaButTheFirst) {
    DeviceSpec chipSpec;
    chipSpec.area0 = 0x1000;
    chipSpec.area1 = 0x200;
    SimRig rig(makeDevice(chipSpec));
    EXPECT_EQ(rig.run(kOpBlank), 1);
    const auto begin = commandsOf(rig, 0x86);
    ASSERT_EQ(begin.size(), 2u);
    EXPECT_EQ(begin[0].value, 0x0000);
    EXPECT_EQ(begin[1].value, 0x8000);
    EXPECT_EQ(begin[0].index, 0);
    EXPECT_EQ(commandsOf(rig, 0x89).back().index, 1);
}

TEST(Protocol, EndRuleProgramsUpToThePageHoldingTheLastData) {
    DeviceSpec chipSpec;
    chipSpec.programPage = 64;
    SimRig rig(makeDevice(chipSpec));
    rig.options.IngoreFFH = 1;
    for (std::uint32_t i = 0; i <= 0x1233; ++i) rig.buffer[i] = std::uint8_t(i);
    rig.buffer[0x1233] = 0x00;
    EXPECT_EQ(CUsbProgrammer::ProgramLastOffset(rig.device, rig.buffer, 0, true), 0x123F);
    // Data that ends on a page boundary keeps that page; one byte more takes the next one whole.
    for (auto [lastData, expected] : {std::pair{0x123Fu, 0x123F}, std::pair{0x1240u, 0x127F}}) {
        rig.buffer[lastData] = 0x00;
        EXPECT_EQ(CUsbProgrammer::ProgramLastOffset(rig.device, rig.buffer, 0, true), expected) << lastData;
        rig.buffer[lastData] = 0xFF;
    }
    EXPECT_EQ(rig.run(kOpProgram), 1);
    const auto blocks = commandsOf(rig, 0x88);
    ASSERT_FALSE(blocks.empty());
    EXPECT_EQ(offsetOf(blocks.back()) + blocks.back().value, 0x1240u);

    // Without page size: one past the last byte that is not 0xFF.
    rig.device.program_page_size = 0;
    EXPECT_EQ(CUsbProgrammer::ProgramLastOffset(rig.device, rig.buffer, 0, true), 0x1234);
    // The device does not allow it, or the option is off: the whole area.
    EXPECT_EQ(CUsbProgrammer::ProgramLastOffset(rig.device, rig.buffer, 0, false), 0xFFFF);
    rig.device.option_flags = 0;
    EXPECT_EQ(CUsbProgrammer::ProgramLastOffset(rig.device, rig.buffer, 0, true), 0xFFFF);
    // Data in the very last byte never takes the program past the area.
    rig.device.option_flags = kOptionIgnoreFF;
    rig.buffer[0xFFFF] = 0;
    EXPECT_EQ(CUsbProgrammer::ProgramLastOffset(rig.device, rig.buffer, 0, true), 0xFFFF);

    // Only the first area is programmed in pages; an area the chip lacks has nothing to program.
    const DeviceRecord two = makeDevice({.area0 = 0x1000, .area1 = 0x200, .programPage = 64});
    rig.buffer.fill(0xFF);
    rig.buffer[0x1010] = 0;
    EXPECT_EQ(CUsbProgrammer::ProgramLastOffset(two, rig.buffer, 1, true), 0x11);
    EXPECT_EQ(CUsbProgrammer::ProgramLastOffset(two, rig.buffer, 0, true), -1);
    EXPECT_EQ(CUsbProgrammer::ProgramLastOffset(two, rig.buffer, 2, true), -1);
    EXPECT_EQ(CUsbProgrammer::ProgramLastOffset(two, rig.buffer, 2, false), -1);
}

TEST(Protocol, AnAllFFAreaProgramsNothingButIsBegun) {
    SimRig rig(makeDevice({}));
    rig.options.IngoreFFH = 1;
    EXPECT_EQ(rig.run(kOpProgram), 1);
    EXPECT_EQ(commandsOf(rig, 0x85).size(), 1u);
    EXPECT_TRUE(commandsOf(rig, 0x88).empty());
}

TEST(Protocol, WordDeviceVerifyComparesSixBitsOfHighBytes) {
    DeviceSpec chipSpec;
    chipSpec.width = 14;
    chipSpec.area0 = 0x400;
    chipSpec.algorithm = algo::kPic14;
    SimRig rig(makeDevice(chipSpec));
    for (std::uint32_t i = 0; i < 0x400; ++i) rig.buffer[i] = i & 1 ? 0xC0 | (i & 0x3F) : std::uint8_t(i);
    ASSERT_EQ(rig.run(kOpProgram), 1);
    EXPECT_EQ(rig.run(kOpVerify), 1);
    rig.buffer[0x101] ^= 0x01;  // a real difference in a high byte
    EXPECT_EQ(rig.run(kOpVerify), 0);
    EXPECT_TRUE(rig.saw("Verify Failed.  Addr: 0x101  Device: 0x01  Buffer: 0xC0"));
    // Blank check of a word device expects 0x3F in the high bytes.
    EXPECT_EQ(rig.run(kOpErase), 1);
    EXPECT_EQ(rig.run(kOpBlank), 1);
}

TEST(Protocol, CalibrationCommandNamesAreaAndOffset) {
    DeviceSpec chipSpec;
    chipSpec.area0 = 0x2000;
    chipSpec.area1 = 0x100;
    DeviceRecord d = makeDevice(chipSpec);
    d.config_data[32] = 0x10;
    d.config_data[33] = 0x20;  // 0x2010
    d.config_data[36] = 7;
    SimRig rig(d);
    EXPECT_EQ(rig.run(kOpWriteCal), 1);
    const auto cal = commandsOf(rig, 0x93);
    ASSERT_EQ(cal.size(), 1u);
    EXPECT_EQ(cal[0].value, 1);
    EXPECT_EQ(cal[0].index, 7);
    EXPECT_EQ(cal[0].data, (std::vector<std::uint8_t>{0x10, 0, 0, 0}));

    rig.device.config_data[33] = 0x01;  // 0x0110 lies in area 0
    EXPECT_EQ(rig.run(kOpWriteCal), 1);
    EXPECT_EQ(commandsOf(rig, 0x93).back().value, 0);
    EXPECT_EQ(offsetOf(commandsOf(rig, 0x93).back()), 0x110u);

    // The first and last byte of area 1; one further lies outside the chip and is never sent.
    for (auto [high, low, offset] : {std::tuple{0x20, 0x00, 0x0u}, std::tuple{0x20, 0xFF, 0xFFu}}) {
        rig.device.config_data[33] = std::uint8_t(high);
        rig.device.config_data[32] = std::uint8_t(low);
        EXPECT_EQ(rig.run(kOpWriteCal), 1) << offset;
        EXPECT_EQ(commandsOf(rig, 0x93).back().value, 1);
        EXPECT_EQ(offsetOf(commandsOf(rig, 0x93).back()), offset);
    }
    rig.device.config_data[33] = 0x21;
    rig.device.config_data[32] = 0x00;
    EXPECT_EQ(rig.run(kOpWriteCal), 0);
    EXPECT_TRUE(rig.saw("Write Cal. Byte failed: address 0x2100 is outside the device's memory"));
    EXPECT_EQ(commandsOf(rig, 0x93).size(), 4u);

    // Without a device there is no address to name: nothing is sent and it is no success.
    rig.programmer->SetContext(&rig.buffer, nullptr, &rig.options);
    EXPECT_FALSE(rig.programmer->Execute(Op::WriteCal));
    EXPECT_EQ(commandsOf(rig, 0x93).size(), 4u);
}

TEST(Protocol, InitialisationCarriesTheDeviceParameters) {
    DeviceSpec chipSpec;
    chipSpec.name = "AT89S52@ISP";
    chipSpec.algorithm = algo::kMcs51Serial;
    chipSpec.programPage = 0x140;
    SimRig rig(makeDevice(chipSpec));
    EXPECT_EQ(rig.run(kOpTest), 1);
    const auto init = commandsOf(rig, 0x82);
    ASSERT_EQ(init.size(), 1u);
    EXPECT_EQ(init[0].value, 1);
    EXPECT_EQ(init[0].index, algo::kMcs51Serial << 8);
    const std::vector<std::uint8_t> payload = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x00,
                                               0x01, 0x40, 0x01, 4,    0,    0,    0,    0};
    EXPECT_EQ(init[0].data, payload);
    EXPECT_EQ(commandsOf(rig, 0x83).size(), 1u) << "released after the operation";
    EXPECT_FALSE(rig.sim.device->isInitialised());
}

TEST(Protocol, CancelEndsAfterTheCurrentBlock) {
    SimRig rig(makeDevice({}));
    rig.sink = std::make_unique<RecordingEngineSink>();
    rig.sink->onStep = [&](int steps) {
        if (steps == 3) rig.programmer->Cancel();
    };
    rig.programmer->setEnvironment({rig.sink.get(), &rig.clock, &rig.prompt, &rig.counters, &rig.disconnected});
    ASSERT_TRUE(rig.programmer->StartOperation(Op::Read));
    rig.programmer->waitIdle();
    EXPECT_EQ(rig.sink->resultValue(), -1);
    EXPECT_EQ(commandsOf(rig, 0x89).size(), 4u);
    EXPECT_EQ(rig.counters.CntFailed.load(), 0);
}

// The progress bar gets one range per area and one step per block (a single-shot command is one
// step). Program and Verify have always counted the blocks after the first, Read and Blank Check
// the whole blocks.
TEST(Protocol, ProgressRangesAndStepsFollowTheBlocks) {
    struct Case {
        int op;
        std::vector<int> ranges;
        int steps;
    };
    // The second area ends one byte into a block.
    for (const Case &c :
         {Case{kOpProgram, {2, 1}, 5}, Case{kOpRead, {3, 1}, 5}, Case{kOpVerify, {2, 1}, 5}, Case{kOpBlank, {3, 1}, 5},
          Case{kOpWriteFuse, {1}, 1}, Case{kOpErase, {1}, 1}, Case{kOpWriteCal, {1}, 1}}) {
        SimRig rig(makeDevice({.area0 = 0x300, .area1 = 0x101}));
        rig.options.areaMask = 3;
        rig.buffer.fill(0xFF);
        ASSERT_EQ(rig.run(c.op), 1) << c.op;
        std::vector<int> ranges;
        for (const auto &n : rig.sink->all())
            if (n.code == 7) ranges.push_back(n.value);
        EXPECT_EQ(ranges, c.ranges) << c.op;
        EXPECT_EQ(rig.sink->steps, c.steps) << c.op;
    }
    // Program with 0xFF left out: only the blocks up to the last data, and none for an erased area.
    SimRig rig(makeDevice({.area0 = 0x300, .area1 = 0x100}));
    rig.options.areaMask = 3;
    rig.options.IngoreFFH = 1;
    rig.buffer[0x110] = 0x00;
    ASSERT_EQ(rig.run(kOpProgram), 1);
    std::vector<int> ranges;
    for (const auto &n : rig.sink->all())
        if (n.code == 7) ranges.push_back(n.value);
    EXPECT_EQ(ranges, (std::vector<int>{1, 0}));
    EXPECT_EQ(rig.sink->steps, 2);
    const auto blocks = commandsOf(rig, 0x88);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[1].value, 0x12) << "up to one past the last data byte";
}
