#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "buffer/FileDialogForms.h"
#include "buffer/formats/IntelHex.h"
#include "core/Profile.h"
#include "devices/DeviceLibrary.h"
#include "devices/DeviceTables.h"
#include "programmer/Application.h"
#include "programmer/DeviceDefaults.h"
#include "programmer/CUsbProgrammer.h"
#include "programmer/Document.h"
#include "programmer/ProgrammerModels.h"
#include "sim/tr600/SimulatedProgrammer.h"
#include "tests/support/TestDoubles.h"

using namespace vantor;
using namespace vantor::test;
namespace fs = std::filesystem;

namespace {

constexpr Colour kTeal = 0x808000;

struct DocRig {
    explicit DocRig(bool connected = true) {
        library.setLibraryDirectory(VANTOR_BIN_DIR);
        Application::Services s;
        s.profile = &profile;
        s.library = &library;
        s.makeProgrammer = [this]() -> std::unique_ptr<CProgrammer> {
            return std::make_unique<CUsbProgrammer>(sim.backend());
        };
        app = std::make_unique<Application>(s);
        app->LoadSettings();
        if (!connected) sim.bus->unplug(0);
        const int model = app->ConnectAtStartup();
        app->SelectModel(model == -1 ? 0x83 : model, model != -1);
        doc = std::make_unique<Document>(*app, library, info, prompt);
        doc->setEngineSink(&engine);
        dir = fs::temp_directory_path() / ("vantor-doc-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    ~DocRig() {
        if (app->programmer()) app->programmer()->waitIdle();
        fs::remove_all(dir);
    }
    DeviceRecord device(const char *name, int vendor = 10) {
        DeviceRecord r;
        EXPECT_TRUE(library.FindDevice(std::uint16_t(vendor), name, r)) << name;
        return r;
    }
    fs::path write(const char *name, const std::string &bytes) {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    bool anyLine(const std::string &text, Colour *colour = nullptr) const {
        for (const auto &l : info.lines)
            if (l.text.find(text) != std::string::npos) {
                if (colour) *colour = l.colour;
                return true;
            }
        return false;
    }

    sim::SimulatedProgrammer sim = sim::makeSimulatedProgrammer(0x83);
    MemoryProfile profile;
    RecordingPrompt prompt;
    DeviceLibrary library{prompt};
    RecordingInfoSink info;
    RecordingEngineSink engine;
    std::unique_ptr<Application> app;
    std::unique_ptr<Document> doc;
    fs::path dir;
};

LoadSettings binary() {
    LoadSettings s;
    s.format = FileFormat::Binary;
    return s;
}

}  // namespace

TEST(OperateEntries, CommandsAndWhatTheyRun) {
    DeviceRecord d;
    const std::uint8_t list[] = {0, 1, 2, 3, 12, 8, 9, 11, 5, 4, 14, 13, 15, 6, 7, 10};
    std::copy(std::begin(list), std::end(list), d.menu_operations);
    const auto entries = operateEntries(d);
    ASSERT_EQ(entries.size(), 15u) << "Test is not listed";
    auto find = [&](int op) {
        for (const auto &e : entries)
            if (e.op == op) return e;
        ADD_FAILURE() << op;
        return OperateEntry{};
    };
    EXPECT_EQ(find(0).commandId, 32775);
    EXPECT_EQ(find(0).text, "Program(&W)");
    EXPECT_EQ(find(0).listName, "Program") << "trailing blanks go";
    EXPECT_EQ(find(8).commandId, 32792);
    EXPECT_EQ(find(8).runs, 14);
    EXPECT_EQ(find(7).commandId, 32793);
    for (int idle : {9, 11, 13, 5}) EXPECT_EQ(find(idle).runs, -1) << idle;
    EXPECT_EQ(find(4).runs, 4);
    EXPECT_EQ(find(5).commandId, find(4).commandId) << "Read Cal. Byte shares Write Cal. Byte's command";

    DeviceRecord shortList;
    shortList.menu_operations[0] = 1;
    shortList.menu_operations[1] = kEndOfList;
    shortList.menu_operations[2] = 0;
    EXPECT_EQ(operateEntries(shortList).size(), 1u) << "0xFF ends the list";
}

TEST(Document, ApplyDeviceResetsTheBufferAndRemembersTheDevice) {
    DocRig rig;
    const DeviceRecord s52 = rig.device("AT89S52");
    rig.doc->applyDevice(s52);
    const fs::path file = rig.write("a.bin", std::string(100, '\x12'));
    ASSERT_TRUE(rig.doc->loadFile(file, binary()).ok());
    EXPECT_EQ(rig.doc->buffer()[0], 0x12);
    EXPECT_TRUE(rig.doc->loadedFile());

    rig.info.lines.clear();
    rig.doc->applyDevice(rig.device("AT89S51"));
    EXPECT_EQ(rig.doc->buffer()[0], 0xFF);
    EXPECT_EQ(rig.doc->buffer()[DataBuffer::kSize - 1], 0xFF);
    EXPECT_FALSE(rig.doc->loadedFile());
    EXPECT_EQ(rig.app->deviceHistory()[0].deviceName, "AT89S51");
    EXPECT_EQ(rig.app->deviceHistory()[1].deviceName, "AT89S52");
    EXPECT_EQ(rig.app->operationOptions().rangeLast, std::int32_t(rig.doc->device().memory_areas[0].size_bytes) - 1);
    EXPECT_EQ(rig.doc->saveDialogSettings("a.hex").saveSize, rig.doc->device().top_address);
    EXPECT_EQ(rig.doc->saveDialogSettings("a.hex").format, FileFormat::IntelHex);
    EXPECT_TRUE(
        std::equal(rig.app->autoItems().begin(), rig.app->autoItems().end(), rig.doc->device().auto_operations));
    ASSERT_EQ(rig.info.lines.size(), 3u);
    EXPECT_EQ(rig.info.lines[0].text, "Device Model: ");
    EXPECT_EQ(rig.info.lines[1].text, "ATMEL   ");
    EXPECT_EQ(rig.info.lines[1].colour, 0x0080FFu);
    EXPECT_EQ(rig.info.lines[2].text, "AT89S51\n");
    EXPECT_TRUE(rig.info.lines[2].bold);

    // The Config entry follows the device's configuration file, which must exist.
    EXPECT_TRUE(rig.doc->canConfigure());
    DeviceRecord missing = rig.device("AT89S51");
    std::snprintf(missing.config_name, sizeof missing.config_name, "NOSUCHCFG");
    rig.doc->applyDevice(missing);
    EXPECT_FALSE(rig.doc->canConfigure());
    rig.doc->applyDevice(rig.device("AT89S51"));
    EXPECT_TRUE(rig.doc->canConfigure());
    missing.config_name[0] = 0;
    rig.doc->applyDevice(missing);
    EXPECT_FALSE(rig.doc->canConfigure());
}

TEST(Document, HistoryEntriesThatAreGoneSelectNothing) {
    DocRig rig;
    rig.doc->applyDevice(rig.device("AT89S51"));
    rig.app->RememberDevice(10, "NO-SUCH-CHIP");
    rig.app->RememberDevice(10, "AT89S52");
    EXPECT_FALSE(rig.doc->applyHistory(1)) << "NO-SUCH-CHIP";
    EXPECT_EQ(std::string(rig.doc->device().device_name), "AT89S51") << "unchanged";
    EXPECT_EQ(rig.app->deviceHistory()[0].deviceName, "AT89S52");
    EXPECT_FALSE(rig.doc->applyHistory(0)) << "entry 0 is the current device";
    EXPECT_FALSE(rig.doc->applyHistory(9));
    EXPECT_TRUE(rig.doc->applyHistory(2));
    EXPECT_EQ(std::string(rig.doc->device().device_name), "AT89S51");
    EXPECT_EQ(rig.app->deviceHistory()[0].deviceName, "AT89S51");
}

TEST(Document, ConnectStateSelectsTheNewestHistoryDevice) {
    DocRig rig;
    rig.app->RememberDevice(10, "AT89S52");
    const ConnectState s = rig.doc->showConnectState(true);
    EXPECT_TRUE(s.online);
    EXPECT_EQ(s.modelName, "TD610 MCU Development Kit");
    EXPECT_EQ(rig.info.lines[0].text, "Programmer Model: ");
    EXPECT_EQ(rig.info.lines[1].text, "TD610 MCU Development Kit\r\n");
    EXPECT_EQ(rig.info.lines[1].colour, 0xFF8000u);
    EXPECT_EQ(std::string(rig.doc->device().device_name), "AT89S52");
    EXPECT_TRUE(rig.doc->connectTried());
}

TEST(Document, NoOperationRunsWithoutADevice) {
    DocRig rig;
    ASSERT_FALSE(rig.doc->hasDevice());
    for (bool refused : {rig.doc->runOperation(Op::Program), rig.doc->runOperation(Op::Read), rig.doc->runAuto(),
                         rig.doc->runCommand(32776)})
        EXPECT_FALSE(refused);
    Colour c = 0;
    EXPECT_TRUE(rig.anyLine(std::string(kNoDeviceSelected), &c));
    EXPECT_EQ(c, kTeal);
    EXPECT_EQ(rig.engine.count(1), 0);
}

TEST(Document, AModelChangeClearsADeviceTheNewLibraryLacks) {
    DocRig rig;
    rig.doc->applyDevice(rig.device("AT89S52"));
    ASSERT_TRUE(rig.doc->loadFile(rig.write("f.bin", "abc"), binary()).ok());
    int saved = 0;
    rig.doc->setHooks({.saveDeviceSettings = [&](const DeviceRecord &) { ++saved; }});
    ASSERT_TRUE(rig.app->SelectModel(kModelTR620, true));
    rig.app->RememberDevice(10, "NO-SUCH-CHIP");
    rig.doc->showConnectState(true);
    EXPECT_FALSE(rig.doc->hasDevice());
    EXPECT_EQ(rig.library.currentDevice(), nullptr);
    EXPECT_FALSE(rig.doc->loadedFile());
    EXPECT_EQ(rig.doc->buffer()[0], 0xFF);
    EXPECT_EQ(saved, 1) << "the outgoing device's settings are kept";
    EXPECT_FALSE(rig.doc->runOperation(Op::Program));
    EXPECT_EQ(rig.engine.count(1), 0);
}

TEST(Document, DisconnectModeRefusesOperationsWithTheTealLine) {
    DocRig rig(false);
    EXPECT_TRUE(rig.app->isDisconnected());
    rig.doc->showConnectState(true);
    EXPECT_EQ(rig.info.lines[0].text, "Disconnect mode, Programmer Model: ");
    for (bool refused : {rig.doc->runOperation(Op::Program), rig.doc->runAuto(), rig.doc->runCommand(32776)})
        EXPECT_FALSE(refused);
    Colour c = 0;
    EXPECT_TRUE(rig.anyLine("This function is not available, if programmer runs in disconnect mode", &c));
    EXPECT_EQ(c, kTeal);
    EXPECT_EQ(rig.engine.count(1), 0);
}

TEST(Document, ReadLockBitsAndReadConfigCommandsDoNothing) {
    DocRig rig;
    rig.doc->applyDevice(rig.device("AT89S52"));
    const auto lines = rig.info.lines.size();
    EXPECT_FALSE(rig.doc->runCommand(32784));
    EXPECT_FALSE(rig.doc->runCommand(32787));
    EXPECT_FALSE(rig.doc->runCommand(32791));
    EXPECT_EQ(rig.info.lines.size(), lines);
    EXPECT_FALSE(rig.app->programmer()->isBusy());
    EXPECT_TRUE(rig.doc->runCommand(32783)) << "the second Protect command";
    rig.app->programmer()->waitIdle();
    EXPECT_EQ(rig.engine.count(1), 1);
}

TEST(Document, ProgramReloadsATouchedFileAndRefusesWhenTheReloadFails) {
    DocRig rig;
    rig.doc->applyDevice(rig.device("AT89S52"));
    const fs::path file = rig.write("p.bin", std::string(64, '\x33'));
    LoadSettings s = binary();
    s.unusedByteMode = UnusedByteMode::Fill00;
    ASSERT_TRUE(rig.doc->loadFile(file, s).ok());
    EXPECT_EQ(rig.doc->buffer()[64], 0x00);

    // Untouched: no reload.
    EXPECT_TRUE(rig.doc->reloadCheck());
    EXPECT_FALSE(rig.anyLine("Reload: "));

    std::ofstream(file, std::ios::binary) << std::string(32, '\x44');
    fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(5));
    rig.doc->buffer()[200] = 0x99;
    ASSERT_TRUE(rig.doc->runOperation(Op::Program));
    rig.app->programmer()->waitIdle();
    EXPECT_TRUE(rig.anyLine("The file has been modified by other application, Reload: "));
    EXPECT_TRUE(rig.anyLine(file.string()));
    EXPECT_EQ(rig.doc->buffer()[0], 0x44);
    EXPECT_EQ(rig.doc->buffer()[40], 0x00) << "refilled by the remembered unused-byte mode";
    EXPECT_EQ(rig.doc->buffer()[200], 0x00);

