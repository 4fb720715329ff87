// A whole debugger session: emx31-dbg loads the driver, which talks to the built-in simulator.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <string>
#include <thread>

#include "support/ChildProcess.h"

namespace {

class Session : public vantor::testing::ChildProcess {
public:
    explicit Session(const char *option = nullptr)
        : ChildProcess(VANTOR_BIN_DIR "/emx31-dbg", option ? std::vector<std::string>{"-b", "--simulate", option}
                                                           : std::vector<std::string>{"-b", "--simulate"}) {}
    void send(const std::string &lines) { ASSERT_TRUE(ChildProcess::send(lines)); }
    void interrupt() { signal(SIGINT); }
};

std::string symbolAddress(const std::string &symbol) {
    std::ifstream map(std::string(COUNTER_HEX).replace(std::string(COUNTER_HEX).size() - 3, 3, "map"));
    const std::regex line("C:\\s+0000([0-9A-F]{4})\\s+" + symbol + "\\b");
    std::smatch m;
    for (std::string l; std::getline(map, l);)
        if (std::regex_search(l, m, line)) return m[1];
    return "";
}

TEST(DbgSession, DownloadBreakInspectStepAndStopFromTheTerminal) {
    const std::string checkpoint = symbolAddress("_checkpoint");
    ASSERT_FALSE(checkpoint.empty());
    Session s;
    s.send("settings\nadapter 1\nok\nconnect\nload " COUNTER_HEX "\n");
    ASSERT_TRUE(s.waitFor("Options: -E1 -F16 -V0 -C0")) << s.output;
    ASSERT_TRUE(s.waitFor("Connected.")) << s.output;
    ASSERT_TRUE(s.waitFor("Verify OK.")) << s.output;
    ASSERT_TRUE(s.waitFor("PC = C:0000")) << s.output;

    s.send("break C:" + checkpoint + " 3\ngo\n");
    ASSERT_TRUE(s.waitFor("Stopped at C:" + checkpoint)) << s.output;
    s.send("mem X:0001 8\nwrite X:0003 AA BB\nmem X:0001 4\n");
    ASSERT_TRUE(s.waitFor("X:0001  00 03 06 09 0C 0F 12 15")) << s.output;
    ASSERT_TRUE(s.waitFor("X:0001  00 03 AA BB")) << s.output;

    s.send("reg a 5A\nreg rs 2\nmem D:10 1\n");
    ASSERT_TRUE(s.waitFor("a=0x5a")) << s.output;
    ASSERT_TRUE(s.waitFor("rs=2")) << s.output;
    s.send("write I:80 42\nmem I:80 1\n");
    ASSERT_TRUE(s.waitFor("I:80  42")) << s.output;

    s.send("step 2\n");
    ASSERT_TRUE(s.waitFor("PC = C:")) << s.output;

    // A go that would never end, stopped from the terminal.
    s.send("delete\ngo\n");
    ASSERT_TRUE(s.waitFor("Running...")) << s.output;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    s.interrupt();
    ASSERT_TRUE(s.waitFor("Stop requested.")) << s.output;
    ASSERT_TRUE(s.waitFor("Stopped at C:")) << s.output;
    // The timer interrupt ran while the program did.
    s.send("mem D:08 2\nquit\n");
    EXPECT_EQ(s.finish(), 0);
    EXPECT_EQ(s.output.find("[EMX31 Notice"), std::string::npos) << s.output;
    EXPECT_NE(s.output.find("Options: -E1 -F16 -V0 -C0"), std::string::npos);
}

TEST(DbgSession, ReportsAMissingEmulatorAndBadInput) {
    Session s("--keep-going");
    s.send("mem C:0 4\nbreak nowhere\nload /nonexistent.hex\nfrobnicate\nquit\n");
    EXPECT_EQ(s.finish(), 0);
    EXPECT_NE(s.output.find("Not connected (use connect)."), std::string::npos) << s.output;
    EXPECT_NE(s.output.find("break C:ADDR [COUNT] [COMMAND...]"), std::string::npos) << s.output;
    EXPECT_NE(s.output.find("Unknown command: frobnicate"), std::string::npos) << s.output;
}

TEST(DbgSession, BatchStopsWithStatusOneAtTheFirstFailedCommand) {
    for (const char *failing : {"frobnicate", "mem C:0 4", "step 0"}) {
        Session s;
        s.send(std::string("echo before\n") + failing + "\necho after\n");
        EXPECT_EQ(s.finish(), 1) << failing;
        EXPECT_NE(s.output.find("before"), std::string::npos) << s.output;
        EXPECT_EQ(s.output.find("\nafter"), std::string::npos) << s.output;
    }
}

// Arguments are checked before anything reaches the driver, and a refused one keeps the session.
TEST(DbgSession, RefusesArgumentsOutsideTheirRange) {
    Session s("--keep-going");
    s.send("connect\n");
    ASSERT_TRUE(s.waitFor("Connected.")) << s.output;
    const char *refused[][2] = {
        {"step -1", "step [N]: N is a decimal count from 1 to 1000000"},
        {"step 1000001", "step [N]: N is a decimal count from 1 to 1000000"},
        {"mem D:100 1", "mem ADDR [COUNT]: ADDR is"},
        {"mem I:1FF", "mem ADDR [COUNT]: ADDR is"},
        {"mem X:0 10001", "mem X:0000 [COUNT]: COUNT is 1..10000"},
        {"mem D:F0 11", "mem D:F0 [COUNT]: COUNT is 1..10"},
        {"go X:10", "go [C:ADDR]: bad code address X:10"},
        {"reg pc 10000", "reg pc: VALUE is 0..FFFF"},
        {"reg a 100", "reg a: VALUE is 0..FF"},
        {"reg rs 4", "reg rs: VALUE is 0..3"},
        {"write D:FF 1 2", "write ADDR BYTE...: ADDR is"},
    };
    for (const auto &r : refused) {
        s.send(std::string(r[0]) + "\n");
        ASSERT_TRUE(s.waitFor(r[1], 5000)) << r[0] << "\n" << s.output;
    }
    s.send("write D:10 5A\nmem D:10 1\nquit\n");
    ASSERT_TRUE(s.waitFor("D:10  5A")) << s.output;
    EXPECT_EQ(s.finish(), 0);
    EXPECT_EQ(s.output.find("link to the emulator is lost"), std::string::npos) << s.output;
}

TEST(DbgSession, CtrlCAndTheTimeLimitStopAStepSequence) {
    Session s;
    // A million simulated steps take about 0.3 s: both stops must come well inside that.
    s.send("connect\ntimeout 20\nstep 1000000\n");
    ASSERT_TRUE(s.waitFor("Stop requested.", 10000)) << s.output;
    ASSERT_TRUE(s.waitFor("PC = C:", 10000)) << s.output;
    s.send("timeout 0\nstep 1000000\n");
    ASSERT_TRUE(s.waitFor("> step 1000000")) << s.output;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    s.interrupt();
    ASSERT_TRUE(s.waitFor("Stop requested.", 10000)) << s.output;
    ASSERT_TRUE(s.waitFor("PC = C:", 10000)) << s.output;
    s.send("quit\n");
    EXPECT_EQ(s.finish(), 0);
    EXPECT_EQ(s.output.find("[EMX31 Notice"), std::string::npos) << s.output;
}

TEST(DbgSession, IntelHexReaderRefusesWhatTheProgramReaderRefuses) {
    const std::string dir = ::testing::TempDir();
    const char *files[][3] = {
        {"noend.hex", ":0100000041BE\n", "noend.hex:1: no end-of-file record"},
        {"sign.hex", ":0100000041BE\n:01000100-1FF\n:00000001FF\n", "sign.hex:2: bad hex digit"},
        {"suffix.hex", ":010000001hFE\n:00000001FF\n", "suffix.hex:1: bad hex digit"},
        {"empty.hex", "", "empty.hex:0: no end-of-file record"},
    };
    Session s("--keep-going");
    s.send("connect\n");
    ASSERT_TRUE(s.waitFor("Connected.")) << s.output;
    for (const auto &f : files) {
        std::ofstream(dir + f[0]) << f[1];
        s.send("load " + dir + f[0] + "\n");
        ASSERT_TRUE(s.waitFor(f[2], 5000)) << s.output;
    }
    s.send("quit\n");
    EXPECT_EQ(s.finish(), 0);
    EXPECT_EQ(s.output.find("Verify OK"), std::string::npos) << s.output;
}

}  // namespace
