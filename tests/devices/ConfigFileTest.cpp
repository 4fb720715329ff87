// Configuration files: the reader's checks and messages, the defaults, and the Config
// dialog's controls with their write-back.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/StringTable.h"
#include "devices/Algorithms.h"
#include "devices/ConfigDeviceForm.h"
#include "devices/ConfigFile.h"
#include "devices/Crc16.h"
#include "devices/DeviceTables.h"
#include "devices/LockoutRisks.h"
#include "support/TestDoubles.h"

using namespace vantor;
using namespace vantor::cfg;
namespace fs = std::filesystem;

namespace {

// A hex field takes its bit count and range kind where other kinds take their mask and value.
Item make(std::uint8_t kind, std::string text, std::uint8_t byte = 0, std::uint8_t mask = 0, std::uint8_t value = 0) {
    Item it;
    it.kind = kind;
    it.text = std::move(text);
    it.rect = {4, 4, 100, 20};
    it.byteIndex = byte;
    (kind == kHexField ? it.bitCount : it.mask) = mask;
    (kind == kHexField ? it.rangeKind : it.value) = value;
    return it;
}

ConfigFile fileOf(std::vector<Item> items) {
    ConfigFile f;
    f.items = std::move(items);
    f.countItems();
    return f;
}

DeviceRecord device8k() {
    DeviceRecord d;
    d.valid = 1;
    d.memory_areas[0] = {8192, 0};
    d.memory_areas[1] = {512, 8192};
    d.area_count = 2;
    std::strcpy(d.config_name, "TEST");
    return d;
}

class ConfigFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vantor-cfg-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir / "cfg");
    }
    void TearDown() override { fs::remove_all(dir); }
    void write(const std::vector<std::uint8_t> &img) {
        std::ofstream(dir / "cfg" / "TEST.cfg", std::ios::binary)
            .write(reinterpret_cast<const char *>(img.data()), long(img.size()));
    }
    // The message the dialog shows for an image, or "" when it loads.
    std::string loadMessage(const std::vector<std::uint8_t> &img) {
        write(img);
        prompt.shown.clear();
        ConfigDeviceForm model(prompt);
        const bool ok = model.open(dir / "cfg" / "TEST.cfg", device8k());
        if (ok) return "";
        EXPECT_EQ(prompt.shown.size(), 1u);
        EXPECT_EQ(prompt.shown.back().icon, Prompt::Icon::Error);
        return prompt.shown.back().text;
    }
    static void reseal(std::vector<std::uint8_t> &img) {
        img.resize(img.size() - 2);
        const auto crc = Crc16::of(img.data(), img.size());
        img.push_back(std::uint8_t(crc >> 8));
        img.push_back(std::uint8_t(crc));
    }

    fs::path dir;
    test::RecordingPrompt prompt;
};

const std::string kFormatError(loadString(sid::ConfigFileFormatError));

TEST_F(ConfigFileTest, ReaderChecksCountsLengthAndCheckWord) {
    std::vector<Item> items(300, make(kStaticText, "x"));
    auto img = encodeConfigImage(fileOf(items));
    EXPECT_EQ(loadMessage(img), "");

    items.push_back(make(kStaticText, "x"));
    ConfigFile f = fileOf(items);
    EXPECT_EQ(loadMessage(encodeConfigImage(f)), kFormatError);  // 301 items

    // A cut last byte breaks the check word even though the header is intact.
    img.pop_back();
    EXPECT_EQ(loadMessage(img), kFormatError);

    // No items at all.
    ConfigFile empty;
    EXPECT_EQ(loadMessage(encodeConfigImage(empty)), kFormatError);

    // Counts larger than the file, with a good check word.
    auto shortImg = encodeConfigImage(fileOf({make(kStaticText, "a")}));
    shortImg[36] = 2;
    reseal(shortImg);
    EXPECT_EQ(loadMessage(shortImg), kFormatError);

    // Bytes between the items and the check word are allowed.
    ConfigFile withTrailer = fileOf({make(kStaticText, "a")});
    withTrailer.trailer = {1, 2, 3};
    EXPECT_EQ(loadMessage(encodeConfigImage(withTrailer)), "");
}

