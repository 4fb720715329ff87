// Download of the user program into the PRB31 adapter or a target chip's flash.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "emulator/FlashDownload.h"

namespace vantor::emx31 {

namespace {

std::string format(const char *fmt, unsigned value) {
    char text[160];
    std::snprintf(text, sizeof text, fmt, value);
    return text;
}

}  // namespace

void FlashDownload::progress(std::uint32_t state, const char *text) {
    progress_.state = state;
    if (text) progress_.text = text;
    host_.call(AG_CB_PROGRESS, &progress_);
}

bool FlashDownload::prepare() {
    const auto index = chipIndex(options_);
    if (!index) {
        // A chip number beyond the maker's rows comes only from a hand-edited option text.
        chipIndex_ = -1;
        host_.sendText(AG_MSG_DOWNLOAD, "EMX31 ERROR 30: Failed to Initialize the Device, Flash Download Abort.\n");
        return false;
    }
    chipIndex_ = *index;
    if (chipIndex_ < 0) {
        host_.sendText(AG_MSG_DOWNLOAD, "Download Code to Debug Adapter(PRB31).\n");
        return true;
    }
    const FlashChip &chip = FlashChipTable[std::size_t(chipIndex_)];
    char text[128];
    std::snprintf(text, sizeof text, "Download to %s  %s.\n", kMakers[std::size_t(chip.maker)], chip.name);
    host_.sendText(AG_MSG_DOWNLOAD, text);
    const LinkResult prepared =
        link_.chipCommand(cmd::ChipPrepare, chip.isp() ? 1 : 0, std::uint16_t(chip.family * 256 + chip.variant), 300);
    if (!prepared) {
        if (!prepared.shown)
            host_.sendText(AG_MSG_DOWNLOAD, "EMX31 ERROR 30: Failed to Initialize the Device, Flash Download Abort.\n");
        return false;
    }
    const LinkResult erased = link_.chipCommand(cmd::ChipErase, 0, 0, 600);
    if (erased.shown) return false;
    // A status read that fails after the erase has started counts as erased.
    if (erased || erased.fault == Fault::StatusRead) {
        host_.sendText(AG_MSG_DOWNLOAD, "Erasing Done.\n");
        return true;
    }
    host_.sendText(AG_MSG_DOWNLOAD, "EMX31 ERROR 33: Erasing Failed.\n");
    return false;
}

bool FlashDownload::collect(std::vector<AG_DownloadBlock> &blocks) {
    // The whole chain first: its measure decides before anything is sent.
    std::uint64_t end = 0;
    const AG_DownloadBlock *block = reinterpret_cast<const AG_DownloadBlock *>(host_.call(AG_CB_NEXT_BLOCK, nullptr));
    while (block && block->length != 0 && int(blocks.size()) < kMaxBlocks) {
        blocks.push_back(*block);
        // Every block counts: a block high in memory followed by a low one must not slip past
        // the size check.
        end = std::max<std::uint64_t>(end, std::uint64_t(block->start & 0xFFFF) + block->length);
        block = reinterpret_cast<const AG_DownloadBlock *>(
            host_.call(AG_CB_NEXT_BLOCK, const_cast<AG_DownloadBlock *>(block)));
    }
    // A chain that has not ended by now is damaged (64 KiB of code never needs more blocks):
    // programming only its beginning would be reported as a good download.
    if (block && block->length != 0) {
        host_.sendText(AG_MSG_DOWNLOAD, format("Download Abort: the program has more than %u blocks.\n", kMaxBlocks));
        return false;
    }
    if (chipIndex_ < 0 && end > kMonitorStart) {
        link_.showError(msg::EmulatorSizeExceeded);
        return false;
    }
    if (chipIndex_ >= 0 && end > FlashChipTable[std::size_t(chipIndex_)].codeSize) {
        char text[160];
        std::snprintf(text, sizeof text, msg::ChipSizeExceeded.text, FlashChipTable[std::size_t(chipIndex_)].name);
        host_.ui.messageBox(text, msg::kNoticeCaption, EMX31_MB_OK | EMX31_MB_ICONERROR);
        return false;
    }
    return true;
}

template <typename Chunk>
bool FlashDownload::eachChunk(const std::vector<AG_DownloadBlock> &blocks, std::uint16_t &failing, Chunk &&chunk) {
    for (const auto &b : blocks) {
        if (!b.data) {
            failing = std::uint16_t(b.start);
            return false;
        }
        for (std::uint32_t done = 0; done < b.length; done += kChunkSize) {
            const std::uint32_t n = std::min<std::uint32_t>(kChunkSize, b.length - done);
            const std::uint16_t a = std::uint16_t(b.start + done);
            failing = a;
            if (!chunk(a, b.data + done, n, failing)) return false;
            progress_.done += n;
            progress(AG_PROGRESS_STEP, nullptr);
        }
    }
    return true;
}

bool FlashDownload::programAndVerify() {
    std::vector<AG_DownloadBlock> blocks;
    if (!collect(blocks)) return false;
    const bool toAdapter = chipIndex_ < 0;
    progress_ = {};
    progress_.total = blocks.empty() ? 0 : blocks.front().total;
    progress(AG_PROGRESS_START, "Programming...");
    host_.sendText(AG_MSG_DOWNLOAD, "Programming...\n");
    std::uint16_t failing = 0;
    bool ok =
        eachChunk(blocks, failing, [&](std::uint16_t a, const std::uint8_t *data, std::uint32_t n, std::uint16_t &) {
            // Both paths: the halt's three bytes at C:0x003B would overwrite this code.
            if (a <= kHaltVector && kHaltVector < a + n && options_.haltEnabled()) link_.noteCodeUses003B();
            return toAdapter
                       ? link_.commandWrite(cmd::WriteCode, std::uint16_t(n), a, data, int(n), st::Finished, 500).ok()
                       : link_.chipProgram(a, data, int(n)).ok();
        });
    if (!ok) {
        host_.sendText(AG_MSG_DOWNLOAD, format("EMX31 ERROR 31: Flash Write Failed at Address %4.4XH.", failing));
        progress(AG_PROGRESS_FINISHED, nullptr);
        return false;
    }
    host_.sendText(AG_MSG_DOWNLOAD, "Programming Done.\n");
    host_.sendText(AG_MSG_DOWNLOAD, "Verifying...\n");
    progress_.done = 0;
    progress(AG_PROGRESS_START, "Verifying...");
    ok = eachChunk(blocks, failing, [&](std::uint16_t a, const std::uint8_t *data, std::uint32_t n, std::uint16_t &at) {
        std::uint8_t back[kChunkSize];
        const bool read =
            toAdapter ? link_.commandRead(cmd::ReadCode, std::uint16_t(n), a, back, int(n), st::DataReady, 200).ok()
                      : link_.chipRead(a, back, int(n)).ok();
        if (!read) return false;
        const auto diff = std::mismatch(back, back + n, data);
        if (diff.first == back + n) return true;
        at = std::uint16_t(a + (diff.first - back));
        return false;
    });
    if (!ok) {
        host_.sendText(AG_MSG_DOWNLOAD, format("EMX31 ERROR 32: Flash Verify Failed at %4.4XH", failing));
    } else {
        host_.sendText(AG_MSG_DOWNLOAD, "Verify OK.\n");
        const bool started = toAdapter ? link_.commandOnly(cmd::Run, 0, kNoStopAddress).ok()
                                       : link_.chipCommand(cmd::ChipRelease, 0, 0, 100).ok();
        if (started) host_.sendText(AG_MSG_DOWNLOAD, "Application Reset and Running...");
    }
    progress(AG_PROGRESS_FINISHED, nullptr);
    return ok;
}

}  // namespace vantor::emx31
