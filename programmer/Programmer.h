#pragma once
#include <cstdint>

#include "programmer/Operations.h"
#include "programmer/StepResult.h"

namespace vantor {

// The steps of one run that the engine asks of a programmer, in order: open it, set the target
// up, read the target's identifier, carry out operations, release the target. A step shows
// nothing itself: its result carries what failed, and the engine tells it. Implementations:
// CUsbProgrammer (the TR600 over USB) and NoProgrammer (disconnect mode: the run's texts and
// progress alone).
class Programmer {
public:
    virtual ~Programmer() = default;
    virtual StepResult EnsureOpen() = 0;
    virtual StepResult InitDevice() = 0;
    virtual StepResult ReadDeviceId(std::uint8_t out[4]) = 0;
    virtual StepResult Execute(Op op) = 0;
    virtual StepResult ReleaseDevice() = 0;
};

}  // namespace vantor