    // A reload that fails stops the operation before it starts.
    const int starts = rig.engine.count(1);
    fs::remove(file);
    fs::create_directory(file);
    fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(9));
    EXPECT_FALSE(rig.doc->runOperation(Op::Verify));
    EXPECT_TRUE(rig.anyLine("Load File Failed"));
    EXPECT_EQ(rig.engine.count(1), starts);

    // Read does not look at the file; AutoReload off does not either.
    EXPECT_TRUE(rig.doc->runOperation(Op::Read));
    rig.app->programmer()->waitIdle();
    rig.app->operationOptions().AutoReload = 0;
    EXPECT_TRUE(rig.doc->runOperation(Op::Verify));
    rig.app->programmer()->waitIdle();
}

TEST(Document, AFailedLoadKeepsTheRememberedFile) {
    DocRig rig;
    rig.doc->applyDevice(rig.device("AT89S52"));
    const fs::path good = rig.write("g.bin", "abc");
    ASSERT_TRUE(rig.doc->loadFile(good, binary()).ok());
    EXPECT_FALSE(rig.doc->loadFile(rig.dir / "missing.bin", binary()).ok());
    ASSERT_TRUE(rig.doc->loadedFile());
    EXPECT_EQ(rig.doc->loadedFile()->path, good);
    EXPECT_EQ(rig.doc->recentFiles().size(), 1u);
}

