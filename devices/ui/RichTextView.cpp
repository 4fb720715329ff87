#include "devices/ui/RichTextView.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include "widgets/UiText.h"

namespace vantor::ui {

namespace {

// A device-independent bitmap lacks the file header a BMP reader expects.
QImage pictureImage(const RichRun &run) {
    const auto *bytes = reinterpret_cast<const char *>(run.picture.data());
    const qsizetype size = qsizetype(run.picture.size());
    if (run.pictureFormat == "dib" && size >= 40) {
        QByteArray bmp("BM", 2);
        const quint32 total = quint32(size + 14);
        const quint32 headerSize = quint32(quint8(bytes[0]) | quint8(bytes[1]) << 8);
        const quint16 bits = quint16(quint8(bytes[14]) | quint8(bytes[15]) << 8);
        quint32 colours = quint32(quint8(bytes[32]) | quint8(bytes[33]) << 8);
        if (colours == 0 && bits <= 8) colours = 1u << bits;
        const quint32 offset = 14 + headerSize + colours * 4;
        for (quint32 v : {total, 0u, offset})
            for (int i = 0; i < 4; ++i) bmp.append(char((v >> (8 * i)) & 0xFF));
        bmp.append(bytes, size);
        return QImage::fromData(bmp, "BMP");
    }
    return QImage::fromData(QByteArray::fromRawData(bytes, size));
}

}  // namespace

void insertRuns(QTextDocument *document, const RichText &runs, const QFont &defaultFont) {
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    int pictureNumber = 0;
    for (const RichRun &run : runs) {
        if (run.isPicture()) {
            const QImage image = pictureImage(run);
            if (image.isNull()) continue;
            const QUrl name(QStringLiteral("picture:%1").arg(++pictureNumber));
            document->addResource(QTextDocument::ImageResource, name, image);
            QTextImageFormat f;
            f.setName(name.toString());
            f.setWidth(run.pictureWidth > 0 ? run.pictureWidth : image.width());
            f.setHeight(run.pictureHeight > 0 ? run.pictureHeight : image.height());
            cursor.insertImage(f);
            continue;
        }
        QTextCharFormat f;
        QFont font = defaultFont;
        if (!run.font.empty()) font.setFamilies({fromUtf8(run.font), defaultFont.family()});
        if (run.fixedPitch) font.setFamilies({QFontDatabase::systemFont(QFontDatabase::FixedFont).family()});
        if (run.halfPoints > 0) font.setPointSizeF(run.halfPoints / 2.0);
        font.setBold(run.bold);
        font.setItalic(run.italic);
        font.setUnderline(run.underline);
        f.setFont(font);
        f.setForeground(toQColor(run.colour));
        QString text = fromUtf8(run.text);
        text.remove(QLatin1Char('\r'));
        cursor.insertText(text, f);
    }
}

RichTextView::RichTextView(QWidget *parent) : QTextEdit(parent) {
    // Wide tab stops keep the label, value and layout columns of the documents aligned.
    setTabStopDistance(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 14);
    setReadOnly(true);
    setUndoRedoEnabled(false);
}

void RichTextView::setRuns(const RichText &runs, const QFont &defaultFont) {
    clear();
    // A tab stop holds the widest first column of a layout table (13 characters) in either font.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(defaultFont.pointSizeF());
    const qreal x = std::max(QFontMetricsF(defaultFont).horizontalAdvance(QLatin1Char('x')),
                             QFontMetricsF(fixed).horizontalAdvance(QLatin1Char('x')));
    setTabStopDistance(std::max(tabStopDistance(), x * 14));
    insertRuns(document(), runs, defaultFont);
    moveCursor(QTextCursor::Start);
}

}  // namespace vantor::ui
