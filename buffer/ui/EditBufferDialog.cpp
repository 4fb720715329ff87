#include "buffer/ui/EditBufferDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTabBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "buffer/ui/HexViewWidget.h"
#include "buffer/ui/ToolDialogs.h"
#include "core/StringTable.h"
#include "widgets/UiText.h"

namespace vantor::ui {

namespace {

enum Tool { Goto, Copy, Fill, And, Or, Xor, Swap };

// Tool bar pictures drawn at run time, so they scale and need no image files.
QIcon toolIcon(Tool tool) {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(33, 76, 150);
    p.setPen(QPen(ink, 2));
    switch (tool) {
    case Goto: {
        p.drawLine(5, 16, 24, 16);
        QPainterPath head;
        head.moveTo(17, 9);
        head.lineTo(25, 16);
        head.lineTo(17, 23);
        p.drawPath(head);
        p.drawLine(27, 8, 27, 24);
        break;
    }
    case Copy:
        p.setBrush(QColor(220, 230, 245));
        p.drawRect(5, 5, 15, 18);
        p.setBrush(Qt::white);
        p.drawRect(12, 10, 15, 18);
        break;
    case Fill:
        p.setBrush(QColor(120, 160, 220));
        p.drawRect(5, 7, 22, 18);
        p.setPen(QPen(Qt::white, 1.5));
        for (int x = 9; x < 27; x += 5) p.drawLine(x, 8, x, 24);
        break;
    case And:
    case Or:
    case Xor: {
        QFont f = p.font();
        f.setPixelSize(20);
        f.setBold(true);
        p.setFont(f);
        const char *symbol = tool == And ? "&" : tool == Or ? "|" : "^";
        p.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, QString::fromLatin1(symbol));
        break;
    }
    case Swap:
        p.drawLine(6, 11, 26, 11);
        p.drawLine(20, 6, 26, 11);
        p.drawLine(6, 21, 26, 21);
        p.drawLine(6, 21, 12, 26);
        break;
    }
    return QIcon(pm);
}

}  // namespace

EditBufferDialog::EditBufferDialog(DataBuffer &buffer, std::vector<EditArea> areas, EditorSettings &settings,
                                   bool readOnly, Prompt &prompt, QWidget *parent)
    : QDialog(parent), editor_(std::make_unique<BufferEditor>(buffer, std::move(areas), settings)), prompt_(prompt),
      view_(new HexViewWidget(this)), tabs_(new QTabBar(this)), address_(new QLabel(this)), checksum_(new QLabel(this)),
      range_(new QLabel(this)), addressFormat_(new QComboBox(this)), dataFormat_(new QComboBox(this)),
      readOnly_(new QCheckBox(tr("Read Only"), this)), toolbar_(new QToolBar(this)), buffer_(buffer) {
    setWindowTitle(tr("Edit Buffer"));
    setObjectName(QStringLiteral("editBufferDialog"));
    buildToolBar(settings.swapState != 0);
    buildAreaTabs();
    buildTexts();
    buildChoices(settings, readOnly);
    auto *close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    translateButtons(close);
    close->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("close"));
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    watchView();
    layOut(close);

    view_->model().setAddressFormat(editor_->hexAddresses());
    view_->model().setByteRows(!editor_->wordRows());
    applyReadOnly();
    showArea();
    view_->setFocus();
}

