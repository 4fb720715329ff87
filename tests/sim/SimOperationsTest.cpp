// Real operations through CUsbProgrammer, the transport and the TR600 simulator.
#include <gtest/gtest.h>

#include "tests/sim/SimRig.h"

using namespace vantor;
using namespace vantor::test;

namespace {

void fillPattern(DataBuffer &b, std::uint32_t start, std::uint32_t size, std::uint8_t seed) {
    for (std::uint32_t i = 0; i < size; ++i) b[start + i] = std::uint8_t(i * 7 + seed + (i >> 8));
}

}  // namespace

TEST(SimOperations, SingleAreaProgramReadVerifyBlankErase) {
    SimRig rig(makeDevice({}));
    ASSERT_TRUE(rig.connected);
    fillPattern(rig.buffer, 0, 0x10000, 3);

    EXPECT_EQ(rig.run(kOpBlank), 1);
    EXPECT_TRUE(rig.saw("Blank check successful"));
    EXPECT_EQ(rig.run(kOpProgram), 1);
    EXPECT_TRUE(rig.saw("Program successful"));
    for (std::uint32_t i = 0; i < 0x10000; i += 0x1111) EXPECT_EQ(rig.chip->read(0, i), rig.buffer[i]);

    // Read back into a clean buffer: identical content.
    std::vector<std::uint8_t> written(rig.buffer.data(), rig.buffer.data() + 0x10000);
    rig.buffer.fill(0xFF);
    EXPECT_EQ(rig.run(kOpRead), 1);
    EXPECT_TRUE(rig.saw("Read Completed"));
    EXPECT_TRUE(std::equal(written.begin(), written.end(), rig.buffer.data()));
    EXPECT_EQ(rig.run(kOpVerify), 1);
    EXPECT_TRUE(rig.saw("Verify successful"));

    // A different byte: verify stops at it with the device's and the buffer's values.
    rig.buffer[0x1234] = std::uint8_t(rig.buffer[0x1234] ^ 0x5A);
    EXPECT_EQ(rig.run(kOpVerify), 0);
    char expected[96];
    std::snprintf(expected, sizeof expected, "Verify Failed.  Addr: 0x1234  Device: 0x%2.2X  Buffer: 0x%2.2X",
                  written[0x1234], rig.buffer[0x1234]);
    EXPECT_TRUE(rig.saw(expected)) << expected;

    EXPECT_EQ(rig.run(kOpBlank), 0);
    EXPECT_TRUE(rig.saw("Blank check failed   Addr. 0x0    Chip contect: 0x"));
    EXPECT_EQ(rig.run(kOpErase), 1);
    EXPECT_TRUE(rig.saw("Erase Completed"));
    EXPECT_EQ(rig.run(kOpBlank), 1);

    EXPECT_EQ(rig.counters.CntSuccess.load(), 6);
    EXPECT_EQ(rig.counters.CntFailed.load(), 2);
}

TEST(SimOperations, TwoAreaDeviceHonoursTheAreaMask) {
    DeviceSpec chipSpec;
    chipSpec.area0 = 0x2000;
    chipSpec.area1 = 0x800;
    SimRig rig(makeDevice(chipSpec));
    fillPattern(rig.buffer, 0, 0x2800, 9);

    rig.options.areaMask = 2;  // the second area only
    EXPECT_EQ(rig.run(kOpProgram), 1);
    EXPECT_EQ(rig.chip->read(0, 0), 0xFF);
    EXPECT_EQ(rig.chip->read(1, 0x10), rig.buffer[0x2010]);
    EXPECT_TRUE(rig.saw("Program successful"));
    bool namedStatus = false;
    for (const auto &n : rig.sink->all())
        if (n.code == 5 && n.text == "Programming [EEPROM]...") namedStatus = true;
    EXPECT_TRUE(namedStatus);

    rig.options.areaMask = 3;
    EXPECT_EQ(rig.run(kOpProgram), 1);
    std::vector<std::uint8_t> written(rig.buffer.data(), rig.buffer.data() + 0x2800);
    rig.buffer.fill(0xFF);
    EXPECT_EQ(rig.run(kOpRead), 1);
    EXPECT_TRUE(std::equal(written.begin(), written.end(), rig.buffer.data()));
    EXPECT_EQ(rig.run(kOpVerify), 1);
    rig.buffer[0x27FF] ^= 1;
    EXPECT_EQ(rig.run(kOpVerify), 0);
    EXPECT_TRUE(rig.saw("Verify Failed.  Addr: 0x27FF"));
}

