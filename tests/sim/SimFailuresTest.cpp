// Failures the user must be told about, and what the host leaves the chip in afterwards.
#include <gtest/gtest.h>

#include <map>

#include "tests/sim/SimRig.h"
#include "usb/Tr600Protocol.h"

using namespace vantor;
using namespace vantor::test;
namespace cmd = vantor::tr600::cmd;

namespace {

std::string hexByte(std::uint8_t b) {
    char text[4];
    std::snprintf(text, sizeof text, "%2.2X", b);
    return text;
}

std::vector<std::uint8_t> requests(const SimRig &rig) {
    std::vector<std::uint8_t> out;
    for (const auto &c : rig.sim.device->commands()) out.push_back(c.request);
    return out;
}

struct QuietFault {
    const char *name;
    sim::Fault fault;
    int op;
    const char *message;
    bool checkId = false;
};

class SimQuietFaults : public ::testing::TestWithParam<QuietFault> {};

// Each of these used to end the run with a failure count and nothing else: no reason for the
// user, and the chip left initialised in the socket.
TEST_P(SimQuietFaults, SayWhatFailedAndReleaseTheChip) {
    const QuietFault &c = GetParam();
    SimRig rig(makeDevice({}));
    rig.buffer.fill(0x00);
    rig.options.ChkDevID = c.checkId ? 1 : 0;
    rig.sim.device->injectFault(c.fault);
    EXPECT_EQ(rig.run(c.op), 0);
    EXPECT_EQ(rig.counters.CntFailed.load(), 1);
    EXPECT_EQ(rig.sim.device->faultsFired(), 1);
    int shown = 0;
    for (const auto &n : rig.sink->all())
        if (n.code == 11 && n.text.find(c.message) != std::string::npos) shown += n.colour == colour::Red;
    EXPECT_EQ(shown, 1) << c.name << ": \"" << c.message << "\" not shown once in red";
    const auto sent = requests(rig);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), cmd::ReleaseDevice) << c.name << ": the target was not released";
    EXPECT_EQ(std::count(sent.begin(), sent.end(), cmd::ReleaseDevice), 1) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    All, SimQuietFaults,
    ::testing::Values(QuietFault{"init never finishes",
                                 {sim::FaultKind::StatusNeverComes, cmd::InitDevice},
                                 kOpRead,
                                 "Initialization device failure"},
                      QuietFault{"identifier never ready",
                                 {sim::FaultKind::StatusNeverComes, cmd::ReadDeviceId},
                                 kOpRead,
                                 "Reading the device ID failed: the programmer did not answer",
                                 true},
                      QuietFault{"identifier lost",
                                 {sim::FaultKind::LoseBulk, cmd::ReadDeviceId},
                                 kOpRead,
                                 "Reading the device ID failed: the identifier did not arrive",
                                 true},
                      QuietFault{"program area never begins",
                                 {sim::FaultKind::StatusNeverComes, cmd::BeginProgram},
                                 kOpProgram,
                                 "Program failed at the start of Code Memory: the programmer did not answer"},
                      QuietFault{"read area refused",
                                 {sim::FaultKind::FinishWithoutSuccess, cmd::BeginRead},
                                 kOpRead,
                                 "Read failed at the start of Code Memory: the programmer reported a failure"},
                      QuietFault{"verify block never ready",
                                 {sim::FaultKind::StatusNeverComes, cmd::ReadBlock},
                                 kOpVerify,
                                 "Verify failed at address 0x0: the programmer did not answer"},
                      QuietFault{"blank block never ready",
                                 {sim::FaultKind::StatusNeverComes, cmd::ReadBlock, 1},
                                 kOpBlank,
                                 "Blank check failed at address 0x100: the programmer did not answer"},
                      QuietFault{"calibration without success",
                                 {sim::FaultKind::FinishWithoutSuccess, cmd::WriteCal},
                                 kOpWriteCal,
                                 "Write Cal. Byte failed: the programmer reported a failure"}),
    [](const auto &info) {
        std::string n = info.param.name;
        for (char &ch : n)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

TEST(SimFailures, AnAreaPastTheBufferIsNamedAndTheChipReleased) {
    DeviceRecord d = makeDevice({});
    d.memory_areas[0] = {0x1000, DataBuffer::kSize - 0x800};
    SimRig rig(d);
    EXPECT_EQ(rig.run(kOpRead), 0);
    EXPECT_TRUE(rig.saw("Read failed: memory area 0 of the device (0x1000 bytes at 0x7FF800) lies outside the buffer"));
    EXPECT_EQ(requests(rig).back(), cmd::ReleaseDevice);
    // One that ends exactly at the buffer's end fits.
    d.memory_areas[0] = {0x800, DataBuffer::kSize - 0x800};
    SimRig fits(d);
    EXPECT_EQ(fits.run(kOpRead), 1);
}

TEST(SimFailures, ALinkThatFailedIsNotUsedToRelease) {
    SimRig rig(makeDevice({}));
    rig.sim.device->injectFault({sim::FaultKind::RefuseControl, cmd::BeginRead});
    EXPECT_EQ(rig.run(kOpRead), 0);
    EXPECT_EQ(rig.timesShown("Communication error!"), 1);
    const auto sent = requests(rig);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), cmd::ReleaseDevice), 0);
}

