#pragma once
#include <QStringList>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "core/Profile.h"

class QTranslator;

namespace vantor {
class Application;
class DeviceLibrary;
}  // namespace vantor

namespace vantor::ui {

class MainWindow;
class QtPrompt;
class SimulatorControl;
class SoundPlayer;
class DeviceWatcher;

// The desktop program's command line.
struct StartOptions {
    bool showSplash = true;
    std::optional<std::string> simulate;  // model name; "" = TR610
    std::string simChip;
    unsigned simDelayUs = 2000;  // time a simulated data block takes, so progress can be seen
    bool help = false;
    bool quitWhenShown = false;
    std::string error;   // set when the command line cannot be used
    QStringList passOn;  // what a restart starts again with (before " -SP")
};
StartOptions parseStartOptions(const QStringList &arguments);
QString usageText();
// The system's language as a Windows language id (2052 for Chinese, PRC; else 1033).
int systemLanguageId();

// Start-up, run and shut-down of Vantor: settings, language, splash, connect, main window.
class DesktopApp {
public:
    // profile: the settings store; null = QSettings("TarvikTech", "Vantor").
    explicit DesktopApp(StartOptions options, Profile *profile = nullptr, std::filesystem::path programDirectory = {});
    ~DesktopApp();

    // Everything up to the main window shown; false when the command line was refused.
    bool startUp();
    // After the main window closed: settings saved, restart after a language change.
    void shutDown();
    int exec();  // startUp, the event loop, shutDown

    MainWindow *window() const { return window_.get(); }
    Application &app() { return *app_; }
    SimulatorControl *simulator() const { return simulator_; }
    Profile &profile() { return *profile_; }
    void setConnectDelay(int ms) { connectDelayMs_ = ms; }
    void setRestartEnabled(bool on) { restartEnabled_ = on; }
    bool restarted() const { return restarted_; }
    QStringList restartArguments() const;

private:
    void loadTranslation();

    StartOptions options_;
    std::unique_ptr<Profile> ownProfile_;
    Profile *profile_;
    std::filesystem::path programDirectory_;
    std::unique_ptr<QtPrompt> prompt_;
    std::unique_ptr<DeviceLibrary> library_;
    std::unique_ptr<SoundPlayer> sound_;
    std::unique_ptr<Application> app_;
    SimulatorControl *simulator_ = nullptr;
    DeviceWatcher *watcher_ = nullptr;
    std::unique_ptr<QTranslator> translator_, qtTranslator_;
    std::unique_ptr<MainWindow> window_;
    int connectDelayMs_ = 500;
    bool restartEnabled_ = true;
    bool restarted_ = false;
};

}  // namespace vantor::ui
