#include <cstdio>
#include <algorithm>
#include <cstring>
#include <thread>

#include "buffer/DataBuffer.h"
#include "core/StringTable.h"
#include "devices/DeviceRecord.h"
#include "devices/DeviceTables.h"
#include "programmer/CProgrammer.h"
#include "programmer/Operations.h"

namespace vantor {
namespace {

// Without hardware, Protect stands for writing the lock bits.
constexpr std::string_view kSimulatedProtectText = "Write Lock Bits...";
constexpr std::string_view kSimulatedProtectDone = "Write lock bits completed";

}  // namespace

CProgrammer::CProgrammer() = default;

CProgrammer::~CProgrammer() { shutdownWorkers(); }

void CProgrammer::shutdownWorkers() {
    cancel_ = true;
    waitIdle();
}

namespace {
// The programmer whose worker runs on this thread, if any.
thread_local const CProgrammer *tlsWorkerOf = nullptr;
}  // namespace

bool CProgrammer::onWorkerThread() const { return tlsWorkerOf == this; }

bool CProgrammer::waitWorkers(std::chrono::steady_clock::time_point until) {
    std::unique_lock lock(workersMutex_);
    return workersDone_.wait_until(lock, until, [this] { return liveWorkers_ == 0; });
}

// Waits in short slices; between them the sink may run what a blocked worker sent to this
// thread. Without that, a window thread closing the program would wait for a worker that
// waits for the window thread.
bool CProgrammer::waitIdleFor(unsigned ms) {
    if (onWorkerThread()) return false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const auto slice = std::min(end, std::chrono::steady_clock::now() + std::chrono::milliseconds(2));
        if (waitWorkers(slice)) return true;
        if (env_.sink) env_.sink->pumpPending();
        if (std::chrono::steady_clock::now() >= end) return waitWorkers(end);
    }
}

bool CProgrammer::waitIdle() {
    if (onWorkerThread()) return false;
    while (!waitIdleFor(1000)) {}
    return true;
}

void CProgrammer::noteBufferWritten(std::uint32_t first, std::uint32_t last) {
    if (!written_) {
        writtenFirst_ = first;
        writtenLast_ = last;
        written_ = true;
        return;
    }
    writtenFirst_ = std::min(writtenFirst_, first);
    writtenLast_ = std::max(writtenLast_, last);
}

void CProgrammer::setEnvironment(const EngineEnvironment &env) { env_ = env; }

void CProgrammer::SetContext(DataBuffer *buf, DeviceRecord *dev, const OptionsRecord *opts) {
    buffer = buf;
    device = dev;
    options = opts;
}

bool CProgrammer::disconnectMode() const { return env_.disconnectMode == nullptr || env_.disconnectMode->load(); }

bool CProgrammer::claim() {
    bool expected = false;
    return busy_.compare_exchange_strong(expected, true);
}

void CProgrammer::launch(void (CProgrammer::*procedure)()) {
    cancel_ = false;
    linkFailed_ = false;
    {
        std::lock_guard lock(workersMutex_);
        ++liveWorkers_;
    }
    // Detached: the window side never joins a worker (it may be waiting on the window
    // thread inside a notice); shutdownWorkers() waits for the count instead.
    written_ = false;
    std::thread([this, procedure] {
        tlsWorkerOf = this;
        (this->*procedure)();
        tlsWorkerOf = nullptr;
        std::lock_guard lock(workersMutex_);
        --liveWorkers_;
        workersDone_.notify_all();
    }).detach();
}

// The busy flag is taken before the operation is stored: a second caller that lost the race
// must not overwrite what the winner's worker is about to run.
bool CProgrammer::StartOperation(Op op) {
    if (!claim()) return false;
    operation = op;
    launch(&CProgrammer::singleWorker);
    return true;
}

bool CProgrammer::StartAuto(const std::uint8_t items[16]) {
    if (!claim()) return false;
    std::memcpy(autoItems, items, sizeof autoItems);
    launch(&CProgrammer::autoWorker);
    return true;
}

