// The Edit Buffer dialog on the offscreen platform: typing, tools, word rows and read-only.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSet>
#include <QWheelEvent>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QtTest>
#include <functional>

#include "buffer/DataFile.h"
#include "buffer/ui/EditBufferDialog.h"
#include "buffer/ui/HexViewWidget.h"
#include "buffer/ui/NumberEdit.h"
#include "support/TestDoubles.h"

using namespace vantor;
using namespace vantor::ui;

class EditBufferDialogTest : public QObject {
    Q_OBJECT

    DataBuffer buffer_;
    EditorSettings settings_;
    test::RecordingPrompt prompt_;
    int beeps_ = 0;
    std::unique_ptr<EditBufferDialog> dialog_;

    HexViewWidget *view() { return dialog_->hexView(); }
    QString label(const char *name) { return dialog_->findChild<QLabel *>(QLatin1String(name))->text(); }
    QAction *tool(const char *name) { return dialog_->findChild<QAction *>(QLatin1String(name)); }

    // Runs `fill` on the tool dialog the next exec opens, then `finish` (accept or reject).
    void onToolDialog(std::function<void(QDialog *)> act) {
        QTimer::singleShot(0, this, [act] {
            auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(d);
            act(d);
        });
    }
    static void set(QDialog *d, const char *field, const QString &value) {
        auto *e = d->findChild<NumberEdit *>(QLatin1String(field));
        QVERIFY(e);
        e->setText(value);
    }
    static void ok(QDialog *d) { d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click(); }

private slots:
    void initTestCase() {
        setBeepHandler([this] { ++beeps_; });
    }

    void init() {
        for (std::uint32_t a = 0; a < 0x20000; ++a) buffer_[a] = 0;
        settings_ = {};
        prompt_.shown.clear();
        beeps_ = 0;
        dialog_ = std::make_unique<EditBufferDialog>(
            buffer_, std::vector<EditArea>{{"Code Memory", 0, 0x10000}, {"EEPROM Memory", 0x10000, 0x200}}, settings_,
            false, prompt_);
        dialog_->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
        view()->setFocus();
    }
    void cleanup() { dialog_.reset(); }

    void typesHexDigitsAndCharacters() {
        QCOMPARE(dialog_->findChild<QTabBar *>()->tabText(1), QStringLiteral("EEPROM Memory"));
        QCOMPARE(label("checksum"), QStringLiteral("Check sum: 00000000H"));
        QTest::keyClicks(view(), QStringLiteral("a5x"));
        QCOMPARE(buffer_[0], 0xA5);
        QCOMPARE(label("address"), QStringLiteral("Address: 00000001H"));
        QCOMPARE(label("checksum"), QStringLiteral("Check sum: 000000A5H"));
        QTest::keyClick(view(), Qt::Key_Tab);
        QTest::keyClicks(view(), QStringLiteral("Hi"));
        QCOMPARE(buffer_[1], 'H');
        QCOMPARE(buffer_[2], 'i');
        QCOMPARE(beeps_, 0);
    }

    void gotoRefusesOutsideTheAreaAndMovesTheCaret() {
        dialog_->selectArea(1);
        QCOMPARE(label("range"), QStringLiteral("Buffer Range: 00010000H -- 000101FFH"));
        onToolDialog([this](QDialog *d) {
            set(d, "address", QStringLiteral("FFFF"));
            ok(d);
            QVERIFY(d->isVisible());  // refused: the dialog stays open
            auto *e = d->findChild<NumberEdit *>(QStringLiteral("address"));
            e->selectAll();
            QTest::keyClicks(e, QStringLiteral("1001g0"));  // 'g' is not a hex digit
            QCOMPARE(e->text(), QStringLiteral("10010"));
            ok(d);
        });
        dialog_->gotoTool();
        QCOMPARE(prompt_.shown.size(), 1u);
        QCOMPARE(prompt_.shown[0].text, std::string("Address out of range"));
        QCOMPARE(beeps_, 1);
        QCOMPARE(view()->model().caret(), 0x10u);
        QCOMPARE(label("address"), QStringLiteral("Address: 00010010H"));
    }

    void fillsSequentialBytes() {
        onToolDialog([](QDialog *d) {
            d->findChild<QRadioButton *>(QStringLiteral("choice3"))->click();
            QVERIFY(!d->findChild<NumberEdit *>(QStringLiteral("byteValue"))->isEnabled());
            set(d, "from", QStringLiteral("100"));
            set(d, "to", QStringLiteral("1ff"));
            ok(d);
        });
        tool("fill")->trigger();
        for (int k = 0; k < 256; ++k) QCOMPARE(int(buffer_[0x100 + k]), k);
        QCOMPARE(buffer_[0x200], 0);
        QCOMPARE(label("checksum"), QStringLiteral("Check sum: 00007F80H"));

        onToolDialog([](QDialog *d) {
            set(d, "from", QStringLiteral("200"));
            set(d, "to", QStringLiteral("1ff"));
            ok(d);
            d->reject();
        });
        tool("fill")->trigger();
        QCOMPARE(prompt_.shown.back().text, std::string("End address out of range"));
    }

