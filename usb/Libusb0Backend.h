#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "usb/UsbBackend.h"

namespace vantor {

namespace libusb0 {

// Control codes of the libusb0 kernel driver (FILE_DEVICE_UNKNOWN, FILE_ANY_ACCESS).
inline constexpr std::uint32_t kSetConfiguration = 0x222004;  // buffered
inline constexpr std::uint32_t kClaimInterface = 0x222054;    // buffered
inline constexpr std::uint32_t kBulkWrite = 0x222029;         // in-direct
inline constexpr std::uint32_t kBulkRead = 0x22202E;          // out-direct
inline constexpr std::uint32_t kVendorWrite = 0x222030;       // buffered, record + data in one block
inline constexpr std::uint32_t kVendorRead = 0x222034;        // buffered

inline constexpr unsigned kRequestTimeoutMs = 200;
inline constexpr std::uint32_t kRequestTypeVendor = 2;
inline constexpr std::uint32_t kRecipientDevice = 0;

// The 24-byte request record: six little-endian 32-bit words.
struct RequestRecord {
    std::uint32_t timeout = 0;
    std::uint32_t param[5] = {};
    std::array<std::uint8_t, 24> bytes() const;
};

// "\\.\libusb0-0000" … "\\.\libusb0-0015".
std::string deviceName(int index);

}  // namespace libusb0

// The few things the libusb0 backend needs from the operating system, so its records can be
// checked byte for byte without the driver.
class IoctlPort {
public:
    using Handle = std::intptr_t;
    static constexpr Handle kInvalid = -1;

    // One overlapped request that the driver accepted.
    class Pending {
    public:
        virtual ~Pending() = default;
        // False when the request has not completed within timeoutMs (0 = wait forever).
        virtual bool wait(unsigned timeoutMs) = 0;
        // Bytes moved by a completed request (0 when the system reports nothing).
        virtual std::uint32_t bytesMoved() = 0;
        // Cancels the request and waits until it has finished, so its buffers may be freed.
        virtual void cancel() = 0;
    };

    virtual ~IoctlPort() = default;
    virtual Handle open(const std::string &name) = 0;
    virtual void close(Handle handle) = 0;
    // Blocking DeviceIoControl without an OVERLAPPED record.
    virtual bool ioctl(Handle handle, std::uint32_t code, const void *in, std::uint32_t inSize, void *out,
                       std::uint32_t outSize) = 0;
    // Overlapped DeviceIoControl; null when the driver refuses it at once.
    virtual std::unique_ptr<Pending> submit(Handle handle, std::uint32_t code, const void *in, std::uint32_t inSize,
                                            void *out, std::uint32_t outSize) = 0;
};

// Programmers bound to the libusb0 driver, reached through its device objects.
class Libusb0Backend : public UsbBackend {
public:
    explicit Libusb0Backend(std::unique_ptr<IoctlPort> port);
    ~Libusb0Backend() override;
    bool openIndex(int index) override;
    void close() override;
    bool control(UsbDirection direction, std::uint8_t request, std::uint16_t value, std::uint16_t index,
                 std::uint8_t *data, std::uint16_t length, unsigned timeoutMs) override;
    int bulk(std::uint8_t endpoint, std::uint8_t *data, int size, unsigned timeoutMs) override;

private:
    std::unique_ptr<IoctlPort> port_;
    IoctlPort::Handle handle_ = IoctlPort::kInvalid;
};

#ifdef _WIN32
// DeviceIoControl on the real driver.
std::unique_ptr<IoctlPort> makeWin32IoctlPort();
#endif

}  // namespace vantor
