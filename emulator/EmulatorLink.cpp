#include "emulator/EmulatorLink.h"

#include "emulator/HostUi.h"

namespace vantor::emx31 {

CEmulatorLink::CEmulatorLink(HostUi &ui, Clock &clock) : ui_(ui), clock_(clock) {}

CEmulatorLink::~CEmulatorLink() { close(); }

void CEmulatorLink::setBackend(std::unique_ptr<UsbBackend> backend) {
    std::lock_guard lock(exchange_);
    connected_ = false;
    usb_.setBackend(std::move(backend));
}

void CEmulatorLink::showError(const msg::Text &text) {
    ui_.messageBox(text.text, msg::kErrorCaption, EMX31_MB_OK | EMX31_MB_ICONERROR);
}

void CEmulatorLink::showNotice(const msg::Text &text) {
    ui_.messageBox(text.text, msg::kNoticeCaption, EMX31_MB_OK | EMX31_MB_ICONERROR);
}

bool CEmulatorLink::request(std::uint8_t code, std::uint16_t value, std::uint16_t index, std::uint8_t *data,
                            std::uint16_t length, UsbDirection dir) {
    return channel_.request(code, value, index, data, length, dir);
}

bool CEmulatorLink::openTransport() {
    if (!usb_.Open()) return false;
    channel_.bindSession();
    chipChannel_.bindSession();
    return true;
}

bool CEmulatorLink::readStatus(std::uint8_t &status) {
    std::lock_guard lock(exchange_);
    return channel_.readStatus(status);
}

// A finished command decides at once, whatever bit was awaited: waiting out the deadline
// after the emulator has said "failed" would only turn a failure into a time-out.
Wait CEmulatorLink::waitReadyLocked(std::uint8_t mask, unsigned timeoutMs) {
    const std::uint64_t deadline = clock_.nowMs() + timeoutMs;
    for (;;) {
        std::uint8_t s = 0;
        if (!channel_.readStatus(s)) return Wait::LinkError;
        if (s & st::Finished) return (s & st::Success) ? Wait::Done : Wait::Failed;
        if (s & mask) return Wait::Done;
        if (clock_.nowMs() > deadline) return Wait::TimedOut;
    }
}

Wait CEmulatorLink::waitReady(std::uint8_t mask, unsigned timeoutMs) {
    std::lock_guard lock(exchange_);
    return waitReadyLocked(mask, timeoutMs);
}

int CEmulatorLink::waitChipStatusLocked(std::uint8_t mask, unsigned timeoutMs) {
    const std::uint64_t deadline = clock_.nowMs() + timeoutMs;
    for (;;) {
        std::uint8_t s = 0;
        if (!chipChannel_.readStatus(s)) return -1;
        if (s & mask) return ((mask & st::Finished) && !(s & st::Success)) ? 0 : 1;
        if (clock_.nowMs() > deadline) return -2;
    }
}

int CEmulatorLink::waitChipStatus(std::uint8_t mask, unsigned timeoutMs) {
    std::lock_guard lock(exchange_);
    return waitChipStatusLocked(mask, timeoutMs);
}

bool CEmulatorLink::bulkWrite(const std::uint8_t *data, int count) { return channel_.writeBlock(data, count); }

bool CEmulatorLink::bulkRead(std::uint8_t *data, int count) { return channel_.readBlock(data, count); }

Outcome CEmulatorLink::exchangeWrite(std::uint8_t code, std::uint16_t value, std::uint16_t index,
                                     const std::uint8_t *data, int count, std::uint8_t mask, unsigned timeoutMs) {
    std::lock_guard lock(exchange_);
    if (!request(code, value, index)) return Outcome::RequestFailed;
    if (count > 0 && !bulkWrite(data, count)) return Outcome::BulkFailed;
    switch (waitReadyLocked(mask, timeoutMs)) {
    case Wait::LinkError: return Outcome::WaitLinkError;
    case Wait::TimedOut: return Outcome::WaitTimedOut;
    case Wait::Failed: return Outcome::WaitFailed;
    case Wait::Done: break;
    }
    return Outcome::Ok;
}

Outcome CEmulatorLink::exchangeRead(std::uint8_t code, std::uint16_t value, std::uint16_t index, std::uint8_t *data,
                                    int count, std::uint8_t mask, unsigned timeoutMs) {
    std::lock_guard lock(exchange_);
    if (!request(code, value, index)) return Outcome::RequestFailed;
    switch (waitReadyLocked(mask, timeoutMs)) {
    case Wait::LinkError: return Outcome::WaitLinkError;
    case Wait::TimedOut: return Outcome::WaitTimedOut;
    case Wait::Failed: return Outcome::WaitFailed;
    case Wait::Done: break;
    }
    if (count > 0 && !bulkRead(data, count)) return Outcome::BulkFailed;
    return Outcome::Ok;
}

// The reply table, with its exceptions per command. Messages are shown after the transport
// has been given up, so a question never holds the other thread's halt back.
bool CEmulatorLink::applyReply(std::uint8_t code, Outcome outcome) {
    switch (outcome) {
    case Outcome::Ok: return true;
    case Outcome::RequestFailed:
    case Outcome::WaitLinkError:
        linkFailed = true;
        showError(msg::Communication);
        return false;
    case Outcome::WaitTimedOut:
        linkFailed = true;
        showError(msg::AdapterTimeout);
        return false;
    case Outcome::WaitFailed:
        if (code == cmd::WriteCode) showError(msg::AdapterWriteFailed);
        else if (code == cmd::WriteIdata) showError(msg::UserDataFailed);
        else if (code != cmd::WriteXdata && code != cmd::Step) showError(msg::OperationFailed);
        return false;
    case Outcome::BulkFailed:
        if (code == cmd::ReadSfr || code == cmd::ReadIdata) {
            linkFailed = true;
            showError(msg::Communication);
        } else if (code == cmd::Step) {
            showError(msg::Communication);
        }
        return false;
    }
    return false;
}

bool CEmulatorLink::commandWrite(std::uint8_t code, std::uint16_t value, std::uint16_t index,
                                 const std::uint8_t *data, int count, std::uint8_t mask, unsigned timeoutMs) {
    return applyReply(code, exchangeWrite(code, value, index, data, count, mask, timeoutMs));
}

bool CEmulatorLink::commandRead(std::uint8_t code, std::uint16_t value, std::uint16_t index, std::uint8_t *data,
                                int count, std::uint8_t mask, unsigned timeoutMs) {
    return applyReply(code, exchangeRead(code, value, index, data, count, mask, timeoutMs));
}

bool CEmulatorLink::commandOnly(std::uint8_t code, std::uint16_t value, std::uint16_t index) {
    bool ok;
    {
        std::lock_guard lock(exchange_);
        ok = request(code, value, index);
    }
    if (!ok) {
        linkFailed = true;
        showError(msg::Communication);
    }
    return ok;
}

int CEmulatorLink::setBreakpoint(std::uint16_t address) {
    std::lock_guard lock(exchange_);
    std::uint8_t reply = 0;
    if (!request(cmd::SetBreakpoint, 1, address, &reply, 1, UsbDirection::DeviceToHost)) return -1;
    return reply;
}

bool CEmulatorLink::run(std::uint16_t value, std::uint16_t stopAddress, const std::atomic<bool> &cancel) {
    // The stop request is looked at and the run sent in one exchange: a halt from the other
    // thread then comes either before (no run) or after the run has started (and ends it).
    bool sent;
    {
        std::lock_guard lock(exchange_);
        if (cancel) return true;
        sent = request(cmd::Run, value, stopAddress);
    }
    if (!sent) {
        linkFailed = true;
        showError(msg::Communication);
        return false;
    }
    for (;;) {
        std::uint8_t s = 0;
        bool ok;
        {
            std::lock_guard lock(exchange_);
            ok = channel_.readStatus(s);
        }
        if (!ok) {
            linkFailed = true;
            showError(msg::Communication);
            return false;
        }
        if (!(s & st::Running)) return true;
        clock_.sleepMs(10);
    }
}

CEmulatorLink::HaltResult CEmulatorLink::halt() {
    if (!commandOnly(cmd::Halt, 0, 0)) return HaltResult::RequestFailed;
    clock_.sleepMs(200);
    std::uint8_t s = 0;
    if (!readStatus(s) || !(s & st::Running)) return HaltResult::Halted;
    return HaltResult::StillRunning;
}

int CEmulatorLink::chipCommand(std::uint8_t code, std::uint16_t value, std::uint16_t index,
                               const std::uint8_t *stage, unsigned timeoutMs) {
    int result;
    {
        std::lock_guard lock(exchange_);
        std::uint8_t buf[4] = {};
        if (stage) std::copy(stage, stage + 4, buf);
        if (!request(code, value, index, stage ? buf : nullptr, stage ? 4 : 0)) {
            result = -3;
        } else {
            result = waitChipStatusLocked(st::Finished, timeoutMs);
        }
    }
    if (result == -3) {
        linkFailed = true;
        showError(msg::Communication);
    }
    return result;
}

int CEmulatorLink::chipProgram(std::uint16_t address, const std::uint8_t *data, int count) {
    int result;
    {
        std::lock_guard lock(exchange_);
        std::uint8_t stage[4] = {std::uint8_t(address), std::uint8_t(address >> 8), 0, 0};
        if (!request(cmd::ChipProgram, std::uint16_t(count), 0, stage, 4)) result = -3;
        else if (!bulkWrite(data, count)) result = -4;
        else result = waitChipStatusLocked(st::Finished, 500);
    }
    if (result == -3) {
        linkFailed = true;
        showError(msg::Communication);
    }
    return result;
}

int CEmulatorLink::chipRead(std::uint16_t address, std::uint8_t *data, int count) {
    int result;
    {
        std::lock_guard lock(exchange_);
        std::uint8_t stage[4] = {std::uint8_t(address), std::uint8_t(address >> 8), 0, 0};
        if (!request(cmd::ChipRead, std::uint16_t(count), 0, stage, 4)) result = -3;
        else if ((result = waitChipStatusLocked(st::Finished, 500)) == 1 && !bulkRead(data, count)) result = -4;
    }
    if (result == -3) {
        linkFailed = true;
        showError(msg::Communication);
    }
    return result;
}

bool CEmulatorLink::connect(const TargetOptions &options, bool firstConnection) {
    connected_ = false;
    codeUses003B_ = false;
    {
        std::lock_guard lock(exchange_);
        if (usb_.IsOpen()) {
            request(cmd::EndLink, 0, 0);
            usb_.Close();
        }
    }
    if (!openTransport()) {
        showNotice(msg::NotDetected);
        return false;
    }
    emulatorId_.fill(0);
    {
        std::unique_lock lock(exchange_);
        if (!request(cmd::ReadId, 0, 0)) {
            lock.unlock();
            showError(msg::Communication);
            return false;
        }
        if (!bulkRead(emulatorId_.data(), 32)) return false;
    }
    connected_ = true;
    if (firstConnection && !options.toAdapter()) return true;

    // Adapter stage.
    Outcome present;
    {
        std::lock_guard lock(exchange_);
        if (!request(cmd::AdapterPresent, 0, 0)) present = Outcome::RequestFailed;
        else present = waitReadyLocked(st::Ready, 200) == Wait::Done ? Outcome::Ok : Outcome::WaitFailed;
    }
    if (present == Outcome::RequestFailed) {
        linkFailed = true;
        showError(msg::Communication);
        return false;
    }
    if (present != Outcome::Ok) {
        showNotice(msg::NoAdapter);
        return false;
    }

    adapterId_.fill(0);
    std::array<std::uint8_t, 32> block{};
    const Outcome id = exchangeRead(cmd::ReadAdapterId, 0, 0, block.data(), 32, st::DataReady, 50);
    if (id == Outcome::BulkFailed) return true;  // the adapter does not tell who it is; that is allowed
    if (id == Outcome::WaitFailed) {
        showError(msg::OperationFailed);
        return false;
    }
    if (id != Outcome::Ok) return applyReply(cmd::ReadAdapterId, id);
    adapterId_ = block;

    const Outcome init = exchangeWrite(cmd::InitAdapter, 0, 0, nullptr, 0, st::Finished, 15000);
    if (init == Outcome::WaitFailed) {
        showError(msg::AdapterInitFailed);
        return false;
    }
    return applyReply(cmd::InitAdapter, init);
}

void CEmulatorLink::close() {
    std::lock_guard lock(exchange_);
    if (usb_.IsOpen()) {
        request(cmd::EndLink, 0, 0);
        usb_.Close();
    }
    connected_ = false;
}

bool CEmulatorLink::readIdentification(std::array<std::uint8_t, 32> &block) {
    if (connected_) {
        block = emulatorId_;
        return true;
    }
    if (!openTransport()) return false;
    bool requested;
    {
        std::lock_guard lock(exchange_);
        requested = request(cmd::ReadId, 0, 0);
        if (requested) return bulkRead(block.data(), 32);
    }
    linkFailed = true;
    showError(msg::Communication);
    return false;
}

}  // namespace vantor::emx31
