#include "programmer/ui/QtEngineSink.h"

#include <QColor>
#include <future>

#include "widgets/UiText.h"

namespace vantor::ui {

struct QtEngineSink::Pending {
    std::function<void()> notice;
    std::promise<void> done;
};

void QtEngineSink::send(std::function<void()> notice) {
    if (QThread::currentThread() == thread()) {
        notice();
        return;
    }
    auto p = std::make_shared<Pending>();
    p->notice = std::move(notice);
    std::future<void> done = p->done.get_future();
    {
        std::lock_guard lock(mutex_);
        pending_.push_back(p);
    }
    QMetaObject::invokeMethod(
        this, [this] { drain(); }, Qt::QueuedConnection);
    done.wait();
}

bool QtEngineSink::drain() {
    bool ran = false;
    for (;;) {
        std::shared_ptr<Pending> p;
        {
            std::lock_guard lock(mutex_);
            if (pending_.empty()) break;
            p = pending_.front();
            pending_.pop_front();
        }
        p->notice();
        p->done.set_value();
        ran = true;
    }
    return ran;
}

bool QtEngineSink::pumpPending() {
    if (QThread::currentThread() != thread()) return false;
    return drain();
}

void QtEngineSink::bufferChanged(std::uint32_t first, std::uint32_t last) {
    send([this, first, last] { emit bufferWritten(first, last); });
}

void QtEngineSink::started() {
    send([this] { emit operationStarted(); });
}

void QtEngineSink::ended() {
    send([this] { emit operationEnded(); });
}

void QtEngineSink::result(OperationResult r) {
    QMetaObject::invokeMethod(
        this, [this, r] { emit operationResult(int(r)); }, Qt::QueuedConnection);
}

void QtEngineSink::statusText(std::string_view text) {
    const QString t = uiText(text);
    send([this, &t] { emit status(t); });
}

void QtEngineSink::progressStep() {
    send([this] { emit step(); });
}

void QtEngineSink::progressRange(int steps) {
    send([this, steps] { emit range(steps); });
}

void QtEngineSink::message(const MessageRecord &record) {
    // A string id the table does not hold ends the handling.
    const std::string text = messageText(record);
    if (record.fromResource && text.empty()) return;
    const QString t = uiText(text) + QStringLiteral("\n");
    const QColor c = toQColor(record.colour);
    const bool bold = record.bold;
    send([this, &t, &c, bold] { emit messageLine(t, c, bold); });
}

}  // namespace vantor::ui
