#include "buffer/ui/NumberEdit.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>

#include "buffer/ui/HexViewWidget.h"

namespace vantor::ui {

NumberEdit::NumberEdit(NumberField field, QWidget *parent) : QLineEdit(parent) { setField(field); }

void NumberEdit::setField(NumberField field) {
    field_ = field;
    setMaxLength(field.maxDigits);
    // Pasted text obeys the same rules as typed text.
    const QString digits = field.base == 16 ? QStringLiteral("[0-9A-Fa-f]") : QStringLiteral("[0-9]");
    setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("%1{0,%2}").arg(digits).arg(field.maxDigits)), this));
    // Text of another base does not survive a change of base.
    for (QChar c : text()) {
        if (!field.isDigit(c.unicode())) {
            clear();
            break;
        }
    }
}

void NumberEdit::setValue(std::uint32_t value) { setText(QString::fromStdString(field_.format(value))); }

std::optional<std::uint32_t> NumberEdit::value() const { return field_.parse(text().toStdString()); }

void NumberEdit::keyPressEvent(QKeyEvent *event) {
    const QString t = event->text();
    const bool typing =
        !t.isEmpty() && t.at(0).isPrint() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (typing) {
        const std::size_t selected = std::size_t(selectedText().size());
        for (QChar c : t) {
            if (!field_.allowsTyping(std::size_t(text().size()), selected, c.unicode())) {
                beep();
                return;
            }
        }
    }
    QLineEdit::keyPressEvent(event);
}

}  // namespace vantor::ui
