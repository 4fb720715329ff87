// emx31-dbg at the source level on the simulated EMX31, with s51 as the judge: both run the same
// sdcc program to the same code address, and every value emx31-dbg prints must be the value the
// debug layer reads from s51's memory at that point.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>

#include "debug/CallStack.h"
#include "debug/Evaluator.h"
#include "debug/SourceMap.h"
#include "ProgramFiles.h"
#include "support/ChildProcess.h"

namespace vantor::debug {
namespace {

using testing::MemoryTarget;
using testing::programFile;
using testing::programInfo;
using vantor::testing::ChildProcess;

// emx31-dbg in batch mode with the test program loaded; ask() returns one command's output.
class Dbg : public ChildProcess {
public:
    explicit Dbg(const std::vector<std::string> &options = {})
        : ChildProcess(VANTOR_BIN_DIR "/emx31-dbg", withBatch(options), DEBUG_PROGRAM_DIR) {
        send("settings\nadapter 1\nok\nconnect\n");
    }
    std::string ask(const std::string &command) {
        send(command + "\necho @@done@@\n");
        return until("\n@@done@@\n");
    }
    void loadProgram(const std::string &hex = "prog.ihx") {
        ask("load " + hex);
        ask("directory " VANTOR_SOURCE_DIR "/tests/debug/programs");
    }

private:
    static std::vector<std::string> withBatch(std::vector<std::string> options) {
        options.insert(options.begin(), {"-b", "--simulate"});
        return options;
    }
};

bool haveS51() { return std::system("s51 -h > /dev/null 2>&1") == 0; }

// s51 stopped at `address` for the `hit`-th time, as a memory image.
MemoryTarget s51At(std::uint16_t address, int hit) {
    ChildProcess s51("s51", {"-t", "8051", "prog.ihx"}, DEBUG_PROGRAM_DIR);
    char command[64];
    std::snprintf(command, sizeof command, "break 0x%x\nrun\n", address);
    s51.send(command);
    char stop[64];
    std::snprintf(stop, sizeof stop, "Stop at 0x%06x", address);
    for (int i = 0; i < hit; ++i) {
        if (i) s51.send("go\n");
        if (!s51.waitFor(stop))
            throw std::runtime_error("s51 did not stop at " + std::string(stop) + ":\n" + s51.output);
    }
    s51.send("dump iram 0 0xff\ndump xram 0 0x7ff\ndump sfr 0x80 0xff\nquit\n");
    s51.finish();
    MemoryTarget m;
    m.programCounter = address;
    static const std::regex dump(R"(^0x([0-9a-f]+)\s+((?:[0-9a-f]{2} )+))");
    static const std::regex sfr(R"(^0x([0-9a-f]{2}) [A-Z0-9_]+:\s+0b[01]{8} 0x([0-9a-f]{2}))");
    std::istringstream lines(s51.output.substr(s51.output.rfind(stop)));
    // The three dumps come in order: iram and sfr lines have two digits of address, xram four.
    enum { Iram, Xram, Sfr } section = Iram;
    for (std::string l; std::getline(lines, l);) {
        std::smatch match;
        if (std::regex_search(l, match, dump) || std::regex_search(l, match, sfr)) {
            if (match[1].length() == 4) section = Xram;
            else if (section == Xram) section = Sfr;
        }
        if (std::regex_search(l, match, sfr)) {
            m.sfr[std::stoul(match[1], nullptr, 16)] = std::uint8_t(std::stoul(match[2], nullptr, 16));
        } else if (std::regex_search(l, match, dump)) {
            unsigned a = unsigned(std::stoul(match[1], nullptr, 16));
            std::istringstream bytes(match[2]);
            for (std::string b; bytes >> b; ++a) {
                const auto value = std::uint8_t(std::stoul(b, nullptr, 16));
                if (section == Xram) m.xdata[a & 0xFFFF] = value;
                else if (section == Sfr) m.sfr[a & 0xFF] = value;
                else m.ram[a & 0xFF] = value;
            }
        }
    }
    return m;
}

std::uint16_t addressOf(const std::string &location) {
    const SourceMap map(programInfo());
    const auto colon = location.find(':');
    if (colon == std::string::npos) return *map.entryAddress(*programInfo().findFunction(location));
    return map.addressesOf(location.substr(0, colon), std::stoi(location.substr(colon + 1))).front();
}

TEST(SourceSession, PrintedValuesEqualWhatS51HoldsAtTheSameAddress) {
    if (!haveS51()) GTEST_SKIP() << "s51 (sdcc-ucsim) is not installed: no judge for the printed values";
    struct Checkpoint {
        const char *location;
        int hit;
        std::vector<std::string> expressions;
    };
    const Checkpoint checkpoints[] = {
        {"shape_area", 1, {"box",
                           "big_numbers",
                           "idata_words",
                           "w",
                           "w.half[1]",
                           "ratio",
                           "negative",
                           "counter32",
                           "xp",
                           "*xp",
                           "gp",
                           "*gp",
                           "paged",
                           "greeting",
                           "box.name",
                           "*s",
                           "s->corner[1].y",
                           "&box.area",
                           "SP",
                           "PSW",
                           "DPTR"}},
        {"arith.c:13", 1, {"frame", "frame[1]", "n", "idata_words[0]", "SP", "R7"}},
        {"main.c:61",
         2,
         {"i", "total", "counter32", "ratio", "box.corner", "box.area", "big_numbers[3]", "idata_words"}},
    };
    for (const auto &c : checkpoints) {
        SCOPED_TRACE(c.location);
        MemoryTarget judge = s51At(addressOf(c.location), c.hit);
        std::string error;
        const auto frames = unwindStack(programInfo(), judge, error);
        ASSERT_FALSE(frames.empty()) << error;
        Evaluator reference(programInfo(), judge, frames.front());

        Dbg dbg;
        dbg.loadProgram();
        dbg.ask("break " + std::string(c.location) + " " + std::to_string(c.hit));
        const std::string stop = dbg.ask("continue");
        ASSERT_NE(stop.find("Breakpoint 0, "), std::string::npos) << stop;
        for (const auto &e : c.expressions) {
            auto v = reference.evaluate(e, error);
            ASSERT_TRUE(v) << e << ": " << error;
            const std::string expected = e + " = " + reference.format(*v, error) + "\n";
            const std::string printed = dbg.ask("print " + e);
            EXPECT_NE(printed.find(expected), std::string::npos) << "expected " << expected << "printed " << printed;
        }
        // The call stack names the same callers as the stack s51 holds.
        const std::string bt = dbg.ask("bt");
        for (std::size_t i = 0; i < frames.size(); ++i)
            EXPECT_NE(bt.find("#" + std::to_string(i) + "  " + (i ? "C:" : std::string())), std::string::npos) << bt;
        EXPECT_NE(bt.find(frames.back().function->name + " ("), std::string::npos) << bt;
        EXPECT_EQ(bt.find("#" + std::to_string(frames.size()) + " "), std::string::npos) << bt;
    }
}

TEST(SourceSession, BreakpointsAndSteppingStopOnTheExpectedLines) {
    Dbg dbg;
    dbg.loadProgram();
    EXPECT_NE(dbg.ask("break main.c:53").find("Breakpoint at main.c:53"), std::string::npos);
    EXPECT_NE(dbg.ask("continue").find("Breakpoint 0, main () at main.c:53\n53\t    busy(2500);"), std::string::npos)
        << dbg.output;
    dbg.ask("delete");
    // busy() runs about a million instructions: a next over it is one run, not a million steps.
    const auto before = std::chrono::steady_clock::now();
    EXPECT_NE(dbg.ask("next").find("55\t        box.area = shape_area(&box);"), std::string::npos) << dbg.output;
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(1000));

