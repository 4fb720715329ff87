#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QAbstractItemView>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cstring>

#include "core/LittleEndian.h"
#include "devices/DeviceInfo.h"
#include "devices/LockoutRisks.h"
#include "devices/ui/DeviceDialogs.h"
#include "widgets/UiText.h"

namespace vantor::ui {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// "Code Memory + EEPROM Memory": each area name translated on its own.
QString areaCaption(const std::string &caption) {
    QStringList parts;
    for (const QString &part : qs(caption).split(QStringLiteral(" + "))) parts << uiText(toUtf8(part));
    return parts.join(QStringLiteral(" + "));
}

// A drop-down whose entries are wider than its rectangle (long PIC oscillator texts) grows to
// the left into the free room after the text before it, and its list opens as wide as its
// longest entry, so no entry is cut.
void fitDropDown(QComboBox *combo, QWidget *page) {
    QRect box = combo->geometry();
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    const int needed = combo->sizeHint().width();
    combo->view()->setMinimumWidth(needed);
    if (needed <= box.width()) return;
    int left = 0;
    for (QWidget *before : page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        const QRect r = before->geometry();
        if (before == combo || r.left() >= box.left() || r.bottom() < box.top() || r.top() > box.bottom()) continue;
        if (qobject_cast<QGroupBox *>(before)) continue;
        const int width = std::min(r.width(), before->sizeHint().width());
        before->resize(width, r.height());
        left = std::max(left, r.left() + width + 6);
    }
    box.setLeft(std::max(left, box.right() - needed));
    combo->setGeometry(box);
}

QListWidget *namedList(const QString &name, const QString &accessibleName, QWidget *parent) {
    auto *list = new QListWidget(parent);
    list->setObjectName(name);
    list->setAccessibleName(accessibleName);
    list->setUniformItemSizes(true);
    return list;
}
}  // namespace

QPixmap vendorLogo(const Artbank &artbank, int vendorIndex) {
    const auto dib = artbank.resource("BITMAP", artbank.logoId(vendorIndex));
    if (dib.size() < 40) return {};
    // The resource is a device-independent bitmap without its file header: add one.
    const std::uint32_t headerSize = le::load32(dib.data());
    const std::uint16_t bits = le::load16(dib.data() + 14);
    std::uint32_t colours = dib.size() >= 36 ? le::load32(dib.data() + 32) : 0;
    if (colours == 0 && bits <= 8) colours = 1u << bits;
    QByteArray file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    le::store32(reinterpret_cast<std::uint8_t *>(file.data()) + 2, std::uint32_t(14 + dib.size()));
    le::store32(reinterpret_cast<std::uint8_t *>(file.data()) + 10, 14 + headerSize + 4 * colours);
    file.append(reinterpret_cast<const char *>(dib.data()), qsizetype(dib.size()));
    QImage image;
    if (!image.loadFromData(file, "BMP")) return {};
    return QPixmap::fromImage(image);
}

// ---- Select Device ------------------------------------------------------------

