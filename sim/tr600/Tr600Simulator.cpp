#include "sim/tr600/Tr600Simulator.h"

#include "core/LittleEndian.h"
#include "devices/Algorithms.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace vantor::sim {

namespace {

namespace cmd = tr600::cmd;
constexpr std::uint8_t kReady = tr600::status::Ready;
constexpr std::uint8_t kFinished = tr600::status::Finished;
constexpr std::uint8_t kSuccess = tr600::status::Success;
constexpr std::uint8_t kStatusRequest = cmd::ReadStatus;

constexpr std::string_view kFaultNames[] = {"refuse-control",         "lose-bulk", "short-bulk",  "status-never-comes",
                                            "finish-without-success", "unplug",    "wrong-model", "register-mismatch"};

bool isRegisterWrite(std::uint8_t request) {
    return request == cmd::WriteLock || request == cmd::WriteConfig || request == cmd::WriteFuse;
}

}  // namespace

std::string faultKindNames() {
    std::string names;
    for (std::string_view n : kFaultNames) names += (names.empty() ? "" : ", ") + std::string(n);
    return names;
}

std::optional<Fault> parseFault(std::string_view text, std::string &error) {
    Fault fault{FaultKind::RefuseControl};
    if (!text.empty() && text.back() == '!') {
        fault.persistent = true;
        text.remove_suffix(1);
    }
    const auto at = text.find('@');
    const std::string_view kind = text.substr(0, at);
    const auto known = std::find(std::begin(kFaultNames), std::end(kFaultNames), kind);
    if (known == std::end(kFaultNames)) {
        error = "unknown fault " + std::string(kind) + " (" + faultKindNames() + ")";
        return std::nullopt;
    }
    fault.kind = FaultKind(known - std::begin(kFaultNames));
    if (at == std::string_view::npos) return fault;
    std::string_view when = text.substr(at + 1);
    std::string_view skip;
    if (const auto plus = when.find('+'); plus != std::string_view::npos) {
        skip = when.substr(plus + 1);
        when = when.substr(0, plus);
    }
    auto number = [](std::string_view t, int base, int &out) {
        if (base == 16 && t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) t.remove_prefix(2);
        if (t.empty() || t.size() > 4) return false;
        out = 0;
        for (char c : t) {
            const int d = c >= '0' && c <= '9'                 ? c - '0'
                          : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : base == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                               : -1;
            if (d < 0) return false;
            out = out * base + d;
        }
        return true;
    };
    if (!number(when, 16, fault.command) || fault.command > 0xFF) {
        error = "fault " + std::string(text) + ": the command after @ is a hex code such as 0x85";
        return std::nullopt;
    }
    if (!skip.empty() && !number(skip, 10, fault.skip)) {
        error = "fault " + std::string(text) + ": the count after + is a decimal number";
        return std::nullopt;
    }
    return fault;
}

Tr600Simulator::Tr600Simulator(int modelCode, std::uint32_t serialNumber) : model_(modelCode), serial_(serialNumber) {}

void Tr600Simulator::insertChip(std::shared_ptr<VirtualChip> chip) {
    std::lock_guard lock(mutex_);
    chip_ = std::move(chip);
}

std::shared_ptr<VirtualChip> Tr600Simulator::chip() const {
    std::lock_guard lock(mutex_);
    return chip_;
}

void Tr600Simulator::setTiming(const Tr600Timing &timing) {
    std::lock_guard lock(mutex_);
    timing_ = timing;
}

void Tr600Simulator::setFirmwareVersion(int major, int minor, int revision) {
    std::lock_guard lock(mutex_);
    firmware_ = {std::uint8_t(major), std::uint8_t((minor & 0xF) << 4 | (revision & 0xF)), 0};
}

void Tr600Simulator::unplug() {
    std::lock_guard lock(mutex_);
    attached_ = false;
    configured_ = false;
    initialised_ = false;
    wake_.notify_all();
}

void Tr600Simulator::replug() {
    std::lock_guard lock(mutex_);
    attached_ = true;
    configured_ = true;
}

std::vector<ReceivedCommand> Tr600Simulator::commands() const {
    std::lock_guard lock(mutex_);
    return log_;
}

int Tr600Simulator::statusReads() const {
    std::lock_guard lock(mutex_);
    return statusReads_;
}

void Tr600Simulator::clearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
    statusReads_ = 0;
}

