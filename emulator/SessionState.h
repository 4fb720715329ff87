#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>

#include "emulator/EMX31_EN.h"

namespace vantor::emx31 {

// What the driver's collaborators share of a debugging session besides the link: whether the
// program runs, where it stands, and whether the register cache is current. A stop from the
// host's other thread reads and writes it while a go runs.
struct SessionState {
    std::atomic<bool> running{false};
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> stepping{false};  // the run is a step sequence
    std::atomic<bool> registersCurrent{false};
    std::atomic<std::uint32_t> currentPc{AG_CODE_TAG};
    std::uint32_t *pcSlot = nullptr;  // the host's
    std::mutex lock;                  // the register cache, shadow invalidation and the PC slot
};

}  // namespace vantor::emx31
