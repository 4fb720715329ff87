#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "core/Profile.h"
#include "devices/DeviceLibrary.h"
#include "programmer/Application.h"
#include "programmer/CUsbProgrammer.h"
#include "sim/tr600/SimulatedProgrammer.h"
#include "tests/support/TestDoubles.h"

using namespace vantor;
using namespace vantor::test;

namespace {

struct AppRig {
    explicit AppRig(int simulatedModel = -1) {
        if (simulatedModel != -1) sim = sim::makeSimulatedProgrammer(simulatedModel);
        services.profile = &profile;
        services.library = &library;
        services.makeProgrammer = [this]() -> std::unique_ptr<CProgrammer> {
            if (sim) return std::make_unique<CUsbProgrammer>(sim->backend());
            return std::make_unique<CUsbProgrammer>(
                std::make_unique<SimulatorBackend>(std::make_shared<SimulatedBus>()));
        };
        services.programDirectory = "/opt/vantor";
        services.playSound = [this](const std::filesystem::path &p, bool fallback) { played.push_back({p, fallback}); };
    }
    MemoryProfile profile;
    RecordingPrompt prompt;
    DeviceLibrary library{prompt};
    std::optional<sim::SimulatedProgrammer> sim;
    Application::Services services;
    std::vector<std::pair<std::filesystem::path, bool>> played;
};

}  // namespace

TEST(Application, SettingsDefaultsAndLanguageFromTheSystem) {
    AppRig rig;
    rig.services.systemLanguageId = 2052;
    Application app(rig.services);
    app.LoadSettings();
    EXPECT_TRUE(app.isChinese());
    EXPECT_EQ(app.operationOptions().ChkDevID, 1);
    EXPECT_EQ(app.operationOptions().IngoreFFH, 1);
    EXPECT_EQ(app.selectedModel(), -1);

    rig.profile.writeInt("System", "Language", 0);
    rig.profile.writeInt("Option", "Sound", 0);
    rig.profile.writeInt("System", "CntFailed", 4);
    rig.profile.writeInt("System", "pgmno", 0x85);
    app.LoadSettings();
    EXPECT_EQ(app.language(), Application::Language::English);
    EXPECT_EQ(app.operationOptions().Sound, 0);
    EXPECT_EQ(app.failureCount(), 4);
    EXPECT_EQ(app.selectedModel(), -1) << "the stored model is not read back";

    app.operationOptions().ChkDevID = 0;
    app.operationOptions().IngoreFFH = 0;
    app.setBufferReadOnly(true);
    app.resetCounters();
    app.countResults(1, 0);
    app.setLanguage(Application::Language::Chinese);
    app.SaveSettings();
    EXPECT_EQ(rig.profile.readInt("Option", "ChkDevID", 1), 0);
    EXPECT_EQ(rig.profile.readInt("Option", "IngoreFFH", 1), 0);
    EXPECT_EQ(rig.profile.readInt("System", "BufReadOnly", 0), 1);
    // The statistics survive the session.
    EXPECT_EQ(rig.profile.readInt("System", "CntSuccess", -1), 1);
    EXPECT_EQ(rig.profile.readInt("System", "CntFailed", -1), 0);
    EXPECT_EQ(rig.profile.readInt("System", "pgmno", 0), -1);
    EXPECT_EQ(rig.profile.readInt("System", "Language", -1), 1);
    EXPECT_FALSE(rig.profile.contains("System", "PGMFFFFFFFF_MFG0")) << "no history without a model";
}

TEST(Application, HistoryEndsAtTheFirstUnusedEntryAndFallsBackToAt89S51) {
    AppRig rig;
    Application app(rig.services);
    rig.profile.writeInt("System", "PGM83_MFG0", 10);
    rig.profile.writeString("System", "PGM83_DEV0", "AT89S52");
    rig.profile.writeInt("System", "PGM83_MFG1", 48);
    rig.profile.writeString("System", "PGM83_DEV1", "PIC16F84A");
    rig.profile.writeInt("System", "PGM83_MFG2", 65535);
    rig.profile.writeInt("System", "PGM83_MFG3", 10);
    app.LoadHistory(0x83);
    EXPECT_EQ(app.deviceHistory().size(), 2u);
    app.LoadHistory(0x85);
    EXPECT_EQ(app.deviceHistory().size(), 1u);
    EXPECT_EQ(app.deviceHistory()[0].deviceName, "AT89S51");
    EXPECT_EQ(app.deviceHistory()[0].vendorIndex, 10u);

    // Vendor index 101 still counts, 102 ends the list; five entries at most.
    for (int d = 0; d < 5; ++d) {
        rig.profile.writeInt("System", "PGM84_MFG" + std::to_string(d), 101);
        rig.profile.writeString("System", "PGM84_DEV" + std::to_string(d), "D" + std::to_string(d));
    }
    app.LoadHistory(0x84);
    EXPECT_EQ(app.deviceHistory().size(), 5u);
    EXPECT_EQ(app.deviceHistory()[4].deviceName, "D4");
    rig.profile.writeInt("System", "PGM84_MFG2", 102);
    app.LoadHistory(0x84);
    EXPECT_EQ(app.deviceHistory().size(), 2u);
    EXPECT_EQ(app.deviceHistory()[0].vendorIndex, 101u);
}

