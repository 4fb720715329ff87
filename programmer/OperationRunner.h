#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "devices/DeviceRecord.h"
#include "programmer/CProgrammer.h"
#include "programmer/EngineSink.h"
#include "programmer/Operations.h"

namespace vantor {

// Why a run did not succeed: the one vocabulary front ends map to their exit codes and
// summaries. The engine has already shown the reason of a Failed run through the sink (once);
// the kinds before it are the runner's own and are told by the front end.
enum class RunFailure {
    None,       // the run succeeded
    Busy,       // another run had the engine
    Failed,     // the engine reported failure (its message said why)
    Cancelled,  // the user cancelled; the engine said so
};

// The text a front end shows for a failure kind when the engine showed none.
std::string_view failureText(RunFailure failure);

// What one run came to.
struct OperationOutcome {
    RunFailure failure = RunFailure::Failed;
    // The first message that says why the run did not succeed (a red one, or the cancel), for
    // summaries and logs; trailing line ends removed.
    std::string firstFailure;
    bool succeeded() const { return failure == RunFailure::None; }
};

// One operation, or the Auto list.
struct RunRequest {
    std::optional<Op> op;  // empty: the Auto list
    std::array<std::uint8_t, kOperationListSize> autoItems{};

    static RunRequest single(Op op) { return {op, {}}; }
    static RunRequest autoList(const std::uint8_t items[kOperationListSize]);
};

// Wires the engine for a run, starts it, and (for front ends that wait) waits for it with a
// cancel flag, the same way for the desktop program, vantor-cli and gang runs. The notices go
// to `sink` through the runner, which keeps the result and the first failure text; so the
// runner must outlive every run it starts (a window keeps one for its programmer).
class OperationRunner : private ForwardingEngineSink {
public:
    OperationRunner(CProgrammer &engine, const EngineEnvironment &env, DataBuffer *buffer, DeviceRecord *device,
                    const OptionsRecord *options);
    ~OperationRunner() override = default;
    // The context of the next run (a window's device or buffer changed).
    void wire(const EngineEnvironment &env, DataBuffer *buffer, DeviceRecord *device, const OptionsRecord *options);
    CProgrammer &engine() const { return engine_; }
    OperationRunner(const OperationRunner &) = delete;
    OperationRunner &operator=(const OperationRunner &) = delete;

    // False (Busy) when another run has the engine.
    bool start(const RunRequest &request);
    // Waits until the run has ended; asks the engine once to cancel when `cancel` turns true.
    OperationOutcome wait(const std::atomic<bool> *cancel = nullptr);
    OperationOutcome run(const RunRequest &request, const std::atomic<bool> *cancel = nullptr);

    // The one wait loop: waits for the runs of all `runners` (a runner that started none ends at
    // once, Busy), asks each engine once to cancel when `cancel` turns true, calls `ended` as
    // each run ends and `between` (may be empty) after each round of at most kWaitSliceMs.
    using EndedRun = std::function<void(std::size_t index, const OperationOutcome &outcome)>;
    static void waitAll(std::span<OperationRunner *const> runners, const std::atomic<bool> *cancel,
                        const EndedRun &ended, const std::function<void()> &between = {});
    // How long one round of waiting blocks before the cancel flag is looked at again.
    static constexpr unsigned kWaitSliceMs = 20;

private:
    OperationOutcome collect();
    void result(OperationResult result) override;
    void message(const MessageRecord &record) override;

    CProgrammer &engine_;
    bool started_ = false;
    std::optional<OperationResult> result_;
    std::string firstFailure_;
};

}  // namespace vantor