SelectDeviceDialog::SelectDeviceDialog(DeviceLibrary &library, Profile &profile,
                                       const std::filesystem::path &artbankPath, QWidget *parent,
                                       const DeviceRecord *current)
    : QDialog(parent), form_(library, profile) {
    setWindowTitle(tr("Select Device"));
    auto *layout = new QVBoxLayout(this);

    auto *typeBox = new QGroupBox(tr("Type"), this);
    auto *typeLayout = new QHBoxLayout(typeBox);
    types_ = new QButtonGroup(this);
    for (int b = 0; b < SelectDeviceForm::kTypeButtons; ++b) {
        auto *radio = new QRadioButton(uiText(SelectDeviceForm::typeLabel(b)), typeBox);
        radio->setObjectName(QStringLiteral("type%1").arg(b));
        radio->setEnabled(SelectDeviceForm::typeEnabled(b));
        types_->addButton(radio, b);
        typeLayout->addWidget(radio);
    }
    layout->addWidget(typeBox);

    auto *searchRow = new QHBoxLayout;
    auto *searchLabel = new QLabel(tr("&Search"), this);
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("search"));
    search_->setAccessibleName(tr("Search"));
    searchLabel->setBuddy(search_);
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(search_, 1);
    layout->addLayout(searchRow);

    auto *lists = new QHBoxLayout;
    vendors_ = namedList(QStringLiteral("vendors"), tr("Vendor"), this);
    devices_ = namedList(QStringLiteral("devices"), tr("Device"), this);
    logo_ = new QLabel(this);
    logo_->setObjectName(QStringLiteral("logo"));
    logo_->setAccessibleName(tr("Vendor logo"));
    logo_->setMinimumSize(120, 60);
    logo_->setAlignment(Qt::AlignCenter);
    logo_->setStyleSheet(QStringLiteral("background: white"));
    lists->addWidget(vendors_, 1);
    lists->addWidget(devices_, 2);
    lists->addWidget(logo_, 0, Qt::AlignTop);
    layout->addLayout(lists, 1);
    hint_ = new QLabel(this);
    hint_->setObjectName(QStringLiteral("emptyHint"));
    hint_->setWordWrap(true);
    hint_->hide();
    layout->addWidget(hint_);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("&OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("&Cancel"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &SelectDeviceDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(640, 420);

    artbank_ = std::make_unique<Artbank>(artbankPath);
    opened_ = form_.open(current);
    if (!opened_) return;
    if (auto *b = types_->button(form_.typeFilter())) b->setChecked(true);
    search_->setText(qs(form_.searchText()));
    refresh();

    connect(types_, &QButtonGroup::idClicked, this, [this](int) { filterChanged(); });
    connect(search_, &QLineEdit::textChanged, this, [this](const QString &) { filterChanged(); });
    connect(vendors_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (filling_ || row < 0) return;
        form_.selectVendor(row);
        refresh();
    });
    connect(devices_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!filling_) form_.selectDevice(row);
    });
    connect(devices_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *) { accept(); });
}

SelectDeviceDialog::~SelectDeviceDialog() = default;

void SelectDeviceDialog::filterChanged() {
    form_.setFilter(types_->checkedId() < 0 ? 0 : types_->checkedId(), search_->text().toStdString());
    refresh();
}

void SelectDeviceDialog::refresh() {
    filling_ = true;
    // One call per list: a vendor may have thousands of devices.
    auto fill = [](QListWidget *list, const std::vector<std::string> &texts, int current) {
        QStringList items;
        items.reserve(qsizetype(texts.size()));
        for (const auto &t : texts) items.append(qs(t));
        list->clear();
        list->addItems(items);
        list->setCurrentRow(current);
    };
    fill(vendors_, form_.vendors(), form_.vendorPosition());
    fill(devices_, form_.devices(), form_.devicePosition());
    filling_ = false;
    const std::string hint = form_.emptyHint();
    hint_->setText(uiText(hint));
    hint_->setVisible(!hint.empty());
    // With no vendor left the logo stays as it was.
    if (form_.vendorPosition() >= 0) showLogo();
}

void SelectDeviceDialog::showLogo() {
    const QPixmap logo = vendorLogo(*artbank_, form_.selectedVendorIndex());
    if (logo.isNull()) logo_->clear();
    else logo_->setPixmap(logo);
}

void SelectDeviceDialog::accept() {
    if (!form_.accept(result_)) return;  // empty lists or a device no longer found: stay open
    artbank_.reset();
    QDialog::accept();
}

void fillHistoryMenu(QMenu *menu, const std::vector<HistoryMenuItem> &items, int keepFirst,
                     const std::function<void(int)> &select) {
    const auto actions = menu->actions();
    for (int i = keepFirst; i < actions.size(); ++i) {
        menu->removeAction(actions[i]);
        actions[i]->deleteLater();
    }
    for (const auto &item : items) {
        QAction *a = menu->addAction(uiText(item.text));
        a->setData(item.command);
        const int n = item.entry;
        if (n == 0) {  // "History Device" does nothing
            a->setEnabled(false);
            continue;
        }
        QObject::connect(a, &QAction::triggered, menu, [select, n] { select(n); });
    }
}

