#pragma once
#include <memory>

#include "sim/tr600/Tr600Simulator.h"
#include "usb/SimulatorLink.h"

namespace vantor::sim {

// A simulated programmer plugged into a bus of its own, and the way to reach it.
struct SimulatedProgrammer {
    std::shared_ptr<SimulatedBus> bus;
    std::shared_ptr<Tr600Simulator> device;

    // A transport backend that reaches this bus (give one to each CUsbProgrammer).
    std::unique_ptr<UsbBackend> backend() const { return std::make_unique<SimulatorBackend>(bus); }
};

SimulatedProgrammer makeSimulatedProgrammer(int modelCode, int port = 0);

}  // namespace vantor::sim
