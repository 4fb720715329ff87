// vantor-cli against the built-in simulator: the same transport and protocol code as hardware.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/stat.h>
#include <unistd.h>

#include "core/Profile.h"
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
        const auto image =
            devlib::buildLibrary("TR610.dev", {record("TEST64K", 0x10000, 0), record("TEST2AREA", 0x2000, 0x800)});
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

namespace {

// Runs the command with its standard output on /dev/full; what it says on stderr is kept.
CommandResult runToFull(const std::string &command) { return runCommand("{ " + command + " >/dev/full; }"); }

}  // namespace

TEST_F(CliSimulate, SettingsAndCountersAreKeptInTheDesktopProgramsFile) {
    const fs::path home = dir / "config";
    const fs::path file = home / "TarvikTech" / "Vantor.conf";
    fs::create_directories(file.parent_path());
    // Written by the desktop program: kept, and read.
    std::ofstream(file) << "[Option]\nSound=0\n\n[Device]\nSome%20Key=7\n\n[System]\nCntSuccess=40\n";
    const std::string env = "XDG_CONFIG_HOME=" + home.string() + " ";
    EXPECT_EQ(runCommand(env + cli + "erase -d TEST64K").status, 0);
    EXPECT_EQ(runCommand(env + cli + "blank -d TEST64K").status, 0);
    const auto failed = runCommand(env + cli + "--sim-fault finish-without-success erase -d TEST2AREA");
    EXPECT_EQ(failed.status, 1) << failed.output;

    IniProfile settings(file);
    ASSERT_TRUE(settings.load()) << settings.error();
    EXPECT_EQ(settings.readInt("System", "CntSuccess", 0), 42);
    EXPECT_EQ(settings.readInt("System", "CntFailed", 0), 1);
    EXPECT_EQ(settings.readInt("Option", "Sound", 1), 0);
    EXPECT_EQ(settings.readInt("Device", "Some Key", 0), 7);
    // The devices used, newest first, in the history of the simulated TR610 (model 83).
    EXPECT_EQ(settings.readString("System", "PGM83_DEV0", ""), "TEST2AREA");
    EXPECT_EQ(settings.readString("System", "PGM83_DEV1", ""), "TEST64K");
    EXPECT_EQ(settings.readInt("System", "PGM83_MFG0", 0), 10);
    EXPECT_EQ(settings.readInt("System", "pgmno", 0), 0x83);

    // Disconnected runs count too.
    const auto offline =
        runCommand(env + binPath("vantor-cli") + " --lib-dir " + dir.string() + " --disconnect erase -d TEST64K");
    EXPECT_EQ(offline.status, 0) << offline.output;
    ASSERT_TRUE(settings.load());
    EXPECT_EQ(settings.readInt("System", "CntSuccess", 0), 43);
}

TEST_F(CliSimulate, FaultsCanBeInjectedFromTheCommandLine) {
    auto r = run("--sim-fault unplug@0x8B erase -d TEST64K");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_EQ(r.output.find("Erase Completed"), std::string::npos) << r.output;
    // Fired once only: the next run erases.
    r = run("erase -d TEST64K");
    EXPECT_EQ(r.status, 0) << r.output;

    // Skipping the first matching command lets it through.
    writeBytes(dir / "a.bin", 0x10000, 3);
    r = run("--sim-fault lose-bulk@0x88+3 program -d TEST64K -f " + path("a.bin"));
    EXPECT_EQ(r.status, 1) << r.output;
    // A fault that stays armed ("!") is taken as well.
    r = run("--sim-fault refuse-control@0x8B! auto --items erase,erase -d TEST64K");
    EXPECT_EQ(r.status, 1) << r.output;

    r = run("--sim-fault melt erase -d TEST64K");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("unknown fault melt (refuse-control, lose-bulk"), std::string::npos) << r.output;
    EXPECT_EQ(run("--sim-fault unplug@zz erase -d TEST64K").status, 2);
    const auto noSim =
        runCommand(binPath("vantor-cli") + " --lib-dir " + dir.string() + " --sim-fault unplug erase -d TEST64K");
    EXPECT_EQ(noSim.status, 2);
    EXPECT_NE(noSim.output.find("--sim-fault only goes with --simulate"), std::string::npos) << noSim.output;
}