    const std::vector<std::pair<std::string, std::string>> script = {
        {"step", "shape_area (s=X:0x0002) at shapes.c:6\n6\t"},
        {"next", "7\t    int height"},
        {"finish", "main () at main.c:55\nC:"},
        {"info line", "Line 55 of \"main.c\""},
        {"next", "56\t        total = sum_to(10);"},
        {"step", "sum_to () at arith.c:18\n18\t"},
        {"until", "20\t    for (k = 1; k <= n; k++)"},
        {"next", "21\t        sum += k;"},
        {"until", "20\t    for (k = 1; k <= n; k++)"},
        {"until", "22\t    return sum;"},
        {"finish", "Value returned is 55"},
        {"next", "57\t        idata_words[0] = factorial(5);"},
        {"step", "factorial (n=5 '\\005') at arith.c:8\n8\t    frame[0] = n;"},
        {"bt", "#0  factorial (n=5 '\\005') at arith.c:8\n#1  C:"},
        {"tbreak arith.c:13", "Temporary breakpoint at arith.c:13"},
        {"continue", "Temporary breakpoint 0, factorial ("},
        // factorial(5) down to factorial(2): four activations below main.
        {"bt", "in factorial (n=<not saved in outer frames>) at arith.c:12\n#4  C:"},
        {"print frame", "frame = \"\\002\\003\""},
        {"up", "#1  C:"},
        {"print frame", "frame = \"\\003\\004\""},
        {"info frame", "#1  C:"},
        {"down", "#0  factorial"},
        {"finish", "Value returned is 2"},
        {"display idata_words[0]", "1: idata_words[0] = "},
        {"set var counter32 = 7", "counter32 = 7\n"},
        {"print counter32 * 6", "counter32 * 6 = 42\n"},
        {"list shapes.c:9", "5\t{\n6\t    int width"},  // line 9 has no code of its own: 10 is shown
        {"list", "15\t    s->corner[1].y += by;\n16\t}"},
        {"disasm shape_area 2", "   C:"},
        {"info display", "1: idata_words[0]"},
        {"undisplay 1", ""},
        {"timeout 300", "stopped after 300 ms"},
        // The temporary breakpoint is gone: only the time limit stops this run.
        {"continue", "Program stopped."},
    };
    for (const auto &[command, expected] : script) {
        const std::string out = dbg.ask(command);
        EXPECT_NE(out.find(expected), std::string::npos) << command << " printed:\n" << out;
    }
    const std::string bt = dbg.output.substr(dbg.output.rfind("> bt\n"));
    EXPECT_NE(bt.find(" in main () at main.c:57\n"), std::string::npos) << bt;
    EXPECT_EQ(bt.substr(0, bt.find("> print")).find("#5"), std::string::npos) << bt;
    EXPECT_EQ(dbg.finish(), 0);
}

TEST(SourceSession, LeavingABreakpointSurvivesTheTimerInterrupt) {
    // The timer interrupt is pending at almost every stop: the step off a breakpoint enters the
    // handler, which returns to the breakpoint. That must not count as a second hit.
    Dbg dbg;
    dbg.loadProgram();
    dbg.ask("break shape_area");
    dbg.ask("break shapes.c:8");
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        EXPECT_NE(dbg.ask("continue").find("Breakpoint 0, shape_area"), std::string::npos) << dbg.output;
        EXPECT_NE(dbg.ask("next").find("\n7\t"), std::string::npos) << dbg.output;
        const std::string second = dbg.ask("continue");
        EXPECT_NE(second.find("Breakpoint 1, shape_area ("), std::string::npos) << second;
        EXPECT_NE(second.find(") at shapes.c:8\n8\t"), std::string::npos) << second;
    }
    EXPECT_EQ(dbg.finish(), 0);
}

