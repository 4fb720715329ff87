// Target memory and registers: routing by memory space, the host's shadow, the register cache
// and the register pane.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "emulator/TargetMemory.h"

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

namespace {

struct ItemDef {
    std::uint16_t id;
    const char *name;
    std::uint8_t group;
};

constexpr std::array<ItemDef, 22> kItems{{
    {0, "r0", 0},     {1, "r1", 0},    {2, "r2", 0},   {3, "r3", 0},   {4, "r4", 0},   {5, "r5", 0},
    {6, "r6", 0},     {7, "r7", 0},    {16, "a", 1},   {17, "b", 1},   {18, "sp", 1},  {19, "dptr", 1},
    {20, "PC  $", 1}, {256, "psw", 1}, {257, "p", 1},  {258, "f1", 1}, {259, "ov", 1}, {260, "rs", 1},
    {261, "f0", 1},   {262, "ac", 1},  {263, "cy", 1}, {264, "", 1},
}};

// The pane's plain functions reach the driver that registered it last.
std::atomic<TargetMemory *> &paneOwner() {
    static std::atomic<TargetMemory *> owner{nullptr};
    return owner;
}

}  // namespace

std::array<std::uint8_t, kRegisterBlockSize> Registers::encode() const {
    std::array<std::uint8_t, kRegisterBlockSize> block{};
    block[reg::A] = a;
    block[reg::Psw] = psw;
    block[reg::Dph] = dph;
    block[reg::Dpl] = dpl;
    block[reg::Sp] = sp;
    block[reg::PcHigh] = std::uint8_t(pc >> 8);
    block[reg::PcLow] = std::uint8_t(pc);
    block[reg::B] = b;
    for (int i = 0; i < 8; ++i) block[std::size_t(reg::R0 + i)] = r[std::size_t(i)];
    return block;
}

void Registers::decode(const std::uint8_t *block) {
    a = block[reg::A];
    psw = block[reg::Psw];
    dph = block[reg::Dph];
    dpl = block[reg::Dpl];
    sp = block[reg::Sp];
    pc = AG_CODE_TAG | (std::uint32_t(block[reg::PcHigh]) << 8) | block[reg::PcLow];
    b = block[reg::B];
    for (int i = 0; i < 8; ++i) r[std::size_t(i)] = block[reg::R0 + i];
}

TargetMemory::TargetMemory(CEmulatorLink &link, const TargetOptions &options, const HostBinding &host,
                           SessionState &session)
    : link_(link), options_(options), host_(host), session_(session) {
    groups_[0] = {0, 1, "Regs"};
    groups_[1] = {0, 1, "Sys"};
    for (std::size_t i = 0; i < kItems.size(); ++i) {
        AG_RegItem &item = items_[i];
        item = {};
        item.one = 1;
        item.group = kItems[i].group;
        item.id = kItems[i].id;
        std::snprintf(item.name, sizeof item.name, "%s", kItems[i].name);
        item.isPc = kItems[i].id == 20 ? 1 : 0;
        item.one22 = 1;
    }
}

TargetMemory::~TargetMemory() {
    TargetMemory *self = this;
    paneOwner().compare_exchange_strong(self, nullptr);
}

AG_RegPane &TargetMemory::registerPane() {
    pane_.groupCount = 2;
    pane_.itemCount = 22;
    pane_.groups = groups_.data();
    pane_.items = items_.data();
    paneOwner().store(this);
    pane_.read = [](AG_RegItem *item, std::uint32_t code) {
        if (TargetMemory *m = paneOwner().load()) m->paneRead(item, code);
    };
    pane_.write = [](AG_RegItem *item, const std::uint8_t *value) -> std::uint32_t {
        TargetMemory *m = paneOwner().load();
        return m ? m->paneWrite(item, value) : 0;
    };
    return pane_;
}

void TargetMemory::readRegister(std::uint32_t reg, std::uint32_t &value) {
    refreshRegisters();
    if (reg <= 7) value = cache_.r[reg];
    else if (reg == AG_REG_A) value = cache_.a;
    else if (reg == AG_REG_DPTR) value = cache_.dpl | (std::uint32_t(cache_.dph) << 8);
    else if (reg == AG_REG_PC) value = cachedPc_;
}

void TargetMemory::writeRegister(std::uint32_t reg, std::uint32_t value) {
    if (reg == AG_REG_PC) {
        cachedPc_ = session_.currentPc = AG_CODE_TAG | (value & 0xFFFF);
        cache_.pc = cachedPc_;
        link_.commandOnly(cmd::SetPc, std::uint16_t(value), 0);
        return;
    }
    if (reg > 7 && reg != AG_REG_A && reg != AG_REG_DPTR) return;
    // A partial write sends the whole block: it must carry what the target holds now
    // (PC and SP included), not what it held before the last step.
    refreshRegisters();
    Registers next = cache_;
    if (reg <= 7) next.r[reg] = std::uint8_t(value);
    else if (reg == AG_REG_A) next.a = std::uint8_t(value);
    else {
        next.dpl = std::uint8_t(value);
        next.dph = std::uint8_t(value >> 8);
    }
    writeAllRegisters(next);
}

std::uint8_t *TargetMemory::shadowData(std::uint32_t a) {
    const AG_ShadowPage &p = shadow_.pages[pageNumber(a)];
    return p.data ? p.data + (a & pageMask(a)) : nullptr;
}

std::uint16_t *TargetMemory::shadowAttribute(std::uint32_t a) {
    const AG_ShadowPage &p = shadow_.pages[pageNumber(a)];
    return p.attributes ? p.attributes + (a & pageMask(a)) : nullptr;
}

