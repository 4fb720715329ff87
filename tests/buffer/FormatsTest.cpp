#include <gtest/gtest.h>

#include "buffer/formats/Binary.h"
#include "buffer/formats/ExtendedTektronix.h"
#include "buffer/formats/IntelHex.h"
#include "buffer/formats/MotorolaS.h"
#include "buffer/formats/Tektronix.h"
#include "core/Prompt.h"
#include "tests/buffer/TestSupport.h"

using namespace vantor;
using namespace vantor::formats;
using vantor::test::bytesOf;
using vantor::test::RecordingSink;
using vantor::test::splitLines;

namespace {

class RecordingPrompt : public Prompt {
public:
    Answer ask(std::string_view text, std::string_view, Icon icon, Buttons) override {
        texts.emplace_back(text);
        icons.push_back(icon);
        return Answer::Ok;
    }
    std::vector<std::string> texts;
    std::vector<Icon> icons;
};

enum class Fmt { Intel, Motorola, Tek, XTek, Bin };

struct Load {
    std::vector<std::uint8_t> dest = std::vector<std::uint8_t>(0x30000, 0xEE);
    RecordingSink sink;
    RecordingPrompt prompt;
    bool ok = false;
    bool outOfRange = false;

    Load(Fmt f, std::string_view text, std::uint64_t fileStart = 0, std::uint64_t room = 0x30000) {
        LoadTarget t(dest.data(), room, fileStart);
        switch (f) {
        case Fmt::Intel: ok = IntelHex::read(bytesOf(text), t, sink, &prompt); break;
        case Fmt::Motorola: ok = MotorolaS::read(bytesOf(text), t, sink); break;
        case Fmt::Tek: ok = Tektronix::read(bytesOf(text), t, sink); break;
        case Fmt::XTek: ok = ExtendedTektronix::read(bytesOf(text), t, sink); break;
        case Fmt::Bin: ok = Binary::read(bytesOf(text), t, sink); break;
        }
        outOfRange = t.outOfRange();
    }
};

const std::string kOutOfRange = "Warning: Some data out of range has been ignored\r\n";

// ---- Intel HEX ----

TEST(IntelHex, ExtendedAddressRecordsMoveTheFollowingData) {
    Load linear(Fmt::Intel, ":020000040001F9\n:020010001122BB\n:00000001FF\n");
    ASSERT_TRUE(linear.ok);
    EXPECT_EQ(linear.dest[0x10010], 0x11);
    EXPECT_EQ(linear.dest[0x10011], 0x22);
    EXPECT_EQ(linear.dest[0x10], 0xEE);
    EXPECT_TRUE(linear.sink.lines.empty());

    Load segment(Fmt::Intel, ":020000021000EC\r\n:020010001122BB\r\n:00000001FF\r\n");
    ASSERT_TRUE(segment.ok);
    EXPECT_EQ(segment.dest[0x10010], 0x11);
    EXPECT_EQ(segment.dest[0x10011], 0x22);
}

TEST(IntelHex, WriterSplitsAt64KiBWithOneLinearRecord) {
    const auto data = test::randomBytes(0x10010, 1);
    std::string text;
    ASSERT_TRUE(IntelHex::write(data, text));
    const auto lines = splitLines(text);
    ASSERT_EQ(lines.size(), 4096u + 1 + 1 + 1);
    EXPECT_EQ(lines[0].substr(0, 9), ":10000000");
    EXPECT_EQ(lines[4095].substr(0, 9), ":10FFF000");
    EXPECT_EQ(lines[4096], ":020000040001F9");
    EXPECT_EQ(lines[4097].substr(0, 9), ":10000000");
    EXPECT_EQ(lines[4098], ":00000001FF");
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);
    EXPECT_EQ(text.find_first_of("abcdef"), std::string::npos);

    Load back(Fmt::Intel, text);
    ASSERT_TRUE(back.ok);
    EXPECT_TRUE(back.sink.lines.empty());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), back.dest.begin()));
}

