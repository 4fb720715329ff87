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
WaitResult CEmulatorLink::waitReadyLocked(std::uint8_t mask, unsigned timeoutMs) {
    return channel_.waitStatus(mask, WaitBudget::deadline(timeoutMs, kPollPauseMs), clock_, Finish::Decides);
}

WaitResult CEmulatorLink::waitReady(std::uint8_t mask, unsigned timeoutMs) {
    std::lock_guard lock(exchange_);
    return waitReadyLocked(mask, timeoutMs);
}

namespace {
Fault faultOf(WaitResult w) {
    switch (w) {
    case WaitResult::Done: return Fault::None;
    case WaitResult::Failed: return Fault::Failed;
    case WaitResult::LinkError: return Fault::StatusRead;
    case WaitResult::NoAnswer: return Fault::NoAnswer;
    }
    return Fault::StatusRead;
}
}  // namespace

Fault CEmulatorLink::waitChipLocked(unsigned timeoutMs) {
    return faultOf(chipChannel_.waitStatus(st::Finished, WaitBudget::deadline(timeoutMs, kPollPauseMs), clock_));
}

WaitResult CEmulatorLink::waitChipStatus(unsigned timeoutMs) {
    std::lock_guard lock(exchange_);
    return chipChannel_.waitStatus(st::Finished, WaitBudget::deadline(timeoutMs, kPollPauseMs), clock_);
}

bool CEmulatorLink::bulkWrite(const std::uint8_t *data, int count) { return channel_.writeBlock(data, count); }

bool CEmulatorLink::bulkRead(std::uint8_t *data, int count) { return channel_.readBlock(data, count); }

Fault CEmulatorLink::exchangeWrite(std::uint8_t code, std::uint16_t value, std::uint16_t index,
                                   const std::uint8_t *data, int count, std::uint8_t mask, unsigned timeoutMs) {
    std::lock_guard lock(exchange_);
    if (!request(code, value, index)) return Fault::Request;
    if (count > 0 && !bulkWrite(data, count)) return Fault::Bulk;
    return faultOf(waitReadyLocked(mask, timeoutMs));
}

Fault CEmulatorLink::exchangeRead(std::uint8_t code, std::uint16_t value, std::uint16_t index, std::uint8_t *data,
                                  int count, std::uint8_t mask, unsigned timeoutMs) {
    std::lock_guard lock(exchange_);
    if (!request(code, value, index)) return Fault::Request;
    if (const Fault f = faultOf(waitReadyLocked(mask, timeoutMs)); f != Fault::None) return f;
    if (count > 0 && !bulkRead(data, count)) return Fault::Bulk;
    return Fault::None;
}

LinkResult CEmulatorLink::lost() {
    linkFailed = true;
    showError(msg::Communication);
    return {Fault::Request, true};
}

// The reply table, with its exceptions per command. Messages are shown after the transport
// has been given up, so a question never holds the other thread's halt back.
LinkResult CEmulatorLink::applyReply(std::uint8_t code, Fault fault) {
    switch (fault) {
    case Fault::None: return {};
    case Fault::Request:
    case Fault::StatusRead: return {fault, lost().shown};
    case Fault::NoAnswer:
        linkFailed = true;
        showError(msg::AdapterTimeout);
        return {fault, true};
    case Fault::Failed:
        if (code == cmd::WriteCode) showError(msg::AdapterWriteFailed);
        else if (code == cmd::WriteIdata) showError(msg::UserDataFailed);
        else if (code != cmd::WriteXdata && code != cmd::Step) showError(msg::OperationFailed);
        else return {fault, false};
        return {fault, true};
    case Fault::Bulk:
        if (code == cmd::ReadSfr || code == cmd::ReadIdata) return {fault, lost().shown};
        if (code != cmd::Step) return {fault, false};
        showError(msg::Communication);
        return {fault, true};
    }
    return {fault, false};
}

LinkResult CEmulatorLink::commandWrite(std::uint8_t code, std::uint16_t value, std::uint16_t index,
                                       const std::uint8_t *data, int count, std::uint8_t mask, unsigned timeoutMs) {
    return applyReply(code, exchangeWrite(code, value, index, data, count, mask, timeoutMs));
}

LinkResult CEmulatorLink::commandRead(std::uint8_t code, std::uint16_t value, std::uint16_t index, std::uint8_t *data,
                                      int count, std::uint8_t mask, unsigned timeoutMs) {
    return applyReply(code, exchangeRead(code, value, index, data, count, mask, timeoutMs));
}

LinkResult CEmulatorLink::commandOnly(std::uint8_t code, std::uint16_t value, std::uint16_t index) {
    bool ok;
    {
        std::lock_guard lock(exchange_);
        ok = request(code, value, index);
    }
    return ok ? LinkResult{} : lost();
}

std::optional<std::uint8_t> CEmulatorLink::setBreakpoint(std::uint16_t address) {
    std::uint8_t reply = 0;
    bool asked;
    {
        std::lock_guard lock(exchange_);
        asked = request(cmd::SetBreakpoint, 1, address, &reply, 1, UsbDirection::DeviceToHost);
    }
    // Without a reply the go cannot start; the user hears why once, like any lost request.
    if (!asked) {
        lost();
        return std::nullopt;
    }
    return reply;
}

