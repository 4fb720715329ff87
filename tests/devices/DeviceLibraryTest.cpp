#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "devices/Crc16.h"
#include "devices/DeviceLibrary.h"
#include "devices/DeviceSearch.h"
#include "devices/DeviceTables.h"
#include "devices/LibraryFormat.h"
#include "support/TestDoubles.h"

using namespace vantor;
namespace fs = std::filesystem;

namespace {

devlib::LibraryRecord makeRecord(std::string name, std::uint16_t vendor, std::uint32_t flags = 0xF) {
    devlib::LibraryRecord r;
    r.device_name = std::move(name);
    r.vendor_index = vendor;
    r.operation_flags = flags;
    r.memory_areas[0] = {8192, 0};
    r.adapter_index = 51;
    r.pin_count = 40;
    return r;
}

class DeviceLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("vantor-devlib-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        library.setLibraryDirectory(dir);
        library.SetLibraryFile("TR610.dev");
    }
    void TearDown() override { fs::remove_all(dir); }

    void write(const std::vector<std::uint8_t> &image, const std::string &file = "TR610.dev") {
        std::ofstream(dir / file, std::ios::binary)
            .write(reinterpret_cast<const char *>(image.data()), long(image.size()));
    }
    // Rewrites the check word after a deliberate change to the body.
    static void reseal(std::vector<std::uint8_t> &image) {
        const auto n = image.size() - 2;
        const auto crc = Crc16::of(image.data(), n);
        image[n] = std::uint8_t(crc >> 8);
        image[n + 1] = std::uint8_t(crc);
    }

    fs::path dir;
    test::RecordingPrompt prompt;
    DeviceLibrary library{prompt};
};

