#include "usb/UsbHotplug.h"

#ifdef VANTOR_HAVE_LIBUSB
#include <libusb.h>

#include "usb/LibusbBackend.h"
#endif

namespace vantor {

#ifdef VANTOR_HAVE_LIBUSB
namespace {
int LIBUSB_CALL hotplugCallback(libusb_context *, libusb_device *, libusb_hotplug_event event, void *user) {
    static_cast<UsbHotplug *>(user)->notify(event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED);
    return 0;
}
}  // namespace
#endif

UsbHotplug::UsbHotplug(std::function<void(bool arrival)> changed) : changed_(std::move(changed)) {
#ifdef VANTOR_HAVE_LIBUSB
    libusb_context *ctx = nullptr;
    if (libusb_init(&ctx) != 0) return;
    context_ = ctx;
    if (!libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) return;
    libusb_hotplug_callback_handle handle = 0;
    const int events = LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT;
    if (libusb_hotplug_register_callback(ctx, libusb_hotplug_event(events), LIBUSB_HOTPLUG_NO_FLAGS,
                                         kProgrammerVendorId, LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
                                         hotplugCallback, this, &handle) != LIBUSB_SUCCESS)
        return;
    handle_ = handle;
    hotplug_ = true;
    thread_ = std::thread([this, ctx] {
        while (!stop_) {
            timeval tv{0, 200000};
            libusb_handle_events_timeout_completed(ctx, &tv, nullptr);
        }
    });
#endif
}

UsbHotplug::~UsbHotplug() {
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

int UsbHotplug::countProgrammers() {
    int count = 0;
#ifdef VANTOR_HAVE_LIBUSB
    libusb_device **list = nullptr;
    const ssize_t n = libusb_get_device_list(static_cast<libusb_context *>(context_), &list);
    for (ssize_t i = 0; i < n; ++i) {
        libusb_device_descriptor d{};
        if (libusb_get_device_descriptor(list[i], &d) == 0 && d.idVendor == kProgrammerVendorId) ++count;
    }
    if (list) libusb_free_device_list(list, 1);
#endif
    return count;
}

}  // namespace vantor
