#pragma once
// What one run on one programmer did, kept for the machine-readable report, the production
// log and the gang summary, while the notices still reach the screen.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "programmer/EngineSink.h"

namespace vantor::cli {

struct RecordedMessage {
    std::string text;
    Colour colour = colour::Black;
    bool bold = false;
    bool status = false;  // a status line (what the engine is doing), not a message
};

struct RecordedStep {
    int op = 0;
    std::string result = "not run";  // "ok", "failed", "cancelled", "not run"
    std::vector<RecordedMessage> messages;
};

// Name of a message colour: "red", "blue", "grey", "dark-red", "light-grey", "purple",
// "black", or "#RRGGBB" for any other.
std::string colourName(Colour c);

// Records a run on its way to `next` (may be null), which gets every notice. The steps are
// the operations of the run in order: each successful operation ends with its success text in
// blue, so the n-th blue text closes step n. Why a run failed is the runner's outcome
// (OperationOutcome::firstFailure), not the record's.
class RunRecorder : public ForwardingEngineSink {
public:
    RunRecorder(EngineSink *next, std::vector<int> operations);

    void started() override;
    void ended() override;
    void result(OperationResult r) override;
    void statusText(std::string_view text) override;
    void progressStep() override;
    void progressRange(int steps) override;
    void message(const MessageRecord &record) override;

    // After the run has ended.
    std::optional<OperationResult> outcome() const;
    std::vector<RecordedStep> steps() const;
    std::vector<RecordedMessage> messages() const;
    std::uint64_t elapsedMs() const;
    // Progress of the current operation, 0..100 (gang progress lines).
    int percent() const;
    std::string currentStatus() const;

private:
    mutable std::mutex mutex_;
    std::vector<RecordedStep> steps_;
    std::size_t current_ = 0;  // the step running now
    std::vector<RecordedMessage> all_;
    std::string status_;
    std::chrono::steady_clock::time_point start_{}, end_{};
    bool startedSeen_ = false, endedSeen_ = false;
    std::optional<OperationResult> result_;
    std::atomic<int> range_{0}, position_{0};
};

// A status text without the blanks and line ends it is padded with.
std::string_view trimmedStatus(std::string_view text);

}  // namespace vantor::cli
