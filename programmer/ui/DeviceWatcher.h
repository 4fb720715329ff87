#pragma once
#include <QObject>
#include <QTimer>

#include "usb/UsbHotplug.h"

namespace vantor::ui {

// Arrival and removal of programmers, delivered on the window thread.
class DeviceWatcher : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void arrived();
    void removed();
};

// Programmers on USB (usb/UsbHotplug), delivered on the window thread; polled once a second
// where the platform has no hotplug support.
class UsbDeviceWatcher : public DeviceWatcher {
    Q_OBJECT
public:
    explicit UsbDeviceWatcher(QObject *parent = nullptr);
    ~UsbDeviceWatcher() override;
    bool usesHotplug() const { return usb_.usesHotplug(); }
    bool active() const { return usb_.active(); }

private:
    void notify(bool arrival);  // from the hotplug thread
    void poll();

    UsbHotplug usb_;
    QTimer *timer_ = nullptr;
    int lastCount_ = -1;
};

}  // namespace vantor::ui
