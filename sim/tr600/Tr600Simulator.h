#pragma once
#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/ArmedFaults.h"
#include "sim/tr600/VirtualChip.h"
#include "usb/SimulatorLink.h"
#include "usb/Tr600Protocol.h"

namespace vantor::sim {

// Failures the simulated programmer can be told to produce.
enum class FaultKind {
    RefuseControl,         // the vendor request is stalled
    LoseBulk,              // the command's bulk data never arrives (host sees a time-out)
    ShortBulk,             // the command's bulk IN gives half of what was asked for
    StatusNeverComes,      // the awaited status bit is never raised
    FinishWithoutSuccess,  // "finished" without "successful" (and no data ready)
    Unplug,                // the programmer is unplugged as the command arrives
    WrongModelCode,        // the information block names another model
    RegisterMismatch,      // a fuse, lock or configuration write keeps its first byte inverted
                           // (without a command: the next such write)
};

struct Fault {
    FaultKind kind;
    int command = -1;         // command code it waits for; -1 = any command but the status read
    int skip = 0;             // matching commands to let pass first
    bool persistent = false;  // stays armed after it has fired
};

// A fault from its text form "KIND[@COMMAND[+SKIP]][!]": KIND is one of faultKindNames(),
// COMMAND the hex code it waits for (any command when left out), SKIP how many matching
// commands pass first, "!" keeps it armed. Empty (and error set) for a bad text.
std::optional<Fault> parseFault(std::string_view text, std::string &error);
// The kinds' names in text form, in FaultKind order, separated by ", ".
std::string faultKindNames();

// How many status polls each kind of command keeps the programmer busy.
struct Tr600Timing {
    int initPolls = 3;
    int programBlockPolls = 1;
    int readBlockPolls = 1;
    int erasePolls = 20;
    int otherPolls = 1;
    unsigned bulkDelayUs = 0;  // real time a bulk transfer takes inside the programmer
};

// One command as the programmer received it.
struct ReceivedCommand {
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
    std::vector<std::uint8_t> data;
    int statusPolls = 0;  // status reads while this was the latest command
};

// The device side of the TR600 programmer protocol, with a virtual chip in its socket.
class Tr600Simulator : public SimulatedUsbDevice {
public:
    static constexpr std::uint8_t kEndpointOut = tr600::kBulkOut;
    static constexpr std::uint8_t kEndpointIn = tr600::kBulkIn;

    explicit Tr600Simulator(int modelCode = 0x83, std::uint32_t serialNumber = 20240917);

    void insertChip(std::shared_ptr<VirtualChip> chip);
    std::shared_ptr<VirtualChip> chip() const;
    void setTiming(const Tr600Timing &timing);
    void setFirmwareVersion(int major, int minor, int revision);

    void injectFault(const Fault &fault) { faults_.arm(fault); }
    void clearFaults() { faults_.clear(); }
    int faultsFired() const { return faults_.fired(); }

    void unplug();
    void replug();

    // What the host sent so far (status reads are counted, not kept).
    std::vector<ReceivedCommand> commands() const;
    int statusReads() const;
    void clearLog();
    bool isInitialised() const;

    // SimulatedUsbDevice
    bool attached() const override;
    bool setConfiguration(int configuration) override;
    bool claimInterface(int interfaceNumber) override;
    bool vendorRequest(UsbDirection direction, std::uint8_t request, std::uint16_t value, std::uint16_t index,
                       std::uint8_t *data, std::uint16_t length) override;
    int bulkOut(std::uint8_t endpoint, const std::uint8_t *data, int size, unsigned timeoutMs) override;
    int bulkIn(std::uint8_t endpoint, std::uint8_t *data, int size, unsigned timeoutMs) override;
    void interrupt() override;

private:
    struct Expected {
        std::uint8_t command = 0;
        int area = 0;
        std::uint32_t offset = 0;
        int size = 0;
    };

    // Faults that fire for this command, by kind; `transferPhase`: bulk faults armed for any
    // command, once the command has set up a data transfer.
    std::vector<FaultKind> takeFaults(std::uint8_t request, bool transferPhase);
    void handleCommand(std::uint8_t request, std::uint16_t value, std::uint16_t index, const std::uint8_t *data,
                       std::uint16_t length);
    std::vector<std::uint8_t> infoBlock() const;
    void sessionCommand(std::uint8_t request, std::uint16_t index, std::uint16_t length);
    void blockCommand(std::uint8_t request, std::uint16_t value, std::uint16_t index, const std::uint8_t *data,
                      std::uint16_t length);
    void chipCommand(std::uint8_t request, std::uint16_t value, const std::uint8_t *data, std::uint16_t length);
    void finish(bool ok, int polls);
    void dataReady(std::vector<std::uint8_t> bytes, int polls);
    std::uint8_t pollStatus();
    bool delayBulk(std::unique_lock<std::mutex> &lock);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool attached_ = true;
    bool configured_ = true;  // enumeration leaves configuration 1 active
    bool interrupted_ = false;
    int model_;
    std::uint32_t serial_;
    std::array<std::uint8_t, 3> firmware_{1, 0x23, 0};
    Tr600Timing timing_;
    std::shared_ptr<VirtualChip> chip_;

    bool initialised_ = false;
    bool programBegun_ = false;
    bool readBegun_ = false;
    std::uint8_t status_ = 0;
    int busyPolls_ = 0;
    std::vector<std::uint8_t> pendingIn_;
    std::optional<Expected> expectOut_;

    // Faults of the command being carried out.
    bool suppressStatus_ = false;
    bool failStatus_ = false;
    bool loseBulk_ = false;
    bool shortBulk_ = false;
    bool wrongModel_ = false;
    bool registerMismatch_ = false;

    ArmedFaults<Fault> faults_;
    std::vector<ReceivedCommand> log_;
    int statusReads_ = 0;
};

}  // namespace vantor::sim
