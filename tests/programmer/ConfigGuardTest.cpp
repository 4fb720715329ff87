// What keeps fuses, lock bits and configuration words from bricking a chip by accident: a
// configuration never loaded is never written, and the choices that lock a chip out are known.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>

#include "buffer/DataBuffer.h"
#include "core/Clock.h"
#include "core/StringTable.h"
#include "devices/ConfigFile.h"
#include "devices/DeviceLibrary.h"
#include "devices/DeviceTables.h"
#include "devices/LockoutRisks.h"
#include "devices/SettingsMemory.h"
#include "programmer/CProgrammer.h"
#include "support/TestDoubles.h"

using namespace vantor;
namespace fs = std::filesystem;

namespace {

const fs::path kBin = VANTOR_BIN_DIR;

// Every device of the shipped libraries by name, and for every configuration file the first
// device that names it.
struct Shipped {
    std::map<std::string, DeviceRecord> byName;
    std::map<std::string, DeviceRecord> byFile;
};

const Shipped &shipped() {
    static const Shipped s = [] {
        Shipped out;
        for (const char *lib : {"TR610.dev", "TR620.dev", "EMX31B.dev"}) {
            test::RecordingPrompt prompt;
            DeviceLibrary library(prompt);
            library.setLibraryDirectory(kBin);
            library.SetLibraryFile(lib);
            for (const auto &e : library.LoadIndex()) {
                DeviceRecord d;
                if (!library.FindDevice(e.vendor_index, e.device_name, d)) continue;
                d.valid = 1;
                out.byName.emplace(d.device_name, d);
                const fs::path path = cfg::configFilePath(kBin, d);
                if (!path.empty()) out.byFile.emplace(path.filename().string(), d);
            }
        }
        return out;
    }();
    return s;
}

std::vector<std::uint8_t> readFile(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path &p, const std::vector<std::uint8_t> &bytes) {
    std::ofstream(p, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

// Overwrites one byte in place: rewriting a file whole thousands of times is slow on disks
// that flush a truncated file.
void patchByte(const fs::path &p, std::size_t at, std::uint8_t value) {
    std::fstream f(p, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(std::streamoff(at));
    f.put(char(value));
}

// A connected programmer that records every step that would reach the chip.
class RecordingProgrammer : public CProgrammer, public Programmer {
public:
    ~RecordingProgrammer() override { shutdownWorkers(); }
    StepResult EnsureOpen() override { return {}; }
    StepResult InitDevice() override { return note(-1); }
    StepResult ReadDeviceId(std::uint8_t out[4]) override {
        std::memcpy(out, selectedDevice()->device_id, 4);
        return {};
    }
    StepResult Execute(Op op) override { return note(int(op)); }
    StepResult ReleaseDevice() override { return {}; }
    Programmer &hardware() override { return *this; }
    std::vector<int> touched() {
        std::lock_guard lock(m_);
        return touched_;
    }

private:
    StepResult note(int what) {
        std::lock_guard lock(m_);
        touched_.push_back(what);
        return {};
    }
    std::mutex m_;
    std::vector<int> touched_;
};

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("vantor-config-guard-" + std::to_string(::getpid()) + "-" +
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    TempDir() {
        fs::remove_all(path);
        fs::create_directories(path / "cfg");
    }
    ~TempDir() { fs::remove_all(path); }
};

TEST(ConfigGuard, DamagingAnyByteOfAConfigurationFileNeverLeadsToAWrite) {
    const auto &files = shipped().byFile;
    ASSERT_GT(files.size(), 100u);
    TempDir tmp;
    const fs::path chipSet = tmp.path / "chip.set";
    writeFile(chipSet, {0});

    FakeClock clock;
    test::RecordingEngineSink sink;
    std::atomic<bool> disconnected{false};
    OperationCounters counters;
    RecordingProgrammer programmer;
    programmer.setEnvironment({&sink, &clock, nullptr, &counters, &disconnected});
    DataBuffer buffer;
    std::uint8_t writes[16];
    std::fill(std::begin(writes), std::end(writes), kEndOfList);
    writes[0] = kOpErase;  // an Auto that would erase first leaves the chip untouched too
    writes[1] = kOpWriteFuse;
    writes[2] = kOpWriteConfig;
    writes[3] = kOpProtect;

    // Every byte of the three smallest files; of every file a spread of positions that takes in
    // the header fields, the defaults, the items and the check word.
    std::vector<std::pair<std::uintmax_t, std::string>> bySize;
    for (const auto &[name, device] : files) bySize.emplace_back(fs::file_size(kBin / "cfg" / name), name);
    std::sort(bySize.begin(), bySize.end());
    int runs = 0;
    std::size_t fileIndex = 0;
    for (const auto &[size, name] : bySize) {
        const bool everyByte = fileIndex++ < 3;
        SCOPED_TRACE(name);
        const auto image = readFile(kBin / "cfg" / name);
        const fs::path path = tmp.path / "cfg" / name;
        DeviceRecord device = files.at(name);
        // Remembered settings of the device, so a damaged file cannot hide behind them.
        writeFile(path, image);
        std::uint8_t items[16];
        std::uint32_t mask = 3;
        test::RecordingPrompt quiet;
        SettingsMemory(fs::path{}).RestoreDeviceSettings(tmp.path, device, items, mask, quiet);
        ASSERT_TRUE(device.configReady);
        chipset::Slot slot;
        std::memcpy(slot.device_name, device.device_name, sizeof slot.device_name);
        slot.vendor_index = device.vendor_index;
        std::memcpy(slot.config_data, device.config_data, kConfigDataSize);
        std::vector<std::uint8_t> remembered(1 + chipset::kSlotSize, 1);
        chipset::encodeSlot(slot, remembered.data() + 1);
        writeFile(chipSet, remembered);  // written directly: SaveDeviceSettings would sync it to disk

        std::vector<std::size_t> positions;
        for (std::size_t p = 0; p < image.size(); p += everyByte ? 1 : image.size() / 15 + 1) positions.push_back(p);
        for (std::size_t p : {std::size_t(32), std::size_t(36), std::size_t(84), std::size_t(86), std::size_t(472),
                              std::size_t(472 + 320), image.size() - 2, image.size() - 1})
            if (p < image.size()) positions.push_back(p);
        for (std::size_t k = 0; k < positions.size(); ++k) {
            const std::size_t p = positions[k];
            patchByte(path, p, std::uint8_t(image[p] ^ (1u << (p % 8))));
            DeviceRecord d = files.at(name);
            test::RecordingPrompt prompt;
            SettingsMemory(k % 2 ? chipSet : fs::path{}).RestoreDeviceSettings(tmp.path, d, items, mask, prompt);
            EXPECT_FALSE(d.configReady) << "byte " << p;
            ASSERT_EQ(prompt.shown.size(), 1u);
            EXPECT_EQ(prompt.shown[0].text, loadString(sid::ConfigFileFormatError));
            patchByte(path, p, image[p]);
            // The engine's refusal rests on that mark alone: two runs a file (remembered settings
            // or not) show it.
            if (k >= 2) continue;
            programmer.SetContext(&buffer, &d, nullptr);
            ASSERT_TRUE(programmer.StartAuto(writes));
            programmer.waitIdle();
            ++runs;
        }
    }
    EXPECT_TRUE(programmer.touched().empty());
    EXPECT_EQ(counters.CntFailed.load(), runs);
    EXPECT_EQ(counters.CntSuccess.load(), 0);
    EXPECT_GT(runs, 250);
}

TEST(ConfigGuard, TheSettingsMemoryNeitherKeepsNorTakesAConfigurationNeverLoaded) {
    TempDir tmp;
    const fs::path chipSet = tmp.path / "chip.set", file = tmp.path / "cfg" / "ATMEGA328P.cfg";
    const auto image = readFile(kBin / "cfg" / "ATMEGA328P.cfg");
    writeFile(chipSet, {0});
    SettingsMemory memory(chipSet);
    const DeviceRecord fresh = shipped().byName.at("ATmega328P");
    std::uint8_t items[16];
    std::uint32_t mask = 3;
    test::RecordingPrompt prompt;

    DeviceRecord d = fresh;  // no file: its zeros are neither marked nor remembered
    EXPECT_FALSE(memory.RestoreDeviceSettings(tmp.path, d, items, mask, prompt));
    EXPECT_FALSE(d.configReady);
    EXPECT_EQ(prompt.shown.back().text, loadString(sid::ConfigFileOpenFailed));
    EXPECT_FALSE(memory.SaveDeviceSettings(d, items, mask));
    EXPECT_EQ(readFile(chipSet).size(), 1u);

    writeFile(file, image);
    d = fresh;
    memory.RestoreDeviceSettings(tmp.path, d, items, mask, prompt);
    ASSERT_TRUE(d.configReady);
    EXPECT_EQ(d.config_data[0], 0x62);
    EXPECT_EQ(d.configOwned[1], 0xFF);  // what a read-back compares
    d.config_data[0] = 0xE2;
    ASSERT_TRUE(memory.SaveDeviceSettings(d, items, mask));

    auto damaged = image;
    damaged[600] ^= 0x10;
    writeFile(file, damaged);
    d = fresh;
    EXPECT_TRUE(memory.RestoreDeviceSettings(tmp.path, d, items, mask, prompt));
    EXPECT_FALSE(d.configReady);  // remembered bytes, but nothing says what they do
    std::fill(std::begin(d.config_data), std::end(d.config_data), 0);
    ASSERT_TRUE(memory.SaveDeviceSettings(d, items, mask));
    EXPECT_EQ(readFile(chipSet)[1 + 36], 0xE2);  // the slot keeps what was chosen

    // An all-zero configuration that an earlier failed load left in a slot gives way to the
    // defaults; the rest of the slot stays.
    chipset::Slot zero;
    std::strncpy(zero.device_name, fresh.device_name, sizeof zero.device_name - 1);
    zero.vendor_index = fresh.vendor_index;
    std::fill(std::begin(zero.auto_items), std::end(zero.auto_items), kEndOfList);
    zero.auto_items[0] = kOpWriteFuse;
    zero.program_range = 2;
    std::vector<std::uint8_t> bytes(1 + chipset::kSlotSize, 0);
    chipset::encodeSlot(zero, bytes.data() + 1);
    writeFile(chipSet, bytes);
    writeFile(file, image);
    d = fresh;
    EXPECT_FALSE(memory.RestoreDeviceSettings(tmp.path, d, items, mask, prompt));
    EXPECT_TRUE(d.configReady);
    EXPECT_EQ(d.config_data[0], 0x62);
    EXPECT_EQ(d.config_data[1], 0xD9);
    EXPECT_EQ(items[0], kOpWriteFuse);
    EXPECT_EQ(mask, 2u);
}

// Each case changes one byte of a device's factory configuration and names the bits that a
// configuration write (Write Fuse, Write Config) and Protect would then put at risk.
TEST(LockoutRisks, ShippedFilesMarkEachChoiceThatLocksTheChipOut) {
    struct Case {
        const char *device;
        int byte;
        std::uint8_t keep, set;  // byte = byte & keep | set
        std::vector<std::string> byConfigWrite, byProtect;
    };
    const Case cases[] = {
        {"ATmega328P", 0, 0xFF, 0x00, {}, {}},
        {"ATmega328P", 1, 0x7F, 0x00, {"RSTDISBL"}, {}},
        {"ATmega328P", 1, 0xBF, 0x00, {"DWEN"}, {}},
        {"ATmega328P", 1, 0xFF, 0x20, {"SPIEN"}, {}},
        {"ATmega328P", 1, 0x00, 0x39, {"SPIEN", "DWEN", "RSTDISBL"}, {}},
        {"ATmega328P", 0, 0xF0, 0x00, {"CKSEL"}, {}},  // external clock
        {"ATmega328P", 0, 0xF0, 0x0E, {"CKSEL"}, {}},  // crystal
        {"ATmega328P", 0, 0xF0, 0x03, {}, {}},         // internal 128 kHz
        {"ATmega328P", 16, 0xFC, 0x00, {}, {"Mode"}},  // programming and verification disabled
        {"ATmega328P", 16, 0xFC, 0x02, {}, {}},        // further programming disabled only
        {"PIC16F877A@ISP", 0, 0x7F, 0x00, {"LVP"}, {}},
        {"PIC16F877A", 0, 0x7F, 0x00, {}, {}},  // a high-voltage socket turns LVP on again
        {"PIC16F877A", 1, 0xDF, 0x00, {"CP"}, {}},
        {"PIC16F877A", 1, 0xFE, 0x00, {"CPD"}, {}},
        {"AT89S52", 16, 0x00, 0x03, {}, {"Mode"}},
        {"AT89S52", 16, 0x00, 0x00, {}, {}},
        {"ATmega32U4", 0, 0xF0, 0x0E, {}, {}},  // the crystal it leaves the factory with
        {"ATmega32U4", 0, 0xF0, 0x00, {"CKSEL"}, {}},
        {"W78E58B", 16, 0xFE, 0x00, {}, {"Lock"}},
    };
    const std::uint8_t configWrite[] = {kOpWriteFuse, kOpWriteConfig, kEndOfList}, protect[] = {kOpProtect2};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.device) + " byte " + std::to_string(c.byte));
        const DeviceRecord &device = shipped().byName.at(c.device);
        cfg::ConfigFile file;
        ASSERT_EQ(cfg::readConfigFile(cfg::configFilePath(kBin, device), file), cfg::ConfigRead::Ok);
        auto bytes = file.defaults;
        bytes[std::size_t(c.byte)] = std::uint8_t((bytes[std::size_t(c.byte)] & c.keep) | c.set);
        const auto risks = lockoutRisks(file, device, bytes);
        auto bits = [&](std::span<const std::uint8_t> ops) {
            std::vector<std::string> names;
            for (const auto &r : risksWritten(risks, ops)) names.push_back(r.bit);
            return names;
        };
        EXPECT_EQ(bits(configWrite), c.byConfigWrite);
        EXPECT_EQ(bits(protect), c.byProtect);
        for (const auto &r : risks) EXPECT_FALSE(r.consequence.empty());
    }

    // SPIEN is read-only wherever it shows, and nothing else is.
    int spien = 0;
    for (const auto &[name, device] : shipped().byFile) {
        cfg::ConfigFile file;
        ASSERT_EQ(cfg::readConfigFile(kBin / "cfg" / name, file), cfg::ConfigRead::Ok);
        for (std::size_t i = 0; i < file.items.size(); ++i) {
            const LockoutRule *rule = lockoutRule(file, i, device);
            const bool isSpien = file.items[i].kind == cfg::kCheckBox && file.items[i].text.rfind("SPIEN", 0) == 0;
            EXPECT_EQ(rule && lockoutReadOnly(*rule), isSpien) << name << " item " << i;
            spien += isSpien;
        }
    }
    EXPECT_GT(spien, 30);
}

}  // namespace
