#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "devices/MemoryLayout.h"

using namespace vantor;

namespace {

DeviceRecord device(int type, int vendor, std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> areas,
                    int width = 8) {
    DeviceRecord d;
    d.valid = 1;
    d.device_type = std::uint8_t(type);
    d.vendor_index = std::uint16_t(vendor);
    d.data_width = std::uint8_t(width);
    int i = 0;
    for (auto [size, start] : areas) {
        d.memory_areas[i++] = {size, start};
        if (size) ++d.area_count;
    }
    return d;
}

}  // namespace

TEST(SizeText, ByteDevicesListAreasUpToTheFirstAbsentOne) {
    EXPECT_EQ(SizeText(device(0, 0, {{65536, 0}, {128, 65536}, {0, 0}, {256, 0}})), "64K Bytes + 128 Bytes");
    EXPECT_EQ(SizeText(device(1, 0, {{1536, 0}})), "1K Bytes");  // integer division
    EXPECT_EQ(SizeText(device(1, 0, {{1023, 0}})), "1023 Bytes");
    EXPECT_EQ(SizeText(device(0, 0, {{8192, 0}, {512, 8192}, {2048, 8704}, {4, 10752}})),
              "8K Bytes + 512 Bytes + 2K Bytes + 4 Bytes");
    EXPECT_EQ(SizeText(device(0, 0, {{0, 0}, {512, 0}})), "");
    EXPECT_EQ(SizeText(device(1, 0, {{131072, 0}}, 16)), "128K Bytes");  // 16 bits is a byte device
}

TEST(SizeText, WordDevicesShowTheByteCountAsWords) {
    EXPECT_EQ(SizeText(device(0, 48, {{2048, 0}, {128, 0x2000}}, 14)), "2K Words + 128 Bytes");
    EXPECT_EQ(SizeText(device(0, 48, {{2048, 0}}, 14)), "2K Words");
    EXPECT_EQ(SizeText(device(0, 48, {{512, 0}, {2048, 0x2000}}, 12)), "512 Words + 2K Bytes");
    // Only two areas count for word devices.
    EXPECT_EQ(SizeText(device(0, 48, {{1024, 0}, {64, 0x2000}, {16, 0x4000}}, 14)), "1K Words + 64 Bytes");
}

// The lookup's answer decides whether callers use the name (the Edit Buffer dialog falls back
// to the device name), so each rule must also report that it named the area.
TEST(AreaName, SpecialVendorsOfMcus) {
    const DeviceRecord sst = device(0, 82, {{65536, 0}, {8192, 65536}});
    const DeviceRecord atmel = device(0, 10, {{8192, 0}, {512, 8192}});
    const DeviceRecord pic = device(0, 48, {{4096, 0}, {256, 8192}}, 14);
    const DeviceRecord winbond2 = device(0, 95, {{65536, 0}, {4096, 65536}});
    const DeviceRecord winbond1 = device(0, 95, {{65536, 0}});
    struct Case {
        const DeviceRecord *d;
        int area;
        const char *name;
    };
    for (const Case c : {Case{&sst, 0, "Block0"}, Case{&sst, 3, "Block3"}, Case{&atmel, 0, "FLASH"},
                         Case{&atmel, 1, "EEPROM"}, Case{&pic, 0, "Code Memory"}, Case{&pic, 1, "EEPROM Memory"},
                         Case{&winbond2, 0, "FLASH EEPROM (APROM)"}, Case{&winbond2, 1, "FLASH EEPROM (LDROM)"},
                         Case{&winbond1, 0, "FLASH EEPROM"}, Case{&winbond1, 1, "FLASH EEPROM"}}) {
        std::string text = "before";
        EXPECT_TRUE(AreaName(*c.d, c.area, text)) << c.name;
        EXPECT_EQ(text, c.name);
        EXPECT_EQ(AreaName(*c.d, c.area), c.name);
    }
}

