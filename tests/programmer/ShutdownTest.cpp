// Closing the program while an operation runs, with notices delivered the way a window
// adapter delivers them: a "send" blocks the worker until the window thread has run it.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

#include "buffer/DataBuffer.h"
#include "core/Profile.h"
#include "devices/DeviceRecord.h"
#include "devices/DeviceTables.h"
#include "programmer/Application.h"
#include "programmer/CProgrammer.h"
#include "tests/sim/SimRig.h"

using namespace vantor;
using namespace std::chrono_literals;

namespace {

class WindowThreadSink : public EngineSink {
public:
    void bindToThisThread() { window_ = std::this_thread::get_id(); }

    void started() override {
        send([this] { ++started_; });
    }
    void ended() override {
        send([this] { ++ended_; });
    }
    void result(OperationResult r) override {  // posted: never blocks
        std::lock_guard l(m_);
        results_.push_back(int(r));
    }
    void statusText(std::string_view) override {
        send([] {});
    }
    void progressStep() override {
        send([] {});
    }
    void progressRange(int) override {
        send([] {});
    }
    void message(const MessageRecord &) override {
        send([] {});
    }

    bool pumpPending() override {
        if (std::this_thread::get_id() != window_) return false;
        bool ran = false;
        for (;;) {
            std::function<void()> task;
            {
                std::lock_guard l(m_);
                if (queue_.empty()) return ran;
                task = std::move(queue_.front());
                queue_.pop_front();
            }
            task();
            ran = true;
        }
    }

    // Until a worker is blocked in a send to the window thread.
    void waitForABlockedSend() {
        std::unique_lock l(m_);
        cv_.wait(l, [this] { return !queue_.empty(); });
    }

    std::vector<int> results() {
        std::lock_guard l(m_);
        return results_;
    }
    int started_ = 0, ended_ = 0;  // window thread only

private:
    void send(std::function<void()> f) {
        if (std::this_thread::get_id() == window_) return f();
        auto done = std::make_shared<std::promise<void>>();
        auto finished = done->get_future();
        {
            std::lock_guard l(m_);
            queue_.push_back([f = std::move(f), done] {
                f();
                done->set_value();
            });
        }
        cv_.notify_all();
        finished.wait();
    }