TEST(SimOperations, ProgrammingCannotSetBitsWithoutErase) {
    SimRig rig(makeDevice({}));
    rig.buffer.fill(0x00);
    ASSERT_EQ(rig.run(kOpProgram), 1);
    rig.buffer.fill(0x55);
    EXPECT_EQ(rig.run(kOpProgram), 0);
    EXPECT_TRUE(rig.saw("Program Failed"));
    EXPECT_EQ(rig.run(kOpErase), 1);
    EXPECT_EQ(rig.run(kOpProgram), 1);
}

TEST(SimOperations, SingleShotCommandsReachTheChip) {
    DeviceRecord d = makeDevice({});
    for (int i = 0; i < 16; ++i) {
        d.config_data[i] = std::uint8_t(0xC0 + i);
        d.config_data[16 + i] = std::uint8_t(0x30 + i);
    }
    d.config_data[32] = 0x10;  // calibration byte at 0x2010 of a 0x2000-byte area 0: area 1, offset 0x10
    d.config_data[33] = 0x20;
    d.config_data[36] = 2;
    d.memory_areas[0].size_bytes = 0x2000;
    d.memory_areas[1] = {0x800, 0x2000};
    d.area_count = 2;
    SimRig rig(d);

    EXPECT_EQ(rig.run(kOpWriteFuse), 1);
    EXPECT_TRUE(rig.saw("Write fuse completed"));
    EXPECT_EQ(rig.chip->fuses[3], 0xC3);
    EXPECT_EQ(rig.run(kOpWriteConfig), 1);
    EXPECT_EQ(rig.chip->config[15], 0xCF);
    EXPECT_EQ(rig.run(kOpProtect), 1);
    EXPECT_TRUE(rig.saw("Protect Completed"));
    EXPECT_EQ(rig.chip->lock[0], 0x30);

    rig.chip->lock[1] = 0x01;
    EXPECT_EQ(rig.run(kOpReadLock), 1);
    EXPECT_TRUE(rig.saw("Read lock bits completed"));
    EXPECT_EQ(rig.device.config_data[17], 0x01);  // lock bits land in the lock bytes
    EXPECT_EQ(rig.device.config_data[1], 0xC1);   // and leave the configuration bytes alone
    EXPECT_EQ(rig.programmer->lastReadBytes()[1], 0x01);
    EXPECT_EQ(rig.run(kOpReadConfig), 1);
    EXPECT_EQ(rig.device.config_data[1], 0xC1);

    EXPECT_EQ(rig.run(kOpWriteCal), 1);
    EXPECT_TRUE(rig.saw("Write Cal. Byte Successfully"));
    EXPECT_EQ(rig.chip->read(1, 0x10), rig.chip->calibration);
    EXPECT_EQ(rig.chip->calibrationWrites, 1);

    EXPECT_EQ(rig.run(kOpTest), 1);
    EXPECT_TRUE(rig.saw("Test successful"));
    EXPECT_EQ(rig.run(kOpReadCal), 0);  // no such command on this programmer: silent failure
    EXPECT_EQ(rig.run(kOpBootLock), 0);
}

