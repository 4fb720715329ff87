// A generated 20,000-device library (2.7 MB): one verified lookup, and a whole listing.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "core/Prompt.h"
#include "devices/DeviceLibrary.h"
#include "devices/DeviceSearch.h"
#include "devices/LibraryFormat.h"

using namespace vantor;

namespace {

constexpr int kDevices = 20000;

class SilentPrompt : public Prompt {
public:
    Answer ask(std::string_view, std::string_view, Icon, Buttons) override { return Answer::Ok; }
};

std::string deviceName(int i) { return "BENCH" + std::to_string(i) + "-PLCC44"; }

const std::filesystem::path &libraryDirectory() {
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("vantor-devlib-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        std::vector<devlib::LibraryRecord> records(kDevices);
        for (int i = 0; i < kDevices; ++i) {
            auto &r = records[std::size_t(i)];
            r.device_name = deviceName(i);
            r.vendor_index = std::uint16_t(i % 101);
            r.device_type = std::uint8_t(i % 6);
            r.memory_areas[0] = {std::uint32_t(1024u << (i % 8)), 0};
            r.pin_count = 44;
            r.adapter_index = std::uint16_t(i % 73);
            r.operation_flags = 0x7FFF;
            r.config_name = "CFG" + std::to_string(i % 50);
        }
        const auto image = devlib::buildLibrary("TR620.dev", records);
        std::ofstream(d / "TR620.dev", std::ios::binary)
            .write(reinterpret_cast<const char *>(image.data()), std::streamsize(image.size()));
        return d;
    }();
    return dir;
}

void openLibrary(DeviceLibrary &library) {
    library.setLibraryDirectory(libraryDirectory());
    library.SetLibraryFile("TR620.dev");
}

// The last device: the whole file is read and verified, then every record is passed.
void BM_SingleLookup(benchmark::State &state) {
    SilentPrompt prompt;
    DeviceLibrary library(prompt);
    openLibrary(library);
    const int last = kDevices - 1;
    DeviceRecord record;
    for (auto _ : state) {
        if (!library.FindDevice(std::uint16_t(last % 101), deviceName(last), record)) state.SkipWithError("not found");
        benchmark::DoNotOptimize(record);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) *
                            std::int64_t(std::filesystem::file_size(libraryDirectory() / "TR620.dev")));
}
BENCHMARK(BM_SingleLookup)->Unit(benchmark::kMillisecond);

// What `vantor-cli devices` does: every record of one verified read.
void BM_Listing(benchmark::State &state) {
    SilentPrompt prompt;
    DeviceLibrary library(prompt);
    openLibrary(library);
    for (auto _ : state) {
        const auto all = listDevices(library);
        if (all.size() != std::size_t(kDevices)) state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(all.data());
    }
}
BENCHMARK(BM_Listing)->Unit(benchmark::kMillisecond);

// A search as the selection dialog runs it.
void BM_Search(benchmark::State &state) {
    SilentPrompt prompt;
    DeviceLibrary library(prompt);
    openLibrary(library);
    DeviceFilter filter;
    filter.nameContains = "bench1999";
    for (auto _ : state) benchmark::DoNotOptimize(listDevices(library, filter).size());
}
BENCHMARK(BM_Search)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(libraryDirectory());
    return 0;
}
