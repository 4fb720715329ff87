#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "buffer/DataBuffer.h"
#include "devices/DeviceRecord.h"
#include "devices/DeviceTables.h"
#include "programmer/CProgrammer.h"
#include "programmer/OperationRunner.h"
#include "support/TestDoubles.h"

using namespace vantor;

namespace {

// A programmer with hardware whose steps the test scripts.
class ScriptedProgrammer : public CProgrammer, public Programmer {
public:
    ~ScriptedProgrammer() override { shutdownWorkers(); }
    StepResult EnsureOpen() override { return open ? StepResult() : StepResult::silent(); }
    StepResult InitDevice() override {
        ++inits;
        return {};
    }
    StepResult ReleaseDevice() override {
        ++releases;
        return {};
    }
    StepResult ReadDeviceId(std::uint8_t out[4]) override {
        ++idReads;
        std::memcpy(out, id, 4);
        return idReadable ? StepResult() : StepResult::silent();
    }
    StepResult Execute(Op op) override {
        executed.push_back(int(op));
        if (gate) {
            std::unique_lock l(m);
            inside = true;
            cv.notify_all();
            cv.wait(l, [&] { return released; });
        }
        return executeResult ? StepResult() : failure;
    }
    void waitInside() {
        std::unique_lock l(m);
        cv.wait(l, [&] { return inside; });
    }
    void release() {
        std::lock_guard l(m);
        released = true;
        cv.notify_all();
    }

    bool open = true, idReadable = true, executeResult = true, gate = false;
    StepResult failure = StepResult::silent();  // of Execute, when executeResult is false
    std::uint8_t id[4] = {0x1E, 0x52, 0x06, 0};
    int inits = 0, releases = 0, idReads = 0;
    std::vector<int> executed;
    std::mutex m;
    Programmer &hardware() override { return *this; }
    std::condition_variable cv;
    bool inside = false, released = false;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        device.valid = 1;
        device.device_id[0] = 0x1E;
        device.device_id[1] = 0x52;
        device.device_id[2] = 0x06;
        hardware.setEnvironment({&sink, &clock, &prompt, &counters, &connected});
        hardware.SetContext(&buffer, &device, &options);
        simulated.setEnvironment({&sink, &clock, &prompt, &counters, &disconnected});
        simulated.SetContext(&buffer, &device, &options);
    }

    test::RecordingEngineSink sink;
    test::RecordingPrompt prompt;
    FakeClock clock{39598900};  // 10:59:58.900 in milliseconds of the day
    OperationCounters counters;
    std::atomic<bool> connected{false}, disconnected{true};
    DataBuffer buffer;
    DeviceRecord device;
    OptionsRecord options;
    ScriptedProgrammer hardware;
    CProgrammer simulated;
};

TEST_F(EngineTest, SimulatedProgramShowsItsTextsProgressAndTime) {
    ASSERT_TRUE(simulated.StartOperation(Op::Program));
    simulated.waitIdle();
    const auto n = sink.all();
    ASSERT_GE(n.size(), 6u);
    EXPECT_EQ(n[0].code, 1);
    EXPECT_EQ(n[1].code, 5);
    EXPECT_EQ(n[1].text, "Programming...");
    EXPECT_EQ(n[2].code, 7);
    EXPECT_EQ(n[2].value, 200);
    EXPECT_EQ(sink.steps, 200);
    EXPECT_EQ(n[3].text, "Program successful");
    EXPECT_EQ(n[3].colour, colour::Blue);
    // 10 + 50 ms of pauses, 200 steps of 10 ms, 10 ms before release.
    EXPECT_EQ(n[4].text, "Elapsed Time: 2.07S");
    EXPECT_EQ(n[4].colour, colour::LightGrey);
    EXPECT_FALSE(n[4].bold);
    EXPECT_EQ(n[5].code, 4);
    EXPECT_EQ(n[5].value, 1);
    EXPECT_EQ(n.back().code, 2);  // ended comes after the posted result
    EXPECT_EQ(counters.CntSuccess, 1);
    EXPECT_EQ(counters.CntFailed, 0);
    EXPECT_FALSE(simulated.isBusy());
}

