// The command line on a production line, against the simulator and the shipped libraries:
// Auto on every family, wrong chips, several programmers, the log, serial numbers, JSON.
#include <gtest/gtest.h>

#include <sys/stat.h>
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

// The production log as rows of fields (quoted fields unquoted).
std::vector<std::vector<std::string>> csvRows(const fs::path &path) {
    std::ifstream in(path);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> row(1);
        bool quoted = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') row.back() += line[++i];
            else if (c == '"') quoted = !quoted;
            else if (c == ',' && !quoted) row.emplace_back();
            else row.back() += c;
        }
        rows.push_back(std::move(row));
    }
    return rows;
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

    // The log: a header and four records, one per programmer, with the failures' reasons and the
    // numbers: used where the chip passed, scrapped (never to be reused) where it failed.
    const auto rows = csvRows(log);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0][8], "serial_number");
    std::map<std::string, std::string> states;
    std::set<std::string> reasons;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), rows[0].size());
        states[rows[i][8]] = rows[i][9];
        if (rows[i][6] == "failure") reasons.insert(rows[i][10]);
    }
    EXPECT_EQ(states, (std::map<std::string, std::string>{
                          {"1000", "used"}, {"1001", "scrapped"}, {"1002", "scrapped"}, {"1003", "used"}}));
    EXPECT_EQ(reasons.size(), 2u);
    EXPECT_TRUE(reasons.count("Communication error!"));
    EXPECT_EQ(std::count_if(reasons.begin(), reasons.end(), [](auto &r) { return r.find("Device ID error") == 0; }), 1);

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
    const auto summary =
        run("--simulate --sim-count 2 --sim-socket 1=ATMEL/ATmega168 gang read-fuse -d ATMEL/ATmega328P");
    EXPECT_EQ(summary.status, 1);
    EXPECT_NE(summary.output.find("Device ID error (expected 1E 95 0F, read 1E 94 06: ATMEL/ATmega168"),
              std::string::npos)
        << summary.output;
    int s2 = -1;
    const json conf = runJson(
        "--simulate --sim-count 1 gang program -d ATMEL/ATmega328P -f " + data.string() + " --serial-at 7F00", s2);
    EXPECT_EQ(conf["runs"][0]["serial_number"], 1006);
}