TEST(SourceSession, BadInputGetsAClearAnswerAndTheSessionGoesOn) {
    Dbg dbg({"--keep-going"});
    dbg.loadProgram();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"print nosuch", "No symbol \"nosuch\" in current context."},
        {"print box.", "member name expected after ."},
        {"break main.c:300", "No line 300 with code in main.c."},
        {"break other.c:3", "No source file named other.c."},
        {"break nosuch", "Function \"nosuch\" not defined."},
        {"set var box = 3", "cannot assign to a struct shape"},
        {"set var counter32", "set var EXPR = VALUE"},
        {"next x", "next [N]: N is a decimal count"},
        {"disasm C:0100 0", "disasm [ADDR [N]]"},
        {"finish", "\"finish\" not meaningful"},
        {"frame 9", "Initial frame selected; you cannot go up."},
        {"undisplay 4", "undisplay N"},
        {"break 0100", "Breakpoint 0 at C:0100"},  // a bare hexadecimal number stays an address
        {"print 1 + 2 * 3", "1 + 2 * 3 = 7"},
    };
    for (const auto &[command, expected] : cases) {
        const std::string out = dbg.ask(command);
        EXPECT_NE(out.find(expected), std::string::npos) << command << " printed:\n" << out;
    }
    EXPECT_EQ(dbg.finish(), 0);
    // Without --keep-going a script stops at its first failed command, source-level ones too.
    Dbg strict;
    strict.loadProgram();
    strict.send("print nosuch\nprint 1\n");
    EXPECT_EQ(strict.finish(), 1);
    EXPECT_NE(strict.output.find("Stopped at the failed command"), std::string::npos) << strict.output;
    EXPECT_EQ(strict.output.find("1 = 1"), std::string::npos) << strict.output;
}

