// Target memory and registers: routing by memory space, the host's shadow, the register cache
// and the register pane.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "emulator/Driver.h"

namespace vantor::emx31 {

namespace {

constexpr std::uint32_t space(std::uint32_t a) { return a >> 24; }
constexpr std::uint32_t bank(std::uint32_t a) { return (a >> 16) & 0xFF; }
constexpr std::uint32_t offset16(std::uint32_t a) { return a & 0xFFFF; }

// Page of the shadow map and the offset mask inside it.
int pageNumber(std::uint32_t a) {
    switch (space(a)) {
    case AG_SPACE_XDATA:
    case AG_SPACE_PDATA: return 256 + int(bank(a));
    case AG_SPACE_DATA: return (a & 0xFF) >= 0x80 ? 512 : 513;
    case AG_SPACE_IDATA: return 513;
    default: return int(bank(a));
    }
}

std::uint32_t pageMask(std::uint32_t a) {
    switch (space(a)) {
    case AG_SPACE_PDATA:
    case AG_SPACE_DATA:
    case AG_SPACE_IDATA: return 0xFF;
    default: return 0xFFFF;
    }
}

// Spaces the emulator serves; anything else has no shadow page of its own.
bool routedSpace(std::uint32_t a) {
    switch (space(a)) {
    case AG_SPACE_CODE:
    case AG_SPACE_XDATA:
    case AG_SPACE_PDATA:
    case AG_SPACE_DATA:
    case AG_SPACE_IDATA: return true;
    default: return false;
    }
}

bool internalSpace(std::uint32_t a) { return space(a) == AG_SPACE_DATA || space(a) == AG_SPACE_IDATA; }
bool xdataSpace(std::uint32_t a) { return space(a) == AG_SPACE_XDATA || space(a) == AG_SPACE_PDATA; }

// The part of the address space a range may not run past: internal data ends at 0x100, every
// other space at the end of its 64 KiB bank.
std::uint64_t spaceEnd(std::uint32_t a) {
    if (internalSpace(a) || space(a) == AG_SPACE_PDATA) return (a & 0xFFFFFF00u) + 0x100ull;
    return (a & 0xFFFF0000u) + 0x10000ull;
}

}  // namespace

std::uint8_t *Driver::shadowData(std::uint32_t a) {
    const AG_ShadowPage &p = shadow_.pages[pageNumber(a)];
    return p.data ? p.data + (a & pageMask(a)) : nullptr;
}

std::uint16_t *Driver::shadowAttribute(std::uint32_t a) {
    const AG_ShadowPage &p = shadow_.pages[pageNumber(a)];
    return p.attributes ? p.attributes + (a & pageMask(a)) : nullptr;
}

// Attribute queries index with the low 16 bits; pages 512 and 513 are only 256 entries long,
// so their index keeps to the page.
std::uint16_t *Driver::attributeAt(std::uint32_t a) {
    const int page = pageNumber(a);
    const AG_ShadowPage &p = shadow_.pages[page];
    if (!p.attributes) return nullptr;
    return p.attributes + (offset16(a) & (page >= 512 ? 0xFFu : 0xFFFFu));
}

void Driver::invalidateDataCaches() {
    std::lock_guard lock(state_);
    for (int page = 256; page < 512; ++page) {
        const AG_ShadowPage &p = shadow_.pages[page];
        if (!p.data || !p.attributes) continue;
        for (int i = 0; i < 0x10000; ++i) p.attributes[i] &= std::uint16_t(~AG_ATTR_CACHED);
    }
    if (std::uint16_t *sfr = shadow_.pages[512].attributes)
        for (int i = 0x80; i < 0x100; ++i) sfr[i] &= std::uint16_t(~AG_ATTR_CACHED);
    if (std::uint16_t *ram = shadow_.pages[513].attributes)
        for (int i = 0; i < 0x100; ++i) ram[i] &= std::uint16_t(~AG_ATTR_CACHED);
}

void Driver::fillCodeShadow() {
    const AG_ShadowPage &p = shadow_.pages[0];
    if (p.data && p.attributes) std::memset(p.data, 0xFF, 0x10000);
}

void Driver::markCodeCached() {
    const AG_ShadowPage &p = shadow_.pages[0];
    if (!p.data || !p.attributes) return;
    for (int i = 0; i < 0x10000; ++i) p.attributes[i] |= AG_ATTR_CACHED;
}

void Driver::shadowStore(const std::uint8_t *bytes, std::uint32_t address, std::uint32_t count, bool cached) {
    // An unrouted space would land on the code page of the same bank.
    if (!routedSpace(address)) return;
    std::lock_guard lock(state_);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t a = address + i;
        std::uint16_t *attr = shadowAttribute(a);
        if (cached && bytes) {
            if (std::uint8_t *d = shadowData(a)) *d = bytes[i];
        }
        if (attr) *attr = cached ? std::uint16_t(*attr | AG_ATTR_CACHED) : std::uint16_t(*attr & ~AG_ATTR_CACHED);
    }
}

