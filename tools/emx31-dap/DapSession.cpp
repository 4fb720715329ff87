#include "tools/emx31-dap/DapSession.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "core/HexText.h"
#include "debug/Disassembler.h"
#include "tools/emx31-dbg/SourceCommands.h"

namespace vantor::dbg {

namespace {

using json = nlohmann::json;

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string toBase64(const std::vector<std::uint8_t> &data) {
    std::string out;
    for (std::size_t i = 0; i < data.size(); i += 3) {
        const std::uint32_t n = std::uint32_t(data[i]) << 16 | (i + 1 < data.size() ? data[i + 1] << 8 : 0) |
                                (i + 2 < data.size() ? data[i + 2] : 0);
        out += kBase64[n >> 18 & 63];
        out += kBase64[n >> 12 & 63];
        out += i + 1 < data.size() ? kBase64[n >> 6 & 63] : '=';
        out += i + 2 < data.size() ? kBase64[n & 63] : '=';
    }
    return out;
}

bool fromBase64(const std::string &text, std::vector<std::uint8_t> &out) {
    std::uint32_t buffer = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '=' || c == '\n' || c == '\r') continue;
        const char *p = std::strchr(kBase64, c);
        if (!p || !c) return false;
        buffer = buffer << 6 | std::uint32_t(p - kBase64);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(std::uint8_t(buffer >> bits));
        }
    }
    return true;
}

const char *spaceReference(debug::Space s) {
    switch (s) {
    case debug::Space::Code: return "code";
    case debug::Space::Xdata:
    case debug::Space::Pdata: return "xdata";
    case debug::Space::Idata:
    case debug::Space::Stack: return "idata";
    default: return "data";
    }
}

// "xdata:0x0010", "code", "0x0105" (an instruction pointer): the space and the address.
bool parseMemoryReference(const std::string &ref, debug::Space &space, std::int64_t &address) {
    std::string name = ref, number;
    const auto colon = ref.find(':');
    if (colon != std::string::npos) name = ref.substr(0, colon), number = ref.substr(colon + 1);
    else if (ref.rfind("0x", 0) == 0 || ref.rfind("0X", 0) == 0) name = "code", number = ref;
    if (name == "code") space = debug::Space::Code;
    else if (name == "xdata") space = debug::Space::Xdata;
    else if (name == "data") space = debug::Space::Data;
    else if (name == "idata") space = debug::Space::Idata;
    else return false;
    address = 0;
    if (!number.empty()) {
        char *end = nullptr;
        address = std::strtoll(number.c_str(), &end, 0);
        if (*end) return false;
    }
    return true;
}

// An expression as the operand of . or [ ]: unary and binary forms need parentheses.
std::string postfixOperand(const std::string &e) {
    const bool bare = !e.empty() && e[0] != '*' && e[0] != '&' && e.find_first_of(" +-/%<>=!") == std::string::npos;
    return bare ? e : "(" + e + ")";
}

std::uint32_t spaceSize(debug::Space s) {
    return s == debug::Space::Code || s == debug::Space::Xdata ? 0x10000u : 0x100u;
}

// "3", ">= 3", "== 3", "> 2": the pass count that makes the driver stop on that hit (and after).
bool passCountOf(const std::string &condition, std::uint32_t &count) {
    std::string t;
    for (char c : condition)
        if (!std::isspace(static_cast<unsigned char>(c))) t += c;
    int bias = 0;
    if (t.rfind(">=", 0) == 0 || t.rfind("==", 0) == 0) t.erase(0, 2);
    else if (t.rfind(">", 0) == 0) t.erase(0, 1), bias = 1;
    if (t.empty() ||
        !std::all_of(t.begin(), t.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }) ||
        t.size() > 9)
        return false;
    count = std::uint32_t(std::stoul(t)) + std::uint32_t(bias);
    if (count == 0) count = 1;
    return true;
}

}  // namespace

DapSession::DapSession(dap::ProtocolChannel &channel, std::string defaultDriver)
    : channel_(channel), defaultDriver_(std::move(defaultDriver)) {}

DapSession::~DapSession() {
    if (worker_.joinable()) {
        if (running_ && host_) host_->source_->target().requestStop();
        worker_.join();
    }
    host_.reset();
    if (hostOut_) std::fclose(hostOut_);  // ends the reader
    if (outputReader_.joinable()) outputReader_.join();
    if (outputPipe_[0] >= 0) close(outputPipe_[0]);
    if (hostIn_) std::fclose(hostIn_);
}

void DapSession::respond(const json &request, json body) {
    channel_.write({{"seq", seq_++},
                    {"type", "response"},
                    {"request_seq", request.value("seq", 0)},
                    {"success", true},
                    {"command", request.value("command", "")},
                    {"body", std::move(body)}});
}

