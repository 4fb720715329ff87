#include "programmer/ui/ProgressDialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantor::ui {

ProgressDialog::ProgressDialog(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("progressDialog"));
    setWindowTitle(tr("Operating"));
    setModal(false);
    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("progressText"));
    label_->setMinimumWidth(320);
    label_->setAccessibleName(tr("Operation status"));
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("progressBar"));
    bar_->setRange(0, 0);
    bar_->setTextVisible(true);
    bar_->setAccessibleName(tr("Operation progress"));
    cancel_ = new QPushButton(tr("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    connect(cancel_, &QPushButton::clicked, this, &ProgressDialog::cancelRequested);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(380, 0)));
}

void ProgressDialog::setText(const QString &text) { label_->setText(text.trimmed()); }

void ProgressDialog::setRange(int steps) {
    bar_->setRange(0, steps);
    bar_->setValue(0);
}

void ProgressDialog::step() {
    if (bar_->maximum() > 0) bar_->setValue(std::min(bar_->value() + 1, bar_->maximum()));
}

QString ProgressDialog::text() const { return label_->text(); }
int ProgressDialog::value() const { return bar_->value(); }
int ProgressDialog::maximum() const { return bar_->maximum(); }

void ProgressDialog::reject() { emit cancelRequested(); }

}  // namespace vantor::ui
