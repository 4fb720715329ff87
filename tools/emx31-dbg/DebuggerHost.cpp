#include "tools/emx31-dbg/DebuggerHost.h"
#include "tools/emx31-dbg/SourceCommands.h"

#include <cctype>
#include <charconv>
#include <chrono>
#include <cstdarg>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace vantor::dbg {

std::atomic<bool> DebuggerHost::interruptRequested{false};
DebuggerHost *DebuggerHost::current = nullptr;

namespace {

constexpr std::uint32_t kHostMessage = 0x0400 + 100;  // WM_USER + 100
constexpr std::uintptr_t kHostWindow = 1;             // the host has no real window; any non-zero handle

std::vector<std::string> split(const std::string &line) {
    std::istringstream s(line);
    std::vector<std::string> words;
    for (std::string w; s >> w;) words.push_back(w);
    return words;
}

// Digits of `base` only: no sign, no blanks, nothing after them, nothing that overflows.
bool parseDigits(std::string_view text, std::uint32_t &value, int base) {
    if (text.empty()) return false;
    std::uint32_t v = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v, base);
    if (error != std::errc() || end != text.data() + text.size()) return false;
    value = v;
    return true;
}

// A command argument: decimal or hexadecimal as `base` says, "0x…" and "…h" always hexadecimal.
bool parseNumber(const std::string &text, std::uint32_t &value, int base = 16) {
    std::string_view t = text;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) t.remove_prefix(2), base = 16;
    else if (t.size() > 1 && (t.back() == 'h' || t.back() == 'H')) t.remove_suffix(1), base = 16;
    return parseDigits(t, value, base);
}

bool internalSpace(std::uint32_t address) {
    return (address >> 24) == AG_SPACE_DATA || (address >> 24) == AG_SPACE_IDATA;
}

// The end of the space an address lies in: internal data has 256 bytes, code and external data 64 KiB.
std::uint32_t spaceSize(std::uint32_t address) { return internalSpace(address) ? 0x100 : 0x10000; }

// "C:0100", "X:10", "D:0x7E", "I:80" or a bare code address.
bool parseAddress(const std::string &text, std::uint32_t &address) {
    std::uint32_t space = AG_SPACE_CODE;
    std::string rest = text;
    if (text.size() > 2 && text[1] == ':') {
        switch (std::toupper(static_cast<unsigned char>(text[0]))) {
        case 'C': space = AG_SPACE_CODE; break;
        case 'X': space = AG_SPACE_XDATA; break;
        case 'D': space = AG_SPACE_DATA; break;
        case 'I': space = AG_SPACE_IDATA; break;
        default: return false;
        }
        rest = text.substr(2);
    }
    std::uint32_t offset = 0;
    address = AG_ADDRESS(space, 0);
    if (!parseNumber(rest, offset) || offset >= spaceSize(address)) return false;
    address = AG_ADDRESS(space, offset);
    return true;
}

// The largest value a register or flag of `reg NAME VALUE` holds.
std::uint32_t registerLimit(const std::string &name) {
    if (name == "pc" || name == "dptr") return 0xFFFF;
    if (name == "rs") return 3;
    for (const char *flag : {"p", "f1", "ov", "f0", "ac", "cy"})
        if (name == flag) return 1;
    return 0xFF;
}

constexpr const char *kAddressForms = "C:|X:0000..FFFF or D:|I:00..FF";
constexpr std::uint32_t kMaxStepCount = 1000000;

std::string formatAddress(std::uint32_t a) {
    const char *prefix = "C:";
    int width = 4;
    switch (a >> 24) {
    case AG_SPACE_XDATA: prefix = "X:"; break;
    case AG_SPACE_DATA: prefix = "D:", width = 2; break;
    case AG_SPACE_IDATA: prefix = "I:", width = 2; break;
    default: break;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%s%0*X", prefix, width, unsigned(a & 0xFFFF));
    return text;
}

}  // namespace

