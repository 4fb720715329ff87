#pragma once
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/SharedLibrary.h"
#include "emulator/EMX31_EN.h"

namespace vantor::dbg {

class SourceCommands;

// One contiguous run of program bytes from an Intel HEX file.
struct Block {
    std::uint32_t start = 0;
    std::vector<std::uint8_t> bytes;
};

// Reads an Intel HEX file into blocks (adjacent records merged). False with `error` set.
bool readIntelHex(const std::string &path, std::vector<Block> &blocks, std::string &error);

// The debugger host: loads the driver by file name, owns the breakpoint list, the PC slot and
// the shadow memory, and drives the driver the way an IDE does.
class DebuggerHost {
public:
    DebuggerHost(std::FILE *in, std::FILE *out, bool batch);
    ~DebuggerHost();

    bool load(const std::string &driverPath, std::string &error);
    // sdcc debug information to use instead of NAME.cdb beside the loaded program.
    bool loadDebugInfo(const std::string &path);
    // Batch mode: run the commands after a failed one and exit 0 (the default stops with 1).
    void setKeepGoing(bool keepGoing) { keepGoing_ = keepGoing; }
    // Runs commands until quit or end of input; the exit status.
    int run();
    // One command line; false when the session is to end.
    bool execute(const std::string &line);

    // Ctrl+C: asks a running go to stop (called from the signal watcher, not the handler).
    static std::atomic<bool> interruptRequested;

private:
    // The source level (SourceCommands.cpp) and the adapters over the driver share the binding.
    friend class DriverTarget;
    friend class SourceCommands;
    friend class DapSession;
    struct Breakpoint {
        AG_Breakpoint record{};
        std::string command;
    };
    template <typename F>
    F fn(const char *name);

    // Prints a failure; in batch mode the script stops after this command.
    void fail(const char *format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    bool ensureConnected();
    void whileStoppable(const std::function<void()> &call);
    void cmdConnect();
    void cmdReset();
    void cmdTimeout(const std::string &ms);
    void cmdBreaks();
    void cmdHelp();
    void cmdLoad(const std::string &file);
    void cmdStep(const std::vector<std::string> &args);
    void cmdGo(const std::vector<std::string> &args);
    void cmdBreak(const std::vector<std::string> &args);
    void cmdDelete(const std::vector<std::string> &args);
    void cmdRegs();
    void cmdReg(const std::vector<std::string> &args);
    void cmdMem(const std::vector<std::string> &args);
    void cmdWrite(const std::vector<std::string> &args);
    void cmdSettings();
    void relinkBreakpoints();
    void printPc();
    bool readLine(std::string &line);

    // host side of the driver's calls
    static intptr_t hostCallback(std::uint32_t code, void *pointer);
    static int messageBox(void *context, const char *text, const char *caption, std::uint32_t style);
    static intptr_t sendMessage(void *context, std::uintptr_t window, std::uint32_t message, std::uintptr_t kind,
                                intptr_t lParam);
    static void postMessage(void *context, std::uintptr_t window, std::uint32_t message, std::uintptr_t kind,
                            intptr_t lParam);
    static int settingsDialog(void *context, const EMX31_SettingsForm *form);
    static DebuggerHost *current;

    std::FILE *in_;
    std::FILE *out_;
    bool batch_;
    SharedLibrary library_;
    decltype(&AG_Init) init_ = nullptr;
    decltype(&AG_MemAcc) memAcc_ = nullptr;
    decltype(&AG_RegAcc) regAcc_ = nullptr;
    decltype(&AG_AllReg) allReg_ = nullptr;
    decltype(&AG_BreakFunc) breakFunc_ = nullptr;
    decltype(&AG_GoStep) goStep_ = nullptr;
    decltype(&DllUv3Cap) uv3Cap_ = nullptr;
    decltype(&EnumUv351) enumUv351_ = nullptr;

    EMX31_HostHooks hooks_{};
    AG_TargetRecord target_{};
    std::uint32_t pc_ = AG_CODE_TAG;
    AG_Breakpoint *bpHead_ = nullptr;
    std::list<Breakpoint> breakpoints_;
    std::vector<std::uint8_t> codeData_, xdataData_, sfrData_, ramData_;
    std::vector<std::uint16_t> codeAttr_, xdataAttr_, sfrAttr_, ramAttr_;
    AG_RegPane *pane_ = nullptr;
    std::vector<AG_DownloadBlock> chain_;
    std::vector<Block> program_;
    bool connected_ = false;
    bool linkLost_ = false;
    bool inGo_ = false;
    bool keepGoing_ = false;
    std::atomic<bool> commandFailed_{false};
    unsigned autoStopMs_ = 0;
    std::unique_ptr<SourceCommands> source_;
};

}  // namespace vantor::dbg
