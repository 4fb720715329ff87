#pragma once
#include <atomic>
#include <functional>
#include <thread>

namespace vantor {

// Arrival and removal of programmers (the programmers' vendor id only) as libusb sees them:
// hotplug events on a thread of its own where the platform has them, else a count of the
// programmers on the bus that the caller compares over time. Inactive without libusb.
class UsbHotplug {
public:
    // `changed(arrival)` is called on the event thread.
    explicit UsbHotplug(std::function<void(bool arrival)> changed);
    ~UsbHotplug();
    UsbHotplug(const UsbHotplug &) = delete;
    UsbHotplug &operator=(const UsbHotplug &) = delete;

    bool active() const { return context_ != nullptr; }
    bool usesHotplug() const { return hotplug_; }
    int countProgrammers();

    void notify(bool arrival) { changed_(arrival); }

private:
    std::function<void(bool)> changed_;
    void *context_ = nullptr;  // libusb_context
    int handle_ = 0;
    bool hotplug_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace vantor
