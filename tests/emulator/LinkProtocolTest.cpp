// Status waits, identification, connection and the reply table.
#include <gtest/gtest.h>

#include <set>

#include "tests/emulator/DriverRig.h"

namespace vantor::emx31::test {
namespace {

// A device that answers every status read with a fixed byte.
class FixedStatus : public SimulatedUsbDevice {
public:
    explicit FixedStatus(std::uint8_t s) : status(s) {}
    bool attached() const override { return true; }
    bool setConfiguration(int) override { return true; }
    bool claimInterface(int) override { return true; }
    bool vendorRequest(UsbDirection, std::uint8_t, std::uint16_t, std::uint16_t, std::uint8_t *data,
                       std::uint16_t length) override {
        ++reads;
        if (clock) clock->advance(1);
        if (length && data) data[0] = status;
        return true;
    }
    int bulkOut(std::uint8_t, const std::uint8_t *, int size, unsigned) override { return size; }
    int bulkIn(std::uint8_t, std::uint8_t *, int size, unsigned) override { return size; }
    std::uint8_t status;
    int reads = 0;
    TestClock *clock = nullptr;
};

struct Waiter {
    explicit Waiter(std::uint8_t status) : device(std::make_shared<FixedStatus>(status)), link(ui, clock) {
        device->clock = &clock;
        auto bus = std::make_shared<SimulatedBus>();
        bus->plug(0, device);
        link.setBackend(std::make_unique<SimulatorBackend>(bus));
        TargetOptions o;
        link.connect(o, true);
    }
    RecordingUi ui;
    TestClock clock;
    std::shared_ptr<FixedStatus> device;
    CEmulatorLink link;
};

TEST(StatusWait, FinishedDecidesWhateverWasAwaited) {
    EXPECT_EQ(Waiter(0x06).link.waitReady(st::DataReady, 200), WaitResult::Done);
    EXPECT_EQ(Waiter(0x02).link.waitReady(st::DataReady, 200), WaitResult::Failed);
    EXPECT_EQ(Waiter(0x82).link.waitReady(st::Ready, 200), WaitResult::Failed);
    EXPECT_EQ(Waiter(0xA0).link.waitReady(st::DataReady, 200), WaitResult::Done);
    Waiter w(0x20);
    const std::uint64_t start = w.clock.nowMs();
    const int readsBefore = w.device->reads;
    EXPECT_EQ(w.link.waitReady(st::Finished, 200), WaitResult::NoAnswer);
    EXPECT_GE(w.clock.nowMs() - start, 200u);
    // A pause between reads: the device is not asked once per fake millisecond.
    EXPECT_LE(w.device->reads - readsBefore, 110);
}

TEST(StatusWait, ChipStatus) {
    EXPECT_EQ(Waiter(0x02).link.waitChipStatus(300), WaitResult::Failed);
    EXPECT_EQ(Waiter(0x06).link.waitChipStatus(300), WaitResult::Done);
    EXPECT_EQ(Waiter(0x04).link.waitChipStatus(300), WaitResult::NoAnswer);
}

TEST(Identification, FirmwareAndSerialNumber) {
    std::uint8_t block[32] = {};
    block[1] = 1;
    block[2] = 0x23;
    block[5] = 0x12;
    block[6] = 0x34;
    block[7] = 0x56;
    block[8] = 0x78;
    EXPECT_EQ(identificationText(block), "Firmware: V1.23\r\nPSN: 12345678\r\n");
}

TEST(Connect, NoEmulatorShowsOnlyNotDetected) {
    Rig rig;
    rig.sim.bus->unplug(0);
    EXPECT_FALSE(rig.connect());
    ASSERT_EQ(rig.ui.boxes.size(), 1u);
    EXPECT_EQ(rig.ui.boxes[0].text, "EMX31 is not detected!\r\nPlease connect the board and try again!");
    EXPECT_EQ(rig.ui.boxes[0].caption, "EMX31 Notice");
    EXPECT_FALSE(rig.driver.link().linkFailed);
    EXPECT_TRUE(rig.ui.posts.empty());
}

TEST(Connect, AdapterStageRunsForAdapterDownloadsAndAfterAReset) {
    {
        Rig rig;  // first connection, target-chip download: no adapter stage
        ASSERT_TRUE(rig.connect());
        const auto c = rig.newCommands();
        EXPECT_EQ(std::count(c.begin(), c.end(), cmd::AdapterPresent), 0);
    }
    {
        Rig rig;
        rig.driver.options().flash = 16;
        ASSERT_TRUE(rig.connect());
        const auto c = rig.newCommands();
        EXPECT_EQ(c, (std::vector<std::uint8_t>{1, 3, 2, 6}));
        EXPECT_EQ(rig.driver.link().adapterIdentification()[1], 'P');
    }
    {
        Rig rig(false);  // no adapter
        rig.driver.options().flash = 16;
        EXPECT_FALSE(rig.connect());
        EXPECT_TRUE(rig.ui.hasBox("Cann't find the Debug Adapter(PRB31)!"));
        EXPECT_FALSE(rig.driver.link().linkFailed);
    }
}

TEST(Connect, AdapterFailuresGiveTheirMessages) {
    struct Case {
        Emx31FaultKind kind;
        int command;
        const char *message;
        bool linkFailed;
    };
    const Case cases[] = {
        {Emx31FaultKind::FinishWithoutSuccess, cmd::InitAdapter, "Error, Failed to Initialize Debug Adapter(PRB31).",
         false},
        {Emx31FaultKind::StatusNeverComes, cmd::InitAdapter, "Error, the Debug Adapter(PRB31) respond timeout.", true},
        {Emx31FaultKind::RefuseRequest, cmd::AdapterPresent, "EMX31 Commucation error.", true},
        {Emx31FaultKind::FinishWithoutSuccess, cmd::ReadAdapterId, "Error, the emulator operation failed.", false},
        {Emx31FaultKind::StatusNeverComes, cmd::ReadAdapterId, "Error, the Debug Adapter(PRB31) respond timeout.",
         true},
    };
    for (const auto &c : cases) {
        Rig rig;
        rig.driver.options().flash = 16;
        rig.sim.device->injectFault({c.kind, c.command});
        EXPECT_FALSE(rig.connect()) << c.message;
        ASSERT_EQ(rig.ui.boxes.size(), 1u) << c.message;  // told once
        EXPECT_EQ(rig.ui.boxes[0].text, c.message);
        EXPECT_EQ(bool(rig.driver.link().linkFailed), c.linkFailed) << c.message;
        EXPECT_EQ(rig.ui.posts.size(), c.linkFailed ? 1u : 0u) << c.message;
    }
    // The emulator's own identification is not optional: without it there is no connection.
    for (const auto kind : {Emx31FaultKind::RefuseRequest, Emx31FaultKind::LoseBulk}) {
        Rig rig;
        rig.sim.device->injectFault({kind, cmd::ReadId});
        EXPECT_FALSE(rig.connect()) << int(kind);
        EXPECT_EQ(rig.ui.boxes.size(), 1u) << int(kind);
        EXPECT_FALSE(rig.driver.link().connected()) << int(kind);
    }
    // A lost adapter block is allowed: the connection is made without it.
    Rig rig;
    rig.driver.options().flash = 16;
    rig.sim.device->injectFault({Emx31FaultKind::LoseBulk, cmd::ReadAdapterId});
    EXPECT_TRUE(rig.connect());
}

TEST(ReplyTable, FailuresOfReadsAndWrites) {
    Rig rig;
    ASSERT_TRUE(rig.connect());
    std::uint8_t buffer[8];
    // A refused request: 5027, the link is lost and closed.
    rig.sim.device->injectFault({Emx31FaultKind::RefuseRequest, cmd::ReadXdata});
    EXPECT_EQ(rig.read(AG_ADDRESS(AG_SPACE_XDATA, 0x10), buffer, 8), AG_MEM_READ_FAILED);
    EXPECT_EQ(rig.failing, 0x01000010u);
    EXPECT_TRUE(rig.ui.hasBox("EMX31 Commucation error."));
    EXPECT_EQ(rig.ui.posts, std::vector<unsigned>{AG_MSG_LINK_LOST});
    EXPECT_EQ(rig.read(AG_ADDRESS(AG_SPACE_XDATA, 0x10), buffer, 8), 1u);

    // Failed internal-data write: 5029.
    ASSERT_TRUE(rig.connect());
    rig.ui.clear();
    rig.sim.device->injectFault({Emx31FaultKind::FinishWithoutSuccess, cmd::WriteIdata});
    EXPECT_EQ(rig.write(AG_ADDRESS(AG_SPACE_DATA, 0x30), {1, 2}), AG_MEM_WRITE_FAILED);
    EXPECT_TRUE(rig.ui.hasBox("Error, Failed to update user data."));

    // A failed external-data write shows nothing of its own.
    ASSERT_TRUE(rig.connect());
    rig.ui.clear();
    rig.sim.device->injectFault({Emx31FaultKind::FinishWithoutSuccess, cmd::WriteXdata});
    EXPECT_EQ(rig.write(AG_ADDRESS(AG_SPACE_XDATA, 0x30), {1, 2}), AG_MEM_WRITE_FAILED);
    EXPECT_TRUE(rig.ui.boxes.empty());

    // A lost bulk read of internal data: 5027 and the link is lost.
    ASSERT_TRUE(rig.connect());
    rig.ui.clear();
    rig.sim.device->injectFault({Emx31FaultKind::LoseBulk, cmd::ReadIdata});
    EXPECT_EQ(rig.read(AG_ADDRESS(AG_SPACE_IDATA, 0x30), buffer, 4), AG_MEM_READ_FAILED);
    EXPECT_TRUE(rig.ui.hasBox("EMX31 Commucation error."));
    EXPECT_EQ(rig.failing, 0xF3000030u);

    // Unplugged in the middle of a session.
    ASSERT_TRUE(rig.connect());
    rig.ui.clear();
    rig.sim.device->injectFault({Emx31FaultKind::Unplug, cmd::ReadRegs});
    std::uint32_t a = 0;
    EXPECT_EQ(rig.driver.regAcc(1, AG_REG_A, &a), 0u);
    EXPECT_TRUE(rig.ui.hasBox("EMX31 Commucation error."));
    EXPECT_EQ(rig.ui.posts, std::vector<unsigned>{AG_MSG_LINK_LOST});
}

// Whatever fails inside an operation, the user is told about it at most once.
TEST(ReplyTable, EveryInjectedFaultIsShownAtMostOnce) {
    const Emx31FaultKind kinds[] = {Emx31FaultKind::RefuseRequest, Emx31FaultKind::StatusNeverComes,
                                    Emx31FaultKind::FinishWithoutSuccess, Emx31FaultKind::LoseBulk};
    const std::pair<std::uint8_t, std::function<void(Rig &)>> operations[] = {
        {cmd::ReadXdata,
         [](Rig &r) {
             std::uint8_t b[4];
             r.read(AG_ADDRESS(AG_SPACE_XDATA, 0), b, 4);
         }},
        {cmd::WriteXdata,
         [](Rig &r) {
             r.write(AG_ADDRESS(AG_SPACE_XDATA, 0), {1, 2});
         }},
        {cmd::ReadSfr,
         [](Rig &r) {
             std::uint8_t b[2];
             r.read(AG_ADDRESS(AG_SPACE_DATA, 0x90), b, 2);
         }},
        {cmd::WriteIdata, [](Rig &r) { r.write(AG_ADDRESS(AG_SPACE_IDATA, 0x30), {7}); }},
        {cmd::WriteCode, [](Rig &r) { r.write(AG_ADDRESS(AG_SPACE_CODE, 0x100), {7}, AG_MEM_WRITE_CODE); }},
        {cmd::ReadRegs,
         [](Rig &r) {
             std::uint32_t v;
             r.driver.regAcc(1, AG_REG_A, &v);
         }},
        {cmd::Step, [](Rig &r) { r.driver.goStep(AG_GOSTEP_STEP, 1, nullptr); }},
        {cmd::ChipProgram,
         [](Rig &r) {
             static const std::uint8_t code[8] = {};
             r.blocks = {{0, 8, code, 8}, {0, 0, nullptr, 8}};
             if (r.driver.init(AG_INIT_PREPARE_DOWNLOAD, nullptr) == 0) r.driver.init(AG_INIT_PROGRAM_VERIFY, nullptr);
         }},
    };
    for (const auto kind : kinds) {
        for (const auto &[command, operation] : operations) {
            Rig rig;
            rig.driver.options().flash = 0;
            ASSERT_TRUE(rig.connect());
            rig.ui.clear();
            rig.sim.device->injectFault({kind, command});
            operation(rig);
            std::set<std::string> seen;
            for (const auto &b : rig.ui.boxes)
                EXPECT_TRUE(seen.insert(b.text).second) << int(kind) << " " << int(command) << ": " << b.text;
            EXPECT_LE(rig.ui.boxes.size(), 1u) << int(kind) << " " << int(command);
        }
    }
}

// Every command answers for itself: a reset after a refused command must not report the
// refusal (without the adapter, whose bit would hide it).
TEST(Board, AResetAnswersForItselfAfterARefusedCommand) {
    Emx31Simulator board(false);
    const auto status = [&] {
        std::uint8_t s = 0;
        EXPECT_TRUE(board.vendorRequest(UsbDirection::DeviceToHost, cmd::Status, 0, 0, &s, 1));
        return s & (st::Finished | st::Success);
    };
    ASSERT_TRUE(board.vendorRequest(UsbDirection::HostToDevice, cmd::InitAdapter, 0, 0, nullptr, 0));
    EXPECT_EQ(status(), st::Finished);
    ASSERT_TRUE(board.vendorRequest(UsbDirection::HostToDevice, cmd::ResetTarget, 0, 0, nullptr, 0));
    EXPECT_EQ(status(), st::Finished | st::Success);
}

TEST(Concurrency, HaltFromAnotherThreadNeverInterleavesAnExchange) {
    // Many exchanges on one thread, halts on another: every exchange must still see its own
    // reply (a halt slipping between a request and its bulk read would steal or spoil it).
    Rig rig;
    rig.loadProgram({0x80, 0xFE});  // SJMP $
    ASSERT_TRUE(rig.connect());
    std::atomic<bool> done{false};
    std::thread halter([&] {
        while (!done) rig.driver.link().halt();
    });
    for (int i = 0; i < 200; ++i) {
        std::uint8_t x[2];
        ASSERT_TRUE(rig.driver.link().commandRead(cmd::ReadPc, 0, 0, x, 2, st::DataReady, 250)) << i;
        ASSERT_EQ(x[0], 0);
    }
    done = true;
    halter.join();
    EXPECT_FALSE(rig.driver.link().linkFailed);
}

}  // namespace
}  // namespace vantor::emx31::test