void DapSession::fail(const json &request, const std::string &message) {
    channel_.write({{"seq", seq_++},
                    {"type", "response"},
                    {"request_seq", request.is_object() ? request.value("seq", 0) : 0},
                    {"success", false},
                    {"command", request.is_object() ? request.value("command", "") : ""},
                    {"message", message},
                    {"body", {{"error", {{"id", 1}, {"format", message}, {"showUser", true}}}}}});
}

void DapSession::event(const std::string &name, json body) {
    channel_.write({{"seq", seq_++}, {"type", "event"}, {"event", name}, {"body", std::move(body)}});
}

void DapSession::output(const std::string &text, const std::string &category) {
    event("output", {{"category", category}, {"output", text}});
}

int DapSession::run() {
    for (;;) {
        auto message = channel_.read();
        if (!message) break;
        if (message->is_string()) {
            output(message->get<std::string>() + "\n", "stderr");
            continue;
        }
        dispatch(*message);
    }
    return 0;
}

bool DapSession::ready(const json &request, bool stopped) {
    if (!launched_) {
        fail(request, "not launched yet: send launch first");
        return false;
    }
    if (stopped && running_) {
        fail(request, "the program is running: pause it first");
        return false;
    }
    return true;
}

void DapSession::dispatch(const json &request) {
    if (!request.is_object() || request.value("type", "") != "request" || !request.contains("command") ||
        !request["command"].is_string()) {
        fail(request, "malformed request: an object with type \"request\" and a command is expected");
        return;
    }
    const std::string command = request["command"];
    if (request.contains("arguments") && !request["arguments"].is_object()) {
        fail(request, command + ": arguments must be an object");
        return;
    }
    try {
        if (command == "initialize") onInitialize(request);
        else if (command == "launch") onLaunch(request);
        else if (command == "disconnect") onDisconnect(request, false);
        else if (command == "terminate") onDisconnect(request, true);
        else if (command == "threads") respond(request, {{"threads", json::array({{{"id", 1}, {"name", "8051"}}})}});
        else if (command == "pause") {
            if (!ready(request, false)) return;
            if (running_) host_->source_->target().requestStop();
            respond(request);
        } else if (!ready(request, true)) {
            return;
        } else if (command == "configurationDone") onConfigurationDone(request);
        else if (command == "setBreakpoints") onSetBreakpoints(request);
        else if (command == "setFunctionBreakpoints") onSetFunctionBreakpoints(request);
        else if (command == "setInstructionBreakpoints") onSetInstructionBreakpoints(request);
        else if (command == "setExceptionBreakpoints") respond(request, {{"breakpoints", json::array()}});
        else if (command == "stackTrace") onStackTrace(request);
        else if (command == "scopes") onScopes(request);
        else if (command == "variables") onVariables(request);
        else if (command == "setVariable") onSetVariable(request);
        else if (command == "evaluate") onEvaluate(request);
        else if (command == "readMemory") onReadMemory(request);
        else if (command == "writeMemory") onWriteMemory(request);
        else if (command == "disassemble") onDisassemble(request);
        else if (command == "continue") respond(request, {{"allThreadsContinued", true}}), startRun(RunKind::Continue);
        else if (command == "next") respond(request), startRun(RunKind::Next);
        else if (command == "stepIn") respond(request), startRun(RunKind::StepIn);
        else if (command == "stepOut") respond(request), startRun(RunKind::StepOut);
        else fail(request, "unsupported request: " + command);
    } catch (const json::exception &e) {
        fail(request, command + ": malformed arguments (" + e.what() + ")");
    }
}

void DapSession::onInitialize(const json &request) {
    respond(request, {{"supportsConfigurationDoneRequest", true},
                      {"supportsFunctionBreakpoints", true},
                      {"supportsConditionalBreakpoints", true},
                      {"supportsHitConditionalBreakpoints", true},
                      {"supportsEvaluateForHovers", true},
                      {"supportsSetVariable", true},
                      {"supportsInstructionBreakpoints", true},
                      {"supportsReadMemoryRequest", true},
                      {"supportsWriteMemoryRequest", true},
                      {"supportsDisassembleRequest", true},
                      {"supportsTerminateRequest", true},
                      {"supportsStepBack", false},
                      {"supportsSteppingGranularity", false},
                      {"supportsRestartRequest", false},
                      {"supportsExceptionInfoRequest", false},
                      {"supportsDelayedStackTraceLoading", false}});
}

