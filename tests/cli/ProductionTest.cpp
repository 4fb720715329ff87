// The command line on a production line, against the simulator and the shipped libraries:
// Auto on every family, wrong chips, several programmers, the log, serial numbers, JSON.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

#include "devices/DeviceLibrary.h"
#include "devices/DeviceTables.h"
#include "tests/cli/JsonSchema.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TestDoubles.h"

using namespace vantor;
using namespace vantor::test;
namespace fs = std::filesystem;
using nlohmann::json;

namespace {

std::vector<std::uint8_t> readBytes(const fs::path &p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::vector<std::string> lines(const std::string &text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        if (!l.empty()) out.push_back(l);
    return out;
}

const JsonSchema &schema() {
    static const JsonSchema s = [] {
        std::ifstream f(std::string(VANTOR_SOURCE_DIR) + "/docs/vantor-cli.schema.json");
        return JsonSchema(json::parse(f));
    }();
    return s;
}

class Production : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vantor-production-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "config");
        // Settings (the next serial number, counters) stay inside the test's directory.
        cli = "XDG_CONFIG_HOME=" + (dir / "config").string() + " " + binPath("vantor-cli") + " --no-color --lib-dir " +
              VANTOR_BIN_DIR + " ";
    }
    void TearDown() override { fs::remove_all(dir); }

    CommandResult run(const std::string &args) { return runCommand(cli + args); }
    // Standard output alone, parsed and checked against the documented schema.
    json runJson(const std::string &args, int &status) {
        const CommandResult r = runCommand("{ " + cli + "--json " + args + " 2>/dev/null; }");
        status = r.status;
        // One document: it parses as a whole.
        json doc = json::parse(r.output, nullptr, false);
        EXPECT_FALSE(doc.is_discarded()) << args << "\n" << r.output;
        if (doc.is_discarded()) return json();
        const std::string problem = schema().check(doc);
        EXPECT_EQ(problem, "") << args << "\n" << r.output;
        return doc;
    }
    fs::path file(const std::string &name, std::size_t size) {
        const fs::path p = dir / name;
        std::ofstream f(p, std::ios::binary);
        for (std::size_t i = 0; i < size; ++i) f.put(char(0x21 + (i * 7) % 0x5A));  // never 0xFF
        return p;
    }

    fs::path dir;
    std::string cli;
};

// One device of every programming algorithm in every shipped library.
std::vector<std::pair<std::string, DeviceRecord>> oneDevicePerFamily() {
    std::vector<std::pair<std::string, DeviceRecord>> found;
    for (const char *model : {"TR610", "TR620", "EMX31B"}) {
        RecordingPrompt prompt;
        DeviceLibrary lib(prompt);
        lib.setLibraryDirectory(VANTOR_BIN_DIR);
        lib.SetLibraryFile(std::string(model) + ".dev");
        // A family's parts with a calibration byte run a longer Auto list: one of each.
        std::set<std::pair<int, bool>> seen;
        for (const DeviceRecord &r : lib.LoadAllDevices()) {
            const bool calibrated = (r.operation_flags & operationFlagBit(kOpWriteCal)) != 0;
            if (seen.insert({r.algorithm, calibrated}).second) found.emplace_back(model, r);
        }
    }
    return found;
}

TEST_F(Production, AutoRunsEachDevicesOwnListOnEveryFamily) {
    const auto devices = oneDevicePerFamily();
    ASSERT_GT(devices.size(), 20u);
    int withCalibration = 0;
    for (const auto &[model, d] : devices) {
        const std::string name = std::string(d.vendor_name) + "/" + d.device_name;
        // Data from address 0 on: the calibration byte must not be written over it.
        const fs::path data = file("data.bin", std::min<std::size_t>(d.memory_areas[0].size_bytes, 512));
        int status = -1;
        const json doc = runJson("--model " + model + " --simulate auto -d '" + name + "' -f " + data.string(), status);
        EXPECT_EQ(status, 0) << model << " " << name << "\n" << doc.dump(1);
        for (const auto &step : doc["steps"]) {
            EXPECT_EQ(step["result"], "ok") << name << ": " << step.dump();
            if (step["operation"] == "write-cal") ++withCalibration;
        }
    }
    EXPECT_GT(withCalibration, 0) << "no family with a calibration byte was tried";
}

TEST_F(Production, TheCalibrationByteGoesWhereTheProgramIsNot) {
    const fs::path data = file("data.bin", 512);
    const std::string chip = " --simulate --sim-chip " + (dir / "chip").string() + " ";
    const auto r = run(chip + "auto -d ATMEL/ATmega328P -f " + data.string());
    ASSERT_EQ(r.status, 0) << r.output;
    const auto read = run(chip + "read -d ATMEL/ATmega328P -o " + (dir / "out.bin").string());
    ASSERT_EQ(read.status, 0) << read.output;
    const auto image = readBytes(dir / "out.bin");
    const auto expected = readBytes(data);
    ASSERT_GE(image.size(), 0x8000u);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), image.begin()));
    // The configuration file puts it in the last byte of the flash; a factory value is there.
    EXPECT_GE(image[0x7FFF], 0x90);
    EXPECT_LE(image[0x7FFF], 0xAF);
}

