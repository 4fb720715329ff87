#pragma once
#include <atomic>
#include <cstdint>

#include "core/Clock.h"
#include "usb/CUsbDevice.h"

namespace vantor {

// Outcome of waiting for a status bit.
enum class WaitResult {
    Done,       // the awaited bit came (with the success bit, when "finished" was awaited)
    Failed,     // "finished" came without the success bit
    LinkError,  // the status read itself failed
    NoAnswer,   // the budget ran out first
};

// How a device reports progress: the vendor IN request that reads its one status byte and
// which of its bits say "finished" and "finished successfully".
struct StatusRegister {
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
    std::uint8_t finishedBit = 0x02;
    std::uint8_t successBit = 0x04;
};

// How long a wait may last: a number of polls, a wall-clock deadline, or both (whichever
// ends first), with a pause between polls. A budget with neither limit polls once.
struct WaitBudget {
    int polls = 0;          // 0: not counted
    unsigned withinMs = 0;  // 0: no deadline
    unsigned pauseMs = 0;

    static constexpr WaitBudget pollCount(int n, unsigned pause = 1) { return {n, 0, pause}; }
    static constexpr WaitBudget deadline(unsigned ms, unsigned pause = 0) { return {0, ms, pause}; }
};

// Whether a status with the "finished" bit ends a wait for another bit: for a device that
// finishes a command with a failure instead of the awaited bit, waiting on would only turn the
// failure into a time-out.
enum class Finish { OnlyWhenAwaited, Decides };

// The exchange every device command is made of: a vendor request, optionally a bulk block,
// and a poll of the status byte. It knows nothing about operations or messages: every
// call answers what happened and the caller decides what the user is told.
//
// Transfers carry the session bound last (see CUsbDevice), so a channel whose device was
// closed and reopened under it is refused instead of talking to the new session.
class ExchangeChannel {
public:
    struct Endpoints {
        std::uint8_t out = 0x02;
        std::uint8_t in = 0x82;
        unsigned timeoutMs = 300;
    };

    ExchangeChannel(CUsbDevice &usb, StatusRegister status, Endpoints endpoints)
        : usb_(usb), status_(status), endpoints_(endpoints) {}

    CUsbDevice &usb() { return usb_; }
    // Takes the device's current session; call after opening it.
    void bindSession() { session_ = usb_.session(); }
    std::uint64_t session() const { return session_.load(); }

    // Vendor request; `data` carries `length` bytes out, or receives them for DeviceToHost.
    [[nodiscard]] bool request(std::uint8_t command, std::uint16_t value = 0, std::uint16_t index = 0,
                               std::uint8_t *data = nullptr, std::uint16_t length = 0,
                               UsbDirection direction = UsbDirection::HostToDevice);
    [[nodiscard]] bool readStatus(std::uint8_t &status);

    // Polls until a bit of `mask` is set. When `mask` holds the finished bit, a finish
    // without the success bit is Failed. Pauses go through `clock`, so tests run instantly.
    [[nodiscard]] WaitResult waitStatus(std::uint8_t mask, WaitBudget budget, Clock &clock,
                                        Finish finish = Finish::OnlyWhenAwaited);

    // One bulk block; a short transfer counts as a failure (the rest would be stale bytes).
    [[nodiscard]] bool writeBlock(const std::uint8_t *data, int n);
    [[nodiscard]] bool readBlock(std::uint8_t *data, int n);

private:
    CUsbDevice &usb_;
    StatusRegister status_;
    Endpoints endpoints_;
    std::atomic<std::uint64_t> session_{0};
};

}  // namespace vantor
