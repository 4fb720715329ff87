#pragma once
#include <cstdint>

#include "programmer/Operations.h"

namespace vantor {

// The steps of one run that the engine asks of a programmer, in order: open it, set the target
// up, read the target's identifier, carry out operations, release the target. A step that
// fails has told the user why through the engine's notices. Implementations: CUsbProgrammer
// (the TR600 over USB) and NoProgrammer (disconnect mode: the run's texts and progress alone).
class Programmer {
public:
    virtual ~Programmer() = default;
    virtual bool EnsureOpen() = 0;
    virtual bool InitDevice() = 0;
    virtual bool ReadDeviceId(std::uint8_t out[4]) = 0;
    virtual bool Execute(Op op) = 0;
    virtual bool ReleaseDevice() = 0;
};

}  // namespace vantor
