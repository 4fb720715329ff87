#include "usb/CUsbDevice.h"

#include <algorithm>

namespace vantor {

CUsbDevice::CUsbDevice() : backend_(makeDefaultUsbBackend()) {}

CUsbDevice::CUsbDevice(std::unique_ptr<UsbBackend> backend) : backend_(std::move(backend)) {}

CUsbDevice::~CUsbDevice() { Close(); }

void CUsbDevice::setBackend(std::unique_ptr<UsbBackend> backend) {
    std::unique_lock lock(mutex_);
    closeLocked(lock);
    backend_ = std::move(backend);
}

void CUsbDevice::closeLocked(std::unique_lock<std::mutex> &lock) {
    if (closing_) {  // another thread is closing: its close is ours
        idle_.wait(lock, [this] { return !closing_; });
        return;
    }
    if (!open_) return;
    // New transfers are refused from here on; the ones in flight are asked to give up and
    // waited for, so the handle is never closed under a worker's feet.
    closing_ = true;
    if (inFlight_ > 0 && backend_) {
        lock.unlock();
        backend_->interrupt();
        lock.lock();
    }
    idle_.wait(lock, [this] { return inFlight_ == 0; });
    if (backend_) backend_->close();
    open_ = false;
    closing_ = false;
    ++session_;
    idle_.notify_all();
}

bool CUsbDevice::openIndexLocked(int index) {
    if (!backend_ || index < 0 || index >= kIndexCount) return false;
    if (!backend_->openIndex(index)) {
        if (openProblem_.empty()) openProblem_ = backend_->openProblem();
        return false;
    }
    open_ = true;
    ++session_;
    return true;
}

bool CUsbDevice::Open() {
    std::unique_lock lock(mutex_);
    closeLocked(lock);
    openProblem_.clear();
    for (int index = 0; index < kIndexCount; ++index)
        if (openIndexLocked(index)) {
            openProblem_.clear();
            return true;
        }
    return false;
}

bool CUsbDevice::OpenIndex(int index) {
    std::unique_lock lock(mutex_);
    closeLocked(lock);
    openProblem_.clear();
    return openIndexLocked(index);
}

void CUsbDevice::Close() {
    std::unique_lock lock(mutex_);
    closeLocked(lock);
}

bool CUsbDevice::IsOpen() const {
    std::lock_guard lock(mutex_);
    return open_ && !closing_;
}

std::uint64_t CUsbDevice::session() const {
    std::lock_guard lock(mutex_);
    return session_;
}

std::string CUsbDevice::openProblem() const {
    std::lock_guard lock(mutex_);
    return openProblem_;
}

bool CUsbDevice::beginTransfer(std::uint64_t session) {
    std::lock_guard lock(mutex_);
    if (!open_ || closing_ || !backend_) return false;
    if (session != 0 && session != session_) return false;
    ++inFlight_;
    return true;
}

void CUsbDevice::endTransfer() {
    std::lock_guard lock(mutex_);
    if (--inFlight_ == 0) idle_.notify_all();
}

bool CUsbDevice::ControlTransfer(UsbDirection direction, std::uint8_t bRequest, std::uint16_t wValue,
                                 std::uint16_t wIndex, std::uint8_t *data, std::uint16_t length,
                                 std::uint64_t session) {
    if (length > 0 && !data) return false;
    if (!beginTransfer(session)) return false;
    const bool ok = backend_->control(direction, bRequest, wValue, wIndex, data, length, kControlTimeoutMs);
    endTransfer();
    return ok;
}

int CUsbDevice::bulkTransfer(std::uint8_t endpoint, std::uint8_t *data, int size, unsigned timeoutMs) {
    int total = 0;
    int remaining = size;
    for (;;) {
        const int requested = std::min(remaining, kMaxSubmission);
        const int n = backend_->bulk(endpoint, data, requested, timeoutMs);
        if (n < 0) return -1;
        const int moved = std::min(n, requested);
        total += moved;
        data += moved;
        remaining -= moved;
        // A short transfer ends the loop: the device has nothing more to give or take.
        if (remaining <= 0 || moved != requested) break;
    }
    return total;
}

bool CUsbDevice::BulkWrite(std::uint8_t endpoint, const std::uint8_t *data, int size, unsigned timeoutMs, int &result,
                           std::uint64_t session) {
    result = -1;
    if ((endpoint & 0x80) || size < 0 || (size > 0 && !data)) return false;
    if (!beginTransfer(session)) return false;
    // The backends take one pointer type for both directions; a write never stores through it.
    result = bulkTransfer(endpoint, const_cast<std::uint8_t *>(data), size, timeoutMs);
    endTransfer();
    return result >= 0;
}

bool CUsbDevice::BulkRead(std::uint8_t endpoint, std::uint8_t *data, int size, unsigned timeoutMs, int &result,
                          std::uint64_t session) {
    result = -1;
    if (!(endpoint & 0x80) || size < 0 || (size > 0 && !data)) return false;
    if (!beginTransfer(session)) return false;
    result = bulkTransfer(endpoint, data, size, timeoutMs);
    endTransfer();
    return result >= 0;
}

}  // namespace vantor
