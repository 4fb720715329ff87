#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

#include "devices/Crc16.h"
#include "tools/devlibc/DevlibSource.h"

using namespace vantor;
using namespace vantor::devlibc;
namespace fs = std::filesystem;

namespace {

constexpr const char *kBase = R"(# sample
template s51
    vendor ATMEL
    type mcu
    adapter DIP40
    pins 40
    algorithm mcs51-parallel
    ops program read verify blank erase protect
    options ignore-ff
    read-page 256
    params vpp=48 sig-bytes=3

device AT89S52 : s51
    id 1E 52 06
    area 8K
    config AT89S52
)";

std::vector<std::uint8_t> build(const CompileResult &r, const std::string &name = "T.dev") {
    std::string error;
    auto image = encodeLibrary(r.library, name, error);
    EXPECT_TRUE(error.empty()) << error;
    return image;
}

// compile -> image -> dump -> compile -> image must reproduce the image exactly.
void expectLossless(const std::vector<std::uint8_t> &image) {
    Library lib;
    std::string name, error;
    ASSERT_TRUE(decodeLibrary(image, lib, name, error)) << error;
    const std::string text = dumpLibrary(lib, name);
    const auto again = compileText(text, "dump.txt");
    ASSERT_TRUE(again.ok()) << again.errors.front().text() << "\n" << text;
    EXPECT_EQ(build(again, name), image);
    Library lib2;
    ASSERT_TRUE(decodeLibrary(build(again, name), lib2, name, error));
    EXPECT_EQ(dumpLibrary(lib2, name), text);  // the text form is stable too
}

std::string firstError(const std::string &text) {
    const auto r = compileText(text, "src.txt");
    return r.errors.empty() ? std::string("(no error)") : r.errors.front().text();
}

// The first warning, when the text compiled without errors.
std::string firstWarning(const std::string &text) {
    const auto r = compileText(text, "src.txt");
    if (!r.errors.empty()) return "error: " + r.errors.front().text();
    return r.warnings.empty() ? std::string("(no warning)") : r.warnings.front().text();
}

}  // namespace

TEST(DevlibSource, CompilesTemplatesInheritanceAndFields) {
    const auto r = compileText(std::string(kBase) + R"(
device AT89S52@ISP : AT89S52
    adapter ISP_S5X
    algorithm mcs51-serial
    params command-set=1 p7=9
    ops -protect +write-cal
    program-page 256
device "Odd \"name\"" : s51
    vendor #59
    adapter #12
    area 0x100 @ 0x10
    area 2K
    width 16
)",
                               "src.txt");
    ASSERT_TRUE(r.ok()) << r.errors.front().text();
    ASSERT_EQ(r.library.devices.size(), 3u);
    const auto &base = r.library.devices[0].record;
    EXPECT_EQ(base.device_name, "AT89S52");
    EXPECT_EQ(base.vendor_index, 10);
    EXPECT_EQ(base.adapter_index, 51);
    EXPECT_EQ(base.memory_areas[0].size_bytes, 8192u);
    EXPECT_EQ(base.device_id[1], 0x52);
    EXPECT_EQ(base.operation_flags, 0x1u | 0x2 | 0x4 | 0x8 | 0x800 | 0x100);
    EXPECT_EQ(base.program_params[0], 48);
    EXPECT_EQ(base.config_name, "AT89S52");

    const auto &isp = r.library.devices[1].record;
    EXPECT_EQ(isp.adapter_index, 7);
    EXPECT_EQ(isp.memory_areas[0].size_bytes, 8192u);  // inherited
    EXPECT_EQ(isp.operation_flags, 0x1u | 0x2 | 0x4 | 0x8 | 0x800 | 0x1000);
    EXPECT_EQ(isp.program_params[0], 1);  // same byte, renamed by the new algorithm
    EXPECT_EQ(isp.program_params[1], 3);
    EXPECT_EQ(isp.program_params[7], 9);
    EXPECT_EQ(isp.config_name, "AT89S52");

    const auto &odd = r.library.devices[2].record;
    EXPECT_EQ(odd.device_name, "Odd \"name\"");
    EXPECT_EQ(odd.vendor_index, 59);
    EXPECT_EQ(odd.adapter_index, 12);
    EXPECT_EQ(odd.memory_areas[0].buffer_start, 0x10u);
    EXPECT_EQ(odd.memory_areas[1].buffer_start, 0x110u);  // follows the previous area
    EXPECT_EQ(odd.memory_areas[1].size_bytes, 2048u);
    expectLossless(build(r));
}