bool Tr600Simulator::isInitialised() const {
    std::lock_guard lock(mutex_);
    return initialised_;
}

bool Tr600Simulator::attached() const {
    std::lock_guard lock(mutex_);
    return attached_;
}

bool Tr600Simulator::setConfiguration(int configuration) {
    std::lock_guard lock(mutex_);
    if (!attached_ || configuration != 1) return false;
    configured_ = true;
    return true;
}

bool Tr600Simulator::claimInterface(int interfaceNumber) {
    std::lock_guard lock(mutex_);
    return attached_ && configured_ && interfaceNumber == 0;
}

std::vector<FaultKind> Tr600Simulator::takeFaults(std::uint8_t request, bool transferPhase) {
    std::vector<FaultKind> fired;
    auto matches = [&](const Fault &fault) {
        // A fault armed for any command waits for the first one it can affect: a bulk fault
        // for a command with a data transfer (known once the command is handled), a wrong
        // model code for the information block, a register mismatch for a fuse, lock or
        // configuration write.
        const bool bulk = fault.kind == FaultKind::LoseBulk || fault.kind == FaultKind::ShortBulk;
        if (fault.command != -1) return fault.command == request && !transferPhase;
        if (request == kStatusRequest || bulk != transferPhase) return false;
        if (fault.kind == FaultKind::RegisterMismatch) return isRegisterWrite(request);
        return fault.kind != FaultKind::WrongModelCode || request == cmd::ReadInfo;
    };
    faults_.take(matches, [&](const Fault &fault) { fired.push_back(fault.kind); });
    return fired;
}

void Tr600Simulator::finish(bool ok, int polls) {
    status_ = suppressStatus_ ? 0 : failStatus_ ? kFinished : ok ? kFinished | kSuccess : kFinished;
    busyPolls_ = polls;
}

void Tr600Simulator::dataReady(std::vector<std::uint8_t> bytes, int polls) {
    if (suppressStatus_ || failStatus_) {
        status_ = suppressStatus_ ? 0 : kFinished;
        return;
    }
    pendingIn_ = std::move(bytes);
    status_ = kReady;
    busyPolls_ = polls;
}

std::uint8_t Tr600Simulator::pollStatus() {
    ++statusReads_;
    if (!log_.empty()) ++log_.back().statusPolls;
    if (busyPolls_ > 0) {
        --busyPolls_;
        return 0;
    }
    return status_;
}

bool Tr600Simulator::vendorRequest(UsbDirection direction, std::uint8_t request, std::uint16_t value,
                                   std::uint16_t index, std::uint8_t *data, std::uint16_t length) {
    std::lock_guard lock(mutex_);
    if (!attached_ || !configured_) return false;
    const auto fired = takeFaults(request, false);
    auto has = [&](FaultKind k) { return std::find(fired.begin(), fired.end(), k) != fired.end(); };
    if (has(FaultKind::Unplug)) {
        attached_ = false;
        configured_ = false;
        initialised_ = false;
        wake_.notify_all();
        return false;
    }
    if (has(FaultKind::RefuseControl)) return false;

    if (request == kStatusRequest) {
        if (direction != UsbDirection::DeviceToHost || length < 1 || !data) return false;
        data[0] = pollStatus();
        if (length > 1) std::memset(data + 1, 0, length - 1u);
        return true;
    }
    if (direction != UsbDirection::HostToDevice || length > 16) return false;

    ReceivedCommand received{request, value, index, {}, 0};
    if (length) received.data.assign(data, data + length);
    log_.push_back(std::move(received));

    // A new command ends whatever the previous one left behind.
    pendingIn_.clear();
    expectOut_.reset();
    status_ = 0;
    busyPolls_ = 0;
    suppressStatus_ = has(FaultKind::StatusNeverComes);
    failStatus_ = has(FaultKind::FinishWithoutSuccess);
    loseBulk_ = has(FaultKind::LoseBulk);
    shortBulk_ = has(FaultKind::ShortBulk);
    wrongModel_ = has(FaultKind::WrongModelCode);
    registerMismatch_ = has(FaultKind::RegisterMismatch);
    handleCommand(request, value, index, data, length);
    if (!pendingIn_.empty() || expectOut_)
        for (FaultKind k : takeFaults(request, true)) (k == FaultKind::LoseBulk ? loseBulk_ : shortBulk_) = true;
    return true;
}

