// Download into the debug adapter or a target chip, and the settings dialog.
#include <gtest/gtest.h>

#include "tests/emulator/DriverRig.h"

namespace vantor::emx31::test {
namespace {

struct Program {
    std::vector<std::vector<std::uint8_t>> data;
    void chain(Rig &rig, const std::vector<std::pair<std::uint32_t, std::uint32_t>> &blocks) {
        std::uint32_t total = 0;
        for (const auto &b : blocks) total += b.second;
        data.clear();
        rig.blocks.clear();
        for (const auto &b : blocks) {
            auto &bytes = data.emplace_back(b.second);
            for (std::uint32_t i = 0; i < b.second; ++i) bytes[i] = std::uint8_t(b.first + i * 7);
        }
        for (std::size_t i = 0; i < blocks.size(); ++i)
            rig.blocks.push_back({blocks[i].first, blocks[i].second, data[i].data(), total});
        rig.blocks.push_back({0, 0, nullptr, total});
    }
};

bool download(Rig &rig) {
    return rig.driver.init(AG_INIT_PREPARE_DOWNLOAD, nullptr) == 0 &&
           rig.driver.init(AG_INIT_PROGRAM_VERIFY, nullptr) == 0;
}

TEST(ChipIndex, FromTheOptions) {
    TargetOptions o;
    o.flash = 0;
    o.vendor = 3;
    o.chip = 1;
    EXPECT_EQ(chipIndex(o), 22);
    EXPECT_STREQ(FlashChipTable[22].name, "W78E516B");
    o.flash = 16;
    EXPECT_EQ(chipIndex(o), -1);
    o.flash = 0;
    o.vendor = 9;
    EXPECT_EQ(chipIndex(o), -1);
    o.vendor = 1;
    o.chip = 3;  // NXP has three rows
    EXPECT_EQ(chipIndex(o), std::nullopt);
    EXPECT_TRUE(FlashChipTable[10].isp());
    EXPECT_FALSE(FlashChipTable[1].isp());
}

TEST(SettingsDialog, OpeningAndOk) {
    TargetOptions o;  // E1 F15 V0 C0
    o.vendor = 7;     // out of range: the dialog shows the first maker
    o.chip = 5;
    CTargetSettingsDlg dlg(o, nullptr);
    EXPECT_TRUE(dlg.halt());
    EXPECT_FALSE(dlg.adapter());
    EXPECT_EQ(dlg.maker(), 0);
    EXPECT_STREQ(dlg.chipName(dlg.chip()), "AT89S58");
    EXPECT_EQ(dlg.information().rfind("The Tarvik EMX31 is not connected.\r\n", 0), 0u);
    dlg.selectMaker(2);
    EXPECT_EQ(dlg.chipCount(), 5);
    EXPECT_EQ(dlg.chip(), 0);
    dlg.setAdapter(true);
    EXPECT_FALSE(dlg.chipControlsEnabled());
    const TargetOptions out = dlg.accept(o);
    EXPECT_EQ(out.flash, 16);  // the other bits of the default 15 are dropped
    EXPECT_EQ(out.halt, 1);
    EXPECT_EQ(out.vendor, 2);
    EXPECT_EQ(out.chip, 0);
}

TEST(DownloadToAdapter, ChunksProgressAndVerify) {
    Rig rig;
    rig.driver.options().flash = 16;
    ASSERT_TRUE(rig.connect());
    Program p;
    p.chain(rig, {{0x0100, 300}});
    rig.newCommands();
    ASSERT_TRUE(download(rig));
    EXPECT_TRUE(rig.ui.hasText("Download Code to Debug Adapter(PRB31).\n"));
    const auto c = rig.newCommands();
    EXPECT_EQ(std::count(c.begin(), c.end(), cmd::WriteCode), 2);  // 256 + 44
    EXPECT_EQ(std::count(c.begin(), c.end(), cmd::ReadCode), 2);
    EXPECT_EQ(c.back(), 20);  // reset and run
    EXPECT_EQ(rig.sim.device->runsStarted(), 1);
    int steps = 0;
    for (const auto &r : rig.progress) steps += r.state == AG_PROGRESS_STEP;
    EXPECT_EQ(steps, 4);  // two while programming, two while verifying
    EXPECT_EQ(rig.progress.back().state, AG_PROGRESS_FINISHED);
    EXPECT_EQ(rig.progress[0].state, AG_PROGRESS_START);
    EXPECT_EQ(rig.progress[0].total, 300u);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(rig.sim.device->cpu().readCode(std::uint16_t(0x100 + i)), p.data[0][std::size_t(i)]);
    EXPECT_TRUE(rig.ui.hasText("Verify OK.\n"));
    EXPECT_TRUE(rig.ui.hasText("Application Reset and Running..."));
}

// Only code that reaches C:0x003B claims the three bytes the halt needs.
TEST(DownloadToAdapter, CodeUpToButNotAt003BLeavesTheHaltItsBytes) {
    for (auto [length, claims] : {std::pair{0x3Bu, false}, std::pair{0x3Cu, true}}) {
        Rig rig;
        rig.driver.options().flash = 16;
        rig.driver.options().halt = 1;
        ASSERT_TRUE(rig.connect());
        Program p;
        p.chain(rig, {{0x0000, length}});
        ASSERT_TRUE(download(rig));
        EXPECT_EQ(rig.driver.link().codeUses003B(), claims) << length;
    }
}

TEST(DownloadToAdapter, SizeLimitCountsEveryBlock) {
    Rig rig;
    rig.driver.options().flash = 16;
    ASSERT_TRUE(rig.connect());
    Program p;
    // A high block followed by a low one: the high one still counts.
    p.chain(rig, {{0xFB00, 0x200}, {0x0000, 16}});
    rig.newCommands();
    EXPECT_FALSE(download(rig));
    EXPECT_TRUE(rig.ui.hasBox("Code size has exceeded the limit of the EMX31(max. 63K)"));
    const auto c = rig.newCommands();
    EXPECT_EQ(std::count(c.begin(), c.end(), cmd::WriteCode), 0);
}

TEST(DownloadToAdapter, AChainLongerThanTheListLimitIsRefused) {
    Rig rig;
    rig.driver.options().flash = 16;
    ASSERT_TRUE(rig.connect());
    static const std::uint8_t byte = 0x42;
    const std::uint32_t n = FlashDownload::kMaxBlocks + 1;
    for (std::uint32_t i = 0; i < n; ++i) rig.blocks.push_back({i & 0x3FFF, 1, &byte, n});
    rig.blocks.push_back({0, 0, nullptr, n});
    ASSERT_EQ(rig.driver.init(AG_INIT_PREPARE_DOWNLOAD, nullptr), 0u);
    rig.newCommands();
    EXPECT_EQ(rig.driver.init(AG_INIT_PROGRAM_VERIFY, nullptr), 1u);
    EXPECT_TRUE(rig.ui.hasText("more than 65536 blocks"));
    EXPECT_FALSE(rig.ui.hasText("Verify OK"));
    EXPECT_TRUE(rig.newCommands().empty());
}

TEST(DownloadToChip, OversizeProgramIsRefusedBeforeAnyTransfer) {
    Rig rig;
    rig.driver.options().flash = 0;  // ATMEL AT89S51
    ASSERT_TRUE(rig.connect());
    Program p;
    p.chain(rig, {{0x0000, 4097}});
    ASSERT_EQ(rig.driver.init(AG_INIT_PREPARE_DOWNLOAD, nullptr), 0u);
    rig.newCommands();
    EXPECT_EQ(rig.driver.init(AG_INIT_PROGRAM_VERIFY, nullptr), 1u);
    EXPECT_TRUE(rig.ui.hasBox("Code size has exceeded the limit of the chip AT89S51."));
    EXPECT_TRUE(rig.newCommands().empty());
    EXPECT_FALSE(rig.driver.link().linkFailed);
}

TEST(DownloadToChip, ProgramsVerifiesAndRuns) {
    Rig rig;
    rig.driver.options().flash = 0;
    rig.driver.options().vendor = 2;
    rig.driver.options().chip = 1;  // SST89E54RD, 16 KiB, variant 1
    ASSERT_TRUE(rig.connect());
    Program p;
    p.chain(rig, {{0x0000, 100}, {0x0800, 20}});
    ASSERT_TRUE(download(rig));
    EXPECT_TRUE(rig.ui.hasText("Download to SST  SST89E54RD.\n"));
    EXPECT_TRUE(rig.ui.hasText("Erasing Done.\n"));
    const auto flash = rig.sim.device->flash();
    ASSERT_EQ(flash.size(), 16384u);
    EXPECT_EQ(flash[0x0801], p.data[1][1]);
    EXPECT_EQ(rig.sim.device->cpu().readCode(0x0801), p.data[1][1]);  // released and running from flash
}

TEST(DownloadToChip, AProgramAt003BMakesTheHaltAsk) {
    Rig rig;  // the default options: halt on, download to the chip
    rig.sim.device->cpu().setPc(0);
    ASSERT_TRUE(rig.connect());
    const std::vector<std::uint8_t> nops(0x80, 0x00);
    rig.blocks = {{0, 0x80, nops.data(), 0x80}, {0, 0, nullptr, 0x80}};
    ASSERT_TRUE(download(rig));
    rig.addBreakpoint(0x0010);
    rig.ui.answers = {EMX31_IDNO};
    rig.driver.goStep(AG_GOSTEP_GO, 0, nullptr);
    EXPECT_TRUE(rig.ui.hasBox("the Code 0x003b not reserved"));
}

TEST(DownloadToChip, FailuresStopTheDownload) {
    {
        Rig rig;
        rig.driver.options().flash = 0;
        ASSERT_TRUE(rig.connect());
        rig.sim.device->injectFault({Emx31FaultKind::StatusNeverComes, cmd::ChipErase});
        EXPECT_EQ(rig.driver.init(AG_INIT_PREPARE_DOWNLOAD, nullptr), 1u);
        EXPECT_TRUE(rig.ui.hasText("EMX31 ERROR 33: Erasing Failed.\n"));
        EXPECT_EQ(rig.ui.posts, std::vector<unsigned>{AG_MSG_LINK_LOST});  // preparation failure ends the session
    }
    {
        // A chip that never answers its preparation gets 300 ms, polled once a millisecond.
        Rig rig;
        rig.driver.options().flash = 0;
        ASSERT_TRUE(rig.connect());
        rig.sim.device->setStatusHook([] {});  // only the pauses between polls move the clock
        rig.sim.device->injectFault({Emx31FaultKind::StatusNeverComes, cmd::ChipPrepare});
        const std::uint64_t before = rig.clock.nowMs();
        EXPECT_EQ(rig.driver.init(AG_INIT_PREPARE_DOWNLOAD, nullptr), 1u);
        const std::uint64_t waited = rig.clock.nowMs() - before;
        EXPECT_GT(waited, 300u);
        EXPECT_LE(waited, 301u);
        EXPECT_TRUE(rig.ui.hasText("EMX31 ERROR 30: Failed to Initialize the Device, Flash Download Abort.\n"));
    }
    {
        Rig rig;
        rig.driver.options().flash = 0;
        rig.sim.device->setTargetChip(13);  // a P89V51RB2 sits in the socket
        ASSERT_TRUE(rig.connect());
        EXPECT_EQ(rig.driver.init(AG_INIT_PREPARE_DOWNLOAD, nullptr), 1u);
        EXPECT_TRUE(rig.ui.hasText("EMX31 ERROR 30: Failed to Initialize the Device, Flash Download Abort.\n"));
    }
    {
        Rig rig;
        rig.driver.options().flash = 0;
        ASSERT_TRUE(rig.connect());
        Program p;
        p.chain(rig, {{0x0000, 600}});
        ASSERT_EQ(rig.driver.init(AG_INIT_PREPARE_DOWNLOAD, nullptr), 0u);
        rig.sim.device->injectFault({Emx31FaultKind::FinishWithoutSuccess, cmd::ChipProgram, 1});
        EXPECT_EQ(rig.driver.init(AG_INIT_PROGRAM_VERIFY, nullptr), 1u);
        EXPECT_TRUE(rig.ui.hasText("EMX31 ERROR 31: Flash Write Failed at Address 0100H."));
        EXPECT_FALSE(rig.driver.link().linkFailed);
    }
    {
        Rig rig;
        rig.driver.options().flash = 0;
        ASSERT_TRUE(rig.connect());
        Program p;
        p.chain(rig, {{0x0000, 64}});
        ASSERT_EQ(rig.driver.init(AG_INIT_PREPARE_DOWNLOAD, nullptr), 0u);
        // A byte that was programmed before and not erased: flash only clears bits.
        ASSERT_TRUE(download(rig));
        p.data[0][5] = 0xFF;
        EXPECT_EQ(rig.driver.init(AG_INIT_PROGRAM_VERIFY, nullptr), 1u);
        EXPECT_TRUE(rig.ui.hasText("EMX31 ERROR 32: Flash Verify Failed at 0005H"));
    }
}

}  // namespace
}  // namespace vantor::emx31::test