TEST_F(CliSimulate, AChipFileThatIsNoRegularFileIsRefusedAtOnce) {
    const std::string base =
        "timeout 20 " + binPath("vantor-cli") + " --no-color --lib-dir " + dir.string() + " --simulate --sim-chip ";
    fs::create_directories(dir / "adir");
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {{(dir / "adir").string(), "is a directory"},
                                                         {(dir / "fifo").string(), "is not a regular file"},
                                                         {"/dev/zero", "is not a regular file"}};
    for (const auto &[chip, says] : cases) {
        const auto r = runCommand(base + chip + " blank -d TEST64K");
        EXPECT_EQ(r.status, 2) << chip << "\n" << r.output;
        EXPECT_NE(r.output.find(says), std::string::npos) << r.output;
    }
    // A chip file whose sizes do not add up is no chip file.
    ASSERT_EQ(run("erase -d TEST64K").status, 0);
    std::ofstream(dir / "chip", std::ios::binary | std::ios::app) << "trailing";
    const auto r = run("blank -d TEST64K");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("is not a simulated chip file"), std::string::npos) << r.output;
}

TEST_F(CliSimulate, EveryArgumentIsCheckedBeforeTheChipIsTouched) {
    writeBytes(dir / "a.bin", 0x10000, 7);
    ASSERT_EQ(run("program -d TEST64K -f " + path("a.bin")).status, 0);
    const auto chipBefore = readAll(dir / "chip");
    for (const std::string &output : std::vector<std::string>{path("out.pof"), path("no-dir/out.bin"), dir.string()}) {
        const auto r = run("auto -d TEST64K --items erase,program,read -f " + path("a.bin") + " -o " + output);
        EXPECT_EQ(r.status, 2) << r.output;
        EXPECT_EQ(r.output.find("Eras"), std::string::npos) << "nothing ran: " << r.output;
        EXPECT_EQ(r.output.find("Programming"), std::string::npos) << r.output;
    }
    EXPECT_EQ(readAll(dir / "chip"), chipBefore);
    EXPECT_EQ(run("erase -d TEST64K --sim-chip-typo").status, 2);
}

TEST_F(CliSimulate, ABufferStartPastTheDeviceIsRefusedLikeTheLoadDialogDoes) {
    writeBytes(dir / "a.bin", 0x100, 9);
    auto r = run("program -d TEST64K -f " + path("a.bin") + " --buffer-start 10001");
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_NE(r.output.find("The buffer address out of range"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("Program successful"), std::string::npos);
    // At the very top nothing fits: loaded, but the user is told nothing landed.
    r = run("verify -d TEST64K -f " + path("a.bin") + " --buffer-start 10000");
    EXPECT_NE(r.output.find("Warning: No data has been loaded into the device's range"), std::string::npos) << r.output;
}

TEST_F(CliSimulate, ConflictingOrMeaninglessOptionsAreRefused) {
    writeBytes(dir / "a.bin", 0x100, 9);
    struct Case {
        std::string args, says;
    } cases[] = {
        {"--model TR620 read -d TEST64K", "--simulate=TR610 conflicts with --model TR620"},
        {"read -d TEST64K --area 2", "--area 2: TEST64K has no second memory area"},
        {"read -d TEST64K --area 3", "has no second memory area"},
        {"erase -d TEST64K -f " + path("a.bin"), "-f FILE only goes with program, verify"},
        {"read -d TEST64K --from hex", "--from only goes with -f FILE"},
        {"erase -d TEST64K --buffer-start 100", "--buffer-start only goes with -f FILE"},
    };
    const std::string simulate610 = binPath("vantor-cli") + " --lib-dir " + dir.string() + " --simulate=TR610 ";
    for (const auto &c : cases) {
        const auto r = runCommand(simulate610 + c.args);
        EXPECT_EQ(r.status, 2) << c.args << "\n" << r.output;
        EXPECT_NE(r.output.find(c.says), std::string::npos) << c.args << "\n" << r.output;
    }
    EXPECT_EQ(runCommand(simulate610 + "read -d TEST2AREA --area 2 -o " + path("e.bin")).status, 0);
    EXPECT_EQ(runCommand(simulate610 + "read -d TEST64K --area 1").status, 0);
    const auto both =
        runCommand(binPath("vantor-cli") + " --lib-dir " + dir.string() + " --simulate --disconnect erase -d TEST64K");
    EXPECT_EQ(both.status, 2);
}

TEST_F(CliSimulate, BytesReadThatCannotBeWrittenOutAreAFailure) {
    ASSERT_EQ(run("write-fuse -d TEST64K --config 11").status, 0);
    if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    const auto r = runToFull(cli + "read-fuse -d TEST64K");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("vantor-cli: cannot write to standard output"), std::string::npos) << r.output;
    // Read into a device: written directly, its error reported, never replaced.
    const auto o = run("read -d TEST64K -o /dev/full");
    EXPECT_EQ(o.status, 1) << o.output;
    EXPECT_NE(o.output.find("No space left on device"), std::string::npos) << o.output;
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}
