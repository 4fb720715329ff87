#include <cstdint>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "core/Numbers.h"
#include "core/ProductionLog.h"
#include "core/SerialFormat.h"

namespace vantor {
namespace {

TEST(ParseDecimal, DigitsOnlyUpToTheMaximum) {
    EXPECT_EQ(parseDecimal("0"), 0u);
    EXPECT_EQ(parseDecimal("9"), 9u);
    EXPECT_EQ(parseDecimal("007"), 7u);
    EXPECT_EQ(parseDecimal("18446744073709551615"), UINT64_MAX);
    EXPECT_EQ(parseDecimal("255", 255), 255u);
    EXPECT_EQ(parseDecimal("0", 0), 0u);
    // '/' and ':' sit either side of the digits.
    for (const char *bad :
         {"", "/1", ":1", "+1", "-1", " 1", "1 ", "12a", "0x10", "1.5", "256", "18446744073709551616"})
        EXPECT_EQ(parseDecimal(bad, std::string(bad) == "256" ? 255 : UINT64_MAX), std::nullopt) << bad;
    EXPECT_EQ(parseDecimal("1", 0), std::nullopt);
}

TEST(SerialFormat, NamesWidthsAndLimits) {
    struct Case {
        const char *name;
        SerialFormat format;
        int width;
        std::uint64_t maximum;
    };
    for (const Case &c :
         {Case{"le32", SerialFormat::Le32, 4, 0xFFFFFFFFull}, Case{"be32", SerialFormat::Be32, 4, 0xFFFFFFFFull},
          Case{"ascii-dec", SerialFormat::AsciiDec, 8, 99999999ull}}) {
        EXPECT_EQ(serialFormatByName(c.name), c.format) << c.name;
        EXPECT_STREQ(serialFormatName(c.format), c.name);
        EXPECT_EQ(serialWidth(c.format), c.width) << c.name;
        EXPECT_EQ(serialMaximum(c.format), c.maximum) << c.name;
    }
    for (const char *unknown : {"", "LE32", "le", "ascii", "ascii-dec "})
        EXPECT_EQ(serialFormatByName(unknown), std::nullopt) << unknown;
    EXPECT_STREQ(serialStateName(SerialState::Used), "used");
    EXPECT_STREQ(serialStateName(SerialState::Scrapped), "scrapped");
    EXPECT_STREQ(serialStateName(SerialState::None), "");
}

TEST(SerialFormat, EncodesEachLayoutAndRefusesWhatDoesNotFit) {
    const auto encoded = [](std::uint64_t number, SerialFormat format) {
        std::uint8_t out[9] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
        const bool ok = encodeSerial(number, format, out);
        return std::make_pair(ok, std::string(reinterpret_cast<const char *>(out), sizeof out));
    };
    using R = std::pair<bool, std::string>;
    EXPECT_EQ(encoded(0x12345678, SerialFormat::Le32), (R{true, std::string("\x78\x56\x34\x12\xEE\xEE\xEE\xEE\xEE")}));
    EXPECT_EQ(encoded(0x12345678, SerialFormat::Be32), (R{true, std::string("\x12\x34\x56\x78\xEE\xEE\xEE\xEE\xEE")}));
    EXPECT_EQ(encoded(0xFFFFFFFF, SerialFormat::Be32), (R{true, std::string("\xFF\xFF\xFF\xFF\xEE\xEE\xEE\xEE\xEE")}));
    EXPECT_EQ(encoded(42, SerialFormat::AsciiDec), (R{true, "00000042\xEE"}));
    EXPECT_EQ(encoded(99999999, SerialFormat::AsciiDec), (R{true, "99999999\xEE"}));
    // One past the largest: refused, and the image is left as it was.
    const std::string untouched(9, '\xEE');
    EXPECT_EQ(encoded(100000000, SerialFormat::AsciiDec), (R{false, untouched}));
    EXPECT_EQ(encoded(0x100000000ull, SerialFormat::Le32), (R{false, untouched}));
    EXPECT_EQ(encoded(0x100000000ull, SerialFormat::Be32), (R{false, untouched}));
    // A layout this program does not know (a newer production file) writes nothing.
    EXPECT_EQ(encoded(1, SerialFormat(99)), (R{false, untouched}));
}

}  // namespace
}  // namespace vantor
