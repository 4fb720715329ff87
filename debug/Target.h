#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "debug/TypeChain.h"

namespace vantor::debug {

// What source-level debugging needs from a stopped 8051, wherever it runs.
class TargetAccess {
public:
    virtual ~TargetAccess() = default;
    // Space::Data is direct addressing (0x80.. are SFRs), Space::Idata indirect, Space::Xdata and
    // Space::Code 64 KiB. False with `error` set when the target cannot be read.
    virtual bool read(Space space, std::uint32_t address, std::uint8_t *out, std::size_t count, std::string &error) = 0;
    virtual bool write(Space space, std::uint32_t address, const std::uint8_t *data, std::size_t count,
                       std::string &error) = 0;
    virtual std::uint16_t pc() = 0;
};

// Run control on top of the access: what next, step and finish are made of.
class TargetControl : public TargetAccess {
public:
    enum class Stop : std::uint8_t { Temporary, Breakpoint, Interrupted, Failed };
    // One instruction.
    virtual bool stepInstruction(std::string &error) = 0;
    // Runs until a breakpoint of the user's or one of `temporary` is reached (one run, never
    // single steps through calls).
    virtual Stop runUntil(const std::vector<std::uint16_t> &temporary, std::string &error) = 0;
};

}  // namespace vantor::debug
