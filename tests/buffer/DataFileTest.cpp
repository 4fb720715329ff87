#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "buffer/DataFile.h"
#include "tests/buffer/TestSupport.h"
#include "tests/support/RunCommand.h"

using namespace vantor;
using vantor::test::readText;
using vantor::test::RecordingSink;
using vantor::test::TempDir;
using vantor::test::writeText;
namespace msg = vantor::formats::msg;
namespace fs = std::filesystem;

namespace {

TEST(DataFile, ExtensionRule) {
    EXPECT_EQ(formatForLoad("a/b.hex"), FileFormat::IntelHex);
    EXPECT_EQ(formatForLoad("prog.Hex"), FileFormat::IntelHex);
    EXPECT_EQ(formatForLoad("x.s"), FileFormat::Motorola);
    for (const char *motorola : {"x.S19", "x.s28", "x.s37", "x.SREC"}) {
        EXPECT_EQ(formatForLoad(motorola), FileFormat::Motorola) << motorola;
        EXPECT_EQ(formatForSave(motorola), FileFormat::Motorola) << motorola;
    }
    EXPECT_EQ(formatForLoad("x.s2"), FileFormat::Binary);
    EXPECT_EQ(formatForLoad("x.tek"), FileFormat::Tektronix);
    EXPECT_EQ(formatForLoad("x.xtek"), FileFormat::ExtTektronix);
    EXPECT_EQ(formatForLoad("dir.hex/file"), FileFormat::Binary);
    EXPECT_EQ(formatForLoad("x.hex.bin"), FileFormat::Binary);
    EXPECT_EQ(formatForLoad("x.pof"), FileFormat::Binary);
    EXPECT_EQ(formatForSave("x.pof"), FileFormat::Pof);
    EXPECT_EQ(formatName(FileFormat::ExtTektronix), "Ext. Tektronix\n");
    EXPECT_EQ(formatComboName(FileFormat::ExtTektronix), "Extend Tektronix");
}

struct Fixture : ::testing::Test {
    TempDir dir;
    std::unique_ptr<DataBuffer> buffer = std::make_unique<DataBuffer>();
    RecordingSink sink;
};

using DataFileLoad = Fixture;
using DataFileSave = Fixture;

TEST_F(DataFileLoad, MessagesAndMappingOfASuccessfulLoad) {
    writeText(dir / "a.hex", ":0400000001020304F2\r\n:00000001FF\r\n");
    LoadSettings s;
    s.format = FileFormat::IntelHex;
    s.loadFileStart = 1;
    s.loadBufferStart = 0x1000;
    s.unusedByteMode = UnusedByteMode::Fill00;
    const LoadResult r = loadFile(dir / "a.hex", *buffer, s, sink);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ((*buffer)[0x1000], 2);
    EXPECT_EQ((*buffer)[0x1002], 4);
    EXPECT_EQ((*buffer)[0x0FFF], 0);
    EXPECT_EQ((*buffer)[DataBuffer::kSize - 1], 0);
    EXPECT_EQ(r.lowestAddress, 0x1000u);
    EXPECT_EQ(r.endAddress, 0x1003u);
    ASSERT_EQ(sink.lines.size(), 3u);
    EXPECT_EQ(sink.lines[0].text, "Load File: " + (dir / "a.hex").string() + "\n");
    EXPECT_TRUE(sink.lines[0].bold);
    EXPECT_EQ(sink.lines[1].text, "File Format: IntelHEX\n");
    EXPECT_EQ(sink.lines[1].colour, msg::Black);
    EXPECT_EQ(sink.lines[2].text, "Load File Successful\n");
    EXPECT_EQ(sink.lines[2].colour, msg::Green);
}

TEST_F(DataFileLoad, AnUnreadableFileFailsInRedWithTheSystemsReason) {
    LoadSettings s;
    s.unusedByteMode = UnusedByteMode::Fill00;
    const LoadResult r = loadFile(dir / "none.bin", *buffer, s, sink);
    EXPECT_EQ(r.status, LoadStatus::CannotRead);
    EXPECT_EQ((*buffer)[5], 0);
    ASSERT_EQ(sink.lines.size(), 3u);
    EXPECT_EQ(sink.lines[1].text, (dir / "none.bin").string() + ": No such file or directory\n");
    EXPECT_EQ(sink.lines[1].colour, msg::Red);
    EXPECT_EQ(sink.lines[2].text, "Load File Failed\n");
    EXPECT_EQ(sink.lines[2].colour, msg::Red);

    sink.lines.clear();
    fs::create_directory(dir / "folder.hex");
    EXPECT_EQ(loadDataFile(dir / "folder.hex", *buffer, s, sink).status, LoadStatus::CannotRead);
    EXPECT_TRUE(sink.has((dir / "folder.hex").string() + ": Is a directory\n", msg::Red));
    if (::geteuid() != 0) {  // root reads anyway
        writeText(dir / "locked.hex", ":00000001FF\n");
        fs::permissions(dir / "locked.hex", fs::perms::none);
        for (FileFormat f : {FileFormat::Binary, FileFormat::IntelHex}) {
            sink.lines.clear();
            s.format = f;
            EXPECT_EQ(loadDataFile(dir / "locked.hex", *buffer, s, sink).status, LoadStatus::CannotRead);
            EXPECT_TRUE(sink.has((dir / "locked.hex").string() + ": Permission denied\n", msg::Red));
        }
    }
}

TEST_F(DataFileLoad, IgnoreKeepsEarlierBytesAndBinaryHonoursFileStartAndRoom) {
    writeText(dir / "one.bin", "ABCDEFGH");
    writeText(dir / "two.bin", "xy");
    LoadSettings s;
    ASSERT_TRUE(loadFile(dir / "one.bin", *buffer, s, sink).ok());
    s.unusedByteMode = UnusedByteMode::Ignore;
    ASSERT_TRUE(loadFile(dir / "two.bin", *buffer, s, sink).ok());
    EXPECT_EQ(std::string(buffer->data(), buffer->data() + 8), "xyCDEFGH");

    // File start past the end: nothing copied, still a success.
    s.loadFileStart = 8;
    sink.lines.clear();
    const LoadResult past = loadFile(dir / "one.bin", *buffer, s, sink);
    EXPECT_TRUE(past.ok());
    EXPECT_FALSE(past.wroteData);

    // Offset 2 of the file at the last three bytes of the buffer: three fit, three are dropped.
    s.loadFileStart = 2;
    s.loadBufferStart = DataBuffer::kSize - 3;
    sink.lines.clear();
    const LoadResult edge = loadFile(dir / "one.bin", *buffer, s, sink);
    ASSERT_TRUE(edge.ok());
    EXPECT_EQ((*buffer)[DataBuffer::kSize - 3], 'C');
    EXPECT_EQ((*buffer)[DataBuffer::kSize - 1], 'E');
    EXPECT_EQ(edge.endAddress, DataBuffer::kSize);
    EXPECT_TRUE(sink.has("Warning: Some data out of range has been ignored\r\n", msg::PaleGreen));
}

TEST_F(DataFileSave, WritesRelativeAddressesWithCrLf) {
    for (std::size_t i = 0; i < 0x40; ++i) (*buffer)[0x2000 + i] = std::uint8_t(i);
    SaveSettings s{0x2000, 0x40, FileFormat::Motorola};
    ASSERT_EQ(saveFile(dir / "o.s", *buffer, s, sink), SaveStatus::Ok);
    const std::string text = readText(dir / "o.s");
    EXPECT_EQ(text.substr(0, 14), "S3250000000000");
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    ASSERT_EQ(sink.lines.size(), 3u);
    EXPECT_EQ(sink.lines[0].text, "Save File: " + (dir / "o.s").string() + "\n");
    EXPECT_TRUE(sink.lines[0].bold);
    EXPECT_EQ(sink.lines[1].text, "File Format: Motorola\n");
    EXPECT_FALSE(sink.lines[1].bold);
    EXPECT_EQ(sink.lines[2].text, "Save file successful\n");
    EXPECT_EQ(sink.lines[2].colour, msg::Green);
    // No temporary file stays behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST_F(DataFileSave, FailedSavesLeaveTheExistingFileAlone) {
    const fs::path target = dir / "keep.tek";
    writeText(target, "precious");

    SaveSettings tooBig{0, 0x10001, FileFormat::Tektronix};
    EXPECT_EQ(saveDataFile(target, *buffer, tooBig, sink), SaveStatus::WriterRefused);
    EXPECT_EQ(sink.lines.back().text, "Save file failed");
    EXPECT_EQ(sink.lines.back().colour, msg::Red);

    sink.lines.clear();
    SaveSettings pastEnd{DataBuffer::kSize - 0x10, 0x11, FileFormat::Binary};
    EXPECT_EQ(saveDataFile(target, *buffer, pastEnd, sink), SaveStatus::RangeRefused);
    ASSERT_EQ(sink.lines.size(), 3u);
    EXPECT_EQ(sink.lines[0].colour, msg::Red);
    EXPECT_EQ(sink.lines[1].text, "File Format: Binary\n");

    sink.lines.clear();
    SaveSettings pof{0, 0x10, FileFormat::Pof};
    EXPECT_EQ(saveDataFile(target, *buffer, pof, sink), SaveStatus::BadFormat);
    ASSERT_EQ(sink.lines.size(), 2u);
    EXPECT_EQ(sink.lines[0].text, "File Format: ");
    EXPECT_EQ(readText(target), "precious");

    // The last byte of the buffer can be saved.
    SaveSettings last{DataBuffer::kSize - 1, 1, FileFormat::Binary};
    EXPECT_EQ(saveDataFile(target, *buffer, last, sink), SaveStatus::Ok);
    EXPECT_EQ(readText(target), "\xFF");
}

TEST_F(DataFileSave, UncreatableFileReportsPerFormat) {
    const fs::path target = dir / "no-such-dir" / "x.s";
    SaveSettings s{0, 0x10, FileFormat::Motorola};
    EXPECT_EQ(saveDataFile(target, *buffer, s, sink), SaveStatus::CannotWrite);
    ASSERT_EQ(sink.lines.size(), 4u);
    EXPECT_EQ(sink.lines[0].text, "Failed to open the file!\n");
    // The reason names the place that failed.
    EXPECT_NE(sink.lines[1].text.find("no-such-dir"), std::string::npos) << sink.lines[1].text;
    EXPECT_EQ(sink.lines[1].colour, msg::Red);
    EXPECT_EQ(sink.lines[3].text, "Save file failed");
    sink.lines.clear();
    s.format = FileFormat::IntelHex;
    EXPECT_EQ(saveDataFile(target, *buffer, s, sink), SaveStatus::CannotWrite);
    EXPECT_EQ(sink.lines.size(), 3u);
}

TEST_F(DataFileSave, EveryFormatRoundTripsThroughTheDrivers) {
    const auto data = test::randomBytes(0x9000, 11);
    std::copy(data.begin(), data.end(), buffer->data() + 0x100);
    for (FileFormat f : {FileFormat::Binary, FileFormat::IntelHex, FileFormat::Motorola, FileFormat::Tektronix,
                         FileFormat::ExtTektronix}) {
        SCOPED_TRACE(unsigned(f));
        const fs::path p = dir / ("rt" + std::to_string(unsigned(f)));
        ASSERT_EQ(saveDataFile(p, *buffer, {0x100, 0x9000, f}, sink), SaveStatus::Ok);
        DataBuffer back;
        LoadSettings s;
        s.format = f;
        s.loadBufferStart = 0x400000;
        RecordingSink loadSink;
        const LoadResult r = loadDataFile(p, back, s, loadSink);
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(loadSink.lines.size(), 2u);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), back.data() + 0x400000));
        EXPECT_EQ(r.endAddress, 0x409000u);
    }
}

