#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "core/Prompt.h"
#include "core/StringTable.h"

namespace vantor {
namespace {

std::string format(int id, auto... args) {
    char out[256];
    std::snprintf(out, sizeof out, std::string(loadString(id)).c_str(), args...);
    return out;
}

TEST(StringTable, SortedUniqueAndInsideTheTwoRanges) {
    auto all = allStrings();
    ASSERT_FALSE(all.empty());
    for (size_t i = 0; i < all.size(); ++i) {
        int id = all[i].id;
        EXPECT_TRUE((id >= 30000 && id <= 30209) || (id >= 57344 && id <= 57434)) << id;
        EXPECT_FALSE(all[i].text.empty()) << id;
        if (i > 0) {
            EXPECT_LT(all[i - 1].id, id) << "out of order or duplicated at " << id;
        }
        // The binary search must find every entry, first and last included.
        EXPECT_EQ(loadString(id), all[i].text) << id;
    }
}

// Every id StringIds.h names has its text and every text has a name: an id mistyped on either
// side would leave a message blank.
TEST(StringTable, EveryNamedIdHasItsTextAndEveryTextItsName) {
    std::ifstream header(VANTOR_SOURCE_DIR "/core/StringIds.h");
    ASSERT_TRUE(header);
    const std::string text((std::istreambuf_iterator<char>(header)), std::istreambuf_iterator<char>());
    const std::regex named(R"(inline constexpr int (\w+) = (\d+);)");
    std::set<int> ids;
    for (std::sregex_iterator it(text.begin(), text.end(), named), end; it != end; ++it) {
        const int id = std::stoi((*it)[2]);
        ids.insert(id);
        EXPECT_FALSE(loadString(id).empty()) << (*it)[1] << " = " << id;
    }
    std::set<int> held;
    for (const StringEntry &entry : allStrings()) held.insert(entry.id);
    EXPECT_EQ(held, ids);
}

// A menu text sits 86 ids above its operation's list name (Read Cal. Byte, added last, is the
// exception) and names the same operation.
TEST(StringTable, MenuTextsPairWithTheOperationListNames) {
    const auto trimmed = [](std::string_view s) { return s.substr(0, s.find_last_not_of(' ') + 1); };
    int pairs = 0;
    for (const StringEntry &entry : allStrings()) {
        const bool menu = entry.id >= sid::MenuProgram && entry.id <= sid::MenuReadCalByte;
        const bool name = (entry.id >= sid::OpNameProgram && entry.id <= sid::OpNameProtectSecond) ||
                          entry.id == sid::OpNameReadCalByte;
        if (!menu && !name) continue;
        const int partner = entry.id == sid::MenuReadCalByte     ? sid::OpNameReadCalByte
                            : entry.id == sid::OpNameReadCalByte ? sid::MenuReadCalByte
                            : menu                               ? entry.id - 86
                                                                 : entry.id + 86;
        const std::string_view listName = menu ? loadString(partner) : entry.text;
        const std::string_view item = menu ? entry.text : loadString(partner);
        EXPECT_FALSE(listName.empty()) << entry.id;
        EXPECT_NE(item.find(trimmed(listName)), std::string_view::npos) << entry.id << ": " << item;
        ++pairs;
    }
    EXPECT_EQ(pairs, 2 * 16);
}

TEST(StringTable, UnknownIdsGiveEmptyText) {
    for (int id : {0, -1, 29999, 30000, 30009, 30210, 57343, 57435, 65535}) EXPECT_TRUE(loadString(id).empty()) << id;
}

TEST(StringTable, AwkwardDetailsSurvive) {
    EXPECT_EQ(loadString(sid::LibraryFormatError),
              "The format error of device library, please reinstall the application ");
    EXPECT_EQ(loadString(sid::NotAvailableInDisconnectMode).back(), '\n');
    EXPECT_EQ(loadString(sid::TwoMemoryAreasHeading), "The chip consists of two memory area: \r\n");
    EXPECT_EQ(loadString(sid::DeviceModelLabel), "Device Model: ");
    EXPECT_EQ(loadString(sid::WriteConfigFailed), "Write cofig failed");
    EXPECT_EQ(loadString(sid::UnknownDataTypeAtLineFormat), "Warning: Line %d, Unkown data type\n");
    EXPECT_EQ(loadString(sid::InfoSizeLabel), "Size   :");
}

TEST(StringTable, OperationNamesKeepTheirPaddingAndMenusTheirAccelerators) {
    EXPECT_EQ(loadString(sid::OpNameProgram), "Program    ");
    EXPECT_EQ(loadString(sid::OpNameReadFuse), "Read Fuse  ");
    EXPECT_EQ(loadString(sid::OpNameProtect), loadString(sid::OpNameProtectSecond));
    EXPECT_EQ(loadString(sid::OpNameReadCalByte), "Read Cal. Byte");
    EXPECT_EQ(loadString(sid::MenuProgram), "Program(&W)");
    EXPECT_EQ(loadString(sid::MenuWriteBootLock), "Write Boot Lock(&O)");
    EXPECT_EQ(loadString(sid::MenuReadCalByte), "Read Cal. Byte(&I)");
}

TEST(StringTable, FormatTextsTakeTheirArguments) {
    EXPECT_EQ(format(sid::ValueOutOfRangeFormat, "Start", 0u, 0x1FFFu),
              "Start out of range. \n\nmust be: 0H -- 1FFFH\n");
    EXPECT_EQ(format(sid::LayoutBlock1Format, 0x10000u, 0x1FFFFu),
              "  Block1    \tLocation at \t010000H -- 01FFFFH\r\n");
    EXPECT_EQ(format(sid::LayoutApromFormat, 0u, 0xFFFu), "  APROM    \tLocation at \t000000H --- 000FFFH\r\n");
    EXPECT_EQ(format(sid::BufferRangeDecFormat, 16, 255), "Buffer Range: 00000016 -- 00000255");
    EXPECT_EQ(format(sid::FillRangeFormat, 0x100u, 0x1FFu), "Range(0x100 --- 0x1FF)");
    EXPECT_EQ(format(sid::LoadFileFormat, "a.hex"), "Load File: a.hex\n");
}

// A driver brings its own ids (the emulator's lie below the programs' range); looking
// them up must neither reach into the programs' table nor be shadowed by it.
TEST(StringTable, DriverOwnedTableIsSeparateFromTheProgramsTable) {
    static constexpr StringEntry kDriver[] = {{5006, "first"}, {5018, "middle"}, {5030, "last"}};
    static_assert(stringsSortedById(kDriver));
    constexpr StringTable driver{kDriver};
    EXPECT_EQ(loadString(driver, 5006), "first");
    EXPECT_EQ(loadString(driver, 5030), "last");
    EXPECT_TRUE(loadString(driver, 5007).empty());
    EXPECT_TRUE(loadString(driver, sid::OperationCancelled).empty());
    EXPECT_TRUE(loadString(5018).empty());
    EXPECT_EQ(loadString(programStrings(), sid::OperationCancelled), loadString(sid::OperationCancelled));

    static constexpr StringEntry kUnsorted[] = {{5010, "b"}, {5006, "a"}};
    static constexpr StringEntry kTwice[] = {{5006, "a"}, {5006, "b"}};
    EXPECT_FALSE(stringsSortedById(kUnsorted));
    EXPECT_FALSE(stringsSortedById(kTwice));
}

// The command-line program's message boxes: one line each, marked by kind, answered by default.
TEST(StreamPrompt, LinesAndDefaultAnswers) {
    using P = Prompt;
    struct Case {
        const char *text, *caption;
        P::Icon icon;
        P::Buttons buttons;
        const char *line;
        P::Answer answer;
    };
    const Case cases[] = {
        {"Failed\r\n", "", P::Icon::Error, P::Buttons::Ok, "error: Failed\n", P::Answer::Ok},
        {"Careful", "Vantor", P::Icon::Warning, P::Buttons::OkCancel, "warning: Vantor: Careful\n", P::Answer::Ok},
        {"Go on?", "", P::Icon::Question, P::Buttons::YesNo, "Go on?\n", P::Answer::Yes},
        {"Done", "", P::Icon::Information, P::Buttons::YesNoCancel, "Done\n", P::Answer::Yes},
    };
    for (const Case &c : cases) {
        std::FILE *f = std::tmpfile();
        ASSERT_NE(f, nullptr);
        StreamPrompt prompt(f);
        EXPECT_EQ(prompt.ask(c.text, c.caption, c.icon, c.buttons), c.answer) << c.text;
        char out[128] = {};
        std::rewind(f);
        const std::size_t n = std::fread(out, 1, sizeof out - 1, f);
        EXPECT_EQ(std::string(out, n), c.line);
        std::fclose(f);
    }
}

}  // namespace
}  // namespace vantor