TEST_F(ConfigFileTest, MissingFileGivesOpenMessage) {
    ConfigDeviceForm model(prompt);
    EXPECT_FALSE(model.open(dir / "cfg" / "NONE.cfg", device8k()));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, loadString(sid::ConfigFileOpenFailed));
    EXPECT_EQ(prompt.shown[0].icon, Prompt::Icon::Error);
}

TEST_F(ConfigFileTest, ItemsTheDialogCannotShowAreRefused) {
    auto refused = [&](Item it) { return loadMessage(encodeConfigImage(fileOf({it}))) == kFormatError; };
    EXPECT_TRUE(refused(make(9, "kind 9")));
    EXPECT_TRUE(refused(make(kCheckBox, "byte 48", 48, 1, 1)));
    EXPECT_TRUE(refused(make(kHexField, "runs past 47", 46, 24, 255)));
    EXPECT_TRUE(refused(make(kHexField, "no bits", 0, 0, 255)));
    EXPECT_TRUE(refused(make(kHexField, "33 bits", 0, 33, 255)));
    EXPECT_FALSE(refused(make(kHexField, "32 bits at 44", 44, 32, 255)));
    Item off = make(kCheckBox, "off the page", 0, 1, 1);
    off.rect = {0, 0, 199, 20};  // default page is 198 wide
    EXPECT_TRUE(refused(off));
    Item inverted = make(kCheckBox, "inverted", 0, 1, 1);
    inverted.rect = {50, 0, 10, 20};
    EXPECT_TRUE(refused(inverted));

    // A text that fills its 303 bytes without a NUL.
    auto img = encodeConfigImage(fileOf({make(kStaticText, "x")}));
    std::memset(img.data() + kHeaderSize + 1, 'A', kTextSize);
    reseal(img);
    EXPECT_EQ(loadMessage(img), kFormatError);

    // Items counted on a page past page_count, and more than ten pages.
    ConfigFile pages = fileOf({make(kStaticText, "a"), make(kStaticText, "b")});
    pages.itemCounts = {1, 1};
    pages.pageCount = 1;
    EXPECT_EQ(loadMessage(encodeConfigImage(pages)), kFormatError);
    pages.pageCount = 11;
    EXPECT_EQ(loadMessage(encodeConfigImage(pages)), kFormatError);
}

TEST_F(ConfigFileTest, DefaultsLoadOnlyFromASoundFile) {
    ConfigFile f = fileOf({make(kStaticText, "a")});
    f.defaults[0] = 0x62;
    f.defaults[16] = 0xFF;
    write(encodeConfigImage(f));
    DeviceRecord d = device8k();
    d.config_data[0] = 0x11;
    EXPECT_TRUE(LoadConfigDefaults(dir, d, prompt));
    EXPECT_EQ(d.config_data[0], 0x62);
    EXPECT_EQ(d.config_data[16], 0xFF);
    const auto factory = defaultConfiguration(dir, device8k());
    ASSERT_TRUE(factory.has_value());
    EXPECT_EQ((*factory)[0], 0x62);

    auto bad = encodeConfigImage(f);
    bad[100] ^= 1;
    write(bad);
    d.config_data[0] = 0x11;
    EXPECT_FALSE(LoadConfigDefaults(dir, d, prompt));
    EXPECT_EQ(d.config_data[0], 0x11);
    EXPECT_EQ(prompt.shown.back().text, kFormatError);

    EXPECT_FALSE(defaultConfiguration(dir, d).has_value());  // the damaged file, quietly
    // No file named: silently nothing.
    prompt.shown.clear();
    d.config_name[0] = 0;
    EXPECT_FALSE(LoadConfigDefaults(dir, d, prompt));
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_TRUE(configFilePath(dir, d).empty());
}

