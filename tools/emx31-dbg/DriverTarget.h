#pragma once
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "debug/Target.h"

namespace vantor::dbg {

class DebuggerHost;

// The 8051 behind the driver, as the debug layer sees it: memory through AG_MemAcc, run control
// through AG_GoStep with temporary breakpoints added to the host's list for the length of one run.
class DriverTarget : public debug::TargetControl {
public:
    explicit DriverTarget(DebuggerHost &host) : host_(host) {}

    bool read(debug::Space space, std::uint32_t address, std::uint8_t *out, std::size_t count,
              std::string &error) override;
    bool write(debug::Space space, std::uint32_t address, const std::uint8_t *data, std::size_t count,
               std::string &error) override;
    std::uint16_t pc() override;
    bool stepInstruction(std::string &error) override;
    Stop runUntil(const std::vector<std::uint16_t> &temporary, std::string &error) override;

    bool connected() const;
    // Asks the run in progress, or the next one if none has started yet, to stop (from another thread).
    void requestStop() { stopWanted_ = true; }
    // A new command starts: a request left from the last one must not stop it.
    void clearStopRequest() { stopWanted_ = false; }
    // The program bytes at `address`, if the loaded program has any there.
    bool programByte(std::uint32_t address, std::uint8_t &byte) const;

private:
    bool userBreakAt(std::uint16_t pc) const;
    // True when the step from `origin` entered an interrupt handler instead of running the instruction.
    bool interruptEntered(std::uint16_t origin);
    Stop run(const std::vector<std::uint16_t> &temporary, std::optional<std::uint16_t> quiet, std::string &error);

    DebuggerHost &host_;
    std::atomic<bool> stopWanted_{false};
};

}  // namespace vantor::dbg
