// vantor-cli config and options: the dialogs' rules on the command line, the settings memory,
// and fuses set by name reaching the simulated chip.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/StringTable.h"
#include "devices/DeviceTables.h"
#include "devices/SettingsMemory.h"
#include "tests/support/RunCommand.h"

using namespace vantor;
using namespace vantor::test;
namespace fs = std::filesystem;

namespace {

class ConfigCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vantor-config-cli-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "cfg");
        fs::create_directories(dir / "home");
        const fs::path bin = VANTOR_BIN_DIR;
        fs::copy_file(bin / "TR610.dev", dir / "TR610.dev");
        for (const char *c : {"ATMEGA328P.cfg", "AT89S52.cfg"}) fs::copy_file(bin / "cfg" / c, dir / "cfg" / c);
        std::ofstream(dir / "chip.set", std::ios::binary).put(0);
        cli = "XDG_CONFIG_HOME=" + (dir / "home").string() + " " + binPath("vantor-cli") + " --no-color --lib-dir " +
              dir.string() + " ";
    }
    void TearDown() override { fs::remove_all(dir); }
    CommandResult run(const std::string &args) { return runCommand(cli + args); }
    std::vector<unsigned char> chipSet() {
        std::ifstream in(dir / "chip.set", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    fs::path dir;
    std::string cli;
};

TEST_F(ConfigCli, ShowsDefaultsSetsByTextAndRemembers) {
    auto r = run("config -d ATMEL/ATmega328P");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("* Internal RC 8 MHz (0010)"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Configuration bytes: 62 D9 FF"), std::string::npos);
    EXPECT_EQ(chipSet().size(), 1u);  // showing stores nothing

    r = run("config -d ATMEL/ATmega328P --set \"Clock source (CKSEL)=Crystal or ceramic resonator 8-16 MHz\" --set "
            "CKDIV8=off "
            "--set \"Memory lock (LB2, LB1)=Mode 2\"");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Configuration bytes: EE D9 FF"), std::string::npos) << r.output;
    ASSERT_EQ(chipSet().size(), 125u);
    EXPECT_EQ(chipSet()[1 + 36], 0xEE);
    EXPECT_EQ(chipSet()[1 + 52], 0xFE);

    r = run("config -d ATMEL/ATmega328P --json");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("\"config_bytes\": \"EE D9 FF"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("\"remembered\": true"), std::string::npos);

    r = run("config -d ATMEL/ATmega328P --defaults");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(chipSet()[1 + 36], 0x62);

    // A change asked for with --json answers with the configuration it made.
    r = runCommand("{ " + cli + "config -d ATMEL/ATmega328P --set CKDIV8=on --json 2>/dev/null; }");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("\"result\": \"success\""), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("\"config_bytes\": \"62 D9 FF"), std::string::npos) << r.output;
}

std::vector<unsigned char> calibrationOutOfRange() {
    std::vector<unsigned char> config(36, 0);
    config[32] = config[33] = config[34] = 0xFF;
    return config;
}

// chip.set is a file people and other programs write: a slot the dialogs would refuse is not
// used; the configuration file's defaults are, with a warning.
TEST_F(ConfigCli, ASlotTheDialogsWouldRefuseIsNotUsed) {
    const fs::path data = dir / "data.bin";
    std::ofstream(data, std::ios::binary) << std::string(64, '\x5A');
    const std::string sim = "--simulate --sim-chip " + (dir / "sim.chip").string() + " ";
    const struct {
        std::size_t offset;
        std::vector<unsigned char> bytes;
        std::string run;
    } cases[] = {
        {100, {0}, "program -d ATMEL/ATmega328P -f " + data.string()},  // program range 0: nothing programmed
        {100, {7}, "program -d ATMEL/ATmega328P -f " + data.string()},  // nor 4..254
        {84, std::vector<unsigned char>(16, 0xFF), "auto -d ATMEL/ATmega328P -f " + data.string()},  // empty Auto list
        // Fuses all 0 with a calibration address config --show refuses: none of it is written.
        {36, calibrationOutOfRange(), "write-fuse -d ATMEL/ATmega328P"},
    };
    for (const auto &c : cases) {
        fs::remove(dir / "sim.chip");
        ASSERT_EQ(run("config -d ATMEL/ATmega328P --defaults").status, 0);
        auto bytes = chipSet();
        std::copy(c.bytes.begin(), c.bytes.end(), bytes.begin() + long(1 + c.offset));
        std::ofstream(dir / "chip.set", std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()), long(bytes.size()));
        const auto r = run(sim + c.run);
        EXPECT_EQ(r.status, 0) << c.run << "\n" << r.output;
        EXPECT_NE(r.output.find("are not used"), std::string::npos) << c.run << "\n" << r.output;
        const auto read = run(sim + "read -d ATMEL/ATmega328P -o " + (dir / "out.bin").string());
        const auto fuses = run(sim + "read-fuse -d ATMEL/ATmega328P");
        if (c.offset == 36) {
            EXPECT_NE(fuses.output.find("Bytes read: 62 D9 FF"), std::string::npos) << fuses.output;
            EXPECT_NE(run("config -d ATMEL/ATmega328P").output.find("are not used"), std::string::npos);
        } else {
            std::ifstream in(dir / "out.bin", std::ios::binary);
            EXPECT_EQ(in.get(), 0x5A) << c.run;  // the data reached the chip
        }
    }
}

