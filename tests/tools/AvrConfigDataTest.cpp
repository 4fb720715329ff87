// The shipped configuration files against facts kept outside them: the factory fuse bytes of
// avr-libc and the datasheets (data/reference/avr-fuse-defaults.txt) and the datasheets' clock
// tables (data/reference/avr-clock-tables.txt). A wrong default or clock label lets a user
// write fuses that stop the chip.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "devices/Algorithms.h"
#include "devices/ConfigFile.h"
#include "devices/DeviceLibrary.h"
#include "devices/DeviceTables.h"
#include "support/TestDoubles.h"

using namespace vantor;
namespace fs = std::filesystem;

namespace {

const fs::path kReference = fs::path(VANTOR_SOURCE_DIR) / "data" / "reference";

struct FuseDefaults {
    std::string source;
    std::vector<std::uint8_t> bytes;
};

// "PART SOURCE HH HH [HH] ["note"]" rows.
std::map<std::string, FuseDefaults> readFuseDefaults() {
    std::map<std::string, FuseDefaults> rows;
    std::ifstream in(kReference / "avr-fuse-defaults.txt");
    EXPECT_TRUE(in) << "avr-fuse-defaults.txt";
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line.substr(0, line.find('"')));
        std::string part;
        FuseDefaults row;
        words >> part >> row.source;
        for (std::string hex; words >> hex;) row.bytes.push_back(std::uint8_t(std::stoul(hex, nullptr, 16)));
        EXPECT_TRUE(row.source.starts_with("avr-libc:") || (row.source == "datasheet" && line.find('"') != line.npos))
            << "a row without its source: " << line;
        EXPECT_TRUE(rows.emplace(part, row).second) << "two rows for " << part;
    }
    return rows;
}

struct ClockTables {
    std::map<std::string, std::map<std::string, std::string>> tables;  // table -> code -> meaning
    std::map<std::string, std::string> partTable;
};

ClockTables readClockTables() {
    ClockTables t;
    std::ifstream in(kReference / "avr-clock-tables.txt");
    EXPECT_TRUE(in) << "avr-clock-tables.txt";
    std::map<std::string, std::string> *rows = nullptr;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first == "table") {
            std::string name;
            words >> name;
            rows = &t.tables[name];
        } else if (first == "part") {
            std::string part, table, source;
            words >> part >> table;
            std::getline(words, source);
            EXPECT_NE(source.find('"'), source.npos) << "no datasheet named for " << part;
            t.partTable[part] = table;
        } else if (rows) {
            std::string meaning;
            std::getline(words >> std::ws, meaning);
            std::istringstream codes(first);
            for (std::string code; std::getline(codes, code, ',');) (*rows)[code] = meaning;
        }
    }
    for (const auto &[part, table] : t.partTable) EXPECT_TRUE(t.tables.count(table)) << part << ": " << table;
    return t;
}

struct Shipped {
    std::string name;  // configuration file name without .cfg
    DeviceRecord device;
    cfg::ConfigFile file;
};

// The configuration files of the devices the libraries program with the AVR algorithm.
std::vector<Shipped> shippedAvrFiles() {
    std::vector<Shipped> out;
    std::set<std::string> seen;
    for (const char *lib : {"TR610.dev", "TR620.dev"}) {
        test::RecordingPrompt prompt;
        DeviceLibrary library(prompt);
        library.setLibraryDirectory(VANTOR_BIN_DIR);
        library.SetLibraryFile(lib);
        for (const auto &e : library.LoadIndex()) {
            Shipped s;
            if (!library.FindDevice(e.vendor_index, e.device_name, s.device) || s.device.algorithm != algo::kAvrSerial)
                continue;
            const fs::path path = cfg::configFilePath(VANTOR_BIN_DIR, s.device);
            if (path.empty() || !seen.insert(path.stem().string()).second) continue;
            s.name = path.stem().string();
            EXPECT_TRUE(cfg::readConfigFile(path, prompt, s.file)) << path;
            out.push_back(std::move(s));
        }
    }
    return out;
}

