#include "usb/ExchangeChannel.h"

namespace vantor {

bool ExchangeChannel::request(std::uint8_t command, std::uint16_t value, std::uint16_t index, std::uint8_t *data,
                              std::uint16_t length, UsbDirection direction) {
    return usb_.ControlTransfer(direction, command, value, index, data, length, session());
}

bool ExchangeChannel::readStatus(std::uint8_t &status) {
    std::uint8_t byte = 0;
    if (!request(status_.request, status_.value, status_.index, &byte, 1, UsbDirection::DeviceToHost)) return false;
    status = byte;
    return true;
}

WaitResult ExchangeChannel::waitStatus(std::uint8_t mask, WaitBudget budget, Clock &clock, Finish finish) {
    const std::uint64_t deadline = clock.nowMs() + budget.withinMs;
    int counted = 0;
    for (;;) {
        std::uint8_t status = 0;
        if (!readStatus(status)) return WaitResult::LinkError;
        if (finish == Finish::Decides && (status & status_.finishedBit))
            return (status & status_.successBit) ? WaitResult::Done : WaitResult::Failed;
        if (status & mask) {
            if (!(mask & status_.finishedBit)) return WaitResult::Done;
            return (status & status_.successBit) ? WaitResult::Done : WaitResult::Failed;
        }
        ++counted;
        if (budget.pauseMs) clock.sleepMs(budget.pauseMs);
        if (budget.polls > 0 && counted >= budget.polls) return WaitResult::NoAnswer;
        if (budget.withinMs > 0 && clock.nowMs() > deadline) return WaitResult::NoAnswer;
        if (budget.polls <= 0 && budget.withinMs == 0) return WaitResult::NoAnswer;
    }
}

bool ExchangeChannel::writeBlock(const std::uint8_t *data, int n) {
    int moved = -1;
    return usb_.BulkWrite(endpoints_.out, data, n, endpoints_.timeoutMs, moved, session()) && moved == n;
}

bool ExchangeChannel::readBlock(std::uint8_t *data, int n) {
    int moved = -1;
    return usb_.BulkRead(endpoints_.in, data, n, endpoints_.timeoutMs, moved, session()) && moved == n;
}

}  // namespace vantor
