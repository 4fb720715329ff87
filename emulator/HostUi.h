#pragma once
#include <cstdint>
#include <string>

#include "emulator/EMX31_EN.h"

namespace vantor::emx31 {

// Everything the driver shows or sends to the host: message boxes, messages to the host
// window and the settings dialog. One place, so a host without windows (or a test) can take
// them over.
class HostUi {
public:
    virtual ~HostUi() = default;
    // Answer EMX31_IDOK / EMX31_IDYES / EMX31_IDNO; `style` uses the EMX31_MB_* bits.
    virtual int messageBox(const std::string &text, const char *caption, std::uint32_t style) = 0;
    virtual std::intptr_t send(std::uintptr_t window, std::uint32_t message, std::uintptr_t kind,
                               std::intptr_t lParam) = 0;
    virtual void post(std::uintptr_t window, std::uint32_t message, std::uintptr_t kind, std::intptr_t lParam) = 0;
    // True for OK.
    virtual bool settingsDialog(const EMX31_SettingsForm &form) = 0;
};

// Installed host hooks first; otherwise the platform's windows (Windows) or standard error with
// default answers (elsewhere).
class DefaultHostUi : public HostUi {
public:
    void install(const EMX31_HostHooks *hooks);
    // The host's window: the parent of message boxes and of the settings dialog.
    void setOwnerWindow(std::uintptr_t window) { owner_ = window; }
    int messageBox(const std::string &text, const char *caption, std::uint32_t style) override;
    std::intptr_t send(std::uintptr_t window, std::uint32_t message, std::uintptr_t kind,
                       std::intptr_t lParam) override;
    void post(std::uintptr_t window, std::uint32_t message, std::uintptr_t kind, std::intptr_t lParam) override;
    bool settingsDialog(const EMX31_SettingsForm &form) override;

private:
    EMX31_HostHooks hooks_{};
    bool installed_ = false;
    std::uintptr_t owner_ = 0;
};

}  // namespace vantor::emx31