void Tr600Simulator::handleCommand(std::uint8_t request, std::uint16_t value, std::uint16_t index,
                                   const std::uint8_t *data, std::uint16_t length) {
    switch (request) {
    case cmd::ReadInfo:
        pendingIn_ = infoBlock();
        status_ = kReady;
        break;
    case cmd::InitDevice:
    case cmd::ReleaseDevice:
    case cmd::ReadDeviceId:
    case cmd::BeginProgram:
    case cmd::BeginRead: sessionCommand(request, index, length); break;
    case cmd::ProgramBlock:
    case cmd::ReadBlock: blockCommand(request, value, index, data, length); break;
    case cmd::Erase:
    case cmd::WriteLock:
    case cmd::WriteConfig:
    case cmd::WriteFuse:
    case cmd::ReadConfig:
    case cmd::ReadFuse:
    case cmd::ReadLock:
    case cmd::WriteCal: chipCommand(request, value, data, length); break;
    default:  // a command this firmware does not know finishes with failure
        finish(false, 0);
        break;
    }
}

std::vector<std::uint8_t> Tr600Simulator::infoBlock() const {
    std::vector<std::uint8_t> info(tr600::kInfoBlockSize, 0);
    info[tr600::info::Model] = std::uint8_t(wrongModel_ ? model_ ^ 0x40 : model_);
    info[tr600::info::FirmwareMajor] = firmware_[0];
    info[tr600::info::FirmwareMinor] = firmware_[1];
    std::uint32_t s = serial_;
    for (int i = tr600::info::SerialBytes - 1; i >= 0; --i) {  // eight BCD digits, most significant first
        const std::uint8_t lo = std::uint8_t(s % 10);
        s /= 10;
        const std::uint8_t hi = std::uint8_t(s % 10);
        s /= 10;
        info[std::size_t(tr600::info::Serial + i)] = std::uint8_t(hi << 4 | lo);
    }
    return info;
}

// Bringing the chip in the socket up and down, its identifier, the start of a program or read.
void Tr600Simulator::sessionCommand(std::uint8_t request, std::uint16_t index, std::uint16_t length) {
    VirtualChip *chip = chip_.get();
    const bool ready = initialised_ && chip;
    switch (request) {
    case cmd::InitDevice: {
        const std::uint8_t algorithm = std::uint8_t(index >> 8);
        // The firmware drives the socket with the algorithm it is told; a wrong or unknown one
        // does not bring the chip up.
        initialised_ = chip && length == 16 && algo::findAlgorithm(algorithm) != nullptr &&
                       chip->chipSpec().algorithm == algorithm;
        programBegun_ = readBegun_ = false;
        finish(initialised_, timing_.initPolls);
        break;
    }
    case cmd::ReleaseDevice:
        initialised_ = false;
        programBegun_ = readBegun_ = false;
        finish(true, timing_.otherPolls);
        break;
    case cmd::ReadDeviceId:
        if (!ready) finish(false, timing_.otherPolls);
        else dataReady({chip->chipSpec().id.begin(), chip->chipSpec().id.end()}, timing_.otherPolls);
        break;
    default:  // BeginProgram, BeginRead
        if (ready) (request == cmd::BeginProgram ? programBegun_ : readBegun_) = true;
        finish(ready, timing_.otherPolls);
        break;
    }
}

// A block of one memory area: programmed from the bulk OUT data that follows, or read.
void Tr600Simulator::blockCommand(std::uint8_t request, std::uint16_t value, std::uint16_t index,
                                  const std::uint8_t *data, std::uint16_t length) {
    VirtualChip *chip = chip_.get();
    const bool begun = request == cmd::ProgramBlock ? programBegun_ : readBegun_;
    if (!initialised_ || !chip || !begun || length != 4 || value == 0 || value > 256 || index >= 4) {
        finish(false, timing_.otherPolls);
        return;
    }
    const std::uint32_t offset = le::load32(data);
    if (request == cmd::ProgramBlock) {
        expectOut_ = Expected{request, index, offset, value};
        return;
    }
    std::vector<std::uint8_t> bytes(value);
    for (std::uint32_t k = 0; k < value; ++k) bytes[k] = chip->read(index, offset + k);
    dataReady(std::move(bytes), timing_.readBlockPolls);
}