std::string DapSession::hostCommand(const std::string &line) {
    {
        std::lock_guard lock(syncMutex_);
        captured_.clear();
        capturing_ = true;
    }
    host_->execute(line);
    unsigned n = 0;
    {
        std::lock_guard lock(syncMutex_);
        n = ++syncCount_;
    }
    std::fprintf(hostOut_, "\x01sync %u\n", n);
    std::fflush(hostOut_);
    std::unique_lock lock(syncMutex_);
    syncSeen_.wait(lock, [&] { return syncReached_ >= n; });
    capturing_ = false;
    return captured_;
}

void DapSession::readHostOutput() {
    std::FILE *in = fdopen(outputPipe_[0], "r");
    if (!in) return;
    outputPipe_[0] = -1;  // closed with `in`
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, in)) {
        const std::string line = buffer;
        if (line[0] == '\x01') {
            std::lock_guard lock(syncMutex_);
            syncReached_ = unsigned(std::strtoul(line.c_str() + 6, nullptr, 10));
            syncSeen_.notify_all();
            continue;
        }
        {
            std::lock_guard lock(syncMutex_);
            if (capturing_) captured_ += line;
        }
        output(line);
    }
    std::fclose(in);
}

void DapSession::onLaunch(const json &request) {
    if (launched_) return fail(request, "launch: a program is already launched");
    const json args = request.value("arguments", json::object());
    if (!args.contains("program") || !args["program"].is_string())
        return fail(request, "launch: \"program\" (the .hex or .ihx file) is required");
    const std::string program = args["program"];
    const json simulate = args.value("simulate", json(false));
    if (simulate == true) setenv("EMX31_SIMULATE", "1", 1);
    else if (simulate == "noadapter") setenv("EMX31_SIMULATE", "noadapter", 1);
    else if (simulate == false) unsetenv("EMX31_SIMULATE");
    else return fail(request, "launch: \"simulate\" is true, false or \"noadapter\"");
    stopOnEntry_ = args.value("stopOnEntry", false);

    if (pipe(outputPipe_) != 0) return fail(request, "launch: cannot create the output pipe");
    hostOut_ = fdopen(outputPipe_[1], "w");
    hostIn_ = std::fopen("/dev/null", "r");
    outputReader_ = std::thread([this] { readHostOutput(); });
    host_ = std::make_unique<DebuggerHost>(hostIn_, hostOut_, true);
    std::string error;
    if (!host_->load(args.value("driver", defaultDriver_), error)) {
        event("terminated");
        return fail(request, "launch: " + error);
    }
    // Target settings go through the driver's own settings form, answered from the launch arguments.
    const json settings = args.value("settings", json::object());
    std::string answers = "adapter " + std::string(settings.value("adapter", true) ? "1" : "0") + "\n";
    if (settings.contains("halt")) answers += "halt " + std::string(settings["halt"].get<bool>() ? "1" : "0") + "\n";
    if (settings.contains("maker")) answers += "maker " + std::to_string(settings["maker"].get<int>()) + "\n";
    if (settings.contains("chip")) answers += "chip " + std::to_string(settings["chip"].get<int>()) + "\n";
    std::FILE *form = std::tmpfile();
    if (form) {
        std::fputs((answers + "ok\n").c_str(), form);
        std::rewind(form);
        host_->in_ = form;
        hostCommand("settings");
        host_->in_ = hostIn_;
        std::fclose(form);
    }
    const std::string connect = hostCommand("connect");
    if (!host_->connected_) {
        event("terminated");
        return fail(request, "launch: cannot reach the emulator: " + connect);
    }
    for (const auto &dir : args.value("sourceDirectories", json::array()))
        hostCommand("directory " + dir.get<std::string>());
    if (args.contains("debugInfo") && !host_->source_->loadDebugInfo(args["debugInfo"].get<std::string>()))
        output("Going on without source-level debugging.\n", "stderr");
    const std::string loaded = hostCommand("load " + program);
    if (loaded.find("Loaded ") == std::string::npos || !host_->connected_) {
        event("terminated");
        return fail(request, "launch: cannot load " + program + ": " + loaded);
    }
    launched_ = true;
    respond(request);
    event("initialized");
}

void DapSession::onConfigurationDone(const json &request) {
    respond(request);
    auto &source = *host_->source_;
    if (stopOnEntry_) {
        const debug::Function *main = source.info() ? source.info()->findFunction("main") : nullptr;
        if (main && source.map()->entryAddress(*main)) startRun(RunKind::ToEntry);
        else event("stopped", {{"reason", "entry"}, {"threadId", 1}, {"allThreadsStopped", true}});
    } else {
        startRun(RunKind::Continue);
    }
}

void DapSession::removeBreakpoints(const std::string &group) {
    for (auto it = breakpoints_.begin(); it != breakpoints_.end();) {
        if (it->group != group) {
            ++it;
            continue;
        }
        for (auto bp = host_->breakpoints_.begin(); bp != host_->breakpoints_.end(); ++bp)
            if (&bp->record == it->record) {
                std::uint32_t a = bp->record.address;
                host_->breakFunc_(2, 0, &a, &bp->record);
                host_->breakpoints_.erase(bp);
                break;
            }
        it = breakpoints_.erase(it);
    }
    host_->relinkBreakpoints();
}

