#pragma once
#include <QObject>
#include <QThread>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

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
    void bufferChanged(std::uint32_t first, std::uint32_t last) override;
    // On the window thread: runs the notices workers wait on (the engine calls it while the
    // window thread waits for it). Elsewhere: false.
    bool pumpPending() override;

signals:
    void operationStarted();
    void operationEnded();
    void operationResult(int result);
    void status(const QString &text);
    void step();
    void range(int steps);
    void messageLine(const QString &text, const QColor &colour, bool bold);
    void bufferWritten(std::uint32_t first, std::uint32_t last);

private:
    struct Pending;
    // A worker's notice runs on this object's thread while the worker waits for it.
    void send(std::function<void()> notice);
    bool drain();

    std::mutex mutex_;
    std::deque<std::shared_ptr<Pending>> pending_;
};

}  // namespace vantor::ui