bool readIntelHex(const std::string &path, std::vector<Block> &blocks, std::string &error) {
    std::ifstream file(path);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    blocks.clear();
    std::uint32_t upper = 0;
    int lineNo = 0;
    for (std::string line; std::getline(file, line);) {
        ++lineNo;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.empty()) continue;
        auto bad = [&](const char *why) {
            error = path + ":" + std::to_string(lineNo) + ": " + why;
            return false;
        };
        if (line[0] != ':' || line.size() < 11 || (line.size() - 1) % 2) return bad("not an Intel HEX record");
        std::vector<std::uint8_t> rec;
        for (std::size_t i = 1; i + 1 < line.size(); i += 2) {
            std::uint32_t b = 0;
            const bool digits = std::isxdigit(static_cast<unsigned char>(line[i])) &&
                                std::isxdigit(static_cast<unsigned char>(line[i + 1]));
            if (!digits || !parseDigits(std::string_view(line).substr(i, 2), b, 16)) return bad("bad hex digit");
            rec.push_back(std::uint8_t(b));
        }
        if (rec.size() != std::size_t(rec[0]) + 5) return bad("wrong record length");
        std::uint8_t sum = 0;
        for (auto b : rec) sum = std::uint8_t(sum + b);
        if (sum != 0) return bad("checksum error");
        const std::uint32_t address = upper + (std::uint32_t(rec[1]) << 8 | rec[2]);
        switch (rec[3]) {
        case 0:
            if (address + rec[0] > 0x10000) return bad("data beyond 64 KiB");
            if (!blocks.empty() && blocks.back().start + blocks.back().bytes.size() == address)
                blocks.back().bytes.insert(blocks.back().bytes.end(), rec.begin() + 4, rec.end() - 1);
            else if (rec[0]) blocks.push_back({address, {rec.begin() + 4, rec.end() - 1}});
            break;
        case 1: return true;
        case 2: upper = (std::uint32_t(rec[4]) << 8 | rec[5]) << 4; break;
        case 4: upper = (std::uint32_t(rec[4]) << 8 | rec[5]) << 16; break;
        default: break;
        }
    }
    // A file without its end record was cut short: part of the program would be missing.
    error = path + ":" + std::to_string(lineNo) + ": no end-of-file record";
    return false;
}

DebuggerHost::DebuggerHost(std::FILE *in, std::FILE *out, bool batch)
    : in_(in), out_(out), batch_(batch), codeData_(0x10000, 0xFF), xdataData_(0x10000), sfrData_(0x100),
      ramData_(0x100), codeAttr_(0x10000), xdataAttr_(0x10000), sfrAttr_(0x100), ramAttr_(0x100) {
    current = this;
    hooks_.size = sizeof hooks_;
    hooks_.context = this;
    hooks_.messageBox = &DebuggerHost::messageBox;
    hooks_.sendMessage = &DebuggerHost::sendMessage;
    hooks_.postMessage = &DebuggerHost::postMessage;
    hooks_.settingsDialog = &DebuggerHost::settingsDialog;
    source_ = std::make_unique<SourceCommands>(*this, out_);
}

bool DebuggerHost::loadDebugInfo(const std::string &path) { return source_->loadDebugInfo(path); }

DebuggerHost::~DebuggerHost() {
    if (connected_ && init_) {
        connected_ = false;
        init_(AG_INIT_END_SESSION, &target_);
    }
    current = nullptr;
}

template <typename F>
F DebuggerHost::fn(const char *name) {
    return library_.function<F>(name);
}

