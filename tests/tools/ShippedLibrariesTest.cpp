// The device libraries built from data/*.txt, read back through the application's reader.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "devices/Algorithms.h"
#include "devices/DeviceLibrary.h"
#include "devices/DeviceTables.h"
#include "support/TestDoubles.h"
#include "tools/devlibc/DevlibSource.h"

using namespace vantor;
namespace fs = std::filesystem;

namespace {

struct Loaded {
    std::vector<DeviceIndexEntry> index;
    std::vector<DeviceRecord> records;
    std::map<std::string, const DeviceRecord *> byName;  // "VENDOR/NAME"
};

const Loaded &load(const std::string &file) {
    static std::map<std::string, Loaded> cache;
    if (auto it = cache.find(file); it != cache.end()) return it->second;
    Loaded &l = cache[file];
    test::RecordingPrompt prompt;
    DeviceLibrary lib(prompt);
    lib.setLibraryDirectory(VANTOR_BIN_DIR);
    lib.SetLibraryFile(file);
    l.index = lib.LoadIndex();
    for (const auto &e : l.index) {
        DeviceRecord r;
        const std::string name(e.device_name, strnlen(e.device_name, sizeof e.device_name));
        EXPECT_TRUE(lib.FindDevice(e.vendor_index, name, r)) << file << ": " << name;
        l.records.push_back(r);
    }
    for (const auto &r : l.records) l.byName[std::string(r.vendor_name) + "/" + r.device_name] = &r;
    EXPECT_TRUE(prompt.shown.empty()) << file << ": " << prompt.shown.front().text;
    return l;
}

std::string nameOf(const DeviceRecord &r) { return std::string(r.vendor_name) + "/" + r.device_name; }

bool isIsp(const DeviceRecord &r) { return std::string_view(r.device_name).find("@ISP") != std::string_view::npos; }

std::string upper(std::string s) {
    for (char &c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return s;
}

class ShippedLibrary : public ::testing::TestWithParam<const char *> {};

}  // namespace

INSTANTIATE_TEST_SUITE_P(All, ShippedLibrary, ::testing::Values("TR610.dev", "TR620.dev", "EMX31B.dev"));

TEST_P(ShippedLibrary, LoadsThroughTheReaderWithSoundRecords) {
    const auto &l = load(GetParam());
    ASSERT_FALSE(l.index.empty());
    if (std::string(GetParam()) != "EMX31B.dev") {
        EXPECT_GE(l.index.size(), 200u);
    }
    ASSERT_EQ(l.records.size(), l.index.size());
    for (std::size_t i = 0; i < l.records.size(); ++i) {
        const auto &r = l.records[i];
        SCOPED_TRACE(nameOf(r));
        EXPECT_TRUE(std::memchr(l.index[i].device_name, 0, sizeof l.index[i].device_name));
        EXPECT_GT(std::strlen(r.device_name), 0u);
        EXPECT_EQ(r.valid, 1u);
        EXPECT_LT(r.vendor_index, kVendorCount);
        EXPECT_LT(r.adapter_index, kAdapterCount);
        EXPECT_LE(r.device_type, kTypeRam);
        EXPECT_NE(algo::findAlgorithm(r.algorithm), nullptr) << int(r.algorithm);
        EXPECT_GE(r.area_count, 1);
        for (int a = 0; a < 4; ++a) {
            const auto &x = r.memory_areas[a];
            if (!x.size_bytes) continue;
            EXPECT_LE(std::uint64_t(x.buffer_start) + x.size_bytes, 0x800000u) << "area " << a;
            for (int b = 0; b < a; ++b) {
                const auto &y = r.memory_areas[b];
                if (!y.size_bytes) continue;
                EXPECT_TRUE(x.buffer_start >= y.buffer_start + y.size_bytes ||
                            y.buffer_start >= x.buffer_start + x.size_bytes)
                    << "areas " << b << " and " << a;
            }
        }
        // Areas are used up to the first absent one: no gaps.
        for (int a = 0; a < r.area_count; ++a) EXPECT_NE(r.memory_areas[a].size_bytes, 0u);
        const std::string config = r.config_name;
        EXPECT_LE(config.size(), 16u);
        EXPECT_EQ(config, upper(config));
    }
}

TEST_P(ShippedLibrary, DumpAndRecompileReproduceTheFileExactly) {
    std::ifstream in(fs::path(VANTOR_BIN_DIR) / GetParam(), std::ios::binary);
    const std::vector<std::uint8_t> image{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(image.empty());
    EXPECT_TRUE(devlibc::checkLibraryImage(image, GetParam(), nullptr).empty());
    devlibc::Library lib;
    std::string name, error;
    ASSERT_TRUE(devlibc::decodeLibrary(image, lib, name, error)) << error;
    const auto again = devlibc::compileText(devlibc::dumpLibrary(lib, name), "dump.txt");
    ASSERT_TRUE(again.ok()) << again.errors.front().text();
    EXPECT_EQ(devlibc::encodeLibrary(again.library, GetParam(), error), image);
}

// The memory-layout texts assume these shapes for the four special vendors' MCUs.
TEST_P(ShippedLibrary, SpecialLayoutVendorsHaveTheAreasTheirTextsName) {
    for (const auto &r : load(GetParam()).records) {
        if (r.device_type != kTypeMcu) continue;
        SCOPED_TRACE(nameOf(r));
        switch (r.vendor_index) {
        case 82:  // SST: Block0 and Block1 are always both printed
            EXPECT_EQ(r.area_count, 2);
            break;
        case 95:  // WINBOND: APROM alone or APROM + LDROM
        case 10:  // ATMEL: FLASH alone or FLASH + EEPROM
            EXPECT_LE(r.area_count, 2);
            break;
        case 48:  // MICROCHIP: word devices, EEPROM lines in word addresses
            EXPECT_TRUE(r.isWordDevice());
            break;
        default: break;
        }
        if (r.area_count == 2) {
            EXPECT_EQ(r.memory_areas[0].buffer_start, 0u);
        }
    }
}

TEST_P(ShippedLibrary, WordDevicesKeepCodeBelowTheirEepromArea) {
    for (const auto &r : load(GetParam()).records) {
        if (!r.isWordDevice()) continue;
        SCOPED_TRACE(nameOf(r));
        EXPECT_EQ(r.memory_areas[0].buffer_start, 0u);
        EXPECT_EQ(r.memory_areas[0].size_bytes % 2, 0u);
        EXPECT_EQ(r.option_flags & kOptionIgnoreFF, 0u);  // erased high bytes are not FF
        EXPECT_LE(r.area_count, 2);
        if (r.area_count == 2) {
            // Masking treats everything below area 1 as code: it must sit above the
            // configuration words at 4000h..400Fh, at the EEPROM's hex address.
            EXPECT_EQ(r.memory_areas[1].buffer_start, 0x4200u);
            EXPECT_EQ(r.data_width, 14);
        }
        if (r.device_id[0]) {
            EXPECT_EQ(r.device_id[0], 0x29);
        }
    }
}

TEST_P(ShippedLibrary, IspRowsMirrorTheirSocketDevice) {
    const auto &l = load(GetParam());
    int isp = 0;
    for (const auto &r : l.records) {
        if (!isIsp(r)) continue;
        ++isp;
        SCOPED_TRACE(nameOf(r));
        EXPECT_LT(r.adapter_index, 19) << "an ISP row uses an ISP connector";
        std::string base = r.device_name;
        base.erase(base.find("@ISP"));
        const auto it = l.byName.find(std::string(r.vendor_name) + "/" + base);
        ASSERT_NE(it, l.byName.end()) << "no socket row " << base;
        const DeviceRecord &s = *it->second;
        EXPECT_EQ(std::memcmp(s.device_id, r.device_id, 4), 0);
        EXPECT_EQ(std::memcmp(s.memory_areas, r.memory_areas, sizeof r.memory_areas), 0);
        EXPECT_EQ(std::string(s.config_name), r.config_name);
        EXPECT_EQ(s.device_type, r.device_type);
    }
    EXPECT_GT(isp, 0);
}

TEST(ShippedLibraries, TheProgrammerLibrariesSpanAllDeviceTypes) {
    for (const char *file : {"TR610.dev", "TR620.dev"}) {
        std::set<int> types;
        for (const auto &r : load(file).records) types.insert(r.device_type);
        EXPECT_EQ(types.size(), 6u) << file;
    }
    std::set<std::string> tr610, tr620;
    for (const auto &r : load("TR610.dev").records) tr610.insert(nameOf(r));
    for (const auto &r : load("TR620.dev").records) tr620.insert(nameOf(r));
    for (const auto &n : tr610) EXPECT_TRUE(tr620.count(n)) << n << " is missing from TR620";
    EXPECT_GT(tr620.size(), tr610.size());
}

TEST_P(ShippedLibrary, ConfigurableMicrocontrollersNameTheirConfigFile) {
    const std::uint32_t configurable = operationFlagBit(kOpWriteFuse) | operationFlagBit(kOpProtect) |
                                       operationFlagBit(kOpWriteConfig) | operationFlagBit(kOpWriteCal);
    for (const auto &r : load(GetParam()).records) {
        if (r.device_type != kTypeMcu || !(r.operation_flags & configurable)) continue;
        std::string base = r.device_name;
        base = base.substr(0, base.find('@'));
        EXPECT_EQ(std::string(r.config_name), upper(base).substr(0, 16)) << nameOf(r);
    }
}

TEST(ShippedLibraries, FlagsIgnoreFFOnlyWhereErasedMeansFF) {
    const std::set<std::uint8_t> erasable = {
        algo::kMcs51Parallel,  algo::kMcs51Serial, algo::kMcs51TwentyPin, algo::kMcs51Sst, algo::kMcs51Winbond,
        algo::kMcs51Stc,       algo::kAvrSerial,   algo::kSpiFlash,       algo::kEprom,    algo::kFlashJedec,
        algo::kFlashPageWrite, algo::kEmxAt89s5x,  algo::kEmxP89v51,      algo::kEmxW78e,  algo::kEmxSst89,
        algo::kEmxAt89Large,   algo::kEmxAt89s8252};
    for (const char *file : {"TR610.dev", "TR620.dev", "EMX31B.dev"})
        for (const auto &r : load(file).records) {
            if (r.option_flags & kOptionIgnoreFF) {
                EXPECT_TRUE(erasable.count(r.algorithm)) << file << ": " << nameOf(r);
            }
        }
}

TEST(ShippedLibraries, KnownDevicesCarryTheirDatasheetFacts) {
    const auto &l = load("TR610.dev");
    auto find = [&](const std::string &n) -> const DeviceRecord & {
        static const DeviceRecord none{};
        auto it = l.byName.find(n);
        EXPECT_NE(it, l.byName.end()) << n;
        return it == l.byName.end() ? none : *it->second;
    };

    test::RecordingPrompt prompt;
    DeviceLibrary lib(prompt);
    lib.setLibraryDirectory(VANTOR_BIN_DIR);
    lib.SetLibraryFile("TR610.dev");
    DeviceRecord s52;
    ASSERT_TRUE(lib.FindDeviceByVendorName("ATMEL", "AT89S52", s52));
    EXPECT_EQ(s52.memory_areas[0].size_bytes, 8192u);
    EXPECT_EQ(s52.memory_areas[0].buffer_start, 0u);
    EXPECT_EQ(s52.area_count, 1);
    EXPECT_EQ(s52.device_id[0], 0x1E);
    EXPECT_EQ(s52.device_id[1], 0x52);
    EXPECT_EQ(s52.device_id[2], 0x06);
    EXPECT_EQ(s52.pin_count, 40);
    EXPECT_STREQ(s52.adapter_text, "None");
    EXPECT_EQ(s52.algorithm, algo::kMcs51Parallel);

    const auto &isp = find("ATMEL/AT89S52@ISP");
    EXPECT_EQ(isp.algorithm, algo::kMcs51Serial);
    EXPECT_STREQ(isp.adapter_text, "ISP Port");

    const auto &m8 = find("ATMEL/ATmega8");
    EXPECT_EQ(m8.device_id[1], 0x93);
    EXPECT_EQ(m8.device_id[2], 0x07);
    EXPECT_EQ(m8.memory_areas[1].size_bytes, 512u);
    EXPECT_EQ(m8.memory_areas[1].buffer_start, 0x2000u);
    EXPECT_EQ(m8.program_page_size, 64);
    EXPECT_STREQ(m8.config_name, "ATMEGA8");
    EXPECT_TRUE(m8.operation_flags & operationFlagBit(kOpWriteFuse));
    EXPECT_EQ(find("ATMEL/ATmega8@ISP").adapter_index, 2);

    const auto &pic = find("MICROCHIP/PIC16F877A");
    EXPECT_EQ(pic.data_width, 14);
    EXPECT_EQ(pic.memory_areas[0].size_bytes, 16384u);
    EXPECT_EQ(pic.memory_areas[1].size_bytes, 512u);
    EXPECT_EQ(pic.device_id[1], 0x0E);
    EXPECT_EQ(pic.device_id[2], 0x20);
    for (const char *n : {"PIC16F84A", "PIC16F628A", "PIC12F675", "PIC16F88", "PIC16F886", "PIC16F690"})
        EXPECT_EQ(find(std::string("MICROCHIP/") + n).area_count, 2) << n << " has data EEPROM";
    EXPECT_EQ(find("MICROCHIP/PIC12F508").data_width, 12);
    EXPECT_EQ(find("MICROCHIP/PIC12F508").area_count, 1);

    const auto &sst = find("SST/SST89E516RD");
    EXPECT_EQ(sst.memory_areas[0].size_bytes, 65536u);
    EXPECT_EQ(sst.memory_areas[1].size_bytes, 8192u);

    EXPECT_EQ(find("GENERIC/24C02").device_type, kTypeSerialEeprom);
    EXPECT_EQ(find("GENERIC/24C02").memory_areas[0].size_bytes, 256u);
    EXPECT_EQ(find("GENERIC/24C02").device_id[0], 0);
    EXPECT_EQ(find("GENERIC/24C02@ISP").adapter_index, 0);
    EXPECT_EQ(find("GENERIC/93C46(x16)").data_width, 16);
    EXPECT_EQ(find("ATMEL/AT29C256").device_id[1], 0xDC);
    EXPECT_EQ(find("SST/SST39SF040").memory_areas[0].size_bytes, 512u * 1024);
    EXPECT_EQ(find("ST/M27C801").memory_areas[0].size_bytes, 1024u * 1024);
    EXPECT_EQ(find("LATTICE/GAL22V10").device_type, kTypePld);
    EXPECT_EQ(find("GENERIC/62256").device_type, kTypeRam);
}

// The EMX31B library follows the emulator's target-chip table row for row.
TEST(ShippedLibraries, Emx31bMatchesTheEmulatorChipTable) {
    struct Row {
        const char *name;
        const char *vendor;
        std::uint8_t family, variant;
        std::uint32_t size;
    } rows[] = {
        {"AT89S51", "ATMEL", 0, 0, 4096},           {"AT89S52", "ATMEL", 0, 0, 8192},
        {"AT89S53", "ATMEL", 5, 0, 12288},          {"AT89S8252", "ATMEL", 5, 0, 8192},
        {"AT89S54", "ATMEL", 4, 0, 16384},          {"AT89S58", "ATMEL", 4, 0, 32768},
        {"AT89S64", "ATMEL", 4, 0, 65536},          {"AT89C51ED2", "ATMEL", 4, 0, 65536},
        {"AT89C51RD2", "ATMEL", 4, 0, 65536},       {"AT89S51@ISP", "ATMEL", 0, 0, 4096},
        {"AT89S52@ISP", "ATMEL", 0, 0, 8192},       {"AT89S53@ISP", "ATMEL", 5, 0, 12288},
        {"AT89S8252@ISP", "ATMEL", 5, 0, 8192},     {"P89V51RB2", "NXP(PHILIPS)", 1, 0, 16384},
        {"P89V51RC2", "NXP(PHILIPS)", 1, 0, 32768}, {"P89V51RD2", "NXP(PHILIPS)", 1, 0, 65536},
        {"SST89E52RD", "SST", 3, 0, 8192},          {"SST89E54RD", "SST", 3, 1, 16384},
        {"SST89E58RD", "SST", 3, 2, 32768},         {"SST89E564RD", "SST", 3, 4, 65536},
        {"SST89E516RD", "SST", 3, 3, 65536},        {"W78E58B", "WINBOND", 2, 0, 32768},
        {"W78E516B", "WINBOND", 2, 0, 65536},
    };
    const auto &l = load("EMX31B.dev");
    ASSERT_GE(l.records.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const auto &r = l.records[i];
        SCOPED_TRACE(rows[i].name);
        EXPECT_STREQ(r.device_name, rows[i].name);
        EXPECT_STREQ(r.vendor_name, rows[i].vendor);
        EXPECT_EQ(r.algorithm, rows[i].family);
        EXPECT_EQ(r.program_params[algo::emx::kVariant], rows[i].variant);
        EXPECT_EQ(r.memory_areas[0].size_bytes, rows[i].size);
        EXPECT_EQ(r.device_type, kTypeMcu);
    }
}
