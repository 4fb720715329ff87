#include "tools/emx31-dbg/SourceCommands.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>

#include "debug/Disassembler.h"
#include "debug/Evaluator.h"
#include "tools/emx31-dbg/DebuggerHost.h"

namespace vantor::dbg {

namespace {

std::string hex4(std::uint32_t v) {
    char text[12];
    std::snprintf(text, sizeof text, "C:%04X", unsigned(v & 0xFFFF));
    return text;
}

std::string joined(const std::vector<std::string> &args, std::size_t from = 0) {
    std::string s;
    for (std::size_t i = from; i < args.size(); ++i) s += (i > from ? " " : "") + args[i];
    return s;
}

bool isDecimal(const std::string &s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// "C:0100", "0x100", "*0x100": a code address.
std::optional<std::uint16_t> codeAddress(const std::string &text) {
    std::string t = text;
    if (!t.empty() && t[0] == '*') t.erase(0, 1);
    if (t.size() > 2 && (t[0] == 'C' || t[0] == 'c') && t[1] == ':') t.erase(0, 2);
    else if (!(t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X'))) return std::nullopt;
    char *end = nullptr;
    const unsigned long v = std::strtoul(t.c_str(), &end, 16);
    if (t.empty() || *end || v > 0xFFFF) return std::nullopt;
    return std::uint16_t(v);
}

}  // namespace

SourceCommands::SourceCommands(DebuggerHost &host, std::FILE *out) : host_(host), out_(out), target_(host) {}

const char *SourceCommands::help() const {
    return "With NAME.cdb beside the program (sdcc --debug) or --debug-info FILE:\n"
           "break|tbreak FILE:LINE|FUNCTION|C:ADDR | continue | next [N] | step [N] | stepi [N] | finish\n"
           "until [LOCATION] | print EXPR | set var EXPR = VALUE | info locals|args|frame|line|display\n"
           "bt | frame N | up | down | list [FILE:LINE|FUNCTION] | disasm [ADDR [N]] | display [EXPR]\n"
           "undisplay N | directory DIR (where the C files are)\n";
}

bool SourceCommands::loadDebugInfo(const std::string &path) {
    std::string error;
    auto info = debug::DebugInfo::load(path, error);
    if (!info) {
        host_.fail("Cannot read debug information: %s\n", error.c_str());
        return false;
    }
    info_ = std::make_unique<debug::DebugInfo>(std::move(*info));
    map_ = std::make_unique<debug::SourceMap>(*info_);
    infoPath_ = path;
    infoFromOption_ = true;
    sourceDirs_.push_back(std::filesystem::path(path).parent_path().string());
    std::fprintf(out_, "Read debug information from %s: %zu functions, %zu line records.\n", path.c_str(),
                 info_->functions().size(), info_->lines().size());
    return true;
}

bool SourceCommands::matchesProgram(const debug::DebugInfo &info, std::string &error) {
    // sdcc ends every function with its return: a debug file of another build does not line up.
    for (const auto &f : info.functions()) {
        if (!f.hasRange) continue;
        std::uint8_t last = 0;
        if (!target_.programByte(f.end, last) || (last != 0x22 && last != 0x32)) {
            error = "function " + f.name + " ends at " + hex4(f.end) + ", where the program has no return instruction";
            return false;
        }
    }
    return true;
}

void SourceCommands::programLoaded(const std::string &hexPath) {
    sourceDirs_.push_back(std::filesystem::path(hexPath).parent_path().string());
    if (!infoFromOption_) {
        info_.reset();
        map_.reset();
        const std::string cdb = std::filesystem::path(hexPath).replace_extension(".cdb").string();
        if (!std::filesystem::exists(cdb)) {
            std::fprintf(out_, "No debug information (%s not found): source-level commands are off.\n", cdb.c_str());
            return;
        }
        std::string error;
        auto info = debug::DebugInfo::load(cdb, error);
        if (!info) {
            host_.fail("Cannot read debug information: %s\n", error.c_str());
            return;
        }
        info_ = std::make_unique<debug::DebugInfo>(std::move(*info));
        infoPath_ = cdb;
        sourceDirs_.push_back(std::filesystem::path(cdb).parent_path().string());
        std::fprintf(out_, "Read debug information from %s: %zu functions, %zu line records.\n", cdb.c_str(),
                     info_->functions().size(), info_->lines().size());
    }
    if (!info_) return;
    std::string error;
    if (!matchesProgram(*info_, error)) {
        host_.fail("%s does not match the program: %s. Source-level commands are off.\n", infoPath_.c_str(),
                   error.c_str());
        info_.reset();
        map_.reset();
        return;
    }
    map_ = std::make_unique<debug::SourceMap>(*info_);
}

bool SourceCommands::requireInfo() {
    if (info_ && map_) return true;
    host_.fail("No debug information loaded (load a program with NAME.cdb beside it, or --debug-info).\n");
    return false;
}

bool SourceCommands::requireStopped() {
    if (target_.connected()) return true;
    host_.fail("Not connected (use connect).\n");
    return false;
}

std::optional<std::string> SourceCommands::findSource(const std::string &file) {
    if (std::filesystem::path(file).is_absolute() && std::filesystem::exists(file)) return file;
    for (const auto &dir : sourceDirs_) {
        const auto p = std::filesystem::path(dir.empty() ? "." : dir) / file;
        if (std::filesystem::exists(p)) return p.string();
    }
    if (std::filesystem::exists(file)) return file;
    return std::nullopt;
}

std::optional<std::string> SourceCommands::sourceLine(const std::string &file, int line) {
    const auto path = findSource(file);
    if (!path) return std::nullopt;
    std::ifstream in(*path);
    std::string text;
    for (int n = 1; std::getline(in, text); ++n)
        if (n == line) {
            if (!text.empty() && text.back() == '\r') text.pop_back();
            return text;
        }
    return std::nullopt;
}

std::vector<std::uint16_t> SourceCommands::resolve(const std::string &location, std::string &error,
                                                   std::string *described) {
    if (auto a = codeAddress(location)) {
        if (described) *described = hex4(*a);
        return {*a};
    }
    if (!info_ || !map_) {
        error = "No debug information loaded: use C:ADDR";
        return {};
    }
    std::string file = lastFile_;
    std::string what = location;
    const auto colon = location.rfind(':');
    if (colon != std::string::npos) {
        file = location.substr(0, colon);
        what = location.substr(colon + 1);
        const auto known = map_->knownFile(file);
        if (!known) {
            error = "No source file named " + file + ".";
            return {};
        }
        file = *known;
    }
    if (isDecimal(what)) {
        if (file.empty()) {
            error = "No current file: say FILE:LINE";
            return {};
        }
        const int line = std::stoi(what);
        int resolved = 0;
        auto addresses = map_->addressesOf(file, line, &resolved);
        if (addresses.empty()) {
            error = "No line " + what + " with code in " + file + ".";
            return {};
        }
        if (described) *described = file + ":" + std::to_string(resolved);
        return addresses;
    }
    if (const debug::Function *f = info_->findFunction(what)) {
        if (auto entry = map_->entryAddress(*f)) {
            if (described)
                *described =
                    f->name + " at " + map_->locate(*entry)->file + ":" + std::to_string(map_->locate(*entry)->line);
            return {*entry};
        }
        if (described) *described = f->name;
        return {f->start};
    }
    error = "Function \"" + what + "\" not defined.";
    return {};
}

std::vector<std::uint16_t> SourceCommands::resolveOrSay(const std::string &location) {
    std::string error;
    auto addresses = resolve(location, error);
    if (addresses.empty()) host_.fail("%s\n", error.c_str());
    return addresses;
}

bool SourceCommands::execute(const std::string &c, const std::vector<std::string> &args, const std::string &line) {
    const bool withInfo = info_ && map_;
    if (c == "directory" || c == "dir") {
        if (args.empty()) host_.fail("directory DIR\n");
        else sourceDirs_.push_back(args[0]), std::fprintf(out_, "Source directories searched: %s\n", args[0].c_str());
    } else if (c == "break" || c == "b" || c == "tbreak") {
        // Addresses keep going to the host's own break command.
        if (c != "tbreak" && (!withInfo || args.empty() || codeAddress(args[0]) ||
                              (args[0].find(':') == std::string::npos && !info_->findFunction(args[0]) &&
                               std::all_of(args[0].begin(), args[0].end(),
                                           [](char ch) { return std::isxdigit(static_cast<unsigned char>(ch)); }))))
            return false;
        breakAt(args, c == "tbreak");
    } else if (!withInfo && (c == "next" || c == "n" || c == "step" || c == "s")) {
        return false;  // without debug information step stays the instruction step
    } else if (c == "next" || c == "n" || c == "step" || c == "s" || c == "finish" || c == "fin" || c == "until" ||
               c == "u" || c == "advance") {
        if (requireInfo() && requireStopped()) runStep(c, args);
    } else if (c == "stepi" || c == "si") {
        if (!requireStopped()) return true;
        host_.cmdStep(args);
        if (withInfo && target_.connected()) reportStop(true);
    } else if (c == "continue" || c == "c" || c == "cont") {
        if (requireStopped()) cmdContinue();
    } else if (c == "print" || c == "p" || c == "output" || c == "inspect") {
        if (requireInfo() && requireStopped()) cmdPrint(joined(args));
    } else if (c == "set" && !args.empty() && (args[0] == "var" || args[0] == "variable")) {
        if (requireInfo() && requireStopped()) cmdSet(line.substr(line.find(args[0]) + args[0].size()));
    } else if (c == "info" || c == "i") {
        if (args.empty()) host_.fail("info locals|args|frame|line|display\n");
        else if (requireInfo() && requireStopped()) cmdInfo(args);
    } else if (c == "bt" || c == "backtrace" || c == "where") {
        if (requireInfo() && requireStopped()) cmdBacktrace();
    } else if (c == "frame" || c == "f") {
        if (requireInfo() && requireStopped())
            cmdFrame(args.empty() ? int(selectedFrame_) : isDecimal(args[0]) ? std::stoi(args[0]) : -1);
    } else if (c == "up" || c == "down") {
        if (requireInfo() && requireStopped()) cmdFrame(int(selectedFrame_) + (c == "up" ? 1 : -1));
    } else if (c == "list" || c == "l") {
        if (requireInfo()) cmdList(args);
    } else if (c == "disasm" || c == "disassemble") {
        if (requireStopped()) cmdDisasm(args);
    } else if (c == "display") {
        if (requireInfo()) cmdDisplay(joined(args));
    } else if (c == "undisplay") {
        std::size_t n = 0;
        if (args.empty() || !isDecimal(args[0]) || (n = std::stoul(args[0])) == 0 || n > displays_.size()) {
            host_.fail("undisplay N (see info display)\n");
        } else {
            displays_.erase(displays_.begin() + std::ptrdiff_t(n - 1));
        }
    } else {
        return false;
    }
    std::fflush(out_);
    return true;
}

void SourceCommands::breakAt(const std::vector<std::string> &args, bool temporary) {
    if (args.empty()) {
        host_.fail("%s FILE:LINE|FUNCTION|C:ADDR\n", temporary ? "tbreak" : "break");
        return;
    }
    std::string error, described;
    const auto addresses = resolve(args[0], error, &described);
    if (addresses.empty()) {
        host_.fail("%s\n", error.c_str());
        return;
    }
    for (std::uint16_t a : addresses) {
        std::vector<std::string> hostArgs{hex4(a)};
        hostArgs.insert(hostArgs.end(), args.begin() + 1, args.end());
        host_.cmdBreak(hostArgs);
        if (temporary) temporaryBreaks_.push_back(a);
    }
    std::fprintf(out_, "%s at %s\n", temporary ? "Temporary breakpoint" : "Breakpoint", described.c_str());
}

void SourceCommands::dropTemporaryBreakpointAt(std::uint16_t pc) {
    auto it = std::find(temporaryBreaks_.begin(), temporaryBreaks_.end(), pc);
    if (it == temporaryBreaks_.end()) return;
    temporaryBreaks_.erase(it);
    for (auto bp = host_.breakpoints_.begin(); bp != host_.breakpoints_.end(); ++bp)
        if ((bp->record.address & 0xFFFF) == pc) {
            std::uint32_t a = bp->record.address;
            host_.breakFunc_(2, 0, &a, &bp->record);
            host_.breakpoints_.erase(bp);
            host_.relinkBreakpoints();
            return;
        }
}

std::vector<debug::Frame> SourceCommands::frames() {
    std::string error;
    auto f = debug::unwindStack(*info_, target_, error);
    if (f.empty()) {
        debug::Frame only;
        only.pc = target_.pc();
        only.function = info_->functionAt(only.pc);
        f.push_back(only);
    }
    return f;
}

debug::Frame SourceCommands::selectedFrame() {
    const auto all = frames();
    return all[std::min(selectedFrame_, all.size() - 1)];
}

std::string SourceCommands::frameText(const debug::Frame &frame, std::size_t index) {
    std::string text = "#" + std::to_string(index) + "  ";
    if (index > 0) text += hex4(frame.pc) + " in ";
    text += frame.function ? frame.function->name + " (" : "?? (";
    if (frame.function) {
        debug::Evaluator e(*info_, target_, frame);
        bool first = true;
        for (const auto *s : info_->localsOf(*frame.function)) {
            if (!s->isParameter) continue;
            std::string error;
            text += (first ? "" : ", ") + s->name + "=" + e.format(e.symbolValue(*s), error);
            first = false;
        }
    }
    text += ")";
    if (auto where = map_->locate(frame.pc)) text += " at " + where->file + ":" + std::to_string(where->line);
    return text;
}

void SourceCommands::reportStop(bool showFrame) {
    selectedFrame_ = 0;
    const std::uint16_t pc = target_.pc();
    dropTemporaryBreakpointAt(pc);
    if (!info_ || !map_) {
        std::fprintf(out_, "Stopped at %s\n", hex4(pc).c_str());
        return;
    }
    const debug::Function *f = info_->functionAt(pc);
    const auto where = map_->locate(pc);
    if (!where) {
        std::fprintf(out_, "%s in %s ()\n", hex4(pc).c_str(), f ? f->name.c_str() : "??");
        lastFunction_ = f;
        showDisplays();
        return;
    }
    if (showFrame || f != lastFunction_) {
        debug::Frame frame;
        frame.pc = pc;
        frame.function = f;
        const auto all = frames();
        std::string text = frameText(all.front(), 0);
        std::fprintf(out_, "%s\n", text.substr(4).c_str());
    }
    lastFunction_ = f;
    lastFile_ = where->file;
    listFirst_ = std::max(1, where->line - 5);
    const auto text = sourceLine(where->file, where->line);
    if (!map_->isLineStart(pc)) std::fprintf(out_, "%s\t", hex4(pc).c_str());
    std::fprintf(out_, "%d\t%s\n", where->line, text ? text->c_str() : "");
    showDisplays();
}

void SourceCommands::report(const debug::Stepper::Outcome &outcome, bool showFrame) {
    switch (outcome.stop) {
    case debug::TargetControl::Stop::Failed:
        host_.fail("Error: %s\n", outcome.error.c_str());
        if (target_.connected()) reportStop(true);
        return;
    case debug::TargetControl::Stop::Breakpoint: {
        const std::uint16_t pc = target_.pc();
        std::size_t index = 0;
        for (const auto &bp : host_.breakpoints_) {
            if ((bp.record.address & 0xFFFF) == pc) break;
            ++index;
        }
        const bool temporary =
            std::find(temporaryBreaks_.begin(), temporaryBreaks_.end(), pc) != temporaryBreaks_.end();
        std::fprintf(out_, "\n%s %zu, ", temporary ? "Temporary breakpoint" : "Breakpoint", index);
        reportStop(true);
        return;
    }
    case debug::TargetControl::Stop::Interrupted:
        std::fprintf(out_, "\nProgram stopped.\n");
        reportStop(true);
        return;
    case debug::TargetControl::Stop::Temporary: reportStop(showFrame); return;
    }
}

void SourceCommands::runStep(const std::string &which, const std::vector<std::string> &args) {
    debug::Stepper stepper(*info_, *map_, target_);
    if (which == "finish" || which == "fin") {
        const auto all = frames();
        const debug::Frame from = all[std::min(selectedFrame_, all.size() - 1)];
        if (all.size() < 2 || !from.function) {
            host_.fail("\"finish\" not meaningful in the outermost frame.\n");
            return;
        }
        std::fprintf(out_, "Run till exit from %s\n", frameText(from, 0).c_str());
        const auto outcome = stepper.finish();
        report(outcome, true);
        const debug::Function *f = from.function;
        if (outcome.stop == debug::TargetControl::Stop::Temporary && f->returnType &&
            f->returnType->kind != debug::Type::Kind::Void) {
            // sdcc returns in DPL, DPH, B and A, in that order.
            static const std::uint8_t returnRegisters[] = {0x82, 0x83, 0xF0, 0xE0};
            debug::Value v;
            v.type = f->returnType;
            v.module = f->module;
            std::string error;
            for (unsigned i = 0; i < f->returnType->size && i < 4; ++i) {
                std::uint8_t b = 0;
                target_.read(debug::Space::Data, returnRegisters[i], &b, 1, error);
                v.bytes.push_back(b);
            }
            debug::Evaluator e(*info_, target_, selectedFrame());
            std::fprintf(out_, "Value returned is %s\n", e.format(v, error).c_str());
        }
        return;
    }
    if (which == "until" || which == "u" || which == "advance") {
        if (!args.empty()) {
            const auto addresses = resolveOrSay(args[0]);
            if (!addresses.empty()) report(stepper.runTo(addresses), false);
        } else {
            report(stepper.until(), false);
        }
        return;
    }
    unsigned count = 1;
    if (!args.empty() && (!isDecimal(args[0]) || (count = unsigned(std::stoul(args[0]))) == 0)) {
        host_.fail("%s [N]: N is a decimal count\n", which.c_str());
        return;
    }
    const bool into = which == "step" || which == "s";
    for (unsigned i = 0; i < count; ++i) {
        const auto outcome = into ? stepper.step() : stepper.next();
        if (outcome.stop != debug::TargetControl::Stop::Temporary || i + 1 == count) {
            report(outcome, false);
            return;
        }
    }
}

void SourceCommands::cmdContinue() {
    std::fprintf(out_, "Continuing.\n");
    std::fflush(out_);
    std::string error;
    debug::Stepper::Outcome outcome;
    outcome.stop = target_.runUntil({}, error);
    outcome.error = error;
    if (info_ && map_) {
        report(outcome, true);
    } else if (outcome.stop == debug::TargetControl::Stop::Failed) {
        host_.fail("Error: %s\n", error.c_str());
    } else {
        std::fprintf(out_, "Stopped at %s\n", hex4(target_.pc()).c_str());
    }
}

void SourceCommands::cmdPrint(const std::string &expression) {
    if (expression.empty()) {
        host_.fail("print EXPR\n");
        return;
    }
    debug::Evaluator e(*info_, target_, selectedFrame());
    std::string error;
    auto v = e.evaluate(expression, error);
    if (!v) {
        host_.fail("%s\n", error.c_str());
        return;
    }
    const std::string text = e.format(*v, error);
    std::fprintf(out_, "%s = %s\n", expression.c_str(), text.c_str());
}

void SourceCommands::cmdSet(const std::string &rest) {
    const auto eq = rest.find('=');
    if (eq == std::string::npos || rest.find_first_not_of(" \t") == eq ||
        rest.find_first_not_of(" \t", eq + 1) == std::string::npos || (eq + 1 < rest.size() && rest[eq + 1] == '=')) {
        host_.fail("set var EXPR = VALUE\n");
        return;
    }
    debug::Evaluator e(*info_, target_, selectedFrame());
    std::string error;
    if (!e.assign(rest.substr(0, eq), rest.substr(eq + 1), error)) {
        host_.fail("%s\n", error.c_str());
        return;
    }
    cmdPrint([&] {
        std::string lhs = rest.substr(0, eq);
        lhs.erase(0, lhs.find_first_not_of(" \t"));
        lhs.erase(lhs.find_last_not_of(" \t") + 1);
        return lhs;
    }());
}

void SourceCommands::cmdInfo(const std::vector<std::string> &args) {
    const std::string &what = args[0];
    if (what == "locals" || what == "args") {
        const debug::Frame frame = selectedFrame();
        if (!frame.function) {
            host_.fail("No symbol table info available.\n");
            return;
        }
        debug::Evaluator e(*info_, target_, frame);
        int shown = 0;
        for (const auto *s : info_->localsOf(*frame.function)) {
            if (s->isParameter != (what == "args")) continue;
            std::string error;
            std::fprintf(out_, "%s = %s\n", s->name.c_str(), e.format(e.symbolValue(*s), error).c_str());
            ++shown;
        }
        if (!shown) std::fprintf(out_, what == "args" ? "No arguments.\n" : "No locals.\n");
    } else if (what == "frame") {
        const auto all = frames();
        const auto &f = all[std::min(selectedFrame_, all.size() - 1)];
        std::fprintf(out_, "%s\n", frameText(f, std::min(selectedFrame_, all.size() - 1)).c_str());
        if (f.entrySp)
            std::fprintf(out_, " return address at I:%02X, called by frame %zu\n", unsigned(*f.entrySp - 1),
                         selectedFrame_ + 1);
        if (f.framePointer) std::fprintf(out_, " frame pointer %02X\n", unsigned(*f.framePointer));
    } else if (what == "line") {
        const auto pc = selectedFrame().pc;
        if (auto where = map_->locate(pc))
            std::fprintf(out_, "Line %d of \"%s\" at %s.\n", where->line, where->file.c_str(), hex4(pc).c_str());
        else std::fprintf(out_, "No line number information available for %s.\n", hex4(pc).c_str());
    } else if (what == "display") {
        if (displays_.empty()) std::fprintf(out_, "There are no auto-display expressions now.\n");
        for (std::size_t i = 0; i < displays_.size(); ++i) std::fprintf(out_, "%zu: %s\n", i + 1, displays_[i].c_str());
    } else {
        host_.fail("info locals|args|frame|line|display\n");
    }
}

void SourceCommands::cmdBacktrace() {
    const auto all = frames();
    for (std::size_t i = 0; i < all.size(); ++i) std::fprintf(out_, "%s\n", frameText(all[i], i).c_str());
}

void SourceCommands::cmdFrame(int index) {
    const auto all = frames();
    if (index < 0 || std::size_t(index) >= all.size()) {
        host_.fail(index < 0 ? "Bottom (innermost) frame selected; you cannot go down.\n"
                             : "Initial frame selected; you cannot go up.\n");
        return;
    }
    selectedFrame_ = std::size_t(index);
    std::fprintf(out_, "%s\n", frameText(all[selectedFrame_], selectedFrame_).c_str());
    if (auto where = map_->locate(all[selectedFrame_].pc)) {
        const auto text = sourceLine(where->file, where->line);
        std::fprintf(out_, "%d\t%s\n", where->line, text ? text->c_str() : "");
    }
}

void SourceCommands::cmdList(const std::vector<std::string> &args) {
    std::string file = lastFile_;
    int first = listFirst_;
    if (!args.empty()) {
        const auto addresses = resolveOrSay(args[0]);
        if (addresses.empty()) return;
        const auto where = map_->locate(addresses.front());
        if (!where) return;
        file = where->file;
        first = std::max(1, where->line - 5);
    }
    if (file.empty()) {
        host_.fail("No current file: list FILE:LINE or FUNCTION\n");
        return;
    }
    if (!findSource(file)) {
        host_.fail("%s: not found (add its folder with directory DIR)\n", file.c_str());
        return;
    }
    int shown = 0;
    for (int n = first; n < first + 10; ++n)
        if (auto text = sourceLine(file, n)) std::fprintf(out_, "%d\t%s\n", n, text->c_str()), ++shown;
    if (!shown) host_.fail("Line number %d out of range; \"%s\" has fewer lines.\n", first, file.c_str());
    lastFile_ = file;
    listFirst_ = first + 10;
}

void SourceCommands::cmdDisasm(const std::vector<std::string> &args) {
    std::uint16_t start = target_.pc();
    unsigned count = 10;
    if (!args.empty()) {
        const auto addresses = resolveOrSay(args[0]);
        if (addresses.empty()) return;
        start = addresses.front();
        // A function name shows the function from its first byte.
        if (info_)
            if (const auto *f = info_->findFunction(args[0])) start = f->start;
    }
    if (args.size() > 1 && (!isDecimal(args[1]) || (count = unsigned(std::stoul(args[1]))) == 0 || count > 1000)) {
        host_.fail("disasm [ADDR [N]]: N is a decimal count up to 1000\n");
        return;
    }
    const std::uint16_t pc = target_.pc();
    std::string error;
    std::uint16_t a = start;
    for (unsigned i = 0; i < count; ++i) {
        if (map_ && map_->isLineStart(a))
            if (auto where = map_->locate(a)) {
                const auto text = sourceLine(where->file, where->line);
                std::fprintf(out_, "%s:%d\t%s\n", where->file.c_str(), where->line, text ? text->c_str() : "");
            }
        bool ok = true;
        const auto in = debug::disassemble(a, [&](std::uint16_t x) {
            std::uint8_t b = 0;
            ok = ok && target_.read(debug::Space::Code, x, &b, 1, error);
            return b;
        });
        if (!ok) {
            host_.fail("Cannot read %s: %s\n", hex4(a).c_str(), error.c_str());
            return;
        }
        std::string bytes;
        for (unsigned k = 0; k < in.length; ++k) {
            char b[4];
            std::snprintf(b, sizeof b, "%02X ", in.bytes[k]);
            bytes += b;
        }
        std::fprintf(out_, "%s %s  %-9s %s\n", a == pc ? "=>" : "  ", hex4(a).c_str(), bytes.c_str(),
                     in.text().c_str());
        a = in.next();
    }
}

void SourceCommands::cmdDisplay(const std::string &expression) {
    if (expression.empty()) {
        showDisplays();
        return;
    }
    displays_.push_back(expression);
    if (target_.connected()) showDisplays(displays_.size() - 1);
}

void SourceCommands::showDisplays(std::size_t from) {
    if (displays_.empty() || !info_) return;
    debug::Evaluator e(*info_, target_, selectedFrame());
    for (std::size_t i = from; i < displays_.size(); ++i) {
        std::string error;
        auto v = e.evaluate(displays_[i], error);
        std::fprintf(out_, "%zu: %s = %s\n", i + 1, displays_[i].c_str(),
                     v ? e.format(*v, error).c_str() : error.c_str());
    }
}

}  // namespace vantor::dbg