// Erase, the configuration, fuse and lock bytes, the calibration byte.
void Tr600Simulator::chipCommand(std::uint8_t request, std::uint16_t value, const std::uint8_t *data,
                                 std::uint16_t length) {
    VirtualChip *chip = chip_.get();
    const bool ready = initialised_ && chip;
    switch (request) {
    case cmd::Erase: {  // UV EPROMs and RAM cannot be erased electrically
        const std::uint8_t a = ready ? chip->chipSpec().algorithm : 0;
        const bool erasable = ready && a != algo::kEprom && a != algo::kSram;
        if (erasable) chip->erase();
        finish(erasable, timing_.erasePolls);
        break;
    }
    case cmd::WriteLock:
    case cmd::WriteConfig:
    case cmd::WriteFuse:
        if (!ready || value != 16) finish(false, timing_.otherPolls);
        else expectOut_ = Expected{request, 0, 0, 16};
        break;
    case cmd::WriteCal: {  // the calibration byte at an address of area 0 or 1
        bool ok = ready && length == 4;
        if (ok) {
            ok = chip->program(value & 1, le::load32(data), &chip->calibration, 1);
            ++chip->calibrationWrites;
        }
        finish(ok, timing_.otherPolls);
        break;
    }
    default: {  // ReadConfig, ReadFuse, ReadLock
        if (!ready || value != 16) {
            finish(false, timing_.otherPolls);
            break;
        }
        const auto &bytes = request == cmd::ReadConfig ? chip->config
                            : request == cmd::ReadFuse ? chip->fuses
                                                       : chip->lock;
        dataReady({bytes.begin(), bytes.end()}, timing_.otherPolls);
        break;
    }
    }
}

bool Tr600Simulator::delayBulk(std::unique_lock<std::mutex> &lock) {
    if (timing_.bulkDelayUs == 0) return attached_;
    interrupted_ = false;
    wake_.wait_for(lock, std::chrono::microseconds(timing_.bulkDelayUs), [this] { return interrupted_ || !attached_; });
    return attached_ && !interrupted_;
}

int Tr600Simulator::bulkOut(std::uint8_t endpoint, const std::uint8_t *data, int size, unsigned) {
    std::unique_lock lock(mutex_);
    if (!attached_ || endpoint != kEndpointOut) return -1;
    if (!delayBulk(lock)) return -1;
    if (!expectOut_) return -1;  // nobody takes it: the host's transfer times out
    const Expected expected = *expectOut_;
    expectOut_.reset();
    if (loseBulk_) return -1;  // lost on the way: the command never finishes
    if (size != expected.size) {
        finish(false, timing_.otherPolls);
        return size;
    }
    VirtualChip *chip = chip_.get();
    switch (expected.command) {
    case cmd::ProgramBlock:
        finish(chip && chip->program(expected.area, expected.offset, data, std::uint32_t(size)),
               timing_.programBlockPolls);
        break;
    case cmd::WriteLock:
    case cmd::WriteConfig:
    case cmd::WriteFuse: {
        auto &bytes = expected.command == cmd::WriteLock     ? chip->lock
                      : expected.command == cmd::WriteConfig ? chip->config
                                                             : chip->fuses;
        std::copy(data, data + 16, bytes.begin());
        // The programmer still reports success: only a read-back finds it.
        if (registerMismatch_) bytes[0] = std::uint8_t(~bytes[0]);
        finish(true, timing_.otherPolls);
        break;
    }
    default: break;
    }
    return size;
}

int Tr600Simulator::bulkIn(std::uint8_t endpoint, std::uint8_t *data, int size, unsigned) {
    std::unique_lock lock(mutex_);
    if (!attached_ || endpoint != kEndpointIn) return -1;
    if (!delayBulk(lock)) return -1;
    if (pendingIn_.empty()) return -1;  // nothing to send: the host's transfer times out
    if (loseBulk_) {
        pendingIn_.clear();
        return -1;
    }
    int n = std::min<int>(size, int(pendingIn_.size()));
    if (shortBulk_) n = std::max(0, n / 2);
    std::memcpy(data, pendingIn_.data(), std::size_t(n));
    pendingIn_.clear();
    if (status_ == kReady) status_ = 0;
    return n;
}

void Tr600Simulator::interrupt() {
    std::lock_guard lock(mutex_);
    interrupted_ = true;
    wake_.notify_all();
}

}  // namespace vantor::sim
