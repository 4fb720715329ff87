#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "sim/tr600/FactoryChip.h"
#include "sim/tr600/VirtualChip.h"

using namespace vantor::sim;

namespace {
ChipSpec wordChip() {
    ChipSpec s;
    s.name = "PIC16F84A";
    s.algorithm = 0x30;
    s.id = {0x05, 0x60, 0, 0};
    s.areaSize = {0x800, 0x80, 0, 0};
    s.wordDevice = true;
    return s;
}
}  // namespace

TEST(VirtualChip, ProgrammingClearsBitsOnlyAndEraseRestoresThem) {
    ChipSpec s;
    s.areaSize = {0x100, 0, 0, 0};
    VirtualChip chip(s);
    EXPECT_TRUE(chip.isBlank());
    const std::uint8_t a = 0xF0, b = 0x0F, c = 0x00;
    EXPECT_TRUE(chip.program(0, 5, &a, 1));
    EXPECT_FALSE(chip.program(0, 5, &b, 1)) << "0xF0 cannot become 0x0F without an erase";
    EXPECT_EQ(chip.read(0, 5), 0x00);
    EXPECT_TRUE(chip.program(0, 5, &c, 1));
    EXPECT_FALSE(chip.program(0, 0xFF, &a, 2)) << "past the end of the area";
    EXPECT_EQ(chip.read(0, 0x100), 0xFF);
    chip.erase();
    EXPECT_TRUE(chip.isBlank());
    EXPECT_EQ(chip.lock[0], 0xFF);
}

TEST(VirtualChip, WordDeviceHighBytesHoldSixBits) {
    VirtualChip chip(wordChip());
    EXPECT_EQ(chip.read(0, 0), 0xFF);
    EXPECT_EQ(chip.read(0, 1), 0x3F);
    const std::uint8_t word[2] = {0x12, 0xFF};
    EXPECT_TRUE(chip.program(0, 2, word, 2)) << "the two unused bits are not a failure";
    EXPECT_EQ(chip.read(0, 3), 0x3F);
}

TEST(VirtualChip, SurvivesASaveAndLoad) {
    VirtualChip chip(wordChip());
    const std::uint8_t d[4] = {1, 2, 3, 4};
    chip.program(1, 0x10, d, 4);
    chip.fuses[2] = 0x42;
    chip.calibrationWrites = 3;
    // Per process: the sanitizer build of these tests may run at the same time.
    const auto path =
        std::filesystem::temp_directory_path() / ("vantor-chip-test-" + std::to_string(::getpid()) + ".chip");
    ASSERT_TRUE(chip.save(path));

    ChipSpec other;
    other.areaSize = {16, 0, 0, 0};
    VirtualChip back(other);
    ASSERT_TRUE(back.load(path));
    EXPECT_EQ(back.chipSpec().name, "PIC16F84A");
    EXPECT_TRUE(back.chipSpec().wordDevice);
    EXPECT_EQ(back.read(1, 0x13), 4 & 0x3F);
    EXPECT_EQ(back.fuses[2], 0x42);
    EXPECT_EQ(back.calibrationWrites, 3);

    // A truncated or foreign file leaves the chip as it was.
    std::filesystem::resize_file(path, 40);
    EXPECT_FALSE(back.load(path));
    EXPECT_EQ(back.chipSpec().name, "PIC16F84A");
    std::filesystem::remove(path);
    EXPECT_FALSE(back.load(path));
}

namespace {

namespace fs = std::filesystem;

struct ChipDir {
    ChipDir() {
        static int n = 0;
        path =
            fs::temp_directory_path() / ("vantor-chip-dir-" + std::to_string(::getpid()) + "-" + std::to_string(n++));
        fs::create_directories(path);
    }
    ~ChipDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    fs::path path;
};

std::string fileText(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void putText(const fs::path &p, const std::string &text) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << text;
}

}  // namespace

