#include "buffer/ui/HexViewWidget.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

namespace vantor::ui {

namespace {

std::function<void()> &beepHandler() {
    static std::function<void()> handler;
    return handler;
}

// A fixed-pitch font whose characters fit the view's 8x16 cells exactly.
QFont cellFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setKerning(false);
    for (int px = 14; px >= 8; --px) {
        font.setPixelSize(px);
        const QFontMetricsF m(font);
        if (m.horizontalAdvance(QLatin1Char('W')) <= HexView::kCellWidth + 0.01 && m.height() <= HexView::kCellHeight)
            break;
    }
    const qreal advance = QFontMetricsF(font).horizontalAdvance(QLatin1Char('W'));
    font.setLetterSpacing(QFont::AbsoluteSpacing, HexView::kCellWidth - advance);
    return font;
}

}  // namespace

void beep() {
    if (beepHandler()) beepHandler()();
    else QApplication::beep();
}

void setBeepHandler(std::function<void()> handler) { beepHandler() = std::move(handler); }

HexViewWidget::HexViewWidget(QWidget *parent) : QAbstractScrollArea(parent), font_(cellFont()) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAccessibleName(tr("Buffer contents"));
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    for (QColor &c : background_) c = Qt::white;
    for (QColor &c : text_) c = Qt::black;
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setPageStep(HexView::kRows);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (!syncing_) model_.setTopLine(value);
    });
    model_.onChanged = [this] {
        syncScrollBar();
        viewport()->update();
    };
    model_.onCaretMoved = [this](std::uint32_t offset) { emit caretMoved(offset); };
    model_.onEdited = [this](std::uint32_t offset) { emit edited(offset); };
    syncScrollBar();
}

QSize HexViewWidget::sizeHint() const {
    const int frame = 2 * frameWidth();
    return {HexView::kWidth + frame + verticalScrollBar()->sizeHint().width(), HexView::kHeight + frame};
}

void HexViewWidget::setData(std::uint8_t *data, std::uint32_t length, std::uint32_t baseAddress) {
    model_.setData(data, length, baseAddress);
}

void HexViewWidget::setColours(Column column, const QColor &background, const QColor &text) {
    background_[column] = background;
    text_[column] = text;
    viewport()->update();
}

void HexViewWidget::syncScrollBar() {
    syncing_ = true;
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, model_.scrollBarShown() ? model_.maxTopLine() : 0);
    bar->setValue(model_.topLine());
    syncing_ = false;
}

void HexViewWidget::paintEvent(QPaintEvent *) {
    QPainter p(viewport());
    p.setFont(font_);
    const int w = viewport()->width();
    const int h = viewport()->height();
    const int rowsY = HexView::kHeaderHeight;
    // Column backgrounds reach the bottom of the window; the separators sit between them.
    p.fillRect(0, rowsY, HexView::kSeparatorX1, h - rowsY, background_[AddressColumn]);
    p.fillRect(HexView::kSeparatorX1 + 1, rowsY, HexView::kSeparatorX2 - HexView::kSeparatorX1 - 1, h - rowsY,
               background_[HexColumn]);
    p.fillRect(HexView::kSeparatorX2 + 1, rowsY, w - HexView::kSeparatorX2 - 1, h - rowsY, background_[CharColumn]);
    p.fillRect(0, 0, w, HexView::kHeaderHeight, QColor(48, 48, 48));

    const QFontMetrics m(font_);
    const int baseline = (HexView::kCellHeight + m.ascent() - m.descent()) / 2;
    p.setPen(Qt::white);
    p.drawText(0, baseline, QString::fromLatin1(model_.headerText()));

    const int rows = model_.visibleRows();
    const int x[3] = {HexView::kAddressX, HexView::kHexX, HexView::kCharX};
    for (int r = 0; r < rows; ++r) {
        const int y = rowsY + r * HexView::kCellHeight + baseline;
        const std::string texts[3] = {model_.addressText(r), model_.hexText(r), model_.charText(r)};
        for (int c = 0; c < 3; ++c) {
            p.setPen(text_[c]);
            p.drawText(x[c], y, QString::fromLatin1(texts[c]));
        }
    }

    p.setPen(QColor(49, 106, 197));
    p.drawLine(0, HexView::kHeaderHeight - 1, w, HexView::kHeaderHeight - 1);
    p.drawLine(HexView::kSeparatorX1, 0, HexView::kSeparatorX1, h);
    p.drawLine(HexView::kSeparatorX2, 0, HexView::kSeparatorX2, h);

    if (hasFocus() && model_.caretVisible()) {
        // A block caret: the cell in the column's colours swapped.
        const HexRect r = model_.caretRect();
        const Column column = model_.inHexColumn() ? HexColumn : CharColumn;
        const int row = (r.y - rowsY) / HexView::kCellHeight;
        const std::string line = column == HexColumn ? model_.hexText(row) : model_.charText(row);
        const std::size_t index = std::size_t((r.x - x[column]) / HexView::kCellWidth);
        p.fillRect(r.x, r.y, r.width, r.height, text_[column]);
        if (index < line.size()) {
            p.setPen(background_[column]);
            p.drawText(r.x, r.y + baseline, QString(QLatin1Char(line[index])));
        }
    }
}

void HexViewWidget::keyPressEvent(QKeyEvent *event) {
    using K = HexView::Key;
    static const std::pair<int, K> keys[] = {
        {Qt::Key_Tab, K::Tab},       {Qt::Key_Backtab, K::Tab},
        {Qt::Key_PageUp, K::PageUp}, {Qt::Key_PageDown, K::PageDown},
        {Qt::Key_Home, K::Home},     {Qt::Key_End, K::End},
        {Qt::Key_Up, K::Up},         {Qt::Key_Down, K::Down},
        {Qt::Key_Left, K::Left},     {Qt::Key_Right, K::Right},
    };
    for (const auto &[qtKey, key] : keys) {
        if (event->key() == qtKey) {
            model_.key(key);
            return;
        }
    }
    const QString text = event->text();
    // Enter stays here (it would press Close); other keys that type nothing go on to the
    // dialog, so Escape closes it. Only printable keys are typed into the data.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;
    const char32_t ch = text.isEmpty() ? 0 : text.toUcs4().value(0);
    if (ch >= 0x20 && ch != 0x7F && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        if (model_.type(ch) == HexView::TypeResult::ReadOnly) beep();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void HexViewWidget::mousePressEvent(QMouseEvent *event) {
    setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    model_.click(pos.x(), pos.y());
}

void HexViewWidget::wheelEvent(QWheelEvent *event) {
    const int delta = event->angleDelta().y();
    if (delta == 0 && event->angleDelta().x() != 0) return;
    model_.wheel(delta);
    event->accept();
}

void HexViewWidget::focusInEvent(QFocusEvent *event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void HexViewWidget::focusOutEvent(QFocusEvent *event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

// Tab switches between the hex and the character column instead of leaving the view.
bool HexViewWidget::focusNextPrevChild(bool) { return false; }

}  // namespace vantor::ui