TEST(IntelHex, ChecksumErrorWarnsWithLineNumberAndKeepsData) {
    Load l(Fmt::Intel, "junk\n:0100000041BE\n:0100010042FF\n:00000001FF\n");
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.dest[1], 0x42);
    ASSERT_EQ(l.sink.lines.size(), 1u);
    EXPECT_EQ(l.sink.lines[0].text, "Warning: Line 3, Data format error\n");
    EXPECT_EQ(l.sink.lines[0].colour, msg::PaleGreen);
}

TEST(IntelHex, FileStartSkipsQuietlyAndRoomDropsWithOneWarning) {
    std::string text;
    const auto data = test::randomBytes(0x200, 2);
    IntelHex::write(data, text);
    Load l(Fmt::Intel, text, 0x100, 0x80);
    ASSERT_TRUE(l.ok);
    EXPECT_TRUE(std::equal(data.begin() + 0x100, data.begin() + 0x180, l.dest.begin()));
    EXPECT_EQ(l.dest[0x80], 0xEE);
    EXPECT_TRUE(l.outOfRange);
    ASSERT_EQ(l.sink.lines.size(), 1u);
    EXPECT_EQ(l.sink.lines[0].text, kOutOfRange);
}

TEST(IntelHex, UnequalAddressBytesInExtendedRecordsFailTheLoad) {
    Load linear(Fmt::Intel, ":020001040001F8\n:0100000041BE\n");
    EXPECT_FALSE(linear.ok);
    ASSERT_EQ(linear.prompt.texts.size(), 1u);
    EXPECT_EQ(linear.prompt.texts[0], "File format error!");
    EXPECT_EQ(linear.prompt.icons[0], Prompt::Icon::Error);

    Load segment(Fmt::Intel, ":020001021000EB\n:0100000041BE\n");
    EXPECT_FALSE(segment.ok);
    EXPECT_TRUE(segment.prompt.texts.empty());
    EXPECT_TRUE(segment.sink.lines.empty());
    EXPECT_EQ(segment.dest[0], 0xEE);

    // Without anyone to ask (the command line), the error goes to the information lines.
    std::vector<std::uint8_t> dest(0x10, 0xEE);
    LoadTarget target(dest.data(), dest.size(), 0);
    RecordingSink sink;
    EXPECT_FALSE(IntelHex::read(bytesOf(":020001040001F8\n:0100000041BE\n"), target, sink, nullptr));
    ASSERT_EQ(sink.lines.size(), 1u);
    EXPECT_EQ(sink.lines[0].text, "File format error!");
    EXPECT_EQ(sink.lines[0].colour, msg::Red);
    EXPECT_EQ(dest[0], 0xEE);
}

TEST(IntelHex, MalformedRecordsAreReportedAndNotUsed) {
    // Count runs past the line; bad digit; short header; extended record with one byte;
    // a leading blank skips the line; lower case is fine; nothing after the end record counts.
    Load l(Fmt::Intel, ":05000000414243\n"
                       ":02000000G142BB\n"
                       ":0100\n"
                       " :0100000041BE\n"
                       ":02000200aabb97\n"
                       ":00000001FF\n"
                       ":0100030044B8\n");
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.dest[0], 0xEE);
    EXPECT_EQ(l.dest[2], 0xAA);
    EXPECT_EQ(l.dest[3], 0xBB);
    std::vector<std::string> texts;
    for (auto &line : l.sink.lines) texts.push_back(line.text);
    EXPECT_EQ(texts,
              (std::vector<std::string>{"Warning: Line 1, Data format error\n", "Warning: Line 2, Data format error\n",
                                        "Warning: Line 3, Data format error\n"}));

    // An extended address record without exactly two bytes leaves every later address unknown.
    for (const char *extended : {":0100000401FA\n", ":0100000201FC\n", ":03000002100000EB\n"}) {
        Load wrongLength(Fmt::Intel, std::string(":00000003FD\n") + extended + ":0100000041BE\n");
        EXPECT_FALSE(wrongLength.ok) << extended;
        EXPECT_EQ(wrongLength.dest[0], 0xEE) << extended;
        ASSERT_EQ(wrongLength.sink.lines.size(), 1u) << extended;
        EXPECT_EQ(wrongLength.sink.lines[0].text, "Warning: Line 2, Data format error\n") << extended;
    }
}

