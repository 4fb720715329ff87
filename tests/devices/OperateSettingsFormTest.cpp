// The Operate Settings dialog: what it offers for a device and its OK rules.
#include <gtest/gtest.h>

#include <cstring>

#include "core/StringTable.h"
#include "devices/OperateSettingsForm.h"
#include "support/TestDoubles.h"

using namespace vantor;

namespace {

DeviceRecord twoAreaDevice(std::uint16_t vendor = 95) {
    DeviceRecord d;
    d.valid = 1;
    d.vendor_index = vendor;
    d.device_type = 0;
    d.device_id[0] = 0xDA;
    d.option_flags = kOptionIgnoreFF;
    d.memory_areas[0] = {0x10000, 0};
    d.memory_areas[1] = {0x1000, 0x10000};
    d.area_count = 2;
    const std::uint8_t ops[] = {12, 3, 0, 2, 8};
    std::memset(d.auto_operations, kEndOfList, 16);
    std::memcpy(d.auto_operations, ops, sizeof ops);
    return d;
}

struct Items {
    std::uint8_t v[16];
    Items(std::initializer_list<std::uint8_t> l) {
        std::memset(v, kEndOfList, 16);
        std::copy(l.begin(), l.end(), v);
    }
};

TEST(OperateSettingsForm, EntriesFollowTheDeviceAutoListAndOkKeepsItsOrder) {
    DeviceRecord d = twoAreaDevice();
    OptionsRecord o;
    Items items{2, 0, 12};  // any order in the old list
    OperateSettingsForm m(d, o, items.v, true);
    ASSERT_EQ(m.autoEntries.size(), 5u);
    EXPECT_EQ(m.autoEntries[0].name, "Erase      ");
    EXPECT_TRUE(m.autoEntries[0].checked);
    EXPECT_FALSE(m.autoEntries[1].checked);
    m.autoEntries[4].checked = true;
    test::RecordingPrompt prompt;
    ASSERT_TRUE(m.accept(prompt, o, items.v));
    const std::uint8_t expected[] = {12, 0, 2, 8, kEndOfList};
    EXPECT_EQ(0, std::memcmp(items.v, expected, sizeof expected));
}

TEST(OperateSettingsForm, EmptyAutoListIsRefusedAndNothingChanges) {
    DeviceRecord d = twoAreaDevice();
    OptionsRecord o;
    o.Sound = 1;
    Items items{0};
    OperateSettingsForm m(d, o, items.v, true);
    for (auto &e : m.autoEntries) e.checked = false;
    m.sound = false;
    test::RecordingPrompt prompt;
    EXPECT_FALSE(m.accept(prompt, o, items.v));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, loadString(sid::AutoProgramItemEmpty));
    EXPECT_EQ(prompt.shown[0].icon, Prompt::Icon::None);
    EXPECT_EQ(o.Sound, 1);
    EXPECT_EQ(items.v[0], 0);
}

TEST(OperateSettingsForm, DisabledBoxesAndAutoReloadRules) {
    DeviceRecord d = twoAreaDevice();
    d.device_id[0] = 0;
    d.option_flags = 0;
    OptionsRecord o;
    o.ChkDevID = 1;
    o.IngoreFFH = 1;
    o.AutoReload = 1;
    Items items{0};
    OperateSettingsForm m(d, o, items.v, false);
    EXPECT_FALSE(m.checkIdEnabled());
    EXPECT_FALSE(m.checkId);
    EXPECT_FALSE(m.ignoreFFEnabled());
    m.checkId = false;
    m.autoReload = false;  // no file loaded: no effect
    test::RecordingPrompt prompt;
    ASSERT_TRUE(m.accept(prompt, o, items.v));
    EXPECT_EQ(o.ChkDevID, 1);
    EXPECT_EQ(o.IngoreFFH, 0);
    EXPECT_EQ(o.AutoReload, 1);

    OperateSettingsForm loaded(d, o, items.v, true);
    loaded.autoReload = false;
    ASSERT_TRUE(loaded.accept(prompt, o, items.v));
    EXPECT_EQ(o.AutoReload, 0);

    // Enabled boxes start from the options and OK writes each back, either way.
    const DeviceRecord full = twoAreaDevice();
    for (const bool on : {true, false}) {
        SCOPED_TRACE(on);
        o.ChkDevID = o.IngoreFFH = o.AutoReload = o.pinContact = on;
        o.Sound = !on;
        OperateSettingsForm boxes(full, o, items.v, true);
        EXPECT_TRUE(boxes.checkIdEnabled() && boxes.ignoreFFEnabled());
        EXPECT_EQ(boxes.checkId, on);
        EXPECT_EQ(boxes.ignoreFF, on);
        EXPECT_EQ(boxes.autoReload, on);
        EXPECT_EQ(boxes.pinContact, on);
        EXPECT_EQ(boxes.sound, !on);
        boxes.checkId = boxes.ignoreFF = boxes.autoReload = boxes.pinContact = !on;
        boxes.sound = on;
        ASSERT_TRUE(boxes.accept(prompt, o, items.v));
        EXPECT_EQ(o.ChkDevID, !on);
        EXPECT_EQ(o.IngoreFFH, !on);
        EXPECT_EQ(o.AutoReload, !on);
        EXPECT_EQ(o.pinContact, !on);
        EXPECT_EQ(o.Sound, on);
    }
}

TEST(OperateSettingsForm, ProgramRangeButtonsAndMaskRules) {
    DeviceRecord d = twoAreaDevice(95);
    OptionsRecord o;
    o.areaMask = 3;
    Items items{0};
    OperateSettingsForm m(d, o, items.v, true);
    ASSERT_TRUE(m.rangeShown());
    EXPECT_EQ(m.rangeButton, 2);
    EXPECT_EQ(m.rangeCaption(0), "FLASH EEPROM (APROM)");
    EXPECT_EQ(m.rangeCaption(1), "FLASH EEPROM (LDROM)");
    EXPECT_EQ(m.rangeCaption(2), "FLASH EEPROM (APROM) + FLASH EEPROM (LDROM)");
    m.rangeButton = 1;
    test::RecordingPrompt prompt;
    ASSERT_TRUE(m.accept(prompt, o, items.v));
    EXPECT_EQ(o.areaMask, 2u);
    // Each stored mask selects its button, and each button stores its mask ("both areas": 3).
    for (auto [mask, button] : {std::pair{1u, 0}, std::pair{2u, 1}, std::pair{3u, 2}}) {
        o.areaMask = mask == 1 ? 2 : 1;
        OperateSettingsForm chosen(d, o, items.v, true);
        chosen.rangeButton = button;
        ASSERT_TRUE(chosen.accept(prompt, o, items.v));
        EXPECT_EQ(o.areaMask, mask);
        EXPECT_EQ(OperateSettingsForm(d, o, items.v, true).rangeButton, button);
    }
    m.rangeButton = 3;  // no such button: the mask stays
    ASSERT_TRUE(m.accept(prompt, o, items.v));
    EXPECT_EQ(o.areaMask, 3u);

    DeviceRecord one = d;
    one.memory_areas[1] = {};
    one.area_count = 1;
    o.areaMask = 3;
    OperateSettingsForm single(one, o, items.v, true);
    EXPECT_FALSE(single.rangeShown());
    ASSERT_TRUE(single.accept(prompt, o, items.v));
    EXPECT_EQ(o.areaMask, 1u);
    o.areaMask = 2;
    OperateSettingsForm keep(one, o, items.v, true);
    ASSERT_TRUE(keep.accept(prompt, o, items.v));
    EXPECT_EQ(o.areaMask, 2u);
}

}  // namespace