TEST(Document, AFailedLoadOrReloadNeverLeavesAHalfFilledBufferToProgram) {
    DocRig rig;
    rig.doc->applyDevice(rig.device("AT89S52"));
    const auto hexImage = [](std::size_t size, std::uint8_t value, bool damaged) {
        const std::vector<std::uint8_t> bytes(size, value);
        std::string text;
        formats::IntelHex::write(bytes, text);
        if (damaged)
            text = text.substr(0, text.rfind(":00000001FF")) + ":0100000200FD\n";  // a segment record of one byte
        return text;
    };
    const auto allOf = [&](std::uint32_t first, std::uint32_t last, std::uint8_t value) {
        for (std::uint32_t a = first; a <= last; ++a)
            if (rig.doc->buffer()[a] != value) return false;
        return true;
    };
    LoadSettings s;
    s.format = FileFormat::IntelHex;
    s.unusedByteMode = UnusedByteMode::Fill00;
    const fs::path file = rig.write("p.hex", hexImage(0x2000, 0x5A, false));
    ASSERT_TRUE(rig.doc->loadFile(file, s).ok());
    ASSERT_TRUE(allOf(0, 0x1FFF, 0x5A));

    // Damaged on disk: 4 KiB of good records, then a bad one. Every press refuses, Auto too,
    // and the buffer keeps the image that loaded.
    rig.write("p.hex", hexImage(0x1000, 0x00, true));
    fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(5));
    const int starts = rig.engine.count(1);
    EXPECT_FALSE(rig.doc->runOperation(Op::Program));
    EXPECT_FALSE(rig.doc->runOperation(Op::Program));
    EXPECT_FALSE(rig.doc->runAuto());
    EXPECT_EQ(rig.engine.count(1), starts);
    EXPECT_TRUE(allOf(0, 0x1FFF, 0x5A));

    // A failed load of another file, and of a recent file that is gone, change nothing either.
    EXPECT_FALSE(rig.doc->loadFile(rig.write("q.hex", hexImage(0x1000, 0x11, true)), s).ok());
    EXPECT_FALSE(rig.doc->loadFile(rig.dir / "deleted.hex", s).ok());
    EXPECT_TRUE(allOf(0, 0x1FFF, 0x5A));
    ASSERT_TRUE(rig.doc->loadedFile());
    EXPECT_EQ(rig.doc->loadedFile()->path, file);

    // Mended, the next press reloads it and runs.
    rig.write("p.hex", hexImage(0x100, 0x77, false));
    fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(9));
    ASSERT_TRUE(rig.doc->runOperation(Op::Verify));
    rig.app->programmer()->waitIdle();
    EXPECT_TRUE(allOf(0, 0xFF, 0x77));
    EXPECT_TRUE(allOf(0x100, 0x1FFF, 0x00));
}