// The target is released on every path on which the link still works, so a chip is never
// left initialised in the socket after a failure.
void CProgrammer::releaseAfterRun(Programmer &target, bool began, bool result) {
    if (began && (result || !linkFailed_)) tell(target.ReleaseDevice());
}

StepResult CProgrammer::configurationWritable(const std::uint8_t *ops, int count) const {
    if (disconnectMode() || !device || !device->configUnusable()) return {};
    for (int i = 0; i < count && ops[i] < kEndOfList; ++i) {
        const OperationInfo *info = operationInfo(ops[i]);
        if (!info || info->direction != OpDirection::ToChip || info->bytes == OpBytes::None) continue;
        const std::string file =
            "cfg/" + std::string(device->config_name, strnlen(device->config_name, kConfigNameSize)) + ".cfg";
        return StepResult::failed(std::string(info->title) + " refused: the configuration file " + file +
                                  " is missing or damaged, so there is no configuration to write. "
                                  "Nothing was written; reinstall the application.");
    }
    return {};
}

// Pauses of a single operation's run, kept because the elapsed time shown at the end includes
// them and users compare it with the times they know; an Auto run pauses after the set-up only.
constexpr unsigned kAfterInitMs = 10;
constexpr unsigned kBeforeOperationMs = 50;
constexpr unsigned kBeforeReleaseMs = 10;

void CProgrammer::singleWorker() {
    Programmer &p = target();
    const std::uint8_t op = std::uint8_t(operation);
    const bool began = beginRun(p) && tell(configurationWritable(&op, 1));
    bool r = began && tell(p.InitDevice());
    clock().sleepMs(kAfterInitMs);
    if (r) r = tell(checkDeviceId(p));
    clock().sleepMs(kBeforeOperationMs);
    if (r) r = execute(p, operation);
    clock().sleepMs(kBeforeReleaseMs);
    releaseAfterRun(p, began, r);
    endRun(r);
}

void CProgrammer::autoWorker() {
    Programmer &p = target();
    // The whole list is checked first: an Auto that cannot write its fuses touches nothing.
    const bool began = beginRun(p) && tell(configurationWritable(autoItems, 16));
    bool r = began && tell(p.InitDevice());
    if (r && !disconnectMode()) clock().sleepMs(kAfterInitMs);
    if (r) r = tell(checkDeviceId(p));
    for (int i = 0; i < 16 && r; ++i) {
        if (autoItems[i] == kEndOfList) break;
        const OperationInfo *info = operationInfo(autoItems[i]);
        r = info ? execute(p, info->op)
                 : tell(StepResult::failed("Auto item " + std::to_string(i + 1) + " is not an operation"));
    }
    releaseAfterRun(p, began, r);
    endRun(r);
}

bool CProgrammer::execute(Programmer &target, Op op) {
    StepResult r = target.Execute(op);
    // A cancel ends the run whatever the step answered; the programmer stops at its next block.
    if (cancel_ && r.failure() != StepFailure::Cancelled) {
        tell(r);
        r = StepResult::cancelled();
    }
    return tell(r);
}

// The one place where the failure of a step is shown.
bool CProgrammer::tell(const StepResult &r) {
    switch (r.failure()) {
    case StepFailure::None: return true;
    case StepFailure::Cancelled:
        ShowMessage(sid::OperationCancelled, disconnectMode() ? colour::DarkRed : colour::Grey);
        return false;
    case StepFailure::Link: linkFailed_ = true; break;
    case StepFailure::Transfer:
    case StepFailure::Failed:
    case StepFailure::Silent: break;
    }
    if (auto record = r.message()) {
        message = std::move(*record);
        if (env_.sink) env_.sink->message(message);
    }
    return false;
}

