#include "programmer/OperationRunner.h"

#include <cstring>

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
    if (!(request.op ? engine_.StartOperation(*request.op) : engine_.StartAuto(request.autoItems.data())))
        return false;
    started_ = true;
    return true;
}

OperationOutcome OperationRunner::wait(const std::atomic<bool> *cancel) {
    if (!started_) return {RunFailure::Busy, std::string(failureText(RunFailure::Busy))};  // nothing was started
    bool cancelled = false;
    while (!engine_.waitIdleFor(20))
        if (cancel && *cancel && !cancelled) {
            engine_.Cancel();
            cancelled = true;
        }
    started_ = false;
    const OperationResult r = result_.value_or(OperationResult::Failure);
    OperationOutcome out;
    out.failure = r == OperationResult::Success     ? RunFailure::None
                  : r == OperationResult::Cancelled ? RunFailure::Cancelled
                                                    : RunFailure::Failed;
    out.firstFailure = firstFailure_;
    return out;
}

OperationOutcome OperationRunner::run(const RunRequest &request, const std::atomic<bool> *cancel) {
    if (!start(request)) return {RunFailure::Busy, std::string(failureText(RunFailure::Busy))};
    return wait(cancel);
}

void OperationRunner::result(OperationResult r) {
    result_ = r;
    ForwardingEngineSink::result(r);
}

void OperationRunner::message(const MessageRecord &record) {
    if (firstFailure_.empty() && record.colour == colour::Red) firstFailure_ = messageText(record);
    ForwardingEngineSink::message(record);
}

}  // namespace vantor
