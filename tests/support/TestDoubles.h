#pragma once
#include <cstdio>
// Recording stand-ins for the platform interfaces, shared by the tests.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/InfoSink.h"
#include "core/Prompt.h"
#include "programmer/EngineSink.h"

namespace vantor::test {

class RecordingPrompt : public Prompt {
public:
    struct Shown {
        std::string text;
        Icon icon;
    };
    Answer ask(std::string_view text, std::string_view, Icon icon, Buttons) override {
        shown.push_back({std::string(text), icon});
        return answer;
    }
    std::vector<Shown> shown;
    Answer answer = Answer::Ok;
};

class RecordingInfoSink : public InfoSink {
public:
    struct Line {
        std::string text;
        Colour colour;
        bool bold;
    };
    void appendLine(std::string_view text, Colour colour, bool bold) override {
        lines.push_back({std::string(text), colour, bold});
    }
    std::vector<Line> lines;
};

// Keeps every notice in order; thread-safe because the worker calls it.
class RecordingEngineSink : public EngineSink {
public:
    struct Notice {
        int code;
        std::string text;
        Colour colour = 0;
        bool bold = false;
        int value = 0;
    };
    void started() override { add({1, {}}); }
    void ended() override { add({2, {}}); }
    void result(OperationResult r) override { add({4, {}, 0, false, int(r)}); }
    void statusText(std::string_view t) override { add({5, std::string(t)}); }
    void progressStep() override {
        std::lock_guard l(m_);
        ++steps;
        if (onStep) onStep(steps);
    }
    void progressRange(int n) override { add({7, {}, 0, false, n}); }
    void message(const MessageRecord &r) override { add({11, messageText(r), r.colour, r.bold}); }
    // Code 12 here: the buffer range an operation wrote, "first-last" in hex.
    void bufferChanged(std::uint32_t first, std::uint32_t last) override {
        char text[32];
        std::snprintf(text, sizeof text, "%X-%X", unsigned(first), unsigned(last));
        add({12, text});
    }

    std::vector<Notice> all() const {
        std::lock_guard l(m_);
        return notices;
    }
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto &n : all())
            if (n.code == 11) out.push_back(n.text);
        return out;
    }
    int resultValue() const {
        for (const auto &n : all())
            if (n.code == 4) return n.value;
        return 99;
    }
    int count(int code) const {
        int c = 0;
        for (const auto &n : all()) c += n.code == code;
        return c;
    }

    std::function<void(int)> onStep;
    int steps = 0;

private:
    void add(Notice n) {
        std::lock_guard l(m_);
        notices.push_back(std::move(n));
    }
    mutable std::mutex m_;
    std::vector<Notice> notices;
};

}  // namespace vantor::test
