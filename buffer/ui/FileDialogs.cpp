#include "buffer/ui/FileDialogs.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "buffer/FileDialogForms.h"
#include "core/StringIds.h"
#include "widgets/UiText.h"

namespace vantor::ui {

namespace {

QComboBox *formatCombo(QWidget *parent, FileFormat selected) {
    auto *combo = new QComboBox(parent);
    combo->setObjectName(QStringLiteral("fileType"));
    for (unsigned f = 0; f <= unsigned(FileFormat::ExtTektronix); ++f)
        combo->addItem(uiText(formatComboName(FileFormat(f))));
    combo->setCurrentIndex(unsigned(selected) <= unsigned(FileFormat::ExtTektronix) ? int(selected) : 0);
    return combo;
}

QLineEdit *hexEdit(QWidget *parent, const QString &name, std::uint32_t value) {
    auto *edit = new QLineEdit(QString::number(value, 16).toUpper(), parent);
    edit->setObjectName(name);
    edit->setMaxLength(8);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,8}")), edit));
    return edit;
}

QLabel *fileLabel(QWidget *parent, const QString &path) {
    auto *label = new QLabel(QFileInfo(path).fileName(), parent);
    label->setObjectName(QStringLiteral("fileName"));
    label->setToolTip(path);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QString filter() {
    return QCoreApplication::translate("FileDialogs", "Code files (*.bin *.hex *.s* *.tek);;All files (*)");
}

}  // namespace

LoadFileDialog::LoadFileDialog(const QString &path, const LoadSettings &initial, std::uint32_t topAddress,
                               QWidget *parent)
    : QDialog(parent), settings_(initial), topAddress_(topAddress) {
    setObjectName(QStringLiteral("loadFileDialog"));
    setWindowTitle(tr("Load File"));
    format_ = formatCombo(this, initial.format);
    format_->setAccessibleName(tr("File Type"));
    auto *top = new QFormLayout;
    top->addRow(tr("File Name:"), fileLabel(this, path));
    top->addRow(tr("File Type"), format_);

    auto *fillBox = new QGroupBox(tr("Unused Byte"), this);
    auto *fillLayout = new QVBoxLayout(fillBox);
    fill_ = new QButtonGroup(this);
    const std::pair<UnusedByteMode, QString> modes[] = {{UnusedByteMode::FillFF, tr("Fill 0xff")},
                                                        {UnusedByteMode::Fill00, tr("Fill 0x00")},
                                                        {UnusedByteMode::Ignore, tr("Ignore")}};
    for (const auto &[mode, text] : modes) {
        auto *radio = new QRadioButton(text, fillBox);
        radio->setObjectName(QStringLiteral("fill%1").arg(int(mode)));
        fill_->addButton(radio, int(mode));
        fillLayout->addWidget(radio);
        if (mode == initial.unusedByteMode) radio->setChecked(true);
    }
    auto *offsetBox = new QGroupBox(tr("Offset(HEX)"), this);
    auto *offsetLayout = new QFormLayout(offsetBox);
    fileStart_ = hexEdit(this, QStringLiteral("fileStart"), initial.loadFileStart);
    bufferStart_ = hexEdit(this, QStringLiteral("bufferStart"), initial.loadBufferStart);
    fileStart_->setAccessibleName(tr("File Start"));
    bufferStart_->setAccessibleName(tr("Buffer Start"));
    offsetLayout->addRow(tr("File Start"), fileStart_);
    offsetLayout->addRow(tr("Buffer Start"), bufferStart_);
    auto *middle = new QHBoxLayout;
    middle->addWidget(fillBox);
    middle->addWidget(offsetBox);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    translateButtons(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &LoadFileDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LoadFileDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle);
    layout->addWidget(buttons);
}

void LoadFileDialog::accept() {
    if (const auto problem = checkLoadForm(toUtf8(fileStart_->text()), toUtf8(bufferStart_->text()), topAddress_)) {
        QMessageBox::warning(this, windowTitle(), uiText(problem->message));
        (problem->field == 0 ? fileStart_ : bufferStart_)->setFocus();
        return;
    }
    const auto fileStart = parseHexField(toUtf8(fileStart_->text()));
    const auto bufferStart = parseHexField(toUtf8(bufferStart_->text()));
    settings_.format = FileFormat(format_->currentIndex());
    settings_.unusedByteMode = UnusedByteMode(fill_->checkedId());
    settings_.loadFileStart = *fileStart;
    settings_.loadBufferStart = *bufferStart;
    QDialog::accept();
}

SaveFileDialog::SaveFileDialog(const QString &path, const SaveSettings &initial, QWidget *parent)
    : QDialog(parent), settings_(initial) {
    setObjectName(QStringLiteral("saveFileDialog"));
    setWindowTitle(tr("Save File"));
    format_ = formatCombo(this, initial.format);
    format_->setAccessibleName(tr("File Type"));
    start_ = hexEdit(this, QStringLiteral("saveStart"), initial.saveStart);
    size_ = hexEdit(this, QStringLiteral("saveSize"), initial.saveSize);
    start_->setAccessibleName(tr("Buffer Start Address(HEX)"));
    size_->setAccessibleName(tr("Data Size(HEX)"));
    auto *form = new QFormLayout;
    form->addRow(tr("File Name:"), fileLabel(this, path));
    form->addRow(tr("File Type"), format_);
    form->addRow(tr("Buffer Start Address(HEX)"), start_);
    form->addRow(tr("Data Size(HEX)"), size_);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    translateButtons(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &SaveFileDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SaveFileDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void SaveFileDialog::accept() {
    // A range past the end of the buffer would read memory that is not there.
    if (const auto problem = checkSaveForm(toUtf8(start_->text()), toUtf8(size_->text()))) {
        QMessageBox::warning(this, windowTitle(), uiText(problem->message));
        (problem->field == 0 ? start_ : size_)->setFocus();
        return;
    }
    const auto start = parseHexField(toUtf8(start_->text()));
    const auto size = parseHexField(toUtf8(size_->text()));
    settings_.format = FileFormat(format_->currentIndex());
    settings_.saveStart = *start;
    settings_.saveSize = *size;
    QDialog::accept();
}

QString chooseFileToLoad(QWidget *parent, const QString &directory) {
    return QFileDialog::getOpenFileName(parent, QCoreApplication::translate("FileDialogs", "Load File"), directory,
                                        filter());
}

QString chooseFileToSave(QWidget *parent, const QString &directory) {
    return QFileDialog::getSaveFileName(parent, QCoreApplication::translate("FileDialogs", "Save File"), directory,
                                        filter());
}

}  // namespace vantor::ui