// ---- the dialog --------------------------------------------------------------

TEST(ConfigDeviceForm, CheckBoxWritesValueOrItsComplementWithinTheMask) {
    test::RecordingPrompt prompt;
    ConfigDeviceForm m(prompt);
    DeviceRecord d = device8k();
    d.config_data[3] = 0xF1;
    m.open(fileOf({make(kCheckBox, "c", 3, 0x03, 0x01)}), d);
    EXPECT_TRUE(m.control(0).checked);
    m.setChecked(0, false);
    ASSERT_TRUE(m.accept());
    EXPECT_EQ(m.working()[3], 0xF2);
    m.setChecked(0, true);
    ASSERT_TRUE(m.accept());
    EXPECT_EQ(m.working()[3], 0xF1);
}

TEST(ConfigDeviceForm, RadioGroupsStartAfterGroupBoxes) {
    test::RecordingPrompt prompt;
    ConfigDeviceForm m(prompt);
    DeviceRecord d = device8k();
    d.config_data[0] = 0x02;
    d.config_data[1] = 0x00;
    m.open(fileOf({make(kGroupBox, "A"), make(kRadioButton, "a0", 0, 0x03, 0x00),
                   make(kRadioButton, "a1", 0, 0x03, 0x02), make(kGroupBox, "B"),
                   make(kRadioButton, "b0", 1, 0x10, 0x00), make(kRadioButton, "b1", 1, 0x10, 0x10)}),
           d);
    EXPECT_FALSE(m.control(1).checked);
    EXPECT_TRUE(m.control(2).checked);
    EXPECT_TRUE(m.control(4).checked);
    EXPECT_NE(m.control(1).radioGroup, m.control(4).radioGroup);
    m.setChecked(5, true);  // the other group stays as it was
    EXPECT_TRUE(m.control(2).checked);
    EXPECT_FALSE(m.control(4).checked);
    m.setChecked(1, true);
    EXPECT_FALSE(m.control(2).checked);
    ASSERT_TRUE(m.accept());
    EXPECT_EQ(m.working()[0], 0x00);
    EXPECT_EQ(m.working()[1], 0x10);
}

TEST(ConfigDeviceForm, DropDownShowsMatchingEntryAndWritesItsValue) {
    test::RecordingPrompt prompt;
    ConfigDeviceForm m(prompt);
    DeviceRecord d = device8k();
    d.config_data[2] = 0x9F;
    m.open(fileOf({make(kDropDown, "list", 2, 0x30, 0x00), make(kDropEntry, "e0", 0, 0, 0x00),
                   make(kDropEntry, "e1", 0, 0, 0x10), make(kDropEntry, "e2", 0, 0, 0x20), make(kStaticText, "t"),
                   make(kDropEntry, "stray", 0, 0, 0x30), make(kDropEntry, "stray too", 0, 0, 0x30)}),
           d);
    EXPECT_EQ(m.control(0).entries.size(), 3u);  // the stray entries after a text belong to no list
    EXPECT_EQ(m.control(0).selected, 1);
    m.selectEntry(0, 2);
    ASSERT_TRUE(m.accept());
    EXPECT_EQ(m.working()[2], 0xAF);
    // Bits no entry names (a legal setting the list leaves out) select nothing, and OK keeps
    // them instead of writing the list's own value.
    d.config_data[2] = 0x36;
    ConfigDeviceForm m2(prompt);
    m2.open(m.file(), d);
    EXPECT_EQ(m2.control(0).selected, -1);
    ASSERT_TRUE(m2.accept());
    EXPECT_EQ(m2.working()[2], 0x36);
    // The same after a selection was shown: Default to unnamed bits drops it.
    cfg::ConfigFile unnamedDefaults = m.file();
    unnamedDefaults.defaults[2] = 0xB5;
    d.config_data[2] = 0x9F;
    ConfigDeviceForm m3(prompt);
    m3.open(unnamedDefaults, d);
    ASSERT_EQ(m3.control(0).selected, 1);
    m3.restoreDefaults();
    EXPECT_EQ(m3.control(0).selected, -1);
    ASSERT_TRUE(m3.accept());
    EXPECT_EQ(m3.working()[2], 0xB5);
}

