#include <gtest/gtest.h>

#include <filesystem>

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
    const auto path = std::filesystem::temp_directory_path() / "vantor-chip-test.chip";
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