// ---- Config ---------------------------------------------------------------------

// Item rectangles are in dialog units: a quarter of the average character width across, an
// eighth of the line height down.
struct ConfigDeviceDialog::DialogUnits {
    explicit DialogUnits(const QFont &font) {
        const QFontMetrics fm(font);
        across = fm.averageCharWidth() / 4.0;
        down = fm.height() / 8.0;
    }
    int x(std::uint32_t units) const { return int(units * across + 0.5); }
    int y(std::uint32_t units) const { return int(units * down + 0.5); }
    QRect rect(const cfg::Rect &r) const {
        return {x(r.left), y(r.top), x(r.right) - x(r.left), y(r.bottom) - y(r.top)};
    }
    double across = 0, down = 0;
};

ConfigDeviceDialog::ConfigDeviceDialog(const std::filesystem::path &file, const DeviceRecord &device, Prompt &prompt,
                                       QWidget *parent)
    : QDialog(parent), form_(prompt) {
    setWindowTitle(tr("Config"));
    opened_ = form_.open(file, device);
    if (!opened_) return;
    auto *layout = new QVBoxLayout(this);
    const DialogUnits units(font());
    const std::vector<QWidget *> pages = buildPages(units);
    buildControls(pages, units);
    layout->addWidget(tabs_);
    lockoutNote_ = new QLabel(this);
    lockoutNote_->setObjectName(QStringLiteral("lockoutNote"));
    lockoutNote_->setWordWrap(true);
    lockoutNote_->setStyleSheet(QStringLiteral("color: #B00000"));
    layout->addWidget(lockoutNote_);
    for (QWidget *w : controls_) {
        if (auto *box = qobject_cast<QAbstractButton *>(w))
            connect(box, &QAbstractButton::toggled, this, &ConfigDeviceDialog::showLockoutNote);
        else if (auto *combo = qobject_cast<QComboBox *>(w))
            connect(combo, &QComboBox::currentIndexChanged, this, &ConfigDeviceDialog::showLockoutNote);
    }
    layout->addWidget(makeButtons());
    showForm();
}

std::vector<QWidget *> ConfigDeviceDialog::buildPages(const DialogUnits &units) {
    const auto &cf = form_.file();
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("pages"));
    std::vector<QWidget *> pages;
    for (int p = 0; p < form_.pageCount(); ++p) {
        auto *page = new QWidget;
        page->setMinimumSize(units.x(cf.effectiveWidth()), units.y(cf.effectiveHeight()));
        pages.push_back(page);
        tabs_->addTab(page, tr("Page %1").arg(p + 1));
    }
    return pages;
}

void ConfigDeviceDialog::buildControls(const std::vector<QWidget *> &pages, const DialogUnits &units) {
    const auto &items = form_.file().items;
    controls_.assign(items.size(), nullptr);
    RadioGroups groups;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const cfg::Item &it = items[i];
        QWidget *page = pages[std::size_t(it.page)];
        QWidget *w = makeControl(i, page, groups);
        if (!w) continue;
        w->setGeometry(units.rect(it.rect));
        if (auto *combo = qobject_cast<QComboBox *>(w)) fitDropDown(combo, page);
        w->setObjectName(QStringLiteral("item%1").arg(i));
        w->setAccessibleName(uiText(it.text));
        controls_[i] = w;
        markLockout(i);
    }
}

QWidget *ConfigDeviceDialog::makeControl(std::size_t i, QWidget *page, RadioGroups &groups) {
    const auto &items = form_.file().items;
    const cfg::Item &it = items[i];
    const QString text = uiText(it.text);
    switch (it.kind) {
    case cfg::kHexField: {
        auto *edit = new QLineEdit(page);
        edit->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,%1}").arg(it.hexDigits())), edit));
        edit->setMaxLength(it.hexDigits());
        return edit;
    }
    case cfg::kGroupBox: {
        auto *box = new QGroupBox(text, page);
        box->lower();
        return box;
    }
    case cfg::kRadioButton: {
        auto *radio = new QRadioButton(text, page);
        if (form_.control(i).radioGroup != groups.id || !groups.current) {
            groups.current = new QButtonGroup(this);
            groups.id = form_.control(i).radioGroup;
        }
        groups.current->addButton(radio);
        return radio;
    }
    case cfg::kCheckBox: return new QCheckBox(text, page);
    case cfg::kStaticText:
    case cfg::kStaticText5:
    case cfg::kStaticText6: {
        auto *label = new QLabel(text, page);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return label;
    }
    case cfg::kDropDown: {
        auto *combo = new QComboBox(page);
        for (std::size_t e : form_.control(i).entries) combo->addItem(uiText(items[e].text));
        return combo;
    }
    default: return nullptr;  // list entries live in their drop-down
    }
}

