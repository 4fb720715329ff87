// vantor-cli against the built-in simulator: the same transport and protocol code as hardware.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "devices/Algorithms.h"
#include "devices/LibraryFormat.h"
#include "tests/support/RunCommand.h"

using namespace vantor;
using namespace vantor::test;
namespace fs = std::filesystem;

namespace {

devlib::LibraryRecord record(const char *name, std::uint32_t area0, std::uint32_t area1) {
    devlib::LibraryRecord r;
    r.device_name = name;
    r.vendor_index = 10;
    r.device_type = 0;
    r.device_id[0] = 0x1E;
    r.device_id[1] = 0x51;
    r.device_id[2] = 0x06;
    r.memory_areas[0] = {area0, 0};
    if (area1) r.memory_areas[1] = {area1, area0};
    r.option_flags = 0x2;
    r.operation_flags = 0x7FFF;
    r.algorithm = algo::kMcs51Parallel;
    r.read_page_size = 256;
    return r;
}

std::vector<char> readAll(const fs::path &p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path &p, std::size_t n, int seed) {
    std::ofstream f(p, std::ios::binary);
    for (std::size_t i = 0; i < n; ++i) f.put(char((i * 13 + seed) ^ (i >> 8)));
}

class CliSimulate : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vantor-cli-sim-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        const auto image = devlib::buildLibrary(
            "TR610.dev", {record("TEST64K", 0x10000, 0), record("TEST2AREA", 0x2000, 0x800)});
        std::ofstream(dir / "TR610.dev", std::ios::binary)
            .write(reinterpret_cast<const char *>(image.data()), std::streamsize(image.size()));
        cli = binPath("vantor-cli") + " --no-color --lib-dir " + dir.string() + " --simulate --sim-chip " +
              (dir / "chip").string() + " ";
    }
    void TearDown() override { fs::remove_all(dir); }

    CommandResult run(const std::string &args) { return runCommand(cli + args); }
    std::string path(const char *name) const { return (dir / name).string(); }

    fs::path dir;
    std::string cli;
};

}  // namespace

TEST_F(CliSimulate, ProgramReadVerifyBlankEraseOnA64KiBChip) {
    writeBytes(dir / "a.bin", 0x10000, 1);
    writeBytes(dir / "b.bin", 0x10000, 1);
    {
        std::fstream f(dir / "b.bin", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(0xBEEF);
        f.put(char(0x77));
    }
    auto r = run("program -d ATMEL/TEST64K -f " + path("a.bin"));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("(simulated)"), std::string::npos);
    EXPECT_NE(r.output.find("Programming...\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Program successful"), std::string::npos);

    r = run("read -d TEST64K -o " + path("out.bin"));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(readAll(dir / "out.bin"), readAll(dir / "a.bin"));

    r = run("verify -d TEST64K -f " + path("a.bin"));
    EXPECT_EQ(r.status, 0) << r.output;
    r = run("verify -d TEST64K -f " + path("b.bin"));
    EXPECT_EQ(r.status, 1) << r.output;
    char expected[80];
    const auto a = readAll(dir / "a.bin");
    std::snprintf(expected, sizeof expected, "Verify Failed.  Addr: 0xBEEF  Device: 0x%2.2X  Buffer: 0x77",
                  unsigned(std::uint8_t(a[0xBEEF])));
    EXPECT_NE(r.output.find(expected), std::string::npos) << r.output;

    r = run("blank -d TEST64K");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("Blank check failed   Addr. 0x"), std::string::npos);
    EXPECT_EQ(run("erase -d TEST64K").status, 0);
    r = run("blank -d TEST64K");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Blank check successful"), std::string::npos);
}

TEST_F(CliSimulate, TwoAreaDeviceAndAreaMask) {
    writeBytes(dir / "two.bin", 0x2800, 5);
    auto r = run("auto -d TEST2AREA --items erase,program,verify -f " + path("two.bin"));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Programming [FLASH]..."), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Verifying [EEPROM]..."), std::string::npos);

    r = run("read -d TEST2AREA --area 2 -o " + path("eeprom.bin"));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output.find("Reading [FLASH]"), std::string::npos);
    const auto all = readAll(dir / "two.bin");
    EXPECT_EQ(readAll(dir / "eeprom.bin"), std::vector<char>(all.begin() + 0x2000, all.end()));
}

TEST_F(CliSimulate, ConfigurationBytesReachTheChipAndComeBack) {
    auto r = run("write-fuse -d TEST64K --config 11,22,33 0x44");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Write fuse completed"), std::string::npos);
    r = run("read-fuse -d TEST64K");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Bytes read: 11 22 33 44 00"), std::string::npos) << r.output;
}

TEST_F(CliSimulate, UsageMistakesAndNoProgrammer) {
    EXPECT_EQ(run("program -d TEST64K").status, 2) << "program needs a file";
    EXPECT_EQ(run("verify -d TEST64K -f " + path("missing.bin")).status, 2);
    EXPECT_EQ(run("read -d TEST64K --area 4").status, 2);
    EXPECT_EQ(run("erase -d TEST64K -o x.bin").status, 2);
    std::ofstream(dir / "chip") << "not a chip";
    EXPECT_EQ(run("blank -d TEST64K").status, 2);

    // Without --simulate the command line looks for hardware only, and none is here.
    const auto r = runCommand(binPath("vantor-cli") + " --lib-dir " + dir.string() + " blank -d TEST64K");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("no programmer found"), std::string::npos) << r.output;
}