TEST(Crc16, MatchesXmodemCheckValueAndSealsToZero) {
    const std::uint8_t text[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc16::of(text, 9), 0x31C3);
    const std::uint8_t sealed[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9', 0x31, 0xC3};
    EXPECT_EQ(Crc16::of(sealed, sizeof sealed), 0);
}

// Eight bytes per step must give what one byte per step gives, at every length and start.
TEST(Crc16, SlicedStepsAgreeWithTheBytewiseDefinition) {
    std::vector<std::uint8_t> data(300);
    std::uint32_t x = 12345;
    for (auto &b : data) b = std::uint8_t((x = x * 1103515245u + 12345u) >> 16);
    auto bytewise = [](const std::uint8_t *p, std::size_t n) {
        std::uint16_t r = 0;
        for (std::size_t i = 0; i < n; ++i) {
            r ^= std::uint16_t(p[i] << 8);
            for (int b = 0; b < 8; ++b) r = (r & 0x8000) ? std::uint16_t((r << 1) ^ 0x1021) : std::uint16_t(r << 1);
        }
        return r;
    };
    for (std::size_t start : {0, 1, 3, 7})
        for (std::size_t n = 0; n + start <= data.size(); n += 13)
            ASSERT_EQ(Crc16::of(data.data() + start, n), bytewise(data.data() + start, n)) << start << "+" << n;
    // Split updates carry the register across calls whatever the split.
    Crc16 split;
    split.update(data.data(), 5);
    split.update(data.data() + 5, 290);
    EXPECT_EQ(split.value(), bytewise(data.data(), 295));
}

// A listing is one verified read that hands back what a lookup of each device would.
TEST_F(DeviceLibraryTest, ListingHoldsWhatEachLookupFinds) {
    std::vector<devlib::LibraryRecord> records;
    for (int i = 0; i < 40; ++i) {
        auto r = makeRecord("DEV" + std::to_string(i) + (i % 7 == 0 ? "-with-a-name-of-thirty-one-ch" : ""),
                            std::uint16_t(i % 5 + 1), std::uint32_t(0x1F + i));
        r.device_type = std::uint8_t(i % 6);
        r.adapter_index = std::uint16_t(i);
        records.push_back(r);
    }
    write(devlib::buildLibrary("TR610.dev", records));
    const auto all = library.LoadAllDevices();
    ASSERT_EQ(all.size(), records.size());
    for (const auto &listed : all) {
        DeviceRecord found;
        ASSERT_TRUE(library.FindDevice(listed.vendor_index, listed.device_name, found)) << listed.device_name;
        EXPECT_STREQ(found.adapter_text, listed.adapter_text);
        EXPECT_STREQ(found.vendor_name, listed.vendor_name);
        EXPECT_EQ(found.device_type, listed.device_type);
        EXPECT_EQ(found.operation_flags, listed.operation_flags);
        EXPECT_EQ(std::memcmp(found.menu_operations, listed.menu_operations, sizeof found.menu_operations), 0);
        EXPECT_EQ(found.top_address, listed.top_address);
    }

    DeviceFilter filter;
    filter.deviceType = 1;
    filter.nameContains = "dev1";
    std::vector<std::string> names;
    for (const auto &r : listDevices(library, filter)) names.push_back(r.device_name);
    EXPECT_EQ(names, (std::vector<std::string>{"DEV1", "DEV13", "DEV19"}));
    filter = {};
    filter.vendorIndex = 3;
    filter.nameContains = "ONE-";  // the end of a name cut to 31 characters
    names.clear();
    for (const auto &r : listDevices(library, filter)) names.push_back(r.device_name);
    EXPECT_EQ(names, (std::vector<std::string>{"DEV7-with-a-name-of-thirty-one-"}));
    EXPECT_EQ(listDevices(library).size(), records.size());
    EXPECT_TRUE(deviceNameContains("at89s52", "T89S5"));
    EXPECT_TRUE(deviceNameContains("X", ""));
    EXPECT_FALSE(deviceNameContains("AT89", "AT89S"));
    EXPECT_FALSE(deviceNameContains("", "A"));

    // A damaged file lists nothing and says so once.
    auto image = devlib::buildLibrary("TR610.dev", records);
    image[200] ^= 1;
    write(image);
    EXPECT_TRUE(library.LoadAllDevices().empty());
    EXPECT_TRUE(library.lastLookupFailed());
    EXPECT_EQ(prompt.shown.size(), 1u);
}

TEST_F(DeviceLibraryTest, FindsAndFillsADeviceRecord) {
    auto rec = makeRecord("AT89S52", 10, 0x1 | 0x2 | 0x4 | 0x8 | 0x100 | 0x800);
    rec.memory_areas[1] = {512, 8192};
    rec.device_id[0] = 0x1E;
    rec.device_id[1] = 0x52;
    rec.config_name = "AT89S52";
    rec.program_page_size = 64;
    write(devlib::buildLibrary("TR610.dev", {makeRecord("AT89C2051", 10), rec}));

    DeviceRecord out;
    ASSERT_TRUE(library.FindDevice(10, "AT89S52", out));
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(out.valid, 1u);
    EXPECT_STREQ(out.vendor_name, "ATMEL");
    EXPECT_STREQ(out.adapter_text, "None");  // DIP40 sits in the socket
    EXPECT_STREQ(out.config_name, "AT89S52");
    EXPECT_EQ(out.device_id[1], 0x52);
    EXPECT_EQ(out.program_page_size, 64);
    EXPECT_EQ(out.area_count, 2);
    EXPECT_EQ(out.top_address, 8704u);
    const std::uint8_t autoOps[] = {12, 3, 0, 2, 8, 0xFF};
    EXPECT_EQ(0, std::memcmp(out.auto_operations, autoOps, sizeof autoOps));
    const std::uint8_t menuOps[] = {3, 1, 0, 2, 8, 12, 0xFF};
    EXPECT_EQ(0, std::memcmp(out.menu_operations, menuOps, sizeof menuOps));
    for (auto b : out.config_data) EXPECT_EQ(b, 0);

    ASSERT_TRUE(library.FindDeviceByVendorName("ATMEL", "AT89S52", out));
    EXPECT_FALSE(library.FindDeviceByVendorName("Atmel", "AT89S52", out));
    EXPECT_FALSE(library.FindDevice(10, "at89s52", out));  // names compare exactly
    EXPECT_EQ(out.valid, 0u);
}

TEST_F(DeviceLibraryTest, EveryOperationFlagLandsInTheFixedListOrders) {
    write(devlib::buildLibrary("TR610.dev", {makeRecord("ALL", 0, 0xFFFFFFFF), makeRecord("NONE", 0, 0)}));
    DeviceRecord out;
    ASSERT_TRUE(library.FindDevice(0, "ALL", out));
    const std::uint8_t autoOps[] = {12, 3, 0, 2, 10, 4, 6, 8, 14, 13, 15, 0xFF};
    EXPECT_EQ(0, std::memcmp(out.auto_operations, autoOps, sizeof autoOps));
    const std::uint8_t menuOps[] = {3, 1, 0, 2, 10, 11, 6, 7, 4, 8, 14, 13, 15, 12, 0xFF, 0xFF};
    EXPECT_EQ(0, std::memcmp(out.menu_operations, menuOps, sizeof menuOps));
    ASSERT_TRUE(library.FindDevice(0, "NONE", out));
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(out.auto_operations[i], 0xFF);
        EXPECT_EQ(out.menu_operations[i], 0xFF);
    }
}

