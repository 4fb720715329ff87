#include <gtest/gtest.h>

#include <random>

#include "devices/RtfDocument.h"

using namespace vantor;

namespace {

RichText parse(std::string_view rtf, RtfOptions options = {}) {
    RichText runs;
    EXPECT_TRUE(parseRtf(rtf, runs, options));
    return runs;
}

const char kZhong[] = "\xE4\xB8\xAD";  // 中
const char kWen[] = "\xE6\x96\x87";    // 文

}  // namespace

TEST(Rtf, FormattingBecomesRuns) {
    const RichText runs = parse("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Tahoma;}{\\f1\\fmodern Courier New;}}"
                                "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
                                "Plain {\\b bold} {\\cf1 red}\\par {\\i\\ul\\f1\\fs28 mono}\\cf2 blue\\b0 x}");
    ASSERT_GE(runs.size(), 6u);
    EXPECT_EQ(plainText(runs), "Plain bold red\nmonobluex");
    EXPECT_EQ(runs[0].text, "Plain ");
    EXPECT_EQ(runs[0].font, "Tahoma");
    EXPECT_EQ(runs[1].text, "bold");
    EXPECT_TRUE(runs[1].bold);
    EXPECT_EQ(runs[3].text, "red");
    EXPECT_EQ(runs[3].colour, Colour(0x0000FF));
    const RichRun &mono = runs[5];
    EXPECT_EQ(mono.text, "mono");
    EXPECT_TRUE(mono.italic && mono.underline && !mono.bold);
    EXPECT_EQ(mono.font, "Courier New");
    EXPECT_EQ(mono.halfPoints, 28);
    EXPECT_EQ(runs.back().colour, Colour(0xFF0000));
}

TEST(Rtf, CodePage936AndUnicodeEscapes) {
    // GBK bytes through the document code page and through a charset-134 font.
    EXPECT_EQ(plainText(parse("{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0\\'ce\\'c4}")), std::string(kZhong) + kWen);
    EXPECT_EQ(
        plainText(parse("{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\\f0 \\'d6\\'d0}")),
        kZhong);
    EXPECT_EQ(parse("{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\\f0 x}")[0].font,
              "\xE5\xAE\x8B\xE4\xBD\x93");  // 宋体
    // \u with its ANSI fallback skipped, per \uc.
    EXPECT_EQ(plainText(parse("{\\rtf1\\uc1\\u20013?\\uc2\\u25991\\'ce\\'c4!}")), std::string(kZhong) + kWen + "!");
    EXPECT_EQ(plainText(parse("{\\rtf1\\u-10179?\\u-8704?}")), "\xF0\x9F\x98\x80");  // surrogate pair
    // Bytes that are not GBK are marked, not dropped silently or crashed on.
    EXPECT_EQ(plainText(parse("{\\rtf1\\ansicpg936 a\\'ffb}")), "a\xEF\xBF\xBD"
                                                                "b");
    EXPECT_EQ(decodeCodePage("\xd6", 936), "\xEF\xBF\xBD");  // truncated double-byte character
}

TEST(Rtf, DestinationsAndSpecialCharacters) {
    const RichText runs = parse("{\\rtf1{\\stylesheet{\\s0 Normal;}}{\\info{\\title secret}}{\\*\\unknowndest hidden}"
                                "{\\*\\generator gen;}A\\tab B\\line C\\~D\\{\\}\\\\ {\\v invisible}"
                                "{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt link}}\\emdash\\bullet\\unknownword9 E}");
    EXPECT_EQ(plainText(runs), "A\tB\nC\xC2\xA0"
                               "D{}\\ link\xE2\x80\x94\xE2\x80\xA2"
                               "E");
}

TEST(Rtf, PicturesAreKeptOrSkipped) {
    const std::string doc =
        "{\\rtf1 x{\\pict\\pngblip\\picw4\\pich2 89504e47\n0d0a}y{\\pict\\wmetafile8\\bin3 \x01}\x02}z}";
    RichText runs = parse(doc);
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_TRUE(runs[1].isPicture());
    EXPECT_EQ(runs[1].pictureFormat, "png");
    EXPECT_EQ(runs[1].picture, (std::vector<std::uint8_t>{0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a}));
    EXPECT_EQ(runs[1].pictureWidth, 4);
    EXPECT_EQ(runs[3].picture, (std::vector<std::uint8_t>{0x01, '}', 0x02}));  // \bin data may hold braces
    EXPECT_EQ(plainText(runs), "x[picture 4x2]y[picture 0x0]z");

    RtfOptions noPictures;
    noPictures.keepPictures = false;
    EXPECT_EQ(plainText(parse(doc, noPictures)), "xyz");
    RtfOptions small;
    small.maxPictureBytes = 2;
    EXPECT_EQ(plainText(parse(doc, small)), "xyz");
}

TEST(Rtf, MalformedInputNeverBreaksTheReader) {
    RichText runs;
    EXPECT_FALSE(parseRtf("plain text", runs));
    EXPECT_TRUE(runs.empty());
    EXPECT_FALSE(parseRtf("", runs));

    EXPECT_EQ(plainText(parse("{\\rtf1 unclosed {\\b group")), "unclosed group");
    EXPECT_EQ(plainText(parse("{\\rtf1 a}} trailing")), "a");
    EXPECT_EQ(plainText(parse("{\\rtf1 bad\\'zz escape\\'4")), "badzz escape");
    EXPECT_EQ(plainText(parse("{\\rtf1 \\fs99999999999999999999 \\cf-5 \\f77 \\uc999 \\u99999999 q}")),
              "\xEF\xBF\xBD");  // the out-of-range \u gives U+FFFD and the huge \uc swallows q
    EXPECT_EQ(plainText(parse("{\\rtf1{\\colortbl;\\red999;}{\\pict\\bin999999 ab")), "");
    EXPECT_EQ(plainText(parse("{\\rtf1 x\\")), "x");

    // Text nested deeper than the limit is dropped; what follows is still read.
    auto nested = [](std::size_t depth) {
        return "{\\rtf1 " + std::string(depth, '{') + "deep" + std::string(depth, '}') + " end}";
    };
    EXPECT_EQ(plainText(parse(nested(200))), "deep end");
    EXPECT_EQ(plainText(parse(nested(200000))), " end");
    RtfOptions shallow;
    shallow.maxDepth = 4;
    EXPECT_EQ(plainText(parse("{\\rtf1 a{{{{{{hidden}}}}}}b}", shallow)), "ab");

    std::mt19937 rng(5);
    const char alphabet[] = "{}\\'abcdu0123456789- \xd6\xd0*\n";
    for (int round = 0; round < 2000; ++round) {
        std::string s = "{\\rtf1";
        const int n = int(rng() % 200);
        for (int i = 0; i < n; ++i) s += alphabet[rng() % (sizeof alphabet - 1)];
        RichText out;
        parseRtf(s, out);
        for (const RichRun &r : out) EXPECT_TRUE(r.isPicture() || !r.text.empty());
    }
}