TEST(DevlibSource, AreaLinesOfADerivedDeviceReplaceTheInheritedOnes) {
    const auto r = compileText(std::string(kBase) + R"(
device AT89S8252 : AT89S52
    area 8K
    area 2K @ 0x2000
device AT89S53 : AT89S52
    area 12K
)",
                               "src.txt");
    ASSERT_TRUE(r.ok()) << r.errors.front().text();
    EXPECT_EQ(r.library.devices[1].record.memory_areas[1].size_bytes, 2048u);
    EXPECT_EQ(r.library.devices[2].record.memory_areas[0].size_bytes, 12288u);
    EXPECT_EQ(r.library.devices[2].record.memory_areas[1].size_bytes, 0u);
}

TEST(DevlibSource, NamedParamsResolveAgainstTheFinalAlgorithm) {
    // params before algorithm, in a template used by two algorithms
    const auto r = compileText(R"(
template t
    params write-ms=7
device A
    vendor ATMEL
    type serial
    adapter DIP8
    area 256
    params addr-bytes=2
    algorithm i2c-eeprom
device B : t
    vendor ATMEL
    type serial
    adapter DIP8
    area 256
    algorithm microwire
)",
                               "src.txt");
    ASSERT_TRUE(r.ok()) << r.errors.front().text();
    EXPECT_EQ(r.library.devices[0].record.program_params[0], 2);
    EXPECT_EQ(r.library.devices[1].record.program_params[2], 7);  // microwire write-ms
    EXPECT_EQ(firstError(R"(device A
    vendor ATMEL
    type serial
    adapter DIP8
    area 256
    algorithm i2c-eeprom
    params vpp=3
)"),
              "src.txt:7: unknown parameter 'vpp' for algorithm i2c-eeprom");
}

TEST(DevlibSource, EachErrorNamesItsFileAndLine) {
    const std::string dev = "device X\n    vendor ATMEL\n    type mcu\n    adapter DIP40\n    algorithm pic14\n";
    struct Case {
        std::string text;
        std::string expected;
    } cases[] = {
        {dev + "    area 1K\n    vendor ATMELL\n", "src.txt:7: unknown vendor 'ATMELL'"},
        {dev + "    area 1K\n    vendor atmel\n", "src.txt:7: unknown vendor 'atmel' (did you mean 'ATMEL'?)"},
        {dev + "    area 1K\n    adapter DIP41\n", "src.txt:7: unknown adapter 'DIP41'"},
        {dev + "    area 1K\n    adapter ISP\n",
         "src.txt:7: adapter name 'ISP' is ambiguous (rows 8..19): use the index form #8"},
        {"device ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456\n    vendor ATMEL\n    type mcu\n    adapter DIP40\n"
         "    algorithm pic14\n    area 1K\n",
         "src.txt:1: device name too long (33 characters, at most 31)"},
        {dev + "    area 1K\n    config ABCDEFGHIJKLMNOPQR\n",
         "src.txt:7: config name too long (18 characters, at most 16)"},
        {dev + "    area 8Q\n", "src.txt:6: bad number '8Q' for the area size"},
        {dev + "    area 1K\n    pins 0x\n", "src.txt:7: bad number '0x' for pins"},
        {dev + "    area 1K\n    pins 70000\n", "src.txt:7: number 70000 too large for pins (at most 65535)"},
        {dev + "    id 1E 5G\n    area 1K\n", "src.txt:6: bad number '5G' (expected a hex byte)"},
        {dev + "    area 1K\n    ops program flash\n", "src.txt:7: unknown operation name 'flash'"},
        {dev + "    area 1K\n    options ignore-00\n", "src.txt:7: unknown option name 'ignore-00'"},
        {"device X\n    vendor ATMEL\n    adapter DIP40\n    algorithm pic14\n    area 1K\n",
         "src.txt:1: device 'X': missing required field 'type'"},
        {dev + "    area 1K\n    colour red\n", "src.txt:7: unknown field 'colour'"},
        {"# leading comment\n    vendor ATMEL\n", "src.txt:2: field 'vendor' outside a device or template block"},
        {"device Y : X\n", "src.txt:1: unknown base 'X' (no template or earlier device of that name)"},
        {dev + "    area 1K\n    algorithm pic15\n", "src.txt:7: unknown algorithm 'pic15'"},
        {dev + "    area 1K\n    config \"abc\n", "src.txt:7: unterminated quoted text"},
        {dev + "    area 1K\n    area 1K\n    area 1K\n    area 1K\n    area 1K\n",
         "src.txt:10: a device has at most 4 memory areas"},
    };
    for (const auto &c : cases) EXPECT_EQ(firstError(c.text), c.expected) << c.text;
}

