// The buffer editor opened from the main window: word masking before and after, edits that the
// window's Save File writes, and the Read Only choice kept in the settings.
#include <QAction>
#include <QCheckBox>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <vector>

#include "buffer/ui/EditBufferDialog.h"
#include "buffer/ui/HexViewWidget.h"
#include "programmer/Application.h"
#include "programmer/ui/MainWindow.h"
#include "tests/ui/UiTestSupport.h"

using namespace vantor;
using namespace vantor::test;

namespace {

// Runs `act` on the Edit Buffer dialog once the Data Buffer command has opened it, then closes it.
void withEditor(ui::MainWindow *w, std::function<void(ui::EditBufferDialog *)> act) {
    bool seen = false;
    onNextModal([&](QWidget *d) {
        auto *dialog = qobject_cast<ui::EditBufferDialog *>(d);
        QVERIFY(dialog);
        seen = true;
        dialog->hexView()->setFocus();
        act(dialog);
        dialog->reject();
    });
    w->action(cmd::DataBuffer)->trigger();
    QVERIFY(seen);
}

std::vector<char> readFile(const QString &path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

class EditBufferWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QApplication::setQuitOnLastWindowClosed(false); }

    void saveFileWritesTheEditedBytes() {
        DesktopRig rig;
        rig.profile.writeInt("System", "PGM83_MFG0", 10);
        rig.profile.writeString("System", "PGM83_DEV0", "AT89S52");
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        QVERIFY(w->action(cmd::DataBuffer)->isEnabled());
        withEditor(w, [](ui::EditBufferDialog *d) {
            QTest::keyClicks(d->hexView(), QStringLiteral("12ab"));
            QTest::keyClick(d->hexView(), Qt::Key_End);
            QTest::keyClick(d->hexView(), Qt::Key_Tab);
            QTest::keyClicks(d->hexView(), QStringLiteral("Z"));
        });
        QCOMPARE(w->document().buffer()[0], 0x12);

        QTemporaryDir dir;
        const QString saved = dir.filePath(QStringLiteral("edited.bin"));
        acceptNextModal();
        w->saveFileAs(saved);
        const std::vector<char> bytes = readFile(saved);
        QCOMPARE(bytes.size(), std::size_t(8192));
        QCOMPARE(std::uint8_t(bytes[0]), 0x12);
        QCOMPARE(std::uint8_t(bytes[1]), 0xAB);
        QCOMPARE(std::uint8_t(bytes[2]), 0xFF);
        QCOMPARE(bytes[8191], 'Z');
    }

    void wordDevicesAreMaskedBeforeAndAfter() {
        DesktopRig rig;
        rig.profile.writeInt("System", "PGM83_MFG0", 48);
        rig.profile.writeString("System", "PGM83_DEV0", "PIC16F84A");
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        QCOMPARE(int(w->document().device().data_width), 14);
        w->document().buffer()[3] = 0xFF;  // as a raw load would leave it
        withEditor(w, [](ui::EditBufferDialog *d) {
            QCOMPARE(d->hexView()->model().data()[3], 0x3F);         // masked before the dialog shows it
            QTest::keyClicks(d->hexView(), QStringLiteral("ffff"));  // bytes 0 and 1
        });
        QCOMPARE(w->document().buffer()[1], 0x3F);  // and masked again afterwards
        QCOMPARE(w->document().buffer()[0], 0xFF);
    }

    void readOnlyIsKeptInTheSettings() {
        DesktopRig rig;
        rig.profile.writeInt("System", "PGM83_MFG0", 10);
        rig.profile.writeString("System", "PGM83_DEV0", "AT89S52");
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        withEditor(w, [](ui::EditBufferDialog *d) {
            d->findChild<QCheckBox *>(QStringLiteral("readOnly"))->click();
            QTest::keyClicks(d->hexView(), QStringLiteral("00"));
        });
        QVERIFY(rig.app->app().bufferReadOnly());
        QCOMPARE(w->document().buffer()[0], 0xFF);
        withEditor(w, [](ui::EditBufferDialog *d) { QVERIFY(d->readOnly()); });
    }
};

QTEST_MAIN(EditBufferWindowTest)
#include "EditBufferWindowTest.moc"
