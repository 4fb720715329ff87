// The Select Device dialog and the history menus, over a library built for the test.
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/Profile.h"
#include "core/StringTable.h"
#include "devices/LibraryFormat.h"
#include "devices/SelectDeviceForm.h"
#include "support/TestDoubles.h"

using namespace vantor;
namespace fs = std::filesystem;

namespace {

devlib::LibraryRecord rec(std::string name, std::uint16_t vendor, std::uint8_t type) {
    devlib::LibraryRecord r;
    r.device_name = std::move(name);
    r.vendor_index = vendor;
    r.device_type = type;
    r.memory_areas[0] = {4096, 0};
    r.adapter_index = 51;
    return r;
}

class SelectDeviceFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vantor-select-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        library.setLibraryDirectory(dir);
        library.SetLibraryFile("TR610.dev");
        build({rec("AT89S52", 10, 0), rec("AT89S51", 10, 0), rec("AT24C02", 10, 3), rec("SST89E516RD", 82, 0),
               rec("W78E58B", 95, 0), rec("at89lp", 10, 0), rec("27C256", 5, 2)});
    }
    void TearDown() override { fs::remove_all(dir); }
    void build(const std::vector<devlib::LibraryRecord> &records) {
        const auto img = devlib::buildLibrary("TR610.dev", records);
        std::ofstream(dir / "TR610.dev", std::ios::binary)
            .write(reinterpret_cast<const char *>(img.data()), long(img.size()));
    }

    fs::path dir;
    test::RecordingPrompt prompt;
    DeviceLibrary library{prompt};
    MemoryProfile profile;
};

TEST_F(SelectDeviceFormTest, OpensAtStoredPositionsOrTheFirstEntries) {
    EXPECT_EQ(SelectDeviceForm::typeLabel(0), "All");
    EXPECT_EQ(SelectDeviceForm::typeLabel(SelectDeviceForm::kTypeButtons - 1), "SRAM/DRAM");
    EXPECT_EQ(SelectDeviceForm::typeLabel(SelectDeviceForm::kTypeButtons), "");
    EXPECT_EQ(SelectDeviceForm::typeLabel(-1), "");
    EXPECT_TRUE(SelectDeviceForm::typeEnabled(1));
    EXPECT_FALSE(SelectDeviceForm::typeEnabled(2));
    SelectDeviceForm m(library, profile);
    ASSERT_TRUE(m.open());
    EXPECT_EQ(m.vendors(), (std::vector<std::string>{"AMD", "ATMEL", "SST", "WINBOND"}));
    EXPECT_EQ(m.vendorPosition(), 0);
    EXPECT_EQ(m.devices(), (std::vector<std::string>{"27C256"}));

    profile.writeInt("Device", "Vendor", 1);
    profile.writeInt("Device", "Code", 2);
    SelectDeviceForm again(library, profile);
    ASSERT_TRUE(again.open());
    EXPECT_EQ(again.selectedVendorIndex(), 10);
    EXPECT_EQ(again.devices(), (std::vector<std::string>{"AT24C02", "AT89S51", "AT89S52", "at89lp"}));
    EXPECT_EQ(again.devicePosition(), 2);

    profile.writeInt("Device", "Vendor", 9);
    profile.writeInt("Device", "Code", 9);
    SelectDeviceForm beyond(library, profile);
    ASSERT_TRUE(beyond.open());
    EXPECT_EQ(beyond.vendorPosition(), 0);
    EXPECT_EQ(beyond.devicePosition(), 0);

    // The last stored positions are still in the lists; a stored type past the buttons is the last.
    profile.writeInt("Device", "Vendor", 3);
    profile.writeInt("Device", "Code", 0);
    profile.writeInt("Device", "Type", 9);
    SelectDeviceForm last(library, profile);
    ASSERT_TRUE(last.open());
    EXPECT_EQ(last.typeFilter(), SelectDeviceForm::kTypeButtons - 1);
    EXPECT_TRUE(last.vendors().empty());
    EXPECT_EQ(last.emptyHint(), "No device of the type SRAM/DRAM. Shorten the search text or choose the type All.");
    last.setFilter(0, "");
    EXPECT_EQ(last.vendors()[std::size_t(last.vendorPosition())], "AMD");
    profile.writeInt("Device", "Type", 0);
    profile.writeInt("Device", "Vendor", 1);
    profile.writeInt("Device", "Code", 3);
    ASSERT_TRUE(last.open());
    EXPECT_EQ(last.vendors()[std::size_t(last.vendorPosition())], "ATMEL");
    EXPECT_EQ(last.devices()[std::size_t(last.devicePosition())], "at89lp");
}

