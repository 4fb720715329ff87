#pragma once
#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <functional>

#include "buffer/HexView.h"

namespace vantor::ui {

// Plays the system's warning sound; tests replace it to count refusals.
void beep();
void setBeepHandler(std::function<void()> handler);

// Paints a HexView and forwards keys, clicks, the wheel and the scroll bar to it. The bytes are
// the buffer's own: nothing is copied.
class HexViewWidget : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum Column { AddressColumn = 0, HexColumn = 1, CharColumn = 2 };

    explicit HexViewWidget(QWidget *parent = nullptr);

    HexView &model() { return model_; }
    const HexView &model() const { return model_; }
    void setData(std::uint8_t *data, std::uint32_t length, std::uint32_t baseAddress);
    void setColours(Column column, const QColor &background, const QColor &text);
    QColor background(Column column) const { return background_[column]; }
    QColor textColour(Column column) const { return text_[column]; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void caretMoved(quint32 offset);
    void edited(quint32 offset);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void scrollContentsBy(int, int) override {}

private:
    void syncScrollBar();

    HexView model_;
    QFont font_;
    QColor background_[3];
    QColor text_[3];
    bool syncing_ = false;
};

}  // namespace vantor::ui
