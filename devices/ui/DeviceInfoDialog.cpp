#include "devices/ui/DeviceInfoDialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSizeGrip>
#include <QVBoxLayout>

#include "devices/DeviceInfo.h"
#include "widgets/InfoView.h"
#include "devices/ui/RichTextView.h"

namespace vantor::ui {

DeviceInfoDialog::DeviceInfoDialog(const DeviceRecord &device, const std::filesystem::path &artbankPath, bool chinese,
                                   QWidget *parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("deviceInfoDialog"));
    setWindowTitle(tr("Device Info."));
    view_ = new RichTextView(this);
    view_->setObjectName(QStringLiteral("deviceInfoText"));
    view_->setAccessibleName(tr("Device information"));
    view_->setRuns(deviceInfoRuns(device, loadAdapterDocument(device, artbankPath)), infoFont(chinese));
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