    std::thread::id window_;
    std::mutex m_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> queue_;
    std::vector<int> results_;
};

// Runs `close` on a window thread of its own; a deadlock fails the test instead of hanging it.
void onWindowThread(WindowThreadSink &sink, const std::function<void()> &close) {
    std::promise<void> closed;
    std::thread window([&] {
        sink.bindToThisThread();
        close();
        closed.set_value();
    });
    if (closed.get_future().wait_for(20s) != std::future_status::ready) {
        std::fprintf(stderr, "deadlock: the window thread waits for a worker that waits for it\n");
        std::fflush(stderr);
        std::_Exit(1);
    }
    window.join();
}

TEST(Shutdown, ClosingTheProgramWhileAnOperationRunsDoesNotDeadlock) {
    WindowThreadSink sink;
    FakeClock clock;
    MemoryProfile profile;
    DataBuffer buffer;
    DeviceRecord device;
    device.valid = 1;
    std::atomic<bool> disconnected{true};
    onWindowThread(sink, [&] {
        auto app = std::make_unique<Application>(Application::Services{.profile = &profile});
        app->LoadSettings();
        ASSERT_EQ(app->ConnectAtStartup(), -1);  // no programmer: simulated operations
        CProgrammer &programmer = *app->programmer();
        OperationCounters counters;
        programmer.setEnvironment({&sink, &clock, nullptr, &counters, &disconnected});
        programmer.SetContext(&buffer, &device, &app->operationOptions());
        ASSERT_TRUE(programmer.StartOperation(Op::Program));
        sink.waitForABlockedSend();  // the worker now waits for this thread
        app.reset();                 // the window closes
    });
    EXPECT_EQ(sink.started_, 1);
    EXPECT_EQ(sink.ended_, 1);
    EXPECT_EQ(sink.results().size(), 1u);
}

// Destroying the programmer itself cancels the run and waits, pumping, for its end.
TEST(Shutdown, DestroyingTheProgrammerCancelsAndPumps) {
    WindowThreadSink sink;
    FakeClock clock;
    DataBuffer buffer;
    DeviceRecord device;
    OperationCounters counters;
    std::atomic<bool> disconnected{true};
    onWindowThread(sink, [&] {
        auto programmer = std::make_unique<CProgrammer>();
        programmer->setEnvironment({&sink, &clock, nullptr, &counters, &disconnected});
        programmer->SetContext(&buffer, &device, nullptr);
        ASSERT_TRUE(programmer->StartOperation(Op::Read));
        sink.waitForABlockedSend();
        programmer.reset();
    });
    EXPECT_EQ(sink.results(), std::vector<int>{-1});
    EXPECT_EQ(counters.CntSuccess + counters.CntFailed, 0);
}

// With a programmer attached the worker still needs the link after the cancel: the chip is
// released through it, so the transport may only go once the worker has ended.
TEST(Shutdown, DestroyingAConnectedProgrammerReleasesTheChipBeforeTheLinkGoes) {
    WindowThreadSink sink;
    test::SimRig rig(test::makeDevice({}));
    ASSERT_TRUE(rig.connected);
    auto releases = [&] {
        int n = 0;
        for (const auto &c : rig.sim.device->commands()) n += c.request == 0x83;
        return n;
    };
    onWindowThread(sink, [&] {
        rig.programmer->setEnvironment({&sink, &rig.clock, &rig.prompt, &rig.counters, &rig.disconnected});
        ASSERT_TRUE(rig.programmer->StartOperation(Op::Read));
        sink.waitForABlockedSend();
        rig.programmer.reset();
    });
    EXPECT_EQ(sink.results(), std::vector<int>{-1});
    EXPECT_EQ(releases(), 1);
}

// Programmer > Disconnect while an operation runs lets the operation end first: a link closed
// under the worker would fail a read the user never cancelled.
TEST(Shutdown, DisconnectingLetsTheRunningOperationEnd) {
    WindowThreadSink sink;
    test::SimRig rig(test::makeDevice({}));
    ASSERT_TRUE(rig.connected);
    MemoryProfile profile;
    onWindowThread(sink, [&] {
        Application app(Application::Services{.profile = &profile});
        rig.programmer->setEnvironment({&sink, &rig.clock, &rig.prompt, &rig.counters, &rig.disconnected});
        app.UseConnection({std::move(rig.programmer), 0x85});
        ASSERT_TRUE(app.programmer()->StartOperation(Op::Read));
        sink.waitForABlockedSend();
        app.closeProgrammer();
        EXPECT_TRUE(app.isDisconnected());
    });
    EXPECT_EQ(sink.results(), std::vector<int>{1});
}

// A notice handler that waits for the engine runs on the worker: it is refused, not hung.
TEST(Shutdown, AWorkerWaitingForItselfIsRefused) {
    struct WaitingSink : EngineSink {
        CProgrammer *programmer = nullptr;
        std::atomic<int> refused{0};
        void started() override {
            if (!programmer->waitIdle()) ++refused;
            if (!programmer->waitIdleFor(50)) ++refused;
        }
        void ended() override {}
        void result(OperationResult) override {}
        void statusText(std::string_view) override {}
        void progressStep() override {}
        void progressRange(int) override {}
        void message(const MessageRecord &) override {}
    } sink;
    FakeClock clock;
    DataBuffer buffer;
    DeviceRecord device;
    std::atomic<bool> disconnected{true};
    CProgrammer programmer;
    sink.programmer = &programmer;
    programmer.setEnvironment({&sink, &clock, nullptr, nullptr, &disconnected});
    programmer.SetContext(&buffer, &device, nullptr);
    ASSERT_TRUE(programmer.StartOperation(Op::Erase));
    EXPECT_TRUE(programmer.waitIdle());
    EXPECT_EQ(sink.refused.load(), 2);
}

}  // namespace
