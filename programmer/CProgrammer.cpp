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
    while (!waitIdleFor(1000)) {
    }
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
bool CProgrammer::StartOperation(int op) {
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
void CProgrammer::releaseAfterRun(bool began, bool result) {
    if (disconnectMode() || !began) return;
    if (result || !linkFailed_) ReleaseDevice();
}

void CProgrammer::singleWorker() {
    const bool began = BeginOperation();
    bool r = began;
    if (!disconnectMode() && r) r = InitDevice();
    clock().sleepMs(10);
    if (options && options->ChkDevID && !disconnectMode() && r) r = CheckDeviceId();
    clock().sleepMs(50);
    if (r) r = RunOperation(operation);
    clock().sleepMs(10);
    releaseAfterRun(began, r);
    EndOperation(r);
}

void CProgrammer::autoWorker() {
    const bool began = BeginOperation();
    bool r = began;
    if (!disconnectMode() && r) {
        r = InitDevice();
        clock().sleepMs(10);
    }
    if (options && options->ChkDevID && !disconnectMode() && r) r = CheckDeviceId();
    for (int i = 0; i < 16 && r; ++i) {
        if (autoItems[i] >= kEndOfList) break;
        r = RunOperation(autoItems[i]);
    }
    releaseAfterRun(began, r);
    EndOperation(r);
}

bool CProgrammer::BeginOperation() {
    busy_ = true;
    cancel_ = false;
    startTimeMs = clock().nowMs();
    if (!EnsureOpen()) return false;
    if (env_.sink) env_.sink->started();
    return true;
}

void CProgrammer::EndOperation(bool result) {
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

bool CProgrammer::ReadDeviceId(std::uint8_t out[4]) {
    std::memset(out, 0, 4);
    return true;
}

bool CProgrammer::UpgradeFirmware(const std::uint8_t *, std::size_t) {
    if (env_.prompt)
        env_.prompt->ask(loadString(sid::NotAvailableInDisconnectMode), "", Prompt::Icon::Information);
    return true;
}

bool CProgrammer::CheckDeviceId() {
    if (!device || device->device_id[0] == 0) return true;
    std::uint8_t id[4] = {};
    {
        std::lock_guard lock(idMutex_);
        idCheck_ = {};
    }
    if (!ReadDeviceId(id)) return false;
    const bool matched = std::memcmp(id, device->device_id, 3) == 0;
    {
        std::lock_guard lock(idMutex_);
        idCheck_.read = true;
        idCheck_.matched = matched;
        std::memcpy(idCheck_.id, id, 4);
    }
    if (matched) return true;
    ShowMessage(sid::DeviceIdError, colour::Red, true);
    return false;  // the worker releases the device
}

std::string_view CProgrammer::progressText(int op, bool simulated) {
    const OperationInfo *info = operationInfo(op);
    if (!info) return {};
    if (simulated && info->op == Op::Protect) return kSimulatedProtectText;
    return info->inProgress;
}

std::string_view CProgrammer::successText(int op, bool simulated) {
    const OperationInfo *info = operationInfo(op);
    if (!info) return {};
    if (simulated && info->op == Op::Protect) return kSimulatedProtectDone;
    return info->successId ? loadString(info->successId) : info->successLiteral;
}

std::string CProgrammer::formatElapsed(std::uint64_t elapsedMs) {
    char text[64];
    std::snprintf(text, sizeof text, "Elapsed Time: %d.%2.2dS", int(elapsedMs / 1000), int(elapsedMs % 1000 / 10));
    return text;
}

bool CProgrammer::RunOperation(int op) {
    if (!disconnectMode()) {
        if (op >= kOpWriteCal && op <= kOpTest && op != kOpReadCal && !progressText(op, false).empty())
            ShowStatus(progressText(op, false));
        bool r = Execute(op);
        if (cancel_) {
            ShowMessage(sid::OperationCancelled, colour::Grey);
            r = false;
        }
        return r;
    }
    // No programmer: simulate the run with its texts and progress.
    if (op == kOpWriteCal || op == kOpReadCal) return true;
    const std::string_view text = progressText(op, true);
    if (!text.empty()) ShowStatus(text);
    int range = 0, steps = 50;
    if (op == kOpProgram) range = steps = 200;
    else if (op == kOpRead || op == kOpVerify || op == kOpBlank) range = steps = 100;
    SetProgressRange(range);
    for (int i = 0; i < steps; ++i) {
        clock().sleepMs(10);
        StepProgress();
        if (cancel_) {
            ShowMessage(sid::OperationCancelled, colour::DarkRed);
            return false;
        }
    }
    ShowMessage(successText(op, true), colour::Blue);
    return true;
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