TEST(DevlibSource, RecordsTheFormatHoldsCompileWithWarningsAndCheckRefusesThem) {
    const std::string dev = "device X\n    vendor ATMEL\n    type mcu\n    adapter DIP40\n    algorithm pic14\n";
    struct Case {
        std::string text;
        std::string expected;
    } cases[] = {
        {"\n" + dev + "    area 1K\n    adapter #73\n", "src.txt:8: adapter index 73 out of range (0..72)"},
        {"device ABCDEFGHIJKLMNOPQRSTUVWXYZ012345\n    vendor ATMEL\n    type mcu\n    adapter DIP40\n"
         "    algorithm pic14\n    area 1K\n",
         "src.txt:1: device name is not NUL-terminated (32 characters)"},
        {dev + "    area 1K\n    config ABCDEFGHIJKLMNOPQ\n",
         "src.txt:7: config name is not NUL-terminated (17 characters)"},
        {dev + "    area 1K\n    config ../x\n", "src.txt:7: config name '../x' is not a plain file name"},
        {dev + "    area 8K\n    area 2K @ 0x1000\n",
         "src.txt:7: area 1 (0x1000..0x17FF) overlaps area 0 (0x0..0x1FFF)"},
        {dev + "    area 8K @ 0x7FF000\n", "src.txt:6: area 0 (0x7FF000..0x800FFF) runs past the 8 MiB buffer"},
        {dev + "    area 1K\n    width 14\n    area 3 @ 0x4200\n",
         "src.txt:8: area 1 of a word device must start and end on a word boundary"},
        {dev + "    area 1K\n    width 0\n", "src.txt:7: data width 0 is not 8, 12, 14 or 16"},
        {dev + "    area 1K\n" + dev + "    area 2K\n",
         "src.txt:7: duplicate device ATMEL/X (first defined at src.txt:1)"},
        {dev, "src.txt:1: device 'X' has no memory area"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(firstWarning(c.text), c.expected) << c.text;
        // Written all the same, every record of it, and dumped back byte for byte.
        const auto r = compileText(c.text, "src.txt");
        ASSERT_TRUE(r.ok()) << c.text;
        ASSERT_FALSE(r.library.devices.empty()) << c.text;
        const auto image = build(r);
        expectLossless(image);
        // check stays strict.
        EXPECT_FALSE(checkLibraryImage(image, "T.dev", nullptr).empty()) << c.text;
    }
    const auto twice = compileText(dev + "    area 1K\n" + dev + "    area 2K\n", "src.txt");
    ASSERT_EQ(twice.library.devices.size(), 2u) << "the duplicate is kept";
    EXPECT_EQ(twice.library.devices[1].record.memory_areas[0].size_bytes, 2048u);
}

TEST(DevlibSource, ReportsEveryErrorAndProducesNoDevicesFromBrokenBlocks) {
    const auto r = compileText(R"(device A
    vendor NOBODY
    type mcu
    adapter DIP40
    algorithm pic14
    area 1K
device B
    vendor ATMEL
    type mcu
    adapter DIP40
    algorithm pic14
    area 1K
    pins lots
)",
                               "src.txt");
    ASSERT_EQ(r.errors.size(), 3u);
    EXPECT_EQ(r.errors[0].line, 2);
    EXPECT_EQ(r.errors[1].line, 1);  // A then lacks its vendor
    EXPECT_EQ(r.errors[2].line, 13);
    EXPECT_FALSE(r.ok());
}

