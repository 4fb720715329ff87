#pragma once
// One programmer of several: index 0 of this backend is index `index` of the one it wraps,
// so code that opens "the first programmer" talks to the one chosen.
#include <memory>

#include "usb/UsbBackend.h"

namespace vantor {

class PinnedBackend : public UsbBackend {
public:
    PinnedBackend(std::unique_ptr<UsbBackend> inner, int index) : inner_(std::move(inner)), index_(index) {}
    bool openIndex(int index) override { return index == 0 && inner_ && inner_->openIndex(index_); }
    void close() override {
        if (inner_) inner_->close();
    }
    bool control(UsbDirection direction, std::uint8_t request, std::uint16_t value, std::uint16_t index,
                 std::uint8_t *data, std::uint16_t length, unsigned timeoutMs) override {
        return inner_->control(direction, request, value, index, data, length, timeoutMs);
    }
    int bulk(std::uint8_t endpoint, std::uint8_t *data, int size, unsigned timeoutMs) override {
        return inner_->bulk(endpoint, data, size, timeoutMs);
    }
    void interrupt() override { inner_->interrupt(); }
    std::string openProblem() const override { return inner_->openProblem(); }
    std::string location() const override { return inner_->location(); }
    int index() const { return index_; }

private:
    std::unique_ptr<UsbBackend> inner_;
    int index_;
};

}  // namespace vantor