// Every fault the simulator can inject, at every command of every kind of operation (each
// occurrence of it in the run): a failed run tells the user why in one red message, and no
// message is shown twice (a failed status wait inside a block step used to show
// "Communication error!" from the wait and again from the step; a lost link in a fuse wait
// showed it and the operation's own failure text as well).
TEST(SimFailures, EveryInjectedFaultIsToldExactlyOnce) {
    const DeviceRecord device = makeDevice({.area0 = 0x200, .area1 = 0x100});
    const int ops[] = {kOpProgram,   kOpRead,     kOpVerify,   kOpBlank,   kOpErase,
                       kOpWriteFuse, kOpReadFuse, kOpReadLock, kOpWriteCal};
    const sim::FaultKind kinds[] = {sim::FaultKind::RefuseControl,
                                    sim::FaultKind::LoseBulk,
                                    sim::FaultKind::ShortBulk,
                                    sim::FaultKind::StatusNeverComes,
                                    sim::FaultKind::FinishWithoutSuccess,
                                    sim::FaultKind::Unplug};
    int failedRuns = 0;
    for (int op : ops) {
        // The commands of a clean run, each occurrence a place for a fault.
        std::vector<std::uint8_t> sent;
        {
            SimRig clean(device);
            clean.options.areaMask = 3;
            clean.options.ChkDevID = 1;
            ASSERT_EQ(clean.run(op), 1) << op;
            for (const auto &c : clean.sim.device->commands()) {
                sent.push_back(c.request);
                sent.insert(sent.end(), std::size_t(c.statusPolls), cmd::ReadStatus);
            }
        }
        std::map<std::uint8_t, int> seen;
        for (std::uint8_t command : sent) {
            const int skip = seen[command]++;
            for (sim::FaultKind kind : kinds) {
                SimRig rig(device);
                rig.options.areaMask = 3;
                rig.options.ChkDevID = 1;
                rig.sim.device->injectFault({kind, command, skip});
                const int result = rig.run(op);
                const std::string where = "operation " + std::to_string(op) + ", fault " + std::to_string(int(kind)) +
                                          " at command 0x" + hexByte(command) + " #" + std::to_string(skip);
                std::map<std::string, int> times;
                int reds = 0;
                for (const auto &n : rig.sink->all())
                    if (n.code == 11) {
                        ++times[n.text];
                        reds += n.colour == colour::Red;
                    }
                for (const auto &[text, count] : times) EXPECT_EQ(count, 1) << where << ": \"" << text << "\"";
                // One failure, one red message: a lost link is not also the step's own failure.
                EXPECT_LE(reds, 1) << where;
                if (result == 0) {
                    ++failedRuns;
                    EXPECT_EQ(reds, 1) << where << ": failed without a reason";
                }
            }
        }
    }
    EXPECT_GT(failedRuns, 100);
}