TEST(Document, RecentFilesKeepFourNewestFirstInTheProfile) {
    DocRig rig;
    rig.doc->setRecentFileStore(&rig.profile);
    rig.doc->applyDevice(rig.device("AT89S52"));
    std::vector<fs::path> files;
    for (int i = 0; i < 5; ++i) files.push_back(rig.write(("f" + std::to_string(i) + ".bin").c_str(), "x"));
    for (const auto &f : files) ASSERT_TRUE(rig.doc->loadFile(f, binary()).ok());
    ASSERT_TRUE(rig.doc->loadFile(files[2], binary()).ok());
    const auto &recent = rig.doc->recentFiles();
    ASSERT_EQ(recent.size(), 4u);
    EXPECT_EQ(recent[0], files[2].string());
    EXPECT_EQ(recent[1], files[4].string());
    EXPECT_EQ(rig.profile.readString("Recent File List", "File1", ""), files[2].string());

    Document again(*rig.app, rig.library, rig.info, rig.prompt);
    again.setRecentFileStore(&rig.profile);
    EXPECT_EQ(again.recentFiles(), recent);
}

TEST(Document, LoadIsLimitedToTheDeviceData) {
    DocRig rig;
    rig.doc->applyDevice(rig.device("AT89S51"));  // 4 KiB
    const fs::path big = rig.write("big.bin", std::string(0x2000, '\x01'));
    ASSERT_TRUE(rig.doc->loadFile(big, binary()).ok());
    EXPECT_EQ(rig.doc->buffer()[0xFFF], 0x01);
    EXPECT_EQ(rig.doc->buffer()[0x1000], 0xFF);
    EXPECT_TRUE(rig.anyLine("Warning: Some data out of range has been ignored"));
}

