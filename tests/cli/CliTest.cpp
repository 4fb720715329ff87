#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <unistd.h>

#include "devices/Crc16.h"
#include "devices/DeviceLibrary.h"
#include "devices/LibraryFormat.h"
#include "support/RunCommand.h"

using namespace vantor;
using namespace vantor::test;
namespace fs = std::filesystem;

namespace {

const std::string cli = binPath("vantor-cli");

int countLines(const std::string &text) {
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

TEST(Cli, ListsAtLeastTwoHundredDevicesPerProgrammerLibrary) {
    for (const char *model : {"TR610", "TR620"}) {
        const auto r = runCommand(cli + " --model " + model + " devices");
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_GE(countLines(r.output), 200) << model;
        EXPECT_NE(r.output.find("ATMEL\tAT89S52\t0\t"), std::string::npos);
    }
    const auto emx = runCommand(cli + " --model EMX31B devices --type 0");
    ASSERT_EQ(emx.status, 0) << emx.output;
    EXPECT_GE(countLines(emx.output), 23);
}

TEST(Cli, FiltersByTypeAndUpperCasedSearchText) {
    const auto r = runCommand(cli + " devices --type 3 --search 24c");
    ASSERT_EQ(r.status, 0) << r.output;
    ASSERT_GT(countLines(r.output), 0);
    std::istringstream lines(r.output);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_NE(line.find("24C"), std::string::npos) << line;
        EXPECT_NE(line.find("\t3\t"), std::string::npos) << line;
    }
    EXPECT_EQ(runCommand(cli + " devices --type 9").status, 2);
    EXPECT_EQ(runCommand(cli + " --model TR999 devices").status, 2);
}

TEST(Cli, DisconnectedProgramShowsTextsAndElapsedTime) {
    const auto r = runCommand(cli + " --disconnect program -d ATMEL/AT89S52");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Programming...\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Program successful\n"), std::string::npos) << r.output;
    // At least the two seconds the simulated run takes; a loaded machine may add to them.
    EXPECT_TRUE(std::regex_search(r.output, std::regex("Elapsed Time: [2-9]\\.[0-9][0-9]S"))) << r.output;
    EXPECT_EQ(r.output.find("\x1b["), std::string::npos) << "no colour when piped";

    const auto bare = runCommand(cli + " --disconnect erase -d AT89S52");
    EXPECT_EQ(bare.status, 0) << bare.output;
    EXPECT_NE(bare.output.find("Erase Completed"), std::string::npos);
}

TEST(Cli, UnknownDevicesAndBadUsageExitWithTwo) {
    EXPECT_EQ(runCommand(cli + " --disconnect program -d ATMEL/NO-SUCH-CHIP").status, 2);
    EXPECT_EQ(runCommand(cli + " --disconnect program -d NOVENDOR/AT89S52").status, 2);
    EXPECT_EQ(runCommand(cli + " --disconnect program").status, 2);
    EXPECT_EQ(runCommand(cli + " --disconnect fly -d AT89S52").status, 2);
    EXPECT_EQ(runCommand(cli + " frobnicate").status, 2);
}

TEST(Cli, ADamagedLibraryIsReportedAndNothingElseHappens) {
    const fs::path dir = fs::temp_directory_path() / "vantor-cli-damaged";
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(binPath("TR610.dev"), dir / "TR610.dev");
    {
        std::fstream f(dir / "TR610.dev", std::ios::in | std::ios::out | std::ios::binary);
        f.seekg(1000);
        char c = 0;
        f.get(c);
        f.seekp(1000);
        f.put(char(c ^ 0x10));
    }
    for (const std::string args : {" devices", " --disconnect program -d ATMEL/AT89S52"}) {
        const auto r = runCommand(cli + " --lib-dir " + dir.string() + args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.output.find("The format error of device library, please reinstall the application"),
                  std::string::npos)
            << r.output;
        EXPECT_EQ(r.output.find("Programming"), std::string::npos);
        EXPECT_EQ(r.output.find("ATMEL\t"), std::string::npos);
    }
    const auto missing = runCommand(cli + " --lib-dir " + (dir / "nowhere").string() + " devices");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.output.find("Failed to open the device library"), std::string::npos);
    fs::remove_all(dir);
}

