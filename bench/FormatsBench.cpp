// Loading and saving an 8 MiB image in each format, beside srec_cat doing the same conversion.
// Tektronix addresses only 64 KiB, so its figures are for 64 KiB.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include <unistd.h>

#include "buffer/DataFile.h"

using namespace vantor;
namespace fs = std::filesystem;

namespace {

class NullSink : public InfoSink {
public:
    void appendLine(std::string_view, Colour, bool) override {}
};

struct Format {
    FileFormat format;
    const char *srecName;
    std::uint32_t size;
};

const Format kFormats[] = {
    {FileFormat::Binary, "-binary", 0x800000},
    {FileFormat::IntelHex, "-intel", 0x800000},
    {FileFormat::Motorola, "-motorola", 0x800000},
    {FileFormat::Tektronix, "-tektronix", 0x10000},
    {FileFormat::ExtTektronix, "-tektronix_extended", 0x800000},
};

struct Workspace {
    fs::path dir = fs::temp_directory_path() / ("vantor-bench-" + std::to_string(getpid()));
    std::unique_ptr<DataBuffer> image = std::make_unique<DataBuffer>();

    Workspace() {
        fs::create_directories(dir);
        std::mt19937 rng(7);
        for (std::size_t i = 0; i < DataBuffer::kSize; ++i) (*image)[i] = std::uint8_t(rng());
        NullSink sink;
        for (const Format &f : kFormats) {
            saveDataFile(input(f), *image, {0, f.size, f.format}, sink);
            saveDataFile(binary(f), *image, {0, f.size, FileFormat::Binary}, sink);
        }
    }
    ~Workspace() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path input(const Format &f) const { return dir / ("in" + std::to_string(unsigned(f.format))); }
    // srec_cat rejects our extended Tektronix checksums past 64 KiB, so it reads its own file.
    fs::path srecCatInput(const Format &f) const {
        if (f.format != FileFormat::ExtTektronix) return input(f);
        const fs::path p = dir / "in4.srec_cat";
        if (!fs::exists(p))
            std::system(
                ("srec_cat '" + binary(f).string() + "' -binary -o '" + p.string() + "' " + f.srecName).c_str());
        return p;
    }
    fs::path binary(const Format &f) const { return dir / ("in" + std::to_string(unsigned(f.format)) + ".bin"); }
    fs::path output() const { return dir / "out"; }
};

Workspace &workspace() {
    static Workspace w;
    return w;
}

void runOrFail(benchmark::State &state, const std::string &command) {
    if (std::system(command.c_str()) != 0) state.SkipWithError(("failed: " + command).c_str());
}

void BM_Load(benchmark::State &state, Format f) {
    Workspace &w = workspace();
    DataBuffer buffer;
    NullSink sink;
    LoadSettings s;
    s.format = f.format;
    for (auto _ : state)
        if (!loadDataFile(w.input(f), buffer, s, sink).ok()) state.SkipWithError("load failed");
    state.SetBytesProcessed(std::int64_t(state.iterations()) * f.size);
}

void BM_Save(benchmark::State &state, Format f) {
    Workspace &w = workspace();
    NullSink sink;
    for (auto _ : state)
        if (saveDataFile(w.output(), *w.image, {0, f.size, f.format}, sink) != SaveStatus::Ok)
            state.SkipWithError("save failed");
    state.SetBytesProcessed(std::int64_t(state.iterations()) * f.size);
}

// srec_cat reading the format into a binary image.
void BM_SrecCatLoad(benchmark::State &state, Format f) {
    Workspace &w = workspace();
    const std::string cmd = "srec_cat '" + w.srecCatInput(f).string() + "' " + f.srecName + " -o '" +
                            w.output().string() + "' -binary 2>/dev/null";
    for (auto _ : state) runOrFail(state, cmd);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * f.size);
}

// srec_cat writing a binary image in the format.
void BM_SrecCatSave(benchmark::State &state, Format f) {
    Workspace &w = workspace();
    const std::string cmd = "srec_cat '" + w.binary(f).string() + "' -binary -o '" + w.output().string() + "' " +
                            f.srecName + " 2>/dev/null";
    for (auto _ : state) runOrFail(state, cmd);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * f.size);
}

const char *shortName(FileFormat f) {
    switch (f) {
    case FileFormat::Binary: return "bin";
    case FileFormat::IntelHex: return "hex";
    case FileFormat::Motorola: return "s";
    case FileFormat::Tektronix: return "tek_64KiB";
    default: return "xtek";
    }
}

// Each direction of each format, by this program and (where installed) by srec_cat.
const bool registered = [] {
    const bool haveSrecCat = std::system("command -v srec_cat >/dev/null 2>&1") == 0;
    using Run = void (*)(benchmark::State &, Format);
    auto add = [haveSrecCat](const std::string &name, Run ours, Run srecCat, const Format &f) {
        benchmark::RegisterBenchmark((name + "/vantor").c_str(), ours, f)->Unit(benchmark::kMillisecond)->UseRealTime();
        if (haveSrecCat)
            benchmark::RegisterBenchmark((name + "/srec_cat").c_str(), srecCat, f)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->Iterations(3);
    };
    for (const Format &f : kFormats) {
        add(std::string("load/") + shortName(f.format), BM_Load, BM_SrecCatLoad, f);
        add(std::string("save/") + shortName(f.format), BM_Save, BM_SrecCatSave, f);
    }
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