TEST(ConfigDeviceForm, HexFieldDigitsRangeAndLittleEndianWrite) {
    test::RecordingPrompt prompt;
    ConfigDeviceForm m(prompt);
    DeviceRecord d = device8k();
    d.config_data[4] = 0x34;
    d.config_data[5] = 0xF2;
    m.open(fileOf({make(kHexField, "Twelve", 4, 12, kRangeAny), make(kHexField, "Address", 8, 16, 0)}), d);
    EXPECT_EQ(m.control(0).text, "234");  // masked to 12 bits, three digits
    EXPECT_FALSE(m.setHexText(0, "1234"));
    EXPECT_FALSE(m.setHexText(0, "12G"));
    EXPECT_TRUE(m.setHexText(0, "ABC"));
    EXPECT_TRUE(m.setHexText(1, "1FFF"));
    ASSERT_TRUE(m.accept());
    EXPECT_EQ(m.working()[4], 0xBC);
    EXPECT_EQ(m.working()[5], 0x0A);
    EXPECT_EQ(m.working()[8], 0xFF);
    EXPECT_EQ(m.working()[9], 0x1F);

    EXPECT_TRUE(m.setHexText(1, "2000"));
    EXPECT_TRUE(m.setHexText(0, "111"));
    EXPECT_FALSE(m.accept());
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, "Address out of range. \n\nmust be: 0H -- 1FFFH\n");
    EXPECT_EQ(prompt.shown[0].icon, Prompt::Icon::None);
    EXPECT_EQ(m.working()[4], 0x11);  // read before the refusal, kept
}

TEST(ConfigDeviceForm, RangeKindsFollowTheDeviceAreas) {
    test::RecordingPrompt prompt;
    ConfigDeviceForm m(prompt);
    DeviceRecord d = device8k();
    m.open(fileOf({make(kHexField, "r1", 0, 16, 1), make(kHexField, "r7", 4, 16, 7)}), d);
    EXPECT_TRUE(m.setHexText(0, "21FF"));
    EXPECT_TRUE(m.setHexText(1, "0"));
    EXPECT_FALSE(m.accept());  // unknown range kind: refused without a message
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(m.working()[1], 0x21);
    std::uint64_t lo, hi;
    EXPECT_TRUE(m.fieldRange(m.file().items[0], lo, hi));
    EXPECT_EQ(hi, 8192u + 512u);
}