void EditBufferDialog::buildToolBar(bool swapOn) {
    toolbar_->setIconSize(QSize(32, 32));
    toolbar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const int captions[7] = {sid::ToolGoto, sid::ToolCopy, sid::ToolFill, sid::ToolAnd,
                             sid::ToolOr,   sid::ToolXor,  sid::ToolSwap};
    const char *names[7] = {"goto", "copy", "fill", "and", "or", "xor", "swap"};
    // Ctrl+G as editors have it; the others on Ctrl+Shift with the tool's initial.
    const QKeySequence keys[7] = {QKeySequence(Qt::CTRL | Qt::Key_G),
                                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C),
                                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F),
                                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A),
                                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
                                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_X),
                                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)};
    for (int i = 0; i < 7; ++i) {
        tools_[i] = toolbar_->addAction(toolIcon(Tool(i)), uiString(captions[i]));
        tools_[i]->setObjectName(QString::fromLatin1(names[i]));
        tools_[i]->setShortcut(keys[i]);
        tools_[i]->setToolTip(
            QStringLiteral("%1 (%2)").arg(tools_[i]->text(), keys[i].toString(QKeySequence::NativeText)));
        if (i < 6) toolbar_->addSeparator();
    }
    tools_[Swap]->setCheckable(true);
    tools_[Swap]->setChecked(swapOn);
    connect(tools_[Goto], &QAction::triggered, this, &EditBufferDialog::gotoTool);
    connect(tools_[Copy], &QAction::triggered, this, &EditBufferDialog::copyTool);
    connect(tools_[Fill], &QAction::triggered, this, &EditBufferDialog::fillTool);
    connect(tools_[And], &QAction::triggered, this, [this] { combineTool(LogicOp::And); });
    connect(tools_[Or], &QAction::triggered, this, [this] { combineTool(LogicOp::Or); });
    connect(tools_[Xor], &QAction::triggered, this, [this] { combineTool(LogicOp::Xor); });
    connect(tools_[Swap], &QAction::triggered, this, &EditBufferDialog::swapTool);
}

void EditBufferDialog::buildAreaTabs() {
    for (const EditArea &a : editor_->areas()) tabs_->addTab(uiText(a.name));
    tabs_->setObjectName(QStringLiteral("areas"));
    tabs_->setAccessibleName(tr("Memory areas"));
    tabs_->setExpanding(false);
    connect(tabs_, &QTabBar::currentChanged, this, &EditBufferDialog::selectArea);
}

