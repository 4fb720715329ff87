#include "buffer/ui/ToolDialogs.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <ctime>

#include "buffer/ui/NumberEdit.h"
#include "core/StringTable.h"
#include "widgets/UiText.h"

namespace vantor::ui {

ToolDialog::ToolDialog(const QString &title, Prompt &prompt, QWidget *parent)
    : QDialog(parent), prompt_(prompt), form_(new QFormLayout), buttons_(new QDialogButtonBox) {
    setWindowTitle(title);
    buttons_->setStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    translateButtons(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, &ToolDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &ToolDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form_);
    layout->addWidget(buttons_);
}

NumberEdit *ToolDialog::addField(const QString &name, const QString &label, NumberField field, const QString &unit,
                                 std::uint32_t value, QFormLayout *form) {
    auto *edit = new NumberEdit(field, this);
    edit->setObjectName(name);
    edit->setAccessibleName(label);
    edit->setValue(value);
    edit->setMinimumWidth(QFontMetrics(edit->font()).horizontalAdvance(QLatin1Char('D')) * 10);
    connect(edit, &QLineEdit::textChanged, this, &ToolDialog::updateOk);
    QWidget *row = edit;
    if (!unit.isEmpty()) {
        row = new QWidget(this);
        auto *h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        h->addWidget(edit);
        h->addWidget(new QLabel(unit, row));
    }
    (form ? form : form_)->addRow(label, row);
    if (!firstField_) firstField_ = edit;
    return edit;
}

// The first field takes the keyboard (typed digits replace its text) and Tab follows the
// layout: the fields and choices top to bottom, then OK and Cancel. Without this the button
// box, made first, leads the chain and takes the focus.
void ToolDialog::showEvent(QShowEvent *event) {
    if (!orderSet_) {
        orderSet_ = true;
        QList<QWidget *> fields, buttons;
        for (QWidget *w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
            if (!(w->focusPolicy() & Qt::TabFocus)) continue;
            (buttons_->isAncestorOf(w) ? buttons : fields).append(w);
        }
        const QList<QWidget *> order = fields + buttons;
        for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
        if (firstField_ && !focusWidget()) {
            firstField_->setFocus(Qt::TabFocusReason);
            firstField_->selectAll();
        }
    }
    QDialog::showEvent(event);
    // The button box made OK the default while it was shown; here no button is.
    if (enterMovesOn_) buttons_->button(QDialogButtonBox::Ok)->setDefault(false);
}

// Enter in a field goes on to the next one instead of pressing OK; OK takes Enter only when it
// has the focus, so a range left at its default is never acted on by a stray Enter.
void ToolDialog::setEnterMovesOn() {
    for (QWidget *w : findChildren<QWidget *>())
        if (!buttons_->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus)) w->installEventFilter(this);
    enterMovesOn_ = true;
}