// Ranges start at area 0's buffer address; a field of any range holds what its bits can.
TEST(ConfigDeviceForm, HexRangesAndInputOutsideTheControls) {
    test::RecordingPrompt prompt;
    DeviceRecord d = device8k();
    d.memory_areas[0] = {0x1000, 0x100};
    d.memory_areas[2] = {0x40, 0x3000};
    d.memory_areas[3] = {0x10, 0x4000};
    d.config_data[1] = d.config_data[3] = d.config_data[5] = 0x01;  // 100H: in every area's range
    d.config_data[12] = 0x78;
    d.config_data[13] = 0x56;
    d.config_data[14] = 0x34;
    d.config_data[15] = 0x92;
    ConfigDeviceForm m(prompt);
    m.open(fileOf({make(kDropEntry, "orphan", 0, 0, 1), make(kHexField, "area 0", 0, 16, 0),
                   make(kHexField, "area 2", 2, 16, 2), make(kHexField, "area 3", 4, 16, 3),
                   make(kHexField, "five bits", 6, 5, kRangeAny), make(kHexField, "word", 12, 32, kRangeAny),
                   make(kCheckBox, "c", 7, 1, 1)}),
           d);
    EXPECT_EQ(m.control(5).text, "92345678");
    EXPECT_FALSE(m.control(0).exists);
    std::uint64_t lo = 0, hi = 0;
    ASSERT_TRUE(m.fieldRange(m.file().items[1], lo, hi));
    EXPECT_EQ(lo, 0x100u);
    EXPECT_EQ(hi, 0x1000u);
    ASSERT_TRUE(m.fieldRange(m.file().items[2], lo, hi));
    EXPECT_EQ(hi, 0x3040u);
    ASSERT_TRUE(m.fieldRange(m.file().items[3], lo, hi));
    EXPECT_EQ(hi, 0x4010u);
    ASSERT_TRUE(m.fieldRange(m.file().items[4], lo, hi));
    EXPECT_EQ(lo, 0u);
    EXPECT_EQ(hi, 32u);

    auto accepts = [&](std::size_t item, const char *text) {
        EXPECT_TRUE(m.setHexText(item, text)) << text;
        const bool ok = m.accept();
        EXPECT_TRUE(m.setHexText(item, item == 4 ? "0" : "100"));
        return ok;
    };
    EXPECT_TRUE(accepts(1, "100"));
    EXPECT_FALSE(accepts(1, "ff"));
    EXPECT_EQ(prompt.shown.back().text, "area 0 out of range. \n\nmust be: 100H -- FFFH\n");
    EXPECT_TRUE(accepts(2, "303f"));
    EXPECT_FALSE(accepts(2, "3040"));
    EXPECT_TRUE(accepts(3, "400F"));
    EXPECT_FALSE(accepts(3, "4010"));
    EXPECT_TRUE(accepts(4, "1f"));
    EXPECT_FALSE(accepts(4, "20"));
    ASSERT_TRUE(m.setHexText(5, "fedcba98"));
    ASSERT_TRUE(m.accept());
    EXPECT_EQ(m.working()[12], 0x98);
    EXPECT_EQ(m.working()[15], 0xFE);
    EXPECT_EQ(ConfigDeviceForm::hexValue("09afAF"), 0x09AFAFu);

    // Input aimed at the wrong control, or at none, changes nothing.
    EXPECT_FALSE(m.setHexText(6, "1"));
    EXPECT_FALSE(m.setHexText(7, "1"));
    m.setChecked(7, true);
    m.selectEntry(6, 0);
    m.setChecked(6, true);
    m.setChecked(6, false);
    EXPECT_FALSE(m.control(6).checked);
}

TEST(ConfigDeviceForm, DefaultRestoresFileDefaultsAndCancelLeavesTheDevice) {
    test::RecordingPrompt prompt;
    ConfigFile f = fileOf({make(kCheckBox, "c", 0, 0x80, 0x00)});
    f.defaults[0] = 0x62;
    DeviceRecord d = device8k();
    d.config_data[0] = 0xE2;
    ConfigDeviceForm m(prompt);
    m.open(f, d);
    EXPECT_FALSE(m.control(0).checked);
    m.restoreDefaults();
    EXPECT_TRUE(m.control(0).checked);
    EXPECT_EQ(m.working()[0], 0x62);
    EXPECT_EQ(d.config_data[0], 0xE2);  // the dialog works on a copy
}

// ---- lock-out rules -------------------------------------------------------------

