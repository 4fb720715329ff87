#pragma once
// Machine-readable results (--json) and the production log (--log), built from run outcomes.
#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

#include "buffer/DataFile.h"
#include "cli/ProgrammerRun.h"
#include "core/InfoSink.h"

namespace vantor::cli {

inline constexpr const char *kJsonSchemaId = "vantor-cli/1";

// "success", "failure", "cancelled" or "error" (the run did not get going: bad input,
// no programmer) for an exit code.
std::string resultName(int exitCode);

// Operation name in reports: the command-line name, or a fixed name for the operations
// that have none on the command line.
std::string reportOperationName(int op);

// A checksum as "0x0003FC00".
std::string hex32(std::uint32_t v);

nlohmann::json messagesJson(const std::vector<RecordedMessage> &messages);
nlohmann::json deviceJson(const DeviceRecord &device);
nlohmann::json fileJson(const OperationJob &job);
// One run on one programmer.
nlohmann::json runJson(const OperationJob &job, const ProgrammerSlot &slot, const RunOutcome &outcome);
// The document of a single operation command.
nlohmann::json operationDocument(const OperationJob &job, const ProgrammerSlot &slot, const RunOutcome &outcome);
// Prints a document on standard output (on one line unless an indent is asked for).
void printJson(const nlohmann::json &document, int indent = -1);
// A document for a command that stopped before running: {"schema", "command", "result":"error", ...};
// for a command that succeeded without a document of its own (options --set), "success".
nlohmann::json errorDocument(const std::string &command, int exitCode, const std::string &message);

// Whether a document has been printed in this process (each command prints at most one).
bool jsonDocumentPrinted();
// The reason of the last usage error, for the error document ("see standard error" if none).
void noteProblem(const std::string &text);
std::string lastProblem();
// The command word of an argument list ("" when there is none).
std::string commandOf(const std::vector<std::string> &args);

// Information-window lines passed on and kept for a document.
class RecordingInfoSink : public InfoSink {
public:
    explicit RecordingInfoSink(InfoSink &next) : next_(next) {}
    void appendLine(std::string_view text, Colour colour, bool bold) override;
    const std::vector<RecordedMessage> &messages() const { return messages_; }

private:
    InfoSink &next_;
    std::vector<RecordedMessage> messages_;
};

nlohmann::json infoDocument(const CliContext &ctx, const DeviceRecord &device);
nlohmann::json convertDocument(const std::string &in, FileFormat inFormat, const std::string &out, FileFormat outFormat,
                               int exitCode, const std::vector<RecordedMessage> &messages);

}  // namespace vantor::cli
