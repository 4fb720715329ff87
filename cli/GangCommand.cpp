// Several programmers: listing them, picking one, and running one operation on all at once.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <optional>

#include "cli/Attach.h"
#include "cli/ConnectedOperation.h"
#include "cli/OperationCommand.h"
#include "cli/Report.h"
#include "cli/ProductionRecords.h"

namespace vantor::cli {

namespace {

int parseCount(const std::string &text) {
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos)
        throw UsageError("--sim-count takes a number, not " + text);
    return std::stoi(text);
}

// Notices of one gang worker as lines that say which programmer they come from.
class PrefixedSink : public EngineSink {
public:
    PrefixedSink(Terminal &terminal, std::string prefix) : terminal_(terminal), prefix_(std::move(prefix)) {}
    void started() override {}
    void ended() override {}
    void result(OperationResult) override {}
    void statusText(std::string_view text) override {
        terminal_.line(prefix_ + std::string(trimmedStatus(text)), colour::StatusPurple, false);
    }
    void progressStep() override {}
    void progressRange(int) override {}
    void message(const MessageRecord &record) override {
        terminal_.line(prefix_ + messageText(record), record.colour, record.bold);
    }

private:
    Terminal &terminal_;
    std::string prefix_;
};

std::string hostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

std::string seconds(std::uint64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%llu.%02llus", static_cast<unsigned long long>(ms / 1000),
                  static_cast<unsigned long long>(ms % 1000 / 10));
    return text;
}

}  // namespace

void takeProductionOptions(CliContext &ctx, Args &args) {
    ctx.json = takeFlag(args, "--json");
    ctx.programmerSerial = takeOption(args, "--programmer");
    if (auto n = takeOption(args, "--sim-count")) ctx.simCount = parseCount(*n);
    while (auto socket = takeOption(args, "--sim-socket")) ctx.simSockets.push_back(*socket);
    ctx.logFile = takeOption(args, "--log");
    ctx.stationGiven = false;
    if (auto station = takeOption(args, "--station")) {
        ctx.station = *station;
        ctx.stationGiven = true;
    } else {
        ctx.station = hostName();
    }
    if (!ctx.simulate && (ctx.simCount != 1 || !ctx.simSockets.empty()))
        throw UsageError("--sim-count and --sim-socket only go with --simulate");
}

int runProgrammers(CliContext &ctx, Args args) {
    if (!args.empty()) throw UsageError("unexpected argument: " + args.front());
    CliLibrary lib(ctx);
    auto slots = programmerSlots(ctx, lib, nullptr);
    const auto found = probeProgrammers(slots);
    if (ctx.json) {
        nlohmann::json list = nlohmann::json::array();
        for (const auto &p : found)
            list.push_back({{"index", p.index},
                            {"model", p.model},
                            {"model_text", p.modelText},
                            {"serial", p.serial},
                            {"firmware", p.firmware},
                            {"location", p.location},
                            {"simulated", bool(ctx.simulate)}});
        printJson({{"schema", kJsonSchemaId},
                   {"command", "programmers"},
                   {"result", "success"},
                   {"exit_code", 0},
                   {"programmers", list}});
    } else {
        for (const auto &p : found)
            std::printf("%s\t%s\t%s\t%s\t%s\n", p.model.c_str(), p.serial.c_str(), p.firmware.c_str(),
                        p.location.c_str(), p.modelText.c_str());
        if (found.empty()) std::fprintf(stderr, "vantor-cli: no programmer found\n");
    }
    return kExitSuccess;
}

namespace {

// The programmers of the job's model, each with what it reported; the others are skipped.
struct GangMember {
    ProgrammerSlot slot;
    ProgrammerInfo info;
};

std::vector<GangMember> gangMembers(CliContext &ctx, CliLibrary &lib, const OperationJob &job) {
    auto slots = programmerSlots(ctx, lib, &job.device);
    std::vector<GangMember> members;
    for (const auto &info : probeProgrammers(slots)) {
        if (info.modelCode != job.expectedModel) {
            ctx.terminal->plain("Skipping programmer " + info.serial + ": a " + info.model + ", not a " +
                                job.modelName);
            continue;
        }
        for (auto &slot : slots)
            if (slot.index == info.index) members.push_back({slot, info});
    }
    return members;
}

// One line per programmer, redrawn in place on a terminal.
class ProgressBoard {
public:
    ProgressBoard(std::FILE *out, const std::vector<GangMember> &members,
                  const std::vector<std::shared_ptr<RunRecorder>> &recorders)
        : out_(out), members_(members), recorders_(recorders) {}

