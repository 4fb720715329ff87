// sdcc's debug records as the reader and the source map see them, on a program sdcc built here.
#include <gtest/gtest.h>

#include "debug/SourceMap.h"
#include "ProgramFiles.h"

namespace vantor::debug {
namespace {

using testing::programFile;
using testing::programInfo;

const Symbol &symbol(const std::string &name, const std::string &function = "") {
    for (const auto &s : programInfo().symbols())
        if (s.name == name && s.function == function) return s;
    throw std::runtime_error("no symbol " + name);
}

TEST(DebugInfo, FunctionsHaveRangesAndProperties) {
    const DebugInfo &info = programInfo();
    EXPECT_EQ(info.modules(), (std::vector<std::string>{"main", "shapes", "arith"}));
    for (const char *name : {"main", "twice", "timer0_isr", "shape_area", "shape_grow", "factorial", "sum_to"}) {
        const Function *f = info.findFunction(name);
        ASSERT_TRUE(f) << name;
        EXPECT_TRUE(f->hasRange) << name;
        EXPECT_LT(f->start, f->end) << name;
        EXPECT_EQ(info.functionAt(f->start), f) << name;
        EXPECT_EQ(info.functionAt(f->end), f) << name;
    }
    const Function &isr = *info.findFunction("timer0_isr");
    EXPECT_TRUE(isr.isInterrupt);
    EXPECT_EQ(isr.interruptNumber, 1);
    EXPECT_TRUE(info.findFunction("twice")->isStatic);
    EXPECT_EQ(info.findFunction("twice")->module, "main");
    EXPECT_TRUE(info.findFunction("factorial")->reentrant);
    EXPECT_FALSE(info.findFunction("sum_to")->reentrant);
    EXPECT_EQ(info.findFunction("shape_area")->file, "shapes.c");
    EXPECT_EQ(info.findFunction("shape_area")->returnType->name(), "long");
}

TEST(DebugInfo, SymbolsCarrySpaceAndType) {
    struct Case {
        const char *name, *function;
        Space space;
        const char *type;
        unsigned size;
    };
    const Case cases[] = {
        {"tick_count", "", Space::Data, "unsigned char", 1},
        {"idata_words", "", Space::Idata, "unsigned int [3]", 6},
        {"box", "", Space::Xdata, "struct shape", 14},
        {"big_numbers", "", Space::Xdata, "long [4]", 16},
        {"paged", "", Space::Pdata, "unsigned char", 1},
        {"greeting", "", Space::Code, "unsigned char [5]", 5},
        {"flag", "", Space::Bit, "__bit", 1},
        {"ratio", "", Space::Data, "float", 4},
        {"xp", "", Space::Data, "__xdata unsigned char *", 2},
        {"gp", "", Space::Data, "unsigned char *", 3},
        {"w", "", Space::Data, "struct word", 2},
        {"TR0", "", Space::Bit, "__sbit", 1},
        {"P1", "", Space::Data, "unsigned char", 1},
        {"total", "main", Space::Register, "int", 2},
        {"frame", "factorial", Space::Stack, "unsigned char [2]", 2},
        {"s", "shape_area", Space::Register, "__xdata struct shape *", 2},
    };
    for (const auto &c : cases) {
        const Symbol &s = symbol(c.name, c.function);
        EXPECT_EQ(s.space, c.space) << c.name;
        EXPECT_EQ(s.type->name(), c.type) << c.name;
        EXPECT_EQ(programInfo().sizeOf(*s.type, "main"), c.size) << c.name;
        // sdcc's linker records no address for __bit variables (they are in the listings only).
        if (s.space != Space::Register && s.space != Space::Stack && c.name != std::string("flag"))
            EXPECT_TRUE(s.address) << c.name;
    }
    EXPECT_EQ(symbol("TR0").address, 0x8Cu);
    EXPECT_EQ(symbol("P1").address, 0x90u);
    EXPECT_EQ(symbol("total", "main").registers, (std::vector<unsigned>{5, 6}));
    EXPECT_EQ(symbol("frame", "factorial").stackOffset, 1);
    EXPECT_TRUE(symbol("n", "factorial").isParameter);
    EXPECT_TRUE(symbol("s", "shape_area").isParameter);
    EXPECT_FALSE(symbol("width", "shape_area").isParameter);
    EXPECT_FALSE(symbol("frame", "factorial").isParameter);
    // below lives nowhere: sdcc optimised it into the multiplication.
    EXPECT_EQ(symbol("below", "factorial").space, Space::None);
}

TEST(DebugInfo, StructMembersHaveOffsetsAndNestedTypes) {
    const StructDef *shape = programInfo().findStruct("main", "shape");
    ASSERT_TRUE(shape);
    ASSERT_EQ(shape->members.size(), 4u);
    EXPECT_EQ(shape->size, 14u);
    const std::pair<const char *, unsigned> expected[] = {{"kind", 0}, {"corner", 1}, {"area", 7}, {"name", 11}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(shape->members[i].name, expected[i].first);
        EXPECT_EQ(shape->members[i].offset, expected[i].second);
    }
    EXPECT_EQ(shape->members[1].type->name(), "struct point [2]");
    EXPECT_EQ(programInfo().sizeOf(*shape->members[1].type->target, "main"), 3u);
    const StructDef *word = programInfo().findStruct("main", "word");
    ASSERT_TRUE(word);
    EXPECT_EQ(word->members[1].offset, 0u);  // a union: every member at 0
    EXPECT_EQ(word->size, 2u);
}

TEST(SourceMap, LinesAndAddressesRoundTrip) {
    const DebugInfo &info = programInfo();
    const SourceMap map(info);
    int checked = 0;
    for (const auto &r : info.lines()) {
        if (!info.functionAt(r.address) || !map.isLineStart(r.address)) continue;
        const auto here = map.locate(r.address);
        ASSERT_TRUE(here);
        const auto back = map.addressesOf(here->file, here->line);
        EXPECT_NE(std::find(back.begin(), back.end(), r.address), back.end()) << here->file << ":" << here->line;
        // The byte after a line's first byte is still the same line.
        if (info.functionAt(r.address + 1u) == info.functionAt(r.address) && !map.isLineStart(r.address + 1u))
            EXPECT_EQ(map.locate(r.address + 1u), here);
        ++checked;
    }
    EXPECT_GT(checked, 40);
    EXPECT_EQ(map.files(), (std::vector<std::string>{"arith.c", "main.c", "shapes.c"}));
    EXPECT_EQ(map.knownFile("/some/where/shapes.c"), "shapes.c");
    EXPECT_FALSE(map.knownFile("other.c"));
}

TEST(SourceMap, LineWithoutCodeMovesToTheNextLineOfItsFunction) {
    const SourceMap map(programInfo());
    int resolved = 0;
    // 32 declares a local: no code; 35 is the first statement.
    auto a = map.addressesOf("main.c", 32, &resolved);
    EXPECT_EQ(resolved, 35);
    EXPECT_EQ(a, map.addressesOf("main.c", 35));
    ASSERT_EQ(a.size(), 1u);
    EXPECT_EQ(map.locate(a[0])->line, 35);
    // A for statement has code in two places: the test and the increment.
    EXPECT_EQ(map.addressesOf("arith.c", 20).size(), 2u);
    EXPECT_EQ(map.lineRanges(map.addressesOf("arith.c", 20)[0]).size(), 2u);
    // Beyond the last line of the file there is no code.
    EXPECT_TRUE(map.addressesOf("shapes.c", 17).empty());
    EXPECT_TRUE(map.addressesOf("nofile.c", 3).empty());
    // Before main: the static initialisers have no function.
    EXPECT_FALSE(map.locate(0x0000));
    // A break on a function stops after its entry code, at its first statement.
    EXPECT_EQ(map.locate(*map.entryAddress(*programInfo().findFunction("factorial")))->line, 8);
    EXPECT_EQ(map.locate(*map.entryAddress(*programInfo().findFunction("main")))->line, 35);
}

TEST(DebugInfo, DamagedFilesGetTheirLineNumber) {
    struct Case {
        std::string text;
        const char *expected;
    };
    const std::string good = "M:main\nS:G$x$0_0$0({1}SC:U),E,0,0\n";
    const Case cases[] = {
        {"", "no sdcc debug records"},
        {":100000000102030405060708090A0B0C0D0E0F1068\n", ":1: not an sdcc debug record"},
        {good + "S:G$y$0_0$0({1}SC:U),Q,0,0\n", ":3: unknown address space 'Q'"},
        {good + "S:G$y$0_0$0({1}SC:U\n", ":3: symbol without a type chain"},
        {good + "S:G$y$0_0$0({1}SQ:U),E,0,0\n", ":3: unknown type specifier 'SQ:U'"},
        {good + "S:G$y$0_0$0({x}SC:U),E,0,0\n", ":3: bad size in type chain"},
        {good + "S:G$y$0_0$0({2}DZ,SC:U),E,0,0\n", ":3: unknown declarator 'DZ'"},
        {good + "S:G$y$0_0$0({1}SC:U),R,0,0,[r9]\n", ":3: bad register 'r9'"},
        {good + "S:G$y$0_0$0({1}SC:U),R,0,0,\n", ":3: register symbol without a register list"},
        {good + "F:G$f$0_0$0({2}DF,SV:S),C,0,0\n", ":3: function record needs six fields"},
        {good + "F:G$f$0_0$0({2}DF,SV:S),C,0,0,0,0,7\n", ":3: register bank out of range"},
        {good + "L:C$main.c$x$1_0$1:10\n", ":3: bad line number 'x'"},
        {good + "L:C$main.c$0$1_0$1:10\n", ":3: line number out of range"},
        {good + "L:G$x$0_0$0:1FFFF\n", ":3: address out of range"},
        {good + "L:G$x$0_0$0\n", ":3: link record without an address"},
        {good + "T:Fmain$s[({0}S:S$a$0_0$0({1}SC:U),Z,0,0\n", ":3: bad structure record"},
        {good + "T:Fmain$s[({0}S:S$a$0_0$0({1}SC:U,Z,0,0)]\n", ":3: unbalanced parentheses"},
        {good + "L:C$main.c$3$1_0:10\n", ":3: bad C line record"},
        {good + "L:A$main$7$1:10\n", ":3: bad assembler line record"},
        {good + "T:Fmain[({0}S:S$a$0_0$0({1}SC:U),Z,0,0)]\n", ":3: structure record without a name"},
        {good + "T:Fmain$s[({0S:S$a$0_0$0(SC:U),Z,0,0)]\n", ":3: bad structure member offset"},
        {good + "T:Fmain$s[({0}X:S$a$0_0$0({1}SC:U),Z,0,0)]\n", ":3: structure member without a symbol"},
        {good + "Q:what\n", ":3: unknown record type 'Q'"},
        {good + "S:G$bin\x01\n", ":3: not a text line"},
        {good + "S:X$y$0_0$0({1}SC:U),E,0,0\n", ":3: bad symbol scope 'X'"},
    };
    for (const auto &c : cases) {
        std::string error;
        EXPECT_FALSE(DebugInfo::parse(c.text, "t.cdb", error)) << c.text;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
        EXPECT_EQ(error.rfind("t.cdb", 0), 0u) << error;
    }
    std::string error;
    EXPECT_FALSE(DebugInfo::load(programFile("missing.cdb"), error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
}

}  // namespace
}  // namespace vantor::debug
