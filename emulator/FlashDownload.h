#pragma once
#include <cstdint>
#include <vector>

#include "emulator/EMX31_EN.h"
#include "emulator/EmulatorLink.h"
#include "emulator/HostBinding.h"
#include "emulator/TargetSettings.h"

namespace vantor::emx31 {

// Download of the user program into the PRB31 adapter or a target chip's flash, with its
// progress and texts: the driver's AG_Init items 0x0313 and 0x0314.
class FlashDownload {
public:
    FlashDownload(CEmulatorLink &link, TargetOptions &options, const HostBinding &host)
        : link_(link), options_(options), host_(host) {}

    bool prepare();
    bool programAndVerify();
    // Row of the chip table the last preparation chose; -1 for the adapter.
    int chipIndexInUse() const { return chipIndex_; }

    // Longest chain of host blocks followed (a damaged list must not hang the driver).
    static constexpr int kMaxBlocks = 65536;

private:
    void progress(std::uint32_t state, const char *text);
    // The host's chain of blocks, refused when it does not end or does not fit.
    bool collect(std::vector<AG_DownloadBlock> &blocks);
    // Every chunk of every block through `chunk`, with progress steps; false at the first
    // failure (`failing` names where).
    template <typename Chunk>
    bool eachChunk(const std::vector<AG_DownloadBlock> &blocks, std::uint16_t &failing, Chunk &&chunk);

    CEmulatorLink &link_;
    TargetOptions &options_;
    const HostBinding &host_;
    int chipIndex_ = -1;
    AG_ProgressRecord progress_{};
};

}  // namespace vantor::emx31
