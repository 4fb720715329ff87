#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "programmer/EngineSink.h"

namespace vantor {

// How a step of a run (open, set-up, identifier read, operation, release) ended.
enum class StepFailure : std::uint8_t {
    None,       // the step succeeded
    Link,       // a control request or status read failed: "Communication error!"; the link is gone
    Transfer,   // a data block did not arrive: "Communication error!"; the link may still work
    Failed,     // the step found the failure itself; its text says what failed
    Cancelled,  // the user cancelled; told by the engine in its own colour
    Silent,     // nothing to tell: no programmer opened, no device, a command the programmer lacks
};

// A step's result with the text that goes with its failure. Steps return it and show nothing
// themselves; the engine shows the text in one place (CProgrammer::tell), so every failure
// is told once.
class [[nodiscard]] StepResult {
public:
    StepResult() = default;  // success
    static StepResult link() { return StepResult(StepFailure::Link); }
    static StepResult transfer() { return StepResult(StepFailure::Transfer); }
    static StepResult cancelled() { return StepResult(StepFailure::Cancelled); }
    static StepResult silent() { return StepResult(StepFailure::Silent); }
    // A failure in a string-table text (red; bold unless asked otherwise).
    static StepResult failed(int resourceId, bool bold = true) {
        StepResult r(StepFailure::Failed);
        r.resourceId_ = resourceId;
        r.bold_ = bold;
        return r;
    }
    // A failure in a text of its own (red, bold).
    static StepResult failed(std::string text) {
        StepResult r(StepFailure::Failed);
        r.text_ = std::move(text);
        return r;
    }

    StepFailure failure() const { return failure_; }
    bool ok() const { return failure_ == StepFailure::None; }
    explicit operator bool() const { return ok(); }
    // The red message of a Link, Transfer or Failed result; none for the others, which the
    // engine tells (a cancel) or which have nothing to tell.
    std::optional<MessageRecord> message() const;

private:
    explicit StepResult(StepFailure failure) : failure_(failure) {}

    StepFailure failure_ = StepFailure::None;
    int resourceId_ = 0;  // 0: text_
    std::string text_;
    bool bold_ = true;
};

}  // namespace vantor
