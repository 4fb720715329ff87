#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "core/Clock.h"
#include "emulator/EMX31_EN.h"
#include "emulator/EmulatorLink.h"
#include "emulator/HostUi.h"
#include "emulator/TargetSettings.h"

namespace vantor::emx31 {

// The 8051 registers as the emulator's 16-byte block carries them.
struct Registers {
    std::array<std::uint8_t, 8> r{};
    std::uint8_t a = 0, b = 0, sp = 7, psw = 0, dpl = 0, dph = 0;
    std::uint32_t pc = AG_CODE_TAG;

    std::array<std::uint8_t, kRegisterBlockSize> encode() const;
    void decode(const std::uint8_t *block);
};

// The whole driver behind the entry points: host bindings, session flags, register cache,
// shadow memory, run control, breakpoints and download. One instance per loaded library.
class Driver {
public:
    Driver(HostUi &ui, Clock &clock);
    ~Driver();

    CEmulatorLink &link() { return link_; }
    TargetOptions &options() { return options_; }
    void setBackend(std::unique_ptr<UsbBackend> backend) { link_.setBackend(std::move(backend)); }

    // ---- entry points ----
    std::uint32_t init(std::uint32_t code, void *pointer);
    std::uint32_t memAcc(std::uint32_t code, std::uint8_t *buffer, AG_AddressRecord *address, std::uint32_t count);
    std::uint32_t regAcc(std::uint32_t code, std::uint32_t reg, std::uint32_t *value);
    std::uint32_t allReg(std::uint32_t code);
    std::uint32_t memAtt(std::uint32_t code, AG_AttributeRecord *record);
    std::uint32_t bpInfo(std::uint32_t code, const std::uint32_t *address);
    AG_Breakpoint *breakFunc(std::uint32_t code, const std::uint32_t *address, AG_Breakpoint *record);
    std::uint32_t goStep(std::uint32_t code, std::uint32_t count, const std::uint32_t *address);
    std::uint32_t serial(std::uint32_t code, std::uint32_t channel, std::uint32_t count, const void *data);
    std::uint32_t uv3Cap(std::uint32_t code, AG_CapRecord *record);
    std::uint32_t enumUv351(AG_TargetRecord *record, std::uint32_t code);

    // Register pane functions.
    void paneRead(AG_RegItem *item, std::uint32_t code);
    std::uint32_t paneWrite(AG_RegItem *item, const std::uint8_t *value);

    // State, visible to tests.
    bool running() const { return running_; }
    bool stopRequested() const { return stopRequested_; }
    bool registersCurrent() const { return registersCurrent_; }
    std::uint32_t featureWord() const { return featureWord_; }
    bool firstConnection() const { return firstConnection_; }
    std::uint32_t currentPc() const { return currentPc_; }
    const Registers &registers() const { return cache_; }
    int chipIndexInUse() const { return chipIndex_; }
    bool overLimitNotice() const { return overLimitNotice_; }
    const AG_RegPane &pane() const { return pane_; }
    const AG_ShadowMap &shadow() const { return shadow_; }

    // Longest chain of host records the driver follows (a damaged list must not hang it).
    static constexpr int kMaxListLength = 65536;
    // The emulator's code memory ends here (63 KiB).
    static constexpr std::uint32_t kCodeLimit = 0xFC00;

private:
    friend struct DriverTestAccess;

    // Common ending: after a failed link, close it and tell the host.
    void endCall();
    void sendText(std::uintptr_t kind, const std::string &text);
    intptr_t callback(std::uint32_t code, void *pointer);
    bool startSession();
    void endSession();
    void resetTarget();
    void registerPane();

    // ---- memory (TargetMemory.cpp) ----
    std::uint8_t *shadowData(std::uint32_t address);
    std::uint16_t *shadowAttribute(std::uint32_t address);
    std::uint16_t *attributeAt(std::uint32_t address);  // queries: page by address, low 16 bits
    void invalidateDataCaches();
    void fillCodeShadow();
    void markCodeCached();
    std::uint32_t readMemory(std::uint8_t *buffer, std::uint32_t address, std::uint32_t count, std::uint32_t &failing);
    std::uint32_t writeMemory(const std::uint8_t *buffer, std::uint32_t address, std::uint32_t count,
                              std::uint32_t &failing);
    bool readChunk(std::uint8_t *dest, std::uint32_t address, std::uint32_t n);
    bool writeChunk(const std::uint8_t *src, std::uint32_t address, std::uint32_t n, std::uint32_t &written,
                    bool &abort);
    bool writeCode(const std::uint8_t *src, std::uint16_t offset, std::uint32_t n, std::uint32_t &written);
    void shadowStore(const std::uint8_t *bytes, std::uint32_t address, std::uint32_t count, bool cached);
    void refreshRegisters();
    bool writeAllRegisters(const Registers &source);

    // ---- run control (RunControl.cpp) ----
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

    // ---- download (Download.cpp) ----
    bool prepareDownload();
    bool programAndVerify();
    void progress(std::uint32_t state, const char *text);

    HostUi &ui_;
    Clock &clock_;
    CEmulatorLink link_;
    TargetOptions options_;

    // host bindings
    std::uintptr_t hostWindow_ = 0;
    std::uint32_t hostMessage_ = 0;
    AG_HostCallback hostCallback_ = nullptr;
    AG_Breakpoint **bpList_ = nullptr;
    std::uint32_t *pcSlot_ = nullptr;
    void **dialogSlot_ = nullptr;
    AG_TargetRecord *targetRecord_ = nullptr;

    // session
    std::atomic<bool> running_{false};
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> stepping_{false};
    std::atomic<bool> registersCurrent_{false};
    std::uint32_t featureWord_ = 0;
    bool firstConnection_ = true;
    bool overLimitNotice_ = false;
    int chipIndex_ = -1;

    // registers: the cache and the pane's copy
    Registers cache_;
    Registers paneCopy_;
    std::uint32_t cachedPc_ = AG_CODE_TAG;
    std::atomic<std::uint32_t> currentPc_{AG_CODE_TAG};
    std::mutex state_;  // cache and shadow invalidation, shared with a stop from another thread

    // breakpoints
    int execCount_ = 0, condCount_ = 0, accessCount_ = 0;
    int armed_ = 0;

    AG_ShadowMap shadow_{};
    AG_RegPane pane_{};
    std::array<AG_RegGroup, 2> groups_{};
    std::array<AG_RegItem, 22> items_{};
    std::array<AG_MenuEntry, 2> menu_{};
    AG_ProgressRecord progress_{};
    AG_SerialRecord serial_{};
};

}  // namespace vantor::emx31