TEST_F(EngineTest, SimulatedOperationsUseTheirOwnRangesAndTexts) {
    struct Case {
        int op;
        int range;
        int steps;
        const char *status;
        const char *done;
    } cases[] = {{1, 100, 100, "Reading...", "Read Completed"},
                 {2, 100, 100, "Verifying...", "Verify successful"},
                 {3, 100, 100, "Blank Checking...", "Blank check successful"},
                 {8, 0, 50, "Write Lock Bits...", "Write lock bits completed"},
                 {12, 0, 50, "Erasing...", "Erase Completed"},
                 {15, 0, 50, "Testting...", "Test successful"}};
    for (const auto &c : cases) {
        test::RecordingEngineSink s;
        simulated.setEnvironment({&s, &clock, &prompt, &counters, &disconnected});
        ASSERT_TRUE(simulated.StartOperation(Op(c.op)));
        simulated.waitIdle();
        const auto n = s.all();
        EXPECT_EQ(n[1].text, c.status) << c.op;
        EXPECT_EQ(n[2].value, c.range) << c.op;
        EXPECT_EQ(s.steps, c.steps) << c.op;
        EXPECT_EQ(s.messages().front(), c.done) << c.op;
    }
    test::RecordingEngineSink quiet;
    simulated.setEnvironment({&quiet, &clock, &prompt, &counters, &disconnected});
    for (Op calibration : {Op::WriteCal, Op::ReadCal}) {  // nothing to show, succeeds
        ASSERT_TRUE(simulated.StartOperation(calibration));
        simulated.waitIdle();
        EXPECT_EQ(quiet.count(5), 0);
        EXPECT_EQ(quiet.count(7), 0);
        EXPECT_EQ(quiet.steps, 0);
        EXPECT_EQ(quiet.resultValue(), 1);
    }
}

TEST_F(EngineTest, ElapsedTimeIsFormattedInHundredthsAndDoesNotWrapAfterAnHour) {
    EXPECT_EQ(CProgrammer::formatElapsed(39601250 - 39598900), "Elapsed Time: 2.35S");
    EXPECT_EQ(CProgrammer::formatElapsed(5), "Elapsed Time: 0.00S");
    EXPECT_EQ(CProgrammer::formatElapsed(3600000 + 2350), "Elapsed Time: 3602.35S");
}

TEST_F(EngineTest, ASecondStartIsRefusedWhileRunning) {
    hardware.gate = true;
    options.ChkDevID = 0;
    ASSERT_TRUE(hardware.StartOperation(Op::Program));
    hardware.waitInside();
    EXPECT_TRUE(hardware.isBusy());
    EXPECT_FALSE(hardware.StartOperation(Op::Read));
    const std::uint8_t items[16] = {0, 0xFF};
    EXPECT_FALSE(hardware.StartAuto(items));
    hardware.release();
    hardware.waitIdle();
    EXPECT_EQ(hardware.executed, std::vector<int>{0});
    EXPECT_EQ(counters.CntSuccess, 1);
    EXPECT_TRUE(hardware.StartOperation(Op::Read));  // idle again
    hardware.waitIdle();
    EXPECT_EQ(hardware.executed, (std::vector<int>{0, 1}));
}

// Two windows' worth of start requests at once: whichever wins, its own operation runs.
TEST_F(EngineTest, ConcurrentStartsRunTheWinnersOperation) {
    options.ChkDevID = 0;
    hardware.setEnvironment({nullptr, &clock, &prompt, &counters, &connected});
    hardware.gate = true;  // the winner's worker holds busy until both requests are in
    int mismatches = 0;
    for (int round = 0; round < 1000 && mismatches == 0; ++round) {
        hardware.inside = hardware.released = false;
        std::atomic<int> ready{0};
        bool won[2] = {};
        auto starter = [&](int who) {
            ready.fetch_add(1);
            while (ready.load() < 2) {}
            won[who] = hardware.StartOperation(Op(who == 0 ? kOpRead : kOpErase));
        };
        std::thread a(starter, 0), b(starter, 1);
        a.join();
        b.join();
        hardware.release();
        hardware.waitIdle();
        ASSERT_NE(won[0], won[1]) << "exactly one start succeeds";
        const int expected = won[0] ? kOpRead : kOpErase;
        ASSERT_FALSE(hardware.executed.empty());
        if (hardware.executed.back() != expected) ++mismatches;
        hardware.executed.clear();
    }
    EXPECT_EQ(mismatches, 0) << "a worker ran the other caller's operation";
}

TEST_F(EngineTest, AnEmptyAutoListStillInitialisesReleasesAndSucceeds) {
    std::uint8_t items[16];
    std::memset(items, 0xFF, 16);
    ASSERT_TRUE(hardware.StartAuto(items));
    hardware.waitIdle();
    EXPECT_TRUE(hardware.executed.empty());
    EXPECT_EQ(hardware.inits, 1);
    EXPECT_EQ(hardware.releases, 1);
    EXPECT_EQ(counters.CntSuccess, 1);
    EXPECT_EQ(sink.resultValue(), 1);
}

