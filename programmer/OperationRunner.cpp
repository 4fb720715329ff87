#include "programmer/OperationRunner.h"

#include <cstring>
#include <vector>

namespace vantor {

std::string_view failureText(RunFailure failure) {
    switch (failure) {
    case RunFailure::None: return {};
    case RunFailure::Busy: return "another operation is running";
    case RunFailure::Failed: return "failed";
    case RunFailure::Cancelled: return "cancelled";
    }
    return {};
}

RunRequest RunRequest::autoList(const std::uint8_t items[kOperationListSize]) {
    RunRequest r;
    std::memcpy(r.autoItems.data(), items, r.autoItems.size());
    return r;
}

OperationRunner::OperationRunner(CProgrammer &engine, const EngineEnvironment &env, DataBuffer *buffer,
                                 DeviceRecord *device, const OptionsRecord *options)
    : engine_(engine) {
    wire(env, buffer, device, options);
}

void OperationRunner::wire(const EngineEnvironment &env, DataBuffer *buffer, DeviceRecord *device,
                           const OptionsRecord *options) {
    next_ = env.sink;
    EngineEnvironment wired = env;
    wired.sink = this;
    engine_.setEnvironment(wired);
    engine_.SetContext(buffer, device, options);
}

bool OperationRunner::start(const RunRequest &request) {
    if (engine_.isBusy()) return false;
    result_.reset();
    firstFailure_.clear();
    if (!(request.op ? engine_.StartOperation(*request.op) : engine_.StartAuto(request.autoItems.data()))) return false;
    started_ = true;
    return true;
}

OperationOutcome OperationRunner::wait(const std::atomic<bool> *cancel) {
    OperationRunner *self = this;
    OperationOutcome out;
    waitAll({&self, 1}, cancel, [&out](std::size_t, const OperationOutcome &o) { out = o; });
    return out;
}

OperationOutcome OperationRunner::run(const RunRequest &request, const std::atomic<bool> *cancel) {
    if (!start(request)) return {RunFailure::Busy, std::string(failureText(RunFailure::Busy))};
    return wait(cancel);
}

void OperationRunner::waitAll(std::span<OperationRunner *const> runners, const std::atomic<bool> *cancel,
                              const EndedRun &ended, const std::function<void()> &between) {
    std::vector<bool> running(runners.size());
    std::size_t left = 0;
    for (std::size_t i = 0; i < runners.size(); ++i) {
        running[i] = runners[i]->started_;
        if (running[i]) ++left;
        else ended(i, {RunFailure::Busy, std::string(failureText(RunFailure::Busy))});  // nothing was started
    }
    bool cancelled = false;
    while (left > 0) {
        if (cancel && *cancel && !cancelled) {
            for (std::size_t i = 0; i < runners.size(); ++i)
                if (running[i]) runners[i]->engine_.Cancel();
            cancelled = true;
        }
        // One engine is waited on for the slice, the others only looked at.
        unsigned slice = kWaitSliceMs;
        for (std::size_t i = 0; i < runners.size(); ++i) {
            if (!running[i]) continue;
            const bool idle = runners[i]->engine_.waitIdleFor(slice);
            slice = 0;
            if (!idle) continue;
            running[i] = false;
            --left;
            ended(i, runners[i]->collect());
        }
        if (between) between();
    }
}

OperationOutcome OperationRunner::collect() {
    started_ = false;
    const OperationResult r = result_.value_or(OperationResult::Failure);
    OperationOutcome out;
    out.failure = r == OperationResult::Success     ? RunFailure::None
                  : r == OperationResult::Cancelled ? RunFailure::Cancelled
                                                    : RunFailure::Failed;
    out.firstFailure = firstFailure_;
    return out;
}

void OperationRunner::result(OperationResult r) {
    result_ = r;
    ForwardingEngineSink::result(r);
}

void OperationRunner::message(const MessageRecord &record) {
    // Red is a failure; grey and dark red are the cancel's colours.
    const bool why = record.colour == colour::Red || record.colour == colour::Grey || record.colour == colour::DarkRed;
    if (firstFailure_.empty() && why) {
        firstFailure_ = messageText(record);
        while (!firstFailure_.empty() && (firstFailure_.back() == '\n' || firstFailure_.back() == '\r'))
            firstFailure_.pop_back();
    }
    ForwardingEngineSink::message(record);
}

}  // namespace vantor