void EditBufferDialog::buildTexts() {
    address_->setObjectName(QStringLiteral("address"));
    checksum_->setObjectName(QStringLiteral("checksum"));
    range_->setObjectName(QStringLiteral("range"));
    for (QLabel *l : {address_, checksum_, range_}) {
        l->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
}

void EditBufferDialog::buildChoices(const EditorSettings &settings, bool readOnly) {
    addressFormat_->setObjectName(QStringLiteral("addrFormat"));
    addressFormat_->addItem(uiString(sid::AddressFormatDec));
    addressFormat_->addItem(uiString(sid::AddressFormatHex));
    addressFormat_->setCurrentIndex(settings.addressFormat ? 1 : 0);
    dataFormat_->setObjectName(QStringLiteral("dataFormat"));
    dataFormat_->addItem(tr("8 bit"));
    dataFormat_->addItem(tr("16 bit"));
    dataFormat_->setCurrentIndex(settings.dataFormat ? 1 : 0);
    connect(addressFormat_, &QComboBox::currentIndexChanged, this, &EditBufferDialog::setAddressFormat);
    connect(dataFormat_, &QComboBox::currentIndexChanged, this, &EditBufferDialog::setDataFormat);

    readOnly_->setObjectName(QStringLiteral("readOnly"));
    readOnly_->setChecked(readOnly);
    connect(readOnly_, &QCheckBox::toggled, this, [this](bool on) {
        applyReadOnly();
        if (onReadOnlyChanged) onReadOnlyChanged(on);
    });
}

void EditBufferDialog::watchView() {
    view_->setObjectName(QStringLiteral("hexView"));
    connect(view_, &HexViewWidget::caretMoved, this, [this](quint32) { address_->setText(addressText()); });
    connect(view_, &HexViewWidget::edited, this, [this](quint32 offset) { editor_->typed(offset); });
    // Whatever changes the shown area (typing, a tool) refreshes the checksum and the view.
    listener_ = buffer_.addChangeListener([this](const BufferChange &c) {
        if (!editor_->hasArea() || c.last < editor_->rangeStart() || c.first > editor_->rangeEnd()) return;
        refreshChecksum();
        view_->viewport()->update();
    });
}

void EditBufferDialog::layOut(QWidget *close) {
    auto *texts = new QHBoxLayout;
    texts->addWidget(address_);
    texts->addStretch();
    texts->addWidget(checksum_);
    texts->addStretch();
    texts->addWidget(range_);

    auto *choices = new QHBoxLayout;
    auto *addrLabel = new QLabel(tr("Addr Format"), this);
    addrLabel->setBuddy(addressFormat_);
    auto *dataLabel = new QLabel(tr("Data Format"), this);
    dataLabel->setBuddy(dataFormat_);
    choices->addWidget(addrLabel);
    choices->addWidget(addressFormat_);
    choices->addSpacing(12);
    choices->addWidget(dataLabel);
    choices->addWidget(dataFormat_);
    choices->addSpacing(12);
    choices->addWidget(readOnly_);
    choices->addStretch();
    choices->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(toolbar_);
    layout->addWidget(tabs_);
    layout->setSpacing(4);
    layout->addWidget(view_);
    layout->addLayout(texts);
    layout->addLayout(choices);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

EditBufferDialog::~EditBufferDialog() { buffer_.removeChangeListener(listener_); }

bool EditBufferDialog::readOnly() const { return readOnly_->isChecked(); }

void EditBufferDialog::setReadOnly(bool readOnly) { readOnly_->setChecked(readOnly); }

void EditBufferDialog::done(int result) {
    if (onReadOnlyChanged) onReadOnlyChanged(readOnly());
    QDialog::done(result);
}

void EditBufferDialog::showArea() {
    view_->setData(editor_->areaData(), editor_->rangeSize(), editor_->rangeStart());
    range_->setText(rangeText());
    address_->setText(addressText());
    refreshChecksum();
    applyReadOnly();
}

void EditBufferDialog::selectArea(int index) {
    editor_->selectArea(index);
    if (tabs_->currentIndex() != index) tabs_->setCurrentIndex(index);
    showArea();
}

void EditBufferDialog::setAddressFormat(int format) {
    editor_->settings().addressFormat = format ? 1 : 0;
    if (addressFormat_->currentIndex() != format) addressFormat_->setCurrentIndex(format);
    view_->model().setAddressFormat(format != 0);
    range_->setText(rangeText());
    address_->setText(addressText());
}

void EditBufferDialog::setDataFormat(int format) {
    editor_->settings().dataFormat = format ? 1 : 0;
    if (dataFormat_->currentIndex() != format) dataFormat_->setCurrentIndex(format);
    view_->model().setByteRows(format == 0);
}

QString EditBufferDialog::addressText() const { return uiText(editor_->addressText(view_->model().caret())); }
QString EditBufferDialog::checksumText() const { return uiText(editor_->checksumText()); }
QString EditBufferDialog::rangeText() const { return uiText(editor_->rangeText()); }

void EditBufferDialog::refreshChecksum() { checksum_->setText(checksumText()); }

void EditBufferDialog::applyReadOnly() {
    const bool on = readOnly();
    const bool any = editor_->hasArea();
    for (int i = Copy; i <= Swap; ++i) tools_[i]->setEnabled(any && !on);
    tools_[Goto]->setEnabled(any);
    view_->model().setReadOnly(on);
    const QColor face = on ? palette().color(QPalette::Window) : QColor(Qt::white);
    view_->setColours(HexViewWidget::AddressColumn, face, QColor(128, 0, 0));
    view_->setColours(HexViewWidget::HexColumn, face, QColor(0, 128, 64));
    view_->setColours(HexViewWidget::CharColumn, face, QColor(128, 0, 128));
}

void EditBufferDialog::gotoTool() {
    std::uint32_t offset = 0;
    if (!runGoto(this, *editor_, prompt_, offset)) return;
    view_->model().gotoOffset(offset);
    view_->setFocus(Qt::OtherFocusReason);
}

void EditBufferDialog::copyTool() { runCopy(this, *editor_, prompt_); }

void EditBufferDialog::fillTool() { runFill(this, *editor_, prompt_); }

void EditBufferDialog::combineTool(LogicOp op) { runCombine(this, *editor_, prompt_, op); }

void EditBufferDialog::swapTool() {
    editor_->swap();
    tools_[Swap]->setChecked(editor_->settings().swapState != 0);
}

}  // namespace vantor::ui
