#include "programmer/ui/DesktopApp.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLibraryInfo>
#include <QLocale>
#include <QProcess>
#include <QThread>
#include <QTranslator>

#include "devices/DeviceLibrary.h"
#include "programmer/Application.h"
#include "programmer/CUsbProgrammer.h"
#include "programmer/ProgrammerModels.h"
#include "programmer/ui/MainWindow.h"
#include "programmer/ui/QSettingsProfile.h"
#include "programmer/ui/QtServices.h"
#include "programmer/ui/SimulatorControl.h"
#include "widgets/Splash.h"
#include "widgets/UiText.h"

namespace vantor::ui {

namespace {

// Keeps the splash window up for its pause while it still paints.
void splashPause(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

}  // namespace

StartOptions parseStartOptions(const QStringList &arguments) {
    StartOptions o;
    std::vector<std::string> plain;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString a = arguments[i];
        if (a == QLatin1String("--simulate") || a.startsWith(QLatin1String("--simulate="))) {
            const QString model = a.section(QLatin1Char('='), 1);
            if (!model.isEmpty() && !findModelByName(toUtf8(model))) {
                o.error = "--simulate: unknown model " + toUtf8(model) + " (TR610, TR620 or EMX31B)";
                return o;
            }
            o.simulate = toUtf8(model);
            o.passOn << a;
        } else if (a == QLatin1String("--sim-chip") || a.startsWith(QLatin1String("--sim-chip="))) {
            QString file = a.section(QLatin1Char('='), 1);
            if (a == QLatin1String("--sim-chip")) {
                if (i + 1 >= arguments.size()) {
                    o.error = "--sim-chip needs a file name";
                    return o;
                }
                file = arguments[++i];
            }
            o.simChip = toUtf8(file);
            o.passOn << QStringLiteral("--sim-chip") << file;
        } else if (a.startsWith(QLatin1String("--sim-delay-us="))) {
            bool ok = false;
            const unsigned v = a.section(QLatin1Char('='), 1).toUInt(&ok);
            if (!ok || v > 1000000) {
                o.error = "--sim-delay-us: expected microseconds up to 1000000";
                return o;
            }
            o.simDelayUs = v;
            o.passOn << a;
        } else if (a == QLatin1String("--quit-when-shown")) {
            o.quitWhenShown = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else {
            plain.push_back(toUtf8(a));
            // Qt's own options (-style, -platform ...) pass through; SP is not passed on twice.
            const QString bare = a.mid(a.startsWith(QLatin1Char('-')) || a.startsWith(QLatin1Char('/')) ? 1 : 0);
            if (bare.compare(QLatin1String("SP"), Qt::CaseInsensitive) != 0) o.passOn << a;
        }
    }
    o.showSplash = Application::splashWanted(plain);
    if (!o.simChip.empty() && !o.simulate) o.error = "--sim-chip goes with --simulate";
    return o;
}

QString usageText() {
    return QStringLiteral("Usage: Vantor [-SP] [--simulate[=TR610|TR620|EMX31B]] [--sim-chip FILE] [--sim-delay-us=N]\n"
                          "  -SP, /sp          start without the splash window\n"
                          "  --version         print the program's version and end\n"
                          "  --simulate        work with the built-in TR600 simulator instead of a programmer on USB;\n"
                          "                    its Simulator menu plugs and unplugs it\n"
                          "  --sim-chip FILE   keep the simulated chip's contents in FILE between runs\n"
                          "  --sim-delay-us=N  time one simulated data block takes (default 2000)\n"
                          "  --quit-when-shown end as soon as the main window is up (start-up benchmark)\n");
}

int systemLanguageId() {
    const QLocale l = QLocale::system();
    return l.language() == QLocale::Chinese && l.territory() == QLocale::China ? 2052 : 1033;
}

DesktopApp::DesktopApp(StartOptions options, Profile *profile, std::filesystem::path programDirectory)
    : options_(std::move(options)), profile_(profile), programDirectory_(std::move(programDirectory)) {
    if (!profile_) {
        ownProfile_ = std::make_unique<QSettingsProfile>();
        profile_ = ownProfile_.get();
    }
    if (programDirectory_.empty()) programDirectory_ = executableDirectory();
}

DesktopApp::~DesktopApp() {
    window_.reset();
    app_.reset();
}

QStringList DesktopApp::restartArguments() const { return QStringList(options_.passOn) << QStringLiteral("-SP"); }

void DesktopApp::loadTranslation() {
    if (!app_->isChinese()) return;
    translator_ = std::make_unique<QTranslator>();
    const QString dir = fromUtf8((programDirectory_ / "translations").string());
    // A missing translation leaves the English texts in force.
    if (translator_->load(QStringLiteral("vantor_zh_CN"), dir)) QCoreApplication::installTranslator(translator_.get());
    else translator_.reset();
    qtTranslator_ = std::make_unique<QTranslator>();
    if (qtTranslator_->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTranslator_.get());
    else qtTranslator_.reset();
}

bool DesktopApp::startUp() {
    if (!options_.error.empty()) return false;
    std::unique_ptr<Splash> splash;
    if (options_.showSplash) {
        splash = std::make_unique<Splash>();
        splash->show();
        splash->setText(QStringLiteral("Load Settings..."));
        splashPause(500);
    }
    prompt_ = std::make_unique<QtPrompt>();
    library_ = std::make_unique<DeviceLibrary>(*prompt_);
    library_->setLibraryDirectory(programDirectory_);
    sound_ = std::make_unique<SoundPlayer>();
    if (options_.simulate) {
        const ProgrammerModel *m = options_.simulate->empty() ? nullptr : findModelByName(*options_.simulate);
        simulator_ = new SimulatorControl(m ? m->code : kModelTR610, options_.simChip);
        simulator_->setBulkDelayUs(options_.simDelayUs);
        watcher_ = simulator_;
    } else {
        watcher_ = new UsbDeviceWatcher;
    }
    Application::Services services;
    services.profile = profile_;
    services.library = library_.get();
    SimulatorControl *sim = simulator_;
    services.makeProgrammer = [sim]() -> std::unique_ptr<CProgrammer> {
        if (sim) return std::make_unique<CUsbProgrammer>(sim->backend());
        return std::make_unique<CUsbProgrammer>();
    };
    SoundPlayer *sound = sound_.get();
    services.playSound = [sound](const std::filesystem::path &f, bool fallback) { sound->play(f, fallback); };
    services.programDirectory = programDirectory_;
    services.systemLanguageId = systemLanguageId();
    app_ = std::make_unique<Application>(services);
    app_->LoadSettings();
    loadTranslation();

    if (splash) {
        splash->setText(QStringLiteral("Initializing Programmer ... "));
        splashPause(500);
    }
    const int model = app_->ConnectAtStartup();
    if (model != -1) app_->SelectModel(model, true);
    if (splash) splash->close();

    MainWindowContext ctx;
    ctx.app = app_.get();
    ctx.library = library_.get();
    ctx.prompt = prompt_.get();
    ctx.profile = profile_;
    ctx.dialogs = standardDialogs();
    ctx.simulator = simulator_;
    ctx.watcher = watcher_;
    ctx.programDirectory = programDirectory_;
    ctx.connectDelayMs = connectDelayMs_;
    window_ = std::make_unique<MainWindow>(std::move(ctx));
    window_->setWindowIcon(QApplication::windowIcon());
    if (simulator_) simulator_->setParent(window_.get());
    else watcher_->setParent(window_.get());
    prompt_->setParent(window_.get());
    window_->show();
    window_->start();
    if (options_.quitWhenShown) QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    return true;
}

void DesktopApp::shutDown() {
    if (!app_) return;
    if (CProgrammer *p = app_->programmer()) p->waitIdle();
    if (simulator_) simulator_->saveChip();
    const bool restart = window_ && window_->restartRequested();
    app_->SaveSettings();
    if (auto *qs = dynamic_cast<QSettingsProfile *>(profile_)) qs->sync();
    window_.reset();
    simulator_ = nullptr;
    if (restart && restartEnabled_) {
        restarted_ = QProcess::startDetached(QCoreApplication::applicationFilePath(), restartArguments());
    }
}

int DesktopApp::exec() {
    if (!startUp()) return 2;
    const int code = QApplication::exec();
    shutDown();
    return code;
}

}  // namespace vantor::ui