TEST(SimOperations, IdentifierCheckAndWrongChip) {
    DeviceRecord d = makeDevice({});
    SimRig rig(d);
    rig.options.ChkDevID = 1;
    EXPECT_EQ(rig.run(kOpBlank), 1);
    rig.device.device_id[3] = std::uint8_t(rig.chip->chipSpec().id[3] ^ 0x5A);  // a signature is three bytes
    EXPECT_EQ(rig.run(kOpBlank), 1);
    rig.device.device_id[2] = 0x99;  // the host expects another chip than the socket holds
    EXPECT_EQ(rig.run(kOpBlank), 0);
    EXPECT_TRUE(rig.saw("Device ID error"));

    rig.device.algorithm = algo::kAvrSerial;  // the chip does not come up with this algorithm
    EXPECT_EQ(rig.run(kOpBlank), 0);
    EXPECT_TRUE(rig.saw("Initialization device failure"));
}

TEST(SimOperations, WordDeviceKeepsHighBitsClear) {
    DeviceSpec chipSpec;
    chipSpec.width = 14;
    chipSpec.area0 = 0x800;
    chipSpec.algorithm = algo::kPic14;
    SimRig rig(makeDevice(chipSpec));
    EXPECT_EQ(rig.run(kOpBlank), 1);  // erased words read 3FFF: odd bytes 0x3F
    for (std::uint32_t i = 0; i < 0x800; ++i) rig.buffer[i] = std::uint8_t(i);  // high bytes with bits 6,7 set
    EXPECT_EQ(rig.run(kOpProgram), 1);
    EXPECT_EQ(rig.chip->read(0, 0xFF), 0xFF & 0x3F);
    EXPECT_EQ(rig.run(kOpVerify), 1) << "only the low 6 bits of a high byte count";
}

TEST(SimOperations, TwelveBitWordsAreBlankAtFourHighBits) {
    DeviceSpec chipSpec;
    chipSpec.width = 12;
    chipSpec.area0 = 0x400;
    chipSpec.algorithm = algo::kPic12;
    SimRig rig(makeDevice(chipSpec));
    EXPECT_EQ(rig.chip->read(0, 1), 0x0F);
    EXPECT_EQ(rig.run(kOpBlank), 1) << "an erased 12-bit word reads 0FFF";
    maskWordBytes(rig.buffer, rig.device);
    EXPECT_EQ(rig.run(kOpVerify), 1);
    rig.buffer[2] = 0x12;
    EXPECT_EQ(rig.run(kOpProgram), 1);
    EXPECT_EQ(rig.run(kOpBlank), 0);
    EXPECT_TRUE(rig.saw("Blank check failed   Addr. 0x2    Chip contect: 0x12"));
    rig.buffer[3] = 0x3F;  // bits a 12-bit word does not have are not compared
    EXPECT_EQ(rig.run(kOpVerify), 1);
}

// Every fault of the simulator ends in the operation's own message, counted, without a hang.
struct FaultCase {
    const char *name;
    sim::Fault fault;
    int op;
    const char *message;  // "" = fails without a message of its own
};

class SimFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(SimFaults, ProduceTheirMessageAndCountAFailure) {
    const FaultCase &c = GetParam();
    SimRig rig(makeDevice({}));
    rig.buffer.fill(0x00);
    rig.sim.device->injectFault(c.fault);
    const int result = rig.run(c.op);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(rig.counters.CntFailed.load(), 1);
    EXPECT_EQ(rig.sim.device->faultsFired(), 1);
    if (*c.message) {
        EXPECT_TRUE(rig.saw(c.message)) << c.name;
    }
    EXPECT_LT(rig.clock.nowMs(), 5000u) << "poll budgets, not hangs";
}

