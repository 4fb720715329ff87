#include "devices/ui/DeviceInfoDialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSizeGrip>
#include <QVBoxLayout>

#include "devices/DeviceInfo.h"
#include "widgets/InfoView.h"
#include "devices/ui/RichTextView.h"
#include "widgets/UiText.h"

namespace vantor::ui {

namespace {

// Columns of characters a text takes in the fixed-pitch table: Chinese characters take two.
qsizetype columns(const QString &text) {
    qsizetype n = 0;
    for (QChar c : text) n += c.unicode() >= 0x2E80 ? 2 : 1;
    return n;
}

// The summary and memory table cell by cell in the running language. A shorter translation is
// padded to the English width so the tab columns stay where they were.
QString translateCells(const QString &text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        const QString whole = uiText(toUtf8(line + QLatin1Char('\n')));
        if (!line.trimmed().isEmpty() && whole != line + QLatin1Char('\n')) {
            line = whole.chopped(1);
            continue;
        }
        QStringList cells = line.split(QLatin1Char('\t'));
        for (QString &cell : cells) {
            const QString core = cell.trimmed();
            if (core.isEmpty()) continue;
            QStringList parts = core.split(QStringLiteral(" + "));
            for (QString &part : parts) {
                QString t = uiText(toUtf8(part));
                for (const char *unit : {"Bytes", "Words"}) t.replace(QLatin1String(unit), uiText(unit));
                part = t;
            }
            QString translated = parts.join(QStringLiteral(" + "));
            const qsizetype lead = cell.indexOf(core);
            QString trail = cell.mid(lead + core.size());
            if (columns(translated) < core.size())
                trail += QString(core.size() - columns(translated), QLatin1Char(' '));
            cell = cell.left(lead) + translated + trail;
        }
        line = cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

DeviceInfoDialog::DeviceInfoDialog(const DeviceRecord &device, const std::filesystem::path &artbankPath, bool chinese,
                                   QWidget *parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("deviceInfoDialog"));
    setWindowTitle(tr("Device Info."));
    view_ = new RichTextView(this);
    view_->setObjectName(QStringLiteral("deviceInfoText"));
    view_->setAccessibleName(tr("Device information"));
    RichText runs =
        deviceInfoRuns(device, loadAdapterDocument(device, artbankPath,
                                                   chinese ? DocumentLanguage::Chinese : DocumentLanguage::English));
    if (chinese) {
        // The summary comes first; the adapter document after it is already in its language.
        const std::size_t summary = deviceSummaryRuns(device).size();
        for (std::size_t i = 0; i < summary && i < runs.size(); ++i)
            if (!runs[i].isPicture()) runs[i].text = toUtf8(translateCells(fromUtf8(runs[i].text)));
    }
    view_->setRuns(runs, infoFont(chinese));
    auto *close = new QPushButton(tr("&Close"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    buttons->addWidget(new QSizeGrip(this), 0, Qt::AlignBottom | Qt::AlignRight);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(view_);
    layout->addLayout(buttons);
    resize(640, 560);
}

QString DeviceInfoDialog::plainText() const { return view_->toPlainText(); }

}  // namespace vantor::ui