TEST_F(DeviceLibraryTest, EachFlagBitEnablesExactlyItsOperation) {
    // Stored libraries fix these bits: operation code, flag bit (-1: none).
    constexpr int kBitOf[16] = {0, 1, 2, 3, 12, -1, 6, 7, 8, -1, 4, 5, 11, 13, 10, 14};
    std::vector<devlib::LibraryRecord> records;
    for (int bit = 0; bit < 16; ++bit) records.push_back(makeRecord("BIT" + std::to_string(bit), 0, 1u << bit));
    write(devlib::buildLibrary("TR610.dev", records));
    for (int bit = 0; bit < 16; ++bit) {
        SCOPED_TRACE("flag bit " + std::to_string(bit));
        const auto code = std::find(std::begin(kBitOf), std::end(kBitOf), bit) - std::begin(kBitOf);
        DeviceRecord out;
        ASSERT_TRUE(library.FindDevice(0, "BIT" + std::to_string(bit), out));
        if (code == 16) {  // bits 9 and 15 select nothing
            EXPECT_EQ(out.menu_operations[0], 0xFF);
            continue;
        }
        EXPECT_EQ(operationFlagBit(int(code)), 1u << bit);
        EXPECT_EQ(out.menu_operations[0], code);
        EXPECT_EQ(out.menu_operations[1], 0xFF);
    }
    EXPECT_EQ(operationFlagBit(5), 0u);
    EXPECT_EQ(operationFlagBit(9), 0u);
    EXPECT_EQ(operationFlagBit(16), 0u);
}

TEST_F(DeviceLibraryTest, DuplicateNamesAreToldApartByVendorAndFirstWins) {
    auto a = makeRecord("X25", 10);
    auto b = makeRecord("X25", 82);
    b.pin_count = 8;
    auto c = makeRecord("X25", 10);
    c.pin_count = 99;
    write(devlib::buildLibrary("TR610.dev", {a, b, c}));
    DeviceRecord out;
    ASSERT_TRUE(library.FindDevice(82, "X25", out));
    EXPECT_EQ(out.pin_count, 8);
    ASSERT_TRUE(library.FindDevice(10, "X25", out));
    EXPECT_EQ(out.pin_count, 40);
    EXPECT_EQ(library.LoadIndex().size(), 3u);
}

