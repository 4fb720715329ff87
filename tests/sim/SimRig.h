#pragma once
// A CUsbProgrammer wired to the TR600 simulator with a virtual chip, for tests.
#include <atomic>
#include <cstring>
#include <memory>
#include <string>

#include "buffer/DataBuffer.h"
#include "core/Clock.h"
#include "devices/Algorithms.h"
#include "devices/DeviceRecord.h"
#include "devices/DeviceTables.h"
#include "programmer/CUsbProgrammer.h"
#include "sim/tr600/SimulatedProgrammer.h"
#include "tests/support/TestDoubles.h"

namespace vantor::test {

struct DeviceSpec {
    const char *name = "TESTCHIP";
    std::uint32_t area0 = 0x10000;
    std::uint32_t area1 = 0;
    std::uint8_t width = 8;
    std::uint8_t algorithm = algo::kMcs51Parallel;
    std::uint8_t id[4] = {0x1E, 0x51, 0x06, 0};
    std::uint16_t programPage = 0;
    std::uint32_t optionFlags = kOptionIgnoreFF;
    std::uint16_t vendor = 10;
    std::uint8_t type = kTypeMcu;
};

inline DeviceRecord makeDevice(const DeviceSpec &s) {
    DeviceRecord d;
    d.valid = 1;
    std::strncpy(d.device_name, s.name, sizeof d.device_name - 1);
    std::strcpy(d.vendor_name, "ATMEL");
    d.vendor_index = s.vendor;
    d.device_type = s.type;
    d.data_width = s.width;
    std::memcpy(d.device_id, s.id, 4);
    d.memory_areas[0] = {s.area0, 0};
    if (s.area1) d.memory_areas[1] = {s.area1, s.area0};
    d.area_count = s.area1 ? 2 : 1;
    d.top_address = s.area0 + s.area1;
    d.algorithm = s.algorithm;
    d.program_page_size = s.programPage;
    d.read_page_size = 256;
    d.option_flags = s.optionFlags;
    for (int i = 0; i < 7; ++i) d.program_params[i] = std::uint8_t(0x10 + i);
    return d;
}

struct SimRig {
    explicit SimRig(const DeviceRecord &d, int model = 0x83)
        : sim(sim::makeSimulatedProgrammer(model)),
          chip(std::make_shared<sim::VirtualChip>(sim::ChipSpec::fromDevice(d))), device(d),
          programmer(std::make_unique<CUsbProgrammer>(sim.backend())) {
        sim.device->insertChip(chip);
        programmer->setEnvironment({sink.get(), &clock, &prompt, &counters, &disconnected});
        programmer->SetContext(&buffer, &device, &options);
        options.IngoreFFH = 0;
        int m = -1;
        connected = programmer->Connect(m);
    }

    // Runs one operation to its end; the result notice's value (1, 0, -1).
    int run(int op) {
        sink = std::make_unique<RecordingEngineSink>();
        programmer->setEnvironment({sink.get(), &clock, &prompt, &counters, &disconnected});
        if (!programmer->StartOperation(Op(op))) return 99;
        programmer->waitIdle();
        return sink->resultValue();
    }
    bool saw(const std::string &text) const { return timesShown(text) > 0; }
    // Messages of the last run containing `text`; a failure must be told once, not twice.
    int timesShown(const std::string &text) const {
        int n = 0;
        for (const auto &m : sink->messages()) n += m.find(text) != std::string::npos;
        return n;
    }

    FakeClock clock;
    std::unique_ptr<RecordingEngineSink> sink = std::make_unique<RecordingEngineSink>();
    RecordingPrompt prompt;
    OperationCounters counters;
    std::atomic<bool> disconnected{false};
    sim::SimulatedProgrammer sim;
    std::shared_ptr<sim::VirtualChip> chip;
    DataBuffer buffer;
    DeviceRecord device;
    OptionsRecord options;
    std::unique_ptr<CUsbProgrammer> programmer;
    bool connected = false;
};

}  // namespace vantor::test
