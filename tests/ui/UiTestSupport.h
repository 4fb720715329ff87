#pragma once
// Helpers for Qt tests of the desktop program on the offscreen platform.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

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
        if (simulate)
            args << QStringLiteral("--simulate") + (*model ? QStringLiteral("=") + QLatin1String(model) : QString());
        options = ui::parseStartOptions(args);
        options.simDelayUs = 0;
    }
    // History entry `entry` of the simulated model (0 is selected at start).
    void remember(int vendor, const std::string &device, int entry = 0) {
        profile.writeInt("System", "PGM83_MFG" + std::to_string(entry), vendor);
        profile.writeString("System", "PGM83_DEV" + std::to_string(entry), device);
    }
    bool start() {
        app = std::make_unique<ui::DesktopApp>(options, &profile, programDirectory());
        app->setConnectDelay(0);
        app->setRestartEnabled(false);
        return app->startUp();
    }
    // The build tree's program files, linked, with a chip.set of this rig's own: what one test
    // remembers must not reach another.
    std::filesystem::path programDirectory() {
        namespace fs = std::filesystem;
        if (programDir_.path.empty()) {
            QTemporaryDir made;
            made.setAutoRemove(false);
            programDir_.path = fs::path(made.path().toStdString());
            for (const auto &e : fs::directory_iterator(VANTOR_BIN_DIR))
                if (e.path().filename() != "chip.set")
                    fs::create_symlink(e.path(), programDir_.path / e.path().filename());
            if (fs::exists(fs::path(VANTOR_BIN_DIR) / "chip.set"))
                fs::copy_file(fs::path(VANTOR_BIN_DIR) / "chip.set", programDir_.path / "chip.set");
        }
        return programDir_.path;
    }
    ui::StartOptions options;
    MemoryProfile profile;
    struct LinkedDir {
        std::filesystem::path path;
        ~LinkedDir() {  // remove_all takes the links away, never what they point at
            std::error_code ec;
            if (!path.empty()) std::filesystem::remove_all(path, ec);
        }
    } programDir_;
    std::unique_ptr<ui::DesktopApp> app;
};

}  // namespace vantor::test
