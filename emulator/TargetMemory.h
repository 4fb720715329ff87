#pragma once
#include <array>
#include <cstdint>

#include "emulator/EMX31_EN.h"
#include "emulator/EmulatorLink.h"
#include "emulator/HostBinding.h"
#include "emulator/SessionState.h"
#include "emulator/TargetSettings.h"

namespace vantor::emx31 {

// The 8051 registers as the emulator's register block carries them.
struct Registers {
    std::array<std::uint8_t, 8> r{};
    std::uint8_t a = 0, b = 0, sp = 7, psw = 0, dpl = 0, dph = 0;
    std::uint32_t pc = AG_CODE_TAG;

    std::array<std::uint8_t, kRegisterBlockSize> encode() const;
    void decode(const std::uint8_t *block);
};

// Target memory and registers: routing by memory space, the host's shadow, the register cache
// and the register pane.
class TargetMemory {
public:
    TargetMemory(CEmulatorLink &link, const TargetOptions &options, const HostBinding &host, SessionState &session);
    ~TargetMemory();

    // AG_MemAcc's reads and writes: 0 or 1 with `failing` set.
    std::uint32_t read(std::uint8_t *buffer, std::uint32_t address, std::uint32_t count, std::uint32_t &failing);
    std::uint32_t write(const std::uint8_t *buffer, std::uint32_t address, std::uint32_t count, std::uint32_t &failing);

    // The shadow the host maps at the start of a session.
    AG_ShadowMap &shadow() { return shadow_; }
    const AG_ShadowMap &shadow() const { return shadow_; }
    std::uint16_t *attributeAt(std::uint32_t address);  // queries: page by address, low 16 bits
    void invalidateDataCaches();
    void fillCodeShadow();
    void markCodeCached();  // the host has its code: code past the limit is only a notice now
    bool overLimitNotice() const { return overLimitNotice_; }

    // Registers.
    void refreshRegisters();
    bool writeAllRegisters(const Registers &source);
    // A register the host names; `value` stays as it was for a name the driver does not know.
    void readRegister(std::uint32_t reg, std::uint32_t &value);
    // A register the host names; the PC goes by its own command.
    void writeRegister(std::uint32_t reg, std::uint32_t value);
    void forgetPc() { cachedPc_ = AG_CODE_TAG; }
    std::uint32_t cachedPc() const { return cachedPc_; }
    const Registers &registers() const { return cache_; }

    // The register pane: registered with the host, read and written through plain functions.
    AG_RegPane &registerPane();
    const AG_RegPane &pane() const { return pane_; }
    void paneRead(AG_RegItem *item, std::uint32_t code);
    std::uint32_t paneWrite(AG_RegItem *item, const std::uint8_t *value);

    // The emulator's code memory ends here (63 KiB).
    static constexpr std::uint32_t kCodeLimit = kMonitorStart;

private:
    std::uint8_t *shadowData(std::uint32_t address);
    std::uint16_t *shadowAttribute(std::uint32_t address);
    bool readChunk(std::uint8_t *dest, std::uint32_t address, std::uint32_t n);
    bool writeChunk(const std::uint8_t *src, std::uint32_t address, std::uint32_t n, std::uint32_t &written,
                    bool &abort);
    bool writeCode(const std::uint8_t *src, std::uint16_t offset, std::uint32_t n, std::uint32_t &written);
    void shadowStore(const std::uint8_t *bytes, std::uint32_t address, std::uint32_t count, bool cached);

    CEmulatorLink &link_;
    const TargetOptions &options_;
    const HostBinding &host_;
    SessionState &session_;

    AG_ShadowMap shadow_{};
    bool overLimitNotice_ = false;
    Registers cache_;
    Registers paneCopy_;
    std::uint32_t cachedPc_ = AG_CODE_TAG;
    AG_RegPane pane_{};
    std::array<AG_RegGroup, 2> groups_{};
    std::array<AG_RegItem, 22> items_{};
};

}  // namespace vantor::emx31