QDialogButtonBox *ConfigDeviceDialog::makeButtons() {
    auto *buttons = new QDialogButtonBox(this);
    auto *defaults = buttons->addButton(tr("&Default"), QDialogButtonBox::ResetRole);
    defaults->setObjectName(QStringLiteral("default"));
    buttons->addButton(QDialogButtonBox::Ok)->setText(tr("&OK"));
    buttons->addButton(QDialogButtonBox::Cancel)->setText(tr("&Cancel"));
    connect(defaults, &QPushButton::clicked, this, &ConfigDeviceDialog::restoreDefaults);
    connect(buttons, &QDialogButtonBox::accepted, this, &ConfigDeviceDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return buttons;
}

// The dangerous choices carry the warning icon and say what they do in their tool tip; the
// list entries that are dangerous carry it on their own.
void ConfigDeviceDialog::markLockout(std::size_t i) {
    const LockoutRule *rule = lockoutRule(form_.file(), i, form_.device());
    QWidget *w = controls_[i];
    if (!rule || !w) return;
    const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    const QString sentence = uiText(lockoutConsequence(*rule));
    w->setToolTip(sentence);
    w->setAccessibleDescription(sentence);
    if (auto *button = qobject_cast<QAbstractButton *>(w)) button->setIcon(warning);
    if (auto *combo = qobject_cast<QComboBox *>(w)) {
        // An entry is dangerous when choosing it alone makes a risk.
        const auto &items = form_.file().items;
        const auto &entries = form_.control(i).entries;
        for (std::size_t e = 0; e < entries.size(); ++e) {
            auto bytes = form_.working();
            bytes[items[i].byteIndex] =
                std::uint8_t((bytes[items[i].byteIndex] & ~items[i].mask) | items[entries[e]].value);
            for (const LockoutRisk &risk : lockoutRisks(form_.file(), form_.device(), bytes))
                if (risk.item == i) combo->setItemIcon(int(e), warning);
        }
    }
    // Serial programming cannot change it: shown as it is, never changed here.
    if (form_.isReadOnly(i)) {
        w->setEnabled(false);
        w->setToolTip(sentence + tr(" A serial programmer cannot change this bit."));
    }
}

void ConfigDeviceDialog::showLockoutNote() {
    if (showing_) return;  // the controls are half way to the form's state
    readControls();
    const auto risks = lockoutRisks(form_.file(), form_.device(), form_.choicesApplied());
    lockoutNote_->setText(
        risks.empty() ? QString() : uiText("These choices can lock the chip out:\n" + describeRisks(risks)).trimmed());
    lockoutNote_->setVisible(!risks.empty());
}

void ConfigDeviceDialog::showForm() {
    const auto &items = form_.file().items;
    showing_ = true;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto &c = form_.control(i);
        if (auto *edit = qobject_cast<QLineEdit *>(controls_[i])) edit->setText(qs(c.text));
        else if (auto *radio = qobject_cast<QRadioButton *>(controls_[i])) {
            // An exclusive group cannot show "none selected": it is lifted while the state is set.
            QButtonGroup *group = radio->group();
            if (group) group->setExclusive(false);
            radio->setChecked(c.checked);
            if (group) group->setExclusive(true);
        } else if (auto *box = qobject_cast<QCheckBox *>(controls_[i])) box->setChecked(c.checked);
        else if (auto *combo = qobject_cast<QComboBox *>(controls_[i])) combo->setCurrentIndex(c.selected);
    }
    showing_ = false;
    showLockoutNote();
}

