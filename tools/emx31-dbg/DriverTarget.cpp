#include "tools/emx31-dbg/DriverTarget.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "debug/Disassembler.h"
#include "tools/emx31-dbg/DebuggerHost.h"
#include "tools/emx31-dbg/SourceCommands.h"

namespace vantor::dbg {

namespace {

std::uint32_t driverAddress(debug::Space space, std::uint32_t offset) {
    switch (space) {
    case debug::Space::Code: return AG_ADDRESS(AG_SPACE_CODE, offset);
    case debug::Space::Xdata: return AG_ADDRESS(AG_SPACE_XDATA, offset);
    case debug::Space::Idata:
    case debug::Space::Stack: return AG_ADDRESS(AG_SPACE_IDATA, offset);
    default: return AG_ADDRESS(AG_SPACE_DATA, offset);
    }
}

}  // namespace

bool DriverTarget::connected() const { return host_.connected_; }

bool DriverTarget::programByte(std::uint32_t address, std::uint8_t &byte) const {
    for (const auto &b : host_.program_)
        if (address >= b.start && address < b.start + b.bytes.size()) {
            byte = b.bytes[address - b.start];
            return true;
        }
    return false;
}

bool DriverTarget::read(debug::Space space, std::uint32_t address, std::uint8_t *out, std::size_t count,
                        std::string &error) {
    if (!host_.connected_) return error = "not connected", false;
    // Code the host downloaded is read from its copy: decoding a line must not cost a round trip per byte.
    if (space == debug::Space::Code) {
        std::size_t i = 0;
        while (i < count && programByte(address + std::uint32_t(i), out[i])) ++i;
        if (i == count) return true;
    }
    AG_AddressRecord rec{driverAddress(space, address), 0};
    const std::uint32_t r =
        host_.memAcc_(space == debug::Space::Code ? AG_MEM_READ_CODE : AG_MEM_READ, out, &rec, std::uint32_t(count));
    if (r != AG_MEM_OK) {
        error = "cannot read " + std::string(1, debug::spacePrefix(space)) + ":" + std::to_string(address);
        return false;
    }
    return true;
}

bool DriverTarget::write(debug::Space space, std::uint32_t address, const std::uint8_t *data, std::size_t count,
                         std::string &error) {
    if (!host_.connected_) return error = "not connected", false;
    AG_AddressRecord rec{driverAddress(space, address), 0};
    std::vector<std::uint8_t> bytes(data, data + count);
    const std::uint32_t r = host_.memAcc_(space == debug::Space::Code ? AG_MEM_WRITE_CODE : AG_MEM_WRITE, bytes.data(),
                                          &rec, std::uint32_t(count));
    if (r != AG_MEM_OK) {
        error = "cannot write " + std::string(1, debug::spacePrefix(space)) + ":" + std::to_string(address);
        return false;
    }
    return true;
}

std::uint16_t DriverTarget::pc() { return std::uint16_t(host_.pc_ & 0xFFFF); }

bool DriverTarget::interruptEntered(std::uint16_t origin) {
    const std::uint16_t now = pc();
    std::uint8_t code[3] = {};
    for (unsigned i = 0; i < 3; ++i) programByte(origin + i, code[i]);
    const auto in = debug::disassemble(origin, [&](std::uint16_t a) { return code[(a - origin) % 3]; });
    if (now == in.next() ||
        ((in.flow == debug::Instruction::Flow::Jump || in.flow == debug::Instruction::Flow::Branch ||
          in.flow == debug::Instruction::Flow::Call) &&
         now == in.target))
        return false;
    if (now < 0x40 && (now & 7) == 3) return true;  // an interrupt vector
    const debug::DebugInfo *info = host_.source_ ? host_.source_->info() : nullptr;
    const debug::Function *f = info ? info->functionAt(now) : nullptr;
    return f && f->isInterrupt && f->start == now;
}

bool DriverTarget::stepInstruction(std::string &error) {
    if (!host_.connected_) return error = "not connected", false;
    // A pending interrupt is taken instead of the instruction: let the handler run back, then step again.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::uint16_t origin = pc();
        host_.goStep_(AG_GOSTEP_STEP, 1, nullptr);
        if (!host_.connected_) return error = "the link to the emulator is lost", false;
        host_.allReg_(1, nullptr);
        if (!interruptEntered(origin)) return true;
        std::uint8_t sp = 0, back[2] = {};
        if (!read(debug::Space::Data, 0x81, &sp, 1, error) ||
            !read(debug::Space::Idata, std::uint8_t(sp - 1), back, 2, error))
            return false;
        const std::uint16_t returnAddress = std::uint16_t(back[1] << 8 | back[0]);
        const Stop stop = run({returnAddress}, returnAddress, error);
        if (stop == Stop::Failed) return false;
        if (stop != Stop::Temporary || returnAddress != origin)
            return true;  // stopped in the handler, or the instruction ran first
    }
    error = "an interrupt keeps coming before the instruction";
    return false;
}

