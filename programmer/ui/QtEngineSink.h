#pragma once
#include <QObject>
#include <QThread>

#include "programmer/EngineSink.h"

namespace vantor::ui {

// Delivers the engine's notices on the thread this object lives on (the window thread):
// every notice is sent (the worker waits until the window handled it), the result is posted.
class QtEngineSink : public QObject, public EngineSink {
    Q_OBJECT
public:
    explicit QtEngineSink(QObject *parent = nullptr) : QObject(parent) {}

    void started() override;
    void ended() override;
    void result(OperationResult result) override;
    void statusText(std::string_view text) override;
    void progressStep() override;
    void progressRange(int steps) override;
    void message(const MessageRecord &record) override;

signals:
    void operationStarted();
    void operationEnded();
    void operationResult(int result);
    void status(const QString &text);
    void step();
    void range(int steps);
    void messageLine(const QString &text, const QColor &colour, bool bold);

private:
    template <class F>
    void send(F &&f);
};

}  // namespace vantor::ui
