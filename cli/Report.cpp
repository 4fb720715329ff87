#include "cli/Report.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "cli/OperationCommand.h"
#include "devices/ConfigFile.h"
#include "devices/DeviceTables.h"
#include "devices/MemoryLayout.h"

namespace vantor::cli {

using nlohmann::json;

std::string hex32(std::uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%8.8X", v);
    return text;
}

namespace {

std::string trimmed(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
    return std::string(text);
}

json messageJson(const RecordedMessage &m) {
    return {{"text", m.text}, {"colour", colourName(m.colour)}, {"bold", m.bold}, {"status", m.status}};
}

}  // namespace

json messagesJson(const std::vector<RecordedMessage> &messages) {
    json list = json::array();
    for (const auto &m : messages) list.push_back(messageJson(m));
    return list;
}

std::string resultName(int exitCode) {
    switch (exitCode) {
    case kExitSuccess: return "success";
    case kExitFailed: return "failure";
    case kExitCancelled: return "cancelled";
    default: return "error";
    }
}

std::string reportOperationName(int op) {
    std::string name = operationName(op);
    if (!name.empty()) return name;
    switch (op) {
    case kOpReadCal: return "read-cal";
    case kOpBootLock: return "boot-lock";
    case kOpProtect2: return "protect2";
    default: return "op" + std::to_string(op);
    }
}

json deviceJson(const DeviceRecord &device) {
    json areas = json::array();
    for (int i = 0; i < kMaxAreas && device.memory_areas[i].size_bytes; ++i)
        areas.push_back({{"start", device.memory_areas[i].buffer_start}, {"size", device.memory_areas[i].size_bytes}});
    return {{"vendor", device.vendor_name},
            {"name", device.device_name},
            {"identifier", device.device_id[0] ? hexBytes(device.device_id, 3) : ""},
            {"areas", areas}};
}

json fileJson(const OperationJob &job) {
    if (!job.file) return nullptr;
    return {{"path", *job.file}, {"checksum", hex32(job.dataChecksum)}};
}

json runJson(const OperationJob &job, const ProgrammerSlot &slot, const RunOutcome &o) {
    json run;
    if (o.connected)
        run["programmer"] = {{"index", slot.index < 0 ? 0 : slot.index},
                             {"model", o.model},
                             {"model_text", o.modelText},
                             {"serial", o.serial},
                             {"firmware", o.firmware},
                             {"location", o.location},
                             {"simulated", slot.simulated}};
    else run["programmer"] = nullptr;
    run["result"] = resultName(o.exitCode);
    run["exit_code"] = o.exitCode;
    if (!o.problem.empty()) run["problem"] = o.problem;
    run["elapsed_ms"] = o.record ? o.record->elapsedMs() : 0;
    json steps = json::array();
    json messages = json::array();
    if (o.record) {
        for (const auto &s : o.record->steps()) {
            json m = json::array();
            for (const auto &r : s.messages) m.push_back(messageJson(r));
            steps.push_back({{"operation", reportOperationName(s.op)}, {"result", s.result}, {"messages", m}});
        }
        for (const auto &r : o.record->messages()) messages.push_back(messageJson(r));
    }
    run["steps"] = steps;
    run["messages"] = messages;
    run["counters"] = {{"success", o.cntSuccess}, {"failed", o.cntFailed}};
    if (o.idMismatch)
        run["identifier"] = {{"expected", hexBytes(job.device.device_id, 3)},
                             {"read", hexBytes(o.idRead.data(), 3)},
                             {"devices", o.idMatches}};
    if (o.bytesRead) {
        int op = -2;
        for (int candidate : job.operations())
            if (candidate == kOpReadFuse || candidate == kOpReadLock || candidate == kOpReadConfig) op = candidate;
        run["bytes_read"] = {{"operation", reportOperationName(op)}, {"bytes", hexBytes(o.bytesRead->data(), 16)}};
    }
    if (!o.checksums.empty()) {
        json sums = json::array();
        for (const auto &c : o.checksums)
            sums.push_back({{"area", c.area}, {"first", c.first}, {"last", c.last}, {"checksum", hex32(c.sum)}});
        run["checksums"] = sums;
    }
    if (o.serialNumber) run["serial_number"] = *o.serialNumber;
    return run;
}

json operationDocument(const OperationJob &job, const ProgrammerSlot &slot, const RunOutcome &outcome) {
    json doc = {{"schema", kJsonSchemaId}, {"command", job.name}};
    doc["device"] = deviceJson(job.device);
    doc["file"] = fileJson(job);
    json ops = json::array();
    for (int op : job.operations()) ops.push_back(reportOperationName(op));
    doc["operations"] = ops;
    if (job.file) doc["load_messages"] = messagesJson(job.loadMessages);
    doc.update(runJson(job, slot, outcome));
    return doc;
}

namespace {
std::atomic<bool> gPrinted{false};
std::string gProblem;
}  // namespace

bool jsonDocumentPrinted() { return gPrinted; }
void noteProblem(const std::string &text) { gProblem = text; }
std::string lastProblem() { return gProblem.empty() ? "see standard error" : gProblem; }

std::string commandOf(const std::vector<std::string> &args) {
    // Options that take a value, so that value is not taken for the command.
    static const char *const kValued[] = {"--lib-dir",    "--model",     "--sim-chip",   "--sim-fault", "--disconnect",
                                          "--programmer", "--sim-count", "--sim-socket", "--log",       "--station"};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "--disconnect" && i + 1 < args.size()) return args[i + 1];
        if (a.empty() || a[0] != '-') return a;
        for (const char *v : kValued)
            if (a == v) ++i;
    }
    return {};
}

