#include "tools/emx31-dbg/DriverTarget.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "tools/emx31-dbg/DebuggerHost.h"

namespace vantor::dbg {

namespace {

std::uint32_t driverAddress(debug::Space space, std::uint32_t offset) {
    switch (space) {
    case debug::Space::Code: return AG_ADDRESS(AG_SPACE_CODE, offset);
    case debug::Space::Xdata: return AG_ADDRESS(AG_SPACE_XDATA, offset);
    case debug::Space::Idata: case debug::Space::Stack: return AG_ADDRESS(AG_SPACE_IDATA, offset);
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

bool DriverTarget::read(debug::Space space, std::uint32_t address, std::uint8_t *out, std::size_t count, std::string &error) {
    if (!host_.connected_) return error = "not connected", false;
    // Code the host downloaded is read from its copy: decoding a line must not cost a round trip per byte.
    if (space == debug::Space::Code) {
        std::size_t i = 0;
        while (i < count && programByte(address + std::uint32_t(i), out[i])) ++i;
        if (i == count) return true;
    }
    AG_AddressRecord rec{driverAddress(space, address), 0};
    const std::uint32_t r = host_.memAcc_(space == debug::Space::Code ? AG_MEM_READ_CODE : AG_MEM_READ, out, &rec,
                                          std::uint32_t(count));
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

bool DriverTarget::stepInstruction(std::string &error) {
    if (!host_.connected_) return error = "not connected", false;
    host_.goStep_(AG_GOSTEP_STEP, 1, nullptr);
    if (!host_.connected_) return error = "the link to the emulator is lost", false;
    host_.allReg_(1, nullptr);
    return true;
}

void DriverTarget::requestStop() {
    host_.goStep_(AG_GOSTEP_STOP, 0, nullptr);
}

debug::TargetControl::Stop DriverTarget::runUntil(const std::vector<std::uint16_t> &temporary, std::string &error) {
    if (!host_.connected_) return error = "not connected", Stop::Failed;
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
        const auto start = std::chrono::steady_clock::now();
        bool stopSent = false;
        while (!finished) {
            const bool timeUp = host_.autoStopMs_ &&
                                std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(host_.autoStopMs_);
            if (!stopSent && (DebuggerHost::interruptRequested.exchange(false) || timeUp)) {
                stopSent = true;
                host_.goStep_(AG_GOSTEP_STOP, 0, nullptr);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    host_.inGo_ = true;
    host_.goStep_(AG_GOSTEP_GO, 0, nullptr);
    host_.inGo_ = false;
    finished = true;
    watcher.join();

    for (auto it = firstAdded; it != host_.breakpoints_.end();) {
        std::uint32_t a = it->record.address;
        if (host_.connected_) host_.breakFunc_(2, 0, &a, &it->record);
        it = host_.breakpoints_.erase(it);
    }
    host_.relinkBreakpoints();
    if (!host_.connected_) return error = "the link to the emulator is lost", Stop::Failed;
    host_.allReg_(1, nullptr);
    const std::uint16_t here = pc();
    const bool user = std::any_of(host_.breakpoints_.begin(), host_.breakpoints_.end(), [&](const auto &bp) {
        return (bp.record.address & 0xFFFF) == here && (bp.record.flags & AG_BP_ENABLED);
    });
    if (user) return Stop::Breakpoint;
    if (std::find(temporary.begin(), temporary.end(), here) != temporary.end()) return Stop::Temporary;
    return Stop::Interrupted;
}

}  // namespace vantor::dbg
