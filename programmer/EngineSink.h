#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/Colour.h"

namespace vantor {

// The message record handed with every message notice.
struct MessageRecord {
    bool fromResource = false;  // text is the string-table entry resourceId
    int resourceId = 0;
    std::string text;
    Colour colour = colour::Black;
    bool bold = false;
    int reserved = 0;
};

// Result values of the result notice.
enum class OperationResult { Cancelled = -1, Failure = 0, Success = 1 };

// Receives the engine's notices. Every call except result() is a "send": the worker
// waits until it returns, so the sink may read what it is given without copying.
// result() is a "post": an adapter to a window thread must queue it and return.
class EngineSink {
public:
    virtual ~EngineSink() = default;
    virtual void started() = 0;                             // code 1
    virtual void ended() = 0;                               // code 2
    virtual void result(OperationResult result) = 0;        // code 4 (posted)
    virtual void statusText(std::string_view text) = 0;     // code 5
    virtual void progressStep() = 0;                        // code 6
    virtual void progressRange(int steps) = 0;              // code 7
    virtual void message(const MessageRecord &record) = 0;  // code 11
    // Once at the end of an operation that wrote the buffer (a send, before the result):
    // the bytes [first, last] changed. The window passes it on to DataBuffer::notifyChanged.
    virtual void bufferChanged(std::uint32_t /*first*/, std::uint32_t /*last*/) {}

    // Runs the notices this sink has queued for the calling thread and answers whether it ran
    // any. A window adapter that delivers sends on the window thread implements it, so that
    // the window thread can wait for the engine (closing the program) without deadlock: the
    // engine calls it while it waits. Any other thread must get false and nothing run.
    virtual bool pumpPending() { return false; }
};

// Passes every notice on to `next` (may be null). A sink that watches a run on its way to
// another derives from it and overrides what it watches.
class ForwardingEngineSink : public EngineSink {
public:
    explicit ForwardingEngineSink(EngineSink *next = nullptr) : next_(next) {}
    void started() override {
        if (next_) next_->started();
    }
    void ended() override {
        if (next_) next_->ended();
    }
    void result(OperationResult r) override {
        if (next_) next_->result(r);
    }
    void statusText(std::string_view text) override {
        if (next_) next_->statusText(text);
    }
    void progressStep() override {
        if (next_) next_->progressStep();
    }
    void progressRange(int steps) override {
        if (next_) next_->progressRange(steps);
    }
    void message(const MessageRecord &record) override {
        if (next_) next_->message(record);
    }
    void bufferChanged(std::uint32_t first, std::uint32_t last) override {
        if (next_) next_->bufferChanged(first, last);
    }
    bool pumpPending() override { return next_ && next_->pumpPending(); }

protected:
    EngineSink *next_;
};

// The text a message record stands for.
std::string messageText(const MessageRecord &record);

}  // namespace vantor