TEST(Cli, InterruptCancelsARunningOperation) {
    // SIGINT keeps arriving while the 200 simulated steps of 10 ms run, so a slow start
    // of the program on a busy machine cannot let the run finish first.
    const auto r = runCommand("sh -c '" + cli +
                              " --disconnect program -d ATMEL/AT89S52 & pid=$!; sleep 0.3; i=0; "
                              "while [ $i -lt 25 ] && kill -INT $pid 2>/dev/null; do sleep 0.2; i=$((i+1)); done; "
                              "wait $pid'");
    EXPECT_EQ(r.status, 130) << r.output;
    EXPECT_NE(r.output.find("Operation was cancelled"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("Program successful"), std::string::npos);
}

// A library directory of its own for one test.
struct LibDir {
    explicit LibDir(const std::string &name)
        : path(fs::temp_directory_path() / (name + "-" + std::to_string(getpid()))) {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~LibDir() { fs::remove_all(path); }
    void write(std::vector<std::uint8_t> image) const {
        // The check word over everything before it, high byte first.
        const std::uint16_t crc = Crc16::of(image.data(), image.size() - 2);
        image[image.size() - 2] = std::uint8_t(crc >> 8);
        image[image.size() - 1] = std::uint8_t(crc);
        std::ofstream(path / "TR610.dev", std::ios::binary)
            .write(reinterpret_cast<const char *>(image.data()), std::streamsize(image.size()));
    }
    std::string cli() const { return vantor::test::binPath("vantor-cli") + " --lib-dir " + path.string() + " "; }
    fs::path path;
};

devlib::LibraryRecord chipRecord(const std::string &name) {
    devlib::LibraryRecord r;
    r.device_name = name;
    r.vendor_index = 10;
    r.memory_areas[0] = {0x1000, 0};
    r.operation_flags = 0xF;
    return r;
}

TEST(Cli, ALibraryWithoutRecordsSaysSoOnce) {
    LibDir dir("vantor-cli-empty");
    dir.write(devlib::buildLibrary("TR610.dev", {}));
    for (const std::string args :
         {"devices", "read -d ATMEL/AT89S52 --simulate", "info -d AT89S52", "--disconnect erase -d ATMEL/AT89S52"}) {
        const auto r = runCommand(dir.cli() + args);
        EXPECT_EQ(r.status, 2) << args << "\n" << r.output;
        EXPECT_EQ(r.output, "vantor-cli: TR610.dev holds no devices\n") << args;
    }
}

TEST(Cli, ANameThatFillsAllItsBytesIsListedAndFound) {
    LibDir dir("vantor-cli-longname");
    auto image = devlib::buildLibrary("TR610.dev", {chipRecord("SHORT"), chipRecord("X")});
    const std::string full = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";  // 32 characters, no terminator
    std::copy(full.begin(), full.end(), image.begin() + devlib::kHeaderSize + devlib::kRecordSize);
    dir.write(image);
    const auto listed = runCommand(dir.cli() + "devices");
    EXPECT_EQ(listed.status, 0) << listed.output;
    EXPECT_NE(listed.output.find("ATMEL\tABCDEFGHIJKLMNOPQRSTUVWXYZ01234\t"), std::string::npos) << listed.output;
    const auto found = runCommand(dir.cli() + "info -d ATMEL/ABCDEFGHIJKLMNOPQRSTUVWXYZ01234");
    EXPECT_EQ(found.status, 0) << found.output;
}

TEST(Cli, DeviceNamesMatchWhateverTheirCaseAndAnAmbiguousNameListsTheCandidates) {
    LibDir dir("vantor-cli-case");
    auto other = chipRecord("MIXED");
    other.vendor_index = 11;
    auto only = chipRecord("ONLY11");
    only.vendor_index = 11;
    dir.write(devlib::buildLibrary("TR610.dev", {chipRecord("AT89S52"), chipRecord("Mixed"), other, only}));
    for (const std::string name : {"at89s52", "atmel/At89s52", "ATMEL/AT89S52", "Mixed", "only11"}) {
        const auto r = runCommand(dir.cli() + "info -d " + name);
        EXPECT_EQ(r.status, 0) << name << "\n" << r.output;
    }
    const std::string vendor11 = DeviceLibrary::VendorName(11);
    const auto r = runCommand(dir.cli() + "info -d mixed");
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_NE(r.output.find("\n  ATMEL/Mixed"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("\n  " + vendor11 + "/MIXED"), std::string::npos) << r.output;
    EXPECT_EQ(runCommand(dir.cli() + "info -d '" + vendor11 + "/mixed'").status, 0);
}

TEST(Cli, ADamagedLibraryIsReportedOnceByEveryCommand) {
    LibDir dir("vantor-cli-damaged-once");
    auto image = devlib::buildLibrary("TR610.dev", {chipRecord("AT89S52")});
    image[200] ^= 1;
    std::ofstream(dir.path / "TR610.dev", std::ios::binary)
        .write(reinterpret_cast<const char *>(image.data()), std::streamsize(image.size()));
    const std::string message = "The format error of device library, please reinstall the application";
    for (const std::string args :
         {"info -d ATMEL/AT89S52", "info -d AT89S52", "devices", "--simulate erase -d AT89S52"}) {
        const auto r = runCommand(dir.cli() + args);
        EXPECT_EQ(r.status, 2) << args;
        const auto first = r.output.find(message);
        ASSERT_NE(first, std::string::npos) << args << "\n" << r.output;
        EXPECT_EQ(r.output.find(message, first + 1), std::string::npos) << args << "\n" << r.output;
        EXPECT_EQ(r.output.find("no device"), std::string::npos) << args << "\n" << r.output;
    }
}

TEST(Cli, AListingThatCannotBeWrittenIsAFailure) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    const auto r = runCommand("{ " + cli + " devices >/dev/full; }");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("vantor-cli: cannot write to standard output: No space left on device"), std::string::npos)
        << r.output;
    const auto info = runCommand("{ " + cli + " info -d ATMEL/AT89S52 >/dev/full; }");
    EXPECT_EQ(info.status, 1) << info.output;
}

}  // namespace