bool Driver::readChunk(std::uint8_t *dest, std::uint32_t a, std::uint32_t n) {
    const std::uint16_t off = std::uint16_t(a);
    if (xdataSpace(a)) return link_.commandRead(cmd::ReadXdata, std::uint16_t(n), off, dest, int(n), st::DataReady, 200).ok();
    if (space(a) == AG_SPACE_DATA) {
        const std::uint32_t low = (a & 0xFF) < 0x80 ? std::min<std::uint32_t>(n, 0x80 - (a & 0xFF)) : 0;
        if (low && !link_.commandRead(cmd::ReadIdata, std::uint16_t(low), off, dest, int(low), st::DataReady, 100))
            return false;
        if (n > low)
            return link_.commandRead(cmd::ReadSfr, std::uint16_t(n - low), std::uint16_t(off + low), dest + low,
                                     int(n - low), st::DataReady, 200).ok();
        return true;
    }
    if (space(a) == AG_SPACE_IDATA)
        return link_.commandRead(cmd::ReadIdata, std::uint16_t(n), off, dest, int(n), st::DataReady, 100).ok();
    if (space(a) == AG_SPACE_CODE) {
        bool allCached = true;
        for (std::uint32_t i = 0; i < n && allCached; ++i) {
            const std::uint16_t *attr = shadowAttribute(a + i);
            allCached = attr && (*attr & AG_ATTR_CACHED) && shadowData(a + i);
        }
        if (allCached) {
            for (std::uint32_t i = 0; i < n; ++i) dest[i] = *shadowData(a + i);
            return true;
        }
        // No code memory outside bank 0: the whole chunk reads as filler.
        std::memset(dest, 0x99, n);
        if ((a & 0xFFFFFF) > 0xFFFF) return true;
        return link_.commandRead(cmd::ReadCode, std::uint16_t(n), off, dest, int(n), st::DataReady, 200).ok();
    }
    return true;
}

std::uint32_t Driver::readMemory(std::uint8_t *buffer, std::uint32_t address, std::uint32_t count,
                                 std::uint32_t &failing) {
    auto failAddress = [](std::uint32_t a) {
        if (xdataSpace(a)) return a | 0x01000000u;
        if (internalSpace(a)) return a & 0xFF0000FFu;
        return a | AG_CODE_TAG;
    };
    // A range that runs past its memory space is refused before anything is read.
    if (address + std::uint64_t(count) > spaceEnd(address)) {
        failing = failAddress(address);
        return 1;
    }
    bool anyFailed = false;
    for (std::uint32_t done = 0; done < count;) {
        const std::uint32_t a = address + done;
        const std::uint32_t n = std::min<std::uint32_t>(256, count - done);
        if (!readChunk(buffer + done, a, n)) {
            link_.linkFailed = true;
            if (!anyFailed) failing = failAddress(a);
            anyFailed = true;
        }
        done += n;
    }
    shadowStore(anyFailed ? nullptr : buffer, address, count, !anyFailed);
    return anyFailed ? 1 : 0;
}

