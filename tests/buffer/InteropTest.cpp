// Other people's tools judge our files: srec_cat and objcopy must read what we write and we must
// read what they write, and a real 8051 toolchain's output must load.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "buffer/DataFile.h"
#include "tests/buffer/TestSupport.h"

using namespace vantor;
using vantor::test::readText;
using vantor::test::RecordingSink;
using vantor::test::TempDir;
using vantor::test::writeText;
namespace fs = std::filesystem;

namespace {

bool haveTool(const char *name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

#define REQUIRE_TOOL(name)                                                                                             \
    if (!haveTool(name)) GTEST_SKIP() << name << " is not installed (Debian package: see the CI setup)"

int run(const std::string &command) {
    const int rc = std::system((command + " 2>&1").c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

std::string q(const fs::path &p) { return "'" + p.string() + "'"; }

struct Case {
    FileFormat format;
    const char *srecName;
    std::size_t size;         // what the format holds without a disagreement between tools
    const char *longRecords;  // the longest records srec_cat writes in this format
};

const Case kCases[] = {
    {FileFormat::IntelHex, "-intel", 0x18000, " -obs=250"},
    {FileFormat::Motorola, "-motorola", 0x18000, " -obs=250"},
    {FileFormat::Tektronix, "-tektronix", 0x10000, " -obs=250"},
    // Past 64 KiB the checksums of this format differ on purpose (see the reader); srec_cat
    // also refuses them with -ignore-checksums.
    {FileFormat::ExtTektronix, "-tektronix_extended", 0xFFF0, " -obs=120"},
};

std::unique_ptr<DataBuffer> bufferWith(const std::vector<std::uint8_t> &data, std::size_t at) {
    auto b = std::make_unique<DataBuffer>();
    std::copy(data.begin(), data.end(), b->data() + at);
    return b;
}

TEST(Interop, SrecCatReadsWhatWeWrite) {
    REQUIRE_TOOL("srec_cat");
    TempDir dir;
    for (const Case &c : kCases) {
        SCOPED_TRACE(c.srecName);
        const auto data = test::randomBytes(c.size, unsigned(c.format) + 20);
        auto buffer = bufferWith(data, 0x3000);
        RecordingSink sink;
        const fs::path ours = dir / "ours.txt", back = dir / "back.bin";
        ASSERT_EQ(saveDataFile(ours, *buffer, {0x3000, std::uint32_t(c.size), c.format}, sink), SaveStatus::Ok);
        ASSERT_EQ(run("srec_cat " + q(ours) + " " + c.srecName + " -o " + q(back) + " -binary"), 0);
        const std::string got = readText(back);
        ASSERT_EQ(got.size(), data.size());
        EXPECT_TRUE(std::equal(data.begin(), data.end(), reinterpret_cast<const std::uint8_t *>(got.data())));
    }
}

TEST(Interop, WeReadWhatSrecCatWrites) {
    REQUIRE_TOOL("srec_cat");
    TempDir dir;
    for (const Case &c : kCases) {
        // Plain and with start address (termination records), long records, lower case.
        for (std::string extra : {std::string(), " -execution-start-address 0x100" + std::string(c.longRecords)}) {
            SCOPED_TRACE(std::string(c.srecName) + extra);
            const std::size_t size = c.format == FileFormat::Tektronix ? 0xF000 : 0x14000;
            const std::uint32_t offset = c.format == FileFormat::Tektronix ? 0x100 : 0x12300;
            const auto data = test::randomBytes(size, unsigned(c.format) + 40);
            writeText(dir / "in.bin", std::string(data.begin(), data.end()));
            const fs::path theirs = dir / "theirs.txt";
            ASSERT_EQ(run("srec_cat " + q(dir / "in.bin") + " -binary -offset " + std::to_string(offset) + " -o " +
                          q(theirs) + " " + c.srecName + extra),
                      0);
            auto buffer = std::make_unique<DataBuffer>();
            RecordingSink sink;
            LoadSettings s;
            s.format = c.format;
            s.loadFileStart = offset;
            s.loadBufferStart = 0x10;
            const LoadResult r = loadDataFile(theirs, *buffer, s, sink);
            ASSERT_TRUE(r.ok());
            EXPECT_EQ(sink.lines.size(), 2u) << sink.lines[1].text;
            EXPECT_TRUE(std::equal(data.begin(), data.end(), buffer->data() + 0x10));
            EXPECT_EQ(r.endAddress, 0x10 + size);
        }
    }
}

TEST(Interop, ObjcopyAgreesOnIntelHexAndSRecords) {
    REQUIRE_TOOL("objcopy");
    TempDir dir;
    const auto data = test::randomBytes(0x12345, 50);
    writeText(dir / "in.bin", std::string(data.begin(), data.end()));
    auto buffer = bufferWith(data, 0);
    for (auto [format, bfd] : {std::pair{FileFormat::IntelHex, "ihex"}, std::pair{FileFormat::Motorola, "srec"}}) {
        SCOPED_TRACE(bfd);
        RecordingSink sink;
        // We write, objcopy reads.
        const fs::path ours = dir / "ours.txt";
        ASSERT_EQ(saveDataFile(ours, *buffer, {0, std::uint32_t(data.size()), format}, sink), SaveStatus::Ok);
        ASSERT_EQ(run(std::string("objcopy -I ") + bfd + " -O binary " + q(ours) + " " + q(dir / "back.bin")), 0);
        EXPECT_EQ(readText(dir / "back.bin"), std::string(data.begin(), data.end()));

        // objcopy writes at 0x20000, we read.
        const fs::path theirs = dir / "theirs.txt";
        ASSERT_EQ(run(std::string("objcopy -I binary -O ") + bfd + " --change-addresses 0x20000 " + q(dir / "in.bin") +
                      " " + q(theirs)),
                  0);
        DataBuffer back;
        LoadSettings s;
        s.format = format;
        s.loadFileStart = 0x20000;
        ASSERT_TRUE(loadDataFile(theirs, back, s, sink).ok());
        EXPECT_TRUE(std::equal(data.begin(), data.end(), back.data()));
        EXPECT_EQ(back[data.size()], 0xFF);
    }
}

const char kProgram[] = R"(
#include <8051.h>
__code const unsigned char table[300] = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0x55, 0xAA };
volatile unsigned int ticks;
void timer0(void) __interrupt(1) { ticks++; }
void serial(void) __interrupt(4) { RI = 0; TI = 0; }
unsigned char checksum(unsigned int n) {
    unsigned char s = 0;
    for (unsigned int i = 0; i < n; i++) s += table[i];
    return s;
}
void main(void) {
    TMOD = 1; ET0 = 1; EA = 1; TR0 = 1;
    for (;;) P1 = checksum(sizeof table) ^ (unsigned char)ticks;
}
)";

TEST(Interop, Sdcc8051ProgramLoads) {
    REQUIRE_TOOL("sdcc");
    REQUIRE_TOOL("objcopy");
    TempDir dir;
    writeText(dir / "prog.c", kProgram);
    ASSERT_EQ(run("cd " + q(dir.path()) + " && sdcc -mmcs51 prog.c -o prog.ihx >/dev/null"), 0);
    const fs::path ihx = dir / "prog.ihx";
    ASSERT_TRUE(fs::exists(ihx));
    // The point of this file: its records are not in address order.
    std::vector<unsigned> addresses;
    for (const std::string &line : test::splitLines(readText(ihx)))
        if (line.size() > 7 && line.substr(7, 2) == "00")
            addresses.push_back(std::stoul(line.substr(3, 4), nullptr, 16));
    EXPECT_FALSE(std::is_sorted(addresses.begin(), addresses.end()));
    ASSERT_EQ(run("objcopy -I ihex -O binary --gap-fill 0xFF " + q(ihx) + " " + q(dir / "prog.bin")), 0);
    const std::string expected = readText(dir / "prog.bin");
    ASSERT_GT(expected.size(), 300u);

    DataBuffer buffer;
    RecordingSink sink;
    LoadSettings s;
    s.format = formatForLoad(dir / "prog.hex");
    const LoadResult r = loadDataFile(ihx, buffer, s, sink);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(sink.lines.size(), 2u);
    EXPECT_EQ(r.lowestAddress, 0u);  // the reset vector; objcopy's image starts there too
    EXPECT_EQ(r.endAddress, expected.size());
    EXPECT_EQ(std::string(buffer.data(), buffer.data() + expected.size()), expected);
}

}  // namespace
