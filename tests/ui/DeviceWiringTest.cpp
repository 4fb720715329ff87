// The device dialogs as the main window opens them, and chip.set around device changes.
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>
#include <algorithm>
#include <fstream>
#include <iterator>

#include "UiTestSupport.h"
#include "devices/ui/DeviceDialogs.h"
#include "programmer/Application.h"
#include "programmer/ui/MainWindow.h"
#include "widgets/InfoView.h"

using namespace vantor;
using namespace vantor::test;

namespace {

std::vector<char> fileBytes(const std::filesystem::path &p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void selectRow(QListWidget *list, const QString &text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    list->setCurrentItem(found.first());
}

// Ctrl+D, then the device found by typing `search` into the dialog.
void selectBySearch(ui::MainWindow *w, const QString &search, const QString &vendor, const QString &device) {
    bool seen = false;
    onNextModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<ui::SelectDeviceDialog *>(modal);
        if (!dialog) return static_cast<QDialog *>(modal)->reject();
        seen = true;
        dialog->searchField()->setText(search);
        selectRow(dialog->vendorList(), vendor);
        selectRow(dialog->deviceList(), device);
        dialog->accept();
    });
    QVERIFY(w->action(cmd::SelectDevice)->isEnabled());
    w->action(cmd::SelectDevice)->trigger();
    QVERIFY(seen);
    QCOMPARE(QString::fromLatin1(w->document().device().device_name), device);
}

}  // namespace

class DeviceWiringTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QApplication::setQuitOnLastWindowClosed(false); }

    void searchSelectsAndChipSetFollowsEachDevice() {
        const auto shipped = fileBytes(std::filesystem::path(VANTOR_BIN_DIR) / "chip.set");
        DesktopRig rig;
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        Document &doc = w->document();
        Application &app = rig.app->app();

        selectBySearch(w, QStringLiteral("328p"), QStringLiteral("ATMEL"), QStringLiteral("ATmega328P"));
        const std::uint8_t fuse = doc.device().config_data[0];
        doc.device().config_data[0] = std::uint8_t(fuse ^ 0x5A);
        app.operationOptions().areaMask = (app.operationOptions().areaMask & ~0xFFu) | 1;
        const std::uint8_t firstAuto = app.autoItems()[0];
        app.autoItems()[1] = 0xFF;  // an Auto list of one operation

        selectBySearch(w, QStringLiteral("89s52"), QStringLiteral("ATMEL"), QStringLiteral("AT89S52"));
        app.operationOptions().areaMask = (app.operationOptions().areaMask & ~0xFFu) | 3;
        QVERIFY(app.autoItems()[1] != 0xFF);

        selectBySearch(w, QStringLiteral("328p"), QStringLiteral("ATMEL"), QStringLiteral("ATmega328P"));
        QCOMPARE(doc.device().config_data[0], std::uint8_t(fuse ^ 0x5A));
        QCOMPARE(app.operationOptions().areaMask & 0xFFu, 1u);
        QCOMPARE(app.autoItems()[0], firstAuto);
        QCOMPARE(app.autoItems()[1], std::uint8_t(0xFF));

        selectBySearch(w, QStringLiteral("89S52"), QStringLiteral("ATMEL"), QStringLiteral("AT89S52"));
        QCOMPARE(app.operationOptions().areaMask & 0xFFu, 3u);

        // Remembered in the rig's own copy of the file, never in the build tree's.
        QVERIFY(fileBytes(rig.programDirectory() / "chip.set").size() > 1);
        QCOMPARE(fileBytes(std::filesystem::path(VANTOR_BIN_DIR) / "chip.set"), shipped);
    }

    void aMissingChipSetIsCreatedAndTheUserToldOnce() {
        DesktopRig rig;
        std::filesystem::remove(rig.programDirectory() / "chip.set");
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        Application &app = rig.app->app();
        selectBySearch(w, QStringLiteral("328p"), QStringLiteral("ATMEL"), QStringLiteral("ATmega328P"));
        app.operationOptions().areaMask = (app.operationOptions().areaMask & ~0xFFu) | 1;
        selectBySearch(w, QStringLiteral("89s52"), QStringLiteral("ATMEL"), QStringLiteral("AT89S52"));
        selectBySearch(w, QStringLiteral("328p"), QStringLiteral("ATMEL"), QStringLiteral("ATmega328P"));
        QCOMPARE(app.operationOptions().areaMask & 0xFFu, 1u);
        QVERIFY(std::filesystem::is_regular_file(rig.programDirectory() / "chip.set"));
        QCOMPARE(w->infoView()->toPlainText().count(QStringLiteral("Device settings are now kept in the new file")), 1);
    }

    void cancelKeepsTheDeviceAndConfigOkWritesBack() {
        DesktopRig rig;
        QVERIFY(rig.start());
        ui::MainWindow *w = rig.app->window();
        Document &doc = w->document();
        selectBySearch(w, QStringLiteral("328P"), QStringLiteral("ATMEL"), QStringLiteral("ATmega328P"));

        onNextModal([](QWidget *modal) { static_cast<QDialog *>(modal)->reject(); });
        w->action(cmd::SelectDevice)->trigger();
        QCOMPARE(QString::fromLatin1(doc.device().device_name), QStringLiteral("ATmega328P"));

        QVERIFY(w->action(cmd::Config)->isEnabled());
        auto &config = doc.device().config_data;
        for (auto &b : config) b ^= 0xFF;  // far from the file's defaults
        std::vector<std::uint8_t> flipped(std::begin(config), std::end(config)), accepted;
        onNextModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<ui::ConfigDeviceDialog *>(modal);
            if (!dialog) return static_cast<QDialog *>(modal)->reject();
            dialog->restoreDefaults();
            dialog->accept();
            accepted.assign(dialog->configBytes().begin(), dialog->configBytes().end());
        });
        w->action(cmd::Config)->trigger();
        QVERIFY(!accepted.empty());
        QVERIFY(accepted != flipped);
        QCOMPARE(std::vector<std::uint8_t>(std::begin(config), std::end(config)), accepted);
    }
};

QTEST_MAIN(DeviceWiringTest)
#include "DeviceWiringTest.moc"