TEST_F(ConfigCli, RememberedOptionsApplyToOperations) {
    const std::string wrongChip = "--simulate --sim-socket ATMEL/ATmega168 read-fuse -d ATMEL/ATmega328P";
    EXPECT_EQ(run(wrongChip).status, 1);
    ASSERT_EQ(run("options -d ATMEL/ATmega328P --set check-id=off").status, 0);
    auto r = run(wrongChip);
    EXPECT_EQ(r.status, 0) << r.output;  // the identifier is no longer checked
    r = run(wrongChip + " --id-check");  // the command line wins
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("Device ID error"), std::string::npos) << r.output;
}

// A stored brown-out level no list entry names (BODLEVEL 011) is shown as stored, and a
// change elsewhere keeps it.
TEST_F(ConfigCli, ShowPrintsTheStoredBytesAndUnnamedBitsSurviveAChange) {
    chipset::Slot slot;
    std::strcpy(slot.device_name, "ATmega328P");
    slot.vendor_index = 10;
    const std::uint8_t stored[] = {0x62, 0xD9, 0xFB};
    std::memcpy(slot.config_data, stored, sizeof stored);
    slot.config_data[16] = 0xFF;
    std::memset(slot.auto_items, kEndOfList, sizeof slot.auto_items);
    slot.auto_items[0] = kOpErase;
    slot.program_range = 1;
    std::vector<std::uint8_t> bytes(1 + chipset::kSlotSize, 1);
    chipset::encodeSlot(slot, bytes.data() + 1);
    std::ofstream(dir / "chip.set", std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), long(bytes.size()));

    auto r = run("config -d ATMEL/ATmega328P");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Configuration bytes: 62 D9 FB"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("BODLEVEL = (none)"), std::string::npos) << r.output;
    r = run("config -d ATMEL/ATmega328P --json");
    EXPECT_NE(r.output.find("\"config_bytes\": \"62 D9 FB"), std::string::npos) << r.output;

    ASSERT_EQ(run("config -d ATMEL/ATmega328P --set CKDIV8=off").status, 0);
    EXPECT_EQ(chipSet()[1 + 36], 0xE2);
    EXPECT_EQ(chipSet()[1 + 38], 0xFB);
}

TEST_F(ConfigCli, RefusesWhatTheDialogRefuses) {
    auto r = run("config -d ATMEL/ATmega328P --set \"Calibration byte address=9000\"");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("Calibration byte address out of range. \n\nmust be: 0H -- 83FFH"), std::string::npos)
        << r.output;
    r = run("config -d ATMEL/ATmega328P --set \"Calibration byte address=1234567\"");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("at most 6 hex digits"), std::string::npos) << r.output;
    r = run("config -d ATMEL/ATmega328P --set SPIEN=off");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("cannot be changed by serial programming"), std::string::npos) << r.output;
    r = run("config -d ATMEL/ATmega328P --set CKDIV8=");  // an empty value is not "off"
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("CKDIV8"), std::string::npos) << r.output;
    r = run("config -d ATMEL/ATmega328P --set NOSUCH=1");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("no item answers"), std::string::npos);
    r = run("config -d ATMEL/ATmega328P --set \"CKSEL=Warp drive\"");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("External clock (0000)"), std::string::npos);  // the choices are listed
    EXPECT_EQ(chipSet().size(), 1u);

    // A damaged configuration file gives the reader's message.
    std::ofstream(dir / "cfg" / "ATMEGA328P.cfg", std::ios::binary | std::ios::app).put(1);
    r = run("config -d ATMEL/ATmega328P");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find(loadString(sid::ConfigFileFormatError)), std::string::npos) << r.output;
}

TEST_F(ConfigCli, WithoutChipSetNothingIsKeptOrCreated) {
    fs::remove(dir / "chip.set");
    const auto r = run("config -d ATMEL/ATmega328P --set CKDIV8=off");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("no chip.set"), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(dir / "chip.set"));
}

