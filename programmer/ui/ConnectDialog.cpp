#include "programmer/ui/ConnectDialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include "core/StringIds.h"
#include "programmer/Application.h"
#include "programmer/ProgrammerModels.h"
#include "widgets/UiText.h"

namespace vantor::ui {

ConnectDialog::ConnectDialog(bool connectTried, std::vector<Model> models, int checkedModel,
                             std::function<int()> connect, QWidget *parent)
    : QDialog(parent), models_(std::move(models)), connect_(std::move(connect)), connectTried_(connectTried) {
    setObjectName(QStringLiteral("connectDialog"));
    setWindowTitle(uiString(sid::FailedToConnectProgrammer));
    auto *hint = new QLabel(tr("Connect the programmer to a USB port and press Connect, or work without it."), this);
    hint->setWordWrap(true);
    auto *box = new QGroupBox(tr("Programmer for disconnect mode"), this);
    auto *boxLayout = new QVBoxLayout(box);
    group_ = new QButtonGroup(this);
    for (const Model &m : models_) {
        auto *radio = new QRadioButton(m.name, box);
        radio->setObjectName(QStringLiteral("model") + QString::number(m.code, 16).toUpper());
        group_->addButton(radio, m.code);
        boxLayout->addWidget(radio);
        if (m.code == checkedModel) radio->setChecked(true);
    }
    if (!group_->checkedButton() && !group_->buttons().isEmpty()) group_->buttons().front()->setChecked(true);
    connectButton_ = new QPushButton(tr("&Connect"), this);
    connectButton_->setObjectName(QStringLiteral("connectButton"));
    connectButton_->setDefault(true);
    disconnectButton_ = new QPushButton(tr("&Disconnect Mode"), this);
    disconnectButton_->setObjectName(QStringLiteral("disconnectModeButton"));
    QObject::connect(connectButton_, &QPushButton::clicked, this, &ConnectDialog::startConnecting);
    QObject::connect(disconnectButton_, &QPushButton::clicked, this, &ConnectDialog::chooseDisconnectMode);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(connectButton_);
    buttons->addWidget(disconnectButton_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(box);
    layout->addLayout(buttons);
    setMinimumWidth(420);
}

std::vector<ConnectDialog::Model> ConnectDialog::listedModels(const Application &app) {
    std::vector<Model> models;
    for (int code : kListedModels) models.push_back({code, fromUtf8(app.ModelText(code))});
    return models;
}

ConnectDialog::~ConnectDialog() {
    if (thread_) thread_->wait();
}

int ConnectDialog::checkedModel() const { return group_->checkedId(); }

void ConnectDialog::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (connectTried_ && !autoStarted_) {
        autoStarted_ = true;
        QTimer::singleShot(0, this, &ConnectDialog::startConnecting);
    }
}

void ConnectDialog::setBusy(bool busy) {
    connectButton_->setEnabled(!busy);
    disconnectButton_->setEnabled(!busy);
    for (QAbstractButton *b : group_->buttons()) b->setEnabled(!busy);
    setWindowTitle(uiString(busy ? sid::ConnectingToProgrammer : sid::FailedToConnectProgrammer));
    if (busy) setCursor(Qt::BusyCursor);
    else unsetCursor();
}

void ConnectDialog::startConnecting() {
    if (thread_) return;
    setBusy(true);
    const int delay = delayMs_;
    auto connectFn = connect_;
    thread_ = QThread::create([this, delay, connectFn] {
        QThread::msleep(unsigned(delay));
        const int model = connectFn ? connectFn() : -1;
        QMetaObject::invokeMethod(
            this, [this, model] { finished(model); }, Qt::QueuedConnection);
    });
    thread_->start();
}

void ConnectDialog::finished(int model) {
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    if (model != -1) {
        model_ = model;
        accept();
        return;
    }
    setBusy(false);
}

void ConnectDialog::chooseDisconnectMode() {
    if (thread_) return;
    model_ = checkedModel();
    done(QDialog::Rejected);
}

void ConnectDialog::reject() {
    // Closing the window is the same choice as the Disconnect Mode button.
    chooseDisconnectMode();
}

}  // namespace vantor::ui