    // Redraws at most every kRedrawMs, unless `now`.
    void draw(bool now) {
        const auto time = std::chrono::steady_clock::now();
        if (drawn_ && !now && time - last_ < std::chrono::milliseconds(kRedrawMs)) return;
        last_ = time;
        const std::size_t n = members_.size();
        if (drawn_) std::fprintf(out_, "\x1b[%zuA", n);
        for (std::size_t i = 0; i < n; ++i) {
            const int percent = recorders_[i]->percent();
            std::string bar(std::size_t(percent / 5), '#');
            bar.resize(20, '.');
            std::fprintf(out_, "\r\x1b[2K#%zu %s [%s] %3d%% %s\n", i + 1, members_[i].info.serial.c_str(), bar.c_str(),
                         percent, recorders_[i]->currentStatus().c_str());
        }
        std::fflush(out_);
        drawn_ = true;
    }

private:
    // Often enough to look live, seldom enough not to flood a slow terminal.
    static constexpr int kRedrawMs = 150;
    std::FILE *out_;
    const std::vector<GangMember> &members_;
    const std::vector<std::shared_ptr<RunRecorder>> &recorders_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point last_{};
};

// The runs of a gang: every programmer connected and started, then all waited for in one
// loop; each run is recorded as it ends, so a batch that is broken off keeps what it did.
struct GangRuns {
    std::vector<RunOutcome> outcomes;
    std::vector<std::string> logErrors;
    std::uint64_t totalMs = 0;
};

GangRuns runAll(CliContext &ctx, const OperationJob &job, std::vector<GangMember> &members, ProductionSinks &production,
                const std::vector<std::uint64_t> &numbers) {
    const std::size_t n = members.size();
    std::vector<std::unique_ptr<PrefixedSink>> sinks;
    std::vector<std::shared_ptr<RunRecorder>> recorders;
    for (std::size_t i = 0; i < n; ++i) {
        char prefix[64];
        std::snprintf(prefix, sizeof prefix, "[#%zu %s] ", i + 1, members[i].info.serial.c_str());
        // On a terminal one redrawn line per programmer; elsewhere every notice, prefixed.
        sinks.push_back(std::make_unique<PrefixedSink>(*ctx.terminal, prefix));
        recorders.push_back(std::make_shared<RunRecorder>(ctx.terminal->interactive() ? nullptr : sinks.back().get(),
                                                          job.operations()));
    }
    InterruptGuard interrupt;
    GangRuns runs{std::vector<RunOutcome>(n), std::vector<std::string>(n), 0};
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::unique_ptr<ProgrammerRun>> started(n);
    const auto settle = [&](std::size_t i, const OperationOutcome &outcome) {
        runs.outcomes[i] = started[i]->finish(outcome, nullptr);
        finishRun(ctx, production, job, runs.outcomes[i], runs.logErrors[i]);
    };
    std::vector<OperationRunner *> runners;
    std::vector<std::size_t> memberOf;
    for (std::size_t i = 0; i < n; ++i) {
        started[i] = std::make_unique<ProgrammerRun>(ctx, job, members[i].slot, recorders[i]);
        std::optional<std::uint64_t> number;
        if (!numbers.empty()) number = numbers[i];
        if (!started[i]->connect(number, nullptr)) {
            settle(i, {});
            continue;
        }
        runners.push_back(&started[i]->start());
        memberOf.push_back(i);
    }
    std::optional<ProgressBoard> board;
    if (ctx.terminal->interactive()) board.emplace(ctx.terminal->stream(), members, recorders);
    OperationRunner::waitAll(
        runners, &InterruptGuard::flag(), [&](std::size_t k, const OperationOutcome &o) { settle(memberOf[k], o); },
        [&] {
            if (board) board->draw(false);
        });
    if (board) board->draw(true);
    runs.totalMs = std::uint64_t(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    return runs;
}

// The summary table; answers the gang's exit code.
int printSummary(Terminal &terminal, const OperationJob &job, const std::vector<GangMember> &members,
                 const GangRuns &runs) {
    int status = kExitSuccess;
    terminal.plain("");
    terminal.plain("#   Serial     Result     Elapsed   Reason");
    for (std::size_t i = 0; i < members.size(); ++i) {
        const RunOutcome &o = runs.outcomes[i];
        std::string reason = o.exitCode == kExitSuccess ? "" : o.problem;
        if (o.idMismatch) {
            reason += " (expected " + hexBytes(job.device.device_id, 3) + ", read " + hexBytes(o.idRead.data(), 3);
            if (!o.idMatches.empty()) reason += ": " + o.idMatches.front();
            reason += ")";
        }
        char row[160];
        std::snprintf(row, sizeof row, "%-3zu %-10s %-10s %-9s ", i + 1, members[i].info.serial.c_str(),
                      resultName(o.exitCode).c_str(), seconds(o.record->elapsedMs()).c_str());
        terminal.line(row + reason, o.exitCode == kExitSuccess ? colour::Blue : colour::Red, false);
        if (o.exitCode != kExitSuccess && status != kExitCancelled)
            status = o.exitCode == kExitCancelled ? kExitCancelled : kExitFailed;
        if (!runs.logErrors[i].empty()) std::fprintf(stderr, "vantor-cli: %s\n", runs.logErrors[i].c_str());
    }
    terminal.plain("Total: " + seconds(runs.totalMs));
    return status;
}

void printGangJson(const OperationJob &job, const std::vector<GangMember> &members, const GangRuns &runs, int status) {
    nlohmann::json list = nlohmann::json::array();
    for (std::size_t i = 0; i < members.size(); ++i) list.push_back(runJson(job, members[i].slot, runs.outcomes[i]));
    nlohmann::json ops = nlohmann::json::array();
    for (int o : job.operations()) ops.push_back(reportOperationName(o));
    printJson({{"schema", kJsonSchemaId},
               {"command", "gang"},
               {"operation", job.name},
               {"operations", ops},
               {"device", deviceJson(job.device)},
               {"file", fileJson(job)},
               {"load_messages", messagesJson(job.loadMessages)},
               {"result", resultName(status)},
               {"exit_code", status},
               {"elapsed_ms", runs.totalMs},
               {"runs", list}});
}

// The gang's own checks of its command line; -o is refused before anything is read.
int gangOperation(const CliContext &ctx, Args &args) {
    if (args.empty()) throw UsageError("gang needs an operation: gang OPERATION -d VENDOR/DEVICE ...");
    const std::string operation = args.front();
    args.erase(args.begin());
    const int op = operationNumber(operation);
    if (op == -2) throw UsageError("unknown operation: " + operation);
    if (ctx.programmerSerial) throw UsageError("--programmer picks one programmer; gang runs on all of them");
    return op;
}

void refuseOutput(const Args &args) {
    for (const auto &a : args)
        if (a == "-o" || a == "--output" || a.rfind("--output=", 0) == 0)
            throw UsageError("-o does not go with gang: every programmer would write the same file");
}

}  // namespace

int runGang(CliContext &ctx, Args args) {
    const int op = gangOperation(ctx, args);
    const auto deviceSpec = takeOption(args, "--device", "-d");
    if (!deviceSpec) throw UsageError("name the device with -d VENDOR/DEVICE");
    const auto itemsText = takeOption(args, "--items");
    refuseOutput(args);

    CliLibrary lib(ctx);
    OperationJob job;
    const int prepared = prepareJob(ctx, lib, op, *deviceSpec, itemsText, std::move(args), job);
    if (prepared != -1) return prepared;
    if (job.serial && job.serial->check)
        throw UsageError("--serial-number names the number of one chip: verify it with a single run");
    ProductionSinks production = productionSinks(ctx, job);
    std::vector<GangMember> members = gangMembers(ctx, lib, job);
    if (members.empty()) {
        std::fprintf(stderr, "vantor-cli: no %s programmer found\n", job.modelName.c_str());
        if (ctx.json) printJson(errorDocument("gang", kExitUsage, "no " + job.modelName + " programmer found"));
        return kExitUsage;
    }
    std::vector<std::uint64_t> numbers;
    if (production.serials) {
        std::string error;
        numbers = production.serials->reserve(int(members.size()), error);
        // Nothing has been touched: the run stops as for bad input.
        if (numbers.empty()) throw UsageError(error);
    }

    ctx.terminal->plain("Gang " + job.name + " on " + std::to_string(members.size()) +
                        " programmers: " + job.device.vendor_name + " " + job.device.device_name);
    const GangRuns runs = runAll(ctx, job, members, production, numbers);
    std::vector<const RunOutcome *> outcomes;
    for (const auto &o : runs.outcomes) outcomes.push_back(&o);
    rememberRuns(lib, job, outcomes);
    const int status = printSummary(*ctx.terminal, job, members, runs);
    if (ctx.json) printGangJson(job, members, runs, status);
    return status;
}

}  // namespace vantor::cli