TEST(FileDialogForms, HexFieldsAndRanges) {
    EXPECT_EQ(parseHexField("1F"), 0x1Fu);
    EXPECT_EQ(parseHexField(" 0x800 "), 0x800u);
    EXPECT_EQ(parseHexField("10h"), 0x10u);
    EXPECT_EQ(parseHexField("FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_FALSE(parseHexField("100000000"));
    EXPECT_FALSE(parseHexField(""));
    EXPECT_FALSE(parseHexField("12G"));
    EXPECT_TRUE(loadBufferStartAccepted(0x2000, 0x2000));
    EXPECT_FALSE(loadBufferStartAccepted(0x2001, 0x2000));
    EXPECT_FALSE(loadBufferStartAccepted(DataBuffer::kSize, DataBuffer::kSize)) << "past the buffer";
    EXPECT_TRUE(saveRangeAccepted(0x7FFF00, 0x100));
    EXPECT_FALSE(saveRangeAccepted(0x7FFF00, 0x101));
    EXPECT_FALSE(saveRangeAccepted(0xFFFFFFFF, 2)) << "no wrap-around";
    EXPECT_FALSE(saveRangeAccepted(0, 0));
}

TEST(FileDialogForms, RefusalsSayWhatIsWrongAndWhatIsAllowed) {
    struct Case {
        bool load;
        const char *first, *second;
        int field;
        const char *says;
    };
    const Case cases[] = {
        {true, "", "0", 0, "File Start must be a hexadecimal number from 0 to FFFFFFFF."},
        {true, "0", "", 1,
         "The buffer address out of range\nBuffer Start must be a hexadecimal number from 0 to 2000."},
        {true, "0", "2001", 1, "Buffer Start must be a hexadecimal number from 0 to 2000."},
        {false, "800000", "1", 0, "Buffer Start Address must be a hexadecimal number from 0 to 7FFFFF."},
        {false, "0", "0", 1, "Data Size must be a hexadecimal number from 1 to 800000"},
        {false, "7FFF00", "101", 1, "Data Size must be a hexadecimal number from 1 to 100"},
    };
    for (const Case &c : cases) {
        const auto problem = c.load ? checkLoadForm(c.first, c.second, 0x2000) : checkSaveForm(c.first, c.second);
        ASSERT_TRUE(problem) << c.says;
        EXPECT_EQ(problem->field, c.field) << c.says;
        EXPECT_NE(problem->message.find(c.says), std::string::npos) << problem->message;
        EXPECT_EQ(problem->message.find("buffer address") != std::string::npos, c.load && c.field == 1) << c.says;
    }
    EXPECT_FALSE(checkLoadForm("0", "2000", 0x2000));
    EXPECT_FALSE(checkSaveForm("7FFF00", "100"));
}

TEST(Application, NonsenseInTheSettingsStoreFallsBackToDefaults) {
    MemoryProfile profile;
    profile.writeInt("System", "CntSuccess", -40);
    profile.writeInt("System", "CntFailed", -1);
    profile.writeInt("System", "Language", 7);
    profile.writeInt("System", "PGM83_MFG0", 10);
    profile.writeString("System", "PGM83_DEV0", std::string(40, 'A'));
    profile.writeInt("System", "PGM83_MFG1", 10);
    profile.writeString("System", "PGM83_DEV1", "AT89S52");
    Application::Services s;
    s.profile = &profile;
    s.systemLanguageId = 2052;
    Application app(s);
    app.LoadSettings();
    EXPECT_EQ(app.successCount(), 0);
    EXPECT_EQ(app.failureCount(), 0);
    EXPECT_TRUE(app.isChinese()) << "the system's language";
    app.LoadHistory(0x83);
    EXPECT_EQ(app.deviceHistory().size(), 1u);
    EXPECT_EQ(app.deviceHistory()[0].deviceName, "AT89S51") << "an unusable first entry gives the default";
}

TEST(DeviceDefaults, OnlyADeviceThatWritesCalibrationGetsAnAddress) {
    DeviceRecord d{};
    d.memory_areas[0] = {0x2000, 0};
    d.memory_areas[1] = {0x100, 0x2000};
    completeDefaultConfig(d);
    EXPECT_EQ(calibrationAddress(d), 0u) << "without Write Cal. Byte the configuration is left alone";
    d.operation_flags = operationFlagBit(kOpWriteCal);
    completeDefaultConfig(d);
    EXPECT_EQ(calibrationAddress(d), 0x20FFu);
}
