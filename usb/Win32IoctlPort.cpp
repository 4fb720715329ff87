#ifdef _WIN32
#include <windows.h>

#include <vector>

#include "usb/Libusb0Backend.h"

namespace vantor {

namespace {

class Win32Pending : public IoctlPort::Pending {
public:
    Win32Pending(HANDLE device, HANDLE event) : device_(device) {
        ZeroMemory(&overlapped_, sizeof overlapped_);
        overlapped_.hEvent = event;
    }
    ~Win32Pending() override {
        if (overlapped_.hEvent) CloseHandle(overlapped_.hEvent);
    }
    OVERLAPPED *overlapped() { return &overlapped_; }
    std::vector<unsigned char> &record() { return record_; }

    bool wait(unsigned timeoutMs) override {
        return WaitForSingleObject(overlapped_.hEvent, timeoutMs == 0 ? INFINITE : timeoutMs) != WAIT_TIMEOUT;
    }
    std::uint32_t bytesMoved() override {
        DWORD n = 0;
        if (!GetOverlappedResult(device_, &overlapped_, &n, TRUE)) return 0;
        return n;
    }
    void cancel() override {
        CancelIo(device_);
        // The driver may still write into the buffers until the request has really ended.
        DWORD n = 0;
        GetOverlappedResult(device_, &overlapped_, &n, TRUE);
    }

private:
    HANDLE device_;
    OVERLAPPED overlapped_;
    std::vector<unsigned char> record_;
};

class Win32IoctlPort : public IoctlPort {
public:
    Handle open(const std::string &name) override {
        HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        return h == INVALID_HANDLE_VALUE ? kInvalid : Handle(h);
    }
    void close(Handle handle) override { CloseHandle(HANDLE(handle)); }

    bool ioctl(Handle handle, std::uint32_t code, const void *in, std::uint32_t inSize, void *out,
               std::uint32_t outSize) override {
        // The handle is overlapped, so even a "blocking" request needs an event to wait on.
        OVERLAPPED ov;
        ZeroMemory(&ov, sizeof ov);
        ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (!ov.hEvent) return false;
        DWORD n = 0;
        BOOL ok = DeviceIoControl(HANDLE(handle), code, const_cast<void *>(in), inSize, out, outSize, &n, &ov);
        if (!ok && GetLastError() == ERROR_IO_PENDING) ok = GetOverlappedResult(HANDLE(handle), &ov, &n, TRUE);
        CloseHandle(ov.hEvent);
        return ok != FALSE;
    }

    std::unique_ptr<Pending> submit(Handle handle, std::uint32_t code, const void *in, std::uint32_t inSize, void *out,
                                    std::uint32_t outSize) override {
        HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (!event) return nullptr;
        auto pending = std::make_unique<Win32Pending>(HANDLE(handle), event);
        // The record must outlive the request.
        pending->record().assign(static_cast<const unsigned char *>(in),
                                 static_cast<const unsigned char *>(in) + inSize);
        ResetEvent(event);
        DWORD n = 0;
        if (!DeviceIoControl(HANDLE(handle), code, pending->record().data(), inSize, out, outSize, &n,
                             pending->overlapped()) &&
            GetLastError() != ERROR_IO_PENDING)
            return nullptr;
        return pending;
    }
};

}  // namespace

std::unique_ptr<IoctlPort> makeWin32IoctlPort() { return std::make_unique<Win32IoctlPort>(); }

}  // namespace vantor
#endif