// Code memory ends at 0xFC00: the part below is written, the rest is dropped (with a notice
// once the host cached its code, an error before). `written` counts the bytes that arrived.
bool Driver::writeCode(const std::uint8_t *src, std::uint16_t o, std::uint32_t n, std::uint32_t &written) {
    if (options_.haltEnabled() && o <= 0x3B && 0x3B < o + n) link_.noteCodeUses003B();
    const std::uint32_t below = o < kCodeLimit ? std::min<std::uint32_t>(n, kCodeLimit - o) : 0;
    for (std::uint32_t done = 0; done < below; done += 256) {
        const std::uint32_t len = std::min<std::uint32_t>(256, below - done);
        if (!link_.commandWrite(cmd::WriteCode, std::uint16_t(len), std::uint16_t(o + done), src + done, int(len),
                                st::Finished, 500))
            return false;
        written = done + len;
    }
    if (below == n) return true;
    if (overLimitNotice_) {
        char text[128];
        std::snprintf(text, sizeof text, "EMX31 ERROR 22: No Code Memory at Adrress %4.4XH.\n", unsigned(o + n));
        sendText(AG_MSG_TEXT, text);
        return true;
    }
    link_.showError(msg::EmulatorSizeExceeded);
    return false;
}

bool Driver::writeChunk(const std::uint8_t *src, std::uint32_t a, std::uint32_t n, std::uint32_t &written,
                        bool &abort) {
    const std::uint16_t off = std::uint16_t(a);
    bool ok = true;
    if (xdataSpace(a)) {
        ok = link_.commandWrite(cmd::WriteXdata, std::uint16_t(n), off, src, int(n), st::Finished, 100).ok();
    } else if (space(a) == AG_SPACE_DATA) {
        const std::uint32_t low = (a & 0xFF) < 0x80 ? std::min<std::uint32_t>(n, 0x80 - (a & 0xFF)) : 0;
        if (low && !link_.commandWrite(cmd::WriteIdata, std::uint16_t(low), off, src, int(low), st::Finished, 200))
            return false;
        if (n > low)
            ok = link_.commandWrite(cmd::WriteSfr, std::uint16_t(n - low), std::uint16_t(off + low), src + low,
                                    int(n - low), st::Finished, 100).ok();
    } else if (space(a) == AG_SPACE_IDATA) {
        ok = link_.commandWrite(cmd::WriteIdata, std::uint16_t(n), off, src, int(n), st::Finished, 200).ok();
    } else {
        if (!writeCode(src, off, n, written)) {
            abort = true;
            return false;
        }
        return true;
    }
    if (ok) written = n;
    return ok;
}

std::uint32_t Driver::writeMemory(const std::uint8_t *buffer, std::uint32_t address, std::uint32_t count,
                                  std::uint32_t &failing) {
    if (address + std::uint64_t(count) > spaceEnd(address)) {
        failing = address;
        return 1;
    }
    if (internalSpace(address) && (address & 0xFF) < 0x20) registersCurrent_ = false;
    bool anyFailed = false;
    for (std::uint32_t done = 0; done < count;) {
        const std::uint32_t a = address + done;
        const std::uint32_t n = std::min<std::uint32_t>(256, count - done);
        bool abort = false;
        std::uint32_t written = 0;
        const bool ok = writeChunk(buffer + done, a, n, written, abort);
        // Only bytes that reached the emulator are cached; a dropped or failed part is not.
        shadowStore(buffer + done, a, written, true);
        shadowStore(nullptr, a + written, (abort ? count - done : n) - written, false);
        if (!ok) {
            link_.linkFailed = true;
            if (!anyFailed) failing = abort ? ((a + written) | AG_CODE_TAG) : a;
            anyFailed = true;
            if (abort) break;
        }
        done += n;
    }
    return anyFailed ? 1 : 0;
}

void Driver::refreshRegisters() {
    if (registersCurrent_ || running_) return;
    std::uint8_t block[kRegisterBlockSize];
    if (link_.commandRead(cmd::ReadRegs, kRegisterBlockSize, 0, block, kRegisterBlockSize, st::DataReady, 500)) {
        std::lock_guard lock(state_);
        cache_.decode(block);
        cachedPc_ = cache_.pc;
        currentPc_ = cache_.pc;
    } else {
        currentPc_ = cachedPc_;
    }
}

bool Driver::writeAllRegisters(const Registers &source) {
    {
        std::lock_guard lock(state_);
        cache_ = source;
        cachedPc_ = cache_.pc;
        currentPc_ = cache_.pc;
    }
    const auto block = cache_.encode();
    return link_.commandWrite(cmd::WriteRegs, kRegisterBlockSize, 0, block.data(), kRegisterBlockSize, st::Finished, 200).ok();
}