TEST_F(Production, ConcurrentRunsNeverMixTheirLogLines) {
    const fs::path log = dir / "shared.csv";
    std::string script;
    for (int i = 0; i < 6; ++i)
        script += cli + "--simulate --log " + log.string() + " blank -d ATMEL/AT89S52 >/dev/null 2>&1 & ";
    runCommand(script + "wait");
    const auto rows = csvRows(log);
    ASSERT_EQ(rows.size(), 7u);  // one header, however many runs started on an empty log
    for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), rows[0].size());
        EXPECT_EQ(rows[i][2], "ATMEL/AT89S52");
        EXPECT_EQ(rows[i][5], "blank");
        EXPECT_EQ(rows[i][6], "success");
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
    for (const std::string &args : std::vector<std::string>{
             "devices --search AT89S5", "info -d ATMEL/ATmega328P",
             "convert " + hex.string() + " " + (dir / "o.bin").string(), "--simulate --sim-count 2 programmers",
             "--simulate read -d ATMEL/AT89S52", "--simulate read-lock -d ATMEL/ATmega328P",
             "--simulate --sim-count 2 gang blank -d ATMEL/AT89S52", "--disconnect erase -d ATMEL/AT89S52",
             "config -d ATMEL/ATmega328P --show", "read -d NOSUCHDEVICE", "--simulate gang", "frobnicate"}) {
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

namespace {

const char kHeader[] = "time,programmer,device,file,checksum,operation,result,elapsed_s,serial_number,serial_state,"
                       "reason,station,programmer_model,items";

std::string shellQuoted(const fs::path &p) {
    std::string quoted = "'";
    for (char c : p.string()) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

class ProductionInput : public Production {
protected:
    fs::path settingsFile() { return dir / "config" / "TarvikTech" / "Vantor.conf"; }
    void writeSettings(const std::string &text) {
        fs::create_directories(settingsFile().parent_path());
        std::ofstream(settingsFile()) << text;
    }
    std::string settings() {
        std::ifstream in(settingsFile());
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::string text(const fs::path &p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

TEST_F(ProductionInput, NumbersOutOfRangeAreRefusedBeforeAnyChipIsTouched) {
    const fs::path data = file("data.bin", 256);
    const std::string program = "--simulate --sim-chip " + (dir / "chip").string() +
                                " program -d ATMEL/ATmega328P -f " + data.string() + " --serial-at 7F00 ";
    const struct {
        std::string args, settings, says;
    } cases[] = {
        {"--simulate --sim-fault 99999999999:unplug read-fuse -d ATMEL/ATmega328P", "", "programmer number"},
        {program, "[Production]\nNextSerial=999999999999999999999999\n", "NextSerial"},
        {program + "--serial-start 99999999999999999999999", "", "--serial-start"},
        {program + "--serial-start 4294967296", "", "--serial-start"},
        {program + "--serial-step 0x10", "", "--serial-step"},
        {program + "--serial-format ascii-dec --serial-start 100000000", "", "--serial-start"},
        // Three chips from the last number le32 holds: the third would wrap.
        {"--simulate --sim-count 3 --sim-chip " + (dir / "chip").string() + " gang program -d ATMEL/ATmega328P -f " +
             data.string() + " --serial-at 7F00 --serial-start 4294967294",
         "", "serial number 4294967296 does not fit"},
    };
    for (const auto &c : cases) {
        writeSettings(c.settings);
        const auto r = run(c.args);
        EXPECT_EQ(r.status, 2) << c.args << "\n" << r.output;
        EXPECT_NE(r.output.find(c.says), std::string::npos) << c.args << "\n" << r.output;
        int status = -1;
        const json doc = runJson(c.args, status);
        EXPECT_EQ(doc["result"], "error") << c.args;
        EXPECT_NE(doc["problem"].get<std::string>().find(c.says), std::string::npos) << doc.dump();
        EXPECT_FALSE(fs::exists(dir / "chip") && !fs::is_empty(dir / "chip")) << c.args;
    }
    // A counter out of range is reported and kept, not reset to 0.
    writeSettings("[System]\nCntSuccess=99999999999999999999\n");
    const auto r = run("--simulate read-fuse -d ATMEL/ATmega328P");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("CntSuccess is not a count"), std::string::npos) << r.output;
    EXPECT_NE(settings().find("CntSuccess=99999999999999999999"), std::string::npos) << settings();
}

TEST_F(ProductionInput, ALogThatCannotTakeRecordsIsRefusedFirst) {
    const fs::path fifo = dir / "fifo.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directories(dir / "folder.csv");
    for (const fs::path &log : {fifo, dir / "folder.csv", dir / "missing" / "log.csv", fs::path("/dev/null")}) {
        // A FIFO without a reader used to block after the chip was programmed.
        const auto r =
            runCommand("{ " + cli + "--simulate --sim-chip " + (dir / "chip").string() + " --log " + log.string() +
                       " read-fuse -d ATMEL/ATmega328P 2>&1 & pid=$!; "
                       "(sleep 5; kill $pid) >/dev/null 2>&1 & wait $pid; }");
        EXPECT_EQ(r.status, 2) << log << "\n" << r.output;
        EXPECT_NE(r.output.find("--log: "), std::string::npos) << r.output;
        EXPECT_FALSE(fs::exists(dir / "chip")) << log;
    }
}

TEST_F(ProductionInput, TheLogIsSafeToOpenAndRecordsTheImageProgrammed) {
    const fs::path log = dir / "log.csv";
    // An earlier write that stopped half-way: the next record starts on a line of its own.
    std::ofstream(log) << kHeader << "\n2026-01-01T00:00:00.000Z,\"20240917\",\"ATMEL/ATm";
    const fs::path formula = file("=cmd|' -C calc'!A0.bin", 64);
    const fs::path escape = file("\x1b]0;owned\x07\x1b[31mred.bin", 64);
    for (const fs::path &data : {formula, escape}) {
        // Relative names, as an operator types them: the formula starts the field.
        const auto r = runCommand("cd " + dir.string() + " && " + cli + "--simulate --log " + log.string() +
                                  " program -d ATMEL/ATmega328P -f " + shellQuoted(data.filename()));
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(r.output.find('\x1b'), std::string::npos) << "an escape sequence reached the terminal";
    }
    const std::string logged = text(log);
    EXPECT_EQ(logged.find('\x1b'), std::string::npos) << logged;
    const auto rows = csvRows(log);
    ASSERT_EQ(rows.size(), 4u) << logged;
    EXPECT_EQ(rows[1].size(), 3u);  // the partial line, ended
    EXPECT_EQ(rows[3][3], "\\x1B]0;owned\\x07\\x1B[31mred.bin");
    EXPECT_NE(logged.find(",\"'=cmd|' -C calc'!A0.bin\","), std::string::npos) << logged;  // quoted, neutralised

    // A serial number over the file's data is refused, then written with --serial-overwrite; the
    // record carries the checksum of what was programmed, not of the file.
    const fs::path data = file("data.bin", 16);
    auto r = run("--simulate --log " + log.string() + " program -d ATMEL/ATmega328P -f " + data.string() +
                 " --serial-at 0 --serial-start 0x01020304");
    EXPECT_EQ(r.status, 2) << r.output;  // not a decimal number
    r = run("--simulate --log " + log.string() + " program -d ATMEL/ATmega328P -f " + data.string() +
            " --serial-at 0 --serial-start 16909060");
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_NE(r.output.find("would overwrite data of the file"), std::string::npos) << r.output;
    int status = -1;
    const json doc = runJson("--simulate --log " + log.string() + " program -d ATMEL/ATmega328P -f " + data.string() +
                                 " --serial-at 0 --serial-start 16909060 --serial-overwrite",
                             status);
    EXPECT_EQ(status, 0);
    const auto bytes = readBytes(data);
    std::uint32_t expected = std::stoul(doc["file"]["checksum"].get<std::string>(), nullptr, 16);
    expected = expected - bytes[0] - bytes[1] - bytes[2] - bytes[3] + (4 + 3 + 2 + 1);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%8.8X", expected);
    const auto after = csvRows(log);
    EXPECT_EQ(after.back()[4], hex);
    EXPECT_EQ(after.back()[8], "16909060");
    EXPECT_EQ(after.back()[9], "used");
}

TEST_F(ProductionInput, TheSerialFieldMustBeProgrammedAndVerifyTakesNoNumber) {
    const fs::path data = file("data.bin", 256);
    const std::string chip = " --simulate --sim-chip " + (dir / "chip").string();
    // The EEPROM is not programmed with --area 1: a number there would never reach the chip.
    auto r =
        run(chip + " program -d ATMEL/ATmega328P --area 1 -f " + data.string() + " --serial-at 8000 --serial-start 5");
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_NE(r.output.find("does not program"), std::string::npos) << r.output;

    r = run(chip + " program -d ATMEL/ATmega328P -f " + data.string() + " --serial-at 7F00 --serial-start 1003");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(settings().find("NextSerial=1004"), std::string::npos);
    // A verify does not take a number (nor rewind the counter): it is given the one recorded.
    r = run(chip + " verify -d ATMEL/ATmega328P -f " + data.string() + " --serial-at 7F00");
    EXPECT_EQ(r.status, 2) << r.output;
    r = run(chip + " verify -d ATMEL/ATmega328P -f " + data.string() + " --serial-at 7F00 --serial-start 1");
    EXPECT_EQ(r.status, 2) << r.output;
    r = run(chip + " verify -d ATMEL/ATmega328P -f " + data.string() + " --serial-at 7F00 --serial-number 1003");
    EXPECT_EQ(r.status, 0) << r.output;
    r = run(chip + " verify -d ATMEL/ATmega328P -f " + data.string() + " --serial-at 7F00 --serial-number 1004");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(settings().find("NextSerial=1004"), std::string::npos) << settings();
}

TEST_F(ProductionInput, AFileThatLoadsNothingIsNotProgrammed) {
    const fs::path hex = dir / "far.hex";
    // One byte at 0x90000, far above the device.
    std::ofstream(hex) << ":020000040009F1\n:0100000055AA\n:00000001FF\n";
    int status = -1;
    json doc = runJson("--simulate program -d ATMEL/ATmega328P -f " + hex.string(), status);
    EXPECT_EQ(status, 2);
    EXPECT_NE(doc["problem"].get<std::string>().find("loads no data"), std::string::npos) << doc.dump();
    doc = runJson("--simulate program -d ATMEL/ATmega328P --allow-empty -f " + hex.string(), status);
    EXPECT_EQ(status, 0);
    bool warned = false;
    for (const auto &m : doc["load_messages"])
        warned |= m["text"].get<std::string>().find("No data has been loaded") != std::string::npos;
    EXPECT_TRUE(warned) << doc["load_messages"].dump();
}

TEST_F(ProductionInput, ALogWriteThatFailsIsAFailureAndLeavesNoPartialLine) {
    const fs::path log = dir / "log.csv";
    std::ofstream(log) << kHeader << "\n" << std::string(1000 - std::strlen(kHeader) - 2, 'x') << "\n";
    ASSERT_EQ(fs::file_size(log), 1000u);
    // At most 1024 bytes a file: the record is cut short by the limit.
    const auto limited = runCommand("{ trap '' XFSZ; ulimit -f 1; " + cli + "--json --log " + log.string() +
                                    " --simulate read-fuse -d ATMEL/ATmega328P 2>/dev/null; }");
    EXPECT_EQ(limited.status, 1) << limited.output;
    const json failed = json::parse(limited.output);
    EXPECT_EQ(failed["result"], "failure");
    EXPECT_NE(failed["problem"].get<std::string>().find("cannot append to the log"), std::string::npos);
    EXPECT_EQ(fs::file_size(log), 1000u);  // cut back
    EXPECT_EQ(run("--log " + log.string() + " --simulate read-fuse -d ATMEL/ATmega328P").status, 0);
    const auto rows = csvRows(log);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2][6], "success");
}

TEST_F(ProductionInput, ResultsTellTheTruth) {
    // A fault for any command waits for one it can affect instead of being used up at start.
    auto r = run("--simulate --sim-fault lose-bulk read-fuse -d ATMEL/ATmega328P");
    EXPECT_EQ(r.status, 1) << r.output;
    // Settings commands that succeed say so.
    int status = -1;
    for (const std::string args : {"options -d ATMEL/ATmega328P --set sound=off", "options -d ATMEL/ATmega328P"}) {
        const json doc = runJson(args, status);
        EXPECT_EQ(status, 0) << args;
        EXPECT_EQ(doc["result"], "success") << args << doc.dump();
        EXPECT_EQ(doc["exit_code"], 0);
    }
}

// Eight benches' processes, each a gang of four, five rounds each, one settings file and one
// log: every chip its own serial number, and the counters count every chip.
TEST_F(ProductionInput, ConcurrentGangsNeverShareASerialNumber) {
    writeSettings("[Production]\nNextSerial=1\n");
    const fs::path data = file("data.bin", 512);
    const fs::path log = dir / "line.csv";
    std::string script;
    for (int p = 0; p < 8; ++p)
        script += "(for round in 1 2 3 4 5; do " + cli + "--simulate --sim-count 4 --log " + log.string() +
                  " gang program -d ATMEL/AT89S52 -f " + data.string() + " --serial-at 1F00 >/dev/null 2>&1; done) & ";
    runCommand(script + "wait");
    const auto rows = csvRows(log);
    ASSERT_EQ(rows.size(), 161u);
    std::set<std::string> numbers;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i][6], "success") << rows[i][10];
        numbers.insert(rows[i][8]);
    }
    EXPECT_EQ(numbers.size(), 160u);
    EXPECT_NE(settings().find("CntSuccess=160"), std::string::npos) << settings();
    EXPECT_NE(settings().find("NextSerial=161"), std::string::npos) << settings();
}

}  // namespace