LinkResult CEmulatorLink::run(std::uint16_t value, std::uint16_t stopAddress, const std::atomic<bool> &cancel) {
    // The stop request is looked at and the run sent in one exchange: a halt from the other
    // thread then comes either before (no run) or after the run has started (and ends it).
    {
        std::lock_guard lock(exchange_);
        if (cancel) return {};
        if (!request(cmd::Run, value, stopAddress)) return lost();
    }
    for (;;) {
        std::uint8_t s = 0;
        bool ok;
        {
            std::lock_guard lock(exchange_);
            ok = channel_.readStatus(s);
        }
        if (!ok) return {Fault::StatusRead, lost().shown};
        if (!(s & st::Running)) return {};
        clock_.sleepMs(10);
    }
}

LinkResult CEmulatorLink::halt() {
    if (const LinkResult sent = commandOnly(cmd::Halt, 0, 0); !sent) return sent;
    clock_.sleepMs(200);
    std::uint8_t s = 0;
    if (!readStatus(s) || !(s & st::Running)) return {};
    return {Fault::Failed, false};
}

LinkResult CEmulatorLink::chipCommand(std::uint8_t code, std::uint16_t value, std::uint16_t index, unsigned timeoutMs) {
    Fault f;
    {
        std::lock_guard lock(exchange_);
        f = request(code, value, index) ? waitChipLocked(timeoutMs) : Fault::Request;
    }
    return f == Fault::Request ? lost() : LinkResult{f, false};
}

LinkResult CEmulatorLink::chipProgram(std::uint16_t address, const std::uint8_t *data, int count) {
    Fault f;
    {
        std::lock_guard lock(exchange_);
        std::uint8_t stage[kChipStageSize] = {std::uint8_t(address), std::uint8_t(address >> 8), 0, 0};
        if (!request(cmd::ChipProgram, std::uint16_t(count), 0, stage, kChipStageSize)) f = Fault::Request;
        else if (!bulkWrite(data, count)) f = Fault::Bulk;
        else f = waitChipLocked(500);
    }
    return f == Fault::Request ? lost() : LinkResult{f, false};
}

LinkResult CEmulatorLink::chipRead(std::uint16_t address, std::uint8_t *data, int count) {
    Fault f;
    {
        std::lock_guard lock(exchange_);
        std::uint8_t stage[kChipStageSize] = {std::uint8_t(address), std::uint8_t(address >> 8), 0, 0};
        if (!request(cmd::ChipRead, std::uint16_t(count), 0, stage, kChipStageSize)) f = Fault::Request;
        else if ((f = waitChipLocked(500)) == Fault::None && !bulkRead(data, count)) f = Fault::Bulk;
    }
    return f == Fault::Request ? lost() : LinkResult{f, false};
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
        // A lost identification block fails the connection like a refused request, and says so.
        if (!request(cmd::ReadId, 0, 0) || !bulkRead(emulatorId_.data(), kIdentificationSize)) {
            lock.unlock();
            showError(msg::Communication);
            return false;
        }
    }
    connected_ = true;
    if (firstConnection && !options.toAdapter()) return true;

    // Adapter stage.
    WaitResult present;
    {
        std::lock_guard lock(exchange_);
        if (!request(cmd::AdapterPresent, 0, 0)) return lost().ok();
        present = waitReadyLocked(st::Ready, 200);
    }
    if (present != WaitResult::Done) {
        showNotice(msg::NoAdapter);
        return false;
    }

    adapterId_.fill(0);
    std::array<std::uint8_t, kIdentificationSize> block{};
    const Fault id = exchangeRead(cmd::ReadAdapterId, 0, 0, block.data(), kIdentificationSize, st::DataReady, 50);
    if (id == Fault::Bulk) return true;  // the adapter does not tell who it is; that is allowed
    if (id == Fault::Failed) {
        showError(msg::OperationFailed);
        return false;
    }
    if (id != Fault::None) return applyReply(cmd::ReadAdapterId, id).ok();
    adapterId_ = block;

    const Fault init = exchangeWrite(cmd::InitAdapter, 0, 0, nullptr, 0, st::Finished, 15000);
    if (init == Fault::Failed) {
        showError(msg::AdapterInitFailed);
        return false;
    }
    return applyReply(cmd::InitAdapter, init).ok();
}

void CEmulatorLink::close() {
    std::lock_guard lock(exchange_);
    if (usb_.IsOpen()) {
        request(cmd::EndLink, 0, 0);
        usb_.Close();
    }
    connected_ = false;
}

bool CEmulatorLink::readIdentification(std::array<std::uint8_t, kIdentificationSize> &block) {
    if (connected_) {
        block = emulatorId_;
        return true;
    }
    if (!openTransport()) return false;
    bool requested;
    {
        std::lock_guard lock(exchange_);
        requested = request(cmd::ReadId, 0, 0);
        if (requested) return bulkRead(block.data(), kIdentificationSize);
    }
    return lost().ok();
}

}  // namespace vantor::emx31