TEST_F(Production, AFreshChipHasItsFactoryConfiguration) {
    const auto r = run("--simulate read-fuse -d ATMEL/ATmega328P");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Bytes read: 62 D9 FF"), std::string::npos) << r.output;
}

TEST_F(Production, AWrongChipIsNamedWithBothIdentifiers) {
    const auto r = run("--simulate --sim-socket ATMEL/ATmega168 read -d ATMEL/ATmega328P");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("Device ID error"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Identifier expected: 1E 95 0F   read: 1E 94 06"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Devices with the identifier read: ATMEL/ATmega168"), std::string::npos) << r.output;

    int status = -1;
    const json doc = runJson("--simulate --sim-socket ATMEL/ATmega168 read -d ATMEL/ATmega328P", status);
    EXPECT_EQ(doc["identifier"]["read"], "1E 94 06");
    EXPECT_EQ(doc["identifier"]["devices"][0], "ATMEL/ATmega168");
    EXPECT_EQ(doc["result"], "failure");

    // Without the check the other chip is simply read.
    const auto unchecked = run("--simulate --sim-socket ATMEL/ATmega168 read -d ATMEL/ATmega328P --no-id-check");
    EXPECT_EQ(unchecked.status, 0) << unchecked.output;
    const auto bad = run("--simulate --sim-socket 3=ATMEL/ATmega168 read -d ATMEL/ATmega328P");
    EXPECT_EQ(bad.status, 2) << bad.output;
}

TEST_F(Production, AnUnknownDeviceNameGetsTheClosestNames) {
    const auto r = run("--simulate read -d AT89S5");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("did you mean AT89S51, AT89S52, AT89S53?"), std::string::npos) << r.output;
    const auto v = run("--simulate read -d ATMEL/atmega328x");
    EXPECT_NE(v.output.find("did you mean ATmega328, ATmega328P"), std::string::npos) << v.output;
    const auto nothing = run("--simulate read -d QQQQQQQQQQQQ");
    EXPECT_EQ(nothing.output.find("did you mean"), std::string::npos) << nothing.output;
}

TEST_F(Production, ReadWithoutAnOutputFilePrintsTheChecksums) {
    const auto r = run("--simulate read -d ATMEL/ATmega328P");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("[FLASH] Check sum: 007F8000H"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("[EEPROM] Check sum: 0003FC00H"), std::string::npos) << r.output;
}

TEST_F(Production, AGangOfFourNamesItsTwoFailuresAndNumbersEveryChip) {
    const fs::path data = file("data.bin", 1024);
    const fs::path log = dir / "production.csv";
    const std::string gang = "--simulate --sim-count 4 --sim-chip " + (dir / "chips").string() +
                             " --sim-socket 2=ATMEL/ATmega168 --sim-fault 3:unplug@88+40 --log " + log.string() +
                             " gang auto -d ATMEL/ATmega328P -f " + data.string() +
                             " --serial-at 7F00 --serial-start 1000";
    int status = -1;
    const json doc = runJson(gang, status);
    EXPECT_EQ(status, 1);
    ASSERT_EQ(doc["runs"].size(), 4u);
    std::set<std::string> serials;
    for (int i : {0, 3}) EXPECT_EQ(doc["runs"][i]["result"], "success") << doc["runs"][i].dump(1);
    EXPECT_EQ(doc["runs"][1]["result"], "failure");
    EXPECT_EQ(doc["runs"][1]["identifier"]["read"], "1E 94 06");
    EXPECT_EQ(doc["runs"][2]["result"], "failure");
    EXPECT_EQ(doc["runs"][2]["problem"], "Communication error!");
    std::set<std::uint64_t> numbers;
    for (const auto &run : doc["runs"]) {
        serials.insert(run["programmer"]["serial"].get<std::string>());
        numbers.insert(run["serial_number"].get<std::uint64_t>());
    }
    EXPECT_EQ(serials.size(), 4u);
    EXPECT_EQ(numbers, (std::set<std::uint64_t>{1000, 1001, 1002, 1003}));

    // The log: four lines, one per programmer, with the failures' reasons and the numbers.
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto rows = lines(text);
    ASSERT_EQ(rows.size(), 4u) << text;
    std::set<std::string> logged;
    for (const auto &row : rows) {
        EXPECT_EQ(std::count(row.begin(), row.end(), ','), 8) << row;
        logged.insert(row.substr(row.rfind(',') + 1));
    }
    EXPECT_EQ(logged, (std::set<std::string>{"1000", "1001", "1002", "1003"}));
    EXPECT_NE(text.find("failure: Device ID error"), std::string::npos);
    EXPECT_NE(text.find("failure: Communication error!"), std::string::npos);

    // The number reached the chip, and the summary names both failures.
    const auto read = run("--simulate --sim-chip " + (dir / "chips" / "programmer-4.chip").string() +
                          " read -d ATMEL/ATmega328P -o " + (dir / "out.bin").string());
    ASSERT_EQ(read.status, 0) << read.output;
    const auto image = readBytes(dir / "out.bin");
    ASSERT_GT(image.size(), 0x7F03u);
    EXPECT_EQ(image[0x7F00] | image[0x7F01] << 8 | image[0x7F02] << 16 | image[0x7F03] << 24, 1003);

    // The next batch continues where this one stopped.
    const auto next = run("--simulate --sim-count 2 gang program -d ATMEL/ATmega328P -f " + data.string() +
                          " --serial-at 7F00 --serial-format ascii-dec");
    EXPECT_EQ(next.status, 0) << next.output;
    const auto summary = run("--simulate --sim-count 2 --sim-socket 1=ATMEL/ATmega168 gang read-fuse -d ATMEL/ATmega328P");
    EXPECT_EQ(summary.status, 1);
    EXPECT_NE(summary.output.find("Device ID error (expected 1E 95 0F, read 1E 94 06: ATMEL/ATmega168"),
              std::string::npos)
        << summary.output;
    int s2 = -1;
    const json conf = runJson("--simulate --sim-count 1 gang program -d ATMEL/ATmega328P -f " + data.string() +
                                  " --serial-at 7F00",
                              s2);
    EXPECT_EQ(conf["runs"][0]["serial_number"], 1006);
}

