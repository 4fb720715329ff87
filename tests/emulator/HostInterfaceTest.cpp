// Entry points, their guards and the option text.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "emulator/SettingsDialog.h"
#include "tests/emulator/DriverRig.h"

namespace vantor::emx31::test {
namespace {

TEST(OptionText, ParsesTheLettersItKnowsAndResetsEAndF) {
    TargetOptions o;
    o.halt = 0;
    o.flash = 3;
    o.parse("-V2 -C3");
    EXPECT_EQ(o.halt, 1);
    EXPECT_EQ(o.flash, 15);
    EXPECT_EQ(o.vendor, 2);
    EXPECT_EQ(o.chip, 3);

    o.halt = 0;
    o.parse("no options at all");
    EXPECT_EQ(o.halt, 1);
    EXPECT_EQ(o.flash, 15);
    EXPECT_EQ(o.vendor, 2);  // V and C keep their values
    EXPECT_EQ(o.chip, 3);

    o.parse("-X5 -E0");
    EXPECT_EQ(o.halt, 0);
    o.parse("-E -F16 --V7 -C-2");
    EXPECT_EQ(o.halt, 1);  // a letter without a number stores nothing
    EXPECT_EQ(o.flash, 16);
    EXPECT_EQ(o.vendor, 2);  // "--V7": the character after a minus is skipped, V with it
    EXPECT_EQ(o.chip, -2);
    EXPECT_EQ(o.format(), "-E1 -F16 -V2 -C-2");
}

TEST(OptionText, NeverReadsOrWritesPastItsBuffer) {
    // No terminating zero within the limit: the scan stops at the limit.
    const char text[6] = {'-', 'E', '0', '-', 'F', '9'};
    TargetOptions o;
    o.parse(text, 4);
    EXPECT_EQ(o.halt, 0);
    EXPECT_EQ(o.flash, 15);
    o.parse("-V99999999999999999999");
    EXPECT_EQ(o.vendor, 2147483647);

    char small[8];
    std::memset(small, 'x', sizeof small);
    o.write(small, 5);
    EXPECT_STREQ(small, "-E1 ");
    EXPECT_EQ(small[5], 'x');
}

TEST(HostInterface, FeatureQueriesAfterStart) {
    Rig rig;
    ASSERT_TRUE(rig.connect());
    for (std::uint32_t item = 1; item <= 6; ++item) EXPECT_EQ(rig.driver.init(0x0200 + item, nullptr), 0u) << item;
    EXPECT_EQ(rig.driver.init(0x0207, nullptr), 1u);
    EXPECT_EQ(rig.driver.init(0x0200, nullptr), 0u);
    EXPECT_EQ(rig.driver.init(0x0208, nullptr), 0u);
    // Only the low 16 bits of a code count.
    EXPECT_EQ(rig.driver.init(0xABCD0207, nullptr), 1u);
}

TEST(HostInterface, StartSendsBannerAndRegistersThePane) {
    Rig rig;
    ASSERT_TRUE(rig.connect());
    ASSERT_FALSE(rig.ui.texts.empty());
    EXPECT_EQ(rig.ui.texts[0],
              (std::pair<unsigned, std::string>{AG_MSG_DOWNLOAD, "Tarvik EMX31 Emulator/Programmer\n"}));
    EXPECT_EQ(rig.ui.lastMessage, 0x464u);
    ASSERT_NE(rig.pane, nullptr);
    EXPECT_EQ(rig.pane->groupCount, 2u);
    EXPECT_EQ(rig.pane->itemCount, 22u);
    EXPECT_STREQ(rig.pane->groups[1].name, "Sys");
    EXPECT_STREQ(rig.pane->items[12].name, "PC  $");
    EXPECT_EQ(rig.pane->items[12].isPc, 1);
    EXPECT_EQ(rig.pane->items[21].id, 264);
    // The shadow map was handed over before the connection.
    EXPECT_EQ(rig.callbacks.front(), AG_CB_SHADOW_MAP);

    // After a reset the banner goes to the output window instead.
    rig.driver.init(AG_INIT_RESET, nullptr);
    rig.ui.clear();
    ASSERT_TRUE(rig.connect());
    EXPECT_EQ(rig.ui.texts[0].first, AG_MSG_TEXT);
}

TEST(HostInterface, MemoryAccessGuards) {
    Rig rig(true, false);
    std::uint8_t buffer[4] = {1, 2, 3, 4};
    AG_AddressRecord rec{AG_ADDRESS(AG_SPACE_XDATA, 0), 0};
    // Host window not bound: nothing is transferred.
    EXPECT_EQ(rig.driver.memAcc(AG_MEM_READ, buffer, &rec, 4), 0u);
    EXPECT_TRUE(rig.sim.device->commands().empty());
    rig.bindHost();
    ASSERT_TRUE(rig.connect());
    rig.newCommands();
    EXPECT_EQ(rig.driver.memAcc(7, buffer, &rec, 4), 3u);
    EXPECT_TRUE(rig.newCommands().empty());
    EXPECT_EQ(buffer[0], 1);
}

TEST(HostInterface, ProgramCounterInHostForm) {
    Rig rig;
    rig.loadProgram({0x00});
    ASSERT_TRUE(rig.connect());
    rig.sim.device->cpu().setPc(0x0123);
    std::uint32_t value = 0;
    EXPECT_EQ(rig.driver.regAcc(1, AG_REG_PC, &value), 0u);
    EXPECT_EQ(value, 0xFF000123u);
    std::uint32_t untouched = 0xAAAA;
    EXPECT_EQ(rig.driver.regAcc(1, 0x99, &untouched), 0u);
    EXPECT_EQ(untouched, 0xAAAAu);
    EXPECT_EQ(rig.driver.regAcc(5, AG_REG_A, &value), 3u);
}

TEST(HostInterface, EndOfSessionWritesTheOptionsAndPostsLinkLost) {
    Rig rig;
    AG_TargetRecord target{};
    EXPECT_EQ(rig.driver.enumUv351(&target, 2), 8051u);
    EXPECT_EQ(rig.driver.enumUv351(&target, 1), 0u);
    ASSERT_TRUE(rig.connect());
    rig.driver.init(AG_INIT_END_SESSION, nullptr);
    EXPECT_STREQ(target.optionText, "-E1 -F15 -V0 -C0");
    ASSERT_EQ(rig.ui.posts.size(), 1u);
    EXPECT_EQ(rig.ui.posts[0], AG_MSG_LINK_LOST);
    // Everything is refused until the next start.
    std::uint8_t b = 0;
    AG_AddressRecord rec{AG_ADDRESS(AG_SPACE_XDATA, 0), 0};
    EXPECT_EQ(rig.driver.memAcc(AG_MEM_READ, &b, &rec, 1), 1u);
    EXPECT_EQ(rig.driver.goStep(AG_GOSTEP_STEP, 1, nullptr), 0u);
    EXPECT_EQ(rig.driver.bpInfo(1, &rec.address), 0u);
}

TEST(HostInterface, SmallAnswersAndUnknownCodes) {
    Rig rig;
    EXPECT_EQ(rig.driver.goStep(9, 0, nullptr), 0u);
    EXPECT_EQ(rig.driver.uv3Cap(2, nullptr), 8051u);
    EXPECT_EQ(rig.driver.uv3Cap(100, nullptr), 1u);
    EXPECT_EQ(rig.driver.uv3Cap(109, nullptr), 1u);
    EXPECT_EQ(rig.driver.uv3Cap(3, nullptr), 0u);
    AG_MenuEntry *menu = nullptr;
    rig.driver.init(AG_INIT_EXT_MENU, &menu);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu[0].delimiter, -1);  // the end mark comes first: no menu
    ASSERT_TRUE(rig.connect());
    const std::uint8_t data[3] = {1, 2, 3};
    EXPECT_EQ(rig.driver.serial(1, 2, 3, data), 0u);
    ASSERT_EQ(rig.ui.serial.size(), 1u);
    EXPECT_EQ(rig.ui.serial[0].channel, 2u);
    EXPECT_EQ(rig.ui.serial[0].count, 3u);
    EXPECT_EQ(rig.ui.serial[0].data, data);
    EXPECT_EQ(rig.ui.serial[0].reserved8, 0u);
}

TEST(HostInterface, SettingsDialogThroughTheHost) {
    Rig rig;
    ASSERT_TRUE(rig.connect());
    char text[AG_OPTION_TEXT_SIZE] = "-E1 -F15 -V3 -C1";
    AG_CapRecord record{};
    record.optionText = text;
    rig.ui.onDialog = [](const EMX31_SettingsForm &f) {
        EXPECT_STREQ(f.caption, "Tarvik EMX31 Emulator/Programmer  V1.00");
        EXPECT_EQ(f.maker(f.dialog), 3);
        EXPECT_STREQ(f.chipName(f.dialog, f.chip(f.dialog)), "W78E516B");
        EXPECT_NE(std::string(f.information).find("Firmware: V2.15\r\nPSN: 31052024\r\n"), std::string::npos);
        f.setAdapter(f.dialog, 1);
        EXPECT_FALSE(f.chipControlsEnabled(f.dialog));
        return true;
    };
    EXPECT_EQ(rig.driver.uv3Cap(1, &record), 1u);
    EXPECT_STREQ(text, "-E1 -F16 -V3 -C1");
    rig.ui.onDialog = [](const EMX31_SettingsForm &f) {
        f.setHalt(f.dialog, 0);
        return false;
    };
    EXPECT_EQ(rig.driver.uv3Cap(110, &record), 0u);
    EXPECT_STREQ(text, "-E1 -F16 -V3 -C1");
}

// The dialog a host without its own gets (drawn by Win32 on Windows), driven by clicks.
class FakeControls : public DialogControls {
public:
    void setChecked(int id, bool c) override { checks[id] = c; }
    bool checked(int id) const override { return checks.count(id) && checks.at(id); }
    void setEnabled(int id, bool e) override { enabled[id] = e; }
    void setItems(int id, const std::vector<std::string> &i) override { items[id] = i; }
    void select(int id, int index) override { selected[id] = index; }
    int selection(int id) const override { return selected.count(id) ? selected.at(id) : -1; }
    std::map<int, bool> checks, enabled;
    std::map<int, std::vector<std::string>> items;
    std::map<int, int> selected;
};

TEST(HostInterface, SettingsDialogOfItsOwn) {
    Rig rig;
    char text[AG_OPTION_TEXT_SIZE] = "-E1 -F15 -V0 -C1";
    AG_CapRecord record{};
    record.optionText = text;
    rig.ui.onDialog = [](const EMX31_SettingsForm &f) -> bool {
        const DialogLayout layout = settingsDialogLayout(f);
        std::set<int> ids;
        std::vector<const DialogControl *> groups;
        // A drop-down list's height includes its open list; closed it is one row.
        auto rows = [](const DialogControl &c) { return c.kind == ControlKind::DropDownList ? 12 : c.height; };
        for (const auto &c : layout.controls) {
            EXPECT_TRUE(c.id < 0 || ids.insert(c.id).second) << c.id;
            EXPECT_TRUE(c.x > 0 && c.y > 0 && c.x + c.width < layout.width && c.y + rows(c) < layout.height) << c.text;
            if (c.kind == ControlKind::GroupBox) groups.push_back(&c);
        }
        EXPECT_EQ(ids, (std::set<int>{1, 2, 5000, 5002, 5007, 5015, 5020, 5021, 5022, 5026}));
        EXPECT_EQ(groups.size(), 3u);
        if (groups.size() != 3u) return false;
        EXPECT_EQ(groups[0]->text, "Target Debug Options");
        EXPECT_EQ(groups[1]->text, "Flash Download Options");
        EXPECT_EQ(groups[2]->text, "Information");
        // Every control but the buttons sits inside one group box.
        for (const auto &c : layout.controls) {
            if (c.kind == ControlKind::GroupBox || c.id <= 2) continue;
            const auto inside = std::count_if(groups.begin(), groups.end(), [&](const DialogControl *g) {
                return c.x >= g->x && c.y >= g->y && c.x + c.width <= g->x + g->width &&
                       c.y + rows(c) <= g->y + g->height;
            });
            EXPECT_EQ(inside, 1) << c.id;
        }

        FakeControls controls;
        SettingsDialogBehaviour dialog(f, controls);
        dialog.open();
        EXPECT_TRUE(controls.checks[control::Halt]);
        EXPECT_FALSE(controls.checks[control::Adapter]);
        EXPECT_EQ(controls.items[control::Maker].size(), kMakers.size());
        EXPECT_EQ(controls.items[control::Chip][std::size_t(controls.selected[control::Chip])], "AT89S52");
        EXPECT_TRUE(controls.enabled[control::ChipLabel]);
        controls.select(control::Maker, 2);
        dialog.changed(control::Maker);
        EXPECT_EQ(controls.items[control::Chip].size(), 5u);
        EXPECT_EQ(controls.selected[control::Chip], 0);
        controls.select(control::Chip, 1);
        dialog.changed(control::Chip);
        controls.setChecked(control::Adapter, true);
        dialog.changed(control::Adapter);
        for (const int id : {control::Maker, control::Chip, control::MakerLabel, control::ChipLabel})
            EXPECT_FALSE(controls.enabled[id]) << id;
        controls.setChecked(control::Halt, false);
        dialog.changed(control::Halt);
        return true;
    };
    EXPECT_EQ(rig.driver.uv3Cap(1, &record), 1u);
    EXPECT_STREQ(text, "-E0 -F16 -V2 -C1");
}

TEST(HostInterface, DefaultUiUsesInstalledHooks) {
    DefaultHostUi ui;
    static std::string seen;
    EMX31_HostHooks hooks{};
    hooks.size = sizeof hooks;
    hooks.messageBox = [](void *, const char *text, const char *, std::uint32_t) {
        seen = text;
        return EMX31_IDNO;
    };
    ui.install(&hooks);
    EXPECT_EQ(ui.messageBox("question", "EMX31 Notice", EMX31_MB_YESNO), EMX31_IDNO);
    EXPECT_EQ(seen, "question");
    // A host built before the settings-dialog hook hands a shorter record; it still counts.
    hooks.size = offsetof(EMX31_HostHooks, settingsDialog);
    ui.install(&hooks);
    EXPECT_EQ(ui.messageBox("older host", "EMX31 Notice", EMX31_MB_YESNO), EMX31_IDNO);
    EXPECT_EQ(seen, "older host");
    ui.install(nullptr);
#if !defined(_WIN32)
    // Without hooks a question takes its default answer, and texts for the output window go to
    // standard error.
    EXPECT_EQ(ui.messageBox("question", "EMX31 Notice", EMX31_MB_YESNO), EMX31_IDYES);
    ::testing::internal::CaptureStderr();
    ui.send(0, 0, AG_MSG_TEXT, reinterpret_cast<std::intptr_t>("text "));
    ui.send(0, 0, AG_MSG_DOWNLOAD, reinterpret_cast<std::intptr_t>("download "));
    ui.send(0, 0, AG_MSG_DOWNLOAD + 100, reinterpret_cast<std::intptr_t>("other"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "text download ");
#endif
}

}  // namespace
}  // namespace vantor::emx31::test