bool DapSession::addBreakpoint(const std::string &group, int id, std::uint16_t address, const json &wanted,
                               std::string &error) {
    std::uint32_t passCount = 1;
    const std::string hits = wanted.value("hitCondition", "");
    if (!hits.empty() && !passCountOf(hits, passCount)) {
        error = "hit condition '" + hits + "' is not a count (N, >= N, > N)";
        return false;
    }
    DebuggerHost::Breakpoint bp;
    bp.record.flags = AG_BP_KIND_EXEC | AG_BP_ENABLED;
    bp.record.address = AG_ADDRESS(AG_SPACE_CODE, address);
    bp.record.passCount = passCount;
    host_->breakpoints_.push_back(bp);
    host_->relinkBreakpoints();
    std::uint32_t a = bp.record.address;
    host_->breakFunc_(1, 0, &a, &host_->breakpoints_.back().record);
    breakpoints_.push_back({id, group, address, wanted.value("condition", ""), &host_->breakpoints_.back().record});
    return true;
}

void DapSession::onSetBreakpoints(const json &request) {
    const json &args = request.at("arguments");
    const std::string path = args.at("source").value("path", args.at("source").value("name", ""));
    removeBreakpoints(path);
    json results = json::array();
    auto &source = *host_->source_;
    const auto known = source.map() ? source.map()->knownFile(path) : std::nullopt;
    for (const auto &wanted : args.value("breakpoints", json::array())) {
        const int line = wanted.at("line").get<int>();
        json result = {{"verified", false}, {"line", line}};
        int resolved = 0;
        const auto addresses =
            known ? source.map()->addressesOf(*known, line, &resolved) : std::vector<std::uint16_t>{};
        if (!source.map()) {
            result["message"] = "no debug information: the program was not built with sdcc --debug";
        } else if (!known) {
            result["message"] = "no code from " + std::filesystem::path(path).filename().string() + " in the program";
        } else if (addresses.empty()) {
            result["message"] = "no code at or after line " + std::to_string(line);
        } else {
            const int id = nextBreakpointId_++;
            std::string error;
            bool ok = true;
            for (std::uint16_t a : addresses) ok = ok && addBreakpoint(path, id, a, wanted, error);
            if (ok) result = {{"id", id}, {"verified", true}, {"line", resolved}, {"source", args.at("source")}};
            else result["message"] = error;
        }
        results.push_back(result);
    }
    respond(request, {{"breakpoints", results}});
}

void DapSession::onSetFunctionBreakpoints(const json &request) {
    removeBreakpoints("function");
    json results = json::array();
    auto &source = *host_->source_;
    for (const auto &wanted : request.at("arguments").value("breakpoints", json::array())) {
        const std::string name = wanted.at("name");
        std::string error;
        const auto addresses = source.resolve(name, error);
        json result = {{"verified", false}, {"message", error}};
        if (!addresses.empty()) {
            const int id = nextBreakpointId_++;
            if (addBreakpoint("function", id, addresses.front(), wanted, error)) {
                result = {{"id", id}, {"verified", true}, {"instructionReference", hexAddress(addresses.front())}};
                if (source.map())
                    if (auto where = source.map()->locate(addresses.front())) {
                        result["line"] = where->line;
                        if (auto path = source.findSource(where->file))
                            result["source"] = {{"name", where->file},
                                                {"path", std::filesystem::absolute(*path).string()}};
                    }
            } else {
                result["message"] = error;
            }
        }
        results.push_back(result);
    }
    respond(request, {{"breakpoints", results}});
}

void DapSession::onSetInstructionBreakpoints(const json &request) {
    removeBreakpoints("instruction");
    json results = json::array();
    for (const auto &wanted : request.at("arguments").value("breakpoints", json::array())) {
        debug::Space space;
        std::int64_t address = 0;
        json result = {{"verified", false}};
        if (!parseMemoryReference(wanted.at("instructionReference"), space, address) || space != debug::Space::Code) {
            result["message"] = "not a code address: " + wanted.at("instructionReference").get<std::string>();
        } else {
            address += wanted.value("offset", 0);
            std::string error;
            const int id = nextBreakpointId_++;
            if (address < 0 || address > 0xFFFF) result["message"] = "address out of range";
            else if (addBreakpoint("instruction", id, std::uint16_t(address), wanted, error))
                result = {{"id", id}, {"verified", true}, {"instructionReference", hexAddress(std::uint32_t(address))}};
            else result["message"] = error;
        }
        results.push_back(result);
    }
    respond(request, {{"breakpoints", results}});
}