TEST(AreaName, UnnamedAreasKeepTheCallersText) {
    // ATMEL with three areas gets no special names; area 1 shows the area-0 name again.
    const DeviceRecord atmel3 = device(0, 10, {{8192, 0}, {512, 8192}, {64, 8704}});
    std::string text;
    EXPECT_TRUE(AreaName(atmel3, 0, text));
    EXPECT_EQ(text, "Code Memory");
    EXPECT_FALSE(AreaName(atmel3, 1, text));
    EXPECT_EQ(text, "Code Memory");

    const DeviceRecord eeprom = device(3, 82, {{256, 0}, {16, 256}});  // vendor rules are for MCUs only
    EXPECT_TRUE(AreaName(eeprom, 0, text));
    EXPECT_EQ(text, "EEPROM Memory");
    EXPECT_FALSE(AreaName(eeprom, 1, text));
    EXPECT_EQ(text, "EEPROM Memory");

    text = "before";
    EXPECT_FALSE(AreaName(device(2, 5, {{32768, 0}}), 0, text));  // EPROM: no rule at all
    EXPECT_EQ(text, "before");
    EXPECT_EQ(AreaName(device(4, 5, {{1024, 0}}), 0), "");
}

TEST(LayoutText, Vendor48ShowsWordAndByteRanges) {
    const DeviceRecord pic = device(0, 48, {{4096, 0}, {256, 8192}}, 14);
    EXPECT_EQ(LayoutText(pic), "The chip consists of two memory area: \r\n"
                               "Memory   \tDevice Addr.(Word)  \tBuffer Addr.(BYTE)\n"
                               "Code Memory\t0000H --- 07FFH   \t0000H --- 0FFFH\n"
                               "ID0~ID3    \t2000H --- 2003H   \t4000H --- 4007H\n"
                               "Config\t2007H             \t400EH --- 400FH\n"
                               "EEPROM Memory\t1000H --- 107FH \t2000H --- 20FFH\n");
}

TEST(LayoutText, TwoAreaLayoutsOfSstAtmelAndWinbond) {
    EXPECT_EQ(LayoutText(device(0, 82, {{65536, 0}, {8192, 65536}})),
              "The chip consists of two memory area: \r\n"
              "  Block0    \tLocation at \t000000H -- 00FFFFH\r\n"
              "  Block1    \tLocation at \t010000H -- 011FFFH\r\n");
    EXPECT_EQ(LayoutText(device(0, 10, {{8192, 0}, {512, 8192}})),
              "The chip consists of two memory area: \r\n"
              "  FLASH    \tLocation at \t000000H -- 001FFFH\r\n"
              "  EEPROM    \tLocation at \t002000H -- 0021FFH\r\n");
    EXPECT_EQ(LayoutText(device(0, 95, {{65536, 0}, {4096, 65536}})),
              "The chip consists of two memory area: \r\n"
              "  APROM    \tLocation at \t000000H --- 00FFFFH\r\n"
              "  LDROM   \tLocation at \t010000H --- 010FFFH\r\n");
}

TEST(LayoutText, OtherDevicesGetOnlyTheHeadingOrNothing) {
    EXPECT_EQ(LayoutText(device(0, 10, {{8192, 0}, {512, 8192}, {64, 8704}})),
              "The chip consists of two memory area: \r\n");
    EXPECT_EQ(LayoutText(device(0, 10, {{8192, 0}})), "");
    EXPECT_EQ(LayoutText(device(0, 95, {{65536, 0}})), "");
    EXPECT_EQ(LayoutText(device(1, 82, {{65536, 0}, {128, 65536}})), "The chip consists of two memory area: \r\n");
    EXPECT_EQ(LayoutText(device(3, 13, {{256, 0}})), "");
}

TEST(LayoutText, AbsentSecondAreaPrintsNoWrappedAddresses) {
    EXPECT_EQ(LayoutText(device(0, 82, {{65536, 0}})), "  Block0    \tLocation at \t000000H -- 00FFFFH\r\n");
    const std::string pic = LayoutText(device(0, 48, {{2048, 0}}, 14));
    EXPECT_NE(pic.find("Code Memory\t0000H --- 03FFH   \t0000H --- 07FFH\n"), std::string::npos);
    EXPECT_NE(pic.find("Config\t2007H"), std::string::npos);
    EXPECT_EQ(pic.find("EEPROM Memory"), std::string::npos);
    EXPECT_EQ(pic.find("FFFF"), std::string::npos);
    // Nothing at all in the areas: still no wrapped addresses.
    EXPECT_EQ(LayoutText(device(0, 82, {})), "");
    EXPECT_EQ(LayoutText(device(0, 48, {}, 14)).find("FFFF"), std::string::npos);
}
