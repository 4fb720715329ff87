#include "programmer/ui/DeviceWatcher.h"

namespace vantor::ui {

UsbDeviceWatcher::UsbDeviceWatcher(QObject *parent)
    : DeviceWatcher(parent), usb_([this](bool arrival) { notify(arrival); }) {
    if (!usb_.active() || usb_.usesHotplug()) return;
    lastCount_ = usb_.countProgrammers();
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &UsbDeviceWatcher::poll);
    timer_->start(1000);
}

UsbDeviceWatcher::~UsbDeviceWatcher() = default;

void UsbDeviceWatcher::notify(bool arrival) {
    QMetaObject::invokeMethod(
        this, [this, arrival] { arrival ? emit arrived() : emit removed(); }, Qt::QueuedConnection);
}

void UsbDeviceWatcher::poll() {
    const int count = usb_.countProgrammers();
    if (count > lastCount_) emit arrived();
    else if (count < lastCount_) emit removed();
    lastCount_ = count;
}

}  // namespace vantor::ui
