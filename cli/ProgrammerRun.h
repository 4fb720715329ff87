#pragma once
// One operation (or Auto run) on one programmer: connect, prepare the buffer, run, and keep
// everything a report, a log line or a gang summary needs. The single-programmer commands
// and the gang command share it.
#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "buffer/DataBuffer.h"
#include "cli/CliContext.h"
#include "cli/RunRecord.h"
#include "core/HexText.h"
#include "core/SerialFormat.h"
#include "devices/DeviceRecord.h"
#include "programmer/OperationRunner.h"
#include "programmer/Options.h"
#include "sim/tr600/Tr600Simulator.h"
#include "usb/UsbBackend.h"

namespace vantor {
class CUsbProgrammer;
}  // namespace vantor

namespace vantor::cli {

// --serial-at/--serial-start/--serial-step/--serial-format.
struct SerialPlan {
    std::uint32_t address = 0;           // buffer address
    std::optional<std::uint64_t> start;  // none: continue from the number the settings remember
    std::uint64_t step = 1;
    SerialFormat format = SerialFormat::Le32;
    bool formatGiven = false;
    std::optional<std::string> pool;     // --serial-pool: numbers from the line's database
    std::optional<std::uint64_t> check;  // --serial-number: a verify compares with this one
};

// What the command line asked for, once parsed and checked; shared by every worker.
struct OperationJob {
    int op = -1;  // -1 = Auto
    std::string name;
    std::uint8_t items[16] = {};
    DeviceRecord device;
    OptionsRecord options;
    std::optional<std::string> file;
    std::optional<std::string> output;
    std::shared_ptr<const DataBuffer> image;  // the buffer after the file load
    std::uint32_t dataChecksum = 0;           // of the device's areas in `image`
    int expectedModel = -1;
    std::string modelName;  // "TR610"
    std::optional<SerialPlan> serial;
    std::vector<RecordedMessage> loadMessages;  // what loading the file said

    // The operations of the run, in order.
    std::vector<int> operations() const;
    RunRequest request() const;
};

// One programmer to run on.
struct ProgrammerSlot {
    int index = 0;  // number on its bus
    std::function<std::unique_ptr<UsbBackend>()> makeBackend;
    bool simulated = false;
    std::shared_ptr<sim::Tr600Simulator> simulator;
    std::shared_ptr<sim::VirtualChip> chip;
    std::filesystem::path chipFile;  // keeps the simulated chip between runs; empty = none
    // Faults meant for the operation: armed once the programmer is connected.
    std::vector<sim::Fault> operationFaults;
};

struct AreaChecksum {
    std::string area;
    std::uint32_t first = 0, last = 0, sum = 0;
};

struct RunOutcome {
    int exitCode = kExitFailed;
    bool connected = false;
    std::string model, modelText, serial, firmware, location;
    std::string problem;  // why the run did not get going, or the first failure text
    std::shared_ptr<RunRecorder> record;
    // Identifier check
    bool idMismatch = false;
    std::array<std::uint8_t, 4> idRead{};
    std::vector<std::string> idMatches;  // library devices with the identifier read
    // Bytes the fuse, lock or configuration read brought back
    std::optional<std::array<std::uint8_t, 16>> bytesRead;
    std::vector<AreaChecksum> checksums;  // of the areas read (read without -o)
    std::optional<std::uint64_t> serialNumber;
    std::optional<std::uint32_t> programmedChecksum;  // of the image written, serial number included
    bool saved = false;                               // -o written
    int cntSuccess = 0, cntFailed = 0;                // the engine's counters for this run
};

// One operation on one programmer in phases, so that a gang can start all its runs and wait
// for them in one loop (OperationRunner::waitAll): connect (and make this run's buffer), start
// through the OperationRunner, finish (what the run read, -o, the simulated chip kept).
class ProgrammerRun {
public:
    // `recorder` is made with job.operations() and passes the notices on.
    ProgrammerRun(const CliContext &ctx, const OperationJob &job, ProgrammerSlot &slot,
                  std::shared_ptr<RunRecorder> recorder);
    ~ProgrammerRun();
    ProgrammerRun(const ProgrammerRun &) = delete;
    ProgrammerRun &operator=(const ProgrammerRun &) = delete;

    // Connects to the slot's programmer and writes `serialNumber` into this run's copy of the
    // buffer. False when the run cannot go (the outcome says why). Lines go to `terminal`
    // (may be null).
    bool connect(std::optional<std::uint64_t> serialNumber, Terminal *terminal);
    // After a connect: starts the job's run; the runner is waited on by the caller.
    OperationRunner &start();
    // After the run ended with `outcome` (or a connect that failed: nothing more is done).
    RunOutcome &finish(const OperationOutcome &outcome, Terminal *terminal);
    RunOutcome &outcome() { return out_; }

private:
    bool identify(int model, const UsbBackend *where, Terminal *terminal);
    void prepareBuffer(std::optional<std::uint64_t> serialNumber, Terminal *terminal);
    void noteWhatWasRead();
    void saveOutput(Terminal *terminal);
    void keepSimulatedChip(Terminal *terminal);

    const CliContext &ctx_;
    const OperationJob &job_;
    ProgrammerSlot &slot_;
    RunOutcome out_;
    bool ready_ = false;  // connected to the programmer the job wants
    std::unique_ptr<DataBuffer> buffer_;
    DeviceRecord device_;  // the read operations write into it
    OptionsRecord options_;
    OperationCounters counters_;
    std::atomic<bool> disconnected_{false};
    std::unique_ptr<Prompt> prompt_;
    std::unique_ptr<OperationRunner> runner_;
    // Last: its workers use everything above until it is gone.
    std::unique_ptr<CUsbProgrammer> programmer_;
};

// Runs the job on the slot's programmer from connect to finish, waiting with `cancel`.
RunOutcome runOnProgrammer(const CliContext &ctx, const OperationJob &job, ProgrammerSlot &slot,
                           std::shared_ptr<RunRecorder> recorder, const std::atomic<bool> &cancel,
                           std::optional<std::uint64_t> serialNumber, Terminal *terminal);

// Library devices ("VENDOR/NAME") whose identifier starts with the three bytes given.
std::vector<std::string> devicesWithIdentifier(const std::filesystem::path &libraryPath, const std::uint8_t id[3]);

using vantor::hexBytes;

// The checksum of [first, last] of the device's areas, or of the areas the mask selects.
std::vector<AreaChecksum> areaChecksums(const DeviceRecord &device, const OptionsRecord &options,
                                        const DataBuffer &buffer);

// The sum of the checksums of all the device's areas (the data checksum of reports).
std::uint32_t imageChecksum(const DeviceRecord &device, const DataBuffer &buffer);

// The exit code of a run's outcome.
int exitCode(RunFailure failure);

// Sets a flag on Ctrl+C while alive.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    static const std::atomic<bool> &flag();
};

}  // namespace vantor::cli