void DapSession::startRun(RunKind kind) {
    if (worker_.joinable()) worker_.join();
    host_->source_->target().clearStopRequest();
    running_ = true;
    handles_.clear();
    frames_.clear();
    worker_ = std::thread([this, kind] {
        auto &source = *host_->source_;
        auto &target = source.target();
        debug::Stepper::Outcome outcome;
        RunKind now = kind;
        for (;;) {
            const bool lines = source.info() && source.map();
            if (now == RunKind::Continue || (now == RunKind::ToEntry && !lines)) {
                outcome.stop = target.runUntil({}, outcome.error);
            } else if (now == RunKind::ToEntry) {
                const auto entry = source.map()->entryAddress(*source.info()->findFunction("main"));
                outcome.stop = target.runUntil({*entry}, outcome.error);
            } else if (!lines) {
                // No lines: an instruction is the smallest step there is.
                outcome.stop = target.stepInstruction(outcome.error) ? debug::TargetControl::Stop::Temporary
                                                                     : debug::TargetControl::Stop::Failed;
            } else {
                debug::Stepper stepper(*source.info(), *source.map(), target);
                outcome = now == RunKind::Next     ? stepper.next()
                          : now == RunKind::StepIn ? stepper.step()
                                                   : stepper.finish();
            }
            if (outcome.stop == debug::TargetControl::Stop::Breakpoint && target.connected() && conditionsSayGoOn()) {
                now = RunKind::Continue;
                continue;
            }
            break;
        }
        finishRun(kind, outcome);
    });
}

bool DapSession::conditionsSayGoOn() {
    auto &source = *host_->source_;
    const std::uint16_t pc = source.target().pc();
    bool any = false;
    for (const auto &bp : breakpoints_) {
        if (bp.address != pc) continue;
        any = true;
        if (bp.condition.empty() || !source.info()) return false;
        std::string error;
        const auto all = frames();
        debug::Evaluator e(*source.info(), source.target(), all.front());
        auto v = e.evaluate(bp.condition, error);
        auto n = v ? e.toNumber(*v, error) : std::nullopt;
        if (!n) {
            output("Breakpoint condition '" + bp.condition + "': " + error + "\n", "stderr");
            return false;
        }
        if (*n != 0) return false;
    }
    frames_.clear();
    return any;
}

void DapSession::linkLost(const std::string &why) {
    const std::string text = "The link to the emulator is lost" + (why.empty() ? std::string() : " (" + why + ")") +
                             ": the debug session ends.";
    output(text + "\n", "stderr");
    event("stopped", {{"reason", "exception"},
                      {"description", "link lost"},
                      {"text", text},
                      {"threadId", 1},
                      {"allThreadsStopped", true}});
    event("terminated");
    launched_ = false;  // requests after this get "not launched"; the client ends the adapter
}

void DapSession::finishRun(RunKind kind, const debug::Stepper::Outcome &outcome) {
    auto &target = host_->source_->target();
    running_ = false;
    if (!target.connected()) return linkLost(outcome.error);
    json body = {{"threadId", 1}, {"allThreadsStopped", true}};
    switch (outcome.stop) {
    case debug::TargetControl::Stop::Temporary: body["reason"] = kind == RunKind::ToEntry ? "entry" : "step"; break;
    case debug::TargetControl::Stop::Breakpoint: {
        body["reason"] = "breakpoint";
        json ids = json::array();
        for (const auto &bp : breakpoints_)
            if (bp.address == target.pc() && std::find(ids.begin(), ids.end(), bp.id) == ids.end())
                ids.push_back(bp.id);
        body["hitBreakpointIds"] = ids;
        break;
    }
    case debug::TargetControl::Stop::Interrupted: body["reason"] = "pause"; break;
    case debug::TargetControl::Stop::Failed:
        body["reason"] = "exception";
        body["description"] = outcome.error;
        body["text"] = outcome.error;
        break;
    }
    event("stopped", body);
}

std::vector<debug::Frame> DapSession::frames() {
    if (!frames_.empty()) return frames_;
    auto &source = *host_->source_;
    std::string error;
    if (source.info()) frames_ = debug::unwindStack(*source.info(), source.target(), error);
    if (frames_.empty()) {
        debug::Frame only;
        only.pc = source.target().pc();
        only.function = source.info() ? source.info()->functionAt(only.pc) : nullptr;
        frames_.push_back(only);
    }
    return frames_;
}

debug::Frame DapSession::frameById(const json &arguments) {
    const auto all = frames();
    const int id = arguments.value("frameId", 1);
    if (id < 1 || std::size_t(id) > all.size()) throw std::out_of_range("unknown frameId " + std::to_string(id));
    return all[std::size_t(id - 1)];
}

