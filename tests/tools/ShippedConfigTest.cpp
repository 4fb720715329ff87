// The configuration files built from data/cfg, checked against the libraries that name them,
// and the cfgc compiler's text form.
#include <gtest/gtest.h>

#include <bitset>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <unistd.h>

#include "devices/Algorithms.h"
#include "devices/ConfigDeviceForm.h"
#include "devices/ConfigFile.h"
#include "devices/DeviceLibrary.h"
#include "devices/DeviceTables.h"
#include "support/RunCommand.h"
#include "support/TestDoubles.h"
#include "tools/cfgc/CfgSource.h"

using namespace vantor;
namespace fs = std::filesystem;

namespace {

// config_data bytes that some operation of the device sends to the programmer.
std::bitset<kConfigDataSize> sentBytes(const DeviceRecord &d) {
    std::bitset<kConfigDataSize> sent;
    const auto ops = d.operation_flags;
    if (ops & operationFlagBit(kOpWriteFuse)) {
        const int n = d.algorithm == algo::kAvrSerial ? d.program_params[algo::avr::kFuseBytes] : 16;
        for (int i = 0; i < n; ++i) sent.set(std::size_t(i));
    }
    if (ops & operationFlagBit(kOpWriteConfig)) {
        const int n = d.algorithm == algo::kPic14 ? 12 : d.algorithm == algo::kPic12 ? 2 : 16;
        for (int i = 0; i < n; ++i) sent.set(std::size_t(i));
    }
    if (ops & (operationFlagBit(kOpProtect) | operationFlagBit(kOpProtect2))) {
        const bool oneLockByte = d.algorithm >= algo::kMcs51Parallel && d.algorithm <= algo::kAvrSerial;
        for (int i = 16; i < (oneLockByte ? 17 : 32); ++i) sent.set(std::size_t(i));
    }
    if (ops & operationFlagBit(kOpWriteCal))
        for (int i = 32; i <= 36; ++i) sent.set(std::size_t(i));
    return sent;
}

std::vector<std::uint8_t> readFile(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ShippedConfigFiles, EveryNamedFileLoadsAndWritesOnlySentBytes) {
    std::set<std::string> named;
    for (const char *lib : {"TR610.dev", "TR620.dev", "EMX31B.dev"}) {
        test::RecordingPrompt prompt;
        DeviceLibrary library(prompt);
        library.setLibraryDirectory(VANTOR_BIN_DIR);
        library.SetLibraryFile(lib);
        for (const auto &e : library.LoadIndex()) {
            DeviceRecord d;
            ASSERT_TRUE(library.FindDevice(e.vendor_index, e.device_name, d));
            const fs::path path = cfg::configFilePath(VANTOR_BIN_DIR, d);
            if (path.empty()) continue;
            named.insert(path.filename().string());
            SCOPED_TRACE(std::string(lib) + " " + d.device_name);
            ConfigDeviceForm model(prompt);
            ASSERT_TRUE(model.open(path, d));
            DeviceRecord withDefaults = d;
            ASSERT_TRUE(cfg::LoadConfigDefaults(VANTOR_BIN_DIR, withDefaults, prompt));
            const auto sent = sentBytes(d);
            const auto written = cfg::bytesWritten(model.file());
            for (int i = 0; i < kConfigDataSize; ++i) {
                EXPECT_TRUE(!written[std::size_t(i)] || sent[std::size_t(i)]) << "a control writes byte " << i;
                EXPECT_TRUE(withDefaults.config_data[i] == 0 || sent[std::size_t(i)]) << "a default for byte " << i;
            }
            // The factory configuration passes the dialog's own checks.
            model.restoreDefaults();
            EXPECT_TRUE(model.accept());
            EXPECT_EQ(0, std::memcmp(model.working().data(), withDefaults.config_data, kConfigDataSize));
        }
        EXPECT_TRUE(prompt.shown.empty()) << prompt.shown.front().text;
    }
    EXPECT_GT(named.size(), 100u);
    // Nothing ships that no device names.
    for (const auto &f : fs::directory_iterator(fs::path(VANTOR_BIN_DIR) / "cfg"))
        EXPECT_TRUE(named.count(f.path().filename().string())) << f.path();
}

TEST(Cfgc, DumpCompilesBackByteForByte) {
    int files = 0;
    for (const auto &f : fs::directory_iterator(fs::path(VANTOR_BIN_DIR) / "cfg")) {
        const auto image = readFile(f.path());
        cfg::ConfigFile file;
        ASSERT_TRUE(cfg::decodeConfigImage(image, file)) << f.path();
        const auto again = cfgc::compileText(cfgc::dumpConfig(file), "dump");
        ASSERT_TRUE(again.ok()) << again.errors.front().text();
        EXPECT_EQ(cfg::encodeConfigImage(again.file), image) << f.path();
        ++files;
    }
    EXPECT_GT(files, 100);

    // Reserved bytes, text padding and a trailer survive as well.
    auto src = cfgc::compileText(
        "page-size 300 200\nhead-reserved @3 AA\ntail-reserved @339 01\ntrailer 01 02\n"
        "page\npage\n  check \"q\\\"x\\x01\" at 1 2 3 4 byte 47 mask 0x80 value 0 reserved 9 pad 00 07\n",
        "t");
    ASSERT_TRUE(src.ok()) << src.errors.front().text();
    EXPECT_EQ(src.file.pageCount, 2u);
    EXPECT_EQ(src.file.itemCounts[1], 1u);
    const auto img = cfg::encodeConfigImage(src.file);
    cfg::ConfigFile decoded;
    ASSERT_TRUE(cfg::decodeConfigImage(img, decoded));
    EXPECT_EQ(cfg::encodeConfigImage(cfgc::compileText(cfgc::dumpConfig(decoded), "d").file), img);
}

TEST(Cfgc, ErrorsNameFileAndLine) {
    const auto r = cfgc::compileText("# x\npage\n  check \"a\" at 0 0 500 10 byte 1 mask 1 value 1\n"
                                     "  hex \"h\" at 0 0 10 10 byte 46 bits 24 range any\n  bogus\n"
                                     "  radio \"unterminated at 0 0 1 1\n  check \"b\" byte 48\n",
                                     "ATX.txt");
    ASSERT_EQ(r.errors.size(), 5u);
    EXPECT_EQ(r.errors[0].text(), "ATX.txt:5: unknown directive bogus");
    EXPECT_EQ(r.errors[1].line, 6);
    EXPECT_EQ(r.errors[2].text(), "ATX.txt:3: control outside the page");
    EXPECT_EQ(r.errors[3].text(), "ATX.txt:4: value runs past byte 47");
    EXPECT_EQ(r.errors[4].line, 7);
    EXPECT_FALSE(cfgc::compileText("check \"a\"\n", "x").ok());  // an item before any page
    EXPECT_FALSE(cfgc::compileText("page\n", "x").ok());         // no items

    // An item's fields, and \x with anything but two hex digits (once read as byte 01 and FF).
    const auto f = cfgc::compileText("page\n  check \"a\" at 0 0 1\n  check \"a\" byte 256\n  check \"a\" colour 1\n"
                                     "  check \"a\" byte\n  check \"\\x1g\" byte 1\n  check \"\\x-1\" byte 1\n",
                                     "F.txt");
    ASSERT_EQ(f.errors.size(), 7u);
    EXPECT_EQ(f.errors[0].text(), "F.txt:2: at needs 4 value(s)");
    EXPECT_EQ(f.errors[1].text(), "F.txt:3: bad value for byte: 256");
    EXPECT_EQ(f.errors[2].text(), "F.txt:4: unknown item field colour");
    EXPECT_EQ(f.errors[3].text(), "F.txt:5: byte needs 1 value(s)");
    EXPECT_EQ(f.errors[4].text(), "F.txt:6: \\x needs two hex digits");
    EXPECT_EQ(f.errors[5].text(), "F.txt:7: \\x needs two hex digits");
    const auto ok = cfgc::compileText("page\n  check \"\\x7e\\n\" at 0 0 9 9 byte 1 mask 2 range any pad 05\n"
                                      "  hex \"h\" at 0 0 9 9 byte 2 bits 12 range 1\n",
                                      "G.txt");
    ASSERT_TRUE(ok.ok()) << ok.errors.front().text();
    EXPECT_EQ(ok.file.items[0].text, "~\n");
    EXPECT_EQ(ok.file.items[0].value, cfg::kRangeAny);
    EXPECT_EQ(ok.file.items[0].mask, 2);
    EXPECT_EQ(ok.file.items[0].textPad, std::vector<std::uint8_t>{5});
    // A hex field's bits and range are its bit count and range kind, not a mask and value.
    EXPECT_EQ(ok.file.items[1].bitCount, 12);
    EXPECT_EQ(ok.file.items[1].rangeKind, 1);
    EXPECT_EQ(ok.file.items[1].mask | ok.file.items[1].value, 0);
}

// The program as the build runs it: usage errors, and output that cannot be written.
TEST(Cfgc, CommandLineAndOutputFailures) {
    const std::string cfgc = test::binPath("cfgc");
    EXPECT_EQ(test::runCommand(cfgc).status, 2);
    EXPECT_EQ(test::runCommand(cfgc + " --help").status, 0);
    EXPECT_EQ(test::runCommand(cfgc + " compile x.txt").status, 2);         // no -o
    EXPECT_EQ(test::runCommand(cfgc + " dump x.cfg -o").status, 2);         // -o without its file
    const auto unknown = test::runCommand(cfgc + " check x.cfg --strict");  // devlibc's option only
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.output.find("cfgc: unknown option --strict"), std::string::npos) << unknown.output;

    if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    const fs::path shipped = fs::directory_iterator(fs::path(VANTOR_BIN_DIR) / "cfg")->path();
    const auto lost = test::runCommand("{ " + cfgc + " dump " + shipped.string() + " >/dev/full; }");
    EXPECT_EQ(lost.status, 1);
    // Larger than the stream's buffer, so the reason may be gone by the time it is told.
    EXPECT_NE(lost.output.find("cfgc: cannot write to standard output: "), std::string::npos) << lost.output;
    EXPECT_NE(test::runCommand(cfgc + " dump " + shipped.string() + " -o /dev/full").output.find("No space left"),
              std::string::npos);
}

}  // namespace
