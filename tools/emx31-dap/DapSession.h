#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "debug/CallStack.h"
#include "debug/Evaluator.h"
#include "debug/Stepper.h"
#include "tools/emx31-dap/ProtocolChannel.h"
#include "tools/emx31-dbg/DebuggerHost.h"

namespace vantor::dbg {

// One Debug Adapter Protocol session over the EMX31 driver: the debugger host binds the driver,
// its source level reads the debug information, and this class speaks the protocol. Runs happen on
// a thread of their own so that pause is heard while the target runs.
class DapSession {
public:
    DapSession(dap::ProtocolChannel &channel, std::string defaultDriver);
    ~DapSession();
    // Serves requests until disconnect or the end of the input; the exit status.
    int run();

private:
    using json = nlohmann::json;
    struct Handle {
        enum class Kind { Locals, Globals, Registers, Sfrs, Children } kind;
        std::size_t frame = 0;
        debug::Value value;        // Children: the parent
        std::string evaluateName;  // Children: the parent's expression
    };
    struct UserBreakpoint {
        int id = 0;
        std::string group;  // the source path, "function" or "instruction"
        std::uint16_t address = 0;
        std::string condition;
        AG_Breakpoint *record = nullptr;  // in the host's list
    };

    void dispatch(const json &request);
    void respond(const json &request, json body = json::object());
    void fail(const json &request, const std::string &message);
    void event(const std::string &name, json body = json::object());
    void output(const std::string &text, const std::string &category = "console");

    void onInitialize(const json &request);
    void onLaunch(const json &request);
    void onConfigurationDone(const json &request);
    void onSetBreakpoints(const json &request);
    void onSetFunctionBreakpoints(const json &request);
    void onSetInstructionBreakpoints(const json &request);
    void onStackTrace(const json &request);
    void onScopes(const json &request);
    void onVariables(const json &request);
    void onSetVariable(const json &request);
    void onEvaluate(const json &request);
    void onReadMemory(const json &request);
    void onWriteMemory(const json &request);
    void onDisassemble(const json &request);
    void onDisconnect(const json &request, bool terminate);

    // The host's command output goes to `output` events; this runs one command and returns its text.
    std::string hostCommand(const std::string &line);
    void readHostOutput();
    void removeBreakpoints(const std::string &group);
    // A breakpoint in the driver's list; false when the hit condition cannot be read.
    bool addBreakpoint(const std::string &group, int id, std::uint16_t address, const json &wanted, std::string &error);
    enum class RunKind { Continue, Next, StepIn, StepOut, ToEntry };
    void startRun(RunKind kind);
    void finishRun(RunKind kind, const debug::Stepper::Outcome &outcome);
    bool conditionsSayGoOn();
    void linkLost(const std::string &why);
    std::vector<debug::Frame> frames();
    debug::Frame frameById(const json &arguments);
    json variable(debug::Evaluator &e, const std::string &name, const debug::Value &v, const std::string &evaluateName,
                  std::size_t frame);
    int handleFor(Handle h);
    bool ready(const json &request, bool stopped);

    dap::ProtocolChannel &channel_;
    std::string defaultDriver_;
    std::unique_ptr<DebuggerHost> host_;
    std::FILE *hostIn_ = nullptr;
    std::FILE *hostOut_ = nullptr;
    int outputPipe_[2] = {-1, -1};
    std::thread outputReader_;
    std::mutex syncMutex_;
    std::condition_variable syncSeen_;
    unsigned syncCount_ = 0, syncReached_ = 0;
    std::string captured_;
    bool capturing_ = false;

    std::atomic<bool> launched_{false}, running_{false};
    std::atomic<std::uint64_t> seq_{1};
    std::thread worker_;
    bool stopOnEntry_ = false;
    std::vector<Handle> handles_;
    std::vector<debug::Frame> frames_;
    std::vector<UserBreakpoint> breakpoints_;
    int nextBreakpointId_ = 1;
};

}  // namespace vantor::dbg