TEST(SourceSession, DebugInformationThatDoesNotFitIsRefused) {
    const auto dir = std::filesystem::path(DEBUG_PROGRAM_DIR) / "mismatch";
    std::filesystem::create_directories(dir);
    // The debug file of one program beside another program.
    std::filesystem::copy_file(programFile("allops.ihx"), dir / "other.ihx",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(programFile("prog.cdb"), dir / "other.cdb",
                               std::filesystem::copy_options::overwrite_existing);
    // A damaged one beside the right program.
    std::filesystem::copy_file(programFile("prog.ihx"), dir / "damaged.ihx",
                               std::filesystem::copy_options::overwrite_existing);
    std::ofstream(dir / "damaged.cdb") << "M:main\nS:G$x$0_0$0({1}SC:U),E,0,0\nS:G$y$0_0$0({1}SQ:U),E,0,0\n";
    // None at all.
    std::filesystem::copy_file(programFile("prog.ihx"), dir / "plain.ihx",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(dir / "plain.cdb");

    Dbg dbg({"--keep-going"});
    dbg.loadProgram((dir / "other.ihx").string());
    EXPECT_NE(dbg.output.find("other.cdb does not match the program: function"), std::string::npos) << dbg.output;
    EXPECT_NE(dbg.ask("print counter32").find("No debug information loaded"), std::string::npos);
    dbg.loadProgram((dir / "damaged.ihx").string());
    EXPECT_NE(dbg.output.find("damaged.cdb:3: unknown type specifier 'SQ:U'"), std::string::npos) << dbg.output;
    dbg.loadProgram((dir / "plain.ihx").string());
    EXPECT_NE(dbg.output.find("plain.cdb not found): source-level commands are off."), std::string::npos) << dbg.output;
    // Without debug information step is the instruction step it always was.
    EXPECT_NE(dbg.ask("step").find("PC = C:"), std::string::npos);
    EXPECT_EQ(dbg.finish(), 0);

    // --debug-info names the file wherever it is.
    Dbg named({"--debug-info", programFile("prog.cdb")});
    named.loadProgram((dir / "plain.ihx").string());
    EXPECT_NE(named.output.find("Read debug information from " + programFile("prog.cdb")), std::string::npos)
        << named.output;
    EXPECT_NE(named.ask("break main").find("Breakpoint at main at main.c:35"), std::string::npos) << named.output;
    EXPECT_EQ(named.finish(), 0);
}

}  // namespace
}  // namespace vantor::debug