// Reading the lock bits must not turn them into fuse values for the next Write Fuse.
TEST(SimFailures, ReadLockBitsKeepsTheFusesToWrite) {
    DeviceRecord d = makeDevice({});
    for (int i = 0; i < 16; ++i) d.config_data[i] = std::uint8_t(0xC0 + i);
    SimRig rig(d);
    for (int i = 0; i < 16; ++i) rig.chip->lock[std::size_t(i)] = std::uint8_t(0x50 + i);
    EXPECT_EQ(rig.run(kOpReadLock), 1);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(rig.device.config_data[16 + i], 0x50 + i) << i;
    EXPECT_EQ(rig.run(kOpWriteFuse), 1);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(rig.chip->fuses[std::size_t(i)], 0xC0 + i) << i;
    // Read Fuse and Read Config still fill the configuration bytes.
    rig.chip->fuses[0] = 0x11;
    EXPECT_EQ(rig.run(kOpReadFuse), 1);
    EXPECT_EQ(rig.device.config_data[0], 0x11);
    EXPECT_EQ(rig.device.config_data[16], 0x50);
}

// The layout names only the first area of a parallel memory; the second keeps that name.
TEST(SimFailures, AnUnnamedSecondAreaKeepsTheLayoutsName) {
    DeviceSpec layout;
    layout.type = kTypeParallelMemory;
    layout.area0 = 0x400;
    layout.area1 = 0x200;
    SimRig rig(makeDevice(layout));
    rig.options.areaMask = 3;
    EXPECT_EQ(rig.run(kOpRead), 1);
    std::vector<std::string> status;
    for (const auto &n : rig.sink->all())
        if (n.code == 5 && n.text.rfind("Reading", 0) == 0) status.push_back(n.text);
    EXPECT_EQ(status, (std::vector<std::string>{"Reading [EEPROM Memory]...", "Reading [EEPROM Memory]..."}));
}

// The window does not read the buffer during a run; it gets the range the run wrote, once.
TEST(SimFailures, AReadTellsTheWrittenRangeOnceAtItsEnd) {
    SimRig rig(makeDevice({.area0 = 0x1000, .area1 = 0x200}));
    rig.options.areaMask = 3;
    EXPECT_EQ(rig.run(kOpRead), 1);
    std::vector<std::string> changes;
    int resultAt = -1, changeAt = -1, i = 0;
    for (const auto &n : rig.sink->all()) {
        if (n.code == 12) changes.push_back(n.text), changeAt = i;
        if (n.code == 4) resultAt = i;
        ++i;
    }
    EXPECT_EQ(changes, std::vector<std::string>{"0-11FF"});
    EXPECT_LT(changeAt, resultAt) << "before the result, so the counters and the view agree";

    rig.options.areaMask = 2;  // only the second area
    EXPECT_EQ(rig.run(kOpRead), 1);
    bool second = false;
    for (const auto &n : rig.sink->all()) second |= n.code == 12 && n.text == "1000-11FF";
    EXPECT_TRUE(second);

    rig.buffer.fill(0);
    EXPECT_EQ(rig.run(kOpProgram), 1);  // reads nothing into the buffer
    for (const auto &n : rig.sink->all()) EXPECT_NE(n.code, 12);
}

// The window asks the engine interface who is connected, without knowing its class.
TEST(SimFailures, IdentityIsReadableThroughTheEngineInterface) {
    SimRig rig(makeDevice({}));
    const CProgrammer &engine = *rig.programmer;
    const ProgrammerIdentity id = engine.identity();
    EXPECT_TRUE(id.known);
    EXPECT_EQ(id.model, 0x83);
    EXPECT_EQ(id.firmware, "V1.23");
    EXPECT_EQ(id.serial, "20240917");
    EXPECT_FALSE(CProgrammer().identity().known);
    // The last programmer stays named after its link is closed; one never connected is unknown.
    rig.programmer->Close();
    EXPECT_EQ(engine.identity().firmware, "V1.23");
    EXPECT_FALSE(CUsbProgrammer(rig.sim.backend()).identity().known);
    // One whose information block never arrives is not named after the last one.
    rig.sim.device->injectFault({sim::FaultKind::LoseBulk, cmd::ReadInfo});
    int model = -1;
    EXPECT_FALSE(rig.programmer->Connect(model));
    EXPECT_FALSE(engine.identity().known);
}

