#pragma once
#include <string>

#include "usb/UsbBackend.h"

struct libusb_context;
struct libusb_device_handle;

namespace vantor {

inline constexpr std::uint16_t kProgrammerVendorId = 0x7A31;

// Programmers through libusb-1.0. Only devices with the programmers' vendor id are looked
// at; `index` counts those devices in the order libusb lists them.
class LibusbBackend : public UsbBackend {
public:
    LibusbBackend();
    ~LibusbBackend() override;
    bool openIndex(int index) override;
    void close() override;
    bool control(UsbDirection direction, std::uint8_t request, std::uint16_t value, std::uint16_t index,
                 std::uint8_t *data, std::uint16_t length, unsigned timeoutMs) override;
    int bulk(std::uint8_t endpoint, std::uint8_t *data, int size, unsigned timeoutMs) override;
    std::string openProblem() const override { return problem_; }
    std::string location() const override { return location_; }

private:
    libusb_context *context_ = nullptr;
    libusb_device_handle *handle_ = nullptr;
    bool claimed_ = false;
    std::string problem_;
    std::string location_;
};

}  // namespace vantor