void printJson(const json &document, int indent) {
    gPrinted = true;
    const std::string text = document.dump(indent, ' ', false, json::error_handler_t::replace);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

json errorDocument(const std::string &command, int exitCode, const std::string &message) {
    if (exitCode == kExitSuccess)
        return {{"schema", kJsonSchemaId}, {"command", command}, {"result", "success"}, {"exit_code", exitCode}};
    return {{"schema", kJsonSchemaId},
            {"command", command},
            {"result", "error"},
            {"exit_code", exitCode},
            {"problem", message}};
}

void RecordingInfoSink::appendLine(std::string_view text, Colour colour, bool bold) {
    RecordedMessage m{std::string(text), colour, bold, false};
    while (!m.text.empty() && (m.text.back() == '\n' || m.text.back() == '\r')) m.text.pop_back();
    messages_.push_back(std::move(m));
    next_.appendLine(text, colour, bold);
}

json infoDocument(const CliContext &ctx, const DeviceRecord &device) {
    auto names = [](const std::uint8_t *list) {
        json ops = json::array();
        for (int i = 0; i < 16 && list[i] != kEndOfList; ++i) ops.push_back(reportOperationName(list[i]));
        return ops;
    };
    json doc = {{"schema", kJsonSchemaId},
                {"command", "info"},
                {"result", "success"},
                {"exit_code", 0},
                {"device", deviceJson(device)},
                {"size_text", SizeText(device)},
                {"pins", device.pin_count},
                {"adapter", device.adapter_text},
                {"layout", LayoutText(device)},
                {"operations", names(device.menu_operations)},
                {"auto_operations", names(device.auto_operations)}};
    const auto config = cfg::configFilePath(ctx.libDir, device);
    if (!config.empty()) doc["config_file"] = config.string();
    return doc;
}

json convertDocument(const std::string &in, FileFormat inFormat, const std::string &out, FileFormat outFormat,
                     int exitCode, const std::vector<RecordedMessage> &messages) {
    const json list = messagesJson(messages);
    return {{"schema", kJsonSchemaId},
            {"command", "convert"},
            {"result", resultName(exitCode)},
            {"exit_code", exitCode},
            {"input", {{"path", in}, {"format", trimmed(formatName(inFormat))}}},
            {"output", {{"path", out}, {"format", trimmed(formatName(outFormat))}}},
            {"messages", list}};
}

}  // namespace vantor::cli