void ConfigDeviceDialog::readControls() {
    const auto &items = form_.file().items;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (auto *edit = qobject_cast<QLineEdit *>(controls_[i])) form_.setHexText(i, edit->text().toStdString());
        else if (auto *radio = qobject_cast<QRadioButton *>(controls_[i])) {
            if (radio->isChecked()) form_.setChecked(i, true);
        } else if (auto *box = qobject_cast<QCheckBox *>(controls_[i])) form_.setChecked(i, box->isChecked());
        else if (auto *combo = qobject_cast<QComboBox *>(controls_[i])) form_.selectEntry(i, combo->currentIndex());
    }
}

void ConfigDeviceDialog::restoreDefaults() {
    form_.restoreDefaults();
    showForm();
}

void ConfigDeviceDialog::accept() {
    readControls();
    if (form_.accept()) QDialog::accept();
}

// ---- Operate Settings -----------------------------------------------------------

OperateSettingsDialog::OperateSettingsDialog(const DeviceRecord &device, OptionsRecord &options,
                                             std::uint8_t autoItems[16], bool fileLoaded, Prompt &prompt,
                                             QWidget *parent)
    : QDialog(parent), form_(device, options, autoItems, fileLoaded), options_(options), autoItems_(autoItems),
      prompt_(prompt) {
    setWindowTitle(tr("Operate Settings"));
    auto *layout = new QHBoxLayout(this);
    auto *left = new QVBoxLayout;
    auto addBox = [&](const QString &text, const char *name, bool *value, bool enabled) {
        auto *box = new QCheckBox(text, this);
        box->setObjectName(QLatin1String(name));
        box->setChecked(*value);
        box->setEnabled(enabled);
        connect(box, &QCheckBox::toggled, this, [value](bool on) { *value = on; });
        left->addWidget(box);
    };
    addBox(tr("Check Device ID"), "checkId", &form_.checkId, form_.checkIdEnabled());
    addBox(tr("Auto Reload File of Modified"), "autoReload", &form_.autoReload, true);
    addBox(tr("Play Sound"), "sound", &form_.sound, true);
    addBox(tr("Ignore 0xFF"), "ignoreFF", &form_.ignoreFF, form_.ignoreFFEnabled());

    auto *rangeBox = new QGroupBox(tr("Program Range"), this);
    rangeBox->setObjectName(QStringLiteral("range"));
    auto *rangeLayout = new QVBoxLayout(rangeBox);
    range_ = new QButtonGroup(this);
    for (int b = 0; b < 3; ++b) {
        auto *radio = new QRadioButton(areaCaption(form_.rangeCaption(b)), rangeBox);
        radio->setObjectName(QStringLiteral("range%1").arg(b));
        range_->addButton(radio, b);
        rangeLayout->addWidget(radio);
        radio->setChecked(form_.rangeButton == b);
    }
    rangeBox->setVisible(form_.rangeShown());
    left->addWidget(rangeBox);
    left->addStretch(1);
    layout->addLayout(left);

    auto *right = new QVBoxLayout;
    right->addWidget(new QLabel(tr("Auto Program Item"), this));
    items_ = new QListWidget(this);
    items_->setObjectName(QStringLiteral("autoItems"));
    items_->setAccessibleName(tr("Auto Program Item"));
    for (const auto &e : form_.autoEntries) {
        auto *item = new QListWidgetItem(uiText(e.name).trimmed(), items_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(e.checked ? Qt::Checked : Qt::Unchecked);
    }
    right->addWidget(items_, 1);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("&OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("&Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &OperateSettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    right->addWidget(buttons);
    layout->addLayout(right);
}

void OperateSettingsDialog::accept() {
    for (int i = 0; i < items_->count() && i < int(form_.autoEntries.size()); ++i)
        form_.autoEntries[std::size_t(i)].checked = items_->item(i)->checkState() == Qt::Checked;
    form_.rangeButton = range_->checkedId();
    if (form_.accept(prompt_, options_, autoItems_)) QDialog::accept();
}

}  // namespace vantor::ui
