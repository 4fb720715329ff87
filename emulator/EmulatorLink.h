#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "core/Clock.h"
#include "emulator/DriverTexts.h"
#include "emulator/TargetSettings.h"
#include "usb/CUsbDevice.h"
#include "usb/ExchangeChannel.h"

namespace vantor::emx31 {

// Command codes of the emulator.
namespace cmd {
inline constexpr std::uint8_t Status = 0, ReadId = 1, ReadAdapterId = 2, AdapterPresent = 3, EndLink = 4,
                              ResetTarget = 5, InitAdapter = 6, ReadSfr = 7, WriteSfr = 8, ReadRegs = 9,
                              WriteRegs = 10, WriteCode = 11, ReadCode = 12, WriteXdata = 13, ReadXdata = 14,
                              WriteIdata = 15, ReadIdata = 16, ReadPc = 17, SetPc = 18, Halt = 19, Run = 20,
                              Step = 21, SetBreakpoint = 22, ChipStatus = 0x81, ChipPrepare = 0x82,
                              ChipRelease = 0x83, ChipProgram = 0x88, ChipRead = 0x89, ChipErase = 0x8B;
}

// Status byte bits.
namespace st {
inline constexpr std::uint8_t Finished = 0x02, Success = 0x04, Running = 0x10, DataReady = 0x20, Ready = 0x80;
}

enum class Wait { LinkError = 0, TimedOut = 1, Done = 2, Failed = 3 };

// Result of one command exchange before the reply table is applied.
enum class Outcome { Ok, RequestFailed, WaitLinkError, WaitTimedOut, WaitFailed, BulkFailed };

class HostUi;

// The driver's one connection to the emulator. Exchanges are serialised: the halt sent from a
// second thread never interleaves with another thread's request, wait and bulk transfer, and
// the run poll gives the transport up between its status reads.
class CEmulatorLink {
public:
    static constexpr std::uint8_t kBulkOut = 0x02;
    static constexpr std::uint8_t kBulkIn = 0x82;
    static constexpr unsigned kBulkTimeoutMs = 300;

    CEmulatorLink(HostUi &ui, Clock &clock);
    ~CEmulatorLink();

    void setBackend(std::unique_ptr<UsbBackend> backend);
    HostUi &ui() { return ui_; }
    Clock &clock() { return clock_; }

    std::atomic<bool> linkFailed{false};
    bool connected() const { return connected_; }
    bool codeUses003B() const { return codeUses003B_; }
    void noteCodeUses003B() { codeUses003B_ = true; }
    const std::array<std::uint8_t, 32> &identification() const { return emulatorId_; }
    const std::array<std::uint8_t, 32> &adapterIdentification() const { return adapterId_; }

    // Connection handshake; `firstConnection` and the options choose whether the adapter stage runs.
    bool connect(const TargetOptions &options, bool firstConnection);
    void close();
    // The identification block for the settings dialog, or false when not available.
    bool readIdentification(std::array<std::uint8_t, 32> &block);

    // ---- primitives (each one exchange, serialised) ----
    Wait waitReady(std::uint8_t mask, unsigned timeoutMs);
    int waitChipStatus(std::uint8_t mask, unsigned timeoutMs);
    bool readStatus(std::uint8_t &status);

    // Out command without data stage, wait for `mask`; bulk OUT before the wait (write) or
    // bulk IN after it (read). Applies the reply table for `code`.
    bool commandWrite(std::uint8_t code, std::uint16_t value, std::uint16_t index, const std::uint8_t *data,
                      int count, std::uint8_t mask, unsigned timeoutMs);
    bool commandRead(std::uint8_t code, std::uint16_t value, std::uint16_t index, std::uint8_t *data, int count,
                     std::uint8_t mask, unsigned timeoutMs);
    // Request only (commands 18, 19, 20 without poll): a failed request shows 5027 and sets linkFailed.
    bool commandOnly(std::uint8_t code, std::uint16_t value, std::uint16_t index);
    // Command 22: the reply byte, or -1 when the request fails.
    int setBreakpoint(std::uint16_t address);
    // Command 20 and its poll every 10 ms while the program runs; nothing when `cancel` is set.
    // False when the request or a status read failed (linkFailed is set then).
    bool run(std::uint16_t value, std::uint16_t stopAddress, const std::atomic<bool> &cancel);
    // Command 19, 200 ms, one status read: true when the program is no longer running.
    enum class HaltResult { Halted, StillRunning, RequestFailed };
    HaltResult halt();

    // Chip commands: 1 when the chip status wait gave 1; otherwise that wait's result, or
    // -3 for a failed request (5027 shown, linkFailed set) or a failed bulk transfer (-4).
    int chipCommand(std::uint8_t code, std::uint16_t value, std::uint16_t index, const std::uint8_t *stage,
                    unsigned timeoutMs);
    int chipProgram(std::uint16_t address, const std::uint8_t *data, int count);
    int chipRead(std::uint16_t address, std::uint8_t *data, int count);

    void showError(const msg::Text &text);
    void showNotice(const msg::Text &text);

private:
    Outcome exchangeWrite(std::uint8_t code, std::uint16_t value, std::uint16_t index, const std::uint8_t *data,
                          int count, std::uint8_t mask, unsigned timeoutMs);
    Outcome exchangeRead(std::uint8_t code, std::uint16_t value, std::uint16_t index, std::uint8_t *data,
                         int count, std::uint8_t mask, unsigned timeoutMs);
    bool applyReply(std::uint8_t code, Outcome outcome);
    bool request(std::uint8_t code, std::uint16_t value, std::uint16_t index, std::uint8_t *data = nullptr,
                 std::uint16_t length = 0, UsbDirection dir = UsbDirection::HostToDevice);
    Wait waitReadyLocked(std::uint8_t mask, unsigned timeoutMs);
    int waitChipStatusLocked(std::uint8_t mask, unsigned timeoutMs);
    bool openTransport();
    bool bulkWrite(const std::uint8_t *data, int count);
    bool bulkRead(std::uint8_t *data, int count);

    HostUi &ui_;
    Clock &clock_;
    CUsbDevice usb_;
    // Requests, status reads and bulk blocks, bound to the session of the last open.
    ExchangeChannel channel_{usb_, StatusRegister{cmd::Status}, ExchangeChannel::Endpoints{kBulkOut, kBulkIn, kBulkTimeoutMs}};
    ExchangeChannel chipChannel_{usb_, StatusRegister{cmd::ChipStatus}, ExchangeChannel::Endpoints{kBulkOut, kBulkIn, kBulkTimeoutMs}};
    std::mutex exchange_;
    bool connected_ = false;
    bool codeUses003B_ = false;
    std::array<std::uint8_t, 32> emulatorId_{};
    std::array<std::uint8_t, 32> adapterId_{};
};

}  // namespace vantor::emx31
