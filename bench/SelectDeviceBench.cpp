// Opening Select Device on a library of 20,000 devices: the index is read once, the vendor
// list filled and one vendor's devices listed. Arg 0: devices spread over all 101 vendors;
// arg 1: every device under one vendor (the longest device list).
#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>

#include "core/Profile.h"
#include "devices/DeviceInfo.h"
#include "devices/LibraryFormat.h"
#include "devices/ui/DeviceDialogs.h"

using namespace vantor;
namespace fs = std::filesystem;

namespace {

class NoPrompt : public Prompt {
public:
    Answer ask(std::string_view, std::string_view, Icon, Buttons) override { return Answer::Ok; }
};

fs::path makeLibrary(bool oneVendor) {
    const fs::path dir = fs::temp_directory_path() / ("vantor-select-bench-" + std::to_string(oneVendor));
    fs::create_directories(dir);
    std::vector<devlib::LibraryRecord> records;
    for (int i = 0; i < 20000; ++i) {
        devlib::LibraryRecord r;
        r.device_name = "DEVICE" + std::to_string(i * 7919 % 20000);
        r.vendor_index = std::uint16_t(oneVendor ? 10 : i % 101);
        r.device_type = std::uint8_t(i % 6);
        r.memory_areas[0] = {0x1000, 0};
        r.adapter_index = 51;
        records.push_back(r);
    }
    const auto img = devlib::buildLibrary("TR610.dev", records);
    std::ofstream(dir / "TR610.dev", std::ios::binary)
        .write(reinterpret_cast<const char *>(img.data()), long(img.size()));
    return dir;
}

// The generated library as Select Device opens it; its directory goes with it.
struct OpenLibrary {
    explicit OpenLibrary(bool oneVendor) : dir(makeLibrary(oneVendor)), library(prompt) {
        library.setLibraryDirectory(dir);
        library.SetLibraryFile("TR610.dev");
    }
    ~OpenLibrary() { fs::remove_all(dir); }

    NoPrompt prompt;
    fs::path dir;
    DeviceLibrary library;
    MemoryProfile profile;
};

void OpenModel(benchmark::State &state) {
    OpenLibrary open(state.range(0) != 0);
    for (auto _ : state) {
        SelectDeviceForm model(open.library, open.profile);
        benchmark::DoNotOptimize(model.open());
    }
}

void OpenDialog(benchmark::State &state) {
    OpenLibrary open(state.range(0) != 0);
    for (auto _ : state) {
        ui::SelectDeviceDialog dialog(open.library, open.profile, Artbank::defaultPath());
        benchmark::DoNotOptimize(dialog.opened());
    }
}

}  // namespace

BENCHMARK(OpenModel)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenDialog)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
