#pragma once
#include <QTextEdit>

#include "devices/RtfDocument.h"

namespace vantor::ui {

// Appends rich-text runs (coloured text, fonts, embedded pictures) at the end of a document.
// defaultFont is used for runs that name no font or size.
void insertRuns(QTextDocument *document, const RichText &runs, const QFont &defaultFont);

// A read-only viewer of rich-text runs, such as the adapter documents.
class RichTextView : public QTextEdit {
    Q_OBJECT
public:
    explicit RichTextView(QWidget *parent = nullptr);
    void setRuns(const RichText &runs, const QFont &defaultFont);
};

}  // namespace vantor::ui
