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
    void result(OperationResult r) override { result_ = int(r); }
    void statusText(std::string_view text) override;
    void progressStep() override { terminal_.progressStep(); }
    void progressRange(int steps) override { terminal_.progressRange(steps); }
    void message(const MessageRecord &record) override;
    std::optional<OperationResult> lastResult() const {
        int r = result_.load();
        return r == kNone ? std::nullopt : std::optional<OperationResult>(OperationResult(r));
    }

private:
    static constexpr int kNone = 99;
    Terminal &terminal_;
    std::atomic<int> result_{kNone};
};

// Operation number of a command-line operation name; -1 for "auto", -2 when unknown.
int operationNumber(const std::string &name);
// The command-line name of an operation number ("auto" for -1, "" when it has none).
std::string operationName(int op);

// Fills an Auto list from "erase,program,verify"; throws UsageError for an unknown or 17th item.
void parseAutoItems(const std::string &text, std::uint8_t items[16]);

// Runs the started operation to its end, turning Ctrl+C into Cancel; returns the exit code.
int waitForResult(CProgrammer &programmer, const TerminalEngineSink &sink);

}  // namespace vantor::cli