// Fuse check boxes, a clock list, lock modes, a decoy of a similar name and a control in a
// byte that no operation sends.
ConfigFile avrLockoutFile() {
    ConfigFile f = fileOf({
        make(kCheckBox, "RSTDISBL: external reset disabled", 1, 0x80, 0x00),                  // 0
        make(kCheckBox, "SPIEN: serial programming enabled", 1, 0x20, 0x00),                  // 1
        make(kDropDown, "CKSEL/SUT", 0, 0x0F, 0x00),                                          // 2
        make(kDropEntry, "Internal 8 MHz", 0, 0, 0x02),                                       // 3
        make(kDropEntry, "External crystal", 0, 0, 0x0F),                                     // 4
        make(kGroupBox, "Lock"),                                                              // 5
        make(kRadioButton, "Mode 1: no lock", 16, 0x03, 0x03),                                // 6
        make(kRadioButton, "Mode 3: programming and verification disabled", 16, 0x03, 0x00),  // 7
        make(kStaticText, "RSTDISBL is explained here", 1),                                   // 8
        make(kCheckBox, "RSTDISBLX: not the fuse", 1, 0x40, 0x00),                            // 9
        make(kCheckBox, "DWEN", 40, 0x01, 0x00),                                              // 10
        make(kCheckBox, "Mode 2: verification disabled", 18, 0x01, 0x00),                     // 11
        make(kDropDown, "Mode (boot section)", 17, 0x03, 0x00),                               // 12
        make(kDropEntry, "Mode 1: no lock", 0, 0, 0x03),                                      // 13
        make(kDropEntry, "Mode 3: programming and verification disabled", 0, 0, 0x00),        // 14
    });
    f.defaults[0] = 0x02;
    f.defaults[1] = 0xD9;
    f.defaults[16] = 0xFF;
    f.defaults[17] = f.defaults[18] = f.defaults[40] = 0xFF;
    return f;
}

std::vector<std::string> bitsOf(const std::vector<LockoutRisk> &risks) {
    std::vector<std::string> out;
    for (const auto &r : risks) out.push_back(r.bit);
    return out;
}

TEST_F(ConfigFileTest, LockoutRulesMarkOnlyTheDangerousChoicesOfTheirFamily) {
    const ConfigFile f = avrLockoutFile();
    DeviceRecord avr = device8k();
    avr.algorithm = algo::kAvrSerial;
    std::vector<std::size_t> marked;
    for (std::size_t i = 0; i <= f.items.size(); ++i)
        if (lockoutRule(f, i, avr)) marked.push_back(i);
    EXPECT_EQ(marked, (std::vector<std::size_t>{0, 1, 2, 7, 10, 12}));
    EXPECT_TRUE(lockoutReadOnly(*lockoutRule(f, 1, avr)));
    EXPECT_FALSE(lockoutReadOnly(*lockoutRule(f, 0, avr)));
    EXPECT_NE(lockoutConsequence(*lockoutRule(f, 0, avr)).find("RESET pin"), std::string_view::npos);

    // The 8051 rule takes any choice in the lock bytes 16..31, whatever its name; other
    // algorithms have no rules.
    const ConfigFile locks = fileOf({make(kCheckBox, "Lock 15", 15, 1, 0), make(kCheckBox, "Lock 16", 16, 1, 0),
                                     make(kRadioButton, "Lock 31", 31, 1, 0), make(kCheckBox, "Lock 32", 32, 1, 0)});
    for (std::uint8_t a : {algo::kMcs51Parallel, algo::kMcs51Stc, std::uint8_t(algo::kMcs51Parallel - 1),
                           std::uint8_t(algo::kMcs51Stc + 1), algo::kPic14}) {
        SCOPED_TRACE(int(a));
        DeviceRecord d = device8k();
        d.algorithm = a;
        const bool mcs51 = a >= algo::kMcs51Parallel && a <= algo::kMcs51Stc;
        EXPECT_EQ(lockoutRule(locks, 0, d), nullptr);
        EXPECT_EQ(lockoutRule(locks, 1, d) != nullptr, mcs51);
        EXPECT_EQ(lockoutRule(locks, 2, d) != nullptr, mcs51);
        EXPECT_EQ(lockoutRule(locks, 3, d), nullptr);
        for (std::size_t i = 0; i < f.items.size(); ++i)
            EXPECT_TRUE(f.items[i].byteIndex >= 16 || !lockoutRule(f, i, d)) << i;
    }
}

