// Several programmers: listing them, picking one, and running one operation on all at once.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

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
        while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
        terminal_.line(prefix_ + std::string(text), colour::StatusPurple, false);
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
            list.push_back({{"index", p.index}, {"model", p.model}, {"model_text", p.modelText}, {"serial", p.serial},
                            {"firmware", p.firmware}, {"location", p.location}, {"simulated", bool(ctx.simulate)}});
        printJson({{"schema", kJsonSchemaId}, {"command", "programmers"}, {"result", "success"}, {"exit_code", 0},
                   {"programmers", list}});
    } else {
        for (const auto &p : found)
            std::printf("%s\t%s\t%s\t%s\t%s\n", p.model.c_str(), p.serial.c_str(), p.firmware.c_str(),
                        p.location.c_str(), p.modelText.c_str());
        if (found.empty()) std::fprintf(stderr, "vantor-cli: no programmer found\n");
    }
    return kExitSuccess;
}

int runGang(CliContext &ctx, Args args) {
    if (args.empty()) throw UsageError("gang needs an operation: gang OPERATION -d VENDOR/DEVICE ...");
    const std::string operation = args.front();
    args.erase(args.begin());
    const int op = operationNumber(operation);
    if (op == -2) throw UsageError("unknown operation: " + operation);
    if (ctx.programmerSerial) throw UsageError("--programmer picks one programmer; gang runs on all of them");
    const auto deviceSpec = takeOption(args, "--device", "-d");
    if (!deviceSpec) throw UsageError("name the device with -d VENDOR/DEVICE");
    const auto itemsText = takeOption(args, "--items");
    for (const auto &a : args)
        if (a == "-o" || a == "--output" || a.rfind("--output=", 0) == 0)
            throw UsageError("-o does not go with gang: every programmer would write the same file");

    CliLibrary lib(ctx);
    OperationJob job;
    const int prepared = prepareJob(ctx, lib, op, *deviceSpec, itemsText, std::move(args), job);
    if (prepared != -1) return prepared;

    if (job.serial && job.serial->check)
        throw UsageError("--serial-number names the number of one chip: verify it with a single run");
    ProductionSinks production = productionSinks(ctx, job);
    auto slots = programmerSlots(ctx, lib, &job.device);
    const auto found = probeProgrammers(slots);
    std::vector<ProgrammerSlot> chosen;
    std::vector<ProgrammerInfo> infos;
    for (const auto &info : found) {
        if (info.modelCode != job.expectedModel) {
            ctx.terminal->plain("Skipping programmer " + info.serial + ": a " + info.model + ", not a " + job.modelName);
            continue;
        }
        for (auto &slot : slots)
            if (slot.index == info.index) chosen.push_back(slot);
        infos.push_back(info);
    }
    if (chosen.empty()) {
        std::fprintf(stderr, "vantor-cli: no %s programmer found\n", job.modelName.c_str());
        if (ctx.json) printJson(errorDocument("gang", kExitUsage, "no " + job.modelName + " programmer found"));
        return kExitUsage;
    }

    std::vector<std::uint64_t> numbers;
    if (production.serials) {
        std::string error;
        numbers = production.serials->reserve(int(chosen.size()), error);
        // Nothing has been touched: the run stops as for bad input.
        if (numbers.empty()) throw UsageError(error);
    }

    const std::size_t n = chosen.size();
    ctx.terminal->plain("Gang " + job.name + " on " + std::to_string(n) + " programmers: " + job.device.vendor_name +
                        " " + job.device.device_name);
    std::vector<std::unique_ptr<PrefixedSink>> sinks;
    std::vector<std::shared_ptr<RunRecorder>> recorders;
    for (std::size_t i = 0; i < n; ++i) {
        char prefix[64];
        std::snprintf(prefix, sizeof prefix, "[#%zu %s] ", i + 1, infos[i].serial.c_str());
        // On a terminal one redrawn line per programmer; elsewhere every notice, prefixed.
        sinks.push_back(std::make_unique<PrefixedSink>(*ctx.terminal, prefix));
        recorders.push_back(
            std::make_shared<RunRecorder>(ctx.terminal->interactive() ? nullptr : sinks.back().get(), job.operations()));
    }

    InterruptGuard interrupt;
    std::vector<RunOutcome> outcomes(n);
    std::vector<std::thread> workers;
    std::atomic<std::size_t> done{0};
    std::vector<std::string> logErrors(n);
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < n; ++i) {
        std::optional<std::uint64_t> number;
        if (!numbers.empty()) number = numbers[i];
        workers.emplace_back([&, i, number] {
            outcomes[i] = runOnProgrammer(ctx, job, chosen[i], recorders[i], InterruptGuard::flag(), number, nullptr);
            // Each run is recorded as it ends, so a batch that is broken off keeps what it did.
            finishRun(ctx, production, job, outcomes[i], logErrors[i]);
            ++done;
        });
    }
    if (ctx.terminal->interactive()) {
        std::FILE *out = ctx.terminal->stream();
        bool drawn = false;
        for (;;) {
            const bool finished = done == n;
            if (drawn) std::fprintf(out, "\x1b[%zuA", n);
            for (std::size_t i = 0; i < n; ++i) {
                const int percent = recorders[i]->percent();
                std::string bar(std::size_t(percent / 5), '#');
                bar.resize(20, '.');
                std::fprintf(out, "\r\x1b[2K#%zu %s [%s] %3d%% %s\n", i + 1, infos[i].serial.c_str(), bar.c_str(),
                             percent, recorders[i]->currentStatus().c_str());
            }
            std::fflush(out);
            drawn = true;
            if (finished) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        }
    }
    for (auto &w : workers) w.join();
    const std::uint64_t totalMs = std::uint64_t(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());

    std::vector<const RunOutcome *> done_;
    for (const auto &o : outcomes) done_.push_back(&o);
    rememberRuns(lib, job, done_);

    // Summary table.
    int status = kExitSuccess;
    ctx.terminal->plain("");
    ctx.terminal->plain("#   Serial     Result     Elapsed   Reason");
    for (std::size_t i = 0; i < n; ++i) {
        const RunOutcome &o = outcomes[i];
        std::string reason = o.exitCode == kExitSuccess ? "" : o.problem;
        if (o.idMismatch) {
            reason += " (expected " + hexBytes(job.device.device_id, 3) + ", read " + hexBytes(o.idRead.data(), 3);
            if (!o.idMatches.empty()) reason += ": " + o.idMatches.front();
            reason += ")";
        }
        char row[160];
        std::snprintf(row, sizeof row, "%-3zu %-10s %-10s %-9s ", i + 1, infos[i].serial.c_str(),
                      resultName(o.exitCode).c_str(), seconds(o.record->elapsedMs()).c_str());
        ctx.terminal->line(row + reason, o.exitCode == kExitSuccess ? colour::Blue : colour::Red, false);
        if (o.exitCode != kExitSuccess && status != kExitCancelled)
            status = o.exitCode == kExitCancelled ? kExitCancelled : kExitFailed;
        if (!logErrors[i].empty()) std::fprintf(stderr, "vantor-cli: %s\n", logErrors[i].c_str());
    }
    ctx.terminal->plain("Total: " + seconds(totalMs));

    if (ctx.json) {
        nlohmann::json runs = nlohmann::json::array();
        for (std::size_t i = 0; i < n; ++i) runs.push_back(runJson(job, chosen[i], outcomes[i]));
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
                   {"elapsed_ms", totalMs},
                   {"runs", runs}});
    }
    return status;
}

}  // namespace vantor::cli