// The cancel flag was cleared when the run was launched: clearing it here again would lose a
// cancel sent between the start and the worker's first step.
bool CProgrammer::beginRun(Programmer &target) {
    busy_ = true;
    startTimeMs = clock().nowMs();
    if (!tell(target.EnsureOpen())) return false;
    if (env_.sink) env_.sink->started();
    return true;
}

void CProgrammer::endRun(bool result) {
    OperationResult code;
    if (result) {
        if (env_.counters) ++env_.counters->CntSuccess;
        // Monotonic milliseconds: a run of an hour or more is shown as it lasted.
        ShowMessage(formatElapsed(clock().nowMs() - startTimeMs), colour::LightGrey, false);
        code = OperationResult::Success;
    } else if (!cancel_) {
        if (env_.counters) ++env_.counters->CntFailed;
        code = OperationResult::Failure;
    } else {
        code = OperationResult::Cancelled;
    }
    // One notice of what the run wrote, whatever its result: a failed or cancelled read has
    // still replaced the blocks it got.
    if (written_ && env_.sink) env_.sink->bufferChanged(writtenFirst_, writtenLast_);
    written_ = false;
    if (env_.sink) env_.sink->result(code);
    busy_ = false;
    if (env_.sink) env_.sink->ended();
}

bool CProgrammer::Connect(int &) { return false; }

bool CProgrammer::UpgradeFirmware(const std::uint8_t *, std::size_t) {
    if (env_.prompt) env_.prompt->ask(loadString(sid::NotAvailableInDisconnectMode), "", Prompt::Icon::Information);
    return true;
}

StepResult CProgrammer::checkDeviceId(Programmer &target) {
    if (!options || !options->ChkDevID || !device || device->device_id[0] == 0) return {};
    std::uint8_t id[4] = {};
    {
        std::lock_guard lock(idMutex_);
        idCheck_ = {};
    }
    if (StepResult read = target.ReadDeviceId(id); !read) return read;
    const bool matched = std::memcmp(id, device->device_id, 3) == 0;
    {
        std::lock_guard lock(idMutex_);
        idCheck_.read = true;
        idCheck_.matched = matched;
        std::memcpy(idCheck_.id, id, 4);
    }
    if (matched) return {};
    return StepResult::failed(sid::DeviceIdError);  // the worker releases the device
}

std::string_view CProgrammer::progressText(Op op, bool simulated) {
    if (simulated && op == Op::Protect) return kSimulatedProtectText;
    return operationInfo(op).inProgress;
}

std::string_view CProgrammer::successText(Op op, bool simulated) {
    if (simulated && op == Op::Protect) return kSimulatedProtectDone;
    const OperationInfo &info = operationInfo(op);
    return info.successId ? loadString(info.successId) : info.successLiteral;
}

std::string CProgrammer::formatElapsed(std::uint64_t elapsedMs) {
    char text[64];
    std::snprintf(text, sizeof text, "Elapsed Time: %d.%2.2dS", int(elapsedMs / 1000), int(elapsedMs % 1000 / 10));
    return text;
}

void CProgrammer::ShowStatus(int textId) { ShowStatus(loadString(textId)); }

void CProgrammer::ShowStatus(std::string_view text) {
    if (text.data() != statusText.data()) statusText.assign(text);
    if (env_.sink) env_.sink->statusText(statusText);
}

void CProgrammer::ShowMessage(int resourceId, Colour c, bool bold, int reserved) {
    message = MessageRecord{true, resourceId, std::string(loadString(resourceId)), c, bold, reserved};
    if (env_.sink) env_.sink->message(message);
}

void CProgrammer::ShowMessage(std::string_view text, Colour c, bool bold, int reserved) {
    message = MessageRecord{false, 0, std::string(text), c, bold, reserved};
    if (env_.sink) env_.sink->message(message);
}

void CProgrammer::SetProgressRange(int steps) {
    if (env_.sink) env_.sink->progressRange(steps);
}

void CProgrammer::StepProgress() {
    if (env_.sink) env_.sink->progressStep();
}

}  // namespace vantor