TEST_F(ConfigFileTest, LockoutRisksAreChangesFromTheFactoryThatTheOperationsWrite) {
    const ConfigFile f = avrLockoutFile();
    DeviceRecord avr = device8k();
    avr.algorithm = algo::kAvrSerial;
    EXPECT_TRUE(lockoutRisks(f, avr, f.defaults).empty());
    auto config = f.defaults;
    config[0] = 0x12;  // bits outside the list's mask are no choice
    EXPECT_TRUE(lockoutRisks(f, avr, config).empty());

    config[0] = 0x05;   // a clock code the list does not name
    config[1] = 0x79;   // RSTDISBL ticked, SPIEN cleared, the decoy as it was
    config[16] = 0xFC;  // Mode 3
    config[40] = 0xFE;  // DWEN, in a byte nothing sends
    const auto risks = lockoutRisks(f, avr, config);
    ASSERT_EQ(bitsOf(risks), (std::vector<std::string>{"RSTDISBL", "SPIEN", "CKSEL/SUT", "Mode", "DWEN"}));
    EXPECT_EQ(risks[0].choice, "[x] RSTDISBL: external reset disabled");
    EXPECT_EQ(risks[1].choice, "[ ] SPIEN: serial programming enabled");
    EXPECT_EQ(risks[2].choice, "CKSEL/SUT = a code the list does not name");
    EXPECT_EQ(risks[3].choice, "(*) Mode 3: programming and verification disabled");
    EXPECT_EQ(risks[3].item, 7u);
    EXPECT_EQ(risks[3].byteIndex, 16);
    EXPECT_TRUE(lockoutRisks(f, avr, std::span(config).first(std::size_t(kConfigDataSize) - 1)).empty());
    config[0] = 0xFF;  // the list's own bits name the entry
    EXPECT_EQ(lockoutRisks(f, avr, config)[2].choice, "CKSEL/SUT = External crystal");

    // A lock mode list is a risk where the entry chosen says so; a clock changed to an internal
    // one is none.
    ConfigFile external = f;
    external.defaults[0] = 0x0F;
    auto other = external.defaults;
    other[0] = 0x02;
    other[17] = 0xFE;  // a code the list does not name
    EXPECT_TRUE(lockoutRisks(external, avr, other).empty());
    other[17] = 0xFC;
    other[18] = 0xFE;
    const auto mode = lockoutRisks(external, avr, other);
    ASSERT_EQ(mode.size(), 1u);
    EXPECT_EQ(mode[0].choice, "Mode (boot section) = Mode 3: programming and verification disabled");

    const std::string text = describeRisks(risks);
    EXPECT_EQ(text.rfind("[x] RSTDISBL: external reset disabled\n    The RESET pin becomes", 0), 0u) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 10);
    EXPECT_EQ(text.back(), '\n');

    // Fuse and configuration writes send bytes 0..15, Protect 16..31; an Auto list ends at 0xFF.
    using Ops = std::vector<std::uint8_t>;
    const std::vector<std::string> fuses{"RSTDISBL", "SPIEN", "CKSEL/SUT"}, lock{"Mode"};
    EXPECT_EQ(bitsOf(risksWritten(risks, Ops{kOpWriteFuse, kEndOfList})), fuses);
    EXPECT_EQ(bitsOf(risksWritten(risks, Ops{kOpWriteConfig})), fuses);
    EXPECT_EQ(bitsOf(risksWritten(risks, Ops{kOpProtect})), lock);
    EXPECT_EQ(bitsOf(risksWritten(risks, Ops{kOpErase, kOpProtect2})), lock);
    EXPECT_EQ(bitsOf(risksWritten(risks, Ops{kOpErase, kOpProtect, kOpWriteFuse})),
              (std::vector<std::string>{"RSTDISBL", "SPIEN", "CKSEL/SUT", "Mode"}));
    EXPECT_TRUE(risksWritten(risks, Ops{kEndOfList, kOpWriteFuse, kOpProtect}).empty());
    EXPECT_TRUE(risksWritten(risks, Ops{kOpErase}).empty());

    // As the engine asks for the selected device: from its file, and nothing without one.
    std::copy(config.begin(), config.end(), avr.config_data);
    write(encodeConfigImage(f));
    EXPECT_EQ(bitsOf(lockoutRisksOf(dir, avr, Ops{kOpProtect})), lock);
    auto damaged = encodeConfigImage(f);
    damaged[kHeaderSize + 5] ^= 1;
    write(damaged);
    EXPECT_TRUE(lockoutRisksOf(dir, avr, Ops{kOpProtect}).empty());
}

