#include "programmer/NoProgrammer.h"

#include <cstring>

#include "devices/DeviceRecord.h"
#include "programmer/CProgrammer.h"

namespace vantor {

bool NoProgrammer::ReadDeviceId(std::uint8_t out[4]) {
    const DeviceRecord *device = engine_.selectedDevice();
    std::memcpy(out, device->device_id, 4);
    return true;
}

// The run's texts and progress at the pace of a real one; the engine tells a cancel.
bool NoProgrammer::Execute(Op op) {
    if (op == Op::WriteCal || op == Op::ReadCal) return true;
    const std::string_view text = CProgrammer::progressText(op, true);
    if (!text.empty()) engine_.ShowStatus(text);
    int range = 0, steps = 50;
    if (op == Op::Program) range = steps = 200;
    else if (op == Op::Read || op == Op::Verify || op == Op::Blank) range = steps = 100;
    engine_.SetProgressRange(range);
    for (int i = 0; i < steps; ++i) {
        engine_.clock().sleepMs(10);
        engine_.StepProgress();
        if (engine_.isCancelled()) return false;
    }
    engine_.ShowMessage(CProgrammer::successText(op, true), colour::Blue);
    return true;
}

}  // namespace vantor