    // The tool dialogs are used from the keyboard: the first field has the focus with its text
    // selected, Tab follows the layout to OK and Cancel, and Enter in Fill never fills the
    // whole area it was opened with.
    void toolDialogsStartAtTheFirstFieldAndEnterDoesNotFill() {
        dialog_->selectArea(1);
        const struct {
            const char *tool;
            std::vector<const char *> fields;
        } dialogs[] = {{"goto", {"address"}}, {"copy", {"start", "end", "destination"}}, {"fill", {"from", "to"}}};
        for (const auto &t : dialogs) {
            QStringList order;
            onToolDialog([&](QDialog *d) {
                QWidget *w = d->focusWidget();
                for (int i = 0; i < 12 && w; ++i) {
                    auto *b = qobject_cast<QPushButton *>(w);
                    order << (b ? b->text().remove(QLatin1Char('&')) : w->objectName());
                    QTest::keyClick(w, Qt::Key_Tab);
                    w = d->focusWidget();
                }
                d->reject();
            });
            tool(t.tool)->trigger();
            for (std::size_t i = 0; i < t.fields.size(); ++i)
                QCOMPARE(order.value(qsizetype(i)), QLatin1String(t.fields[i]));
            QVERIFY2(order.indexOf(QStringLiteral("OK")) > order.indexOf(QLatin1String(t.fields.back())),
                     qPrintable(order.join(',')));
            QCOMPARE(order.indexOf(QStringLiteral("Cancel")), order.indexOf(QStringLiteral("OK")) + 1);
        }

        // Digits typed at once replace the address.
        onToolDialog([](QDialog *d) {
            QTest::keyClicks(d->focusWidget(), QStringLiteral("10020"));
            QTest::keyClick(d->focusWidget(), Qt::Key_Return);
            QVERIFY(!d->isVisible());
        });
        tool("goto")->trigger();
        QCOMPARE(view()->model().caret(), 0x20u);

        bool stillOpen = false;
        QString focusAfterEnter;
        onToolDialog([&](QDialog *d) {
            QTest::keyClick(d->focusWidget(), Qt::Key_Return);
            stillOpen = d->isVisible();
            focusAfterEnter = d->focusWidget()->objectName();
            d->reject();
        });
        tool("fill")->trigger();
        QVERIFY(stillOpen);
        QCOMPARE(focusAfterEnter, QStringLiteral("to"));
        QCOMPARE(buffer_[0x10000], 0);
    }

