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
    // A document read into a used result replaces what was there; one that is refused leaves nothing.
    ASSERT_TRUE(parseRtf("{\\rtf1 first}", runs));
    ASSERT_TRUE(parseRtf("{\\rtf1 second}", runs));
    EXPECT_EQ(plainText(runs), "second");
    EXPECT_FALSE(parseRtf("plain text", runs));
    EXPECT_TRUE(runs.empty());

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
    EXPECT_EQ(plainText(parse("{\\rtf1 a{{{{c}}}}{{{{{hidden}}}}}b}", shallow)), "acb");  // four levels, not five
    // Leading blanks before the document, control characters in it, UTF-8 as a code page.
    EXPECT_EQ(plainText(parse(" \n\t{\\rtf1 a\x01\x1f"
                              "b}")),
              "ab");
    EXPECT_EQ(plainText(parse("{\\rtf1\\ansicpg65001 \\'c3\\'a0}")), "\xC3\xA0");

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

// Each font charset selects its code page; without one the document's code page applies.
TEST(Rtf, CharsetsAndDocumentCodePagesPickTheDecoding) {
    struct Case {
        int charset;
        const char *bytes;
        const char *utf8;
    };
    const Case cases[] = {
        {0, "\\'e0", "\xC3\xA0"},        {77, "\\'e0", "\xE2\x80\xA1"},
        {128, "\\'b1", "\xEF\xBD\xB1"},  {129, "\\'b0\\'a1", "\xEA\xB0\x80"},
        {136, "\\'a4@", "\xE4\xB8\x80"}, {161, "\\'e1", "\xCE\xB1"},
        {162, "\\'f0", "\xC4\x9F"},      {163, "\\'f5", "\xC6\xA1"},
        {177, "\\'e0", "\xD7\x90"},      {178, "\\'C7", "\xD8\xA7"},
        {186, "\\'E0", "\xC4\x85"},      {204, "\\'e0", "\xD0\xB0"},
        {222, "\\'a1", "\xE0\xB8\x81"},  {238, "\\'e0", "\xC5\x95"},
        {2, "\\'e0", "\xD0\xB0"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.charset);
        const std::string doc = "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset" + std::to_string(c.charset) +
                                " F;}}\\f0 " + c.bytes + "}";
        EXPECT_EQ(plainText(parse(doc)), c.utf8);
    }
    // \cpg outranks the charset; \mac, \pc and \pca name the document's code page, \ansicpg0 none.
    EXPECT_EQ(plainText(parse("{\\rtf1{\\fonttbl{\\f0\\fcharset0\\cpg1251 F;}}\\f0 \\'e0}")), "\xD0\xB0");
    EXPECT_EQ(plainText(parse("{\\rtf1\\mac \\'e0}")), "\xE2\x80\xA1");
    EXPECT_EQ(plainText(parse("{\\rtf1\\pc \\'9b}")), "\xC2\xA2");
    EXPECT_EQ(plainText(parse("{\\rtf1\\pca \\'9b}")), "\xC3\xB8");
    EXPECT_EQ(plainText(parse("{\\rtf1\\ansicpg1251\\ansicpg0 \\'e0}")), "\xD0\xB0");
    EXPECT_EQ(plainText(parse("{\\rtf1\\ansicpg1251\\ansi \\'e0}")), "\xC3\xA0");
    // The default font (\deff) decodes and names text set in no font of its own.
    const RichText runs = parse("{\\rtf1\\deff1{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset204 Cyr  ;}}\\'e0}");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].text, "\xD0\xB0");
    EXPECT_EQ(runs[0].font, "Cyr");  // trailing spaces trimmed
    // Code pages with combining marks hold a letter back to see what follows: it is not lost at
    // the end of the text, nor before a byte the code page lacks.
    EXPECT_EQ(decodeCodePage("\xf5\x8a\xe0", 1258), "\xC6\xA1\xEF\xBF\xBD\xC3\xA0");
    EXPECT_EQ(decodeCodePage("\xe0\xe1", 1255), "\xD7\x90\xD7\x91");
    // A font entry may end at its brace; \f without a number in the table names no font.
    const RichText named = parse("{\\rtf1{\\fonttbl{\\f0 Arial}{\\f1\\f Times;}}\\f1 x\\f0 y}");
    ASSERT_EQ(named.size(), 2u);
    EXPECT_EQ(named[0].font, "Times");
    EXPECT_EQ(named[1].font, "Arial");
    // Text longer than one conversion buffer.
    std::string cyrillic;
    for (int i = 0; i < 700; ++i) cyrillic += "\xD0\xB0";
    EXPECT_EQ(decodeCodePage(std::string(700, '\xe0'), 1251), cyrillic);
    // A code page iconv does not know keeps ASCII and marks the rest.
    EXPECT_EQ(decodeCodePage("a\xe0", 99999), "a\xEF\xBF\xBD");
}

