// Host-side cost of the programmer protocol: program and verify a 512 KiB chip through the
// transport and the simulator with every simulated chip delay at zero, so what is measured
// is our own code per KiB.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstring>

#include "buffer/DataBuffer.h"
#include "core/Clock.h"
#include "devices/Algorithms.h"
#include "devices/DeviceRecord.h"
#include "devices/DeviceTables.h"
#include "programmer/CUsbProgrammer.h"
#include "sim/tr600/SimulatedProgrammer.h"

using namespace vantor;

namespace {

class NullSink : public EngineSink {
public:
    void started() override {}
    void ended() override {}
    void result(OperationResult r) override { last = int(r); }
    void statusText(std::string_view) override {}
    void progressStep() override {}
    void progressRange(int) override {}
    void message(const MessageRecord &) override {}
    std::atomic<int> last{99};
};

void BM_ProgramAndVerify512KiB(benchmark::State &state) {
    constexpr std::uint32_t kSize = 512 * 1024;
    DeviceRecord device;
    std::strcpy(device.device_name, "BENCH512K");
    device.data_width = 8;
    device.memory_areas[0] = {kSize, 0};
    device.area_count = 1;
    device.top_address = kSize;
    device.algorithm = algo::kFlashJedec;
    device.read_page_size = 256;

    auto sim = sim::makeSimulatedProgrammer(0x83);
    sim.device->setTiming({0, 0, 0, 0, 0, 0});
    FakeClock clock;
    NullSink sink;
    OperationCounters counters;
    std::atomic<bool> disconnected{false};
    DataBuffer buffer;
    for (std::uint32_t i = 0; i < kSize; ++i) buffer[i] = std::uint8_t(i * 31 + (i >> 9));
    OptionsRecord options;
    options.IngoreFFH = 0;
    options.ChkDevID = 0;
    CUsbProgrammer programmer(sim.backend());
    programmer.setEnvironment({&sink, &clock, nullptr, &counters, &disconnected});
    programmer.SetContext(&buffer, &device, &options);
    int model = -1;
    if (!programmer.Connect(model)) {
        state.SkipWithError("simulator did not connect");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        sim.device->insertChip(std::make_shared<sim::VirtualChip>(sim::ChipSpec::fromDevice(device)));
        state.ResumeTiming();
        for (Op op : {Op::Program, Op::Verify}) {
            programmer.StartOperation(op);
            programmer.waitIdle();
            if (sink.last != 1) state.SkipWithError("operation failed");
        }
    }
    // Per KiB programmed and verified; the engine's fixed pauses run on the fake clock.
    state.counters["s_per_KiB"] =
        benchmark::Counter(double(state.iterations()) * 512, benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
                           benchmark::Counter::kIs1000);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kSize * 2);
}
BENCHMARK(BM_ProgramAndVerify512KiB)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