// ---- vantor-cli convert ----

int runCli(const std::string &arguments) {
    const std::string cmd =
        std::string("\"") + VANTOR_BIN_DIR + "/vantor-cli\" --no-color " + arguments + " >/dev/null 2>&1";
    const int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

TEST(Convert, ConvertsUpToTheHighestLoadedAddress) {
    TempDir dir;
    writeText(dir / "in.hex", ":020000040001F9\n:020010001122BB\n:00000001FF\n");
    const std::string in = (dir / "in.hex").string(), out = (dir / "out.bin").string();
    ASSERT_EQ(runCli("convert " + in + " " + out + " --fill 00"), 0);
    const std::string bin = readText(dir / "out.bin");
    ASSERT_EQ(bin.size(), 0x10012u);
    EXPECT_EQ(bin.substr(0x10010), "\x11\x22");
    EXPECT_EQ(bin[0], '\0');

    ASSERT_EQ(runCli("convert " + out + " " + (dir / "o.x").string() + " --to xtek --start 10010 --size 2"), 0);
    EXPECT_EQ(readText(dir / "o.x"), "%0B618101122\r\n%0781010\r\n");
    ASSERT_EQ(runCli("convert " + in + " " + (dir / "o.s19").string() + " --fill 00"), 0);
    ASSERT_EQ(runCli("convert " + (dir / "o.s19").string() + " " + (dir / "back.bin").string() + " --fill 00"), 0);
    EXPECT_EQ(readText(dir / "back.bin"), bin) << "an .s19 file is written and read as Motorola S";

    // Bad input exits 2 and says why.
    const auto missing = test::runCommand(test::binPath("vantor-cli") + " --no-color convert " +
                                          (dir / "missing.hex").string() + " " + out);
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.output.find("missing.hex: No such file or directory"), std::string::npos) << missing.output;
    std::ofstream(dir / "huge.hex") << ":00000001FF\n";
    fs::resize_file(dir / "huge.hex", kMaxTextFileSize + 1);
    EXPECT_EQ(runCli("convert " + (dir / "huge.hex").string() + " " + out), 2);
    EXPECT_EQ(runCli("convert " + in + " " + out + " --from nope"), 2);
    EXPECT_EQ(runCli("convert " + in + " " + out + " --start 7FFFFF --size 2"), 2);
    EXPECT_EQ(runCli("convert " + out + " " + (dir / "big.tek").string()), 1);
    EXPECT_FALSE(fs::exists(dir / "big.tek"));
}

}  // namespace

