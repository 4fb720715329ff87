#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "debug/DebugInfo.h"
#include "debug/SourceMap.h"
#include "debug/Target.h"

namespace vantor::debug {

// Source-level run control made of temporary breakpoints and runs: the instructions of the current
// line are decoded, every way out of it gets a temporary breakpoint and the target runs once. Calls
// are never stepped through, so a `next` over a long call costs one run, not one round trip per
// instruction. A stop in a deeper activation of the same code (recursion, an interrupt) is
// recognised by unwinding the stack and the run goes on.
class Stepper {
public:
    struct Outcome {
        TargetControl::Stop stop = TargetControl::Stop::Temporary;  // Temporary: the step completed
        std::string error;
        std::size_t runs = 0;  // runs and single steps used, for the curious
        std::size_t steps = 0;
    };

    Stepper(const DebugInfo &info, const SourceMap &map, TargetControl &target);

    Outcome next();    // to the next line, over calls
    Outcome step();    // to the next line, into functions with line information
    Outcome finish();  // out of the current function
    Outcome until();   // like next, but never back to an earlier line of a loop
    // To any of `addresses`, or out of the current function, whichever comes first.
    Outcome runTo(const std::vector<std::uint16_t> &addresses);
    // The return instructions of a function.
    std::vector<std::uint16_t> returnsOf(const Function &function);

private:
    enum class Mode { Next, Step, Until };
    Outcome lineStep(Mode mode);
    // Activations on the stack: a stop in a deeper one (recursion, an interrupt) is not ours.
    std::size_t depth();
    std::uint8_t codeByte(std::uint16_t address);

    const DebugInfo &info_;
    const SourceMap &map_;
    TargetControl &target_;
};

}  // namespace vantor::debug