void DapSession::onStackTrace(const json &request) {
    const json args = request.value("arguments", json::object());
    auto &source = *host_->source_;
    const auto all = frames();
    const std::size_t start = std::size_t(std::max(0, args.value("startFrame", 0)));
    const int levels = args.value("levels", 0);
    json list = json::array();
    for (std::size_t i = start; i < all.size() && (levels <= 0 || list.size() < std::size_t(levels)); ++i) {
        const auto &f = all[i];
        json frame = {{"id", i + 1},
                      {"name", f.function ? f.function->name : "C:" + hexAddress(f.pc).substr(2)},
                      {"line", 0},
                      {"column", 0},
                      {"instructionPointerReference", hexAddress(f.pc)}};
        const auto where = source.map() ? source.map()->locate(f.pc) : std::nullopt;
        if (where) {
            frame["line"] = where->line;
            frame["column"] = 1;
            json src = {{"name", where->file}};
            if (auto path = source.findSource(where->file)) src["path"] = std::filesystem::absolute(*path).string();
            frame["source"] = src;
        } else {
            frame["presentationHint"] = "subtle";
        }
        list.push_back(frame);
    }
    respond(request, {{"stackFrames", list}, {"totalFrames", all.size()}});
}

int DapSession::handleFor(Handle h) {
    handles_.push_back(std::move(h));
    return int(handles_.size());
}

void DapSession::onScopes(const json &request) {
    const json args = request.value("arguments", json::object());
    const int id = args.value("frameId", 1);
    if (id < 1 || std::size_t(id) > frames().size())
        return fail(request, "scopes: unknown frameId " + std::to_string(id));
    const std::size_t frame = std::size_t(id - 1);
    json scopes = json::array({
        {{"name", "Locals"},
         {"presentationHint", "locals"},
         {"variablesReference", handleFor({Handle::Kind::Locals, frame, {}, {}})},
         {"expensive", false}},
        {{"name", "Globals"},
         {"variablesReference", handleFor({Handle::Kind::Globals, frame, {}, {}})},
         {"expensive", false}},
        {{"name", "Registers"},
         {"presentationHint", "registers"},
         {"variablesReference", handleFor({Handle::Kind::Registers, frame, {}, {}})},
         {"expensive", false}},
        {{"name", "SFRs"},
         {"variablesReference", handleFor({Handle::Kind::Sfrs, frame, {}, {}})},
         {"expensive", false}},
    });
    respond(request, {{"scopes", scopes}});
}

json DapSession::variable(debug::Evaluator &e, const std::string &name, const debug::Value &v,
                          const std::string &evaluateName, std::size_t frame) {
    std::string error;
    json j = {{"name", name},
              {"value", e.summary(v, error)},
              {"type", v.type ? v.type->name() : ""},
              {"evaluateName", evaluateName},
              {"variablesReference", 0}};
    if (e.hasChildren(v)) j["variablesReference"] = handleFor({Handle::Kind::Children, frame, v, evaluateName});
    if (v.where == debug::Value::Where::Memory)
        j["memoryReference"] = std::string(spaceReference(v.space)) + ":" + hexAddress(v.address);
    return j;
}

namespace {
bool isSfr(const debug::Symbol &s) {
    return s.address && *s.address >= 0x80 && (s.space == debug::Space::Data || s.space == debug::Space::Bit);
}
}  // namespace

