#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextEdit>
#include <QTest>
#include <QThread>
#include <QTranslator>
#include <atomic>
#include <thread>

#include "buffer/ui/FileDialogs.h"
#include "core/Prompt.h"
#include "core/StringTable.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceLibrary.h"
#include "devices/LockoutRisks.h"
#include "devices/ui/DeviceInfoDialog.h"
#include "programmer/ui/ConnectDialog.h"
#include "programmer/ui/DialogTour.h"
#include "programmer/ui/MainWindow.h"
#include "programmer/ui/QtEngineSink.h"
#include "tests/support/TestDoubles.h"
#include "tests/ui/UiTestSupport.h"
#include "widgets/InfoView.h"
#include "widgets/Splash.h"
#include "widgets/UiText.h"

using namespace vantor;
using namespace vantor::test;

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void loadFileDialogRefusesABufferStartPastTheDevice() {
        LoadSettings initial;
        initial.format = FileFormat::IntelHex;
        ui::LoadFileDialog d(QStringLiteral("/tmp/a.hex"), initial, 0x2000);
        QCOMPARE(d.findChild<QComboBox *>(QStringLiteral("fileType"))->currentText(), QStringLiteral("Intel Hex"));
        d.findChild<QLineEdit *>(QStringLiteral("bufferStart"))->setText(QStringLiteral("2001"));
        QString refused;
        onNextModal([&](QWidget *w) {
            refused = static_cast<QMessageBox *>(w)->text();
            static_cast<QDialog *>(w)->accept();
        });
        d.open();
        d.accept();
        QCOMPARE(refused,
                 QStringLiteral(
                     "The buffer address out of range\nBuffer Start must be a hexadecimal number from 0 to 2000."));
        QVERIFY(d.isVisible());
        // An empty File Start is refused with a message too, not silently.
        d.findChild<QLineEdit *>(QStringLiteral("fileStart"))->clear();
        d.findChild<QLineEdit *>(QStringLiteral("bufferStart"))->setText(QStringLiteral("0"));
        onNextModal([&](QWidget *w) {
            refused = static_cast<QMessageBox *>(w)->text();
            static_cast<QDialog *>(w)->accept();
        });
        d.accept();
        QVERIFY(refused.startsWith(QStringLiteral("File Start must be")));
        QVERIFY(d.isVisible());
        d.findChild<QLineEdit *>(QStringLiteral("bufferStart"))->setText(QStringLiteral("2000"));
        d.findChild<QLineEdit *>(QStringLiteral("fileStart"))->setText(QStringLiteral("100"));
        d.findChild<QAbstractButton *>(QStringLiteral("fill1"))->click();
        d.accept();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.settings().loadBufferStart, 0x2000u);
        QCOMPARE(d.settings().loadFileStart, 0x100u);
        QCOMPARE(int(d.settings().unusedByteMode), int(UnusedByteMode::Fill00));
        QCOMPARE(int(d.settings().format), int(FileFormat::IntelHex));
    }

    void saveFileDialogRefusesARangePastTheBuffer() {
        SaveSettings initial;
        initial.saveSize = 0x2000;
        ui::SaveFileDialog d(QStringLiteral("/tmp/out.s"), initial);
        d.findChild<QLineEdit *>(QStringLiteral("saveStart"))->setText(QStringLiteral("7FF000"));
        answerNextMessageBox(QMessageBox::Ok);
        d.open();
        d.accept();
        QVERIFY(d.isVisible());
        d.findChild<QLineEdit *>(QStringLiteral("saveSize"))->setText(QStringLiteral("1000"));
        d.findChild<QComboBox *>(QStringLiteral("fileType"))->setCurrentIndex(2);
        d.accept();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.settings().saveStart, 0x7FF000u);
        QCOMPARE(int(d.settings().format), int(FileFormat::Motorola));
    }

    void deviceInfoShowsTheSummaryAndTheAdapterDocument() {
        RecordingPrompt prompt;
        DeviceLibrary lib(prompt);
        lib.setLibraryDirectory(VANTOR_BIN_DIR);
        lib.SetLibraryFile("TR610.dev");
        DeviceRecord pic;
        QVERIFY(lib.FindDevice(48, "PIC16F84A", pic));
        const auto artbank = std::filesystem::path(VANTOR_BIN_DIR) / Artbank::defaultPath().filename();
        ui::DeviceInfoDialog d(pic, artbank, false);
        const QString text = d.plainText();
        QVERIFY(text.contains(QStringLiteral("Vendor :")));
        QVERIFY(text.contains(QStringLiteral("PIC16F84A")));
        QVERIFY(text.contains(QStringLiteral("Code Memory")));
        QVERIFY(text.contains(QString(73, QLatin1Char('_'))));
        const auto doc = loadAdapterDocument(pic, artbank);
        if (doc) QVERIFY(std::size_t(text.size()) > plainText(deviceSummaryRuns(pic)).size());
        // English mode shows the English adapter document, Chinese mode the Chinese one.
        static const QRegularExpression han(QStringLiteral("\\p{Han}"));
        QVERIFY2(!text.contains(han), qPrintable(text));
        QVERIFY(doc);  // DIP20
        QVERIFY(ui::DeviceInfoDialog(pic, artbank, true).plainText().contains(han));

        // The memory table's columns line up under their headings.
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        auto *view = d.findChild<QTextEdit *>(QStringLiteral("deviceInfoText"));
        auto xOf = [view](const char *s) {
            const QTextCursor found = view->document()->find(QLatin1String(s));
            QTextCursor at(view->document());
            at.setPosition(found.selectionStart());
            return found.isNull() ? -1 : view->cursorRect(at).left();
        };
        for (const auto &column : {std::vector<const char *>{"Device Addr.", "0000H --- 03FFH", "2000H --- 2003H",
                                                             "2007H", "2100H --- 213FH"},
                                   std::vector<const char *>{"Buffer Addr.", "0000H --- 07FFH", "4000H --- 4007H",
                                                             "400EH --- 400FH", "4200H --- 427FH"}})
            for (const char *cell : column) QVERIFY2(xOf(cell) == xOf(column[0]) && xOf(cell) > 0, cell);

        // Without the library the window still opens, with the summary only.
        ui::DeviceInfoDialog bare(pic, "/nonexistent/libArtbank.so", false);
        QVERIFY(bare.plainText().contains(QStringLiteral("PIC16F84A")));
    }

    // The splash's white titles stay left of the chip picture: no white pixel between the text
    // column and the chip's pins, whatever the font makes of "TR600 Series MCU Development Kit".
    void splashTextKeepsClearOfTheChip() {
        const QImage picture = ui::splashPicture().toImage();
        int rightmost = 0;
        for (int y = 40; y < 200; ++y)
            for (int x = 0; x < 290; ++x)
                if (QColor(picture.pixel(x, y)).lightness() > 200) rightmost = std::max(rightmost, x);
        QVERIFY(rightmost > 100);  // the titles are there
        QVERIFY2(rightmost < 280, qPrintable(QString::number(rightmost)));
    }

    void connectDialogRetriesAndAcceptsTheConnectedModel() {
        std::atomic<int> attempts{0};
        ui::ConnectDialog d(false, {{0x83, QStringLiteral("A")}, {0x85, QStringLiteral("B")}}, 0x85,
                            [&] { return ++attempts == 1 ? -1 : 0x83; });
        d.setConnectDelay(0);
        d.show();
        QCOMPARE(d.windowTitle(), QStringLiteral("Failed to connect programmer"));
        d.startConnecting();
        QCOMPARE(d.windowTitle(), QStringLiteral("Connecting to programmer..."));
        QVERIFY(!d.findChild<QAbstractButton *>(QStringLiteral("connectButton"))->isEnabled());
        QTRY_VERIFY(!d.connecting());
        QCOMPARE(d.windowTitle(), QStringLiteral("Failed to connect programmer"));
        QVERIFY(d.findChild<QAbstractButton *>(QStringLiteral("connectButton"))->isEnabled());
        d.startConnecting();
        QTRY_COMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.model(), 0x83);

        ui::ConnectDialog offline(false, {{0x83, QStringLiteral("A")}, {0x85, QStringLiteral("B")}}, 0x85, nullptr);
        offline.show();
        offline.findChild<QAbstractButton *>(QStringLiteral("disconnectModeButton"))->click();
        QCOMPARE(offline.result(), int(QDialog::Rejected));
        QCOMPARE(offline.model(), 0x85);
    }

    void engineNoticesFromAWorkerArriveInOrderOnTheWindowThread() {
        ui::QtEngineSink sink;
        QStringList seen;
        bool offThread = false;
        connect(&sink, &ui::QtEngineSink::status, this, [&](const QString &t) {
            offThread |= QThread::currentThread() != thread();
            seen << t;
        });
        connect(&sink, &ui::QtEngineSink::messageLine, this,
                [&](const QString &t, const QColor &c, bool bold) { seen << t + (bold ? "!" : "") + c.name(); });
        connect(&sink, &ui::QtEngineSink::operationResult, this, [&](int r) { seen << QString::number(r); });
        std::atomic<bool> done{false};
        std::thread worker([&] {
            sink.statusText("Programming...");
            MessageRecord m;
            m.text = "Program successful";
            m.colour = colour::Blue;
            m.bold = true;
            sink.message(m);
            m.fromResource = true;
            m.resourceId = 1;  // no such string: nothing is shown
            sink.message(m);
            sink.result(OperationResult::Success);
            done = true;
        });
        QTRY_VERIFY(done.load());
        worker.join();
        QCoreApplication::processEvents();
        QVERIFY(!offThread);
        QCOMPARE(seen, (QStringList{QStringLiteral("Programming..."), QStringLiteral("Program successful\n!#0000ff"),
                                    QStringLiteral("1")}));
    }

    void infoViewKeepsColoursAndTheEnd() {
        ui::InfoView v;
        v.resize(300, 200);
        v.show();
        v.appendText(QStringLiteral("Load File: a\r\n"), Qt::black, true);
        v.appendText(QStringLiteral("red "), Qt::red, false);
        v.appendText(QStringLiteral("tail\n"), Qt::blue, false);
        QCOMPARE(v.toPlainText(), QStringLiteral("Load File: a\nred tail\n"));
        for (int i = 0; i < 500; ++i) v.appendText(QStringLiteral("line\n"), Qt::black, false);
        QCoreApplication::processEvents();
        QCOMPARE(v.verticalScrollBar()->value(), v.verticalScrollBar()->maximum());
    }

    void chineseTranslationCoversCoreTexts() {
        QTranslator t;
        QVERIFY(t.load(QStringLiteral("vantor_zh_CN"), QStringLiteral(VANTOR_BIN_DIR "/translations")));
        QCoreApplication::installTranslator(&t);
        QCOMPARE(ui::uiText("Disconnect mode"), QStringLiteral("脱机模式"));
        QCOMPARE(ui::uiText("Load File: /tmp/a.hex\n"), QStringLiteral("加载文件: /tmp/a.hex\n"));
        QCOMPARE(ui::uiText("Elapsed Time: 1.25S"), QStringLiteral("耗时: 1.25S"));
        QCOMPARE(ui::uiText("ATMEL   "), QStringLiteral("ATMEL   "));
        // Composed messages keep their values, and a value that is a text of its own is translated.
        QCOMPARE(
            ui::uiText("A TD620 MCU Development Kit was plugged in, but the TD610 MCU Development Kit is selected: "
                       "use Programmer > Reconnect to work with it\n"),
            QStringLiteral(
                "插入的是 TR620 单片机开发实验仪，但当前选择的是 TR610 单片机开发实验仪: 要使用它，请执行“编程器 > "
                "重新连接”\n"));
        QCOMPARE(
            ui::uiText("The buffer address out of range\nBuffer Start must be a hexadecimal number from 0 to 1FFF."),
            QStringLiteral("缓冲区地址超出范围\n缓冲区起始必须是 0 至 1FFF 之间的十六进制数。"));
        QCOMPARE(ui::uiText("Address: 0001FFFFH"), QStringLiteral("地址: 0001FFFFH"));
        // The lock-out question before a fuse write, line by line; the checks of configuration writes.
        const std::vector<LockoutRisk> risks = {{0, 1, "RSTDISBL", "[x] RSTDISBL: external reset disabled (pin is I/O)",
                                                 "The RESET pin becomes an I/O pin. Serial programming needs RESET, so "
                                                 "only a high-voltage programmer can undo this."},
                                                {1, 0, "CKSEL", "Clock source (CKSEL) = External clock (0000)",
                                                 "The chip then runs, and can be programmed, only with a clock or "
                                                 "crystal on its XTAL pins. Undo it with that "
                                                 "clock connected, or with a high-voltage programmer."}};
        QCOMPARE(
            ui::uiText("These choices can lock the chip out:\n\n" + describeRisks(risks) + "\nWrite them anyway?"),
            QStringLiteral(
                "以下选择可能使芯片无法再被编程:\n\n[x] RSTDISBL: 禁止外部复位 (引脚作 I/O)\n"
                "    RESET 引脚变为 I/O 引脚。串行编程需要 RESET，因此只有高压编程器才能恢复。\n"
                "时钟源 (CKSEL) = 外部时钟 (0000)\n"
                "    此后芯片只有在 XTAL 引脚接上时钟或晶体时才能运行和编程。恢复时须接上该时钟，或使用高压编程器。\n"
                "\n仍然写入吗？"));
        // Failures of operations: the format translated, the operation, the area and the problem too.
        const std::pair<const char *, QString> failures[] = {
            {"Write Fuse refused: the configuration file cfg/M8.cfg is missing or damaged, so there is no "
             "configuration to write. Nothing was written; reinstall the application.",
             QStringLiteral("写熔丝被拒绝: 配置文件 cfg/M8.cfg "
                            "缺失或已损坏，没有可写入的配置。未写入任何内容；请重新安装应用程序。")},
            {"Write Config failed: the bytes written could not be read back (the programmer did not answer)",
             QStringLiteral("写配置失败: 无法读回已写入的字节 (编程器没有响应)")},
            {"Write Fuse failed: byte 1 reads back D9, 59 was written (bits 80 differ)",
             QStringLiteral("写熔丝失败: 字节 1 读回 D9，写入的是 59 (位 80 不同)")},
            {"Blank check failed: no device selected", QStringLiteral("查空失败: 未选择器件")},
            {"Program failed at the start of Code Memory: the programmer reported a failure",
             QStringLiteral("编程失败，位于程序存储器的起始处: 编程器报告失败")},
            {"Read failed at the start of memory area 1: the programmer did not answer",
             QStringLiteral("读取失败，位于存储区 1的起始处: 编程器没有响应")},
            {"Program failed: memory area 1 of the device (0x100 bytes at 0x1FF80) lies outside the buffer",
             QStringLiteral("编程失败: 器件的存储区 1 (0x100 字节，起始于 0x1FF80) 超出缓冲区范围")},
            {"Verify Failed.  Addr: 0x1F  Device: 0x00  Buffer: 0xFF",
             QStringLiteral("校验失败。 地址: 0x1F  器件: 0x00  缓冲区: 0xFF")},
            {"Write Cal. Byte failed: the programmer did not answer (address 0x3FF)",
             QStringLiteral("写校准字节失败: 编程器没有响应 (地址 0x3FF)")},
            {"Reading the device ID failed: the identifier did not arrive",
             QStringLiteral("读取器件ID失败: 没有收到器件标识")},
        };
        for (const auto &[english, chinese] : failures) QCOMPARE(ui::uiText(english), chinese);
        for (const StringEntry &e : allStrings())
            if (e.text.find("Location at") == std::string_view::npos)
                QVERIFY2(ui::uiText(e.text) != ui::fromUtf8(e.text) ||
                             e.text.find_first_of("abcdefghijklmnopqrstuvwxyz") == std::string_view::npos,
                         e.text.data());
        QCoreApplication::removeTranslator(&t);
        QCOMPARE(ui::uiText("Disconnect mode"), QStringLiteral("Disconnect mode"));
    }

    // In Chinese mode every dialog a user can open shows Chinese only: the main window and its
    // menus, Select Device, Config of an AVR, a PIC and an 8051, Operate Settings, Edit Buffer and
    // its tools, Load, Save, connect, Device Info.
    void chineseModeLeavesNoEnglishText() {
        DesktopRig rig;
        rig.profile.writeInt("System", "Language", 1);
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        QCOMPARE(ui::uiString(sid::DisconnectMode), QStringLiteral("脱机模式"));
        QStringList found;
        auto check = [&found](QWidget *window, const QString &name) {
            for (const QString &t : ui::untranslatedTexts(window)) found << name + QStringLiteral(": ") + t;
        };
        w->show();
        check(w, QStringLiteral("main-window"));
        const QStringList missing = ui::tourDialogs(*rig.app, check);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char(' '))));
        // Device Info's summary and memory table (the adapter document is the library's own).
        DeviceRecord pic;
        QVERIFY(w->document().library().FindDevice(48, "PIC16F84A", pic));
        ui::DeviceInfoDialog info(pic, "/nonexistent/libArtbank.so", true);
        for (const QString &t : ui::englishLeftIn(info.plainText().split(QLatin1Char('\n'))))
            found << QStringLiteral("device-info: ") + t;
        for (const QString &f : found) qInfo("untranslated %s", qPrintable(f));
        QVERIFY2(found.isEmpty(), qPrintable(QStringLiteral("%1 texts left in English").arg(found.size())));
        w->close();
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