    // Escape closes Edit Buffer even from the hex view, Enter there does not, and the buttons and
    // tools have keys.
    void keyboardReachesCloseAndTheTools() {
        auto *close = dialog_->findChild<QPushButton *>(QStringLiteral("close"));
        QVERIFY(close);
        QCOMPARE(close->text(), QStringLiteral("&Close"));
        QCOMPARE(tool("goto")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));
        QSet<QKeySequence> keys;
        for (const char *name : {"goto", "copy", "fill", "and", "or", "xor", "swap"})
            keys.insert(tool(name)->shortcut());
        QCOMPARE(keys.size(), 7);
        QVERIFY(!keys.contains(QKeySequence()));
        QTest::keyClick(view(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(tool("swap")->isChecked());
        QTest::keyClick(view(), Qt::Key_Return);
        QVERIFY(dialog_->isVisible());
        QTest::keyClick(view(), Qt::Key_Escape);
        QVERIFY(!dialog_->isVisible());
    }

    void wordRowsHalveTheAddress() {
        dialog_->findChild<QComboBox *>(QStringLiteral("dataFormat"))->setCurrentIndex(1);
        QCOMPARE(settings_.dataFormat, 1);
        QVERIFY(!view()->model().byteRows());
        view()->model().gotoOffset(0x21);
        QCOMPARE(label("address"), QStringLiteral("Address: 00000010H"));
        dialog_->findChild<QComboBox *>(QStringLiteral("addrFormat"))->setCurrentIndex(0);
        QCOMPARE(label("address"), QStringLiteral("Address: 00000016"));
        QCOMPARE(label("range"), QStringLiteral("Buffer Range: 00000000 -- 00065535"));
        // Typing in word rows fills the high byte, shown first, then steps to the low byte.
        view()->model().gotoOffset(1);
        QTest::keyClick(view(), Qt::Key_Left);
        QTest::keyClicks(view(), QStringLiteral("1234"));
        QCOMPARE(buffer_[1], 0x12);
        QCOMPARE(buffer_[0], 0x34);
    }

    void readOnlyRefusesEdits() {
        bool stored = false;
        dialog_->onReadOnlyChanged = [&](bool on) { stored = on; };
        dialog_->findChild<QCheckBox *>(QStringLiteral("readOnly"))->click();
        QVERIFY(stored);
        for (const char *name : {"copy", "fill", "and", "or", "xor", "swap"}) QVERIFY(!tool(name)->isEnabled());
        QVERIFY(tool("goto")->isEnabled());
        QCOMPARE(view()->background(HexViewWidget::HexColumn), dialog_->palette().color(QPalette::Window));
        QCOMPARE(view()->textColour(HexViewWidget::AddressColumn), QColor(128, 0, 0));
        QTest::keyClicks(view(), QStringLiteral("ff"));
        QCOMPARE(buffer_[0], 0);
        QCOMPARE(beeps_, 2);
        QCOMPARE(view()->model().caret(), 0u);

        dialog_->findChild<QCheckBox *>(QStringLiteral("readOnly"))->click();
        QVERIFY(tool("swap")->isEnabled());
        QCOMPARE(view()->background(HexViewWidget::CharColumn), QColor(Qt::white));
    }

    void swapTogglesTheButton() {
        buffer_[0] = 1;
        tool("swap")->trigger();
        QVERIFY(tool("swap")->isChecked());
        QCOMPARE(settings_.swapState, 1);
        QCOMPARE(buffer_[1], 1);
        tool("swap")->trigger();
        QVERIFY(!tool("swap")->isChecked());
        QCOMPARE(buffer_[0], 1);
    }

    void mouseWheelAndScrollBarReachTheModel() {
        QWidget *vp = view()->viewport();
        QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(80 + 24 * 5 + 12, 16 + 16 * 3 + 4));
        QCOMPARE(view()->model().caret(), 0x35u);
        QVERIFY(!view()->model().firstDigit());
        QCOMPARE(label("address"), QStringLiteral("Address: 00000035H"));
        QWheelEvent down(QPointF(100, 100), vp->mapToGlobal(QPointF(100, 100)), {}, QPoint(0, -120), Qt::NoButton, {},
                         Qt::NoScrollPhase, false);
        QApplication::sendEvent(vp, &down);
        QCOMPARE(view()->model().topLine(), 1);
        QScrollBar *bar = view()->verticalScrollBar();
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->value(), 1);
        QCOMPARE(bar->maximum(), 0x1000 - 16);
        bar->setValue(200);
        QCOMPARE(view()->model().topLine(), 200);
        QCOMPARE(view()->model().caret(), 0x35u);
        QTest::keyClick(view(), Qt::Key_PageDown);  // the caret comes back into view
        QCOMPARE(view()->model().caret(), 0x135u);
        QVERIFY(view()->model().caretVisible());
        QCOMPARE(bar->value(), view()->model().topLine());
    }

    void tabChangeShowsTheOtherArea() {
        view()->model().gotoOffset(0x50);
        dialog_->findChild<QTabBar *>()->setCurrentIndex(1);
        QCOMPARE(view()->model().caret(), 0u);
        QCOMPARE(view()->model().length(), 0x200u);
        QCOMPARE(label("address"), QStringLiteral("Address: 00010000H"));
        QCOMPARE(view()->model().addressText(0), std::string("00010000 "));
    }

    // Pictures for the manual and for review: byte rows, word rows and read-only, on a 64 KiB
    // area holding the sample program. Runs only when VANTOR_SCREENSHOT_DIR names a directory.
    void screenshots() {
        const QString dir = qEnvironmentVariable("VANTOR_SCREENSHOT_DIR");
        if (dir.isEmpty()) QSKIP("VANTOR_SCREENSHOT_DIR not set");
        buffer_.fill(0xFF);
        LoadSettings load;
        load.format = FileFormat::IntelHex;
        load.room = 0x10000;
        test::RecordingInfoSink sink;
        QVERIFY(loadDataFile(VANTOR_SOURCE_DIR "/data/samples/blink.hex", buffer_, load, sink).ok());
        dialog_ = std::make_unique<EditBufferDialog>(buffer_, std::vector<EditArea>{{"Code Memory", 0, 0x10000}},
                                                     settings_, false, prompt_);
        dialog_->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
        view()->setFocus();
        view()->model().gotoOffset(0x3A);
        QApplication::processEvents();
        QVERIFY(dialog_->grab().save(dir + QStringLiteral("/edit-buffer-8bit.png")));
        dialog_->setDataFormat(1);
        QApplication::processEvents();
        QVERIFY(dialog_->grab().save(dir + QStringLiteral("/edit-buffer-16bit.png")));
        dialog_->setDataFormat(0);
        dialog_->setReadOnly(true);
        view()->setFocus();
        QApplication::processEvents();
        QVERIFY(dialog_->grab().save(dir + QStringLiteral("/edit-buffer-read-only.png")));
        dialog_->setReadOnly(false);
        onToolDialog([dir](QDialog *d) {
            QApplication::processEvents();
            QVERIFY(d->grab().save(dir + QStringLiteral("/edit-buffer-fill.png")));
            d->reject();
        });
        dialog_->fillTool();
    }
};

QTEST_MAIN(EditBufferDialogTest)
#include "EditBufferDialogTest.moc"
