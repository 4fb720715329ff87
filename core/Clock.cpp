#include <chrono>
#include <thread>

#include "core/Clock.h"

namespace vantor {

std::uint64_t SystemClock::nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::sleepMs(unsigned ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

SystemClock &SystemClock::instance() {
    static SystemClock clock;
    return clock;
}

}  // namespace vantor