namespace {

struct PswField {
    std::uint16_t id;
    std::uint8_t mask;
    int shift;
};
constexpr PswField kPswFields[] = {{257, 0x01, 0}, {258, 0x02, 1}, {259, 0x04, 2}, {260, 0x18, 3},
                                   {261, 0x20, 5}, {262, 0x40, 6}, {263, 0x80, 7}};

const PswField *pswField(std::uint16_t id) {
    for (const auto &f : kPswFields)
        if (f.id == id) return &f;
    return nullptr;
}

}  // namespace

void Driver::paneRead(AG_RegItem *item, std::uint32_t code) {
    if (link_.linkFailed || (code >> 28) == 0x4) return;
    if ((code >> 28) == 0x8) {
        refreshRegisters();
        {
            std::lock_guard lock(state_);
            paneCopy_ = cache_;
            paneCopy_.pc = currentPc_;
            if (pcSlot_) *pcSlot_ = paneCopy_.pc;
        }
        endCall();
        return;
    }
    if (!item) return;
    const Registers &r = paneCopy_;
    std::uint32_t value = 0;
    std::uint32_t widthMask = 0xFF;
    char text[32] = "";
    bool format = true;
    const std::uint16_t id = item->id;
    if (id <= 7 || id == 16 || id == 17 || id == 18 || id == 256) {
        value = id <= 7 ? r.r[id] : id == 16 ? r.a : id == 17 ? r.b : id == 18 ? r.sp : r.psw;
        std::snprintf(text, sizeof text, "0x%02x", unsigned(value));
    } else if (id == 19) {
        value = r.dpl + 256u * r.dph;
        widthMask = 0xFFFF;
        std::snprintf(text, sizeof text, "0x%04x", unsigned(value));
    } else if (id == 20) {
        value = r.pc;
        widthMask = 0xFFFFFFFF;
        std::snprintf(text, sizeof text, "0x%04x", unsigned(value & 0xFFFF));
    } else if (id == 21 || id == 22) {
        return;
    } else if (const PswField *f = pswField(id)) {
        value = std::uint32_t((r.psw & f->mask) >> f->shift);
        std::snprintf(text, sizeof text, "%d       ", int(value));
    } else {
        format = false;
    }
    const bool isPc = id == 20;
    if (format && ((value & widthMask) != (item->lastValue & widthMask) || item->text[0] == 0)) {
        std::memcpy(item->text, text, sizeof item->text);
        item->text[sizeof item->text - 1] = 0;
        if (isPc) item->textUpdated = 1;
    }
    if (value != item->lastValue) {
        if (!isPc) item->valueChanged = 1;
        item->textUpdated = 1;
    } else if (item->valueChanged) {
        item->valueChanged = 0;
        item->textUpdated = 1;
    }
    item->lastValue = value;
    item->cleared = 0;
}

std::uint32_t Driver::paneWrite(AG_RegItem *item, const std::uint8_t *value) {
    if (link_.linkFailed || running_ || !item || !value) return 0;
    // The pane's copy may predate steps the host did not show; the edit applies to the target's
    // registers as they are now.
    refreshRegisters();
    {
        std::lock_guard lock(state_);
        paneCopy_ = cache_;
        paneCopy_.pc = currentPc_;
    }
    Registers &r = paneCopy_;
    const std::uint16_t id = item->id;
    if (id <= 7) r.r[id] = value[0];
    else if (id == 16) r.a = value[0];
    else if (id == 17) r.b = value[0];
    else if (id == 18) r.sp = value[0];
    else if (id == 256) r.psw = value[0];
    else if (id == 19) {
        r.dpl = value[0];
        r.dph = value[1];
    } else if (id == 20) {
        r.pc = AG_CODE_TAG | value[0] | (std::uint32_t(value[1]) << 8);
    } else if (const PswField *f = pswField(id)) {
        r.psw = std::uint8_t(((value[0] << f->shift) & f->mask) | (r.psw & ~f->mask));
    } else {
        return 0;
    }
    writeAllRegisters(paneCopy_);
    endCall();
    return 1;
}

}  // namespace vantor::emx31