// Attribute queries index with the low 16 bits; pages 512 and 513 are only 256 entries long,
// so their index keeps to the page.
std::uint16_t *TargetMemory::attributeAt(std::uint32_t a) {
    const int page = pageNumber(a);
    const AG_ShadowPage &p = shadow_.pages[page];
    if (!p.attributes) return nullptr;
    return p.attributes + (offset16(a) & (page >= 512 ? 0xFFu : 0xFFFFu));
}

void TargetMemory::invalidateDataCaches() {
    std::lock_guard lock(session_.lock);
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

void TargetMemory::fillCodeShadow() {
    const AG_ShadowPage &p = shadow_.pages[0];
    if (p.data && p.attributes) std::memset(p.data, 0xFF, 0x10000);
}

void TargetMemory::markCodeCached() {
    overLimitNotice_ = true;
    const AG_ShadowPage &p = shadow_.pages[0];
    if (!p.data || !p.attributes) return;
    for (int i = 0; i < 0x10000; ++i) p.attributes[i] |= AG_ATTR_CACHED;
}

void TargetMemory::shadowStore(const std::uint8_t *bytes, std::uint32_t address, std::uint32_t count, bool cached) {
    // An unrouted space would land on the code page of the same bank.
    if (!routedSpace(address)) return;
    std::lock_guard lock(session_.lock);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t a = address + i;
        std::uint16_t *attr = shadowAttribute(a);
        if (cached && bytes) {
            if (std::uint8_t *d = shadowData(a)) *d = bytes[i];
        }
        if (attr) *attr = cached ? std::uint16_t(*attr | AG_ATTR_CACHED) : std::uint16_t(*attr & ~AG_ATTR_CACHED);
    }
}

bool TargetMemory::readChunk(std::uint8_t *dest, std::uint32_t a, std::uint32_t n) {
    const std::uint16_t off = std::uint16_t(a);
    if (xdataSpace(a))
        return link_.commandRead(cmd::ReadXdata, std::uint16_t(n), off, dest, int(n), st::DataReady, 200).ok();
    if (space(a) == AG_SPACE_DATA) {
        const std::uint32_t low = (a & 0xFF) < 0x80 ? std::min<std::uint32_t>(n, 0x80 - (a & 0xFF)) : 0;
        if (low && !link_.commandRead(cmd::ReadIdata, std::uint16_t(low), off, dest, int(low), st::DataReady, 100))
            return false;
        if (n > low)
            return link_
                .commandRead(cmd::ReadSfr, std::uint16_t(n - low), std::uint16_t(off + low), dest + low, int(n - low),
                             st::DataReady, 200)
                .ok();
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

std::uint32_t TargetMemory::read(std::uint8_t *buffer, std::uint32_t address, std::uint32_t count,
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
bool TargetMemory::writeCode(const std::uint8_t *src, std::uint16_t o, std::uint32_t n, std::uint32_t &written) {
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
        host_.sendText(AG_MSG_TEXT, text);
        return true;
    }
    link_.showError(msg::EmulatorSizeExceeded);
    return false;
}

bool TargetMemory::writeChunk(const std::uint8_t *src, std::uint32_t a, std::uint32_t n, std::uint32_t &written,
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
            ok = link_
                     .commandWrite(cmd::WriteSfr, std::uint16_t(n - low), std::uint16_t(off + low), src + low,
                                   int(n - low), st::Finished, 100)
                     .ok();
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

std::uint32_t TargetMemory::write(const std::uint8_t *buffer, std::uint32_t address, std::uint32_t count,
                                  std::uint32_t &failing) {
    if (address + std::uint64_t(count) > spaceEnd(address)) {
        failing = address;
        return 1;
    }
    if (internalSpace(address) && (address & 0xFF) < 0x20) session_.registersCurrent = false;
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

void TargetMemory::refreshRegisters() {
    if (session_.registersCurrent || session_.running) return;
    std::uint8_t block[kRegisterBlockSize];
    if (link_.commandRead(cmd::ReadRegs, kRegisterBlockSize, 0, block, kRegisterBlockSize, st::DataReady, 500)) {
        std::lock_guard lock(session_.lock);
        cache_.decode(block);
        cachedPc_ = cache_.pc;
        session_.currentPc = cache_.pc;
    } else {
        session_.currentPc = cachedPc_;
    }
}

bool TargetMemory::writeAllRegisters(const Registers &source) {
    {
        std::lock_guard lock(session_.lock);
        cache_ = source;
        cachedPc_ = cache_.pc;
        session_.currentPc = cache_.pc;
    }
    const auto block = cache_.encode();
    return link_
        .commandWrite(cmd::WriteRegs, kRegisterBlockSize, 0, block.data(), kRegisterBlockSize, st::Finished, 200)
        .ok();
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

void TargetMemory::paneRead(AG_RegItem *item, std::uint32_t code) {
    if (link_.linkFailed || (code >> 28) == 0x4) return;
    if ((code >> 28) == 0x8) {
        refreshRegisters();
        {
            std::lock_guard lock(session_.lock);
            paneCopy_ = cache_;
            paneCopy_.pc = session_.currentPc;
            if (session_.pcSlot) *session_.pcSlot = paneCopy_.pc;
        }
        host_.endCall(link_);
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

std::uint32_t TargetMemory::paneWrite(AG_RegItem *item, const std::uint8_t *value) {
    if (link_.linkFailed || session_.running || !item || !value) return 0;
    // The pane's copy may predate steps the host did not show; the edit applies to the target's
    // registers as they are now.
    refreshRegisters();
    {
        std::lock_guard lock(session_.lock);
        paneCopy_ = cache_;
        paneCopy_.pc = session_.currentPc;
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
    host_.endCall(link_);
    return 1;
}

}  // namespace vantor::emx31
