// The device dialogs on the offscreen platform: select by search and history, change a fuse,
// Default and Cancel in Config, the Operate Settings refusal.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionComboBox>
#include <QAbstractItemView>
#include <QTabWidget>
#include <QtTest>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/Profile.h"
#include "core/SharedLibrary.h"
#include "core/StringTable.h"
#include "devices/ConfigFile.h"
#include "devices/LibraryFormat.h"
#include "devices/ui/DeviceDialogs.h"
#include "support/TestDoubles.h"

using namespace vantor;
using namespace vantor::ui;
namespace fs = std::filesystem;

namespace {

devlib::LibraryRecord rec(std::string name, std::uint16_t vendor) {
    devlib::LibraryRecord r;
    r.device_name = std::move(name);
    r.vendor_index = vendor;
    r.memory_areas[0] = {4096, 0};
    r.adapter_index = 51;
    return r;
}

// With VANTOR_SCREENSHOT_DIR set, the dialogs are also saved as pictures (scripts/screenshots.sh).
void screenshot(QWidget *w, const char *name) {
    const QByteArray dir = qgetenv("VANTOR_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    QApplication::processEvents();
    w->grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
}

QPushButton *button(QDialog *d, QDialogButtonBox::StandardButton which) {
    return d->findChild<QDialogButtonBox *>()->button(which);
}

}  // namespace

class DeviceDialogsTest : public QObject {
    Q_OBJECT

    fs::path dir_;
    fs::path artbank_ = fs::path(VANTOR_BIN_DIR) / SharedLibrary::fileName("Artbank");
    test::RecordingPrompt prompt_;

    DeviceRecord atmega328p() {
        DeviceLibrary lib(prompt_);
        lib.setLibraryDirectory(VANTOR_BIN_DIR);
        lib.SetLibraryFile("TR610.dev");
        DeviceRecord d;
        [&] { QVERIFY(lib.FindDevice(10, "ATmega328P", d)); }();
        return d;
    }

private slots:
    void initTestCase() {
        dir_ =
            fs::temp_directory_path() / ("vantor-device-dialogs-" + std::to_string(QCoreApplication::applicationPid()));
        fs::create_directories(dir_);
        const auto img = devlib::buildLibrary(
            "TR610.dev", {rec("AT89S52", 10), rec("AT89S51", 10), rec("SST89E516RD", 82), rec("W78E58B", 95)});
        std::ofstream(dir_ / "TR610.dev", std::ios::binary)
            .write(reinterpret_cast<const char *>(img.data()), long(img.size()));
    }
    void cleanupTestCase() { fs::remove_all(dir_); }
    void init() { prompt_.shown.clear(); }

    void selectsBySearchWithTheVendorLogo() {
        DeviceLibrary lib(prompt_);
        lib.setLibraryDirectory(dir_);
        lib.SetLibraryFile("TR610.dev");
        MemoryProfile profile;
        SelectDeviceDialog dialog(lib, profile, artbank_);
        QVERIFY(dialog.opened());
        dialog.show();
        QCOMPARE(dialog.vendorList()->count(), 3);
        QTest::keyClicks(dialog.searchField(), "s52");
        QCOMPARE(dialog.vendorList()->count(), 1);
        QCOMPARE(dialog.vendorList()->currentItem()->text(), QStringLiteral("ATMEL"));
        QCOMPARE(dialog.deviceList()->count(), 1);
        QVERIFY(!dialog.logo()->pixmap().isNull());
        screenshot(&dialog, "select-device");
        button(&dialog, QDialogButtonBox::Ok)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(QString(dialog.selectedDevice().device_name), QStringLiteral("AT89S52"));
        QCOMPARE(QString::fromStdString(profile.readString("Device", "Search", "")), QStringLiteral("s52"));

        // A search nothing matches leaves both lists empty and OK does nothing.
        SelectDeviceDialog again(lib, profile, artbank_);
        again.show();
        QVERIFY(!again.emptyHint()->isVisible());
        again.searchField()->setText(QStringLiteral("ZZZ"));
        QCOMPARE(again.deviceList()->count(), 0);
        QVERIFY(again.emptyHint()->isVisible());
        QVERIFY(again.emptyHint()->text().contains(QStringLiteral("\"ZZZ\"")));
        button(&again, QDialogButtonBox::Ok)->click();
        QVERIFY(again.isVisible());
        // Alt+S reaches the search box.
        bool mnemonic = false;
        for (QLabel *label : again.findChildren<QLabel *>())
            mnemonic |= label->buddy() == again.searchField() && label->text() == QStringLiteral("&Search");
        QVERIFY(mnemonic);
        again.reject();
    }

