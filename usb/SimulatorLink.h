#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "usb/UsbBackend.h"

namespace vantor {

// The device side of a simulated USB link; firmware simulators implement it.
class SimulatedUsbDevice {
public:
    virtual ~SimulatedUsbDevice() = default;
    // False once the device has been unplugged: every request then fails.
    virtual bool attached() const = 0;
    virtual bool setConfiguration(int configuration) = 0;
    virtual bool claimInterface(int interfaceNumber) = 0;
    // Vendor request; false = stalled. A device-to-host request fills data[0, length).
    virtual bool vendorRequest(UsbDirection direction, std::uint8_t request, std::uint16_t value, std::uint16_t index,
                               std::uint8_t *data, std::uint16_t length) = 0;
    // Bytes taken or given, or -1 when the device does not answer within the time-out.
    virtual int bulkOut(std::uint8_t endpoint, const std::uint8_t *data, int size, unsigned timeoutMs) = 0;
    virtual int bulkIn(std::uint8_t endpoint, std::uint8_t *data, int size, unsigned timeoutMs) = 0;
    // Wakes a bulk transfer that is waiting inside the device (for an unplug); optional.
    virtual void interrupt() {}
};

// Sixteen numbered ports, in the order a driver would number the programmers.
class SimulatedBus {
public:
    static constexpr int kPorts = 16;
    void plug(int port, std::shared_ptr<SimulatedUsbDevice> device);
    void unplug(int port);
    std::shared_ptr<SimulatedUsbDevice> at(int port) const;
    // One holder per device at a time, as the system's USB stack allows one claim of an interface:
    // false while another backend holds it.
    bool claim(const SimulatedUsbDevice *device);
    void release(const SimulatedUsbDevice *device);

private:
    mutable std::mutex mutex_;
    std::array<std::shared_ptr<SimulatedUsbDevice>, kPorts> ports_;
    std::vector<const SimulatedUsbDevice *> held_;
};

// Reaches simulated devices on a bus through the same transport code as hardware.
class SimulatorBackend : public UsbBackend {
public:
    explicit SimulatorBackend(std::shared_ptr<SimulatedBus> bus) : bus_(std::move(bus)) {}
    bool openIndex(int index) override;
    void close() override;
    bool control(UsbDirection direction, std::uint8_t request, std::uint16_t value, std::uint16_t index,
                 std::uint8_t *data, std::uint16_t length, unsigned timeoutMs) override;
    int bulk(std::uint8_t endpoint, std::uint8_t *data, int size, unsigned timeoutMs) override;
    void interrupt() override;
    std::string location() const override { return port_ >= 0 ? "simulated port " + std::to_string(port_) : ""; }

    // Open attempts so far, by port (tests check the search order).
    int openAttempts() const { return attempts_; }

private:
    std::shared_ptr<SimulatedBus> bus_;
    std::shared_ptr<SimulatedUsbDevice> device_;
    std::shared_ptr<SimulatedUsbDevice> interruptTarget_;
    std::mutex interruptMutex_;
    int attempts_ = 0;
    int port_ = -1;
};

}  // namespace vantor