// ---- Motorola ----

TEST(Motorola, OnlyS9EndsTheFile) {
    Load l(Fmt::Motorola, "S00600004844521B\n"
                          "S1050000414277\n"
                          "S70500000000FA\n"
                          "S804000000FB\n"
                          "S206010000434471\n"
                          "S9030000FC\n"
                          "S105001045465F\n");
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.dest[0], 0x41);
    EXPECT_EQ(l.dest[0x10000], 0x43);
    EXPECT_EQ(l.dest[0x10001], 0x44);
    EXPECT_EQ(l.dest[0x10], 0xEE);
    EXPECT_TRUE(l.sink.lines.empty());
}

TEST(Motorola, ChecksumAndTypeMessagesAreBlack) {
    Load l(Fmt::Motorola, "S1050000414274\nS405000041427A\nS3080000000241427F\nSx\n");
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.dest[0], 0x41);  // kept despite the checksum
    EXPECT_EQ(l.dest[2], 0xEE);  // the S3 record runs past its line
    ASSERT_EQ(l.sink.lines.size(), 4u);
    EXPECT_EQ(l.sink.lines[0].text, "Error: Line 1, Check sum error\n");
    EXPECT_EQ(l.sink.lines[1].text, "Warning: Line 2, Unkown data type\n");
    EXPECT_EQ(l.sink.lines[2].text, "Warning: Line 3, Data format error\n");
    EXPECT_EQ(l.sink.lines[3].text, "Warning: Line 4, Unkown data type\n");
    for (auto &line : l.sink.lines) EXPECT_EQ(line.colour, msg::Black);
}

TEST(Motorola, WriterUsesS3RecordsOf32Bytes) {
    const auto data = test::randomBytes(70, 3);
    std::string text;
    MotorolaS::write(data, text);
    const auto lines = splitLines(text);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(0, 12), "S32500000000");
    EXPECT_EQ(lines[1].substr(0, 12), "S32500000020");
    EXPECT_EQ(lines[2].substr(0, 12), "S30B00000040");
    EXPECT_EQ(lines[2].size(), 4u + 8 + 12 + 2);
    Load back(Fmt::Motorola, text);
    EXPECT_TRUE(back.sink.lines.empty());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), back.dest.begin()));
    EXPECT_EQ(back.dest[70], 0xEE);
    // The whole record, checksum included: ~(08 + 01 + 02 + 03) = F1.
    const std::uint8_t three[] = {1, 2, 3};
    MotorolaS::write(three, text);
    EXPECT_EQ(text, "S30800000000010203F1\r\n");
}

// ---- Tektronix ----

TEST(Tektronix, SaveLimitIs64KiB) {
    std::vector<std::uint8_t> data(0x10001, 0x5A);
    std::string text;
    EXPECT_FALSE(Tektronix::write(data, text));
    EXPECT_TRUE(text.empty());
    data.pop_back();
    ASSERT_TRUE(Tektronix::write(data, text));
    const auto lines = splitLines(text);
    ASSERT_EQ(lines.size(), 0x800u);
    EXPECT_EQ(lines.back().substr(0, 9), "/FFE0202E");
    Load back(Fmt::Tek, text);
    EXPECT_TRUE(back.sink.lines.empty());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), back.dest.begin()));
}

TEST(Tektronix, ChecksumWarningsAreGreyAndDataKept) {
    // header sum of 0010 02 is 3; data digits 1+2+3+4 = 0A
    Load l(Fmt::Tek, "/0010020312340A\n/0010020412340A\n/0010020312340B\n/00100003\n/001002031\n");
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.dest[0x10], 0x12);
    EXPECT_EQ(l.dest[0x11], 0x34);
    ASSERT_EQ(l.sink.lines.size(), 4u);
    EXPECT_EQ(l.sink.lines[0].text, "Warning: Line 2, Check sum error\n");
    EXPECT_EQ(l.sink.lines[1].text, "Warning: Line 3, Check sum error\n");
    EXPECT_EQ(l.sink.lines[2].text, "Warning: Line 4, Check sum error\n");
    EXPECT_EQ(l.sink.lines[3].text, "Warning: Line 5, Data format error\n");
    for (auto &line : l.sink.lines) EXPECT_EQ(line.colour, msg::Grey);
}