TEST_F(DeviceLibraryTest, DamagedLibrariesAreReportedWithTheRightIcon) {
    auto good = devlib::buildLibrary("TR610.dev", {makeRecord("A", 1)});
    DeviceRecord out;

    auto flipped = good;
    flipped.back() ^= 0x01;  // check word one bit off
    write(flipped);
    EXPECT_TRUE(library.LoadIndex().empty());
    EXPECT_TRUE(library.lastLookupFailed());
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, "The format error of device library, please reinstall the application ");
    EXPECT_EQ(prompt.shown[0].icon, Prompt::Icon::None);

    auto body = good;
    body[200] ^= 0x80;
    write(body);
    EXPECT_FALSE(library.FindDevice(1, "A", out));
    EXPECT_EQ(prompt.shown.back().icon, Prompt::Icon::None);

    auto size135 = good;
    size135[0] = 135;
    reseal(size135);
    write(size135);
    EXPECT_FALSE(library.FindDevice(1, "A", out));
    EXPECT_EQ(prompt.shown.back().icon, Prompt::Icon::Error);
    EXPECT_EQ(prompt.shown.back().text, "The format error of device library, please reinstall the application ");

    write(devlib::buildLibrary("tr610.dev", {makeRecord("A", 1)}));  // name differs only in case
    EXPECT_TRUE(library.LoadIndex().empty());
    EXPECT_EQ(prompt.shown.back().icon, Prompt::Icon::Error);

    write({0x00, 0x00});  // too short for a header, yet its CRC is fine
    EXPECT_TRUE(library.LoadIndex().empty());
    EXPECT_EQ(prompt.shown.back().icon, Prompt::Icon::Error);

    fs::remove(dir / "TR610.dev");
    EXPECT_FALSE(library.FindDevice(1, "A", out));
    EXPECT_EQ(prompt.shown.back().text, "Failed to open the device library, please reinstall the application");
    EXPECT_EQ(prompt.shown.back().icon, Prompt::Icon::Error);
    EXPECT_EQ(prompt.shown.size(), 6u);  // one message per failed lookup
}