TEST(DevlibSource, IncludedFilesReportTheirOwnNamesAndCyclesAreRefused) {
    const fs::path dir = fs::temp_directory_path() / ("devlibc-inc-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "base.txt") << kBase;
    std::ofstream(dir / "bad.txt") << "device Q : s51\n    area 1K\n    pins many\n";
    std::ofstream(dir / "top.txt") << "include base.txt\ninclude bad.txt\ndevice Z : AT89S52\n";
    std::ofstream(dir / "loop.txt") << "include loop.txt\n";

    const auto r = compileFile(dir / "top.txt");
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0].file, (dir / "bad.txt").string());
    EXPECT_EQ(r.errors[0].line, 3);
    EXPECT_EQ(r.inputs.size(), 3u);

    std::ofstream(dir / "bad.txt") << "device Q : s51\n    area 1K\n";
    const auto ok = compileFile(dir / "top.txt");
    ASSERT_TRUE(ok.ok()) << ok.errors.front().text();
    EXPECT_EQ(ok.library.devices.size(), 3u);

    const auto loop = compileFile(dir / "loop.txt");
    ASSERT_FALSE(loop.ok());
    EXPECT_NE(loop.errors[0].message.find("circular"), std::string::npos);

    // Only regular files are read: a directory (or a device) named by mistake is refused.
    std::ofstream(dir / "dir.txt") << "\xEF\xBB\xBFinclude .\n";
    const auto notFile = compileFile(dir / "dir.txt");
    ASSERT_EQ(notFile.errors.size(), 1u);
    EXPECT_EQ(notFile.errors[0].line, 1);
    EXPECT_NE(notFile.errors[0].message.find("cannot read included file"), std::string::npos);
    fs::remove_all(dir);
}

TEST(DevlibSource, AmbiguousBaseNeedsTheVendorPrefix) {
    const std::string two = R"(template t
    type eprom
    adapter DIP28
    algorithm eprom
    area 8K
device 2764 : t
    vendor GENERIC
device 2764 : t
    vendor INTEL
)";
    EXPECT_EQ(firstError(two + "device C : 2764\n"), "src.txt:10: base '2764' is ambiguous: write VENDOR/2764");
    const auto r = compileText(two + "device C : INTEL/2764\n", "src.txt");
    ASSERT_TRUE(r.ok()) << r.errors.front().text();
    EXPECT_EQ(r.library.devices[2].record.vendor_index, 40);
}

TEST(DevlibSource, NumbersAcceptHexDecimalAndSizeSuffixes) {
    std::uint64_t v = 0;
    EXPECT_TRUE(parseNumber("8K", v));
    EXPECT_EQ(v, 8192u);
    EXPECT_TRUE(parseNumber("0x2000", v));
    EXPECT_EQ(v, 0x2000u);
    EXPECT_TRUE(parseNumber("1M", v));
    EXPECT_EQ(v, 0x100000u);
    EXPECT_TRUE(parseNumber("0x10k", v));
    EXPECT_EQ(v, 0x4000u);
    for (const char *bad : {"", "K", "0x", "12a", "-1", "0x1G", "99999999999999999"})
        EXPECT_FALSE(parseNumber(bad, v)) << bad;
    EXPECT_EQ(formatSize(8192), "8K");
    EXPECT_EQ(formatSize(0x100000), "1M");
    EXPECT_EQ(formatSize(1536), "1536");
    EXPECT_EQ(formatSize(0), "0");
}

