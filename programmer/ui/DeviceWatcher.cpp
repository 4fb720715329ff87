#include "programmer/ui/DeviceWatcher.h"

#ifdef VANTOR_HAVE_LIBUSB
#include <libusb.h>
#endif

namespace vantor::ui {

namespace {
constexpr int kVendorId = 0x7A31;

#ifdef VANTOR_HAVE_LIBUSB
int LIBUSB_CALL hotplugCallback(libusb_context *, libusb_device *, libusb_hotplug_event event, void *user) {
    static_cast<UsbDeviceWatcher *>(user)->notify(event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED);
    return 0;
}
#endif
}  // namespace

UsbDeviceWatcher::UsbDeviceWatcher(QObject *parent) : DeviceWatcher(parent) {
#ifdef VANTOR_HAVE_LIBUSB
    libusb_context *ctx = nullptr;
    if (libusb_init(&ctx) != 0) return;
    context_ = ctx;
    if (libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) {
        libusb_hotplug_callback_handle handle = 0;
        const int events = LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT;
        if (libusb_hotplug_register_callback(ctx, libusb_hotplug_event(events), LIBUSB_HOTPLUG_NO_FLAGS, kVendorId,
                                             LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY, hotplugCallback, this,
                                             &handle) == LIBUSB_SUCCESS) {
            handle_ = handle;
            hotplug_ = true;
            thread_ = std::thread([this, ctx] {
                while (!stop_) {
                    timeval tv{0, 200000};
                    libusb_handle_events_timeout_completed(ctx, &tv, nullptr);
                }
            });
            return;
        }
    }
    lastCount_ = countProgrammers();
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &UsbDeviceWatcher::poll);
    timer_->start(1000);
#endif
}

UsbDeviceWatcher::~UsbDeviceWatcher() {
#ifdef VANTOR_HAVE_LIBUSB
    auto *ctx = static_cast<libusb_context *>(context_);
    if (hotplug_) {
        stop_ = true;
        libusb_hotplug_deregister_callback(ctx, handle_);  // wakes the event wait
        if (thread_.joinable()) thread_.join();
    }
    if (ctx) libusb_exit(ctx);
#endif
}

void UsbDeviceWatcher::notify(bool arrival) {
    QMetaObject::invokeMethod(this, [this, arrival] { arrival ? emit arrived() : emit removed(); }, Qt::QueuedConnection);
}

int UsbDeviceWatcher::countProgrammers() {
    int count = 0;
#ifdef VANTOR_HAVE_LIBUSB
    libusb_device **list = nullptr;
    const ssize_t n = libusb_get_device_list(static_cast<libusb_context *>(context_), &list);
    for (ssize_t i = 0; i < n; ++i) {
        libusb_device_descriptor d{};
        if (libusb_get_device_descriptor(list[i], &d) == 0 && d.idVendor == kVendorId) ++count;
    }
    if (list) libusb_free_device_list(list, 1);
#endif
    return count;
}

void UsbDeviceWatcher::poll() {
    const int count = countProgrammers();
    if (count > lastCount_) emit arrived();
    else if (count < lastCount_) emit removed();
    lastCount_ = count;
}

}  // namespace vantor::ui