// Each drop-down with the entries that directly follow it.
std::vector<std::pair<const cfg::Item *, std::vector<const cfg::Item *>>> dropDowns(const cfg::ConfigFile &file) {
    std::vector<std::pair<const cfg::Item *, std::vector<const cfg::Item *>>> lists;
    for (std::size_t i = 0; i < file.items.size(); ++i) {
        const auto &item = file.items[i];
        if (item.kind == cfg::kDropDown) lists.push_back({&item, {}});
        else if (item.kind == cfg::kDropEntry && !lists.empty() && i > 0 &&
                 (file.items[i - 1].kind == cfg::kDropDown || file.items[i - 1].kind == cfg::kDropEntry))
            lists.back().second.push_back(&item);
    }
    return lists;
}

std::string bitString(unsigned value, int width) {
    std::string s;
    for (int b = width - 1; b >= 0; --b) s += (value >> b) & 1 ? '1' : '0';
    return s;
}

TEST(AvrConfigData, FactoryBytesMatchTheReference) {
    const auto reference = readFuseDefaults();
    const auto files = shippedAvrFiles();
    EXPECT_GT(files.size(), 45u);
    for (const auto &s : files) {
        SCOPED_TRACE(s.name);
        const auto row = reference.find(s.name);
        ASSERT_NE(row, reference.end()) << "no reference row";
        if (!(s.device.operation_flags & operationFlagBit(kOpWriteFuse))) continue;
        const auto &want = row->second.bytes;
        EXPECT_EQ(int(want.size()), s.device.program_params[algo::avr::kFuseBytes]) << "fuse byte count";
        for (std::size_t i = 0; i < want.size(); ++i)
            EXPECT_EQ(int(s.file.defaults[i]), int(want[i])) << "fuse byte " << i << " (" << row->second.source << ")";
    }
}

TEST(AvrConfigData, ClockListsFollowTheDatasheetTables) {
    const auto clocks = readClockTables();
    std::set<std::string> checked;
    for (const auto &s : shippedAvrFiles()) {
        SCOPED_TRACE(s.name);
        for (const auto &item : s.file.items) {
            // Raw clock bits as check boxes, or a bit labelled with nothing but its own name.
            if (item.kind != cfg::kCheckBox) continue;
            EXPECT_FALSE(item.text.starts_with("SUT_CKSEL") || item.text.starts_with("CKSEL")) << item.text;
            const auto colon = item.text.find(": ");
            if (colon != item.text.npos) {
                EXPECT_NE(item.text.substr(colon + 2), item.text.substr(0, colon)) << item.text;
            }
        }
        for (const auto &[list, entries] : dropDowns(s.file)) {
            if (list->text != "CKSEL") continue;
            const auto part = clocks.partTable.find(s.name);
            ASSERT_NE(part, clocks.partTable.end()) << "no clock table";
            const auto &table = clocks.tables.at(part->second);
            ASSERT_EQ(list->byteIndex, 0);
            ASSERT_TRUE(list->mask == 0x0F || list->mask == 0x03) << int(list->mask);
            const int width = list->mask == 0x0F ? 4 : 2;
            for (const auto *entry : entries) {
                const std::string code = bitString(entry->value & list->mask, width);
                const auto row = table.find(code);
                if (row == table.end()) {
                    ADD_FAILURE() << "code " << code << " is reserved: " << entry->text;
                    continue;
                }
                EXPECT_EQ(entry->text, row->second + " (" + code + ")");
            }
            checked.insert(s.name);
        }
    }
    // Every part with a clock table shows it, ATmega328 included.
    for (const auto &[part, table] : clocks.partTable) EXPECT_TRUE(checked.count(part)) << part << " has no CKSEL list";
}

// A list whose entries miss the factory value shows nothing selected and cannot restore it.
TEST(ShippedConfigFiles, EveryListHasAnEntryForTheFactoryValue) {
    int lists = 0;
    for (const auto &f : fs::directory_iterator(fs::path(VANTOR_BIN_DIR) / "cfg")) {
        test::RecordingPrompt prompt;
        cfg::ConfigFile file;
        ASSERT_TRUE(cfg::readConfigFile(f.path(), prompt, file)) << f.path();
        for (const auto &[list, entries] : dropDowns(file)) {
            if (!list->mask) continue;
            const int factory = file.defaults[list->byteIndex] & list->mask;
            bool found = false;
            for (const auto *entry : entries) found = found || (entry->value & list->mask) == factory;
            EXPECT_TRUE(found) << f.path().filename() << " " << list->text << ": no entry for " << factory;
            ++lists;
        }
    }
    EXPECT_GT(lists, 200);
}

}  // namespace