INSTANTIATE_TEST_SUITE_P(
    All, SimFaults,
    ::testing::Values(
        FaultCase{
            "refused block command", {sim::FaultKind::RefuseControl, 0x88, 3}, kOpProgram, "Communication error!"},
        FaultCase{"refused status read", {sim::FaultKind::RefuseControl, 0x81, 40}, kOpRead, "Communication error!"},
        FaultCase{"lost program block", {sim::FaultKind::LoseBulk, 0x88, 5}, kOpProgram, "Program Failed"},
        FaultCase{"lost read block", {sim::FaultKind::LoseBulk, 0x89, 5}, kOpRead, "Communication error!"},
        FaultCase{"short read block", {sim::FaultKind::ShortBulk, 0x89, 2}, kOpRead, "Communication error!"},
        FaultCase{"program never finishes", {sim::FaultKind::StatusNeverComes, 0x88}, kOpProgram, "Program Failed"},
        FaultCase{"read never ready", {sim::FaultKind::StatusNeverComes, 0x89}, kOpRead, "Read Failed"},
        FaultCase{
            "program without success", {sim::FaultKind::FinishWithoutSuccess, 0x88, 7}, kOpProgram, "Program Failed"},
        FaultCase{"erase without success", {sim::FaultKind::FinishWithoutSuccess, 0x8B}, kOpErase, "Erase failed"},
        FaultCase{"fuse read never ready", {sim::FaultKind::StatusNeverComes, 0x90}, kOpReadFuse, "Read fuse failed"},
        FaultCase{"lock write lost", {sim::FaultKind::LoseBulk, 0x8C}, kOpProtect, "Communication error!"},
        FaultCase{
            "config write fails", {sim::FaultKind::FinishWithoutSuccess, 0x8D}, kOpWriteConfig, "Write cofig failed"},
        FaultCase{"init without success",
                  {sim::FaultKind::FinishWithoutSuccess, 0x82},
                  kOpRead,
                  "Initialization device failure"},
        FaultCase{"blank block never ready", {sim::FaultKind::StatusNeverComes, 0x89, 1}, kOpBlank, ""},
        FaultCase{"calibration without success",
                  {sim::FaultKind::FinishWithoutSuccess, 0x93},
                  kOpWriteCal,
                  "Write Cal. Byte failed: the programmer reported a failure (address 0x0)"},
        FaultCase{
            "unplugged while programming", {sim::FaultKind::Unplug, 0x88, 10}, kOpProgram, "Communication error!"}),
    [](const auto &info) {
        std::string n = info.param.name;
        for (char &ch : n)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

TEST(SimOperations, UnplugLeavesTheNextOperationFailingUntilReplugged) {
    SimRig rig(makeDevice({}));
    rig.sim.device->injectFault({sim::FaultKind::Unplug, 0x89, 3});
    EXPECT_EQ(rig.run(kOpRead), 0);
    // The window thread closes the transport on the removal notice.
    rig.programmer->Close();
    EXPECT_EQ(rig.run(kOpRead), 0);  // EnsureOpen finds nothing: a silent failure
    EXPECT_EQ(rig.sink->count(1), 0);
    int model = -1;
    EXPECT_FALSE(rig.programmer->Connect(model)) << "nothing to connect to";
    EXPECT_EQ(model, -1);
    rig.sim.device->replug();
    // The new link is a new session: the one the last run used must not stay bound.
    EXPECT_TRUE(rig.programmer->Connect(model));
    EXPECT_EQ(model, 0x83);
    EXPECT_EQ(rig.run(kOpRead), 1);
}

TEST(SimOperations, WrongModelCodeFailsTheConnect) {
    SimRig rig(makeDevice({}));
    rig.sim.device->injectFault({sim::FaultKind::WrongModelCode, 0x80});
    int model = 0x83;
    EXPECT_FALSE(rig.programmer->Connect(model));
    EXPECT_FALSE(rig.programmer->usb().IsOpen());
    model = -1;
    EXPECT_TRUE(rig.programmer->Connect(model));
    EXPECT_EQ(model, 0x83);
    EXPECT_EQ(rig.programmer->FirmwareVersionText(), "V1.23");
    EXPECT_EQ(rig.programmer->SerialNumberText(), "20240917");
}
