#include "sim/emx31/Emx31Simulator.h"

#include <algorithm>
#include <cstring>

#include "devices/FlashChipTable.h"
#include "usb/Emx31Protocol.h"

namespace vantor::emx31 {

namespace {
using st::DataReady, st::Finished, st::Running, st::Success;
constexpr int kSlice = 20000;  // instructions between looks at the halt and stop requests

// A command's bytes: one chunk at most, all of them below `end`.
bool fitsChunk(std::uint32_t start, std::uint32_t count, std::uint32_t end) {
    return count > 0 && count <= std::uint32_t(kChunkSize) && start + count <= end;
}
}  // namespace

Emx31Simulator::Emx31Simulator(bool adapter) : adapter_(adapter) {
    id_[id::FirmwareMajor] = 2;
    id_[id::FirmwareMinor] = 0x15;
    setSerialNumber(31052024);
    cpu_.onSerialTransmit = [this](std::uint8_t b) { serial_.push_back(char(b)); };
    status_ = base();
}

Emx31Simulator::~Emx31Simulator() {
    auto lock = hostLock();
    stopRun(lock);
}

void Emx31Simulator::setAdapter(bool present) {
    auto lock = hostLock();
    adapter_ = present;
    adapterReady_ = false;
}

void Emx31Simulator::setBreakpointLimit(int limit) {
    auto lock = hostLock();
    breakpointLimit_ = limit;
}

void Emx31Simulator::setInitPolls(int polls) {
    auto lock = hostLock();
    initPolls_ = polls;
}

void Emx31Simulator::setTargetChip(int row) {
    auto lock = hostLock();
    targetChip_ = row;
}

std::vector<std::uint8_t> Emx31Simulator::flash() const {
    auto lock = hostLock();
    return flash_;
}

void Emx31Simulator::setSerialNumber(std::uint32_t serial) {
    auto lock = hostLock();
    for (int i = 0; i < 4; ++i) {
        const int hi = int(serial / 10000000 % 10), lo = int(serial / 1000000 % 10);
        id_[std::size_t(id::SerialNumber + i)] = std::uint8_t(hi << 4 | lo);
        serial = (serial % 1000000) * 100;
    }
}

void Emx31Simulator::setFirmwareVersion(int major, int minor) {
    auto lock = hostLock();
    id_[id::FirmwareMajor] = std::uint8_t(major);
    id_[id::FirmwareMinor] = std::uint8_t((minor / 10 % 10) << 4 | minor % 10);
}

void Emx31Simulator::unplug() { attached_ = false; }
void Emx31Simulator::replug() { attached_ = true; }

void Emx31Simulator::setStatusHook(std::function<void()> hook) {
    auto lock = hostLock();
    statusHook_ = std::move(hook);
}

std::vector<std::uint8_t> Emx31Simulator::commands() const {
    auto lock = hostLock();
    return log_;
}

std::vector<std::uint16_t> Emx31Simulator::breakpoints() const {
    auto lock = hostLock();
    return breakpointList_;
}

std::string Emx31Simulator::serialOutput() const {
    auto lock = hostLock();
    return serial_;
}

bool Emx31Simulator::takeFaults(std::uint8_t request) {
    bool refused = false;
    loseBulk_ = statusNeverComes_ = finishWithoutSuccess_ = false;
    faults_.take([&](const Emx31Fault &fault) { return fault.command == -1 || fault.command == request; },
                 [&](const Emx31Fault &fault) {
                     switch (fault.kind) {
                     case Emx31FaultKind::LoseBulk: loseBulk_ = true; break;
                     case Emx31FaultKind::StatusNeverComes: statusNeverComes_ = true; break;
                     case Emx31FaultKind::FinishWithoutSuccess: finishWithoutSuccess_ = true; break;
                     case Emx31FaultKind::Unplug: attached_ = false; break;
                     case Emx31FaultKind::RefuseRequest: refused = true; break;  // the caller refuses
                     }
                 });
    return refused;
}

void Emx31Simulator::done(bool ok) {
    status_ = std::uint8_t(base() | Finished | (ok && !finishWithoutSuccess_ ? Success : 0));
}

void Emx31Simulator::dataReady(std::vector<std::uint8_t> bytes) {
    if (finishWithoutSuccess_) {
        status_ = std::uint8_t(base() | Finished);
        return;
    }
    pendingIn_ = std::move(bytes);
    status_ = std::uint8_t(base() | DataReady);
}

void Emx31Simulator::chipDone(bool ok) {
    chipStatus_ = std::uint8_t(Finished | (ok && !finishWithoutSuccess_ ? Success : 0));
}

std::array<std::uint8_t, 16> Emx31Simulator::registerBlock() const {
    const Registers8051 r = cpu_.registers();
    std::array<std::uint8_t, kRegisterBlockSize> b{};
    b[reg::A] = r.a;
    b[reg::Psw] = cpu_.psw();
    b[reg::Dph] = std::uint8_t(r.dptr >> 8);
    b[reg::Dpl] = std::uint8_t(r.dptr);
    b[reg::Sp] = r.sp;
    b[reg::PcHigh] = std::uint8_t(cpu_.pc() >> 8);
    b[reg::PcLow] = std::uint8_t(cpu_.pc());
    b[reg::B] = r.b;
    for (int i = 0; i < 8; ++i) b[std::size_t(reg::R0 + i)] = r.r[std::size_t(i)];
    return b;
}

void Emx31Simulator::setRegisterBlock(const std::uint8_t *b) {
    Registers8051 r;
    r.a = b[reg::A];
    r.psw = b[reg::Psw];
    r.dptr = std::uint16_t(b[reg::Dph] << 8 | b[reg::Dpl]);
    r.sp = b[reg::Sp];
    r.pc = std::uint16_t(b[reg::PcHigh] << 8 | b[reg::PcLow]);
    r.b = b[reg::B];
    for (int i = 0; i < 8; ++i) r.r[std::size_t(i)] = b[reg::R0 + i];
    cpu_.setRegisters(r);
    cpu_.setPc(r.pc);
}

bool Emx31Simulator::vendorRequest(UsbDirection direction, std::uint8_t request, std::uint16_t value,
                                   std::uint16_t index, std::uint8_t *data, std::uint16_t length) {
    if (!attached_) return false;
    auto lock = hostLock();
    if (direction == UsbDirection::DeviceToHost && (request == cmd::Status || request == cmd::ChipStatus)) {
        if (statusHook_) statusHook_();
        if (length < 1 || !data) return false;
        if (request == cmd::ChipStatus) {
            data[0] = statusNeverComes_ ? 0 : chipStatus_;
            return true;
        }
        std::uint8_t s = status_;
        if (running_) s = std::uint8_t(base() | Running);
        if (busyPolls_ > 0) {
            --busyPolls_;
            s = base();
            if (busyPolls_ == 0) status_ = afterBusy_;
        }
        if (statusNeverComes_) s = std::uint8_t(s & ~(Finished | Success | DataReady | 0x80));
        data[0] = s;
        return true;
    }
    log_.push_back(request);
    if (takeFaults(request)) return false;
    if (!attached_) return false;
    if (request == cmd::Halt) {
        // The monitor takes over through its vector only when interrupts are enabled.
        // The monitor's takeover is finished before the request returns, so the host's status
        // read after its pause sees the halt however the threads were scheduled.
        if (running_ && haltArmed_ && (cpu_.readSfr(sfr::IE) & 0x80)) stopRun(lock);
        return true;
    }
    if (running_) stopRun(lock);
    // The breakpoint table lives for one go: the runs, steps and PC reads inside it keep it;
    // the first breakpoint after a run, and anything else the host asks, start a new one.
    if (!cmd::keepsBreakpoints(request) || (request == cmd::SetBreakpoint && ranSinceBreakpoint_)) {
        breakpoints_.clearAll();
        breakpointList_.clear();
    }
    if (request == cmd::SetBreakpoint) ranSinceBreakpoint_ = false;
    if (request == cmd::Run) ranSinceBreakpoint_ = true;
    if (direction == UsbDirection::DeviceToHost) {
        if (request != cmd::SetBreakpoint || length < 1 || !data) return false;
        std::uint8_t reply = breakpoint::Set;
        if (index >= kMonitorStart) reply = breakpoint::Conflict;
        else if (!breakpoints_.test(index) && int(breakpointList_.size()) >= breakpointLimit_)
            reply = breakpoint::OverLimit;
        else if (!breakpoints_.test(index)) {
            breakpoints_.set(index);
            breakpointList_.push_back(index);
        }
        data[0] = reply;
        return true;
    }
    handle(request, value, index, data, length);
    return true;
}

void Emx31Simulator::handle(std::uint8_t request, std::uint16_t value, std::uint16_t index, const std::uint8_t *data,
                            std::uint16_t length) {
    pendingIn_.clear();
    haveExpected_ = false;
    if (request >= cmd::ChipStatus) return handleChip(request, value, index, data, length);
    switch (request) {
    case cmd::ReadId:
    case cmd::ReadAdapterId:
    case cmd::AdapterPresent:
    case cmd::EndLink:
    case cmd::ResetTarget:
    case cmd::InitAdapter: handleBoard(request); break;
    case cmd::ReadSfr:
    case cmd::WriteSfr:
    case cmd::ReadRegs:
    case cmd::WriteRegs:
    case cmd::WriteCode:
    case cmd::ReadCode:
    case cmd::WriteXdata:
    case cmd::ReadXdata:
    case cmd::WriteIdata:
    case cmd::ReadIdata: handleMemory(request, value, index); break;
    case cmd::ReadPc:
    case cmd::SetPc:
    case cmd::Run:
    case cmd::Step: handleExecution(request, value, index); break;
    default: done(false); break;
    }
}

void Emx31Simulator::expectOut(std::uint8_t request, std::uint16_t value, std::uint16_t index, int count) {
    expected_ = {request, value, index, count};
    haveExpected_ = true;
    status_ = base();
}

// Identification, the adapter, the end of the link and the target's reset.
void Emx31Simulator::handleBoard(std::uint8_t request) {
    switch (request) {
    case cmd::ReadId: pendingIn_.assign(id_.begin(), id_.end()); break;
    case cmd::ReadAdapterId: {
        if (!adapter_) return done(false);
        std::vector<std::uint8_t> block(kIdentificationSize, 0);
        std::memcpy(block.data() + 1, "PRB31", 5);
        dataReady(std::move(block));
        break;
    }
    case cmd::AdapterPresent: status_ = adapter_ && !finishWithoutSuccess_ ? st::Ready : Finished; break;
    case cmd::ResetTarget:
        cpu_.reset();
        breakpoints_.clearAll();
        breakpointList_.clear();
        done(true);
        break;
    case cmd::InitAdapter:
        if (!adapter_) return done(false);
        adapterReady_ = true;
        busyPolls_ = initPolls_;
        done(true);
        afterBusy_ = status_;
        break;
    default: break;  // EndLink
    }
}

// The special function registers, the register block and the code, external and internal memories.
void Emx31Simulator::handleMemory(std::uint8_t request, std::uint16_t value, std::uint16_t index) {
    switch (request) {
    case cmd::ReadSfr: {
        if (index < 0x80 || !fitsChunk(index, value, 0x100)) return done(false);
        std::vector<std::uint8_t> b(value);
        for (int i = 0; i < value; ++i) b[std::size_t(i)] = cpu_.readSfr(std::uint8_t(index + i));
        return dataReady(std::move(b));
    }
    case cmd::WriteSfr:
        if (index < 0x80 || !fitsChunk(index, value, 0x100)) return done(false);
        return expectOut(request, value, index, value);
    case cmd::ReadRegs: {
        const auto b = registerBlock();
        return dataReady({b.begin(), b.end()});
    }
    case cmd::WriteRegs: return expectOut(request, value, index, 16);
    default: break;
    }
    // Code is written below the monitor, and only through the adapter.
    const bool code = request == cmd::WriteCode || request == cmd::ReadCode;
    const bool idata = request == cmd::WriteIdata || request == cmd::ReadIdata;
    const std::uint32_t end = request == cmd::WriteCode ? std::uint32_t(kMonitorStart) : idata ? 0x100 : 0x10000;
    if ((request == cmd::WriteCode && !adapter_) || !fitsChunk(index, value, end)) return done(false);
    if (request == cmd::WriteCode || request == cmd::WriteXdata || request == cmd::WriteIdata)
        return expectOut(request, value, index, value);
    const std::uint8_t *bytes = code ? cpu_.code().data() : idata ? cpu_.iram().data() : cpu_.xdata().data();
    dataReady({bytes + index, bytes + index + value});
}

void Emx31Simulator::handleExecution(std::uint8_t request, std::uint16_t value, std::uint16_t index) {
    switch (request) {
    case cmd::SetPc: cpu_.setPc(value); return done(true);
    case cmd::Run:
        // The board runs with or without the halt; another mode is refused, not guessed.
        if (value != 0 && value != kRunWithHalt) return done(false);
        return startRun(value == kRunWithHalt, index);
    case cmd::Step:
        if (cpu_.step() == Cpu8051::kTrap) return done(false);
        break;
    default: break;  // ReadPc
    }
    dataReady({std::uint8_t(cpu_.pc()), std::uint8_t(cpu_.pc() >> 8)});
}

// The target chip's commands: they answer on the chip status byte.
void Emx31Simulator::handleChip(std::uint8_t request, std::uint16_t value, std::uint16_t index,
                                const std::uint8_t *data, std::uint16_t length) {
    switch (request) {
    case cmd::ChipPrepare: {
        const int family = index >> 8, variant = index & 0xFF;
        selectedChip_ = -1;
        for (std::size_t i = 0; i < FlashChipTable.size(); ++i) {
            const FlashChip &c = FlashChipTable[i];
            if (c.family != family || c.variant != variant || c.isp() != (value == 1)) continue;
            if (targetChip_ >= 0 && FlashChipTable[std::size_t(targetChip_)].family == family &&
                FlashChipTable[std::size_t(targetChip_)].variant == variant) {
                selectedChip_ = targetChip_;
                break;
            }
            if (targetChip_ < 0 &&
                (selectedChip_ < 0 || c.codeSize > FlashChipTable[std::size_t(selectedChip_)].codeSize))
                selectedChip_ = int(i);
        }
        if (selectedChip_ >= 0 && flash_.size() != FlashChipTable[std::size_t(selectedChip_)].codeSize)
            flash_.assign(FlashChipTable[std::size_t(selectedChip_)].codeSize, 0xFF);
        chipDone(selectedChip_ >= 0);
        break;
    }
    case cmd::ChipRelease:
        if (selectedChip_ < 0) return chipDone(false);
        std::fill(cpu_.code().begin(), cpu_.code().end(), 0xFF);
        std::copy(flash_.begin(), flash_.end(), cpu_.code().begin());
        cpu_.reset();
        chipDone(true);
        break;
    case cmd::ChipProgram:
    case cmd::ChipRead: {
        if (selectedChip_ < 0 || length < 4 || !data) return chipDone(false);
        const std::uint32_t address = data[0] | std::uint32_t(data[1]) << 8;
        if (!fitsChunk(address, value, std::uint32_t(flash_.size()))) return chipDone(false);
        if (request == cmd::ChipProgram) {
            expected_ = {request, value, std::uint16_t(address), value};
            haveExpected_ = true;
            chipStatus_ = 0;
        } else {
            pendingIn_.assign(flash_.begin() + address, flash_.begin() + address + value);
            chipDone(true);
        }
        break;
    }
    case cmd::ChipErase:
        if (selectedChip_ < 0) return chipDone(false);
        std::fill(flash_.begin(), flash_.end(), 0xFF);
        chipDone(true);
        break;
    default: done(false); break;
    }
}

void Emx31Simulator::afterBulkOut(const Expected &e, const std::uint8_t *data) {
    switch (e.command) {
    case cmd::WriteSfr:
        for (int i = 0; i < e.count; ++i) cpu_.writeSfr(std::uint8_t(e.index + i), data[i]);
        break;
    case cmd::WriteRegs: setRegisterBlock(data); break;
    case cmd::WriteCode:
        for (int i = 0; i < e.count; ++i) cpu_.writeCode(std::uint16_t(e.index + i), data[i]);
        break;
    case cmd::WriteXdata:
        for (int i = 0; i < e.count; ++i) cpu_.writeXdata(std::uint16_t(e.index + i), data[i]);
        break;
    case cmd::WriteIdata:
        for (int i = 0; i < e.count; ++i) cpu_.writeIram(std::uint8_t(e.index + i), data[i]);
        break;
    case cmd::ChipProgram:
        // Flash programming only clears bits; an unerased chip fails its verify.
        for (int i = 0; i < e.count; ++i) flash_[std::size_t(e.index + i)] &= data[i];
        chipDone(true);
        return;
    default: break;
    }
    done(true);
}

int Emx31Simulator::bulkOut(std::uint8_t endpoint, const std::uint8_t *data, int size, unsigned) {
    if (!attached_ || endpoint != kBulkOut) return -1;
    auto lock = hostLock();
    if (!haveExpected_ || loseBulk_ || size != expected_.count || !data) return -1;
    haveExpected_ = false;
    afterBulkOut(expected_, data);
    return size;
}

int Emx31Simulator::bulkIn(std::uint8_t endpoint, std::uint8_t *data, int size, unsigned) {
    if (!attached_ || endpoint != kBulkIn) return -1;
    auto lock = hostLock();
    if (loseBulk_ || pendingIn_.empty() || !data) return -1;
    const int n = std::min<int>(size, int(pendingIn_.size()));
    std::memcpy(data, pendingIn_.data(), std::size_t(n));
    pendingIn_.clear();
    status_ = base();
    return n;
}

void Emx31Simulator::startRun(bool haltMechanism, std::uint16_t stopAddress) {
    haltArmed_ = haltMechanism;
    if (haltMechanism) {
        // LJMP into the monitor: the emulator's way back from a running program.
        cpu_.writeCode(kHaltVector, 0x02);
        cpu_.writeCode(kHaltVector + 1, std::uint8_t(kMonitorStart >> 8));
        cpu_.writeCode(kHaltVector + 2, std::uint8_t(kMonitorStart));
    }
    stopAddress_ = stopAddress;
    stop_ = false;
    running_ = true;
    ++runs_;
    status_ = std::uint8_t(base() | Running);
    if (runner_.joinable()) runner_.join();
    runner_ = std::thread([this] { runLoop(); });
}

void Emx31Simulator::runLoop() {
    const std::uint16_t stopAt = stopAddress_;
    const bool hasStop = stopAt != kNoStopAddress;
    auto atStop = [stopAt](const Cpu8051 &c) { return c.pc() == stopAt; };
    bool first = true;
    for (;;) {
        std::unique_lock lock(mutex_);
        if (stop_) break;
        // The first instruction of a run is never checked, so a run can leave a breakpoint; later
        // slices must check their first instruction too.
        if (!first && (breakpoints_.test(cpu_.pc()) || (hasStop && atStop(cpu_)))) break;
        first = false;
        const RunResult8051 r =
            cpu_.run(kSlice, breakpoints_.any() ? &breakpoints_ : nullptr,
                     hasStop ? std::function<bool(const Cpu8051 &)>(atStop) : std::function<bool(const Cpu8051 &)>());
        if (r.reason != StopReason8051::Limit) break;
        lock.unlock();
        for (int waiting = hostWaiting_.load(); waiting > 0; waiting = hostWaiting_.load()) hostWaiting_.wait(waiting);
    }
    std::lock_guard lock(mutex_);
    status_ = std::uint8_t(base() | Finished | Success);
    running_ = false;
}

// The runner takes the lock back as soon as a slice ends; a waiting host request goes first, or a
// busy machine could hold a halt or a status read back for seconds.
std::unique_lock<std::mutex> Emx31Simulator::hostLock() const {
    ++hostWaiting_;
    std::unique_lock lock(mutex_);
    if (--hostWaiting_ == 0) hostWaiting_.notify_all();
    return lock;
}

void Emx31Simulator::stopRun(std::unique_lock<std::mutex> &lock) {
    stop_ = true;
    cpu_.requestStop();
    lock.unlock();
    if (runner_.joinable() && runner_.get_id() != std::this_thread::get_id()) runner_.join();
    lock.lock();
}

SimulatedEmx31 makeSimulatedEmx31(bool adapter) {
    SimulatedEmx31 s;
    s.bus = std::make_shared<SimulatedBus>();
    s.device = std::make_shared<Emx31Simulator>(adapter);
    s.bus->plug(0, s.device);
    return s;
}

}  // namespace vantor::emx31