    void selectsFromHistory() {
        DeviceLibrary lib(prompt_);
        lib.setLibraryDirectory(dir_);
        lib.SetLibraryFile("TR610.dev");
        std::vector<DeviceHistoryEntry> history = {{10, "AT89S51"}, {95, "W78E58B"}, {82, "SST89E516RD"}};
        QMenu menu;
        menu.addAction(QStringLiteral("Select Device"));
        DeviceRecord chosen;
        fillHistoryMenu(&menu, historyMenuItems(history), 1,
                        [&](int n) { QVERIFY(SelectFromHistory(lib, history, n, chosen)); });
        QCOMPARE(menu.actions().size(), 3);
        QCOMPARE(menu.actions()[2]->text(), QStringLiteral("&2 SST - SST89E516RD"));
        menu.actions()[2]->trigger();
        QCOMPARE(QString(chosen.device_name), QStringLiteral("SST89E516RD"));

        fillHistoryMenu(&menu, historyMenuItems({history[0]}), 1, [&](int) { QFAIL("the single item does nothing"); });
        QCOMPARE(menu.actions().size(), 2);
        QCOMPARE(menu.actions()[1]->text(), QString::fromUtf8(loadString(sid::HistoryDevice).data()));
        menu.actions()[1]->trigger();
    }

    void configChangesAFuseDefaultRestoresCancelKeeps() {
        DeviceRecord device = atmega328p();
        QVERIFY(cfg::LoadConfigDefaults(VANTOR_BIN_DIR, device, prompt_));
        const fs::path file = cfg::configFilePath(VANTOR_BIN_DIR, device);
        QCOMPARE(int(device.config_data[0]), 0x62);

        ConfigDeviceDialog dialog(file, device, prompt_);
        QVERIFY(dialog.opened());
        dialog.show();
        QVERIFY(dialog.tabs()->count() >= 4);
        dialog.tabs()->setCurrentIndex(1);
        screenshot(&dialog, "config-avr");
        dialog.tabs()->setCurrentIndex(0);
        QCheckBox *ckdiv8 = nullptr;
        for (auto *box : dialog.findChildren<QCheckBox *>())
            if (box->text().startsWith(QStringLiteral("CKDIV8"))) ckdiv8 = box;
        QVERIFY(ckdiv8);
        QVERIFY(ckdiv8->isChecked());
        ckdiv8->click();
        button(&dialog, QDialogButtonBox::Ok)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(int(dialog.configBytes()[0]), 0xE2);

        ConfigDeviceDialog second(file, device, prompt_);
        second.show();
        for (auto *box : second.findChildren<QCheckBox *>())
            if (box->text().startsWith(QStringLiteral("CKDIV8"))) ckdiv8 = box;
        ckdiv8->click();
        QVERIFY(!ckdiv8->isChecked());
        second.findChild<QPushButton *>(QStringLiteral("default"))->click();
        QVERIFY(ckdiv8->isChecked());
        button(&second, QDialogButtonBox::Cancel)->click();
        QCOMPARE(second.result(), int(QDialog::Rejected));
        QCOMPARE(int(device.config_data[0]), 0x62);

        // A missing file gives its message and no dialog.
        ConfigDeviceDialog missing(dir_ / "cfg" / "NONE.cfg", device, prompt_);
        QVERIFY(!missing.opened());
        QCOMPARE(QString::fromStdString(prompt_.shown.back().text),
                 QString::fromUtf8(loadString(sid::ConfigFileOpenFailed).data()));
    }

    // The long oscillator entries of a PIC fit their drop-down (grown to the left, past the
    // text before it but not over it) and its list.
    void dropDownsShowTheirWholeEntries() {
        DeviceLibrary lib(prompt_);
        lib.setLibraryDirectory(VANTOR_BIN_DIR);
        lib.SetLibraryFile("TR610.dev");
        DeviceRecord pic;
        QVERIFY(lib.FindDevice(48, "PIC16F628A", pic));
        ConfigDeviceDialog dialog(cfg::configFilePath(VANTOR_BIN_DIR, pic), pic, prompt_);
        QVERIFY(dialog.opened());
        dialog.show();
        const auto combos = dialog.findChildren<QComboBox *>();
        QVERIFY(!combos.isEmpty());
        for (QComboBox *c : combos) {
            QStyleOptionComboBox opt;
            opt.initFrom(c);
            const QRect field = c->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c);
            for (int i = 0; i < c->count(); ++i) {
                const int width = c->fontMetrics().horizontalAdvance(c->itemText(i));
                QVERIFY2(width <= field.width(), qPrintable(c->itemText(i)));
                QVERIFY(width <= c->view()->minimumWidth());
            }
            for (QLabel *sibling : c->parentWidget()->findChildren<QLabel *>())
                QVERIFY2(!sibling->geometry().intersects(c->geometry()), qPrintable(sibling->text()));
        }
    }

