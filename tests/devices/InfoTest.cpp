#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "devices/DeviceInfo.h"

using namespace vantor;

namespace {

DeviceRecord atmelMcu() {
    DeviceRecord d;
    d.valid = 1;
    std::strcpy(d.device_name, "AT89S8252");
    std::strcpy(d.vendor_name, "ATMEL");
    d.vendor_index = 10;
    d.device_type = 0;
    d.data_width = 8;
    d.memory_areas[0] = {8192, 0};
    d.memory_areas[1] = {2048, 8192};
    d.area_count = 2;
    d.pin_count = 40;
    d.adapter_index = 51;
    return d;
}

const std::string kRule = std::string(73, '_') + "\r\n";

std::filesystem::path builtArtbank() {
    return std::filesystem::path(VANTOR_BIN_DIR) / SharedLibrary::fileName("Artbank");
}

}  // namespace

TEST(DeviceInfo, SummaryRunsInWindowOrder) {
    const RichText runs = deviceSummaryRuns(atmelMcu());
    ASSERT_EQ(runs.size(), 14u);
    const char *labels[] = {"    Vendor :   \t", "\r\n    Device :   \t", "\r\n    Size   :   \t",
                            "\r\n    Pins   :   \t", "\r\n    Adapter:   \t"};
    const char *values[] = {"ATMEL", "AT89S8252", "8K Bytes + 2K Bytes", "40", "None"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(runs[2 * i].text, labels[i]);
        EXPECT_EQ(runs[2 * i].colour, colour::Black);
        EXPECT_TRUE(runs[2 * i].bold);
        EXPECT_EQ(runs[2 * i + 1].text, values[i]);
        EXPECT_EQ(runs[2 * i + 1].colour, Colour(0xFF8000));  // RGB(0, 128, 255)
        EXPECT_TRUE(runs[2 * i + 1].bold);
    }
    EXPECT_EQ(runs[10].text, "\r\n");
    EXPECT_FALSE(runs[10].bold);
    EXPECT_EQ(runs[11].text, kRule);
    EXPECT_EQ(runs[11].colour, Colour(0x000080));  // RGB(128, 0, 0)
    EXPECT_EQ(runs[12].text, "The chip consists of two memory area: \r\n"
                             "  FLASH    \tLocation at \t000000H -- 001FFFH\r\n"
                             "  EEPROM    \tLocation at \t002000H -- 0027FFH\r\n");
    EXPECT_EQ(runs[12].colour, Colour(0xFF0080));  // RGB(128, 0, 255)
    EXPECT_FALSE(runs[12].bold);
    EXPECT_EQ(runs[13].text, kRule);
    for (const RichRun &r : runs) {
        EXPECT_EQ(r.font, "Tahoma");
        EXPECT_EQ(r.halfPoints, 18);
    }
}

TEST(DeviceInfo, NoLayoutMeansOneClosingRuleAndPinsMayBeUnknown) {
    DeviceRecord d = atmelMcu();
    d.memory_areas[1] = {};
    d.area_count = 1;
    d.pin_count = 0;
    d.adapter_index = 2;
    const RichText runs = deviceSummaryRuns(d);
    ASSERT_EQ(runs.size(), 12u);
    EXPECT_EQ(runs[7].text, "---");
    EXPECT_EQ(runs[9].text, "ISP Port");
    EXPECT_EQ(runs[11].text, kRule);
}

TEST(DeviceInfo, DocumentFollowsTheSummary) {
    const DeviceRecord d = atmelMcu();
    const std::size_t summary = deviceSummaryRuns(d).size();
    const RichText withDoc = deviceInfoRuns(d, std::string_view("{\\rtf1\\ansi\\ansicpg936 {\\b Pin 1} \\'d6\\'d0}"));
    ASSERT_GT(withDoc.size(), summary);
    EXPECT_EQ(plainText({withDoc.begin() + long(summary), withDoc.end()}), "Pin 1 \xE4\xB8\xAD");
    EXPECT_EQ(deviceInfoRuns(d, std::nullopt).size(), summary);
    EXPECT_EQ(deviceInfoRuns(d, std::string_view("not rich text")).size(), summary);
}

TEST(DeviceInfo, MissingArtbankLeavesTheDocumentOut) {
    const Artbank missing("/nonexistent/" + SharedLibrary::fileName("Artbank"));
    EXPECT_FALSE(missing.loaded());
    EXPECT_EQ(missing.documentId(0), 0);
    EXPECT_EQ(missing.logoId(10), 0);
    EXPECT_TRUE(missing.resource("ADP", 4000).empty());
    EXPECT_FALSE(loadAdapterDocument(atmelMcu(), "/nonexistent/libArtbank.so"));
}

TEST(DeviceInfo, AdapterDocumentFromTheBuiltArtbank) {
    DeviceRecord d = atmelMcu();
    d.adapter_index = 23;
    const auto doc = loadAdapterDocument(d, builtArtbank());
    ASSERT_TRUE(doc);
    const std::string text = plainText(deviceInfoRuns(d, *doc));
    EXPECT_NE(text.find("SOIC8/D8"), std::string::npos);
    EXPECT_NE(text.find("\xE9\x80\x82\xE9\x85\x8D\xE5\x99\xA8"), std::string::npos);  // 适配器
    // In English mode the same adapter's document is the English one: no Chinese character left
    // but the bullets' (U+25CF, also three bytes from E2).
    const auto english = loadAdapterDocument(d, builtArtbank(), DocumentLanguage::English);
    ASSERT_TRUE(english);
    const std::string englishText = plainText(deviceInfoRuns(d, *english));
    EXPECT_NE(englishText.find("SOIC8/D8 adapter"), std::string::npos);
    EXPECT_NE(englishText.find("pin 1 of the adapter is then at pin 17 of the socket"), std::string::npos);
    EXPECT_EQ(englishText.find_first_of("\xE4\xE5\xE6\xE7\xE8\xE9"), std::string::npos) << englishText;
    EXPECT_NE(*english, *doc);

    d.adapter_index = 8;  // the generic ISP rows have no document, in either language
    EXPECT_FALSE(loadAdapterDocument(d, builtArtbank()));
    EXPECT_FALSE(loadAdapterDocument(d, builtArtbank(), DocumentLanguage::English));
    d.adapter_index = 900;  // a damaged library record must not reach past the table
    EXPECT_FALSE(loadAdapterDocument(d, builtArtbank()));
}
