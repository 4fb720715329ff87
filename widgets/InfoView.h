#pragma once
#include <QPlainTextEdit>
#include <QTextCursor>

#include "core/Colour.h"
#include "core/InfoSink.h"

namespace vantor::ui {

// The information window: every message of the program, appended at the end in its colour
// and weight, always scrolled to the newest line. Read-only for the user.
class InfoView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit InfoView(QWidget *parent = nullptr);
    ~InfoView() override;
    // Text as the core writes it: "\r\n" or "\n" end a line; no line end is added.
    void appendText(const QString &text, const QColor &colour, bool bold);
    // Chinese texts need a font with the GB2312 repertoire.
    void setChinese(bool chinese);

    // Lays out and scrolls what was appended since the last event-loop turn.
    void flushBatch();

private:
    QTextCursor batch_;
    bool batchOpen_ = false;
};

// Hands the core's information lines to a view (translated where a translation exists).
class InfoViewSink : public InfoSink {
public:
    explicit InfoViewSink(InfoView *view) : view_(view) {}
    void appendLine(std::string_view text, Colour colour, bool bold) override;

private:
    InfoView *view_;
};

// The information window font: 9-point Tahoma, or the closest sans-serif face.
QFont infoFont(bool chinese);

}  // namespace vantor::ui
