// An unplug closes the transport from the window thread while the worker is inside a
// transfer: the worker must never reach a closed or reopened handle. Run under TSan too.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/sim/SimRig.h"

using namespace vantor;
using namespace vantor::test;

namespace {

// Counts every use of the handle after it was closed.
class GuardBackend : public UsbBackend {
public:
    GuardBackend(std::unique_ptr<UsbBackend> inner, std::atomic<int> &violations)
        : inner_(std::move(inner)), violations_(violations) {}
    bool openIndex(int index) override {
        const bool ok = inner_->openIndex(index);
        if (ok) closed_ = false;
        return ok;
    }
    void close() override {
        closed_ = true;
        inner_->close();
    }
    bool control(UsbDirection d, std::uint8_t r, std::uint16_t v, std::uint16_t i, std::uint8_t *data,
                 std::uint16_t len, unsigned t) override {
        if (closed_) ++violations_;
        return inner_->control(d, r, v, i, data, len, t);
    }
    int bulk(std::uint8_t ep, std::uint8_t *data, int size, unsigned t) override {
        if (closed_) ++violations_;
        return inner_->bulk(ep, data, size, t);
    }
    void interrupt() override { inner_->interrupt(); }

private:
    std::unique_ptr<UsbBackend> inner_;
    std::atomic<int> &violations_;
    std::atomic<bool> closed_{true};
};

struct UnplugRig {
    UnplugRig() : device(makeDevice({})), sim(sim::makeSimulatedProgrammer(0x83)) {
        sim.device->insertChip(std::make_shared<sim::VirtualChip>(sim::ChipSpec::fromDevice(device)));
        sim::Tr600Timing timing;
        timing.bulkDelayUs = 300;  // the worker spends its time inside transfers
        sim.device->setTiming(timing);
        programmer = std::make_unique<CUsbProgrammer>(std::make_unique<GuardBackend>(sim.backend(), violations));
        sink.onStep = [this](int n) { steps = n; };
        programmer->setEnvironment({&sink, &clock, &prompt, &counters, &disconnected});
        options.ChkDevID = 0;
        programmer->SetContext(&buffer, &device, &options);
        int model = -1;
        connected = programmer->Connect(model);
    }
    void waitForSteps(int n) {
        while (steps < n && programmer->isBusy()) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }

    std::atomic<int> violations{0};
    std::atomic<int> steps{0};
    FakeClock clock;
    RecordingEngineSink sink;
    RecordingPrompt prompt;
    OperationCounters counters;
    std::atomic<bool> disconnected{false};
    DataBuffer buffer;
    DeviceRecord device;
    OptionsRecord options;
    sim::SimulatedProgrammer sim;
    std::unique_ptr<CUsbProgrammer> programmer;
    bool connected = false;
};

}  // namespace

TEST(UsbUnplug, CloseDuringATransferWaitsForTheWorkerToLeaveTheHandle) {
    for (int round = 0; round < 10; ++round) {
        UnplugRig rig;
        ASSERT_TRUE(rig.connected);
        ASSERT_TRUE(rig.programmer->StartOperation(Op::Read));
        rig.waitForSteps(3 + round);
        rig.sim.device->unplug();
        rig.programmer->Close();  // the removal notice, on the window thread
        rig.programmer->waitIdle();
        EXPECT_EQ(rig.sink.resultValue(), 0);
        EXPECT_EQ(rig.counters.CntFailed.load(), 1);
        EXPECT_EQ(rig.violations.load(), 0);
        EXPECT_FALSE(rig.programmer->usb().IsOpen());
    }
}

TEST(UsbUnplug, AWorkerOfTheOldSessionNeverTalksToTheReopenedProgrammer) {
    for (int round = 0; round < 10; ++round) {
        UnplugRig rig;
        ASSERT_TRUE(rig.programmer->StartOperation(Op::Read));
        rig.waitForSteps(2 + round);
        rig.programmer->Close();
        const std::size_t mark = rig.sim.device->commands().size();
        ASSERT_TRUE(rig.programmer->usb().Open());  // replugged and reopened at once
        rig.programmer->waitIdle();
        EXPECT_EQ(rig.sink.resultValue(), 0);
        EXPECT_EQ(rig.sim.device->commands().size(), mark) << "the old worker sent a command";
        EXPECT_EQ(rig.violations.load(), 0);
    }
}