// ---- Extended Tektronix ----

TEST(ExtendedTektronix, AddressLengthFollowsSaveSizeAndFileIsTerminated) {
    EXPECT_EQ(ExtendedTektronix::addressDigits(3), 1);
    EXPECT_EQ(ExtendedTektronix::addressDigits(0xF), 1);
    EXPECT_EQ(ExtendedTektronix::addressDigits(0x10), 2);
    EXPECT_EQ(ExtendedTektronix::addressDigits(0xFFFF), 4);
    EXPECT_EQ(ExtendedTektronix::addressDigits(0x10000), 5);
    EXPECT_EQ(ExtendedTektronix::addressDigits(0x800000), 6);
    EXPECT_EQ(ExtendedTektronix::addressDigits(0x10000000), 8);

    const std::uint8_t three[] = {0x01, 0xAB, 0xFF};
    std::string text;
    ExtendedTektronix::write(three, text);
    // length 6 + 1 + 6 = 0D; sum 0+D+6+1+0+0+1+A+B+F+F = 0x48
    EXPECT_EQ(text, "%0D6481001ABFF\r\n%0781010\r\n");
}

TEST(ExtendedTektronix, ReaderTakesEitherChecksumRule) {
    // Past 64 KiB the writer sums only the low four address digits; other tools sum all of them.
    const auto data = test::randomBytes(0x10040, 4);
    std::string ours;
    ExtendedTektronix::write(data, ours);
    const auto lines = splitLines(ours);
    const std::string &last = lines[lines.size() - 2];
    EXPECT_EQ(last.substr(0, 4), "%4B6");
    EXPECT_EQ(last.substr(6, 6), "510020");
    Load l(Fmt::XTek, ours);
    EXPECT_TRUE(l.sink.lines.empty());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), l.dest.begin()));

    // A record at 12345 with the full-address checksum (0x33), then a wrong one (low four digits: 0x32).
    const std::string usual = "%0F6335123451234\n", wrong = "%0F6345123451234\n";
    Load good(Fmt::XTek, usual, 0, 0x20000);
    EXPECT_TRUE(good.sink.lines.empty());
    EXPECT_EQ(good.dest[0x12345], 0x12);
    Load bad(Fmt::XTek, wrong, 0, 0x20000);
    ASSERT_EQ(bad.sink.lines.size(), 1u);
    EXPECT_EQ(
        bad.sink.lines[0].text,
        std::string(msg::ExtTektronixChecksum).replace(std::string(msg::ExtTektronixChecksum).find("%d"), 2, "1"));
    EXPECT_EQ(bad.sink.lines[0].colour, msg::Grey);
    EXPECT_EQ(bad.dest[0x12346], 0x34);
}

