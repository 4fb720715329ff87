#include "usb/LibusbBackend.h"

#include <libusb.h>

#include <cstring>
#include <memory>

namespace vantor {

namespace {

std::string describe(libusb_device *device) {
    return "bus " + std::to_string(libusb_get_bus_number(device)) + " address " +
           std::to_string(libusb_get_device_address(device));
}

// "bus 1 port 4.2": stays the same across re-plugs into the same socket, unlike the address.
std::string busPath(libusb_device *device) {
    std::uint8_t ports[8];
    const int n = libusb_get_port_numbers(device, ports, 8);
    std::string text = "bus " + std::to_string(libusb_get_bus_number(device));
    for (int i = 0; i < n; ++i) text += (i ? "." : " port ") + std::to_string(ports[i]);
    return text;
}

}  // namespace

LibusbBackend::LibusbBackend() {
    if (libusb_init(&context_) != 0) {
        context_ = nullptr;
        problem_ = "The USB library could not be started.";
    }
}

LibusbBackend::~LibusbBackend() {
    close();
    if (context_) libusb_exit(context_);
}

bool LibusbBackend::openIndex(int index) {
    close();
    if (!context_) return false;
    libusb_device **list = nullptr;
    const ssize_t count = libusb_get_device_list(context_, &list);
    if (count < 0) return false;
    libusb_device *found = nullptr;
    int seen = 0;
    for (ssize_t i = 0; i < count && !found; ++i) {
        libusb_device_descriptor d{};
        if (libusb_get_device_descriptor(list[i], &d) != 0 || d.idVendor != kProgrammerVendorId) continue;
        if (seen++ == index) found = list[i];
    }
    bool ok = false;
    if (found) {
        const int r = libusb_open(found, &handle_);
        if (r == LIBUSB_ERROR_ACCESS) {
            problem_ = "A programmer was found (USB " + describe(found) +
                       ") but this user may not open it. Install the udev rule shipped as "
                       "packaging/60-vantor.udev.rules (see the README's set-up), then unplug "
                       "the programmer and plug it in again.";
            handle_ = nullptr;
        } else if (r != 0) {
            problem_ =
                "The programmer at USB " + describe(found) + " could not be opened (" + libusb_error_name(r) + ").";
            handle_ = nullptr;
        } else {
            libusb_set_auto_detach_kernel_driver(handle_, 1);
            int configuration = 0;
            // Setting the configuration that is already active would reset the device.
            bool configured = libusb_get_configuration(handle_, &configuration) == 0 && configuration == 1;
            if (!configured) configured = libusb_set_configuration(handle_, 1) == 0;
            if (configured) {
                const int c = libusb_claim_interface(handle_, 0);
                if (c == 0) {
                    claimed_ = true;
                    ok = true;
                    location_ = busPath(found);
                } else if (c == LIBUSB_ERROR_BUSY) {
                    problem_ = "The programmer at USB " + describe(found) + " is in use by another program.";
                }
            }
            if (!ok) {
                libusb_close(handle_);
                handle_ = nullptr;
            }
        }
    }
    libusb_free_device_list(list, 1);
    return ok;
}

void LibusbBackend::close() {
    if (!handle_) return;
    if (claimed_) libusb_release_interface(handle_, 0);
    claimed_ = false;
    libusb_close(handle_);
    handle_ = nullptr;
}

bool LibusbBackend::control(UsbDirection direction, std::uint8_t request, std::uint16_t value, std::uint16_t index,
                            std::uint8_t *data, std::uint16_t length, unsigned timeoutMs) {
    if (!handle_) return false;
    const bool in = direction == UsbDirection::DeviceToHost;
    const std::uint8_t type = std::uint8_t(int(LIBUSB_REQUEST_TYPE_VENDOR) | int(LIBUSB_RECIPIENT_DEVICE) |
                                           int(in ? LIBUSB_ENDPOINT_IN : LIBUSB_ENDPOINT_OUT));
    const int r = libusb_control_transfer(handle_, type, request, value, index, data, length, timeoutMs);
    if (r < 0) return false;
    // A short answer must not leave stale bytes behind for the caller to trust.
    if (in && r < length) std::memset(data + r, 0, std::size_t(length - r));
    return true;
}

int LibusbBackend::bulk(std::uint8_t endpoint, std::uint8_t *data, int size, unsigned timeoutMs) {
    if (!handle_) return -1;
    int moved = 0;
    const int r = libusb_bulk_transfer(handle_, endpoint, data, size, &moved, timeoutMs);
    // libusb cancels a timed-out transfer and waits for it before returning.
    if (r != 0) return -1;
    return moved;
}

std::unique_ptr<UsbBackend> makeLibusbBackend() { return std::make_unique<LibusbBackend>(); }

}  // namespace vantor
