#include "programmer/NoProgrammer.h"

#include <cstring>

#include "devices/DeviceRecord.h"
#include "programmer/CProgrammer.h"

namespace vantor {

namespace {
// One progress step without hardware: the run shows its progress as a real one would, over
// about two seconds for a Program, instead of jumping to its end.
constexpr unsigned kStepPaceMs = 10;
}  // namespace

StepResult NoProgrammer::ReadDeviceId(std::uint8_t out[4]) {
    const DeviceRecord *device = engine_.selectedDevice();
    std::memcpy(out, device->device_id, 4);
    return {};
}

// The run's texts and progress at the pace of a real one; the engine tells a cancel.
StepResult NoProgrammer::Execute(Op op) {
    if (op == Op::WriteCal || op == Op::ReadCal) return {};
    const std::string_view text = CProgrammer::progressText(op, true);
    if (!text.empty()) engine_.ShowStatus(text);
    int range = 0, steps = 50;
    if (op == Op::Program) range = steps = 200;
    else if (op == Op::Read || op == Op::Verify || op == Op::Blank) range = steps = 100;
    engine_.SetProgressRange(range);
    for (int i = 0; i < steps; ++i) {
        engine_.clock().sleepMs(kStepPaceMs);
        engine_.StepProgress();
        if (engine_.isCancelled()) return StepResult::cancelled();
    }
    engine_.ShowMessage(CProgrammer::successText(op, true), colour::Blue);
    return {};
}

}  // namespace vantor