TEST(Rtf, FormattingWordsSwitchOnAndOff) {
    const RichText runs =
        parse("{\\rtf1{\\colortbl;\\red1\\green2\\blue3;;}\\b\\i\\uldb\\cf1\\fs30 a\\b0\\i0\\ulnone\\cf2\\fs0 b"
              "\\ul\\fs4000 c\\plain d\\v hidden\\v0 e\\ulw f\\ul0 g}");
    ASSERT_EQ(runs.size(), 6u);
    EXPECT_EQ(runs[0].text, "a");
    EXPECT_TRUE(runs[0].bold && runs[0].italic && runs[0].underline);
    EXPECT_EQ(runs[0].colour, Colour(0x030201));
    EXPECT_EQ(runs[0].halfPoints, 30);
    EXPECT_EQ(runs[1].text, "b");  // \fs0 is the default size; an automatic colour is black
    EXPECT_FALSE(runs[1].bold || runs[1].italic || runs[1].underline);
    EXPECT_EQ(runs[1].colour, colour::Black);
    EXPECT_EQ(runs[1].halfPoints, 24);
    EXPECT_EQ(runs[2].text, "c");
    EXPECT_TRUE(runs[2].underline);
    EXPECT_EQ(runs[2].halfPoints, 24);
    EXPECT_EQ(runs[3].text, "de");  // \plain: nothing left on; \v hides
    EXPECT_FALSE(runs[3].underline);
    EXPECT_EQ(runs[4].text, "f");
    EXPECT_TRUE(runs[4].underline);
    EXPECT_EQ(runs[5].text, "g");
    EXPECT_FALSE(runs[5].underline);
    // The 3276-half-point ceiling and colour indexes past the table.
    const RichText sizes =
        parse("{\\rtf1{\\colortbl;\\red9;\\green300\\blue-1;}\\fs3276 a\\fs3277\\cf3 b\\cf1 c\\cf2 d}");
    ASSERT_EQ(sizes.size(), 4u);
    EXPECT_EQ(sizes[3].colour, Colour(0x00FF00));  // components clamped to 0..255
    EXPECT_EQ(sizes[0].halfPoints, 3276);
    EXPECT_EQ(sizes[1].halfPoints, 24);
    EXPECT_EQ(sizes[1].colour, colour::Black);
    EXPECT_EQ(sizes[2].colour, Colour(9));
}

TEST(Rtf, SpecialCharactersSymbolsAndUnicodePairs) {
    EXPECT_EQ(plainText(parse("{\\rtf1 a\\row b\\sect c\\page d\\cell e\\endash\\emspace\\enspace\\qmspace"
                              "\\lquote\\rquote\\ldblquote\\rdblquote\\_\\-\\:f\\\n g\\'C4}")),
              "a\nb\nc\nd\te\xE2\x80\x93   \xE2\x80\x98\xE2\x80\x99\xE2\x80\x9C\xE2\x80\x9D\xE2\x80\x91"
              "f\n g\xC3\x84");
    // A tab or an escaped line break comes after the text before it.
    EXPECT_EQ(plainText(parse("{\\rtf1 a\tb\\\nc}")), "a\tb\nc");
    // A high surrogate without its low half is marked; the \uc0 fallback count skips nothing.
    EXPECT_EQ(plainText(parse("{\\rtf1\\uc0\\u-10179\\u65 x}")), "\xEF\xBF\xBD"
                                                                 "Ax");
    EXPECT_EQ(plainText(parse("{\\rtf1\\u-8704?x}")), "\xEF\xBF\xBDx");  // a lone low surrogate
    // Document settings between a \u and its fallback are settings, not the fallback.
    for (const char *word : {"ansicpg1252", "ansi", "mac", "pc", "pca", "deff0", "uc1"})
        EXPECT_EQ(plainText(parse(std::string("{\\rtf1\\u20013\\") + word + " ?x}")), std::string(kZhong) + "x")
            << word;
    EXPECT_EQ(plainText(parse("{\\rtf1\\u20013\\~x}")), std::string(kZhong) + "x");  // a symbol can be one
    EXPECT_EQ(plainText(parse("{\\rtf1 a\\u0?b}")), std::string("a\0b", 3));         // only negative values wrap
    // \uc ends with its group.
    EXPECT_EQ(plainText(parse("{\\rtf1{\\uc2 a}\\u20013?x}")), std::string("a") + kZhong + "x");
    // \bin data outside a picture is skipped, braces and all.
    EXPECT_EQ(plainText(parse("{\\rtf1 a\\bin3 {}}b}")), "ab");
    // Control words are cut at 32 letters and keep their parameter.
    EXPECT_EQ(plainText(parse(std::string("{\\rtf1 \\") + std::string(40, 'b') + "1 x}")), "x");
}

TEST(Rtf, PictureFormatsSizesAndBounds) {
    auto picture = [](const std::string &words, RtfOptions options = {}) {
        const RichText runs = parse("{\\rtf1{\\pict" + words + " 0102}}", options);
        return runs.empty() ? RichRun{} : runs[0];
    };
    EXPECT_EQ(picture("\\jpegblip").pictureFormat, "jpeg");
    EXPECT_EQ(picture("\\dibitmap0").pictureFormat, "dib");
    EXPECT_EQ(picture("\\wbitmap0").pictureFormat, "bmp");
    EXPECT_EQ(picture("\\emfblip").pictureFormat, "emf");
    const RichRun sized = picture("\\pngblip\\picw5\\picw\\pich-7");
    EXPECT_EQ(sized.pictureWidth, 5);  // a size word without a number changes nothing
    EXPECT_EQ(sized.pictureHeight, 0);
    EXPECT_EQ(sized.picture, (std::vector<std::uint8_t>{1, 2}));
    RtfOptions two;
    two.maxPictureBytes = 2;
    EXPECT_TRUE(picture("\\pngblip", two).isPicture());  // exactly the limit is kept
    EXPECT_EQ(plainText(parse("{\\rtf1{\\pict\\bin2 ab}}", two)), "[picture 0x0]");
    two.maxPictureBytes = 1;
    EXPECT_FALSE(picture("\\pngblip", two).isPicture());
    EXPECT_EQ(parse("{\\rtf1 x{\\pict\\pngblip}y}").size(), 1u);  // no data: no picture
    // An odd last digit is dropped; a group nested in the picture is still the picture.
    const RichRun odd = parse("{\\rtf1{\\pict\\pngblip 0A{\\*\\blipuid 1}0B0}}")[0];
    EXPECT_EQ(odd.picture, (std::vector<std::uint8_t>{0x0A, 0x0B}));
}
