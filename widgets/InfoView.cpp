#include "widgets/InfoView.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include "widgets/UiText.h"

namespace vantor::ui {

QFont infoFont(bool chinese) {
    QFont f(QStringLiteral("Tahoma"), 9);
    f.setStyleHint(QFont::SansSerif);
    if (chinese) f.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("WenQuanYi Micro Hei")});
    return f;
}

InfoView::InfoView(QWidget *parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setFont(infoFont(false));
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void InfoView::setChinese(bool chinese) { setFont(infoFont(chinese)); }

void InfoView::appendText(const QString &text, const QColor &colour, bool bold) {
    QString t = text;
    t.remove(QLatin1Char('\r'));
    if (t.isEmpty()) return;
    QTextCharFormat format;
    format.setForeground(colour);
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    // The text ends in a newline most of the time; a block separator keeps the last line empty.
    const QStringList lines = t.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0) cursor.insertBlock();
        if (!lines[i].isEmpty()) cursor.insertText(lines[i], format);
    }
    // One scroll after a burst of lines: scrolling per line makes the view lay out every time.
    if (!scrollPending_) {
        scrollPending_ = true;
        QMetaObject::invokeMethod(this, [this] {
            scrollPending_ = false;
            verticalScrollBar()->setValue(verticalScrollBar()->maximum());
        }, Qt::QueuedConnection);
    }
}

void InfoViewSink::appendLine(std::string_view text, Colour colour, bool bold) {
    view_->appendText(uiText(text), toQColor(colour), bold);
}

}  // namespace vantor::ui
