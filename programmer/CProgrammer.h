#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "core/Clock.h"
#include "core/Prompt.h"
#include "programmer/EngineSink.h"
#include "programmer/NoProgrammer.h"
#include "programmer/Operations.h"
#include "programmer/Options.h"

namespace vantor {

class DataBuffer;
struct DeviceRecord;

// Success and failure counts; they live in the application and survive between runs.
struct OperationCounters {
    std::atomic<int> CntSuccess{0};
    std::atomic<int> CntFailed{0};
};

// Who the connected programmer is; `known` is false without one.
struct ProgrammerIdentity {
    bool known = false;
    int model = 0;         // model code of the information block
    std::string firmware;  // "V1.23"
    std::string serial;    // eight digits
};

// What the engine needs from the application besides the device context.
struct EngineEnvironment {
    EngineSink *sink = nullptr;  // null: notices are dropped
    Clock *clock = nullptr;      // null: the system clock
    Prompt *prompt = nullptr;    // message boxes (UpgradeFirmware in disconnect mode)
    OperationCounters *counters = nullptr;
    const std::atomic<bool> *disconnectMode = nullptr;  // null: disconnect mode
};

// The operation engine: runs operations on a worker thread, one at a time, through the
// programmer interface, and tells the sink what happens. In disconnect mode, and in a plain
// CProgrammer, the run goes to NoProgrammer; CUsbProgrammer gives the engine its hardware.
class CProgrammer {
public:
    CProgrammer();
    virtual ~CProgrammer();
    CProgrammer(const CProgrammer &) = delete;
    CProgrammer &operator=(const CProgrammer &) = delete;

    void setEnvironment(const EngineEnvironment &env);
    // The device record is written by the read operations (fuse, lock, configuration bytes).
    void SetContext(DataBuffer *buffer, DeviceRecord *device, const OptionsRecord *options);

    // Refused (false) while an operation runs.
    bool StartOperation(Op op);
    bool StartAuto(const std::uint8_t items[16]);
    void Cancel() { cancel_ = true; }
    bool isBusy() const { return busy_.load(); }
    bool isCancelled() const { return cancel_.load(); }
    // Blocks until no worker thread is left (tests, shutdown). While it waits it lets the sink
    // run the notices queued for this thread, so the window thread may call it while a worker
    // is blocked in a notice to that very thread. Called on a worker thread (from inside a
    // notice) it refuses at once and answers false: a worker cannot wait for itself.
    bool waitIdle();
    bool waitIdleFor(unsigned ms);  // true when idle; pumps and refuses like waitIdle

    // The session with the programmer; without one nothing connects and nothing is there.
    virtual void Close() {}
    virtual bool Connect(int &model);
    virtual bool UpgradeFirmware(const std::uint8_t *image, std::size_t size);
    // The connected programmer's identity; none without hardware.
    virtual ProgrammerIdentity identity() const { return {}; }

    // Notices, for the operations and their overrides.
    void ShowStatus(int textId);
    void ShowStatus(std::string_view text);
    void ShowMessage(int resourceId, Colour colour, bool bold = false, int reserved = 0);
    void ShowMessage(std::string_view text, Colour colour, bool bold = false, int reserved = 0);
    void SetProgressRange(int steps);
    void StepProgress();

    // What the last identifier check read, for diagnostics after a run.
    struct IdCheck {
        bool read = false;  // the identifier was read
        bool matched = false;
        std::uint8_t id[4] = {};
    };
    IdCheck lastIdCheck() const {
        std::lock_guard lock(idMutex_);
        return idCheck_;
    }

    bool disconnectMode() const;
    const DeviceRecord *selectedDevice() const { return device; }
    Clock &clock() const { return env_.clock ? *env_.clock : SystemClock::instance(); }

    // In-progress and success texts of an operation (empty when it has none).
    static std::string_view progressText(Op op, bool simulated);
    static std::string_view successText(Op op, bool simulated);
    static std::string formatElapsed(std::uint64_t elapsedMs);

protected:
    const OptionsRecord *options = nullptr;
    MessageRecord message;
    std::string statusText;
    DataBuffer *buffer = nullptr;
    std::uint8_t autoItems[16] = {};
    Op operation = Op::Program;
    std::uint64_t startTimeMs = 0;
    DeviceRecord *device = nullptr;
    EngineEnvironment env_;

    // The programmer a connected run goes to.
    virtual Programmer &hardware() { return offline_; }
    // Stops the workers before a derived destructor tears down what they use.
    void shutdownWorkers();
    // The running operation wrote buffer bytes [first, last]; told to the sink once, at the end.
    void noteBufferWritten(std::uint32_t first, std::uint32_t last);

private:
    void singleWorker();
    void autoWorker();
    bool beginRun(Programmer &target);
    void endRun(bool result);
    StepResult checkDeviceId(Programmer &target);
    bool execute(Programmer &target, Op op);
    // Shows what a failed step carries (a lost link also stops the release) and answers
    // whether the step succeeded: the one place a run's failure is told.
    bool tell(const StepResult &result);
    bool claim();
    bool waitWorkers(std::chrono::steady_clock::time_point until);
    bool onWorkerThread() const;
    void launch(void (CProgrammer::*procedure)());
    void releaseAfterRun(Programmer &target, bool began, bool result);
    Programmer &target() { return disconnectMode() ? offline_ : hardware(); }

    NoProgrammer offline_{*this};
    // A failure when one of the operations would write configuration bytes that were never loaded.
    StepResult configurationWritable(const std::uint8_t *ops, int count) const;

    mutable std::mutex idMutex_;
    IdCheck idCheck_;
    std::atomic<bool> busy_{false};
    std::atomic<bool> linkFailed_{false};
    bool written_ = false;  // worker only
    std::uint32_t writtenFirst_ = 0, writtenLast_ = 0;
    std::atomic<bool> cancel_{false};
    std::mutex workersMutex_;
    std::condition_variable workersDone_;
    int liveWorkers_ = 0;
};

}  // namespace vantor