TEST(VirtualChip, SavingNeverWritesThroughAPlantedNameNorEmptiesTheChipFile) {
    ChipDir dir;
    const fs::path chipFile = dir.path / "socket.chip";
    putText(dir.path / "victim", "someone else's file");
    fs::create_symlink(dir.path / "victim", dir.path / "socket.chip.tmp");
    VirtualChip chip(wordChip());
    ASSERT_TRUE(chip.save(chipFile));
    EXPECT_EQ(fileText(dir.path / "victim"), "someone else's file");
    const std::string saved = fileText(chipFile);
    ASSERT_GT(saved.size(), 0x880u);

    // Past a file-size limit the save fails and the chip file stays as it was.
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit rl{1024, 1024};
        setrlimit(RLIMIT_FSIZE, &rl);
        VirtualChip erased(wordChip());
        const std::uint8_t zero[2] = {0, 0};
        erased.program(0, 0, zero, 2);
        _exit(erased.save(chipFile) ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "the failed save must say so";
    EXPECT_EQ(fileText(chipFile), saved);
}

TEST(VirtualChip, LoadRefusesWhatIsNoChipFileWithoutReadingForEver) {
    ChipDir dir;
    VirtualChip chip(wordChip());
    EXPECT_FALSE(chip.load(dir.path)) << "a directory";
    const fs::path fifo = dir.path / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(chip.load(fifo)) << "a FIFO is refused unopened, so this cannot block";
    EXPECT_FALSE(chip.load("/dev/zero"));

    const fs::path good = dir.path / "good.chip";
    ASSERT_TRUE(chip.save(good));
    const std::string bytes = fileText(good);
    putText(dir.path / "trailing.chip", bytes + "X");
    EXPECT_FALSE(chip.load(dir.path / "trailing.chip")) << "trailing bytes";

    // Sizes sit after the 8-byte magic, the name length and name, algorithm, id and word flag.
    const std::size_t sizes = 8 + 4 + 9 + 1 + 4 + 1;
    std::string gap = bytes;
    gap.replace(sizes, 8, std::string("\x00\x00\x00\x00\x80\x00\x00\x00", 8));  // area 0 empty, area 1 not
    gap.erase(sizes + 16, 0x800);
    putText(dir.path / "gap.chip", gap);
    EXPECT_FALSE(chip.load(dir.path / "gap.chip")) << "an area after an absent one";
    EXPECT_TRUE(chip.load(good));
}

TEST(VirtualChip, AChipWithoutSecondAreaLoadsBack) {
    // Empty areas are skipped when the cells are copied (no copy from or to nothing).
    ChipDir dir;
    ChipSpec single;
    single.name = "AT89C2051";
    single.areaSize = {0x800, 0, 0, 0};
    VirtualChip chip(single);
    const std::uint8_t d[2] = {0x12, 0x34};
    chip.program(0, 0x7FE, d, 2);
    ASSERT_TRUE(chip.save(dir.path / "c.chip"));
    VirtualChip back(wordChip());
    ASSERT_TRUE(back.load(dir.path / "c.chip"));
    EXPECT_EQ(back.areaCount(), 1);
    EXPECT_EQ(back.read(0, 0x7FF), 0x34);
}

TEST(VirtualChip, KeepsItsWordWidthAndEraseStateAcrossSaveAndLoad) {
    ChipDir dir;
    for (const std::uint8_t mask : {std::uint8_t(0x0F), std::uint8_t(0x3F)}) {
        ChipSpec spec = wordChip();
        spec.wordHighMask = mask;
        VirtualChip chip(spec);
        chip.fuses[0] = chip.lock[15] = chip.config[7] = 0;
        ASSERT_TRUE(chip.save(dir.path / "w.chip"));
        VirtualChip back(ChipSpec{});
        ASSERT_TRUE(back.load(dir.path / "w.chip"));
        EXPECT_EQ(back.cellMask(1), mask);
        EXPECT_EQ(back.read(0, 1), mask) << "an erased high byte holds only its word's bits";
        EXPECT_EQ(back.cellMask(2), 0xFF);
        EXPECT_EQ(back.fuses[0], 0);
        back.erase();
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(back.fuses[std::size_t(i)], 0xFF);
            EXPECT_EQ(back.lock[std::size_t(i)], 0xFF);
            EXPECT_EQ(back.config[std::size_t(i)], 0xFF);
        }
    }
    // Four areas, and nothing beyond them.
    ChipSpec four;
    four.areaSize = {0x10, 0x20, 0x30, 0x40};
    VirtualChip chip(four);
    EXPECT_EQ(chip.areaCount(), 4);
    EXPECT_EQ(chip.areaSize(3), 0x40u);
    EXPECT_EQ(chip.areaSize(4), 0u);
    EXPECT_EQ(chip.read(4, 0), 0xFF);
    const std::uint8_t zero = 0;
    EXPECT_FALSE(chip.program(4, 0, &zero, 1));
    EXPECT_TRUE(chip.program(3, 0x3F, &zero, 1));
    EXPECT_EQ(chip.read(3, 0x3F), 0);
    // A place nobody can write to is a failed save.
    EXPECT_FALSE(chip.save(dir.path / "missing-dir" / "c.chip"));
}

TEST(VirtualChip, TakesItsKindFromTheDeviceRecord) {
    vantor::DeviceRecord device;
    std::memcpy(device.device_name, "PIC16C54", 9);
    device.algorithm = 0x31;
    device.data_width = 12;
    device.device_id[0] = 0x55;
    device.memory_areas[0] = {0x400, 0};
    device.memory_areas[2] = {0x40, 0x1000};  // after an absent area: not part of the chip
    const ChipSpec spec = ChipSpec::fromDevice(device);
    EXPECT_EQ(spec.name, "PIC16C54");
    EXPECT_EQ(spec.algorithm, 0x31);
    EXPECT_EQ(spec.id[0], 0x55);
    EXPECT_TRUE(spec.wordDevice);
    EXPECT_EQ(spec.wordHighMask, 0x0F);
    EXPECT_EQ(VirtualChip(spec).areaCount(), 1);

    // A new part carries the record's default configuration bytes, or erased ones without them.
    EXPECT_EQ(makeFactoryChip(device)->fuses[3], 0xFF);
    device.config_data[3] = 0x3F;
    const auto chip = makeFactoryChip(device);
    EXPECT_EQ(chip->fuses[3], 0x3F);
    EXPECT_EQ(chip->config[3], 0x3F);
    EXPECT_EQ(chip->fuses[0], 0x00);
}
