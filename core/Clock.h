#pragma once
#include <atomic>
#include <cstdint>

namespace vantor {

// Time source and sleeps, injectable so poll budgets and pauses run instantly in tests.
class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic milliseconds; never wraps in practice.
    virtual std::uint64_t nowMs() = 0;
    virtual void sleepMs(unsigned ms) = 0;
};

class SystemClock : public Clock {
public:
    std::uint64_t nowMs() override;
    void sleepMs(unsigned ms) override;
    static SystemClock &instance();
};

// Sleeping advances time without waiting.
class FakeClock : public Clock {
public:
    explicit FakeClock(std::uint64_t startMs = 0) : now_(startMs) {}
    std::uint64_t nowMs() override { return now_.load(); }
    void sleepMs(unsigned ms) override {
        now_ += ms;
        sleeps_ += 1;
    }
    void advance(std::uint64_t ms) { now_ += ms; }
    std::uint64_t sleepCount() const { return sleeps_.load(); }

private:
    std::atomic<std::uint64_t> now_;
    std::atomic<std::uint64_t> sleeps_{0};
};

}  // namespace vantor