TEST_F(ConfigCli, LockOutChoicesNeedAllowLockoutAndAreReadBack) {
    const std::string sim = "--simulate --sim-chip " + (dir / "sim.chip").string() + " ";
    auto r = run(sim + "read-fuse -d ATMEL/ATmega328P");
    ASSERT_NE(r.output.find("Bytes read: 62 D9 FF 00"), std::string::npos) << r.output;  // a factory-fresh chip
    ASSERT_EQ(run("config -d ATMEL/ATmega328P --set CKSEL=\"External clock\" --set SUT=\"SUT=00\" --set BOOTRST=on "
                  "--set \"Brown-out detection level=2.7 V\" --set RSTDISBL=on")
                  .status,
              0);

    auto w = run(sim + "write-fuse -d ATMEL/ATmega328P");
    EXPECT_EQ(w.status, 2) << w.output;
    EXPECT_NE(w.output.find("[x] RSTDISBL: external reset disabled"), std::string::npos) << w.output;
    EXPECT_NE(w.output.find("CKSEL = External clock (0000)"), std::string::npos) << w.output;
    EXPECT_NE(w.output.find("high-voltage programmer"), std::string::npos) << w.output;
    EXPECT_NE(w.output.find("--allow-lockout"), std::string::npos) << w.output;
    r = run(sim + "read-fuse -d ATMEL/ATmega328P");
    EXPECT_NE(r.output.find("Bytes read: 62 D9 FF 00"), std::string::npos) << r.output;

    w = run(sim + "write-fuse -d ATMEL/ATmega328P --allow-lockout");
    ASSERT_EQ(w.status, 0) << w.output;
    r = run(sim + "read-fuse -d ATMEL/ATmega328P");
    EXPECT_NE(r.output.find("Bytes read: 40 58 FD 00"), std::string::npos) << r.output;

    // A write the chip did not keep is found by the read-back and is a failure.
    w = run(sim + "--sim-fault register-mismatch write-fuse -d ATMEL/ATmega328P --allow-lockout");
    EXPECT_EQ(w.status, 1) << w.output;
    EXPECT_NE(w.output.find("Write Fuse failed: byte 0 reads back BF, 40 was written"), std::string::npos) << w.output;
}

TEST_F(ConfigCli, ADamagedOrMissingConfigurationFileIsNeverWritten) {
    const std::string sim = "--simulate --sim-chip " + (dir / "sim.chip").string() + " ";
    ASSERT_EQ(run(sim + "read-fuse -d ATMEL/ATmega328P").status, 0);
    const fs::path file = dir / "cfg" / "ATMEGA328P.cfg";
    const fs::path kept = dir / "ATMEGA328P.cfg.good";
    fs::copy_file(file, kept);
    {
        std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(200);
        f.put('\x5A');
    }
    for (const char *damage : {"damaged", "missing"}) {
        if (std::string(damage) == "missing") fs::remove(file);
        for (const char *op : {"write-fuse", "protect", "auto --items erase,write-fuse"}) {
            const auto w = run("--json " + sim + op + " -d ATMEL/ATmega328P");
            EXPECT_EQ(w.status, 1) << damage << " " << op << ": " << w.output;
            EXPECT_NE(w.output.find("cfg/ATMEGA328P.cfg is missing or damaged"), std::string::npos) << w.output;
            EXPECT_NE(w.output.find("\"failed\":1"), std::string::npos) << w.output;
        }
    }
    fs::copy_file(kept, file);
    const auto r = run(sim + "read-fuse -d ATMEL/ATmega328P");
    EXPECT_NE(r.output.find("Bytes read: 62 D9 FF 00"), std::string::npos) << r.output;  // nothing erased or written
    EXPECT_EQ(chipSet().size(), 1u);  // and nothing remembered for it
}

TEST_F(ConfigCli, OptionsFollowTheDialogRules) {
    auto r = run("options -d ATMEL/ATmega328P");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("[x] Erase"), std::string::npos) << r.output;

    r = run("options -d ATMEL/ATmega328P --set auto=");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find(loadString(sid::AutoProgramItemEmpty)), std::string::npos) << r.output;

    r = run("options -d ATMEL/ATmega328P --set auto=program,erase --set range=2 --set sound=off");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("[x] Erase [ ] Blank [x] Program"), std::string::npos) << r.output;
    ASSERT_EQ(chipSet().size(), 125u);
    EXPECT_EQ(chipSet()[1 + 84], 12);  // the device's order, not the order given
    EXPECT_EQ(chipSet()[1 + 85], 0);
    EXPECT_EQ(chipSet()[1 + 100], 2);

    // Without -d: the current device of the model, which an operation made current.
    r = run("options");
    EXPECT_EQ(r.status, 2);
    ASSERT_EQ(run("--simulate --sim-chip " + (dir / "sim.chip").string() + " erase -d ATMEL/ATmega328P").status, 0);
    r = run("options");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Play Sound:                   off"), std::string::npos) << r.output;
}

}  // namespace
