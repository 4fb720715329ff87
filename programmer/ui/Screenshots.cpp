// Renders the pictures of docs/screenshots/ on any Qt platform (offscreen in scripts/screenshots.sh):
// the main window after an Auto run, the progress dialog mid-run and every dialog (DialogTour).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>

#include "core/Version.h"
#include <QThread>
#include <cstdio>
#include <fstream>

#include "core/Profile.h"
#include "devices/DeviceLibrary.h"
#include "devices/DeviceInfo.h"
#include "devices/ui/DeviceInfoDialog.h"
#include "programmer/Application.h"
#include "programmer/Operations.h"
#include "programmer/ProgrammerModels.h"
#include "programmer/ui/ConnectDialog.h"
#include "programmer/ui/DesktopApp.h"
#include "programmer/ui/DialogTour.h"
#include "programmer/ui/MainWindow.h"
#include "programmer/ui/SimulatorControl.h"
#include "widgets/Splash.h"
#include "widgets/UiText.h"

using namespace vantor;
using namespace vantor::ui;

namespace {

bool waitFor(const std::function<bool()> &done, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

bool save(QWidget *w, const QString &file) {
    QApplication::processEvents();
    const bool ok = w->grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(file));
    return ok;
}

}  // namespace

int main(int argc, char *argv[]) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationVersion(QString::fromLatin1(vantor::kVersionText));
    if (argc < 4) {
        std::fprintf(stderr, "usage: vantor-screenshots OUTPUT-DIR en|zh SAMPLE.hex\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const bool chinese = QString::fromLatin1(argv[2]) == QLatin1String("zh");
    const std::string sample = argv[3];
    const QString suffix = chinese ? QStringLiteral("-zh") : QString();
    QDir().mkpath(out);

    MemoryProfile profile;
    profile.writeInt("System", "Language", chinese ? 1 : 0);
    profile.writeInt("System", "PGM83_MFG0", 10);
    profile.writeString("System", "PGM83_DEV0", "AT89S52");
    profile.writeInt("System", "PGM83_MFG1", 10);
    profile.writeString("System", "PGM83_DEV1", "AT89S51");
    profile.writeInt("System", "PGM83_MFG2", 48);
    profile.writeString("System", "PGM83_DEV2", "PIC16F84A");
    profile.writeInt("System", "CntSuccess", 41);
    profile.writeInt("System", "CntFailed", 2);
    StartOptions options =
        parseStartOptions({QStringLiteral("Vantor"), QStringLiteral("-SP"), QStringLiteral("--simulate")});
    options.simDelayUs = 0;
    DesktopApp app(options, &profile, executableDirectory());
    app.setRestartEnabled(false);
    if (!app.startUp()) return 1;
    MainWindow *w = app.window();
    w->resize(1000, 640);
    LoadSettings load;
    load.format = formatForLoad(sample);
    int failures = 0;
    if (!w->document().loadFile(sample, load).ok()) ++failures;
    w->refreshDevicePanel();
    w->runAuto();
    waitFor([&] { return !app.app().programmer()->isBusy() && !w->progressDialog(); });
    QApplication::processEvents();
    failures += !save(w, out + QStringLiteral("/main-window%1.png").arg(suffix));

    // Mid-run: a slow simulated programmer and a full chip.
    const std::string full = QDir::temp().filePath(QStringLiteral("vantor-shot-full.bin")).toStdString();
    std::ofstream(full, std::ios::binary) << std::string(8192, '\x5A');
    LoadSettings bin;
    w->document().loadFile(full, bin);
    w->refreshDevicePanel();
    app.app().operationOptions().IngoreFFH = 0;
    // The Auto run above protected the chip: erase it first, at full speed.
    w->runEntry(int(Op::Erase));
    waitFor([&] { return !app.app().programmer()->isBusy() && !w->progressDialog(); });
    app.simulator()->setBulkDelayUs(40000);
    w->runEntry(int(Op::Program));
    waitFor(
        [&] { return w->progressDialog() && w->progressDialog()->value() * 10 > w->progressDialog()->maximum() * 4; });
    if (ProgressDialog *p = w->progressDialog())
        failures += !save(p, out + QStringLiteral("/progress%1.png").arg(suffix));
    else {
        std::printf("FAILED progress: no dialog past 40%%\n");
        ++failures;
    }
    app.app().programmer()->Cancel();
    waitFor([&] { return !app.app().programmer()->isBusy() && !w->progressDialog(); });
    std::remove(full.c_str());
    w->document().loadFile(sample, load);  // the dialogs show the sample program

    if (!chinese) failures += !splashPicture().save(out + QStringLiteral("/splash.png"));
    // Every dialog, as a user opens it.
    const QStringList missing = tourDialogs(app, [&](QWidget *dialog, const QString &name) {
        failures += !save(dialog, out + QStringLiteral("/%1%2.png").arg(name, suffix));
    });
    for (const QString &name : missing) std::printf("FAILED %s: not opened\n", qPrintable(name));
    failures += int(missing.size());
    w->close();
    app.shutDown();
    return failures ? 1 : 0;
}