TEST_F(SelectDeviceFormTest, OpensAtTheCurrentDeviceWhenTheFilterShowsIt) {
    profile.writeInt("Device", "Vendor", 0);
    profile.writeInt("Device", "Code", 0);
    DeviceRecord current;
    current.valid = 1;
    current.vendor_index = 82;
    std::strcpy(current.device_name, "SST89E516RD");
    SelectDeviceForm m(library, profile);
    ASSERT_TRUE(m.open(&current));
    EXPECT_EQ(m.vendors()[std::size_t(m.vendorPosition())], "SST");
    EXPECT_EQ(m.devices()[std::size_t(m.devicePosition())], "SST89E516RD");

    // A device no longer in the library, or none selected: the stored positions.
    std::strcpy(current.device_name, "SST39SF040");
    ASSERT_TRUE(m.open(&current));
    EXPECT_EQ(m.vendors()[std::size_t(m.vendorPosition())], "AMD");
    std::strcpy(current.device_name, "SST89E516RD");
    current.valid = 0;
    ASSERT_TRUE(m.open(&current));
    EXPECT_EQ(m.vendors()[std::size_t(m.vendorPosition())], "AMD");
    current.valid = 1;

    // Hidden by the stored search: the stored positions, and a hint when nothing is left.
    profile.writeString("Device", "Search", "W78");
    SelectDeviceForm filtered(library, profile);
    ASSERT_TRUE(filtered.open(&current));
    EXPECT_EQ(filtered.devices()[std::size_t(filtered.devicePosition())], "W78E58B");
    EXPECT_EQ(filtered.emptyHint(), "");
    filtered.setFilter(3, "zz");
    EXPECT_EQ(
        filtered.emptyHint(),
        "No device of the type EPROM/PROM has \"zz\" in its name. Shorten the search text or choose the type All.");
    filtered.setFilter(0, "zz");
    EXPECT_EQ(filtered.emptyHint(),
              "No device has \"zz\" in its name. Shorten the search text or choose the type All.");
    EXPECT_EQ(filtered.vendorPosition(), -1);
    EXPECT_EQ(filtered.devicePosition(), -1);
    EXPECT_EQ(filtered.selectedVendorIndex(), -1);
}

TEST_F(SelectDeviceFormTest, SearchIsCaseBlindAndKeepsTheSelectionWhileItPasses) {
    SelectDeviceForm m(library, profile);
    ASSERT_TRUE(m.open());
    m.selectVendor(1);  // ATMEL
    EXPECT_EQ(m.devicePosition(), 0);
    m.selectDevice(2);  // AT89S52
    m.selectDevice(4);  // past the list: ignored
    m.selectDevice(-1);
    m.selectVendor(4);
    m.selectVendor(-1);
    EXPECT_EQ(m.selectedVendorIndex(), 10);
    EXPECT_EQ(m.devicePosition(), 2);
    m.setFilter(0, "89s5");
    EXPECT_EQ(m.vendors(), (std::vector<std::string>{"ATMEL"}));
    EXPECT_EQ(m.devices()[std::size_t(m.devicePosition())], "AT89S52");
    m.setFilter(0, "AT89L");  // lower-case name found by an upper-case search
    EXPECT_EQ(m.devices(), (std::vector<std::string>{"at89lp"}));
    m.setFilter(1, "8");  // MCU/MPU: each vendor once, however many devices pass
    EXPECT_EQ(m.vendors(), (std::vector<std::string>{"ATMEL", "SST", "WINBOND"}));
    EXPECT_EQ(m.devices()[std::size_t(m.devicePosition())], "at89lp");  // still passes: kept

    m.setFilter(1, "24C");  // a serial EEPROM under the MCU filter: nothing
    EXPECT_TRUE(m.vendors().empty());
    EXPECT_TRUE(m.devices().empty());
    DeviceRecord r;
    EXPECT_FALSE(m.accept(r));
    EXPECT_FALSE(profile.contains("Device", "Type"));
}

