#pragma once
// Helpers for Qt tests of the desktop program on the offscreen platform.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "core/Profile.h"
#include "programmer/ui/DesktopApp.h"

namespace vantor::test {

// Runs `act` on the next modal dialog as soon as it is shown (the caller then opens it).
inline void onNextModal(std::function<void(QWidget *)> act, int timeoutMs = 10000) {
    auto *timer = new QTimer;
    auto started = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, act, started, timeoutMs] {
        *started += 10;
        QWidget *w = QApplication::activeModalWidget();
        if (w && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        } else if (*started > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

inline void acceptNextModal() {
    onNextModal([](QWidget *w) { static_cast<QDialog *>(w)->accept(); });
}

inline void answerNextMessageBox(QMessageBox::StandardButton button) {
    onNextModal([button](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (box && box->button(button)) box->button(button)->click();
        else static_cast<QDialog *>(w)->reject();
    });
}

// A desktop program on a settings store of its own, started without splash window.
struct DesktopRig {
    explicit DesktopRig(bool simulate = true, const char *model = "") {
        QStringList args{QStringLiteral("Vantor"), QStringLiteral("-SP")};
        if (simulate) args << QStringLiteral("--simulate") + (*model ? QStringLiteral("=") + QLatin1String(model) : QString());
        options = ui::parseStartOptions(args);
        options.simDelayUs = 0;
    }
    bool start() {
        app = std::make_unique<ui::DesktopApp>(options, &profile, VANTOR_BIN_DIR);
        app->setConnectDelay(0);
        app->setRestartEnabled(false);
        return app->startUp();
    }
    ui::StartOptions options;
    MemoryProfile profile;
    std::unique_ptr<ui::DesktopApp> app;
};

}  // namespace vantor::test
