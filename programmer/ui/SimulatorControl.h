#pragma once
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "devices/DeviceRecord.h"
#include "programmer/ui/DeviceWatcher.h"
#include "sim/tr600/SimulatedProgrammer.h"

namespace vantor::ui {

// The built-in programmer of --simulate: the user (the Simulator menu) and tests plug it in
// and unplug it, and it holds a chip that matches the selected device.
class SimulatorControl : public DeviceWatcher {
    Q_OBJECT
public:
    // chipFile: keeps the chip of the first device selected between runs (may be empty).
    SimulatorControl(int modelCode, std::filesystem::path chipFile = {}, QObject *parent = nullptr);
    ~SimulatorControl() override;

    std::unique_ptr<UsbBackend> backend() const { return sim_.backend(); }
    sim::Tr600Simulator &device() { return *device_; }
    int modelCode() const { return model_; }
    bool plugged() const { return plugged_; }
    // Real time one bulk transfer takes inside the simulated programmer.
    void setBulkDelayUs(unsigned us);

    // Puts the device's chip in the socket (the same chip again when it comes back).
    void insertChipFor(const DeviceRecord &device);
    std::shared_ptr<sim::VirtualChip> chip() const;
    bool saveChip() const;  // into chipFile, when one was given

public slots:
    void unplug();
    void plug(int modelCode);  // a programmer of that model appears on the port

private:
    sim::SimulatedProgrammer sim_;
    std::shared_ptr<sim::Tr600Simulator> device_;
    std::map<std::string, std::shared_ptr<sim::VirtualChip>> chips_;
    std::filesystem::path chipFile_;
    std::string chipFileDevice_;
    unsigned bulkDelayUs_ = 0;
    int model_;
    bool plugged_ = true;
};

}  // namespace vantor::ui
