// emx31-dbg: a command-line debugger host for the EMX31 driver.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/SharedLibrary.h"
#include "core/Version.h"
#include "tools/emx31-dbg/DebuggerHost.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

std::filesystem::path executableDir(const char *argv0) {
#if defined(_WIN32)
    char buffer[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (n > 0 && n < MAX_PATH) return std::filesystem::path(buffer).parent_path();
#else
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) return self.parent_path();
#endif
    return std::filesystem::absolute(argv0).parent_path();
}

#if defined(_WIN32)
BOOL WINAPI onConsoleControl(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    vantor::dbg::DebuggerHost::interruptRequested = true;
    return TRUE;
}
#else
void onInterrupt(int) { vantor::dbg::DebuggerHost::interruptRequested = true; }
#endif

int usage() {
    std::fprintf(stderr,
                 "usage: emx31-dbg [-b [--keep-going]] [--simulate[=noadapter]] [--driver FILE] [--debug-info FILE]\n"
                 "                 [--version]\n"
                 "  -b          batch: read commands from standard input, echo them, no prompts;\n"
                 "              stops at the first failed command with exit status 1\n"
                 "  --keep-going  batch: run every command and exit 0 whatever failed\n"
                 "  --simulate  the driver talks to the built-in EMX31 simulator instead of USB\n"
                 "  --driver    the driver library to load (default: the one beside this program)\n"
                 "  --debug-info FILE  sdcc debug information (default: NAME.cdb beside the loaded NAME.hex)\n");
    return 2;
}

}  // namespace

int main(int argc, char **argv) {
    bool batch = false;
    bool keepGoing = false;
    std::string driver, debugInfo;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-b") batch = true;
        else if (a == "--keep-going") keepGoing = true;
        else if (a == "--simulate" || a == "--simulate=noadapter") {
            const char *value = a == "--simulate" ? "1" : "noadapter";
#if defined(_WIN32)
            _putenv_s("EMX31_SIMULATE", value);
#else
            setenv("EMX31_SIMULATE", value, 1);
#endif
        } else if (a == "--driver" && i + 1 < argc) driver = argv[++i];
        else if (a == "--debug-info" && i + 1 < argc) debugInfo = argv[++i];
        else if (a == "-h" || a == "--help") return usage(), 0;
        else if (a == "--version") return std::printf("emx31-dbg %s\n", vantor::kVersionText), 0;
        else return usage();
    }
    if (driver.empty()) driver = (executableDir(argv[0]) / vantor::SharedLibrary::fileName("EMX31_EN")).string();

#if defined(_WIN32)
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
#else
    std::signal(SIGINT, onInterrupt);
#endif
    vantor::dbg::DebuggerHost host(stdin, stdout, batch);
    host.setKeepGoing(keepGoing);
    std::string error;
    if (!host.load(driver, error)) {
        std::fprintf(stderr, "emx31-dbg: %s\n", error.c_str());
        return 2;
    }
    if (!debugInfo.empty() && !host.loadDebugInfo(debugInfo)) return 2;
    return host.run();
}
