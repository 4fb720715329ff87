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
    // Lines arriving in a burst share one edit block: the text is in the document at once, but
    // the view lays it out and scrolls once per burst instead of once per line.
    if (!batchOpen_) {
        batch_ = QTextCursor(document());
        batch_.beginEditBlock();
        batchOpen_ = true;
        QMetaObject::invokeMethod(
            this, [this] { flushBatch(); }, Qt::QueuedConnection);
    }
    batch_.movePosition(QTextCursor::End);
    // The text ends in a newline most of the time; a block separator keeps the last line empty.
    const QStringList lines = t.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0) batch_.insertBlock();
        if (!lines[i].isEmpty()) batch_.insertText(lines[i], format);
    }
}

void InfoView::flushBatch() {
    if (!batchOpen_) return;
    batchOpen_ = false;
    batch_.endEditBlock();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

InfoView::~InfoView() { flushBatch(); }

void InfoViewSink::appendLine(std::string_view text, Colour colour, bool bold) {
    view_->appendText(uiText(text), toQColor(colour), bold);
}

}  // namespace vantor::ui