bool DriverTarget::userBreakAt(std::uint16_t pc) const {
    return std::any_of(host_.breakpoints_.begin(), host_.breakpoints_.end(), [&](const auto &bp) {
        return (bp.record.address & 0xFFFF) == pc && (bp.record.flags & AG_BP_ENABLED);
    });
}

debug::TargetControl::Stop DriverTarget::runUntil(const std::vector<std::uint16_t> &temporary, std::string &error) {
    if (!host_.connected_) return error = "not connected", Stop::Failed;
    // Off a breakpoint by an interrupt-aware step: the driver's own step-off would stop again at the
    // breakpoint when an interrupt taken there returns to it.
    if (userBreakAt(pc()) || std::find(temporary.begin(), temporary.end(), pc()) != temporary.end()) {
        if (!stepInstruction(error)) return Stop::Failed;
        if (userBreakAt(pc())) return Stop::Breakpoint;
        if (std::find(temporary.begin(), temporary.end(), pc()) != temporary.end()) return Stop::Temporary;
    }
    return run(temporary, std::nullopt, error);
}

debug::TargetControl::Stop DriverTarget::run(const std::vector<std::uint16_t> &temporary,
                                             std::optional<std::uint16_t> quiet, std::string &error) {
    // The user's breakpoints at `quiet` sleep for this run.
    std::vector<AG_Breakpoint *> asleep;
    for (auto &bp : host_.breakpoints_)
        if (quiet && (bp.record.address & 0xFFFF) == *quiet && (bp.record.flags & AG_BP_ENABLED)) {
            bp.record.flags &= ~AG_BP_ENABLED;
            asleep.push_back(&bp.record);
        }
    // Temporary breakpoints join the user's for this run only.
    std::vector<std::uint32_t> added;
    for (std::uint16_t a : temporary) {
        const std::uint32_t address = AG_ADDRESS(AG_SPACE_CODE, a);
        const bool exists = std::any_of(host_.breakpoints_.begin(), host_.breakpoints_.end(), [&](const auto &bp) {
            return bp.record.address == address && (bp.record.flags & AG_BP_ENABLED);
        });
        if (exists || std::find(added.begin(), added.end(), address) != added.end()) continue;
        DebuggerHost::Breakpoint bp;
        bp.record.flags = AG_BP_KIND_EXEC | AG_BP_ENABLED;
        bp.record.address = address;
        bp.record.passCount = 1;
        host_.breakpoints_.push_back(bp);
        added.push_back(address);
    }
    host_.relinkBreakpoints();
    auto firstAdded = host_.breakpoints_.end();
    std::advance(firstAdded, -std::ptrdiff_t(added.size()));
    for (auto it = firstAdded; it != host_.breakpoints_.end(); ++it) {
        std::uint32_t a = it->record.address;
        host_.breakFunc_(1, 0, &a, &it->record);
    }

    DebuggerHost::interruptRequested = false;
    std::atomic<bool> finished{false};
    std::thread watcher([&] {
        using namespace std::chrono;
        const auto start = steady_clock::now();
        auto lastStop = start - seconds(1);
        bool declined = false;
        while (!finished) {
            const auto now = steady_clock::now();
            if (DebuggerHost::interruptRequested.exchange(false) ||
                (host_.autoStopMs_ && now - start >= milliseconds(host_.autoStopMs_)))
                stopWanted_ = true;
            // The driver ignores a stop that comes before its go has begun, so one is sent again
            // while the go goes on; a stop the user declined (0) is not asked again.
            if (stopWanted_ && !declined && now - lastStop >= milliseconds(100)) {
                lastStop = now;
                declined = host_.goStep_(AG_GOSTEP_STOP, 0, nullptr) == 0;
            }
            std::this_thread::sleep_for(milliseconds(5));
        }
    });
    if (!stopWanted_) {
        host_.inGo_ = true;
        host_.goStep_(AG_GOSTEP_GO, 0, nullptr);
        host_.inGo_ = false;
    }
    finished = true;
    watcher.join();
    stopWanted_ = false;

    for (auto it = firstAdded; it != host_.breakpoints_.end();) {
        std::uint32_t a = it->record.address;
        if (host_.connected_) host_.breakFunc_(2, 0, &a, &it->record);
        it = host_.breakpoints_.erase(it);
    }
    host_.relinkBreakpoints();
    // Judged while the quiet breakpoints still sleep: a stop there is the temporary one's.
    const std::uint16_t here = pc();
    const Stop stop = !host_.connected_                                                        ? Stop::Failed
                      : userBreakAt(here)                                                      ? Stop::Breakpoint
                      : std::find(temporary.begin(), temporary.end(), here) != temporary.end() ? Stop::Temporary
                                                                                               : Stop::Interrupted;
    for (auto *record : asleep) record->flags |= AG_BP_ENABLED;
    if (stop == Stop::Failed) return error = "the link to the emulator is lost", Stop::Failed;
    host_.allReg_(1, nullptr);
    return stop;
}

}  // namespace vantor::dbg
