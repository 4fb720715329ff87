#pragma once
#include <cstdint>

#include "emulator/EMX31_EN.h"
#include "emulator/EmulatorLink.h"
#include "emulator/HostBinding.h"
#include "emulator/SessionState.h"
#include "emulator/TargetMemory.h"
#include "emulator/TargetSettings.h"

namespace vantor::emx31 {

// Run, step and stop, the host's breakpoints in the emulator, and their markers in the shadow.
class RunControl {
public:
    RunControl(CEmulatorLink &link, TargetOptions &options, const HostBinding &host, SessionState &session,
               TargetMemory &memory)
        : link_(link), options_(options), host_(host), session_(session), memory_(memory) {}

    void setBreakpointList(AG_Breakpoint **list) { bpList_ = list; }
    // AG_GoStep, AG_BpInfo and AG_BreakFunc.
    std::uint32_t goStep(std::uint32_t code, std::uint32_t count, const std::uint32_t *address);
    std::uint32_t bpInfo(std::uint32_t code, const std::uint32_t *address);
    AG_Breakpoint *breakFunc(std::uint32_t code, const std::uint32_t *address, AG_Breakpoint *record);

    // Longest chain of host breakpoints followed (a damaged list must not hang the driver).
    static constexpr int kMaxListLength = 65536;

private:
    std::uint32_t stop();
    void stepSequence(std::uint32_t count);
    void go(std::uint32_t target);
    bool stepOnce();
    bool runOnce(std::uint32_t target);
    enum class Judge { NoBreakpoint, GoOn, Stop };
    Judge judge(std::uint32_t pc);
    bool enabledExecAt(std::uint32_t address);
    void recount();
    bool arm(std::uint32_t target);
    void disarm();
    template <typename F>
    void forEachBreakpoint(F &&f);

    CEmulatorLink &link_;
    TargetOptions &options_;
    const HostBinding &host_;
    SessionState &session_;
    TargetMemory &memory_;
    AG_Breakpoint **bpList_ = nullptr;
    int execCount_ = 0, condCount_ = 0, accessCount_ = 0;
    int armed_ = 0;
};

}  // namespace vantor::emx31
