#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "buffer/TestSupport.h"
#include "core/SafeFile.h"

using namespace vantor;
using vantor::test::readText;
using vantor::test::TempDir;
using vantor::test::writeText;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> entries(const fs::path &dir) {
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs f in a child process whose files may not grow past `limit` bytes; answers f's result.
template <class F>
bool underFileSizeLimit(rlim_t limit, F f) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit rl{limit, limit};
        setrlimit(RLIMIT_FSIZE, &rl);
        _exit(f() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(SafeFile, ReplacesAWholeFileKeepingItsPermissionsAndLeavesNothingElse) {
    TempDir dir;
    writeText(dir / "data.bin", "old contents");
    fs::permissions(dir / "data.bin", fs::perms(0640));
    const ReplaceResult r = replaceFile(dir / "data.bin", "new");
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(readText(dir / "data.bin"), "new");
    EXPECT_EQ(fs::status(dir / "data.bin").permissions(), fs::perms(0640));
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"data.bin"});

    // A file of another owner keeps its owner; only root may give a file away.
    if (geteuid() == 0) {
        ASSERT_EQ(chown((dir / "data.bin").c_str(), 1234, getegid()), 0);
        ASSERT_TRUE(replaceFile(dir / "data.bin", "again"));
        struct stat st {};
        ASSERT_EQ(stat((dir / "data.bin").c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, 1234u);
    }

    // A new file gets the usual permissions of a new file.
    const mode_t mask = umask(022);
    ASSERT_TRUE(replaceFile(dir / "fresh.bin", "x"));
    umask(mask);
    EXPECT_EQ(fs::status(dir / "fresh.bin").permissions(), fs::perms(0644));
}

TEST(SafeFile, FollowsLinksAndReplacesTheFileTheyNameNotTheLink) {
    TempDir dir;
    fs::create_directories(dir / "real");
    writeText(dir / "real" / "image.hex", "old");
    fs::create_symlink("real/image.hex", dir / "link.hex");
    ASSERT_TRUE(replaceFile(dir / "link.hex", "new"));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / "link.hex")));
    EXPECT_EQ(readText(dir / "real" / "image.hex"), "new");
    // The temporary file lived beside the target, and is gone.
    EXPECT_EQ(entries(dir / "real"), std::vector<std::string>{"image.hex"});

    // A link to a file that does not exist yet creates that file.
    fs::create_symlink("real/later.hex", dir / "dangling.hex");
    ASSERT_TRUE(replaceFile(dir / "dangling.hex", "made"));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / "dangling.hex")));
    EXPECT_EQ(readText(dir / "real" / "later.hex"), "made");
}

TEST(SafeFile, WritesIntoAFifoInsteadOfReplacingIt) {
    TempDir dir;
    const fs::path fifo = dir / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string got;
    std::thread reader([&] { got = readText(fifo); });
    const ReplaceResult r = replaceFile(fifo, "through the pipe");
    reader.join();
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(got, "through the pipe");
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(fifo)));
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"pipe"});

    // A socket cannot be opened at all: a clear error, and it stays a socket.
    const int s = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = (dir / "sock").string();
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    const ReplaceResult refused = replaceFile(dir / "sock", "x");
    close(s);
    EXPECT_FALSE(refused);
    EXPECT_NE(refused.error.find("cannot open"), std::string::npos) << refused.error;
    EXPECT_TRUE(fs::is_socket(fs::symlink_status(dir / "sock")));
}

TEST(SafeFile, ReportsTheWriteErrorsOfADeviceAndADirectory) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no writable /dev/full";
    const ReplaceResult full = replaceFile("/dev/full", "lost");
    EXPECT_FALSE(full);
    EXPECT_TRUE(full.opened);
    EXPECT_NE(full.error.find("No space left"), std::string::npos) << full.error;
    EXPECT_TRUE(fs::is_character_file("/dev/full")) << "a device is never replaced";

    TempDir dir;
    fs::create_directories(dir / "sub");
    const ReplaceResult d = replaceFile(dir / "sub", "x");
    EXPECT_FALSE(d);
    EXPECT_NE(d.error.find("is a directory"), std::string::npos) << d.error;
}

TEST(SafeFile, AFailedWriteKeepsTheOldFileAndRemovesTheTemporaryOne) {
    TempDir dir;
    writeText(dir / "chip.sim", std::string(100, 'A'));
    const fs::path target = dir / "chip.sim";
    std::string error;
    // Past a file-size limit the write fails: nothing may be emptied or left behind.
    EXPECT_FALSE(underFileSizeLimit(4096, [&] { return bool(replaceFile(target, std::string(64 * 1024, 'B'))); }));
    EXPECT_EQ(readText(target), std::string(100, 'A'));
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"chip.sim"});
    EXPECT_TRUE(underFileSizeLimit(4096, [&] { return bool(replaceFile(target, std::string(1000, 'C'))); }));
    EXPECT_EQ(readText(target), std::string(1000, 'C'));
}

TEST(SafeFile, ANameTakenBeforehandIsNeverWrittenThrough) {
    TempDir dir;
    writeText(dir / "victim", "keep me");
    // Whatever names are planted beside the target, the temporary file is created afresh.
    for (const char *name : {"out.bin.tmp", ".out.bin.tmp", "out.bin.tmp0"})
        fs::create_symlink(dir / "victim", dir / name);
    ASSERT_TRUE(replaceFile(dir / "out.bin", "data"));
    EXPECT_EQ(readText(dir / "victim"), "keep me");
    EXPECT_EQ(readText(dir / "out.bin"), "data");

    // A directory nobody may write into gives a clear reason.
    if (geteuid() != 0) {
        fs::create_directories(dir / "ro");
        fs::permissions(dir / "ro", fs::perms(0555));
        const ReplaceResult r = replaceFile(dir / "ro" / "f", "x");
        EXPECT_FALSE(r);
        EXPECT_FALSE(r.opened);
        EXPECT_NE(r.error.find("temporary file"), std::string::npos) << r.error;
        fs::permissions(dir / "ro", fs::perms(0755));
    }
}

}  // namespace
