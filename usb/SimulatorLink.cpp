#include "usb/SimulatorLink.h"

#include <algorithm>

namespace vantor {

void SimulatedBus::plug(int port, std::shared_ptr<SimulatedUsbDevice> device) {
    if (port < 0 || port >= kPorts) return;
    std::lock_guard lock(mutex_);
    ports_[std::size_t(port)] = std::move(device);
}

void SimulatedBus::unplug(int port) {
    if (port < 0 || port >= kPorts) return;
    std::lock_guard lock(mutex_);
    ports_[std::size_t(port)].reset();
}

std::shared_ptr<SimulatedUsbDevice> SimulatedBus::at(int port) const {
    if (port < 0 || port >= kPorts) return nullptr;
    std::lock_guard lock(mutex_);
    return ports_[std::size_t(port)];
}

bool SimulatedBus::claim(const SimulatedUsbDevice *device) {
    std::lock_guard lock(mutex_);
    if (std::find(held_.begin(), held_.end(), device) != held_.end()) return false;
    held_.push_back(device);
    return true;
}

void SimulatedBus::release(const SimulatedUsbDevice *device) {
    std::lock_guard lock(mutex_);
    std::erase(held_, device);
}

bool SimulatorBackend::openIndex(int index) {
    ++attempts_;
    close();
    auto device = bus_ ? bus_->at(index) : nullptr;
    if (!device || !device->attached()) return false;
    if (!device->setConfiguration(1) || !device->claimInterface(0) || !bus_->claim(device.get())) return false;
    device_ = std::move(device);
    port_ = index;
    std::lock_guard lock(interruptMutex_);
    interruptTarget_ = device_;
    return true;
}

void SimulatorBackend::close() {
    {
        std::lock_guard lock(interruptMutex_);
        interruptTarget_.reset();
    }
    if (device_) bus_->release(device_.get());
    device_.reset();
}

bool SimulatorBackend::control(UsbDirection direction, std::uint8_t request, std::uint16_t value, std::uint16_t index,
                               std::uint8_t *data, std::uint16_t length, unsigned) {
    if (!device_ || !device_->attached()) return false;
    return device_->vendorRequest(direction, request, value, index, data, length);
}

int SimulatorBackend::bulk(std::uint8_t endpoint, std::uint8_t *data, int size, unsigned timeoutMs) {
    if (!device_ || !device_->attached()) return -1;
    return (endpoint & 0x80) ? device_->bulkIn(endpoint, data, size, timeoutMs)
                             : device_->bulkOut(endpoint, data, size, timeoutMs);
}

void SimulatorBackend::interrupt() {
    std::shared_ptr<SimulatedUsbDevice> target;
    {
        std::lock_guard lock(interruptMutex_);
        target = interruptTarget_;
    }
    if (target) target->interrupt();
}

}  // namespace vantor