bool DebuggerHost::load(const std::string &driverPath, std::string &error) {
    if (!library_.open(driverPath)) {
        error = "cannot load " + driverPath + ": " + library_.lastError();
        return false;
    }
    static const char *const names[] = {"AG_Init",   "AG_MemAcc",   "AG_RegAcc",    "AG_AllReg",
                                        "AG_MemAtt", "AG_BpInfo",   "AG_BreakFunc", "AG_GoStep",
                                        "AG_Serial", "AG_HistFunc", "DllUv3Cap",    "EnumUv351"};
    for (const char *name : names)
        if (!library_.symbol(name)) {
            error = driverPath + " does not export " + name;
            return false;
        }
    init_ = fn<decltype(init_)>("AG_Init");
    memAcc_ = fn<decltype(memAcc_)>("AG_MemAcc");
    regAcc_ = fn<decltype(regAcc_)>("AG_RegAcc");
    allReg_ = fn<decltype(allReg_)>("AG_AllReg");
    breakFunc_ = fn<decltype(breakFunc_)>("AG_BreakFunc");
    goStep_ = fn<decltype(goStep_)>("AG_GoStep");
    uv3Cap_ = fn<decltype(uv3Cap_)>("DllUv3Cap");
    enumUv351_ = fn<decltype(enumUv351_)>("EnumUv351");

    // The order an IDE follows: options, bindings, then the session.
    enumUv351_(&target_, 2);
    init_(AG_INIT_EMX31_HOOKS, &hooks_);
    init_(AG_INIT_HOST_WINDOW, reinterpret_cast<void *>(kHostWindow));
    init_(AG_INIT_HOST_MESSAGE, reinterpret_cast<void *>(std::uintptr_t(kHostMessage)));
    init_(AG_INIT_HOST_CALLBACK, reinterpret_cast<void *>(&DebuggerHost::hostCallback));
    init_(AG_INIT_BREAKPOINTS, &bpHead_);
    init_(AG_INIT_PC_SLOT, &pc_);
    return true;
}

bool DebuggerHost::readLine(std::string &line) {
    line.clear();
    for (int c; (c = std::fgetc(in_)) != EOF;) {
        if (c == '\n') return true;
        line.push_back(char(c));
    }
    return !line.empty();
}

int DebuggerHost::run() {
    std::string line;
    for (;;) {
        if (!batch_) {
            std::fprintf(out_, "emx31> ");
            std::fflush(out_);
        }
        if (!readLine(line)) break;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (batch_ && !line.empty() && line[0] != '#') std::fprintf(out_, "> %s\n", line.c_str());
        commandFailed_ = false;
        const bool goOn = execute(line);
        // A script stops at its first failed command, as a shell script under "set -e" does.
        if (commandFailed_ && batch_ && !keepGoing_) {
            std::fprintf(out_, "Stopped at the failed command (--keep-going runs the rest).\n");
            if (goOn) execute("quit");
            return 1;
        }
        if (!goOn) return 0;
    }
    execute("quit");
    return 0;
}

void DebuggerHost::fail(const char *format, ...) {
    commandFailed_ = true;
    std::va_list args;
    va_start(args, format);
    std::vfprintf(out_, format, args);
    va_end(args);
}

bool DebuggerHost::ensureConnected() {
    if (connected_) return true;
    fail("Not connected (use connect).\n");
    return false;
}

bool DebuggerHost::execute(const std::string &line) {
    const auto words = split(line);
    if (words.empty() || words[0][0] == '#') return true;
    const std::string &c = words[0];
    const std::vector<std::string> args(words.begin() + 1, words.end());
    if (source_->execute(c, args, line)) return true;
    if (c == "quit" || c == "q" || c == "exit") {
        if (connected_) {
            connected_ = false;  // the link-lost notice of the session's end is expected
            init_(AG_INIT_END_SESSION, &target_);
        }
        std::fprintf(out_, "Options: %s\n", target_.optionText);
        return false;
    }
    if (c == "connect") {
        cmdConnect();
    } else if (c == "load" && args.size() == 1) {
        cmdLoad(args[0]);
    } else if (c == "reset") {
        cmdReset();
    } else if (c == "step" || c == "s") {
        cmdStep(args);
    } else if (c == "go" || c == "g") {
        cmdGo(args);
    } else if (c == "stop") {
        std::fprintf(out_, "Nothing is running (Ctrl+C stops a running go or step).\n");
    } else if (c == "timeout" && args.size() == 1) {
        cmdTimeout(args[0]);
    } else if (c == "break" || c == "b") {
        cmdBreak(args);
    } else if (c == "delete" || c == "del") {
        cmdDelete(args);
    } else if (c == "breaks") {
        cmdBreaks();
    } else if (c == "regs" || c == "r") {
        cmdRegs();
    } else if (c == "reg") {
        cmdReg(args);
    } else if (c == "mem" || c == "m") {
        cmdMem(args);
    } else if (c == "write" || c == "w") {
        cmdWrite(args);
    } else if (c == "settings") {
        cmdSettings();
    } else if (c == "options") {
        std::fprintf(out_, "Options: %s\n", target_.optionText);
    } else if (c == "echo") {
        std::fprintf(out_, "%s\n", line.size() > 5 ? line.substr(5).c_str() : "");
    } else if (c == "help" || c == "?") {
        cmdHelp();
    } else {
        fail("Unknown command: %s (try help)\n", line.c_str());
    }
    std::fflush(out_);
    return true;
}

