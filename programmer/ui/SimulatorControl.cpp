#include "programmer/ui/SimulatorControl.h"

namespace vantor::ui {

SimulatorControl::SimulatorControl(int modelCode, std::filesystem::path chipFile, QObject *parent)
    : DeviceWatcher(parent), sim_(sim::makeSimulatedProgrammer(modelCode)), device_(sim_.device),
      chipFile_(std::move(chipFile)), model_(modelCode) {}

SimulatorControl::~SimulatorControl() = default;

void SimulatorControl::setBulkDelayUs(unsigned us) {
    bulkDelayUs_ = us;
    sim::Tr600Timing t;
    t.bulkDelayUs = us;
    device_->setTiming(t);
}

void SimulatorControl::insertChipFor(const DeviceRecord &device) {
    const std::string key = std::string(device.vendor_name) + "/" + device.device_name;
    auto &chip = chips_[key];
    if (!chip) {
        chip = std::make_shared<sim::VirtualChip>(sim::ChipSpec::fromDevice(device));
        std::error_code ec;
        if (!chipFile_.empty() && chipFileDevice_.empty() && std::filesystem::exists(chipFile_, ec)) {
            if (chip->load(chipFile_)) chipFileDevice_ = key;
        } else if (!chipFile_.empty() && chipFileDevice_.empty()) {
            chipFileDevice_ = key;
        }
    }
    device_->insertChip(chip);
}

std::shared_ptr<sim::VirtualChip> SimulatorControl::chip() const { return device_->chip(); }

bool SimulatorControl::saveChip() const {
    if (chipFile_.empty() || chipFileDevice_.empty()) return true;
    const auto it = chips_.find(chipFileDevice_);
    return it == chips_.end() || it->second->save(chipFile_);
}

void SimulatorControl::unplug() {
    if (!plugged_) return;
    plugged_ = false;
    device_->unplug();
    sim_.bus->unplug(0);
    emit removed();
}

void SimulatorControl::plug(int modelCode) {
    if (plugged_) unplug();
    if (modelCode != model_) {
        auto chip = device_->chip();
        device_ = std::make_shared<sim::Tr600Simulator>(modelCode);
        if (chip) device_->insertChip(chip);
        if (bulkDelayUs_) setBulkDelayUs(bulkDelayUs_);
        model_ = modelCode;
    } else {
        device_->replug();
    }
    sim_.bus->plug(0, device_);
    plugged_ = true;
    emit arrived();
}

}  // namespace vantor::ui
