#pragma once
#include <QObject>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>

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

// Programmers on USB (vendor 0x7A31 only): libusb hotplug on a thread of its own, or a
// look at the bus once a second where the platform has no hotplug support.
class UsbDeviceWatcher : public DeviceWatcher {
    Q_OBJECT
public:
    explicit UsbDeviceWatcher(QObject *parent = nullptr);
    ~UsbDeviceWatcher() override;
    bool usesHotplug() const { return hotplug_; }
    bool active() const { return context_ != nullptr; }

    // Called from the libusb thread.
    void notify(bool arrival);

private:
    void poll();
    int countProgrammers();

    void *context_ = nullptr;  // libusb_context
    int handle_ = 0;
    bool hotplug_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    QTimer *timer_ = nullptr;
    int lastCount_ = -1;
};

}  // namespace vantor::ui