TEST(Application, SelectingADeviceMovesItToTheFront) {
    AppRig rig;
    Application app(rig.services);
    app.RememberDevice(1, "A");
    app.RememberDevice(2, "B");
    app.RememberDevice(3, "C");
    app.RememberDevice(1, "A");
    EXPECT_EQ(app.deviceHistory().size(), 3u);
    EXPECT_EQ(app.deviceHistory()[0].deviceName, "A");
    EXPECT_EQ(app.deviceHistory()[1].deviceName, "C");
    EXPECT_EQ(app.deviceHistory()[2].deviceName, "B");
    for (int i = 4; i < 9; ++i) app.RememberDevice(std::uint32_t(i), "X" + std::to_string(i));
    EXPECT_EQ(app.deviceHistory().size(), 5u);
    EXPECT_EQ(app.deviceHistory()[0].deviceName, "X8");
    EXPECT_EQ(app.deviceHistory()[4].deviceName, "X4");
}

TEST(Application, ConnectSelectsTheModelAndItsLibrary) {
    AppRig rig(0x85);
    Application app(rig.services);
    app.LoadSettings();
    const int model = app.ConnectAtStartup();
    EXPECT_EQ(model, 0x85);
    EXPECT_FALSE(app.isDisconnected());
    // Connecting again lets go of the programmer before opening it: the system allows one holder.
    EXPECT_EQ(app.ConnectAtStartup(), 0x85);
    EXPECT_FALSE(app.isDisconnected());
    EXPECT_TRUE(app.SelectModel(model, true));
    EXPECT_EQ(rig.library.path().filename(), "TR620.dev");
    EXPECT_EQ(app.ModelText(model), "TD620 MCU Development Kit");

    app.RememberDevice(10, "AT89C2051");
    EXPECT_FALSE(app.SelectModel(0x85, true)) << "the same model keeps library and history";
    EXPECT_EQ(app.deviceHistory()[0].deviceName, "AT89C2051");
    EXPECT_TRUE(app.SelectModel(0x83, true));  // the old model's history is saved first
    EXPECT_EQ(rig.profile.readString("System", "PGM85_DEV0", ""), "AT89C2051");
}

TEST(Application, NoProgrammerMeansDisconnectMode) {
    AppRig rig;
    Application app(rig.services);
    EXPECT_EQ(app.ConnectAtStartup(), -1);
    EXPECT_TRUE(app.isDisconnected());
    AppRig unlisted(0x42);  // a device that answers with a code no model has
    Application other(unlisted.services);
    EXPECT_EQ(other.ConnectAtStartup(), -1);
}

TEST(Application, ResultSoundsAndSplashArgument) {
    AppRig rig;
    const auto dir = std::filesystem::temp_directory_path() / "vantor-app-sounds";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "ok.wav") << "RIFF";
    rig.services.programDirectory = dir;
    Application app(rig.services);
    app.LoadSettings();
    app.PlayResultSound(1);
    app.PlayResultSound(0);  // no fail.wav: nothing
    app.PlayResultSound(-1);
    ASSERT_EQ(rig.played.size(), 1u);
    EXPECT_EQ(rig.played[0].first, dir / "ok.wav");
    app.operationOptions().Sound = 0;
    app.PlayResultSound(1);
    EXPECT_EQ(rig.played.size(), 1u);

    EXPECT_FALSE(Application::splashWanted({"/sp"}));
    EXPECT_FALSE(Application::splashWanted({"x", "-Sp"}));
    EXPECT_TRUE(Application::splashWanted({"SPX", "--sp"}));
}
