// The devlibc program as the build and a maintainer run it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "support/RunCommand.h"

using vantor::test::binPath;
using vantor::test::runCommand;
namespace fs = std::filesystem;

namespace {

class DevlibcCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("devlibc-cli-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const std::string &f) const { return (dir / f).string(); }
    void write(const std::string &f, const std::string &text) const { std::ofstream(dir / f) << text; }
    std::vector<char> bytes(const std::string &f) const {
        std::ifstream in(dir / f, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::string run(const std::string &args, int expectStatus) const {
        const auto r = runCommand(binPath("devlibc") + " " + args);
        EXPECT_EQ(r.status, expectStatus) << r.output;
        return r.output;
    }
    fs::path dir;
};

constexpr const char *kGood = R"(device AT89S52
    vendor ATMEL
    type mcu
    id 1E 52 06
    area 8K
    pins 40
    adapter DIP40
    algorithm mcs51-parallel
)";

}  // namespace

TEST_F(DevlibcCli, BadSourceGivesFileLineMessagesAndWritesNothing) {
    write("bad.txt", std::string(kGood) + "    adapter PLCC99\n");
    write("Old.dev", "previous");
    const std::string out = run("compile " + path("bad.txt") + " -o " + path("Old.dev"), 1);
    EXPECT_NE(out.find(path("bad.txt") + ":9: unknown adapter 'PLCC99'"), std::string::npos) << out;
    EXPECT_EQ(std::string(bytes("Old.dev").data(), 8), "previous");                      // untouched
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);  // no temp left
}

TEST_F(DevlibcCli, CompileCheckDumpRoundTrip) {
    write("src.txt", kGood);
    run("compile " + path("src.txt") + " -o " + path("Lib.dev") + " --depfile " + path("Lib.d"), 0);
    EXPECT_NE(run("check " + path("Lib.dev"), 0).find("OK, 1 devices"), std::string::npos);
    run("dump " + path("Lib.dev") + " -o " + path("dump.txt"), 0);
    fs::create_directories(dir / "again");
    run("compile " + path("dump.txt") + " -o " + path("again/Lib.dev"), 0);
    EXPECT_EQ(bytes("Lib.dev"), bytes("again/Lib.dev"));
    const auto dep = bytes("Lib.d");
    EXPECT_NE(std::string(dep.begin(), dep.end()).find("src.txt"), std::string::npos);

    // The stored library name is the output's: a renamed copy no longer checks.
    fs::copy_file(dir / "Lib.dev", dir / "Other.dev");
    EXPECT_NE(run("check " + path("Other.dev"), 1).find("library_name is 'Lib.dev'"), std::string::npos);

    auto damaged = bytes("Lib.dev");
    damaged[160] ^= 0x40;
    std::ofstream(dir / "Lib.dev", std::ios::binary).write(damaged.data(), std::streamsize(damaged.size()));
    EXPECT_NE(run("check " + path("Lib.dev"), 1).find("check word mismatch"), std::string::npos);
    EXPECT_NE(run("dump " + path("Lib.dev"), 1).find("check word mismatch"), std::string::npos);
}

TEST_F(DevlibcCli, UsageErrorsExitWithTwo) {
    run("", 2);
    run("compile " + path("x.txt"), 2);  // no -o
    run("frobnicate x", 2);
    run("dump " + path("x.dev") + " --strict", 2);  // compile's option only
    run("check " + path("x.dev") + " -o", 2);       // -o without its file
    run("--help", 0);
    run("compile " + path("missing.txt") + " -o " + path("M.dev"), 1);
}

TEST_F(DevlibcCli, UnusualRecordsCompileWithWarningsUnlessStrict) {
    // An adapter outside the table: the format holds it, the shipped data must not.
    write("odd.txt", std::string(kGood) + "    adapter #73\n");
    const std::string warned = run("compile " + path("odd.txt") + " -o " + path("Odd.dev"), 0);
    EXPECT_NE(warned.find(path("odd.txt") + ":9: warning: adapter index 73 out of range (0..72)"), std::string::npos)
        << warned;
    EXPECT_NE(run("check " + path("Odd.dev"), 1).find("adapter index 73"), std::string::npos);
    run("dump " + path("Odd.dev") + " -o " + path("odd-dump.txt"), 0);
    fs::create_directories(dir / "again");
    run("compile " + path("odd-dump.txt") + " -o " + path("again/Odd.dev"), 0);
    EXPECT_EQ(bytes("Odd.dev"), bytes("again/Odd.dev"));

    const std::string refused = run("compile --strict " + path("odd.txt") + " -o " + path("Strict.dev"), 1);
    EXPECT_NE(refused.find(":9: error: adapter index 73"), std::string::npos) << refused;
    EXPECT_FALSE(fs::exists(dir / "Strict.dev"));
}

TEST_F(DevlibcCli, ADumpThatCannotBeWrittenFails) {
    if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    write("src.txt", kGood);
    run("compile " + path("src.txt") + " -o " + path("Lib.dev"), 0);
    const auto r = runCommand("{ " + binPath("devlibc") + " dump " + path("Lib.dev") + " >/dev/full; }");
    EXPECT_EQ(r.status, 1);
    const std::string &lost = r.output;
    EXPECT_NE(lost.find("devlibc: cannot write to standard output: No space left on device"), std::string::npos)
        << lost;
    // Written into a device directly, never replacing it.
    EXPECT_NE(run("dump " + path("Lib.dev") + " -o /dev/full", 1).find("No space left"), std::string::npos);
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}
