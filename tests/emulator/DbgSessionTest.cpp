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
    Session() : ChildProcess(VANTOR_BIN_DIR "/emx31-dbg", {"-b", "--simulate"}) {}
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
    Session s;
    s.send("mem C:0 4\nbreak nowhere\nload /nonexistent.hex\nfrobnicate\nquit\n");
    EXPECT_EQ(s.finish(), 0);
    EXPECT_NE(s.output.find("Not connected (use connect)."), std::string::npos) << s.output;
    EXPECT_NE(s.output.find("break C:ADDR [COUNT] [COMMAND...]"), std::string::npos) << s.output;
    EXPECT_NE(s.output.find("Unknown command: frobnicate"), std::string::npos) << s.output;
}

}  // namespace