// Records with every byte the format carries set to something, including bytes the
// fields do not describe, must survive dump and recompile unchanged.
TEST(DevlibSource, RandomLibrariesSurviveDumpAndRecompileByteForByte) {
    std::mt19937 rng(12345);
    auto byte = [&] { return std::uint8_t(rng()); };
    for (int round = 0; round < 20; ++round) {
        Library lib;
        lib.headerReserved0 = rng();
        for (int i = 0; i < 30; ++i) lib.headerReserved.push_back(byte());
        lib.headerReserved.push_back(1);
        lib.libraryNamePad = {0, 7, 0, 9};
        for (int i = 0; i < 40; ++i) {
            DeviceEntry e;
            auto &r = e.record;
            const int len = 1 + int(rng() % 20);
            for (int k = 0; k < len; ++k) r.device_name += char(1 + rng() % 255);
            r.device_name += "#" + std::to_string(i);  // unique within a vendor
            if (rng() % 2) e.namePad = {byte(), 0, 1};
            r.vendor_index = std::uint16_t(rng() % 101);
            const std::uint8_t widths[] = {8, 12, 14, 16};
            r.data_width = widths[rng() % 4];
            r.device_type = std::uint8_t(rng() % 6);
            for (auto &b : r.device_id) b = byte();
            std::uint32_t at = std::uint32_t(rng() % 0x1000) * 2;
            const int areas = 1 + int(rng() % 4);
            for (int a = 0; a < areas; ++a) {
                const std::uint32_t size = (1 + rng() % 0x800) * 2;
                r.memory_areas[a] = {size, at};
                at += size + (rng() % 64) * 2;
            }
            if (rng() % 3 == 0) r.memory_areas[3] = {0, 0x1234};  // absent area with a start
            r.pin_count = std::uint16_t(rng());
            r.adapter_index = std::uint16_t(rng() % 73);
            r.option_flags = rng();
            r.operation_flags = rng();
            r.algorithm = byte();
            for (auto &b : r.reserved_bytes) b = byte();
            const int clen = int(rng() % 17);
            for (int k = 0; k < clen; ++k) r.config_name += char('A' + rng() % 26);
            if (clen < 14 && rng() % 2) e.configPad = {5};
            r.reserved_word0 = std::uint16_t(rng());
            r.reserved_word1 = std::uint16_t(rng());
            r.read_page_size = std::uint16_t(rng());
            r.program_page_size = std::uint16_t(rng());
            for (auto &b : r.program_params) b = byte();
            r.reserved_tail = std::uint16_t(rng());
            ASSERT_TRUE(validateEntry(e).empty()) << validateEntry(e).front().message;
            lib.devices.push_back(std::move(e));
        }
        std::string error;
        const auto image = encodeLibrary(lib, "R.dev", error);
        ASSERT_FALSE(image.empty()) << error;
        expectLossless(image);
    }
}

TEST(DevlibSource, CheckFindsDamageThatTheReaderWouldRejectOrMisread) {
    const auto r = compileText(std::string(kBase) + "device B : s51\n    area 1K\n", "src.txt");
    ASSERT_TRUE(r.ok());
    const auto good = build(r, "T.dev");
    std::size_t count = 0;
    EXPECT_TRUE(checkLibraryImage(good, "T.dev", &count).empty());
    EXPECT_EQ(count, 2u);

    auto reseal = [](std::vector<std::uint8_t> img) {
        const auto n = img.size() - 2;
        const auto crc = Crc16::of(img.data(), n);
        img[n] = std::uint8_t(crc >> 8);
        img[n + 1] = std::uint8_t(crc);
        return img;
    };
    auto first = [](const std::vector<std::string> &v) { return v.empty() ? std::string("(none)") : v.front(); };

    auto flipped = good;
    flipped[200] ^= 1;
    EXPECT_EQ(first(checkLibraryImage(flipped, "T.dev", nullptr)), "check word mismatch (file damaged)");
    EXPECT_EQ(first(checkLibraryImage(good, "t.dev", nullptr)),
              "library_name is 'T.dev', but the file is named 't.dev'");

    auto dup = good;  // second record renamed to the first one's name
    std::memcpy(dup.data() + 156 + 136, "AT89S52", 8);
    EXPECT_EQ(first(checkLibraryImage(reseal(dup), "T.dev", nullptr)),
              "record 1 (ATMEL/AT89S52): duplicate of record 0");

    auto unterminated = good;
    std::memset(unterminated.data() + 156, 'A', 32);
    const auto faults = checkLibraryImage(reseal(unterminated), "T.dev", nullptr);
    ASSERT_FALSE(faults.empty());
    EXPECT_NE(faults.front().find("device name is not NUL-terminated"), std::string::npos);

    auto overlap = good;  // area 1 of record 0 placed over area 0
    overlap[156 + 0x30] = 0x10;
    overlap[156 + 0x34] = 0x00;
    EXPECT_EQ(first(checkLibraryImage(reseal(overlap), "T.dev", nullptr)),
              "record 0 (ATMEL/AT89S52): area 1 (0x0..0xF) overlaps area 0 (0x0..0x1FFF)");

    auto shortFile = good;
    shortFile.erase(shortFile.end() - 10, shortFile.end());
    EXPECT_NE(first(checkLibraryImage(reseal(shortFile), "T.dev", nullptr)).find("records need"), std::string::npos);
}