TEST_F(EngineTest, AutoStopsAtTheFirstFailingItem) {
    const std::uint8_t items[16] = {12, 3, 0, 2, 0xFF};
    hardware.executeResult = false;
    ASSERT_TRUE(hardware.StartAuto(items));
    hardware.waitIdle();
    EXPECT_EQ(hardware.executed, std::vector<int>{12});
    EXPECT_EQ(counters.CntFailed, 1);
    EXPECT_EQ(hardware.releases, 1);  // the link works: the chip is released even after a quiet failure
    EXPECT_EQ(sink.resultValue(), 0);
}

TEST_F(EngineTest, CancelInTheMiddleEndsWithoutCounting) {
    sink.onStep = [&](int step) {
        if (step == 50) simulated.Cancel();
    };
    ASSERT_TRUE(simulated.StartOperation(Op::Program));
    simulated.waitIdle();
    const auto msgs = sink.messages();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0], "Operation was cancelled");
    EXPECT_EQ(sink.all()[sink.all().size() - 3].colour, colour::DarkRed);
    EXPECT_EQ(sink.steps, 50);
    EXPECT_EQ(sink.resultValue(), -1);
    EXPECT_EQ(counters.CntSuccess + counters.CntFailed, 0);

    // With hardware the cancel is seen after the running block, and shown in grey.
    test::RecordingEngineSink s;
    hardware.setEnvironment({&s, &clock, &prompt, &counters, &connected});
    hardware.gate = true;
    ASSERT_TRUE(hardware.StartOperation(Op::Program));
    hardware.waitInside();
    hardware.Cancel();
    hardware.release();
    hardware.waitIdle();
    ASSERT_FALSE(s.messages().empty());
    EXPECT_EQ(s.messages().back(), "Operation was cancelled");
    EXPECT_EQ(s.resultValue(), -1);
    EXPECT_EQ(hardware.releases, 1);
    EXPECT_EQ(counters.CntSuccess + counters.CntFailed, 0);
}

TEST_F(EngineTest, IdentifierCheckPassesFailsOrIsSkipped) {
    ASSERT_TRUE(hardware.StartOperation(Op::Verify));
    hardware.waitIdle();
    EXPECT_EQ(hardware.idReads, 1);
    EXPECT_EQ(counters.CntSuccess, 1);

    hardware.id[2] = 0x07;  // third byte differs
    ASSERT_TRUE(hardware.StartOperation(Op::Verify));
    hardware.waitIdle();
    EXPECT_EQ(sink.messages().back(), "Device ID error");
    const auto n = sink.all();
    const auto idError = std::find_if(n.begin(), n.end(), [](auto &x) { return x.text == "Device ID error"; });
    EXPECT_EQ(idError->colour, colour::Red);
    EXPECT_TRUE(idError->bold);
    EXPECT_EQ(hardware.executed.size(), 1u);
    EXPECT_EQ(hardware.releases, 2);  // once after the success, once by the failed check
    EXPECT_EQ(counters.CntFailed, 1);

    hardware.idReadable = false;  // unreadable: fails with no message of its own
    const auto before = sink.messages().size();
    ASSERT_TRUE(hardware.StartOperation(Op::Verify));
    hardware.waitIdle();
    EXPECT_EQ(sink.messages().size(), before);
    EXPECT_EQ(counters.CntFailed, 2);

    device.device_id[0] = 0;  // no identifier: not even read
    const int reads = hardware.idReads;
    ASSERT_TRUE(hardware.StartOperation(Op::Verify));
    hardware.waitIdle();
    EXPECT_EQ(hardware.idReads, reads);
    EXPECT_EQ(counters.CntSuccess, 2);

    device.device_id[0] = 0x1E;
    options.ChkDevID = 0;  // switched off
    ASSERT_TRUE(hardware.StartOperation(Op::Verify));
    hardware.waitIdle();
    EXPECT_EQ(hardware.idReads, reads);
    EXPECT_EQ(counters.CntSuccess, 3);
}

TEST_F(EngineTest, ATransportThatWillNotOpenFailsSilently) {
    hardware.open = false;
    ASSERT_TRUE(hardware.StartOperation(Op::Program));
    hardware.waitIdle();
    EXPECT_EQ(sink.count(1), 0);  // no start notice
    EXPECT_TRUE(sink.messages().empty());
    EXPECT_EQ(sink.resultValue(), 0);
    EXPECT_EQ(counters.CntFailed, 1);
    EXPECT_EQ(sink.all().back().code, 2);
}

