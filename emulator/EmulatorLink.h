#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "core/Clock.h"
#include "emulator/DriverTexts.h"
#include "emulator/TargetSettings.h"
#include "usb/CUsbDevice.h"
#include "usb/Emx31Protocol.h"
#include "usb/ExchangeChannel.h"

namespace vantor::emx31 {

// What an exchange with the emulator came to: the one result of the link's calls. A failure the
// link has told the user about (the reply table's message) says so, so no caller tells it again.
enum class Fault {
    None,
    Request,     // the vendor request failed: the link is lost
    StatusRead,  // a status read failed: the link is lost
    NoAnswer,    // the awaited status bit never came
    Failed,      // the emulator finished the command without success
    Bulk,        // the data block did not move
};

struct LinkResult {
    Fault fault = Fault::None;
    bool shown = false;  // the user has been told already

    explicit operator bool() const { return fault == Fault::None; }
    bool ok() const { return fault == Fault::None; }
};

class HostUi;

// The driver's one connection to the emulator. Exchanges are serialised: the halt sent from a
// second thread never interleaves with another thread's request, wait and bulk transfer, and
// the run poll gives the transport up between its status reads.
class CEmulatorLink {
public:
    // Pause between two status reads of a wait.
    static constexpr unsigned kPollPauseMs = 1;

    CEmulatorLink(HostUi &ui, Clock &clock);
    ~CEmulatorLink();

    void setBackend(std::unique_ptr<UsbBackend> backend);
    HostUi &ui() { return ui_; }
    Clock &clock() { return clock_; }

    std::atomic<bool> linkFailed{false};
    bool connected() const { return connected_; }
    bool codeUses003B() const { return codeUses003B_; }
    void noteCodeUses003B() { codeUses003B_ = true; }
    const std::array<std::uint8_t, kIdentificationSize> &identification() const { return emulatorId_; }
    const std::array<std::uint8_t, kIdentificationSize> &adapterIdentification() const { return adapterId_; }

    // Connection handshake; `firstConnection` and the options choose whether the adapter stage runs.
    bool connect(const TargetOptions &options, bool firstConnection);
    void close();
    // The identification block for the settings dialog, or false when not available.
    bool readIdentification(std::array<std::uint8_t, kIdentificationSize> &block);

    // ---- primitives (each one exchange, serialised) ----
    WaitResult waitReady(std::uint8_t mask, unsigned timeoutMs);
    WaitResult waitChipStatus(unsigned timeoutMs);
    bool readStatus(std::uint8_t &status);

    // Out command without data stage, wait for `mask`; bulk OUT before the wait (write) or
    // bulk IN after it (read). Applies the reply table for `code`.
    LinkResult commandWrite(std::uint8_t code, std::uint16_t value, std::uint16_t index, const std::uint8_t *data,
                            int count, std::uint8_t mask, unsigned timeoutMs);
    LinkResult commandRead(std::uint8_t code, std::uint16_t value, std::uint16_t index, std::uint8_t *data, int count,
                           std::uint8_t mask, unsigned timeoutMs);
    // Request only (commands 18, 19, 20 without poll): a failed request shows 5027 and sets linkFailed.
    LinkResult commandOnly(std::uint8_t code, std::uint16_t value, std::uint16_t index);
    // Command 22: the reply byte, or nothing when the request fails (shown once, linkFailed set).
    std::optional<std::uint8_t> setBreakpoint(std::uint16_t address);
    // Command 20 and its poll every 10 ms while the program runs; nothing when `cancel` is set.
    // Fails when the request or a status read failed (linkFailed is set then).
    LinkResult run(std::uint16_t value, std::uint16_t stopAddress, const std::atomic<bool> &cancel);
    // Command 19, 200 ms, one status read: Ok when the program is no longer running, Failed when
    // it still runs.
    LinkResult halt();

    // Chip commands and their chip status wait. Only a failed request is shown (5027, linkFailed).
    LinkResult chipCommand(std::uint8_t code, std::uint16_t value, std::uint16_t index, unsigned timeoutMs);
    LinkResult chipProgram(std::uint16_t address, const std::uint8_t *data, int count);
    LinkResult chipRead(std::uint16_t address, std::uint8_t *data, int count);

    void showError(const msg::Text &text);
    void showNotice(const msg::Text &text);

private:
    Fault exchangeWrite(std::uint8_t code, std::uint16_t value, std::uint16_t index, const std::uint8_t *data,
                        int count, std::uint8_t mask, unsigned timeoutMs);
    Fault exchangeRead(std::uint8_t code, std::uint16_t value, std::uint16_t index, std::uint8_t *data, int count,
                       std::uint8_t mask, unsigned timeoutMs);
    LinkResult applyReply(std::uint8_t code, Fault fault);
    // A failed request: the link is lost, and the user is told once.
    LinkResult lost();
    bool request(std::uint8_t code, std::uint16_t value, std::uint16_t index, std::uint8_t *data = nullptr,
                 std::uint16_t length = 0, UsbDirection dir = UsbDirection::HostToDevice);
    WaitResult waitReadyLocked(std::uint8_t mask, unsigned timeoutMs);
    Fault waitChipLocked(unsigned timeoutMs);
    bool openTransport();
    bool bulkWrite(const std::uint8_t *data, int count);
    bool bulkRead(std::uint8_t *data, int count);

    HostUi &ui_;
    Clock &clock_;
    CUsbDevice usb_;
    // Requests, status reads and bulk blocks, bound to the session of the last open.
    ExchangeChannel channel_{usb_, kStatusRegister, kEndpoints};
    ExchangeChannel chipChannel_{usb_, kChipStatusRegister, kEndpoints};
    std::mutex exchange_;
    bool connected_ = false;
    bool codeUses003B_ = false;
    std::array<std::uint8_t, kIdentificationSize> emulatorId_{};
    std::array<std::uint8_t, kIdentificationSize> adapterId_{};
};

}  // namespace vantor::emx31