TEST_F(SelectDeviceFormTest, OkFindsTheDeviceAndStoresPositions) {
    SelectDeviceForm m(library, profile);
    ASSERT_TRUE(m.open());
    m.setFilter(0, "w78");
    DeviceRecord r;
    ASSERT_TRUE(m.accept(r));
    EXPECT_STREQ(r.device_name, "W78E58B");
    EXPECT_EQ(r.vendor_index, 95);
    EXPECT_EQ(profile.readString("Device", "Search", "?"), "w78");
    EXPECT_EQ(profile.readInt("Device", "Vendor", -1), 0);

    m.setFilter(1, "");  // MCU/MPU: AMD has none, ATMEL's AT24C02 is none
    m.selectVendor(1);
    m.selectVendor(0);
    m.selectDevice(2);
    ASSERT_TRUE(m.accept(r));
    EXPECT_STREQ(r.device_name, "at89lp");
    EXPECT_EQ(profile.readInt("Device", "Vendor", -1), 0);
    EXPECT_EQ(profile.readInt("Device", "Code", -1), 2);
    EXPECT_EQ(profile.readInt("Device", "Type", -1), 1);
}

TEST_F(SelectDeviceFormTest, BrokenLibraryClosesTheDialog) {
    std::ofstream(dir / "TR610.dev", std::ios::binary) << "junk";
    SelectDeviceForm m(library, profile);
    EXPECT_FALSE(m.open());
    EXPECT_EQ(prompt.shown.size(), 1u);
}

TEST_F(SelectDeviceFormTest, HistoryMenusAndSelection) {
    auto items = historyMenuItems({{10, "AT89S51"}});
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].text, loadString(sid::HistoryDevice));
    EXPECT_EQ(items[0].entry, 0);

    std::vector<DeviceHistoryEntry> h = {
        {10, "AT89S51"}, {95, "W78E58B"}, {10, "AT89S52"}, {82, "SST89E516RD"}, {10, "GONE"}};
    items = historyMenuItems(h);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].text, "&1 WINBOND - W78E58B");
    EXPECT_EQ(items[0].entry, 1);
    EXPECT_EQ(items[3].text, "&4 ATMEL - GONE");
    EXPECT_EQ(items[3].entry, 4);

    DeviceRecord r;
    EXPECT_TRUE(SelectFromHistory(library, h, 3, r));
    EXPECT_STREQ(r.device_name, "SST89E516RD");
    EXPECT_FALSE(SelectFromHistory(library, h, 4, r));  // no longer in the library
    EXPECT_FALSE(SelectFromHistory(library, h, 5, r));
    EXPECT_FALSE(SelectFromHistory(library, h, -1, r));
    EXPECT_TRUE(SelectFromHistory(library, h, 0, r));
    EXPECT_STREQ(r.device_name, "AT89S51");
    h[0].vendorIndex = 0x1000A;  // a vendor number no library holds, not vendor 10
    EXPECT_FALSE(SelectFromHistory(library, h, 0, r));

    // Two entries give one menu item; the menus hold four at most.
    EXPECT_EQ(historyMenuItems({h.begin(), h.begin() + 2}).size(), 1u);
    h.push_back({10, "AT89S52"});
    EXPECT_EQ(historyMenuItems(h).size(), 4u);
}

// Opening loads the index once and sorts; twenty thousand devices open well within a blink.
TEST_F(SelectDeviceFormTest, OpensTwentyThousandDevicesQuickly) {
    std::vector<devlib::LibraryRecord> many;
    for (int i = 0; i < 20000; ++i)
        many.push_back(rec("DEV" + std::to_string(i), std::uint16_t(i % 101), std::uint8_t(i % 6)));
    build(many);
    SelectDeviceForm m(library, profile);
    ASSERT_TRUE(m.open());
    EXPECT_EQ(m.indexSize(), 20000u);
    EXPECT_EQ(m.vendors().size(), 101u);
}

}  // namespace
