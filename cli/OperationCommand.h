#pragma once
#include <atomic>
#include <memory>
#include <optional>

#include "cli/CliContext.h"
#include "programmer/CProgrammer.h"

namespace vantor::cli {

// Engine notices shown on the terminal the way the main window shows them.
class TerminalEngineSink : public EngineSink {
public:
    explicit TerminalEngineSink(Terminal &t) : terminal_(t) {}
    void started() override {}
    void ended() override { terminal_.progressDone(); }
    void result(OperationResult) override {}
    void statusText(std::string_view text) override;
    void progressStep() override { terminal_.progressStep(); }
    void progressRange(int steps) override { terminal_.progressRange(steps); }
    void message(const MessageRecord &record) override;

private:
    Terminal &terminal_;
};

// Operation number of a command-line operation name; -1 for "auto", -2 when unknown.
int operationNumber(const std::string &name);
// The command-line name of an operation number ("auto" for -1, "" when it has none).
std::string operationName(int op);

// Fills an Auto list from "erase,program,verify"; throws UsageError for an unknown or 17th item.
void parseAutoItems(const std::string &text, std::uint8_t items[16]);

}  // namespace vantor::cli