void DapSession::onVariables(const json &request) {
    const int ref = request.at("arguments").at("variablesReference").get<int>();
    if (ref < 1 || std::size_t(ref) > handles_.size())
        return fail(request, "variables: unknown variablesReference " + std::to_string(ref));
    const Handle h = handles_[std::size_t(ref - 1)];
    auto &source = *host_->source_;
    const auto all = frames();
    json vars = json::array();
    if (!source.info()) {
        if (h.kind != Handle::Kind::Registers) return respond(request, {{"variables", vars}});
    }
    static const debug::DebugInfo empty = *debug::DebugInfo::parse("M:none\n", "", *std::make_unique<std::string>());
    debug::Evaluator e(source.info() ? *source.info() : empty, source.target(), all[std::min(h.frame, all.size() - 1)]);
    std::string error;
    switch (h.kind) {
    case Handle::Kind::Locals:
        if (const auto *f = all[h.frame].function)
            for (const auto *s : source.info()->localsOf(*f))
                vars.push_back(variable(e, s->name, e.symbolValue(*s), s->name, h.frame));
        break;
    case Handle::Kind::Globals:
        for (const auto &s : source.info()->symbols())
            if (s.scope != debug::Symbol::Scope::Local && !isSfr(s))
                vars.push_back(variable(e, s.name, e.symbolValue(s), s.name, h.frame));
        break;
    case Handle::Kind::Sfrs: {
        std::vector<const debug::Symbol *> sfrs;
        for (const auto &s : source.info()->symbols())
            if (s.scope == debug::Symbol::Scope::Global && isSfr(s)) sfrs.push_back(&s);
        std::stable_sort(sfrs.begin(), sfrs.end(), [](auto *a, auto *b) { return *a->address < *b->address; });
        for (const auto *s : sfrs) vars.push_back(variable(e, s->name, e.symbolValue(*s), s->name, h.frame));
        break;
    }
    case Handle::Kind::Registers:
        for (const char *r : {"A", "B", "R0", "R1", "R2", "R3", "R4", "R5", "R6", "R7", "DPTR", "SP", "PSW", "PC"})
            if (auto v = e.evaluate(r, error)) vars.push_back(variable(e, r, *v, r, h.frame));
        break;
    case Handle::Kind::Children: {
        const std::string parent = postfixOperand(h.evaluateName);
        for (auto &[name, child] : e.children(h.value, error)) {
            const std::string expr = name == "*" ? "*" + parent : name[0] == '[' ? parent + name : parent + "." + name;
            vars.push_back(variable(e, name == "*" ? "*" + h.evaluateName : name, child, expr, h.frame));
        }
        break;
    }
    }
    respond(request, {{"variables", vars}});
}

void DapSession::onSetVariable(const json &request) {
    const json &args = request.at("arguments");
    const int ref = args.at("variablesReference").get<int>();
    if (ref < 1 || std::size_t(ref) > handles_.size()) return fail(request, "setVariable: unknown variablesReference");
    auto &source = *host_->source_;
    if (!source.info()) return fail(request, "setVariable: no debug information");
    const Handle h = handles_[std::size_t(ref - 1)];
    const std::string name = args.at("name");
    std::string target = name;
    if (h.kind == Handle::Kind::Children) {
        const std::string parent = postfixOperand(h.evaluateName);
        target = name[0] == '*' ? "*" + parent : name[0] == '[' ? parent + name : parent + "." + name;
    }
    const auto all = frames();
    debug::Evaluator e(*source.info(), source.target(), all[std::min(h.frame, all.size() - 1)]);
    std::string error;
    if (!e.assign(target, args.at("value").get<std::string>(), error)) return fail(request, "setVariable: " + error);
    auto v = e.evaluate(target, error);
    respond(request, {{"value", v ? e.format(*v, error) : error}});
}

void DapSession::onEvaluate(const json &request) {
    const json &args = request.at("arguments");
    auto &source = *host_->source_;
    if (!source.info()) return fail(request, "no debug information: the program was not built with sdcc --debug");
    const debug::Frame frame = frameById(args);
    debug::Evaluator e(*source.info(), source.target(), frame);
    std::string error;
    const std::string expression = args.at("expression");
    auto v = e.evaluate(expression, error);
    if (!v) return fail(request, error);
    const std::size_t index = std::size_t(args.value("frameId", 1) - 1);
    json j = variable(e, expression, *v, expression, index);
    const std::string text = e.format(*v, error);
    json body = {{"result", text}, {"type", j["type"]}, {"variablesReference", j["variablesReference"]}};
    if (j.contains("memoryReference")) body["memoryReference"] = j["memoryReference"];
    respond(request, body);
}

void DapSession::onReadMemory(const json &request) {
    const json &args = request.at("arguments");
    debug::Space space;
    std::int64_t address = 0;
    if (!parseMemoryReference(args.at("memoryReference"), space, address))
        return fail(request, "readMemory: unknown memory reference (code, xdata, data, idata[:ADDRESS])");
    address += args.value("offset", 0);
    const std::int64_t count = args.at("count").get<std::int64_t>();
    if (count < 0) return fail(request, "readMemory: negative count");
    const std::int64_t size = spaceSize(space);
    const std::int64_t first = std::clamp<std::int64_t>(address, 0, size);
    const std::int64_t last = std::clamp<std::int64_t>(address + count, 0, size);
    std::vector<std::uint8_t> data(std::size_t(last - first));
    std::string error;
    for (std::int64_t at = first; at < last; at += 256) {
        const std::size_t n = std::size_t(std::min<std::int64_t>(256, last - at));
        if (!host_->source_->target().read(space, std::uint32_t(at), data.data() + (at - first), n, error))
            return fail(request, "readMemory: " + error);
    }
    respond(request, {{"address", hexAddress(std::uint32_t(first))},
                      {"data", toBase64(data)},
                      {"unreadableBytes", count - std::int64_t(data.size())}});
}

