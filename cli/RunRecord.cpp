#include "cli/RunRecord.h"

#include <cstdio>

namespace vantor::cli {

std::string colourName(Colour c) {
    switch (c) {
    case colour::Red: return "red";
    case colour::Blue: return "blue";
    case colour::Grey: return "grey";
    case colour::DarkRed: return "dark-red";
    case colour::LightGrey: return "light-grey";
    case colour::StatusPurple: return "purple";
    case colour::Black: return "black";
    default: break;
    }
    char text[16];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", redOf(c), greenOf(c), blueOf(c));
    return text;
}

std::string_view trimmedStatus(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

RunRecorder::RunRecorder(EngineSink *next, std::vector<int> operations) : ForwardingEngineSink(next) {
    for (int op : operations) steps_.push_back({op, "not run", {}});
}

void RunRecorder::started() {
    {
        std::lock_guard lock(mutex_);
        start_ = std::chrono::steady_clock::now();
        startedSeen_ = true;
    }
    ForwardingEngineSink::started();
}

void RunRecorder::ended() {
    {
        std::lock_guard lock(mutex_);
        end_ = std::chrono::steady_clock::now();
        endedSeen_ = true;
    }
    ForwardingEngineSink::ended();
}

void RunRecorder::result(OperationResult r) {
    {
        std::lock_guard lock(mutex_);
        result_ = r;
        if (current_ < steps_.size() && r != OperationResult::Success)
            steps_[current_].result = r == OperationResult::Cancelled ? "cancelled" : "failed";
    }
    ForwardingEngineSink::result(r);
}

void RunRecorder::statusText(std::string_view text) {
    {
        std::lock_guard lock(mutex_);
        const std::string t(trimmedStatus(text));
        status_ = t;
        RecordedMessage m{t, colour::StatusPurple, false, true};
        all_.push_back(m);
        if (current_ < steps_.size()) steps_[current_].messages.push_back(std::move(m));
        position_ = 0;
    }
    ForwardingEngineSink::statusText(text);
}

void RunRecorder::progressStep() {
    if (position_ < range_) ++position_;
    ForwardingEngineSink::progressStep();
}

void RunRecorder::progressRange(int steps) {
    range_ = steps;
    position_ = 0;
    ForwardingEngineSink::progressRange(steps);
}

void RunRecorder::message(const MessageRecord &record) {
    {
        std::lock_guard lock(mutex_);
        RecordedMessage m{messageText(record), record.colour, record.bold, false};
        while (!m.text.empty() && (m.text.back() == '\n' || m.text.back() == '\r')) m.text.pop_back();
        all_.push_back(m);
        if (current_ < steps_.size()) {
            steps_[current_].messages.push_back(std::move(m));
            if (record.colour == colour::Blue) steps_[current_++].result = "ok";
        }
    }
    ForwardingEngineSink::message(record);
}

std::optional<OperationResult> RunRecorder::outcome() const {
    std::lock_guard lock(mutex_);
    return result_;
}

std::vector<RecordedStep> RunRecorder::steps() const {
    std::lock_guard lock(mutex_);
    return steps_;
}

std::vector<RecordedMessage> RunRecorder::messages() const {
    std::lock_guard lock(mutex_);
    return all_;
}

std::uint64_t RunRecorder::elapsedMs() const {
    std::lock_guard lock(mutex_);
    if (!startedSeen_) return 0;
    const auto end = endedSeen_ ? end_ : std::chrono::steady_clock::now();
    return std::uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(end - start_).count());
}

int RunRecorder::percent() const {
    const int r = range_, p = position_;
    return r > 0 ? p * 100 / r : 0;
}

std::string RunRecorder::currentStatus() const {
    std::lock_guard lock(mutex_);
    return status_;
}

}  // namespace vantor::cli
