#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "core/Clock.h"
#include "emulator/EMX31_EN.h"
#include "emulator/EmulatorLink.h"
#include "emulator/FlashDownload.h"
#include "emulator/HostBinding.h"
#include "emulator/HostUi.h"
#include "emulator/RunControl.h"
#include "emulator/SessionState.h"
#include "emulator/TargetMemory.h"
#include "emulator/TargetSettings.h"

namespace vantor::emx31 {

// The driver behind the entry points: the host's bindings, the session's start and end, the
// settings dialog, and the collaborators over the shared link that do the work (target memory
// and registers, run control with breakpoints, download). One instance per loaded library.
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
    void paneRead(AG_RegItem *item, std::uint32_t code) { memory_.paneRead(item, code); }
    std::uint32_t paneWrite(AG_RegItem *item, const std::uint8_t *value) { return memory_.paneWrite(item, value); }

    // State, visible to tests.
    bool running() const { return session_.running; }
    bool stopRequested() const { return session_.stopRequested; }
    bool registersCurrent() const { return session_.registersCurrent; }
    std::uint32_t featureWord() const { return featureWord_; }
    bool firstConnection() const { return firstConnection_; }
    std::uint32_t currentPc() const { return session_.currentPc; }
    const Registers &registers() const { return memory_.registers(); }
    int chipIndexInUse() const { return download_.chipIndexInUse(); }
    bool overLimitNotice() const { return memory_.overLimitNotice(); }
    const AG_RegPane &pane() const { return memory_.pane(); }
    const AG_ShadowMap &shadow() const { return memory_.shadow(); }

private:
    bool startSession();
    void endSession();
    void resetTarget();

    HostUi &ui_;
    Clock &clock_;
    CEmulatorLink link_;
    TargetOptions options_;
    HostBinding host_{ui_};
    SessionState session_;
    TargetMemory memory_{link_, options_, host_, session_};
    RunControl runControl_{link_, options_, host_, session_, memory_};
    FlashDownload download_{link_, options_, host_};

    // host bindings
    void **dialogSlot_ = nullptr;
    AG_TargetRecord *targetRecord_ = nullptr;

    std::uint32_t featureWord_ = 0;
    bool firstConnection_ = true;
    std::array<AG_MenuEntry, 2> menu_{};
    AG_SerialRecord serial_{};
};

}  // namespace vantor::emx31
