#pragma once
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "usb/UsbBackend.h"

namespace vantor {

// The USB transport to one programmer: find and open it, vendor control requests on
// endpoint 0, bulk transfers on one OUT and one IN endpoint.
//
// Close() may come from another thread (unplug) while a worker is inside a transfer: it
// waits for the transfers in flight to leave the backend before the handle is closed, and
// every open or close starts a new session, so a worker holding the number of an older
// session is refused instead of talking to a reopened device.
class CUsbDevice {
public:
    static constexpr int kIndexCount = 16;
    static constexpr unsigned kControlTimeoutMs = 200;
    static constexpr int kMaxSubmission = 65536;

    // The platform's default backend (libusb-1.0, or the libusb0 driver on Windows).
    CUsbDevice();
    explicit CUsbDevice(std::unique_ptr<UsbBackend> backend);
    virtual ~CUsbDevice();
    CUsbDevice(const CUsbDevice &) = delete;
    CUsbDevice &operator=(const CUsbDevice &) = delete;

    // Replaces the backend; closes the transport first.
    void setBackend(std::unique_ptr<UsbBackend> backend);

    bool Open();
    bool OpenIndex(int index);
    void Close();
    bool IsOpen() const;

    // A session number of 0 accepts whatever is open now.
    bool ControlTransfer(UsbDirection direction, std::uint8_t bRequest, std::uint16_t wValue, std::uint16_t wIndex,
                         std::uint8_t *data, std::uint16_t length, std::uint64_t session = 0);
    bool BulkWrite(std::uint8_t endpoint, const std::uint8_t *data, int size, unsigned timeoutMs, int &result,
                   std::uint64_t session = 0);
    bool BulkRead(std::uint8_t endpoint, std::uint8_t *data, int size, unsigned timeoutMs, int &result,
                  std::uint64_t session = 0);

    // Number of the current session; changes at every open and close.
    std::uint64_t session() const;
    // Why the last Open failed although a programmer was there ("" when not known).
    std::string openProblem() const;

private:
    bool beginTransfer(std::uint64_t session);
    void endTransfer();
    void closeLocked(std::unique_lock<std::mutex> &lock);
    bool openIndexLocked(int index);
    int bulkTransfer(std::uint8_t endpoint, std::uint8_t *data, int size, unsigned timeoutMs);

    std::unique_ptr<UsbBackend> backend_;
    mutable std::mutex mutex_;
    std::condition_variable idle_;
    bool open_ = false;
    bool closing_ = false;
    int inFlight_ = 0;
    std::uint64_t session_ = 1;
    std::string openProblem_;
};

// The backend CUsbDevice() uses; null when this build has none.
std::unique_ptr<UsbBackend> makeDefaultUsbBackend();

}  // namespace vantor