void DapSession::onWriteMemory(const json &request) {
    const json &args = request.at("arguments");
    debug::Space space;
    std::int64_t address = 0;
    if (!parseMemoryReference(args.at("memoryReference"), space, address) || space == debug::Space::Code)
        return fail(request, "writeMemory: unknown or read-only memory reference (xdata, data, idata[:ADDRESS])");
    address += args.value("offset", 0);
    std::vector<std::uint8_t> data;
    if (!fromBase64(args.at("data").get<std::string>(), data)) return fail(request, "writeMemory: data is not base64");
    if (address < 0 || address + std::int64_t(data.size()) > spaceSize(space))
        return fail(request, "writeMemory: beyond the memory space");
    std::string error;
    if (!host_->source_->target().write(space, std::uint32_t(address), data.data(), data.size(), error))
        return fail(request, "writeMemory: " + error);
    respond(request, {{"offset", 0}, {"bytesWritten", data.size()}});
}

void DapSession::onDisassemble(const json &request) {
    const json &args = request.at("arguments");
    debug::Space space;
    std::int64_t base = 0;
    if (!parseMemoryReference(args.at("memoryReference"), space, base) || space != debug::Space::Code)
        return fail(request, "disassemble: not a code address");
    base += args.value("offset", 0);
    const int instructionOffset = args.value("instructionOffset", 0);
    const int count = args.at("instructionCount").get<int>();
    if (count < 0 || count > 10000) return fail(request, "disassemble: instructionCount out of range");
    auto &source = *host_->source_;
    std::string error;
    const auto fetch = [&](std::uint16_t a) {
        std::uint8_t b = 0;
        source.target().read(debug::Space::Code, a, &b, 1, error);
        return b;
    };
    // Backwards from the base: decode forwards from further back and keep the tail.
    std::vector<std::int64_t> addresses;
    if (instructionOffset < 0) {
        std::int64_t a = std::max<std::int64_t>(0, base - 3 * std::int64_t(-instructionOffset) - 3);
        if (const auto *f =
                source.info() ? source.info()->functionAt(std::uint32_t(std::max<std::int64_t>(0, base))) : nullptr)
            if (f->start < a + 0 && base - f->start < 3 * std::int64_t(-instructionOffset) + 64) a = f->start;
        std::vector<std::int64_t> before;
        while (a < base) before.push_back(a), a += debug::instructionLength(fetch(std::uint16_t(a)));
        for (int i = instructionOffset; i < 0; ++i) {
            const std::int64_t k = std::int64_t(before.size()) + i;
            addresses.push_back(k >= 0 ? before[std::size_t(k)] : -1);
        }
    }
    std::int64_t a = base;
    for (int i = std::max(0, instructionOffset); i > 0 && a <= 0xFFFF; --i)
        a += debug::instructionLength(fetch(std::uint16_t(a)));
    while (int(addresses.size()) < count) {
        addresses.push_back(a <= 0xFFFF ? a : -1);
        if (a <= 0xFFFF) a += debug::instructionLength(fetch(std::uint16_t(a)));
    }
    addresses.resize(std::size_t(count));
    json list = json::array();
    for (std::int64_t at : addresses) {
        if (at < 0) {
            list.push_back({{"address", "0x0000"}, {"instruction", ""}, {"presentationHint", "invalid"}});
            continue;
        }
        const auto in = debug::disassemble(std::uint16_t(at), fetch);
        std::string bytes, text = in.text();
        for (unsigned k = 0; k < in.length; ++k) {
            char b[4];
            std::snprintf(b, sizeof b, k ? " %02X" : "%02X", in.bytes[k]);
            bytes += b;
        }
        std::replace(text.begin(), text.end(), '\t', ' ');
        json j = {{"address", hexAddress(std::uint32_t(at))}, {"instructionBytes", bytes}, {"instruction", text}};
        if (source.info())
            if (const auto *f = source.info()->functionAt(std::uint32_t(at)); f && f->start == at)
                j["symbol"] = f->name;
        if (source.map() && source.map()->isLineStart(std::uint32_t(at)))
            if (auto where = source.map()->locate(std::uint32_t(at))) {
                j["line"] = where->line;
                json src = {{"name", where->file}};
                if (auto path = source.findSource(where->file)) src["path"] = std::filesystem::absolute(*path).string();
                j["location"] = src;
            }
        list.push_back(j);
    }
    respond(request, {{"instructions", list}});
}

void DapSession::onDisconnect(const json &request, bool terminate) {
    if (running_ && host_) host_->source_->target().requestStop();
    if (worker_.joinable()) worker_.join();
    if (host_ && host_->connected_) host_->execute("quit");  // ends the driver's session
    // The adapter stays until the client closes its input: clients send disconnect more than once.
    launched_ = false;
    respond(request);
    if (terminate) event("terminated");
}

}  // namespace vantor::dbg