TEST(ExtendedTektronix, TypesLengthsAndTermination) {
    Load l(Fmt::XTek,
           "%0E3001ABC\n"  // symbol record: unknown here
           "%0D6481001ABFF\n"
           "%0D648100\n"        // shorter than its length field
           "%0E6511801ABFF0\n"  // odd digit count: (R - D - 6) / 2 bytes, the last digit unused
           "%0781010\n"
           "%0D64C1401ABFF\n");
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.dest[0], 0x01);
    EXPECT_EQ(l.dest[2], 0xFF);
    EXPECT_EQ(l.dest[4], 0xEE);
    EXPECT_EQ(l.dest[8], 0x01);
    EXPECT_EQ(l.dest[9], 0xAB);
    EXPECT_EQ(l.dest[10], 0xFF);
    EXPECT_EQ(l.dest[11], 0xEE);
    ASSERT_EQ(l.sink.lines.size(), 2u) << "the odd record's checksum covers the bytes taken";
    EXPECT_EQ(l.sink.lines[0].text, "Warning: Line 1, Unkown data type\n");
    EXPECT_EQ(l.sink.lines[1].text, "Warning: Line 3, Data format error\n");

    // The shortest termination record ends the file too.
    Load shortEnd(Fmt::XTek, "%0D6481001ABFF\n%078\n%0D64C1401ABFF\n");
    ASSERT_TRUE(shortEnd.ok);
    EXPECT_TRUE(shortEnd.sink.lines.empty()) << shortEnd.sink.lines.front().text;
    EXPECT_EQ(shortEnd.dest[0], 0x01);
    EXPECT_EQ(shortEnd.dest[4], 0xEE) << "nothing after the termination record is read";
}

// ---- Binary ----

TEST(Binary, RoomLimitsTheCopyAndWarnsOnce) {
    const std::string file = "ABCDEFGH";
    Load fits(Fmt::Bin, file, 0, 8);
    EXPECT_TRUE(fits.sink.lines.empty());
    Load over(Fmt::Bin, file, 0, 5);
    ASSERT_TRUE(over.ok);
    EXPECT_EQ(std::string(over.dest.begin(), over.dest.begin() + 5), "ABCDE");
    EXPECT_EQ(over.dest[5], 0xEE);
    ASSERT_EQ(over.sink.lines.size(), 1u);
    EXPECT_EQ(over.sink.lines[0].text, kOutOfRange);
    EXPECT_EQ(over.sink.lines[0].colour, msg::PaleGreen);
    std::string copy;
    EXPECT_TRUE(Binary::write(bytesOf(file), copy));
    EXPECT_EQ(copy, file);
}

// ---- every format ----

TEST(AllFormats, RoundTripWithFileAndBufferOffsets) {
    const auto data = test::randomBytes(0x8000, 5);
    for (Fmt f : {Fmt::Intel, Fmt::Motorola, Fmt::Tek, Fmt::XTek}) {
        SCOPED_TRACE(int(f));
        std::string text;
        switch (f) {
        case Fmt::Intel: IntelHex::write(data, text); break;
        case Fmt::Motorola: MotorolaS::write(data, text); break;
        case Fmt::Tek: Tektronix::write(data, text); break;
        default: ExtendedTektronix::write(data, text); break;
        }
        // Skip the first 0x1000 file bytes, land the rest at offset 0, with room for all but 0x10.
        Load l(f, text, 0x1000, 0x7000 - 0x10);
        ASSERT_TRUE(l.ok);
        EXPECT_TRUE(std::equal(data.begin() + 0x1000, data.end() - 0x10, l.dest.begin()));
        EXPECT_EQ(l.dest[0x7000 - 0x10], 0xEE);
        EXPECT_TRUE(l.outOfRange);
    }
}

}  // namespace

TEST(AllFormats, ALoneCarriageReturnEndsALineToo) {
    // Files written with classic Mac line ends: every record is read.
    Load cr(Fmt::Intel, ":0300000001020FEB\r:03000300040506EB\r:00000001FF\r");
    ASSERT_TRUE(cr.ok);
    EXPECT_TRUE(cr.sink.lines.empty()) << cr.sink.lines.front().text;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(cr.dest[std::size_t(i)], i == 2 ? 0x0F : i + 1) << i;

    Load s(Fmt::Motorola, "S1050000AABB95\rS1050002CCDD4F\rS9030000FC\r");
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(s.dest[3], 0xDD);
    EXPECT_TRUE(s.sink.lines.empty());

    // CR LF stays one line end: line numbers count lines, not characters.
    Load mixed(Fmt::Intel, ":0100000001FE\r\n:01000100FF00\r\n:00000001FF\r\n");
    ASSERT_EQ(mixed.sink.lines.size(), 1u);
    EXPECT_EQ(mixed.sink.lines[0].text, "Warning: Line 2, Data format error\n");
}
