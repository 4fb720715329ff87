#include "usb/CUsbDevice.h"

#ifdef _WIN32
#include "usb/Libusb0Backend.h"
#endif

namespace vantor {

#if defined(VANTOR_HAVE_LIBUSB)
std::unique_ptr<UsbBackend> makeLibusbBackend();
#endif

std::unique_ptr<UsbBackend> makeDefaultUsbBackend() {
#if defined(_WIN32)
    return std::make_unique<Libusb0Backend>(makeWin32IoctlPort());
#elif defined(VANTOR_HAVE_LIBUSB)
    return makeLibusbBackend();
#else
    return nullptr;
#endif
}

}  // namespace vantor
