// Memory spaces, the shadow and its cached bits, registers and the register pane.
#include <gtest/gtest.h>

#include "tests/emulator/DriverRig.h"

namespace vantor::emx31::test {
namespace {

// The register pane: a written register reads back in its own width.
TEST(Memory, RegisterPaneShowsEachRegisterInItsWidth) {
    Rig rig;
    ASSERT_TRUE(rig.connect());
    struct Case {
        std::uint16_t id;
        std::uint8_t value[2];
        const char *text;
    };
    const Case cases[] = {{0, {0x11}, "0x11"},         {7, {0x17}, "0x17"},  {16, {0xA5}, "0xa5"},
                          {17, {0x42}, "0x42"},        {18, {0x60}, "0x60"}, {256, {0x81}, "0x81"},
                          {19, {0x34, 0x12}, "0x1234"}};
    for (const Case &c : cases) {
        AG_RegItem item{};
        item.id = c.id;
        ASSERT_NE(rig.driver.paneWrite(&item, c.value), 0u) << c.id;
        rig.driver.paneRead(&item, 0);
        EXPECT_STREQ(item.text, c.text) << c.id;
    }
}

TEST(Memory, DirectDataSplitsAtTheSfrBoundary) {
    Rig rig;
    ASSERT_TRUE(rig.connect());
    rig.sim.device->cpu().writeIram(0x7E, 0x11);
    rig.sim.device->cpu().writeIram(0x7F, 0x22);
    rig.sim.device->cpu().writeSfr(0x80, 0x33);  // P0
    rig.sim.device->cpu().writeSfr(0x81, 0x44);  // SP
    rig.newCommands();
    std::uint8_t b[4] = {};
    ASSERT_EQ(rig.read(AG_ADDRESS(AG_SPACE_DATA, 0x7E), b, 4), 0u);
    EXPECT_EQ(rig.newCommands(), (std::vector<std::uint8_t>{16, 7}));
    EXPECT_EQ(std::vector<std::uint8_t>(b, b + 4), (std::vector<std::uint8_t>{0x11, 0x22, 0x33, 0x44}));
    // Indirect addressing reaches the upper RAM, not the SFRs.
    rig.sim.device->cpu().writeIram(0x80, 0x55);
    ASSERT_EQ(rig.read(AG_ADDRESS(AG_SPACE_IDATA, 0x80), b, 1), 0u);
    EXPECT_EQ(b[0], 0x55);

    // A write splits the same way: the SFRs take the upper half, the upper RAM is left alone.
    rig.newCommands();
    ASSERT_EQ(rig.write(AG_ADDRESS(AG_SPACE_DATA, 0x7E), {0xA1, 0xA2, 0xA3, 0x07}), 0u);
    EXPECT_EQ(rig.newCommands(), (std::vector<std::uint8_t>{15, 8}));
    const auto &cpu = rig.sim.device->cpu();
    EXPECT_EQ(cpu.readIram(0x7E), 0xA1);
    EXPECT_EQ(cpu.readIram(0x7F), 0xA2);
    EXPECT_EQ(cpu.readSfr(0x80), 0xA3);
    EXPECT_EQ(cpu.readSfr(0x81), 0x07);
    EXPECT_EQ(cpu.readIram(0x80), 0x55);
    // SFRs alone, and read back through the driver.
    ASSERT_EQ(rig.write(AG_ADDRESS(AG_SPACE_DATA, 0xF0), {0x5A}), 0u);  // B
    EXPECT_EQ(rig.newCommands(), (std::vector<std::uint8_t>{8}));
    ASSERT_EQ(rig.read(AG_ADDRESS(AG_SPACE_DATA, 0xF0), b, 1), 0u);
    EXPECT_EQ(b[0], 0x5A);
}

TEST(Memory, RangesPastTheirSpaceAreRefused) {
    Rig rig;
    ASSERT_TRUE(rig.connect());
    rig.newCommands();
    std::vector<std::uint8_t> b(0x200, 0xEE);
    EXPECT_EQ(rig.read(AG_ADDRESS(AG_SPACE_DATA, 0xF0), b.data(), 0x20), AG_MEM_READ_FAILED);
    EXPECT_EQ(rig.read(AG_ADDRESS(AG_SPACE_XDATA, 0xFF00), b.data(), 0x101), AG_MEM_READ_FAILED);
    EXPECT_EQ(rig.write(AG_ADDRESS(AG_SPACE_IDATA, 0xFF), {1, 2}), AG_MEM_WRITE_FAILED);
    EXPECT_TRUE(rig.newCommands().empty());
    EXPECT_EQ(b[0], 0xEE);
}

TEST(Memory, CodeIsServedFromTheShadowDataAlwaysFromTheEmulator) {
    Rig rig;
    ASSERT_TRUE(rig.connect());
    rig.sim.device->cpu().writeXdata(0, 0x5A);
    rig.sim.device->cpu().writeCode(0, 0xA7);
    std::uint8_t b = 0;
    ASSERT_EQ(rig.read(AG_ADDRESS(AG_SPACE_CODE, 0), &b, 1, AG_MEM_READ_CODE), 0u);
    EXPECT_EQ(b, 0xA7);
    ASSERT_EQ(rig.read(AG_ADDRESS(AG_SPACE_XDATA, 0), &b, 1), 0u);
    rig.newCommands();
    ASSERT_EQ(rig.read(AG_ADDRESS(AG_SPACE_XDATA, 0), &b, 1), 0u);
    EXPECT_EQ(rig.newCommands(), std::vector<std::uint8_t>{14});
    ASSERT_EQ(rig.read(AG_ADDRESS(AG_SPACE_CODE, 0), &b, 1, AG_MEM_READ_CODE), 0u);
    EXPECT_TRUE(rig.newCommands().empty());
    EXPECT_EQ(b, 0xA7);
    // A step keeps code cached and drops the data caches.
    rig.driver.goStep(AG_GOSTEP_STEP, 1, nullptr);
    EXPECT_TRUE(rig.codeAttr[0] & AG_ATTR_CACHED);
    EXPECT_FALSE(rig.xdataAttr[0] & AG_ATTR_CACHED);
}

TEST(Memory, CodeOutsideBankZeroIsFiller) {
    Rig rig;
    ASSERT_TRUE(rig.connect());
    rig.newCommands();
    std::vector<std::uint8_t> b(40, 0);
    AG_AddressRecord rec{0x00010000, 0};  // bank 1, untagged: code 4 tags it
    ASSERT_EQ(rig.driver.memAcc(AG_MEM_READ_CODE, b.data(), &rec, 40), 0u);
    EXPECT_EQ(rec.address, 0xFF010000u);
    EXPECT_EQ(b, std::vector<std::uint8_t>(40, 0x99));
    EXPECT_TRUE(rig.newCommands().empty());
}

TEST(Memory, CodeWritesPastTheEmulatorLimit) {
    // The part below 0xFC00 is written and cached, the dropped part never cached.
    for (const bool notice : {false, true}) {
        Rig rig;
        ASSERT_TRUE(rig.connect());
        if (notice) rig.driver.init(AG_INIT_CACHE_CODE, nullptr);
        const std::uint32_t r =
            rig.write(AG_ADDRESS(AG_SPACE_CODE, 0xFBF0), std::vector<std::uint8_t>(0x20, 1), AG_MEM_WRITE_CODE);
        EXPECT_EQ(rig.sim.device->cpu().readCode(0xFBF0), 1) << notice;
        EXPECT_EQ(rig.sim.device->cpu().readCode(0xFBFF), 1) << notice;
        EXPECT_EQ(rig.codeData[0xFBFF], 1) << notice;
        EXPECT_TRUE(rig.codeAttr[0xFBFF] & AG_ATTR_CACHED) << notice;
        EXPECT_FALSE(rig.codeAttr[0xFC00] & AG_ATTR_CACHED) << notice;
        EXPECT_FALSE(rig.codeAttr[0xFC0F] & AG_ATTR_CACHED) << notice;
        if (notice) {
            EXPECT_EQ(r, 0u);
            EXPECT_TRUE(rig.ui.hasText("EMX31 ERROR 22: No Code Memory at Adrress FC10H.\n"));
            EXPECT_TRUE(rig.codeAttr[0x1234] & AG_ATTR_CACHED);
        } else {
            EXPECT_EQ(r, AG_MEM_WRITE_FAILED);
            EXPECT_TRUE(rig.ui.hasBox("Code size has exceeded the limit of the EMX31(max. 63K)"));
            EXPECT_EQ(rig.failing, 0xFF00FC00u);
        }
    }
}

TEST(Memory, AnUnroutedSpaceLeavesTheCodeShadowAlone) {
    Rig rig;
    ASSERT_TRUE(rig.connect());
    rig.sim.device->cpu().writeCode(0x10, 0xAB);
    std::uint8_t b = 0;
    ASSERT_EQ(rig.read(AG_ADDRESS(AG_SPACE_CODE, 0x10), &b, 1, AG_MEM_READ_CODE), 0u);
    ASSERT_TRUE(rig.codeAttr[0x10] & AG_ATTR_CACHED);
    rig.newCommands();
    b = 0x5C;
    rig.read(AG_ADDRESS(0x03, 0x10), &b, 1);
    EXPECT_TRUE(rig.newCommands().empty());
    EXPECT_EQ(rig.codeData[0x10], 0xAB);
    EXPECT_TRUE(rig.codeAttr[0x10] & AG_ATTR_CACHED);
}

TEST(Memory, WithoutShadowPagesEverythingGoesToTheEmulator) {
    Rig rig;
    rig.withShadow = false;
    ASSERT_TRUE(rig.connect());
    rig.sim.device->cpu().writeCode(0x10, 0x42);
    std::uint8_t b = 0;
    ASSERT_EQ(rig.read(AG_ADDRESS(AG_SPACE_CODE, 0x10), &b, 1, AG_MEM_READ_CODE), 0u);
    EXPECT_EQ(b, 0x42);
    AG_AttributeRecord att{};
    att.u.address = AG_ADDRESS(AG_SPACE_CODE, 0x10);
    EXPECT_EQ(rig.driver.memAtt(2, &att), 0u);
    EXPECT_EQ(att.u.attribute, nullptr);
}

TEST(Registers, BlockCacheAndWrites) {
    Rig rig;
    ASSERT_TRUE(rig.connect());
    Registers8051 r;
    r.a = 0x12;
    r.b = 0x34;
    r.sp = 0x50;
    r.psw = 0x08;  // bank 1
    r.dptr = 0xBEEF;
    r.r = {1, 2, 3, 4, 5, 6, 7, 8};
    rig.sim.device->cpu().setRegisters(r);
    rig.sim.device->cpu().setPc(0x0456);
    std::uint32_t v = 0;
    rig.driver.regAcc(1, 3, &v);
    EXPECT_EQ(v, 4u);
    rig.driver.regAcc(1, AG_REG_DPTR, &v);
    EXPECT_EQ(v, 0xBEEFu);
    v = 0x99;
    rig.driver.regAcc(2, 7, &v);
    EXPECT_EQ(rig.sim.device->cpu().readIram(0x0F), 0x99);  // R7 of bank 1
    v = 0xFF000200;
    rig.driver.regAcc(2, AG_REG_PC, &v);
    EXPECT_EQ(rig.sim.device->cpu().pc(), 0x0200);

    // Written values are served from the cache until the next step, go or stop.
    ASSERT_EQ(rig.driver.allReg(2), 0u);
    EXPECT_TRUE(rig.driver.registersCurrent());
    rig.newCommands();
    rig.driver.regAcc(1, AG_REG_A, &v);
    EXPECT_TRUE(rig.newCommands().empty());
    // Writing a register bank through memory makes the cache stale.
    ASSERT_EQ(rig.write(AG_ADDRESS(AG_SPACE_DATA, 0x08), {0x77}), 0u);
    EXPECT_FALSE(rig.driver.registersCurrent());
    rig.driver.regAcc(1, 0, &v);
    EXPECT_EQ(v, 0x77u);
}

// The block's layout both ways; decoding reads the sixteen bytes and nothing after them.
TEST(Registers, BlockCodingKeepsToSixteenBytes) {
    Registers regs;
    regs.r = {1, 2, 3, 4, 5, 6, 7, 8};
    regs.a = 0x3C;
    regs.b = 0x4D;
    regs.sp = 0x50;
    regs.psw = 0x18;
    regs.dpl = 0xEF;
    regs.dph = 0xBE;
    regs.pc = AG_CODE_TAG | 0x1234;
    const std::array<std::uint8_t, 17> block{0x3C, 0x18, 0xBE, 0xEF, 0x50, 0x12, 0x34, 0x4D, 1,
                                             2,    3,    4,    5,    6,    7,    8,    0x99};
    const auto encoded = regs.encode();
    EXPECT_TRUE(std::equal(encoded.begin(), encoded.end(), block.begin()));
    Registers back;
    back.decode(block.data());
    EXPECT_EQ(back.r, regs.r);
    EXPECT_EQ(back.a, 0x3C);
    EXPECT_EQ(back.b, 0x4D);
    EXPECT_EQ(back.sp, 0x50);
    EXPECT_EQ(back.psw, 0x18);
    EXPECT_EQ(back.dpl, 0xEF);
    EXPECT_EQ(back.dph, 0xBE);
    EXPECT_EQ(back.pc, AG_CODE_TAG | 0x1234u);
}

TEST(Registers, APartialWriteAfterStepsKeepsTheTargetsPcAndSp) {
    // 0000 INC SP / 0002..: NOPs
    Rig rig;
    rig.loadProgram({0x05, 0x81, 0, 0, 0, 0, 0, 0, 0, 0});
    ASSERT_TRUE(rig.connect());
    std::uint32_t v = 0;
    rig.driver.regAcc(1, AG_REG_A, &v);  // the cache now holds PC 0, SP 7
    rig.driver.goStep(AG_GOSTEP_STEP, 5, nullptr);
    v = 0x5A;
    rig.driver.regAcc(2, AG_REG_A, &v);
    EXPECT_EQ(rig.sim.device->cpu().pc(), 0x0006);
    EXPECT_EQ(rig.sim.device->cpu().registers().sp, 0x08);
    EXPECT_EQ(rig.sim.device->cpu().registers().a, 0x5A);
    rig.driver.goStep(AG_GOSTEP_STEP, 1, nullptr);
    EXPECT_EQ(rig.pc, 0xFF000007u);

    // The same through the pane, read before steps it was not shown.
    rig.pane->read(nullptr, 0x80000000u);
    rig.driver.goStep(AG_GOSTEP_STEP, 2, nullptr);
    AG_RegItem *b = nullptr;
    for (std::uint32_t i = 0; i < rig.pane->itemCount; ++i)
        if (std::strcmp(rig.pane->items[i].name, "b") == 0) b = &rig.pane->items[i];
    ASSERT_NE(b, nullptr);
    const std::uint8_t value[4] = {0x33, 0, 0, 0};
    EXPECT_EQ(rig.pane->write(b, value), 1u);
    EXPECT_EQ(rig.sim.device->cpu().pc(), 0x0009);
    EXPECT_EQ(rig.sim.device->cpu().registers().a, 0x5A);
    EXPECT_EQ(rig.sim.device->cpu().registers().b, 0x33);
}

TEST(RegisterPane, FormatsItemsAndFlagsChanges) {
    Rig rig;
    ASSERT_TRUE(rig.connect());
    ASSERT_NE(rig.pane, nullptr);
    Registers8051 r;
    r.psw = 0x10;
    r.a = 0x03;  // parity 0 with two bits set
    r.dptr = 0x1234;
    rig.sim.device->cpu().setRegisters(r);
    rig.sim.device->cpu().setPc(0x0042);
    auto item = [&](const char *name) -> AG_RegItem & {
        for (std::uint32_t i = 0; i < rig.pane->itemCount; ++i)
            if (std::strcmp(rig.pane->items[i].name, name) == 0) return rig.pane->items[i];
        throw std::runtime_error(name);
    };
    rig.pane->read(nullptr, 0x80000000u);
    EXPECT_EQ(rig.pc, 0xFF000042u);
    for (std::uint32_t i = 0; i < rig.pane->itemCount; ++i) rig.pane->read(&rig.pane->items[i], 0);
    EXPECT_STREQ(item("rs").text, "2       ");
    EXPECT_STREQ(item("dptr").text, "0x1234");
    EXPECT_STREQ(item("PC  $").text, "0x0042");
    EXPECT_STREQ(item("a").text, "0x03");
    EXPECT_EQ(item("a").valueChanged, 1);
    EXPECT_EQ(item("PC  $").valueChanged, 0);
    // Same value again: the changed mark goes away, and the text is told to update.
    item("a").textUpdated = 0;
    rig.pane->read(&item("a"), 0);
    EXPECT_EQ(item("a").valueChanged, 0);
    EXPECT_EQ(item("a").textUpdated, 1);

    // Writing a PSW field changes only its bits.
    const std::uint8_t three[4] = {3, 0, 0, 0};
    EXPECT_EQ(rig.pane->write(&item("rs"), three), 1u);
    EXPECT_EQ(rig.sim.device->cpu().psw() & 0x18, 0x18);
    const std::uint8_t dptr[4] = {0x78, 0x56, 0, 0};
    EXPECT_EQ(rig.pane->write(&item("dptr"), dptr), 1u);
    EXPECT_EQ(rig.sim.device->cpu().registers().dptr, 0x5678);
    EXPECT_EQ(rig.pane->write(&rig.pane->items[21], three), 0u);  // the unnamed item
}

}  // namespace
}  // namespace vantor::emx31::test
