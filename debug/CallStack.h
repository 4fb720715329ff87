#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "debug/DebugInfo.h"
#include "debug/Target.h"

namespace vantor::debug {

// One activation on the 8051 stack.
struct Frame {
    const Function *function = nullptr;  // null: code without debug information
    std::uint16_t pc = 0;
    std::optional<std::uint8_t> entrySp;       // where the return address's high byte sits; none if unknown
    std::optional<std::uint8_t> framePointer;  // the frame's _bp (reentrant functions only)
    bool innermost = true;                     // registers hold this frame's values
};

// The address in data memory of sdcc's frame pointer, read from a reentrant function's entry
// code ("push _bp; mov _bp,sp"); none when the function does not set up a frame.
std::optional<std::uint8_t> framePointerAddress(const Function &function, TargetAccess &target);

// Unwinds from the current PC with the function ranges: a return address on the stack is one
// that follows a call of the function the frame is in (for interrupt handlers, any code address
// inside a function). Stops at main, at an unknown caller or after `maxDepth` frames.
std::vector<Frame> unwindStack(const DebugInfo &info, TargetAccess &target, std::string &error,
                               std::size_t maxDepth = 32);

}  // namespace vantor::debug