bool ToolDialog::eventFilter(QObject *watched, QEvent *event) {
    if (enterMovesOn_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            focusNextChild();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// OK needs a number in every field that is in use.
void ToolDialog::updateOk() {
    bool complete = true;
    for (NumberEdit *e : findChildren<NumberEdit *>())
        if (e->isEnabled() && e->text().isEmpty()) complete = false;
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(complete);
}

void ToolDialog::accept() {
    updateOk();
    if (!buttons_->button(QDialogButtonBox::Ok)->isEnabled()) return;
    const EditOutcome outcome = run_ ? run_() : EditOutcome{};
    if (!outcome.ok) {
        prompt_.ask(outcome.message, "", Prompt::Icon::Warning);
        return;
    }
    QDialog::accept();
}

bool runGoto(QWidget *parent, BufferEditor &editor, Prompt &prompt, std::uint32_t &caretOffset) {
    ToolDialog d(ToolDialog::tr("Location"), prompt, parent);
    d.setObjectName(QStringLiteral("gotoDialog"));
    const QString unit = uiText(editor.baseLabel());
    NumberEdit *address = d.addField(QStringLiteral("address"), ToolDialog::tr("Address:"), editor.addressField(), unit,
                                     editor.rangeStart());
    address->selectAll();
    d.setRunner([&] { return editor.gotoAddress(*address->value(), caretOffset); });
    return d.exec() == QDialog::Accepted;
}

bool runCopy(QWidget *parent, BufferEditor &editor, Prompt &prompt) {
    ToolDialog d(uiString(sid::ToolCopy), prompt, parent);
    d.setObjectName(QStringLiteral("copyDialog"));
    const QString unit = uiText(editor.baseLabel());
    const NumberField field = editor.addressField();
    NumberEdit *start =
        d.addField(QStringLiteral("start"), ToolDialog::tr("Start Address:"), field, unit, editor.rangeStart());
    NumberEdit *end = d.addField(QStringLiteral("end"), ToolDialog::tr("End Address:"), field, unit, editor.rangeEnd());
    NumberEdit *destination = d.addField(QStringLiteral("destination"), ToolDialog::tr("Destination Address:"), field,
                                         unit, editor.rangeStart());
    d.setRunner([&] { return editor.copy(*start->value(), *end->value(), *destination->value()); });
    return d.exec() == QDialog::Accepted;
}

bool runFill(QWidget *parent, BufferEditor &editor, Prompt &prompt) {
    ToolDialog d(uiString(sid::ToolFill), prompt, parent);
    d.setObjectName(QStringLiteral("fillDialog"));
    auto *range = new QGroupBox(uiText(editor.fillRangeText()), &d);
    auto *rangeForm = new QFormLayout(range);
    d.form()->addRow(range);
    const NumberField address{16, 8};
    NumberEdit *from =
        d.addField(QStringLiteral("from"), ToolDialog::tr("From:"), address, {}, editor.rangeStart(), rangeForm);
    NumberEdit *to = d.addField(QStringLiteral("to"), ToolDialog::tr("To:"), address, {}, editor.rangeEnd(), rangeForm);

    auto *dataBox = new QGroupBox(ToolDialog::tr("Data"), &d);
    auto *dataLayout = new QVBoxLayout(dataBox);
    auto *choices = new QButtonGroup(&d);
    const QString names[] = {ToolDialog::tr("Constant byte(8bit)"), ToolDialog::tr("Constant word(16bit)"),
                             ToolDialog::tr("Random values"), ToolDialog::tr("Sequential bytes(8bit)"),
                             ToolDialog::tr("Sequential words(16bit)")};
    for (int i = 0; i < 5; ++i) {
        auto *radio = new QRadioButton(names[i], dataBox);
        radio->setObjectName(QStringLiteral("choice%1").arg(i));
        choices->addButton(radio, i);
        dataLayout->addWidget(radio);
    }
    auto *valueForm = new QFormLayout;
    dataLayout->addLayout(valueForm);
    d.form()->addRow(dataBox);
    NumberEdit *byteValue =
        d.addField(QStringLiteral("byteValue"), ToolDialog::tr("Byte:"), {16, 2}, {}, 0xFF, valueForm);
    NumberEdit *wordValue =
        d.addField(QStringLiteral("wordValue"), ToolDialog::tr("Word:"), {16, 4}, {}, 0xFFFF, valueForm);
    auto choose = [=](int id) {
        byteValue->setEnabled(id == 0);
        wordValue->setEnabled(id == 1);
        byteValue->setText(byteValue->text());  // re-check OK
    };
    QObject::connect(choices, &QButtonGroup::idClicked, &d, choose);
    choices->button(0)->setChecked(true);
    choose(0);
    d.setEnterMovesOn();

    d.setRunner([&] {
        const auto kind = FillKind(choices->checkedId());
        return editor.fill(*from->value(), *to->value(), kind, std::uint8_t(byteValue->value().value_or(0)),
                           std::uint16_t(wordValue->value().value_or(0)), std::uint32_t(std::time(nullptr)));
    });
    return d.exec() == QDialog::Accepted;
}

bool runCombine(QWidget *parent, BufferEditor &editor, Prompt &prompt, LogicOp op) {
    const int title = op == LogicOp::And  ? sid::AndDialogTitle
                      : op == LogicOp::Or ? sid::OrDialogTitle
                                          : sid::XorDialogTitle;
    const int label = op == LogicOp::And ? sid::AndDataLabel : op == LogicOp::Or ? sid::OrDataLabel : sid::XorDataLabel;
    ToolDialog d(uiString(title), prompt, parent);
    d.setObjectName(QStringLiteral("logicDialog"));
    const QString unit = uiText(editor.baseLabel());
    const NumberField field = editor.addressField();
    NumberEdit *start =
        d.addField(QStringLiteral("start"), ToolDialog::tr("Start Address:"), field, unit, editor.rangeStart());
    NumberEdit *end = d.addField(QStringLiteral("end"), ToolDialog::tr("End Address:"), field, unit, editor.rangeEnd());
    NumberEdit *data = d.addField(QStringLiteral("data"), uiString(label), {16, 2}, uiText("(HEX)"), 0);
    data->clear();
    data->setFocus();
    d.setRunner([&] { return editor.combine(op, *start->value(), *end->value(), std::uint8_t(*data->value())); });
    return d.exec() == QDialog::Accepted;
}

}  // namespace vantor::ui
