#pragma once
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/ArmedFaults.h"
#include "sim/emx31/Cpu8051.h"
#include "usb/Emx31Protocol.h"
#include "usb/SimulatorLink.h"

namespace vantor::emx31 {

// Failures the simulated emulator can be told to produce.
enum class Emx31FaultKind {
    RefuseRequest,         // the vendor request is stalled
    LoseBulk,              // the command's bulk data never moves (the host sees a time-out)
    StatusNeverComes,      // the awaited status bit is never raised
    FinishWithoutSuccess,  // "finished" without "successful"
    Unplug,                // the emulator is unplugged as the command arrives
};

struct Emx31Fault {
    Emx31FaultKind kind;
    int command = -1;         // command code it waits for; -1 = any command but the status reads
    int skip = 0;             // matching commands to let pass first
    bool persistent = false;  // stays armed after it has fired
};

// The EMX31 board: the device side of the emulator link, an 8051 core running the user
// program, the PRB31 debug adapter (present or not) and the flash of a target chip.
class Emx31Simulator : public SimulatedUsbDevice {
public:
    static constexpr std::uint16_t kMonitorStart = emx31::kMonitorStart;  // top 1 KiB holds the halt monitor
    static constexpr std::uint16_t kHaltVector = emx31::kHaltVector;

    explicit Emx31Simulator(bool adapter = true);
    ~Emx31Simulator() override;

    // The core; use it only while the program is not running.
    Cpu8051 &cpu() { return cpu_; }
    bool adapterPresent() const { return adapter_; }
    void setAdapter(bool present);
    void setBreakpointLimit(int limit);
    // Polls of the status byte the adapter initialisation takes.
    void setInitPolls(int polls);
    // Row of the chip table that sits in the target socket; -1 takes whatever the host names.
    void setTargetChip(int row);
    std::vector<std::uint8_t> flash() const;
    void setSerialNumber(std::uint32_t serial);
    void setFirmwareVersion(int major, int minor);

    void injectFault(const Emx31Fault &fault) { faults_.arm(fault); }
    void clearFaults() { faults_.clear(); }
    int faultsFired() const { return faults_.fired(); }
    void unplug();
    void replug();

    // Called at every status read (tests advance a fake clock with it).
    void setStatusHook(std::function<void()> hook);

    bool running() const { return running_; }
    // Commands received so far (status reads not included).
    std::vector<std::uint8_t> commands() const;
    std::vector<std::uint16_t> breakpoints() const;
    std::string serialOutput() const;
    int runsStarted() const { return runs_; }

    // SimulatedUsbDevice
    bool attached() const override { return attached_; }
    bool setConfiguration(int configuration) override { return configuration == 1; }
    bool claimInterface(int interfaceNumber) override { return interfaceNumber == 0; }
    bool vendorRequest(UsbDirection direction, std::uint8_t request, std::uint16_t value, std::uint16_t index,
                       std::uint8_t *data, std::uint16_t length) override;
    int bulkOut(std::uint8_t endpoint, const std::uint8_t *data, int size, unsigned timeoutMs) override;
    int bulkIn(std::uint8_t endpoint, std::uint8_t *data, int size, unsigned timeoutMs) override;

private:
    struct Expected {
        std::uint8_t command = 0;
        std::uint16_t value = 0;
        std::uint16_t index = 0;
        int count = 0;
    };

    // Arms the faults that fire for this command; true when the request is to be stalled.
    bool takeFaults(std::uint8_t request);
    void handle(std::uint8_t request, std::uint16_t value, std::uint16_t index, const std::uint8_t *data,
                std::uint16_t length);
    void handleBoard(std::uint8_t request);
    void handleMemory(std::uint8_t request, std::uint16_t value, std::uint16_t index);
    void handleExecution(std::uint8_t request, std::uint16_t value, std::uint16_t index);
    // The command's data follows on bulk OUT.
    void expectOut(std::uint8_t request, std::uint16_t value, std::uint16_t index, int count);
    void handleChip(std::uint8_t request, std::uint16_t value, std::uint16_t index, const std::uint8_t *data,
                    std::uint16_t length);
    void afterBulkOut(const Expected &e, const std::uint8_t *data);
    void done(bool ok);
    void dataReady(std::vector<std::uint8_t> bytes);
    void chipDone(bool ok);
    std::uint8_t base() const { return adapter_ ? 0x80 : 0x00; }
    void startRun(bool haltMechanism, std::uint16_t stopAddress);
    void stopRun(std::unique_lock<std::mutex> &lock);
    void runLoop();
    std::unique_lock<std::mutex> hostLock() const;
    std::array<std::uint8_t, kRegisterBlockSize> registerBlock() const;
    void setRegisterBlock(const std::uint8_t *block);

    mutable std::mutex mutex_;
    mutable std::atomic<int> hostWaiting_{0};
    Cpu8051 cpu_;
    std::atomic<bool> attached_{true};
    bool adapter_;
    bool adapterReady_ = false;
    int breakpointLimit_ = 8;
    int initPolls_ = 2;
    int targetChip_ = -1;
    int selectedChip_ = -1;
    std::vector<std::uint8_t> flash_;
    std::array<std::uint8_t, kIdentificationSize> id_{};

    std::uint8_t status_ = 0;
    std::uint8_t chipStatus_ = 0;
    int busyPolls_ = 0;
    std::uint8_t afterBusy_ = 0;
    std::vector<std::uint8_t> pendingIn_;
    bool haveExpected_ = false;
    Expected expected_;

    // faults of the command being carried out
    bool loseBulk_ = false;
    bool statusNeverComes_ = false;
    bool finishWithoutSuccess_ = false;
    sim::ArmedFaults<Emx31Fault> faults_;

    Breakpoints8051 breakpoints_;
    std::vector<std::uint16_t> breakpointList_;
    bool ranSinceBreakpoint_ = false;
    std::thread runner_;
    std::atomic<bool> running_{false};
    std::atomic<bool> stop_{false};
    bool haltArmed_ = false;
    std::uint16_t stopAddress_ = 0xFFFF;
    std::atomic<int> runs_{0};

    std::vector<std::uint8_t> log_;
    std::string serial_;
    std::function<void()> statusHook_;
};

// An EMX31 board on a bus of its own, for the driver's simulate mode and for tests.
struct SimulatedEmx31 {
    std::shared_ptr<SimulatedBus> bus;
    std::shared_ptr<Emx31Simulator> device;
    std::unique_ptr<UsbBackend> backend() const { return std::make_unique<SimulatorBackend>(bus); }
};
SimulatedEmx31 makeSimulatedEmx31(bool adapter = true);

}  // namespace vantor::emx31