TEST_F(Production, ConcurrentRunsNeverMixTheirLogLines) {
    const fs::path log = dir / "shared.csv";
    std::string script;
    for (int i = 0; i < 6; ++i)
        script += cli + "--simulate --log " + log.string() + " blank -d ATMEL/AT89S52 >/dev/null 2>&1 & ";
    runCommand(script + "wait");
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto rows = lines(text);
    EXPECT_EQ(rows.size(), 6u) << text;
    for (const auto &row : rows) {
        EXPECT_EQ(std::count(row.begin(), row.end(), ','), 8) << row;
        EXPECT_NE(row.find(",ATMEL/AT89S52,,,blank,success,"), std::string::npos) << row;
    }
}

TEST_F(Production, ProgrammersAreListedAndPickedBySerialNumber) {
    const auto r = run("--simulate --sim-count 3 programmers");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(lines(r.output).size(), 3u) << r.output;
    EXPECT_NE(r.output.find("TR610\t20240919\tV1.23\tsimulated port 2"), std::string::npos) << r.output;
    int status = -1;
    const json doc = runJson("--simulate --sim-count 3 --programmer 20240918 read-fuse -d ATMEL/ATmega328P", status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(doc["programmer"]["serial"], "20240918");
    EXPECT_EQ(doc["programmer"]["index"], 1);
    const auto missing = run("--simulate --sim-count 2 --programmer 12345678 read -d ATMEL/ATmega328P");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.output.find("no programmer with serial number 12345678"), std::string::npos) << missing.output;
}

TEST_F(Production, EveryCommandsJsonFollowsTheSchema) {
    const fs::path hex = dir / "in.hex";
    std::ofstream(hex) << ":0400000001020304F2\n:00000001FF\n";
    int status = -1;
    for (const std::string &args : std::vector<std::string>{"devices --search AT89S5", "info -d ATMEL/ATmega328P", "convert " + hex.string() + " " + (dir / "o.bin").string(),
          "--simulate --sim-count 2 programmers", "--simulate read -d ATMEL/AT89S52",
          "--simulate read-lock -d ATMEL/ATmega328P", "--simulate --sim-count 2 gang blank -d ATMEL/AT89S52",
          "--disconnect erase -d ATMEL/AT89S52", "config -d ATMEL/ATmega328P --show", "read -d NOSUCHDEVICE", "--simulate gang", "frobnicate"}) {
        const json doc = runJson(args, status);
        EXPECT_EQ(doc["exit_code"], status) << args;
    }
    const json devices = runJson("devices --search AT89S5", status);
    EXPECT_GE(devices["devices"].size(), 3u);
    const json converted = runJson("convert " + hex.string() + " " + (dir / "o.s").string(), status);
    EXPECT_EQ(converted["output"]["format"], "Motorola");
    const json info = runJson("info -d ATMEL/ATmega328P", status);
    EXPECT_EQ(info["size_text"], "32K Bytes + 1K Bytes");
}

}  // namespace
