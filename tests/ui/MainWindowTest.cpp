#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QToolBar>
#include <QToolButton>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QUrl>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <filesystem>
#include <fstream>
#include <thread>

#include "buffer/DataFile.h"
#include "devices/DeviceLibrary.h"
#include "devices/DeviceTables.h"
#include "programmer/Application.h"
#include "programmer/ui/ConnectDialog.h"
#include "programmer/ui/MainWindow.h"
#include "programmer/ui/SimulatorControl.h"
#include "tests/support/TestDoubles.h"
#include "tests/ui/UiTestSupport.h"
#include "widgets/InfoView.h"

using namespace vantor;
using namespace vantor::test;

namespace {

const std::filesystem::path kSample = std::filesystem::path(VANTOR_SOURCE_DIR) / "data/samples/blink.hex";

QString infoText(ui::MainWindow *w) { return w->infoView()->toPlainText(); }

// Colour of the last non-empty line of the information window that contains `text`.
QColor lineColour(ui::MainWindow *w, const QString &text) {
    QTextDocument *doc = w->infoView()->document();
    for (QTextBlock b = doc->lastBlock(); b.isValid(); b = b.previous())
        if (b.text().contains(text)) return b.begin().fragment().charFormat().foreground().color();
    return {};
}

void waitIdle(ui::DesktopApp &app) {
    QTRY_VERIFY_WITH_TIMEOUT(!app.app().programmer()->isBusy(), 20000);
    QTRY_VERIFY(!app.window()->progressDialog());
    QCoreApplication::processEvents();  // the posted result
}

void loadThroughDialog(ui::MainWindow *w, const std::filesystem::path &file) {
    acceptNextModal();
    w->loadFile(QString::fromStdString(file.string()));
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QApplication::setQuitOnLastWindowClosed(false); }

    void startWithoutProgrammerAsksToConnectThenDisconnectModeWithSecondModel() {
        DesktopRig rig(false);
        QString title;
        onNextModal([&](QWidget *d) {
            title = d->windowTitle();
            if (auto *second = d->findChild<QRadioButton *>(QStringLiteral("model85"))) second->setChecked(true);
            d->findChild<QAbstractButton *>(QStringLiteral("disconnectModeButton"))->click();
        });
        QVERIFY(rig.start());
        QTRY_COMPARE(title, QStringLiteral("Failed to connect programmer"));
        ui::MainWindow *w = rig.app->window();
        QTRY_COMPARE(w->infoBarMode(), QStringLiteral("Disconnect mode"));
        QCOMPARE(w->infoBarModel(), QStringLiteral("TD620 MCU Development Kit"));
        QCOMPARE(QString::fromStdString(w->document().library().path().filename().string()),
                 QStringLiteral("TR620.dev"));
        QVERIFY(infoText(w).contains(QStringLiteral("Disconnect mode, Programmer Model: TD620 MCU Development Kit")));
        QVERIFY2(w->document().hasDevice(), "the model history selects a device");

        // Operations are refused with the teal line, and nothing runs.
        w->runEntry(0);
        const QString refused = QStringLiteral("This function is not available, if programmer runs in disconnect mode");
        QVERIFY(infoText(w).contains(refused));
        QCOMPARE(lineColour(w, refused), QColor(0, 0x80, 0x80));
        QVERIFY(!w->progressDialog());
        w->runAuto();
        QCOMPARE(infoText(w).count(refused), 2);
        QCOMPARE(rig.app->app().failureCount(), 0);
    }

