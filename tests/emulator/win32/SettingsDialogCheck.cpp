// Windows only, run under Wine by scripts/windows-check.sh: the driver's own settings dialog
// (no host hook) opens with every control, reacts to clicks and writes the options on OK.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "emulator/EMX31_EN.h"

namespace {

int failures = 0;

void check(bool ok, const char *what) {
    if (ok) return;
    std::printf("settings dialog: %s\n", what);
    ++failures;
}

DWORD WINAPI operate(LPVOID) {
    HWND dialog = nullptr;
    // The window exists before its controls; it shows once they are made and filled.
    for (int i = 0; i < 500 && !(dialog && IsWindowVisible(dialog)); ++i) {
        dialog = FindWindowA(nullptr, "Tarvik EMX31 Emulator/Programmer  V1.00");
        Sleep(20);
    }
    check(dialog != nullptr, "did not open");
    if (!dialog) return 1;
    for (const int id : {5002, 5022, 5007, 5020, 5015, 5021, 5000, 5026, IDOK, IDCANCEL}) {
        char what[48];
        std::snprintf(what, sizeof what, "no control %d", id);
        check(GetDlgItem(dialog, id) != nullptr, what);
    }
    check(SendDlgItemMessageA(dialog, 5002, BM_GETCHECK, 0, 0) == BST_CHECKED, "halt not checked for E1");
    check(SendDlgItemMessageA(dialog, 5015, CB_GETCOUNT, 0, 0) == 4, "not four makers");
    char chip[32] = "";
    SendDlgItemMessageA(dialog, 5000, CB_GETLBTEXT, SendDlgItemMessageA(dialog, 5000, CB_GETCURSEL, 0, 0),
                        reinterpret_cast<LPARAM>(chip));
    check(std::strcmp(chip, "AT89S52") == 0, "chip C1 of the first maker is not AT89S52");
    char info[256] = "";
    GetDlgItemTextA(dialog, 5026, info, sizeof info);
    check(std::strstr(info, "not connected") != nullptr, "no identification text");

    SendDlgItemMessageA(dialog, 5007, BM_CLICK, 0, 0);
    check(!IsWindowEnabled(GetDlgItem(dialog, 5015)), "maker list enabled for an adapter download");
    check(!IsWindowEnabled(GetDlgItem(dialog, 5021)), "chip label enabled for an adapter download");
    SendDlgItemMessageA(dialog, 5002, BM_CLICK, 0, 0);
    SendDlgItemMessageA(dialog, IDOK, BM_CLICK, 0, 0);
    return 0;
}

}  // namespace

int main() {
    HMODULE driver = LoadLibraryA("EMX31_EN.dll");
    if (!driver) return std::printf("cannot load EMX31_EN.dll\n"), 2;
    auto cap = reinterpret_cast<decltype(&DllUv3Cap)>(reinterpret_cast<void *>(GetProcAddress(driver, "DllUv3Cap")));
    char text[AG_OPTION_TEXT_SIZE] = "-E1 -F15 -V0 -C1";
    AG_CapRecord record{};
    record.optionText = text;
    HANDLE thread = CreateThread(nullptr, 0, operate, nullptr, 0, nullptr);
    const std::uint32_t result = cap(1, &record);
    WaitForSingleObject(thread, 15000);
    check(result == 1, "OK did not answer 1");
    check(std::strcmp(text, "-E0 -F16 -V0 -C1") == 0, text);
    std::printf("settings dialog: %s\n", failures ? "FAILED" : "OK");
    return failures ? 1 : 0;
}