// Code protection is a risk in either direction; clearing LVP only through the low-voltage adapter.
TEST_F(ConfigFileTest, PicCodeProtectionAndLowVoltageEntry) {
    ConfigFile f =
        fileOf({make(kCheckBox, "LVP: low-voltage programming", 0, 0x80, 0x80),
                make(kDropDown, "CP (bits 4-5): code protection", 1, 0x30, 0x00), make(kDropEntry, "Off", 0, 0, 0x30),
                make(kDropEntry, "All", 0, 0, 0x00), make(kCheckBox, "CPD: data protected", 2, 0x01, 0x00)});
    f.defaults[0] = 0xFF;
    f.defaults[1] = 0xFF;
    f.defaults[2] = 0xFE;
    DeviceRecord pic = device8k();
    pic.algorithm = algo::kPic12;
    pic.adapter_index = 5;  // ISP_PIC
    auto config = f.defaults;
    config[0] = 0x7F;
    config[1] = 0xCF;
    config[2] = 0xFF;
    const auto risks = lockoutRisks(f, pic, config);
    EXPECT_EQ(bitsOf(risks), (std::vector<std::string>{"LVP", "CP", "CPD"}));
    ASSERT_EQ(risks.size(), 3u);
    EXPECT_EQ(risks[0].choice, "[ ] LVP: low-voltage programming");
    EXPECT_EQ(risks[1].choice, "CP (bits 4-5): code protection = All");
    EXPECT_EQ(risks[2].choice, "[ ] CPD: data protected");
    pic.adapter_index = 6;  // ISP_PIC_HV
    EXPECT_EQ(bitsOf(lockoutRisks(f, pic, config)), (std::vector<std::string>{"CP", "CPD"}));
}

// The Config dialog shows SPIEN but never changes it, and warns about what OK would write.
TEST(ConfigDeviceForm, ReadOnlyControlsAndTheChoicesOkWouldWrite) {
    test::RecordingPrompt prompt;
    DeviceRecord avr = device8k();
    avr.algorithm = algo::kAvrSerial;
    const ConfigFile f = avrLockoutFile();
    std::copy(f.defaults.begin(), f.defaults.end(), avr.config_data);
    ConfigDeviceForm m(prompt);
    m.open(f, avr);
    EXPECT_TRUE(m.isReadOnly(1));
    EXPECT_FALSE(m.isReadOnly(0));
    EXPECT_FALSE(m.isReadOnly(3));
    ASSERT_TRUE(m.control(1).checked);
    m.setChecked(1, false);
    EXPECT_TRUE(m.control(1).checked);
    m.setChecked(0, true);
    m.selectEntry(2, 1);
    m.selectEntry(2, 2);  // no such entry: the selection stays
    EXPECT_EQ(m.control(2).selected, 1);
    const auto applied = m.choicesApplied();
    EXPECT_EQ(applied[0], 0x0F);
    EXPECT_EQ(applied[1], 0x59);
    EXPECT_EQ(m.working()[1], 0xD9);  // not written before OK
    EXPECT_EQ(bitsOf(lockoutRisks(f, avr, applied)), (std::vector<std::string>{"RSTDISBL", "CKSEL/SUT"}));
    ASSERT_TRUE(m.accept());
    EXPECT_EQ(m.working(), applied);
}

}  // namespace