    void unplugGoesOfflineAndOnlyTheSameModelComesBack() {
        DesktopRig rig;
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        QCOMPARE(w->infoBarMode(), QStringLiteral("Online Mode"));
        // About names the connected programmer's firmware and serial number, and only while online.
        const auto aboutText = [w] {
            QString text;
            onNextModal([&text](QWidget *box) {
                text = static_cast<QMessageBox *>(box)->text();
                static_cast<QMessageBox *>(box)->accept();
            });
            w->action(cmd::About)->trigger();
            return text;
        };
        QVERIFY(aboutText().contains(QStringLiteral("Firmware version V1.23<br>Serial number 20240917")));
        ui::SimulatorControl *sim = rig.app->simulator();
        sim->unplug();
        QCOMPARE(w->infoBarMode(), QStringLiteral("Disconnect mode"));
        QVERIFY(rig.app->app().isDisconnected());
        QVERIFY(aboutText().contains(QStringLiteral("No programmer connected")));
        sim->plug(0x85);  // another model on the port: stays offline, and says so
        QCOMPARE(w->infoBarMode(), QStringLiteral("Disconnect mode"));
        QVERIFY(infoText(w).contains(QStringLiteral("A TD620 MCU Development Kit was plugged in, but the TD610 MCU "
                                                    "Development Kit is selected: use Programmer > Reconnect")));
        sim->plug(0x83);
        QCOMPARE(w->infoBarMode(), QStringLiteral("Online Mode"));
        QVERIFY(!rig.app->app().isDisconnected());

        // The simulator menu exists only when simulating; its entries do the same.
        QAction *unplug = w->findChild<QAction *>(QStringLiteral("simUnplug"));
        QVERIFY(unplug);
        unplug->trigger();
        QCOMPARE(w->infoBarMode(), QStringLiteral("Disconnect mode"));
    }

