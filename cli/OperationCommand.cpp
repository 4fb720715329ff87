#include <cstdio>
#include <cstring>

#include "buffer/DataBuffer.h"
#include "cli/CliSettings.h"
#include "cli/ConnectedOperation.h"
#include "cli/DeviceLookup.h"
#include "cli/OperationCommand.h"
#include "cli/ProgrammerRun.h"
#include "cli/Report.h"
#include "cli/RunRecord.h"
#include "core/StringTable.h"
#include "devices/DeviceTables.h"
#include "programmer/Application.h"
#include "programmer/Operations.h"

namespace vantor::cli {

void TerminalEngineSink::statusText(std::string_view text) {
    terminal_.line(trimmedStatus(text), colour::StatusPurple, false);
}

void TerminalEngineSink::message(const MessageRecord &record) {
    terminal_.line(messageText(record), record.colour, record.bold);
}

int operationNumber(const std::string &name) {
    if (name == "auto") return -1;
    const OperationInfo *info = operationByKeyword(name);
    return info ? info->number() : -2;
}

std::string operationName(int op) {
    if (op == -1) return "auto";
    const OperationInfo *info = operationInfo(op);
    return info ? std::string(info->keyword) : std::string();
}

void parseAutoItems(const std::string &text, std::uint8_t items[16]) {
    std::memset(items, kEndOfList, 16);
    std::size_t n = 0, pos = 0;
    for (;;) {
        const auto comma = text.find(',', pos);
        const std::string word = text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        const int item = operationNumber(word);
        if (item < 0) throw UsageError("--items: unknown operation " + word);
        if (n == 16) throw UsageError("--items: at most 16 operations");
        items[n++] = std::uint8_t(item);
        if (comma == std::string::npos) return;
        pos = comma + 1;
    }
}

int runOperation(CliContext &ctx, const std::string &operation, Args args) {
    const int op = operationNumber(operation);
    if (op == -2) throw UsageError("unknown operation: " + operation);
    const auto deviceSpec = takeOption(args, "--device", "-d");
    if (!deviceSpec) throw UsageError("name the device with -d VENDOR/DEVICE");
    auto itemsText = takeOption(args, "--items");

    if (!ctx.disconnectOperation) return runConnectedOperation(ctx, op, *deviceSpec, itemsText, std::move(args));
    if (!args.empty()) throw UsageError("unexpected argument: " + args.front());

    CliLibrary lib(ctx);
    DeviceRecord device;
    if (!lib.resolve(*deviceSpec, device)) return kExitUsage;

    if (op >= 0 && itemsText) throw UsageError("--items only goes with auto");
    std::uint8_t items[16];
    std::memcpy(items, device.auto_operations, sizeof items);
    if (itemsText) parseAutoItems(*itemsText, items);

    DataBuffer buffer;
    OptionsRecord options;
    // Counters and history are the desktop program's, kept at exit as it keeps them.
    CliSettings settings;
    Application app({.profile = &settings.profile(), .library = &lib.library()});
    app.LoadSettings();
    std::atomic<bool> disconnected{true};
    TerminalEngineSink sink(*ctx.terminal);
    StreamPrompt prompt(stderr);
    CProgrammer programmer;
    OperationJob job;  // what the report needs to know of the run
    job.op = op;
    job.name = operationName(op);
    std::memcpy(job.items, items, sizeof items);
    job.device = device;
    RunOutcome outcome;
    outcome.record = std::make_shared<RunRecorder>(&sink, job.operations());
    const int before = app.successCount(), failedBefore = app.failureCount();
    EngineEnvironment environment = app.engineEnvironment(outcome.record.get(), &prompt);
    environment.disconnectMode = &disconnected;
    OperationRunner runner(programmer, environment, &buffer, &device, &options);

    ctx.terminal->plain(std::string(loadString(sid::DisconnectMode)) + ": " + device.vendor_name + " " +
                        device.device_name);
    InterruptGuard interrupt;
    const int status = exitCode(runner.run(job.request(), &InterruptGuard::flag()).failure);
    app.SaveSettings();
    settings.save();
    if (ctx.json) {
        outcome.exitCode = status;
        outcome.cntSuccess = app.successCount() - before;
        outcome.cntFailed = app.failureCount() - failedBefore;
        auto doc = operationDocument(job, ProgrammerSlot{}, outcome);
        doc["simulated_disconnect"] = true;
        printJson(doc);
    }
    return status;
}

}  // namespace vantor::cli