// A fuse or configuration write is read back and compared in the bits the configuration file
// owns; lock bytes are not read back.
TEST(SimFailures, AWriteTheChipDidNotKeepFailsItsReadBack) {
    DeviceRecord d = makeDevice({});
    for (int i = 0; i < 32; ++i) d.config_data[i] = std::uint8_t(0x40 + i);
    SimRig rig(d);
    const auto sent = [&](std::uint8_t command) {
        const auto all = requests(rig);
        return std::count(all.begin(), all.end(), command);
    };
    const auto writeWithMismatch = [&](int op) {
        rig.sim.device->injectFault({sim::FaultKind::RegisterMismatch});
        return rig.run(op);
    };
    // Nothing owned: nothing to compare, nothing read back.
    EXPECT_EQ(writeWithMismatch(kOpWriteFuse), 1);
    EXPECT_EQ(sent(cmd::ReadFuse), 0);
    // The inverted first byte differs in the owned bits 0x81 only.
    rig.device.configOwned[0] = 0x81;
    EXPECT_EQ(writeWithMismatch(kOpWriteFuse), 0);
    EXPECT_TRUE(rig.saw("Write Fuse failed: byte 0 reads back BF, 40 was written (bits 81 differ)"));
    EXPECT_EQ(writeWithMismatch(kOpWriteConfig), 0);
    EXPECT_TRUE(rig.saw("Write Config failed: byte 0 reads back BF, 40 was written (bits 81 differ)"));
    EXPECT_EQ(rig.run(kOpWriteConfig), 1) << "a write the chip kept";
    // Owned bits elsewhere: the difference in byte 0 does not count.
    rig.device.configOwned[0] = 0;
    rig.device.configOwned[15] = 0xFF;
    EXPECT_EQ(writeWithMismatch(kOpWriteFuse), 1);
    rig.device.configOwned[16] = 0xFF;
    rig.device.configOwned[15] = 0;
    EXPECT_EQ(writeWithMismatch(kOpProtect), 1);
    EXPECT_EQ(sent(cmd::ReadLock), 0);
    // A read-back that never comes is a failure too.
    rig.device.configOwned[1] = 0x01;
    rig.sim.device->injectFault({sim::FaultKind::StatusNeverComes, cmd::ReadFuse});
    EXPECT_EQ(rig.run(kOpWriteFuse), 0);
    EXPECT_TRUE(rig.saw("Write Fuse failed: the bytes written could not be read back (the programmer did not answer)"));
}

// Operations that need a device say so instead of failing quietly.
TEST(SimFailures, AnAreaOperationWithoutADeviceSaysSo) {
    SimRig rig(makeDevice({}));
    rig.programmer->SetContext(&rig.buffer, nullptr, &rig.options);
    const auto message = rig.programmer->Execute(Op::Blank).message();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, "Blank check failed: no device selected");
    EXPECT_EQ(message->colour, colour::Red);
    EXPECT_TRUE(message->bold);
}

// A reply goes out once, as on the wire: a second read without a new command finds nothing, or a
// host that read one block too many would take stale bytes for the next reply.
TEST(SimFailures, TheBoardSendsAReplyOnce) {
    auto board = sim::makeSimulatedProgrammer(0x83);
    auto link = board.backend();
    ASSERT_TRUE(link->openIndex(0));
    ASSERT_TRUE(link->control(UsbDirection::HostToDevice, cmd::ReadInfo, 0, 0, nullptr, 0, 100));
    std::uint8_t block[64] = {};
    EXPECT_GT(link->bulk(tr600::kBulkIn, block, sizeof block, 100), 0);
    EXPECT_EQ(link->bulk(tr600::kBulkIn, block, sizeof block, 100), -1);
}

}  // namespace