// The runner every front end uses: one typed outcome per run, the first red message for
// summaries, Ctrl+C as a flag, and a refused start when another run has the engine.
TEST_F(EngineTest, RunnerGivesOneOutcomePerRun) {
    options.ChkDevID = 1;
    OperationRunner runner(hardware, {&sink, &clock, &prompt, &counters, &connected}, &buffer, &device, &options);
    EXPECT_EQ(runner.wait().failure, RunFailure::Busy) << "nothing was started";
    const OperationOutcome ok = runner.run(RunRequest::single(Op::Read));
    EXPECT_TRUE(ok.succeeded());
    EXPECT_TRUE(ok.firstFailure.empty());

    hardware.id[1] = 0x99;  // another chip in the socket
    const OperationOutcome wrong = runner.run(RunRequest::single(Op::Read));
    EXPECT_EQ(wrong.failure, RunFailure::Failed);
    EXPECT_NE(wrong.firstFailure.find("ID"), std::string::npos) << wrong.firstFailure;
    hardware.id[1] = 0x52;
    // The first failure of a run, without its line end; the next run starts without one.
    hardware.executeResult = false;
    hardware.failure = StepResult::failed("Blank check failed   Addr. 0x0\r\n");
    EXPECT_EQ(runner.run(RunRequest::single(Op::Blank)).firstFailure, "Blank check failed   Addr. 0x0");
    hardware.executeResult = true;
    EXPECT_TRUE(runner.run(RunRequest::single(Op::Read)).firstFailure.empty());

    hardware.gate = true;
    std::thread releaser([&] {
        hardware.waitInside();
        EXPECT_EQ(runner.run(RunRequest::single(Op::Erase)).failure, RunFailure::Busy);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        hardware.release();
    });
    const std::atomic<bool> interrupted{true};
    const std::uint8_t items[16] = {kOpRead, kOpVerify, kEndOfList};
    EXPECT_EQ(runner.run(RunRequest::autoList(items), &interrupted).failure, RunFailure::Cancelled);
    releaser.join();
    EXPECT_EQ(hardware.executed.back(), kOpRead) << "the Auto list stops at the cancel";
    EXPECT_EQ(sink.messages().back(), "Operation was cancelled");

    // One wait for several runs (a gang): the cancel reaches every engine, even one whose worker
    // has not begun yet, and each run ends once, with the cancel as its reason.
    test::RecordingEngineSink offlineSink;
    offlineSink.onStep = [&](int) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!simulated.isCancelled() && std::chrono::steady_clock::now() < until) std::this_thread::yield();
    };
    OperationRunner offline(simulated, {&offlineSink, &clock, &prompt, &counters, &disconnected}, &buffer, &device,
                            &options);
    {
        std::lock_guard l(hardware.m);
        hardware.inside = hardware.released = false;
    }
    std::thread opener([&] {  // holds the run until the wait has cancelled it, however slow the machine
        hardware.waitInside();
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!hardware.isCancelled() && std::chrono::steady_clock::now() < until) std::this_thread::yield();
        hardware.release();
    });
    ASSERT_TRUE(runner.start(RunRequest::single(Op::Program)));
    ASSERT_TRUE(offline.start(RunRequest::single(Op::Program)));
    OperationRunner *const both[] = {&runner, &offline};
    std::vector<int> ends(2);
    int slices = 0;
    OperationRunner::waitAll(
        both, &interrupted,
        [&](std::size_t i, const OperationOutcome &o) {
            ++ends[i];
            EXPECT_EQ(o.failure, RunFailure::Cancelled) << i;
            EXPECT_EQ(o.firstFailure, "Operation was cancelled") << i;
        },
        [&] { ++slices; });
    opener.join();
    EXPECT_EQ(ends, (std::vector<int>{1, 1}));
    EXPECT_GT(slices, 0) << "the caller gets its turn between slices";
    EXPECT_EQ(offlineSink.steps, 1) << "the run stopped at the step that saw the cancel";

    // A runner hands the engine its own device: here one that expects another chip.
    DeviceRecord other = device;
    other.device_id[1] = 0x99;
    OperationRunner elsewhere(hardware, {&sink, &clock, &prompt, &counters, &connected}, &buffer, &other, &options);
    EXPECT_EQ(elsewhere.run(RunRequest::single(Op::Read)).firstFailure, "Device ID error");
}

TEST_F(EngineTest, UpgradeFirmwareWithoutHardwareRefusesWithAMessage) {
    EXPECT_TRUE(simulated.UpgradeFirmware(nullptr, 0));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, "This function is not available, if programmer runs in disconnect mode\n");
    int model = 0;
    EXPECT_FALSE(simulated.Connect(model));
}

}  // namespace