namespace {

TEST_F(DataFileLoad, AHugeFileIsNeverReadWhole) {
    // 100 GB that take no disk space: a binary load reads only what fits, a text file that
    // large is refused unread.
    const fs::path huge = dir / "huge";
    { std::ofstream(huge, std::ios::binary).put('\x11'); }
    std::error_code ec;
    fs::resize_file(huge, std::uint64_t(100) << 30, ec);
    if (ec) GTEST_SKIP() << "no sparse files here: " << ec.message();
    LoadSettings s;
    s.room = 0x100;
    LoadResult r = loadDataFile(huge, *buffer, s, sink);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ((*buffer)[0], 0x11);
    EXPECT_EQ((*buffer)[1], 0x00);
    EXPECT_EQ((*buffer)[0x100], 0xFF);
    EXPECT_TRUE(sink.has("Warning: Some data out of range has been ignored\r\n", msg::PaleGreen));

    sink.lines.clear();
    s.format = FileFormat::IntelHex;
    r = loadDataFile(huge, *buffer, s, sink);
    EXPECT_EQ(r.status, LoadStatus::CannotRead) << "bad input, not bad data";
    ASSERT_EQ(sink.lines.size(), 3u);
    EXPECT_EQ(sink.lines[1].text, huge.string() + ": a text data file may be at most 64 MiB\n");
    EXPECT_EQ(sink.lines[1].colour, msg::Red);
    EXPECT_EQ(sink.lines[2].text, "Load File Failed\n");
}

TEST_F(DataFileLoad, ALoadThatPutsNothingIntoTheDeviceSaysSo) {
    // Motorola records all past the room: nothing lands, and that is worth a warning.
    writeText(dir / "far.s", "S2060100001122C5\r\nS9030000FC\r\n");
    LoadSettings s;
    s.format = FileFormat::Motorola;
    s.room = 0x8000;
    LoadResult r = loadDataFile(dir / "far.s", *buffer, s, sink);
    ASSERT_TRUE(r.ok());
    EXPECT_FALSE(r.wroteData);
    EXPECT_TRUE(sink.has("Warning: No data has been loaded into the device's range\r\n", msg::PaleGreen));
    EXPECT_EQ(sink.lines.back().text, "Load File Successful\n");

    sink.lines.clear();
    s.room = 0x20000;
    r = loadDataFile(dir / "far.s", *buffer, s, sink);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ((*buffer)[0x10001], 0x22);
    for (const auto &line : sink.lines) EXPECT_EQ(line.text.find("No data"), std::string::npos);
}

}  // namespace
