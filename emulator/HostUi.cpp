#include "emulator/HostUi.h"

#include "emulator/SettingsDialog.h"

#include <cstdio>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace vantor::emx31 {

void DefaultHostUi::install(const EMX31_HostHooks *hooks) {
    hooks_ = {};
    installed_ = false;
    if (!hooks || hooks->size < offsetof(EMX31_HostHooks, settingsDialog)) return;
    // A host built against an older, shorter record leaves the newer hooks null.
    std::memcpy(&hooks_, hooks, hooks->size < sizeof hooks_ ? hooks->size : sizeof hooks_);
    hooks_.size = sizeof hooks_;
    installed_ = true;
}

int DefaultHostUi::messageBox(const std::string &text, const char *caption, std::uint32_t style) {
    if (installed_ && hooks_.messageBox) return hooks_.messageBox(hooks_.context, text.c_str(), caption, style);
#if defined(_WIN32)
    return MessageBoxA(reinterpret_cast<HWND>(owner_), text.c_str(), caption, style);
#else
    std::fprintf(stderr, "%s: %s\n", caption, text.c_str());
    return (style & 0x0F) == EMX31_MB_YESNO ? EMX31_IDYES : EMX31_IDOK;
#endif
}

std::intptr_t DefaultHostUi::send(std::uintptr_t window, std::uint32_t message, std::uintptr_t kind,
                                  std::intptr_t lParam) {
    if (installed_ && hooks_.sendMessage) return hooks_.sendMessage(hooks_.context, window, message, kind, lParam);
#if defined(_WIN32)
    return SendMessageA(reinterpret_cast<HWND>(window), message, kind, lParam);
#else
    if (kind == AG_MSG_TEXT || kind == AG_MSG_DOWNLOAD)
        std::fprintf(stderr, "%s", reinterpret_cast<const char *>(lParam));
    return 0;
#endif
}

void DefaultHostUi::post(std::uintptr_t window, std::uint32_t message, std::uintptr_t kind, std::intptr_t lParam) {
    if (installed_ && hooks_.postMessage) {
        hooks_.postMessage(hooks_.context, window, message, kind, lParam);
        return;
    }
#if defined(_WIN32)
    PostMessageA(reinterpret_cast<HWND>(window), message, kind, lParam);
#endif
}

bool DefaultHostUi::settingsDialog(const EMX31_SettingsForm &form) {
    if (installed_ && hooks_.settingsDialog) return hooks_.settingsDialog(hooks_.context, &form) != 0;
#if defined(_WIN32)
    return runWin32SettingsDialog(form, owner_);
#else
    return false;  // no windowing system of our own here: a host brings its dialog as a hook
#endif
}

}  // namespace vantor::emx31