void DebuggerHost::cmdConnect() {
    linkLost_ = false;
    connected_ = init_(AG_INIT_START_SESSION, nullptr) == 0;
    if (!connected_) return fail("Connection failed.\n");
    std::fprintf(out_, "Connected.\n");
    allReg_(1, nullptr);
    printPc();
}

void DebuggerHost::cmdReset() {
    if (!ensureConnected()) return;
    init_(AG_INIT_RESET, nullptr);
    allReg_(1, nullptr);
    printPc();
}

void DebuggerHost::cmdTimeout(const std::string &ms) {
    std::uint32_t value = 0;
    if (!parseNumber(ms, value, 10)) return fail("timeout MS: MS is a decimal number of milliseconds (0: never)\n");
    autoStopMs_ = value;
    std::fprintf(out_, "A go or step is stopped after %u ms.\n", autoStopMs_);
}

void DebuggerHost::cmdBreaks() {
    int n = 0;
    for (const auto &bp : breakpoints_)
        std::fprintf(out_, "%d: %s count %u%s%s%s\n", n++, formatAddress(bp.record.address).c_str(),
                     bp.record.passCount, bp.record.flags & AG_BP_ENABLED ? "" : " (disabled)",
                     bp.command.empty() ? "" : " command: ", bp.command.c_str());
}

void DebuggerHost::cmdHelp() {
    std::fputs(source_->help(), out_);
    std::fprintf(out_, "connect | load FILE.hex | reset | step [N] | go [C:ADDR] (Ctrl+C stops both) | timeout MS\n"
                       "break ADDR [COUNT] [COMMAND...] | delete [N] | breaks | regs | reg NAME VALUE\n"
                       "mem C:|X:|D:|I:ADDR [COUNT] | write C:|X:|D:|I:ADDR BYTE... | settings | options | quit\n");
}

void DebuggerHost::printPc() {
    std::uint32_t pc = 0;
    regAcc_(1, AG_REG_PC, &pc);
    std::fprintf(out_, "PC = %s\n", formatAddress(pc).c_str());
}

void DebuggerHost::cmdLoad(const std::string &file) {
    if (!ensureConnected()) return;
    std::string error;
    if (!readIntelHex(file, program_, error)) {
        fail("Load failed: %s\n", error.c_str());
        return;
    }
    std::uint32_t total = 0;
    for (const auto &b : program_) total += std::uint32_t(b.bytes.size());
    chain_.clear();
    for (const auto &b : program_) chain_.push_back({b.start, std::uint32_t(b.bytes.size()), b.bytes.data(), total});
    chain_.push_back({0, 0, nullptr, total});
    if (init_(AG_INIT_PREPARE_DOWNLOAD, nullptr) != 0 || init_(AG_INIT_PROGRAM_VERIFY, nullptr) != 0) {
        fail("Download failed.\n");
        return;
    }
    std::fprintf(out_, "Loaded %u bytes in %zu block(s).\n", total, program_.size());
    source_->programLoaded(file);
    init_(AG_INIT_RESET, nullptr);
    allReg_(1, nullptr);
    printPc();
}

void DebuggerHost::cmdStep(const std::vector<std::string> &args) {
    std::uint32_t n = 1;
    if (!args.empty() && (!parseDigits(args[0], n, 10) || n == 0 || n > kMaxStepCount)) {
        fail("step [N]: N is a decimal count from 1 to %u\n", kMaxStepCount);
        return;
    }
    if (!ensureConnected()) return;
    whileStoppable([&] { goStep_(AG_GOSTEP_STEP, n, nullptr); });
    if (connected_) allReg_(1, nullptr);  // the register view follows every step, as in an IDE
    if (connected_) std::fprintf(out_, "PC = %s\n", formatAddress(pc_).c_str());
}