    void aProgrammerPluggedInDuringTheConnectIsLeftToTheDialog() {
        DesktopRig rig;
        rig.app = std::make_unique<ui::DesktopApp>(rig.options, &rig.profile, rig.programDirectory());
        rig.app->setConnectDelay(400);  // the worker waits: the plug lands inside the connect
        rig.app->setRestartEnabled(false);
        QVERIFY(rig.app->startUp());
        ui::MainWindow *w = rig.app->window();
        Application &app = rig.app->app();
        ui::SimulatorControl *sim = rig.app->simulator();
        sim->unplug();
        QVERIFY(app.isDisconnected());
        const CProgrammer *before = app.programmer();
        bool pluggedWhileConnecting = false;
        onNextModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<ui::ConnectDialog *>(modal);
            if (!dialog) return static_cast<QDialog *>(modal)->reject();
            QVERIFY(dialog->connecting());
            sim->plug(0x83);
            QCoreApplication::processEvents();
            // The window's programmer is not touched while the dialog's worker connects.
            pluggedWhileConnecting = dialog->connecting() && app.isDisconnected() && app.programmer() == before;
        });
        w->action(cmd::Reconnect)->trigger();
        QVERIFY(pluggedWhileConnecting);
        QCOMPARE(w->infoBarMode(), QStringLiteral("Online Mode"));
        QVERIFY(app.programmer() != before);
        w->runEntry(1);  // Read through the connection the dialog made
        waitIdle(*rig.app);
        QCOMPARE(app.successCount(), 1);
    }

    void endToEndAutoOnTheSimulatorThroughTheHistory() {
        DesktopRig rig;
        rig.profile.writeInt("System", "PGM83_MFG0", 10);
        rig.profile.writeString("System", "PGM83_DEV0", "AT89S51");
        rig.profile.writeInt("System", "PGM83_MFG1", 10);
        rig.profile.writeString("System", "PGM83_DEV1", "AT89S52");
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        QCOMPARE(w->document().device().device_name, std::string("AT89S51"));
        QAction *history = w->historyMenu()->findChild<QAction *>(QStringLiteral("history1"));
        QVERIFY(history);
        history->trigger();
        QCOMPARE(std::string(w->document().device().device_name), std::string("AT89S52"));
        QCOMPARE(w->findChild<QLineEdit *>(QStringLiteral("deviceField"))->text(), QStringLiteral("AT89S52"));
        QCOMPARE(w->findChild<QLineEdit *>(QStringLiteral("sizeField"))->text(), QStringLiteral("8K Bytes"));

        loadThroughDialog(w, kSample);
        QVERIFY(infoText(w).contains(QStringLiteral("Load File Successful")));
        QCOMPARE(w->findChild<QLineEdit *>(QStringLiteral("fileField"))->text(),
                 QString::fromStdString(kSample.string()));

        const int before = rig.app->app().successCount();
        w->action(cmd::AutoProgram)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(infoText(w).contains(QStringLiteral("Program successful")), 20000);
        waitIdle(*rig.app);
        QCOMPARE(rig.app->app().successCount(), before + 1);
        QCOMPARE(w->findChild<QLabel *>(QStringLiteral("successCount"))->text(), QString::number(before + 1));
        QVERIFY(w->menuBar()->isEnabled());

        QTemporaryDir dir;
        const QString saved = dir.filePath(QStringLiteral("out.bin"));
        acceptNextModal();
        w->saveFileAs(saved);
        QVERIFY(infoText(w).contains(QStringLiteral("Save file successful")));
        DataBuffer expected;
        RecordingInfoSink sink;
        LoadSettings s;
        s.format = FileFormat::IntelHex;
        QVERIFY(loadFile(kSample, expected, s, sink).ok());
        std::ifstream in(saved.toStdString(), std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
        QCOMPARE(bytes.size(), std::size_t(8192));
        QVERIFY(std::equal(bytes.begin(), bytes.end(), reinterpret_cast<const char *>(expected.data())));
        // The chip in the simulator's socket holds the program too.
        QCOMPARE(rig.app->simulator()->chip()->read(0, 0), expected[0]);
    }

    void historyEntriesFollowTheFourDeviceMenuItemsAndFillTheDeviceButton() {
        DesktopRig rig;
        const char *devices[] = {"AT89S51", "AT89S52", "AT89C2051"};
        for (int i = 0; i < 3; ++i) rig.remember(10, devices[i], i);
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        auto *deviceMenu = w->findChild<QMenu *>(QStringLiteral("deviceMenu"));
        QVERIFY(deviceMenu);
        const auto texts = [](QMenu *menu, int from) {
            QStringList out;
            for (int i = from; i < menu->actions().size(); ++i) out << menu->actions()[i]->text();
            return out;
        };
        QCOMPARE(deviceMenu->actions().size(), 6);
        QVERIFY(deviceMenu->actions()[3]->isSeparator());
        const QStringList entries{QStringLiteral("&1 ATMEL - AT89S52"), QStringLiteral("&2 ATMEL - AT89C2051")};
        QCOMPARE(texts(deviceMenu, 4), entries);
        QCOMPARE(texts(w->historyMenu(), 0), entries);
        deviceMenu->actions()[5]->trigger();
        QCOMPARE(std::string(w->document().device().device_name), std::string("AT89C2051"));
        QCOMPARE(texts(deviceMenu, 4),
                 (QStringList{QStringLiteral("&1 ATMEL - AT89S51"), QStringLiteral("&2 ATMEL - AT89S52")}));

        // Fewer than two entries: one inert, disabled "History Device".
        DesktopRig fresh;
        QVERIFY(fresh.start());
        for (QMenu *menu : {fresh.app->window()->findChild<QMenu *>(QStringLiteral("deviceMenu")),
                            fresh.app->window()->historyMenu()}) {
            QAction *last = menu->actions().last();
            QCOMPARE(last->text(), QStringLiteral("History Device"));
            QVERIFY(!last->isEnabled());
        }
        QCOMPARE(fresh.app->window()->findChild<QMenu *>(QStringLiteral("deviceMenu"))->actions().size(), 5);
    }

    void programReloadsAFileAnotherProgramChanged() {
        DesktopRig rig;
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        QTemporaryDir dir;
        const std::filesystem::path file = dir.filePath(QStringLiteral("code.bin")).toStdString();
        std::ofstream(file, std::ios::binary) << std::string(16, '\x11');
        loadThroughDialog(w, file);
        QCOMPARE(w->document().buffer()[0], std::uint8_t(0x11));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::ofstream(file, std::ios::binary) << std::string(16, '\x22');
        std::filesystem::last_write_time(file, std::filesystem::last_write_time(file) + std::chrono::seconds(2));
        w->runEntry(0);
        QVERIFY(infoText(w).contains(QStringLiteral("The file has been modified by other application, Reload:")));
        QCOMPARE(w->document().buffer()[0], std::uint8_t(0x22));
        waitIdle(*rig.app);
        QVERIFY(infoText(w).contains(QStringLiteral("Program successful")));
    }

    void selectingADeviceFillsTheBufferAndForgetsTheFile() {
        DesktopRig rig;
        rig.profile.writeInt("System", "PGM83_MFG1", 10);
        rig.profile.writeString("System", "PGM83_DEV1", "AT89S52");
        rig.profile.writeInt("System", "PGM83_MFG0", 10);
        rig.profile.writeString("System", "PGM83_DEV0", "AT89S51");
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        loadThroughDialog(w, kSample);
        QVERIFY(w->document().buffer()[0] != 0xFF);
        w->applyHistory(1);
        QVERIFY(std::all_of(w->document().buffer().data(), w->document().buffer().data() + 0x10000,
                            [](std::uint8_t b) { return b == 0xFF; }));
        QVERIFY(w->findChild<QLineEdit *>(QStringLiteral("fileField"))->text().isEmpty());
        QVERIFY(!w->document().loadedFile());
    }

    void readConfigEntryDoesNothing() {
        DesktopRig rig;
        rig.profile.writeInt("System", "PGM83_MFG0", 48);
        rig.profile.writeString("System", "PGM83_DEV0", "PIC16F84A");
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        QCOMPARE(std::string(w->document().device().device_name), std::string("PIC16F84A"));
        QAction *readConfig = w->operateMenu()->findChild<QAction *>(QStringLiteral("operate11"));
        QVERIFY(readConfig);
        QCOMPARE(readConfig->text(), QStringLiteral("Read Config(&F)"));
        const QString before = infoText(w);
        readConfig->trigger();
        QCoreApplication::processEvents();
        QVERIFY(!rig.app->app().programmer()->isBusy());
        QVERIFY(!w->progressDialog());
        QCOMPARE(infoText(w), before);
        QVERIFY(w->operateMenu()->findChild<QAction *>(QStringLiteral("operate0")));
    }

    void resetAsksAndClearsTheCounters() {
        DesktopRig rig;
        rig.profile.writeInt("System", "CntSuccess", 7);
        rig.profile.writeInt("System", "CntFailed", 3);
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        auto *success = w->findChild<QLabel *>(QStringLiteral("successCount"));
        QCOMPARE(success->text(), QStringLiteral("7"));
        answerNextMessageBox(QMessageBox::No);
        w->resetCounters();
        QCOMPARE(success->text(), QStringLiteral("7"));
        answerNextMessageBox(QMessageBox::Yes);
        w->findChild<QAbstractButton *>(QStringLiteral("resetButton"))->click();
        QCOMPARE(success->text(), QStringLiteral("0"));
        QCOMPARE(w->findChild<QLabel *>(QStringLiteral("failureCount"))->text(), QStringLiteral("0"));
    }

    // A Write Fuse that would disable the reset pin asks first, naming the bit; No leaves the
    // chip alone, Yes writes it, and the same configuration is not asked about again.
    void writingALockOutFuseAsksOnceNamingTheBit() {
        DesktopRig rig;
        rig.remember(10, "ATmega328P");
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        Document &doc = w->document();
        QCOMPARE(std::string(doc.device().device_name), std::string("ATmega328P"));
        QVERIFY(doc.device().configReady);
        const auto fusesBefore = rig.app->simulator()->chip()->fuses;
        doc.device().config_data[1] &= 0x7F;  // RSTDISBL programmed

        auto answer = [](QMessageBox::StandardButton button, QString *text) {
            onNextModal([button, text](QWidget *box) {
                *text = static_cast<QMessageBox *>(box)->text();
                static_cast<QMessageBox *>(box)->button(button)->click();
            });
        };
        QString asked;
        answer(QMessageBox::No, &asked);
        QVERIFY(!doc.runOperation(Op::WriteFuse));
        QVERIFY(asked.contains(QStringLiteral("RSTDISBL")));
        QVERIFY(asked.contains(QStringLiteral("high-voltage programmer")));
        QVERIFY(rig.app->simulator()->chip()->fuses == fusesBefore);

        asked.clear();
        answer(QMessageBox::Yes, &asked);
        QVERIFY(doc.runOperation(Op::WriteFuse));
        QVERIFY(!asked.isEmpty());
        waitIdle(*rig.app);
        QCOMPARE(int(rig.app->simulator()->chip()->fuses[1]), int(doc.device().config_data[1]));

        // Asked once: the next write of the same choices starts at once.
        QVERIFY(doc.runOperation(Op::WriteFuse));
        waitIdle(*rig.app);
        QVERIFY(infoText(w).contains(QStringLiteral("Write fuse completed")));

        // Other choices are a new question: programming DWEN as well asks again, and No keeps the chip.
        doc.device().config_data[1] &= 0xBF;
        const auto fusesConfirmed = rig.app->simulator()->chip()->fuses;
        asked.clear();
        answer(QMessageBox::No, &asked);
        QVERIFY(!doc.runOperation(Op::WriteFuse));
        QVERIFY(asked.contains(QStringLiteral("DWEN")));
        QVERIFY(rig.app->simulator()->chip()->fuses == fusesConfirmed);
    }

    void languageChangeSavesAndRestartsWithoutSplash() {
        DesktopRig rig;
        rig.profile.writeInt("System", "Language", 0);
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        w->action(cmd::Chinese)->trigger();
        QTRY_VERIFY(!w->isVisible());
        QVERIFY(w->restartRequested());
        rig.app->shutDown();
        QCOMPARE(rig.profile.readInt("System", "Language", -1), 1);
        const QStringList args = rig.app->restartArguments();
        QCOMPARE(args.last(), QStringLiteral("-SP"));
        QVERIFY(args.contains(QStringLiteral("--simulate")));
        QCOMPARE(args.count(QStringLiteral("-SP")), 1);
    }

    void unplugWhileProgrammingCountsAFailureAndFreesTheWindow() {
        DesktopRig rig;
        rig.options.simDelayUs = 20000;
        rig.profile.writeInt("System", "PGM83_MFG0", 10);
        rig.profile.writeString("System", "PGM83_DEV0", "AT89S52");
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        QTemporaryDir dir;
        const std::filesystem::path file = dir.filePath(QStringLiteral("full.bin")).toStdString();
        std::ofstream(file, std::ios::binary) << std::string(8192, '\x5A');
        loadThroughDialog(w, file);
        w->runEntry(0);
        QTRY_VERIFY2(w->progressDialog() && w->progressDialog()->value() > 0, qPrintable(infoText(w)));
        QVERIFY(!w->menuBar()->isEnabled());
        rig.app->simulator()->unplug();
        waitIdle(*rig.app);
        QCOMPARE(rig.app->app().failureCount(), 1);
        QVERIFY(w->menuBar()->isEnabled());
        QCOMPARE(w->infoBarMode(), QStringLiteral("Disconnect mode"));
    }

    void cancelInTheProgressDialogReachesTheEngine() {
        DesktopRig rig;
        rig.options.simDelayUs = 20000;
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        w->runEntry(1);  // Read
        QTRY_VERIFY(w->progressDialog());
        w->progressDialog()->findChild<QAbstractButton *>(QStringLiteral("cancelButton"))->click();
        waitIdle(*rig.app);
        QVERIFY(infoText(w).contains(QStringLiteral("Operation was cancelled")));
        QCOMPARE(rig.app->app().failureCount(), 0);
        QCOMPARE(rig.app->app().successCount(), 0);
    }

    void withoutADeviceAutoIsDisabledEverywhere() {
        DesktopRig rig;
        rig.remember(10, "NO-SUCH-CHIP");
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        QVERIFY(!w->document().hasDevice());
        QVERIFY(!w->action(cmd::AutoProgram)->isEnabled());
        QVERIFY(!w->findChild<QPushButton *>(QStringLiteral("autoButton"))->isEnabled());
        QVERIFY(!w->findChild<QPushButton *>(QStringLiteral("runButton"))->isEnabled());
        QTest::keyClick(w, Qt::Key_F5);
        QVERIFY(!rig.app->app().programmer()->isBusy());
        QVERIFY(!w->progressDialog());

        w->document().applyDevice([&] {
            DeviceRecord r;
            rig.app->app().library()->FindDevice(10, "AT89S52", r);
            return r;
        }());
        w->refreshDevicePanel();
        QVERIFY(w->action(cmd::AutoProgram)->isEnabled());
        QVERIFY(w->findChild<QPushButton *>(QStringLiteral("autoButton"))->isEnabled());
    }

    void exitAsksWhenEditsWouldBeLostOrAnOperationRuns() {
        DesktopRig rig;
        rig.options.simDelayUs = 20000;
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        w->show();
        Document &doc = w->document();
        doc.buffer()[0x10] = 0x12;
        doc.buffer().notifyChanged(0x10, 0x10);
        answerNextMessageBox(QMessageBox::No);
        w->action(cmd::Exit)->trigger();
        QVERIFY(w->isVisible());

        // Closed during an operation: No lets it run on, Yes stops it and then closes.
        w->runEntry(1);  // Read
        QTRY_VERIFY(w->progressDialog());
        answerNextMessageBox(QMessageBox::No);
        w->close();
        QVERIFY(w->isVisible());
        QVERIFY(rig.app->app().programmer()->isBusy());
        answerNextMessageBox(QMessageBox::Yes);
        w->close();
        waitIdle(*rig.app);
        QTRY_VERIFY(!w->isVisible());
    }

    void controlsCarryAccessibleNames() {
        DesktopRig rig;
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        for (const char *name : {"vendorField", "deviceField", "sizeField", "pinsField", "adapterField", "fileField",
                                 "successCount", "failureCount", "infoWindow", "resetButton"}) {
            QWidget *c = w->findChild<QWidget *>(QString::fromLatin1(name));
            QVERIFY2(c, name);
            QVERIFY2(!c->accessibleName().isEmpty(), name);
        }
        // Every tool bar picture fills the bar's size, so no button's picture and label sit higher.
        const QSize iconSize = w->findChild<QToolBar *>(QStringLiteral("toolBar"))->iconSize();
        for (QToolButton *b : w->findChildren<QToolButton *>()) {
            if (!b->objectName().startsWith(QLatin1String("toolButton"))) continue;
            QVERIFY(!b->accessibleName().isEmpty());
            QCOMPARE(b->iconSize(), iconSize);
            QCOMPARE(b->icon().actualSize(iconSize), iconSize);
        }
    }

    // A screen reader reads the status bar's model and connection mode, and hears them change.
    void statusBarIsReadByScreenReaders() {
        DesktopRig rig;
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        auto spoken = [w] {
            QStringList texts;
            QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(w->statusBar());
            for (int i = 0; bar && i < bar->childCount(); ++i)
                if (QAccessibleInterface *c = bar->child(i); c && !c->state().invisible)
                    texts << c->text(QAccessible::Name) + QLatin1Char(' ') + c->text(QAccessible::Value);
            return texts.join(QLatin1Char('|'));
        };
        QVERIFY2(spoken().contains(w->infoBarModel()) && !w->infoBarModel().isEmpty(), qPrintable(spoken()));
        QVERIFY2(spoken().contains(QStringLiteral("Online Mode")), qPrintable(spoken()));
        rig.app->simulator()->unplug();
        QVERIFY2(spoken().contains(QStringLiteral("Disconnect mode")), qPrintable(spoken()));
        QVERIFY(!spoken().contains(QStringLiteral("Online Mode")));
    }

    // Help > Content without a program that opens web pages says where the manual is.
    void contentWithoutABrowserSaysWhereTheManualIs() {
        DesktopRig rig;
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        QUrl asked;
        w->setUrlOpener([&asked](const QUrl &url) {
            asked = url;
            return false;
        });
        QString told;
        onNextModal([&](QWidget *d) {
            told = static_cast<QMessageBox *>(d)->text();
            static_cast<QDialog *>(d)->accept();
        });
        w->action(cmd::Content)->trigger();
        const QString manual = QString::fromStdString((rig.programDirectory() / "manual" / "index.html").string());
        QCOMPARE(asked, QUrl::fromLocalFile(manual));
        QVERIFY2(told.contains(manual), qPrintable(told));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
