#pragma once
#include <cstdint>
#include <string>

namespace vantor {

enum class UsbDirection : std::uint8_t { HostToDevice, DeviceToHost };

// One way of reaching programmers: a USB library, a kernel driver, or the simulator link.
// CUsbDevice serialises open and close against transfers, so a backend never sees a
// transfer on a handle it has closed.
class UsbBackend {
public:
    virtual ~UsbBackend() = default;

    // Opens programmer number `index` (0 … 15), sets configuration 1 and claims interface 0.
    virtual bool openIndex(int index) = 0;
    virtual void close() = 0;

    // Vendor request to the device; false when it is refused or not carried out.
    virtual bool control(UsbDirection direction, std::uint8_t request, std::uint16_t value, std::uint16_t index,
                         std::uint8_t *data, std::uint16_t length, unsigned timeoutMs) = 0;

    // One bulk submission of at most 65536 bytes: the bytes moved, or -1 on failure or
    // time-out (a timed-out request is cancelled and finished before this returns).
    virtual int bulk(std::uint8_t endpoint, std::uint8_t *data, int size, unsigned timeoutMs) = 0;

    // Asks a transfer that is blocked right now to give up soon; called from another thread
    // just before close(). Backends whose transfers end by their time-out need nothing.
    virtual void interrupt() {}

    // Plain-words reason why the last open failed although a programmer is there
    // (for example missing permission); empty otherwise.
    virtual std::string openProblem() const { return {}; }

    // Where the open programmer sits ("bus 1 port 4.2"); empty when not known or not open.
    virtual std::string location() const { return {}; }
};

}  // namespace vantor