void DebuggerHost::cmdGo(const std::vector<std::string> &args) {
    std::uint32_t target = 0;
    if (!args.empty() && (!parseAddress(args[0], target) || (target >> 24) != AG_SPACE_CODE)) {
        fail("go [C:ADDR]: bad code address %s\n", args[0].c_str());
        return;
    }
    if (!ensureConnected()) return;
    std::fprintf(out_, "Running...\n");
    inGo_ = true;
    whileStoppable([&] {
        if (args.empty()) goStep_(AG_GOSTEP_GO, 0, nullptr);
        else goStep_(AG_GOSTEP_GO_TO, 0, &target);
    });
    inGo_ = false;
    if (connected_) allReg_(1, nullptr);
    if (connected_) std::fprintf(out_, "Stopped at %s\n", formatAddress(pc_).c_str());
}

// A second thread stops a go or a step sequence: on Ctrl+C, or when the script's time limit is reached.
void DebuggerHost::whileStoppable(const std::function<void()> &call) {
    std::fflush(out_);  // what the user typed shows before a long wait
    interruptRequested = false;
    std::atomic<bool> finished{false};
    std::thread watcher([&] {
        const auto start = std::chrono::steady_clock::now();
        bool autoStopped = false;
        while (!finished) {
            const bool timeUp = autoStopMs_ && !autoStopped &&
                                std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(autoStopMs_);
            if (interruptRequested.exchange(false) || timeUp) {
                autoStopped = autoStopped || timeUp;
                std::fprintf(out_, "Stop requested.\n");
                std::fflush(out_);
                if (goStep_(AG_GOSTEP_STOP, 0, nullptr) != 1) {
                    fail("The target did not stop.\n");
                    std::fflush(out_);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    call();
    finished = true;
    watcher.join();
}

void DebuggerHost::relinkBreakpoints() {
    AG_Breakpoint *next = nullptr;
    for (auto it = breakpoints_.rbegin(); it != breakpoints_.rend(); ++it) {
        it->record.next = next;
        it->record.command = it->command.empty() ? nullptr : it->command.c_str();
        next = &it->record;
    }
    bpHead_ = next;
}

void DebuggerHost::cmdBreak(const std::vector<std::string> &args) {
    std::uint32_t address = 0, count = 1;
    if (args.empty() || !parseAddress(args[0], address) || (address >> 24) != AG_SPACE_CODE ||
        (args.size() > 1 && !parseDigits(args[1], count, 10))) {
        fail("break C:ADDR [COUNT] [COMMAND...]\n");
        return;
    }
    Breakpoint bp;
    bp.record.flags = AG_BP_KIND_EXEC | AG_BP_ENABLED;
    bp.record.address = address;
    bp.record.passCount = count ? count : 1;
    for (std::size_t i = 2; i < args.size(); ++i) bp.command += (i > 2 ? " " : "") + args[i];
    breakpoints_.push_back(bp);
    relinkBreakpoints();
    breakFunc_(1, 0, &address, &breakpoints_.back().record);
    std::fprintf(out_, "Breakpoint %zu at %s\n", breakpoints_.size() - 1, formatAddress(address).c_str());
}

void DebuggerHost::cmdDelete(const std::vector<std::string> &args) {
    std::uint32_t n = 0;
    if (!args.empty() && (!parseDigits(args[0], n, 10) || n >= breakpoints_.size())) {
        fail("No breakpoint %s\n", args[0].c_str());
        return;
    }
    auto it = breakpoints_.begin();
    const std::size_t first = args.empty() ? 0 : n, last = args.empty() ? breakpoints_.size() : n + 1;
    std::advance(it, first);
    for (std::size_t i = first; i < last; ++i) {
        std::uint32_t a = it->record.address;
        breakFunc_(2, 0, &a, &it->record);
        it = breakpoints_.erase(it);
    }
    relinkBreakpoints();
    std::fprintf(out_, args.empty() ? "All breakpoints deleted.\n" : "Breakpoint deleted.\n");
}

void DebuggerHost::cmdRegs() {
    if (!ensureConnected() || !pane_) return;
    pane_->read(nullptr, 0x80000000u);
    std::string text;
    for (std::uint32_t i = 0; i < pane_->itemCount; ++i) {
        AG_RegItem &item = pane_->items[i];
        if (!item.name[0]) continue;
        pane_->read(&item, 0);
        std::string value(item.text);
        while (!value.empty() && value.back() == ' ') value.pop_back();
        std::string name(item.name);
        if (item.isPc) name = "pc";
        text += name + "=" + value + (i == 7 || i == 13 ? "\n" : " ");
    }
    std::fprintf(out_, "%s\n", text.c_str());
}

void DebuggerHost::cmdReg(const std::vector<std::string> &args) {
    std::uint32_t value = 0;
    if (args.size() != 2 || !parseNumber(args[1], value)) {
        fail("reg NAME VALUE (hexadecimal)\n");
        return;
    }
    const std::string &name = args[0];
    const std::uint32_t widest = registerLimit(name);
    if (value > widest) {
        fail("reg %s: VALUE is 0..%X\n", name.c_str(), unsigned(widest));
        return;
    }
    if (!ensureConnected()) return;
    std::uint32_t reg = 0xFFFF;
    if (name.size() == 2 && name[0] == 'r' && name[1] >= '0' && name[1] <= '7') reg = std::uint32_t(name[1] - '0');
    else if (name == "a") reg = AG_REG_A;
    else if (name == "dptr") reg = AG_REG_DPTR;
    else if (name == "pc") reg = AG_REG_PC, value = AG_CODE_TAG | (value & 0xFFFF);
    if (reg != 0xFFFF) {
        regAcc_(2, reg, &value);
    } else {
        AG_RegItem *item = nullptr;
        for (std::uint32_t i = 0; pane_ && i < pane_->itemCount; ++i)
            if (name == pane_->items[i].name) item = &pane_->items[i];
        std::uint8_t bytes[4] = {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
                                 std::uint8_t(value >> 24)};
        if (!item || pane_->write(item, bytes) != 1) {
            fail("Cannot change %s\n", name.c_str());
            return;
        }
    }
    cmdRegs();
}

void DebuggerHost::cmdMem(const std::vector<std::string> &args) {
    std::uint32_t address = 0, count = 16;
    if (args.empty() || !parseAddress(args[0], address)) {
        fail("mem ADDR [COUNT]: ADDR is %s\n", kAddressForms);
        return;
    }
    const std::uint32_t room = spaceSize(address) - (address & 0xFFFF);
    if (args.size() > 1 && (!parseNumber(args[1], count) || count == 0 || count > room)) {
        fail("mem %s [COUNT]: COUNT is 1..%X (hexadecimal), to the end of the space\n", formatAddress(address).c_str(),
             unsigned(room));
        return;
    }
    if (!ensureConnected()) return;
    std::vector<std::uint8_t> bytes(count);
    AG_AddressRecord rec{address, 0};
    const bool code = (address >> 24) == AG_SPACE_CODE;
    const std::uint32_t r = memAcc_(code ? AG_MEM_READ_CODE : AG_MEM_READ, bytes.data(), &rec, count);
    if (r != AG_MEM_OK) {
        fail("Cannot read %s (failing address %08X)\n", formatAddress(address).c_str(), unsigned(rec.failing));
        return;
    }
    for (std::uint32_t i = 0; i < count; i += 16) {
        std::fprintf(out_, "%s ", formatAddress(address + i).c_str());
        for (std::uint32_t j = i; j < count && j < i + 16; ++j) std::fprintf(out_, " %02X", bytes[j]);
        std::fprintf(out_, "\n");
    }
}

void DebuggerHost::cmdWrite(const std::vector<std::string> &args) {
    std::uint32_t address = 0;
    std::vector<std::uint8_t> bytes;
    bool ok = args.size() >= 2 && parseAddress(args[0], address);
    for (std::size_t i = 1; ok && i < args.size(); ++i) {
        std::uint32_t b = 0;
        ok = parseNumber(args[i], b) && b <= 0xFF;
        bytes.push_back(std::uint8_t(b));
    }
    if (!ok || bytes.size() > spaceSize(address) - (address & 0xFFFF)) {
        fail("write ADDR BYTE...: ADDR is %s, BYTE 00..FF, all within the space\n", kAddressForms);
        return;
    }
    if (!ensureConnected()) return;
    AG_AddressRecord rec{address, 0};
    const bool code = (address >> 24) == AG_SPACE_CODE;
    if (memAcc_(code ? AG_MEM_WRITE_CODE : AG_MEM_WRITE, bytes.data(), &rec, std::uint32_t(bytes.size())) != AG_MEM_OK)
        fail("Cannot write %s (failing address %08X)\n", formatAddress(address).c_str(), unsigned(rec.failing));
    else std::fprintf(out_, "Wrote %zu byte(s) at %s\n", bytes.size(), formatAddress(address).c_str());
}

void DebuggerHost::cmdSettings() {
    AG_CapRecord record{};
    record.optionText = target_.optionText;
    if (uv3Cap_(1, &record) == 1) std::fprintf(out_, "Options: %s\n", target_.optionText);
    else std::fprintf(out_, "Settings unchanged.\n");
}

// ---- the driver's calls into the host ----

intptr_t DebuggerHost::hostCallback(std::uint32_t code, void *pointer) {
    DebuggerHost *h = current;
    if (!h) return 0;
    switch (code) {
    case AG_CB_PROGRESS: {
        const auto *p = static_cast<const AG_ProgressRecord *>(pointer);
        if (p->state == AG_PROGRESS_START) std::fprintf(h->out_, "%s %u bytes\n", p->text ? p->text : "", p->total);
        else if (p->state == AG_PROGRESS_STEP && !h->batch_)
            std::fprintf(h->out_, "\r  %u / %u", p->done, p->total), std::fflush(h->out_);
        else if (p->state == AG_PROGRESS_FINISHED && !h->batch_) std::fprintf(h->out_, "\n");
        break;
    }
    case AG_CB_REGISTER_PANE: h->pane_ = static_cast<AG_RegPane *>(pointer); break;
    case AG_CB_BP_COMMAND: {
        const std::string text = static_cast<const char *>(pointer);
        std::fprintf(h->out_, "Breakpoint command: %s\n", text.c_str());
        const auto words = split(text);
        // Only commands that look; the target is running under this call.
        if (!words.empty() && (words[0] == "regs" || words[0] == "mem" || words[0] == "echo")) {
            std::fprintf(h->out_, "(the go goes on)\n");
            if (words[0] == "echo") h->execute(text);
        }
        break;
    }
    case AG_CB_STOPPED: break;
    case AG_CB_SHADOW_MAP: {
        auto *map = static_cast<AG_ShadowMap *>(pointer);
        map->pages[0] = {h->codeData_.data(), h->codeAttr_.data()};
        map->pages[256] = {h->xdataData_.data(), h->xdataAttr_.data()};
        map->pages[512] = {h->sfrData_.data(), h->sfrAttr_.data()};
        map->pages[513] = {h->ramData_.data(), h->ramAttr_.data()};
        break;
    }
    case AG_CB_NEXT_BLOCK: {
        if (h->chain_.empty()) return 0;
        if (!pointer) return reinterpret_cast<intptr_t>(&h->chain_[0]);
        const auto *prev = static_cast<const AG_DownloadBlock *>(pointer);
        const std::size_t i = std::size_t(prev - h->chain_.data()) + 1;
        return i < h->chain_.size() ? reinterpret_cast<intptr_t>(&h->chain_[i]) : 0;
    }
    default: break;
    }
    std::fflush(h->out_);
    return 0;
}

int DebuggerHost::messageBox(void *context, const char *text, const char *caption, std::uint32_t style) {
    auto *h = static_cast<DebuggerHost *>(context);
    std::fprintf(h->out_, "[%s] %s\n", caption, text);
    if ((style & 0x0F) != EMX31_MB_YESNO) {
        std::fflush(h->out_);
        return EMX31_IDOK;
    }
    if (h->batch_) {
        std::fprintf(h->out_, "(yes)\n");
        std::fflush(h->out_);
        return EMX31_IDYES;
    }
    std::fprintf(h->out_, "Yes or no? [y] ");
    std::fflush(h->out_);
    std::string answer;
    h->readLine(answer);
    return !answer.empty() && (answer[0] == 'n' || answer[0] == 'N') ? EMX31_IDNO : EMX31_IDYES;
}

intptr_t DebuggerHost::sendMessage(void *context, std::uintptr_t, std::uint32_t, std::uintptr_t kind, intptr_t lParam) {
    auto *h = static_cast<DebuggerHost *>(context);
    if ((kind == AG_MSG_TEXT || kind == AG_MSG_DOWNLOAD) && lParam) {
        std::string text = reinterpret_cast<const char *>(lParam);
        if (text.empty() || text.back() != '\n') text += '\n';
        std::fputs(text.c_str(), h->out_);
    } else if (kind == AG_MSG_SERIAL && lParam) {
        const auto *s = reinterpret_cast<const AG_SerialRecord *>(lParam);
        std::fprintf(h->out_, "Serial channel %u: %u byte(s)\n", s->channel, s->count);
    }
    std::fflush(h->out_);
    return 0;
}

void DebuggerHost::postMessage(void *context, std::uintptr_t, std::uint32_t, std::uintptr_t kind, intptr_t) {
    auto *h = static_cast<DebuggerHost *>(context);
    if (kind == AG_MSG_LINK_LOST && h->connected_) {
        h->connected_ = false;
        h->linkLost_ = true;
        h->commandFailed_ = true;
        std::fprintf(h->out_, "The link to the emulator is lost; connect again.\n");
        std::fflush(h->out_);
    }
}

int DebuggerHost::settingsDialog(void *context, const EMX31_SettingsForm *f) {
    auto *h = static_cast<DebuggerHost *>(context);
    auto show = [&] {
        std::fprintf(h->out_, "%s\n  halt    [%c] %s\n          %s\n  adapter [%c] %s\n", f->caption,
                     f->halt(f->dialog) ? 'x' : ' ', f->haltLabel, f->haltNote, f->adapter(f->dialog) ? 'x' : ' ',
                     f->adapterLabel);
        std::fprintf(h->out_, "  maker   %s%s:", f->makerLabel, f->chipControlsEnabled(f->dialog) ? "" : " (disabled)");
        for (int i = 0; i < f->makerCount(f->dialog); ++i)
            std::fprintf(h->out_, " %s%d=%s", i == f->maker(f->dialog) ? "*" : "", i, f->makerName(f->dialog, i));
        std::fprintf(h->out_, "\n  chip    %s:", f->chipLabel);
        for (int i = 0; i < f->chipCount(f->dialog); ++i)
            std::fprintf(h->out_, " %s%d=%s", i == f->chip(f->dialog) ? "*" : "", i, f->chipName(f->dialog, i));
        std::fprintf(h->out_, "\n  %s\n", f->information);
        std::fprintf(h->out_, "Change with: halt 0|1, adapter 0|1, maker N, chip N; then ok or cancel\n");
        std::fflush(h->out_);
    };
    show();
    std::string line;
    while (h->readLine(line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto w = split(line);
        if (w.empty()) continue;
        if (h->batch_) std::fprintf(h->out_, "> %s\n", line.c_str());
        if (w[0] == "ok") return 1;
        if (w[0] == "cancel") return 0;
        std::uint32_t v = 0;
        if (w.size() != 2 || !parseNumber(w[1], v, 10)) {
            std::fprintf(h->out_, "?\n");
            continue;
        }
        if (w[0] == "halt") f->setHalt(f->dialog, int(v));
        else if (w[0] == "adapter") f->setAdapter(f->dialog, int(v));
        else if (w[0] == "maker") f->selectMaker(f->dialog, int(v));
        else if (w[0] == "chip") f->selectChip(f->dialog, int(v));
        show();
    }
    return 0;
}

}  // namespace vantor::dbg
