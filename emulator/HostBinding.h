#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "emulator/EMX31_EN.h"
#include "emulator/EmulatorLink.h"
#include "emulator/HostUi.h"

namespace vantor::emx31 {

// What the driver's collaborators share of the host: its window and message for texts, and
// its callback. Set by the host's bindings (AG_Init group 0x02).
struct HostBinding {
    explicit HostBinding(HostUi &hostUi) : ui(hostUi) {}

    HostUi &ui;
    std::uintptr_t window = 0;
    std::uint32_t message = 0;
    AG_HostCallback callback = nullptr;

    intptr_t call(std::uint32_t code, void *pointer) const { return callback ? callback(code, pointer) : 0; }
    // Common ending of a host call: after a failed link, close it and tell the host.
    void endCall(CEmulatorLink &link) const {
        if (!link.linkFailed) return;
        link.close();
        ui.post(window, message, AG_MSG_LINK_LOST, 0);
    }
    void sendText(std::uintptr_t kind, const std::string &text) const {
        // The host gets a buffer of the driver's own, as long as a formatted message may be.
        char buffer[2048];
        std::snprintf(buffer, sizeof buffer, "%s", text.c_str());
        ui.send(window, message, kind, reinterpret_cast<std::intptr_t>(buffer));
    }
};

}  // namespace vantor::emx31