    // Default to lock bits no button names shows no button selected, and OK keeps the bits; the
    // choices that can lock the chip out carry the warning icon and their sentence.
    void configShowsNoRadioAfterDefaultAndMarksLockOutChoices() {
        DeviceRecord device = atmega328p();
        QVERIFY(cfg::LoadConfigDefaults(VANTOR_BIN_DIR, device, prompt_));
        cfg::ConfigFile file;
        QVERIFY(cfg::readConfigFile(cfg::configFilePath(VANTOR_BIN_DIR, device), prompt_, file));
        file.defaults[16] = 0xFD;  // lock bits 01: no mode
        fs::create_directories(dir_ / "cfg");
        const fs::path path = dir_ / "cfg" / "UNNAMED.cfg";
        const auto image = cfg::encodeConfigImage(file);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(image.data()), long(image.size()));
        device.config_data[16] = 0xFE;  // mode 2

        ConfigDeviceDialog dialog(path, device, prompt_);
        QVERIFY(dialog.opened());
        dialog.show();
        auto find = [&](const QString &start) -> QAbstractButton * {
            for (auto *b : dialog.findChildren<QAbstractButton *>())
                if (b->text().startsWith(start)) return b;
            return nullptr;
        };
        QAbstractButton *mode2 = find(QStringLiteral("Mode 2"));
        QVERIFY(mode2 && mode2->isChecked());
        dialog.findChild<QPushButton *>(QStringLiteral("default"))->click();
        for (const char *mode : {"Mode 1", "Mode 2", "Mode 3"}) QVERIFY(!find(QLatin1String(mode))->isChecked());
        button(&dialog, QDialogButtonBox::Ok)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(int(dialog.configBytes()[16]), 0xFD);

        ConfigDeviceDialog marked(path, device, prompt_);
        marked.show();
        QAbstractButton *rstdisbl = nullptr, *spien = nullptr, *ckdiv8 = nullptr;
        for (auto *b : marked.findChildren<QAbstractButton *>()) {
            if (b->text().startsWith(QStringLiteral("RSTDISBL"))) rstdisbl = b;
            if (b->text().startsWith(QStringLiteral("SPIEN"))) spien = b;
            if (b->text().startsWith(QStringLiteral("CKDIV8"))) ckdiv8 = b;
        }
        QVERIFY(rstdisbl && spien && ckdiv8);
        QVERIFY(!rstdisbl->icon().isNull());
        QVERIFY(rstdisbl->toolTip().contains(QStringLiteral("high-voltage programmer")));
        QVERIFY(ckdiv8->icon().isNull());
        QVERIFY(!spien->isEnabled());  // serial programming cannot change it
        QVERIFY(spien->isChecked());
        QComboBox *cksel = nullptr;
        for (auto *c : marked.findChildren<QComboBox *>())
            if (c->accessibleName() == QStringLiteral("CKSEL")) cksel = c;
        QVERIFY(cksel);
        QVERIFY(!cksel->itemIcon(cksel->findText(QStringLiteral("External clock (0000)"))).isNull());
        QVERIFY(cksel->itemIcon(cksel->findText(QStringLiteral("Internal RC 8 MHz (0010)"))).isNull());
        auto *note = marked.findChild<QLabel *>(QStringLiteral("lockoutNote"));
        QVERIFY(note && note->isHidden());
        rstdisbl->click();
        QVERIFY(!note->isHidden());
        QVERIFY(note->text().contains(QStringLiteral("RSTDISBL")));
        rstdisbl->click();
        QVERIFY(note->isHidden());
    }

    void operateSettingsRefusesAnEmptyAutoList() {
        DeviceRecord device = atmega328p();
        OptionsRecord options;
        std::uint8_t items[16];
        std::memcpy(items, device.auto_operations, 16);
        OperateSettingsDialog dialog(device, options, items, true, prompt_);
        dialog.show();
        auto *list = dialog.findChild<QListWidget *>(QStringLiteral("autoItems"));
        QVERIFY(list->count() > 3);
        screenshot(&dialog, "operate-settings");
        for (int i = 0; i < list->count(); ++i) list->item(i)->setCheckState(Qt::Unchecked);
        dialog.findChild<QCheckBox *>(QStringLiteral("sound"))->setChecked(false);
        button(&dialog, QDialogButtonBox::Ok)->click();
        QVERIFY(dialog.isVisible());
        QCOMPARE(prompt_.shown.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(prompt_.shown[0].text),
                 QString::fromUtf8(loadString(sid::AutoProgramItemEmpty).data()));
        QCOMPARE(options.Sound, 1);

        list->item(1)->setCheckState(Qt::Checked);
        dialog.findChild<QRadioButton *>(QStringLiteral("range1"))->setChecked(true);
        button(&dialog, QDialogButtonBox::Ok)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(options.Sound, 0);
        QCOMPARE(options.areaMask, 2u);
        QCOMPARE(int(items[0]), int(device.auto_operations[1]));
        QCOMPARE(int(items[1]), 0xFF);
    }
};

QTEST_MAIN(DeviceDialogsTest)
#include "DeviceDialogsTest.moc"
