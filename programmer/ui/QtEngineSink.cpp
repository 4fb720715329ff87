#include "programmer/ui/QtEngineSink.h"

#include <QColor>

#include "widgets/UiText.h"

namespace vantor::ui {

template <class F>
void QtEngineSink::send(F &&f) {
    if (QThread::currentThread() == thread()) f();
    else QMetaObject::invokeMethod(this, std::forward<F>(f), Qt::BlockingQueuedConnection);
}

void QtEngineSink::started() {
    send([this] { emit operationStarted(); });
}

void QtEngineSink::ended() {
    send([this] { emit operationEnded(); });
}

void QtEngineSink::result(OperationResult r) {
    QMetaObject::invokeMethod(this, [this, r] { emit operationResult(int(r)); }, Qt::QueuedConnection);
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
