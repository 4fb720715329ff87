#pragma once
// The Select Device, Config and Operate Settings dialogs and the History Device menus: Qt
// bindings of the dialog forms in devices/.
#include <QDialog>
#include <QPixmap>
#include <memory>
#include <vector>

#include "core/Prompt.h"
#include "devices/ConfigDeviceForm.h"
#include "devices/OperateSettingsForm.h"
#include "devices/SelectDeviceForm.h"

class QButtonGroup;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QTabWidget;
class QWidget;

namespace vantor {
class Artbank;
}

namespace vantor::ui {

// A manufacturer logo of the Artbank library as a picture; null when there is none.
QPixmap vendorLogo(const Artbank &artbank, int vendorIndex);

class SelectDeviceDialog : public QDialog {
    Q_OBJECT
public:
    // Opens at `current` when it is given and the stored filter shows it.
    SelectDeviceDialog(DeviceLibrary &library, Profile &profile, const std::filesystem::path &artbankPath,
                       QWidget *parent = nullptr, const DeviceRecord *current = nullptr);
    ~SelectDeviceDialog() override;

    // False when the library could not be read (it said why): do not show the dialog.
    bool opened() const { return opened_; }
    const DeviceRecord &selectedDevice() const { return result_; }

    QLineEdit *searchField() const { return search_; }
    QListWidget *vendorList() const { return vendors_; }
    QListWidget *deviceList() const { return devices_; }
    QLabel *logo() const { return logo_; }
    QLabel *emptyHint() const { return hint_; }

    void accept() override;

private:
    void refresh();
    void filterChanged();
    void showLogo();

    SelectDeviceForm form_;
    std::unique_ptr<Artbank> artbank_;
    DeviceRecord result_;
    bool opened_ = false;
    bool filling_ = false;
    QButtonGroup *types_ = nullptr;
    QLineEdit *search_ = nullptr;
    QListWidget *vendors_ = nullptr;
    QListWidget *devices_ = nullptr;
    QLabel *logo_ = nullptr;
    QLabel *hint_ = nullptr;
};

// Fills a History Device menu (the tool bar's drop-down or the Device menu after its first
// four items); `select` gets the history entry number of a chosen item.
void fillHistoryMenu(QMenu *menu, const std::vector<HistoryMenuItem> &items, int keepFirst,
                     const std::function<void(int)> &select);

class ConfigDeviceDialog : public QDialog {
    Q_OBJECT
public:
    // Loads the device's configuration file; opened() is false when it failed (the message was shown).
    ConfigDeviceDialog(const std::filesystem::path &file, const DeviceRecord &device, Prompt &prompt,
                       QWidget *parent = nullptr);
    bool opened() const { return opened_; }
    ConfigDeviceForm &form() { return form_; }
    QTabWidget *tabs() const { return tabs_; }
    // The control of item i (null for drop-down entries).
    QWidget *control(std::size_t item) const { return controls_[item]; }
    // "&OK" succeeded: the bytes to copy into the device's config_data.
    const std::array<std::uint8_t, kConfigDataSize> &configBytes() const { return form_.working(); }

    void accept() override;
    void restoreDefaults();

private:
    struct DialogUnits;
    // Radio buttons of one group exclude each other: the group being filled and its number.
    struct RadioGroups {
        QButtonGroup *current = nullptr;
        int id = -1;
    };
    std::vector<QWidget *> buildPages(const DialogUnits &units);
    void buildControls(const std::vector<QWidget *> &pages, const DialogUnits &units);
    QWidget *makeControl(std::size_t item, QWidget *page, RadioGroups &groups);
    QDialogButtonBox *makeButtons();
    void showForm();
    void readControls();
    void markLockout(std::size_t item);
    void showLockoutNote();

    ConfigDeviceForm form_;
    bool opened_ = false;
    QTabWidget *tabs_ = nullptr;
    QLabel *lockoutNote_ = nullptr;  // the dangerous choices made, one sentence each
    bool showing_ = false;           // showForm() is setting the controls
    std::vector<QWidget *> controls_;
};

class OperateSettingsDialog : public QDialog {
    Q_OBJECT
public:
    OperateSettingsDialog(const DeviceRecord &device, OptionsRecord &options, std::uint8_t autoItems[16],
                          bool fileLoaded, Prompt &prompt, QWidget *parent = nullptr);
    void accept() override;

private:
    OperateSettingsForm form_;
    OptionsRecord &options_;
    std::uint8_t *autoItems_;
    Prompt &prompt_;
    QListWidget *items_ = nullptr;
    QButtonGroup *range_ = nullptr;
    std::vector<std::pair<QWidget *, bool *>> boxes_;
};

}  // namespace vantor::ui