TEST_F(DeviceLibraryTest, EmptyLibraryVerifiesButFindsNothing) {
    write(devlib::buildLibrary("TR610.dev", {}));
    EXPECT_TRUE(library.LoadIndex().empty());
    EXPECT_FALSE(library.lastLookupFailed());
    DeviceRecord out;
    EXPECT_FALSE(library.FindDevice(0, "", out));
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(DeviceLibraryTest, ATruncatedLastRecordEndsTheLibrary) {
    auto image = devlib::buildLibrary("TR610.dev", {makeRecord("A", 1), makeRecord("B", 1)});
    image.erase(image.end() - 2 - 36, image.end() - 2);  // B loses its tail; count still says 2
    reseal(image);
    write(image);
    const auto index = library.LoadIndex();
    ASSERT_EQ(index.size(), 1u);
    EXPECT_STREQ(index[0].device_name, "A");
    EXPECT_EQ(index[0].vendor_index, 1);
    DeviceRecord out;
    EXPECT_FALSE(library.FindDevice(1, "B", out));
}

TEST_F(DeviceLibraryTest, LibraryChangesAreSeenWithoutReloading) {
    write(devlib::buildLibrary("TR610.dev", {makeRecord("A", 1)}));
    EXPECT_EQ(library.LoadIndex().size(), 1u);
    write(devlib::buildLibrary("TR610.dev", {makeRecord("A", 1), makeRecord("B", 2)}));
    EXPECT_EQ(library.LoadIndex().size(), 2u);
}

TEST(DeviceTables, AdapterTextsAndVendorLookups) {
    EXPECT_EQ(DeviceLibrary::AdapterText(18), "ISP Port");
    EXPECT_EQ(DeviceLibrary::AdapterText(0), "ISP Port");
    EXPECT_EQ(DeviceLibrary::AdapterText(19), "ISP");
    for (int dip : {22, 32, 34, 36, 40, 42, 45, 51}) EXPECT_EQ(DeviceLibrary::AdapterText(dip), "None");
    EXPECT_EQ(DeviceLibrary::AdapterText(23), "SOIC8/D8");
    EXPECT_EQ(DeviceLibrary::AdapterText(72), "TQFP144");
    EXPECT_EQ(DeviceLibrary::AdapterText(73), "");
    EXPECT_EQ(DeviceLibrary::VendorIndexOf("ATMEL"), 10);
    EXPECT_EQ(DeviceLibrary::VendorIndexOf("ZMD"), 100);
    EXPECT_EQ(DeviceLibrary::VendorIndexOf("zmd"), -1);
    EXPECT_EQ(DeviceLibrary::VendorName(48), "MICROCHIP");
    EXPECT_EQ(DeviceLibrary::VendorName(101), "");
    EXPECT_EQ(vendorTableText(0), "ACTRANS");
    EXPECT_EQ(vendorTableText(100), "ZMD");
    EXPECT_EQ(vendorTableText(kVendorCount), "");
    EXPECT_EQ(vendorTableText(-1), "");
    EXPECT_EQ(adapterTableText(0), "ISP_24");
    EXPECT_EQ(adapterTableText(72), "TQFP144");
    EXPECT_EQ(adapterTableText(kAdapterCount), "");
    EXPECT_EQ(adapterTableText(-1), "");
    EXPECT_EQ(DeviceLibrary::OperationListName(0), "Program    ");
    EXPECT_EQ(DeviceLibrary::OperationMenuName(13), "Write Boot Lock(&O)");
}

TEST(LibraryFormat, RecordsSurviveEncodeDecodeWithReservedBytes) {
    auto r = makeRecord("A-name-of-exactly-31-characters", 95);
    r.reserved_bytes[3] = 7;
    r.reserved_tail = 0xBEEF;
    r.program_params[7] = 0x42;
    r.config_name = "0123456789ABCDEFG";  // one too long: stays terminated
    std::uint8_t raw[devlib::kRecordSize];
    devlib::encodeRecord(r, raw);
    const auto back = devlib::decodeRecord(raw);
    EXPECT_EQ(back.device_name, r.device_name);
    EXPECT_EQ(back.reserved_bytes[3], 7);
    EXPECT_EQ(back.reserved_tail, 0xBEEF);
    EXPECT_EQ(back.program_params[7], 0x42);
    EXPECT_EQ(back.config_name, "0123456789ABCDEF");

    devlib::LibraryHeader header;
    header.library_name = "TR610.dev";
    header.reserved0 = 0xA5A55A5Au;
    header.record_count = 3;
    std::uint8_t rawHeader[devlib::kHeaderSize];
    devlib::encodeHeader(header, rawHeader);
    const auto headerBack = devlib::decodeHeader(rawHeader);
    EXPECT_EQ(headerBack.record_size, devlib::kRecordSize);
    EXPECT_EQ(headerBack.library_name, "TR610.dev");
    EXPECT_EQ(headerBack.reserved0, 0xA5A55A5Au);
    EXPECT_EQ(headerBack.record_count, 3u);
}

TEST(LibraryFormat, TextsThatFillTheirFieldsStayTerminatedAndLeaveTheirNeighboursAlone) {
    // A stored name of 32 characters and a configuration name of 17, both without a NUL.
    auto r = makeRecord("", 97);
    r.adapter_index = 72;
    r.reserved_word0 = 0x1234;
    std::uint8_t raw[devlib::kRecordSize];
    devlib::encodeRecord(r, raw);
    std::memset(raw, 'N', 32);
    std::memset(raw + 0x65, 'C', 17);
    DeviceRecord out;
    std::memset(static_cast<void *>(&out), 0x5A, sizeof out);
    DeviceLibrary::fillRecord(raw, out);
    EXPECT_EQ(std::string(out.device_name), std::string(31, 'N'));
    EXPECT_EQ(out.vendor_index, 97);
    EXPECT_EQ(std::string(out.vendor_name), "XICOR");
    EXPECT_EQ(std::string(out.config_name), std::string(16, 'C'));
    EXPECT_EQ(out.reserved_word0, 0x1234);
    EXPECT_EQ(std::string(out.adapter_text), "TQFP144");
    EXPECT_EQ(out.operation_flags, 0xFu) << "the field after the adapter text is intact";
}

}  // namespace
