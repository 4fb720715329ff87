#pragma once
#include "programmer/Programmer.h"

namespace vantor {

class CProgrammer;

// Disconnect mode: no programmer is there, so a run shows what it would do (status text,
// progress, success text) without a target. The identifier read answers the selected
// device's own, so a run never fails for want of hardware.
class NoProgrammer final : public Programmer {
public:
    explicit NoProgrammer(CProgrammer &engine) : engine_(engine) {}

    StepResult EnsureOpen() override { return {}; }
    StepResult InitDevice() override { return {}; }
    StepResult ReadDeviceId(std::uint8_t out[4]) override;
    StepResult Execute(Op op) override;
    StepResult ReleaseDevice() override { return {}; }

private:
    CProgrammer &engine_;
};

}  // namespace vantor
