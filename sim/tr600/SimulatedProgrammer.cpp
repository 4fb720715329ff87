#include "sim/tr600/SimulatedProgrammer.h"

namespace vantor::sim {

SimulatedProgrammer makeSimulatedProgrammer(int modelCode, int port) {
    SimulatedProgrammer p;
    p.bus = std::make_shared<SimulatedBus>();
    p.device = std::make_shared<Tr600Simulator>(modelCode);
    p.bus->plug(port, p.device);
    return p;
}

}  // namespace vantor::sim
