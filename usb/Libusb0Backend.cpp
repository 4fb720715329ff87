#include "usb/Libusb0Backend.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace vantor {

namespace libusb0 {

std::array<std::uint8_t, 24> RequestRecord::bytes() const {
    std::array<std::uint8_t, 24> out{};
    std::size_t at = 0;
    for (const std::uint32_t word : {timeout, param[0], param[1], param[2], param[3], param[4]})
        for (int b = 0; b < 4; ++b) out[at++] = std::uint8_t(word >> (8 * b));
    return out;
}

std::string deviceName(int index) {
    char name[32];
    std::snprintf(name, sizeof name, "\\\\.\\libusb0-%4.4d", index);
    return name;
}

}  // namespace libusb0

using namespace libusb0;

Libusb0Backend::Libusb0Backend(std::unique_ptr<IoctlPort> port) : port_(std::move(port)) {}

Libusb0Backend::~Libusb0Backend() { close(); }

bool Libusb0Backend::openIndex(int index) {
    close();
    if (!port_) return false;
    const IoctlPort::Handle h = port_->open(deviceName(index));
    if (h == IoctlPort::kInvalid) return false;

    RequestRecord configuration;
    configuration.timeout = kRequestTimeoutMs;
    configuration.param[0] = 1;
    const auto configurationBytes = configuration.bytes();
    // Claim-interface fills only its interface word.
    RequestRecord claim;
    claim.param[0] = 0;
    const auto claimBytes = claim.bytes();
    if (!port_->ioctl(h, kSetConfiguration, configurationBytes.data(), 24, nullptr, 0) ||
        !port_->ioctl(h, kClaimInterface, claimBytes.data(), 24, nullptr, 0)) {
        port_->close(h);
        return false;
    }
    handle_ = h;
    return true;
}

void Libusb0Backend::close() {
    if (handle_ == IoctlPort::kInvalid) return;
    port_->close(handle_);
    handle_ = IoctlPort::kInvalid;
}

bool Libusb0Backend::control(UsbDirection direction, std::uint8_t request, std::uint16_t value, std::uint16_t index,
                             std::uint8_t *data, std::uint16_t length, unsigned) {
    if (handle_ == IoctlPort::kInvalid) return false;
    RequestRecord record;
    record.timeout = kRequestTimeoutMs;
    record.param[0] = kRequestTypeVendor;
    record.param[1] = kRecipientDevice;
    record.param[2] = request;
    record.param[3] = value;
    record.param[4] = index;
    const auto recordBytes = record.bytes();
    if (direction == UsbDirection::DeviceToHost)
        return port_->ioctl(handle_, kVendorRead, recordBytes.data(), 24, data, length);

    std::vector<std::uint8_t> block;
    try {
        block.resize(24 + std::size_t(length));
    } catch (const std::bad_alloc &) {
        return false;
    }
    std::memcpy(block.data(), recordBytes.data(), 24);
    if (length) std::memcpy(block.data() + 24, data, length);
    return port_->ioctl(handle_, kVendorWrite, block.data(), std::uint32_t(block.size()), nullptr, 0);
}

int Libusb0Backend::bulk(std::uint8_t endpoint, std::uint8_t *data, int size, unsigned timeoutMs) {
    if (handle_ == IoctlPort::kInvalid) return -1;
    RequestRecord record;
    record.timeout = kRequestTimeoutMs;
    record.param[0] = endpoint;
    record.param[1] = 0;  // packet size
    const auto recordBytes = record.bytes();
    const std::uint32_t code = (endpoint & 0x80) ? kBulkRead : kBulkWrite;
    auto pending = port_->submit(handle_, code, recordBytes.data(), 24, data, std::uint32_t(size));
    if (!pending) return -1;
    if (!pending->wait(timeoutMs)) {
        pending->cancel();
        return -1;
    }
    return int(pending->bytesMoved());
}

}  // namespace vantor
