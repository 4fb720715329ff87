// The exported entry points: thin shims that never let an exception out to the host.
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>

#include "emulator/Driver.h"
#include "emulator/EMX31_EN.h"
#include "sim/emx31/Emx31Simulator.h"

namespace vantor::emx31 {
namespace {

struct Library {
    DefaultHostUi ui;
    Driver driver{ui, SystemClock::instance()};
    SimulatedEmx31 simulator;

    Library() {
        // EMX31_SIMULATE=1 (or noadapter) reaches the built-in board instead of USB.
        const char *mode = std::getenv("EMX31_SIMULATE");
        if (mode && (std::strcmp(mode, "1") == 0 || std::strcmp(mode, "noadapter") == 0)) {
            simulator = makeSimulatedEmx31(std::strcmp(mode, "1") == 0);
            driver.setBackend(simulator.backend());
        }
    }
};

Driver *driver() noexcept {
    try {
        static Library library;
        return &library.driver;
    } catch (...) {
        return nullptr;
    }
}

template <typename R, typename F>
R guarded(R fallback, F &&f) noexcept {
    try {
        Driver *d = driver();
        return d ? f(*d) : fallback;
    } catch (...) {
        return fallback;
    }
}

}  // namespace
}  // namespace vantor::emx31

using vantor::emx31::Driver;
using vantor::emx31::guarded;

extern "C" {

EMX31_API uint32_t AG_Init(uint32_t code, void *pointer) {
    return guarded<uint32_t>(1, [&](Driver &d) { return d.init(code, pointer); });
}

EMX31_API uint32_t AG_MemAcc(uint32_t code, uint8_t *buffer, AG_AddressRecord *address, uint32_t count) {
    return guarded<uint32_t>(1, [&](Driver &d) { return d.memAcc(code, buffer, address, count); });
}

EMX31_API uint32_t AG_RegAcc(uint32_t code, uint32_t reg, uint32_t *value) {
    return guarded<uint32_t>(1, [&](Driver &d) { return d.regAcc(code, reg, value); });
}

EMX31_API uint32_t AG_AllReg(uint32_t code, void *) {
    return guarded<uint32_t>(1, [&](Driver &d) { return d.allReg(code); });
}

EMX31_API uint32_t AG_MemAtt(uint32_t code, uint32_t, AG_AttributeRecord *record) {
    return guarded<uint32_t>(1, [&](Driver &d) { return d.memAtt(code, record); });
}

EMX31_API uint32_t AG_BpInfo(uint32_t code, uint32_t *address) {
    return guarded<uint32_t>(0, [&](Driver &d) { return d.bpInfo(code, address); });
}

EMX31_API AG_Breakpoint *AG_BreakFunc(uint32_t code, uint32_t, uint32_t *address, AG_Breakpoint *record) {
    return guarded<AG_Breakpoint *>(nullptr, [&](Driver &d) { return d.breakFunc(code, address, record); });
}

EMX31_API uint32_t AG_GoStep(uint32_t code, uint32_t count, uint32_t *address) {
    return guarded<uint32_t>(0, [&](Driver &d) { return d.goStep(code, count, address); });
}

EMX31_API uint32_t AG_Serial(uint32_t code, uint32_t channel, uint32_t count, const void *data) {
    return guarded<uint32_t>(0, [&](Driver &d) { return d.serial(code, channel, count, data); });
}

EMX31_API uint32_t AG_HistFunc(uint32_t, int32_t, int32_t, void *) { return 0; }

EMX31_API uint32_t DllUv3Cap(uint32_t code, AG_CapRecord *record) {
    return guarded<uint32_t>(0, [&](Driver &d) { return d.uv3Cap(code, record); });
}

EMX31_API uint32_t EnumUv351(AG_TargetRecord *record, uint32_t code) {
    return guarded<uint32_t>(0, [&](Driver &d) { return d.enumUv351(record, code); });
}

}  // extern "C"
