#pragma once
#include <QMainWindow>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "programmer/Document.h"
#include "programmer/ui/MainWindowDialogs.h"
#include "programmer/ui/ProgressDialog.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;
class QUrl;

namespace vantor {
class Application;
class DeviceLibrary;
}  // namespace vantor

namespace vantor::ui {

class DeviceWatcher;
class InfoView;
class InfoViewSink;
class QtEngineSink;
class SimulatorControl;

// Everything the main window needs from the program around it.
struct MainWindowContext {
    Application *app = nullptr;
    DeviceLibrary *library = nullptr;
    Prompt *prompt = nullptr;
    Profile *profile = nullptr;  // recent-file list
    MainWindowDialogs dialogs;
    SimulatorControl *simulator = nullptr;   // --simulate: the Simulator menu drives it
    DeviceWatcher *watcher = nullptr;        // arrival and removal of programmers
    std::filesystem::path programDirectory;  // the manual, Artbank
    int connectDelayMs = 500;
};

// "Vantor - TR600 Series MCU Development Kit": the device panel, the counters, the
// information window and every command of the program.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(MainWindowContext context, QWidget *parent = nullptr);
    ~MainWindow() override;

    Document &document() { return *doc_; }
    InfoView *infoView() const { return info_; }
    ProgressDialog *progressDialog() const { return progress_; }
    QAction *action(int commandId) const;
    QMenu *operateMenu() const { return operateMenu_; }
    QMenu *historyMenu() const { return historyMenu_; }
    QString infoBarModel() const;
    QString infoBarMode() const;
    bool restartRequested() const { return restart_; }
    // Opens the manual; false when no program could show it (the desktop's opener by default).
    void setUrlOpener(std::function<bool(const QUrl &)> opener) { openUrl_ = std::move(opener); }

    // After the window is shown: the connect state, or the connect dialog without a programmer.
    void start();

public slots:
    void loadFile(const QString &path);  // the Load File dialog on that file, then the load
    void saveFileAs(const QString &path);
    void reconnect();
    void selectDevice();
    void applyHistory(int entry);
    void showDeviceInfo();
    void runEntry(int op);  // an operation by number, as its "&Operate" entry would
    void runAuto();
    void resetCounters();
    void deviceArrived();
    void deviceRemoved();
    void setLanguage(Application::Language language);
    void refreshDevicePanel();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildActions();
    void buildMenus();
    void buildToolBar();
    void buildCentral();
    QGroupBox *buildDevicePanel(QWidget *parent);
    QGroupBox *buildStatisticsPanel(QWidget *parent);
    QGroupBox *buildOperationPanel(QWidget *parent);
    void rebuildOperate();
    void rebuildHistory();
    void rebuildRecent();
    void refreshCounters();
    void showConnectState(bool selectDevice);
    void setInfoBar(const ConnectState &state);
    void setCommandsEnabled(bool enabled);
    void operationStarted();
    void operationEnded();
    void operationResult(int result);
    QString loadedFileDirectory() const;  // where the file dialogs open
    void chooseAndLoad();
    void chooseAndSave();
    void editBuffer();
    void openConfig();
    void openSettings();
    void showContents();
    void showAbout();
    QAction *addCommand(int id, const QString &text, const QKeySequence &shortcut = {});

    MainWindowContext ctx_;
    InfoView *info_ = nullptr;
    std::unique_ptr<InfoViewSink> infoSink_;
    std::unique_ptr<Document> doc_;
    QtEngineSink *sink_ = nullptr;
    QPointer<ProgressDialog> progress_;
    std::map<int, QAction *> actions_;
    QMenu *operateMenu_ = nullptr;
    QMenu *historyMenu_ = nullptr;
    QMenu *deviceMenu_ = nullptr;
    static constexpr int kDeviceMenuFixedItems = 4;
    QMenu *recentMenu_ = nullptr;
    QComboBox *operationSelector_ = nullptr;
    QPushButton *runButton_ = nullptr;
    QPushButton *autoButton_ = nullptr;
    QLineEdit *vendor_ = nullptr, *device_ = nullptr, *size_ = nullptr, *pins_ = nullptr, *adapter_ = nullptr,
              *file_ = nullptr;
    QLabel *success_ = nullptr, *failure_ = nullptr;
    QLabel *barIcon_ = nullptr, *barModel_ = nullptr, *barMode_ = nullptr;
    QToolButton *languageButton_ = nullptr;
    bool restart_ = false;
    bool connecting_ = false;  // the connect dialog runs
    bool closeWhenIdle_ = false;
    std::function<bool(const QUrl &)> openUrl_;
};

}  // namespace vantor::ui
