#include "cli/ProgrammerRun.h"

#include <csignal>
#include <cstring>

#include "buffer/DataFile.h"
#include "core/LittleEndian.h"
#include "core/InfoSink.h"
#include "core/Prompt.h"
#include "core/SafeFile.h"
#include "core/StringTable.h"
#include "devices/DeviceLibrary.h"
#include "devices/DeviceTables.h"
#include "devices/MemoryLayout.h"
#include "programmer/CUsbProgrammer.h"
#include "programmer/ProgrammerModels.h"
#include "sim/tr600/VirtualChip.h"
#include "usb/PinnedBackend.h"

namespace vantor::cli {

namespace {

std::atomic<bool> gInterrupt{false};

struct DiscardInfo : InfoSink {
    void appendLine(std::string_view, Colour, bool) override {}
};
extern "C" void onInterruptSignal(int) { gInterrupt = true; }

bool includes(const std::vector<int> &ops, int op) {
    for (int o : ops)
        if (o == op) return true;
    return false;
}

}  // namespace

RunRequest OperationJob::request() const { return op < 0 ? RunRequest::autoList(items) : RunRequest::single(Op(op)); }

int exitCode(RunFailure failure) {
    switch (failure) {
    case RunFailure::None: return kExitSuccess;
    case RunFailure::Cancelled: return kExitCancelled;
    case RunFailure::Busy:
    case RunFailure::Failed: break;
    }
    return kExitFailed;
}

InterruptGuard::InterruptGuard() {
    gInterrupt = false;
    std::signal(SIGINT, onInterruptSignal);
}

InterruptGuard::~InterruptGuard() { std::signal(SIGINT, SIG_DFL); }

const std::atomic<bool> &InterruptGuard::flag() { return gInterrupt; }

std::vector<int> OperationJob::operations() const {
    if (op >= 0) return {op};
    std::vector<int> ops;
    for (int i = 0; i < 16 && items[i] != kEndOfList; ++i) ops.push_back(items[i]);
    return ops;
}

std::vector<AreaChecksum> areaChecksums(const DeviceRecord &device, const OptionsRecord &options,
                                        const DataBuffer &buffer) {
    std::vector<AreaChecksum> sums;
    for (int i = 0; i < kMaxAreas && device.memory_areas[i].size_bytes; ++i) {
        if (device.area_count > 1 && !(options.areaMask & (i == 0 ? 1u : 2u))) continue;
        const MemoryArea &a = device.memory_areas[i];
        AreaChecksum c;
        c.area = AreaName(device, i);
        c.first = a.buffer_start;
        c.last = a.buffer_start + a.size_bytes - 1;
        c.sum = bufferChecksum(buffer, c.first, c.last);
        sums.push_back(std::move(c));
    }
    return sums;
}

std::uint32_t imageChecksum(const DeviceRecord &device, const DataBuffer &buffer) {
    OptionsRecord all;
    all.areaMask = 3;
    std::uint32_t sum = 0;
    for (const auto &area : areaChecksums(device, all, buffer)) sum += area.sum;
    return sum;
}

std::vector<std::string> devicesWithIdentifier(const std::filesystem::path &libraryPath, const std::uint8_t id[3]) {
    std::vector<std::string> found;
    StreamPrompt prompt(stderr);
    DeviceLibrary library(prompt);
    library.setLibraryDirectory(libraryPath.parent_path());
    library.SetLibraryFile(libraryPath.filename().string());
    for (const DeviceRecord &r : library.LoadAllDevices())
        if (r.device_id[0] != 0 && std::memcmp(r.device_id, id, 3) == 0)
            found.push_back(std::string(r.vendor_name) + "/" + r.device_name);
    return found;
}

ProgrammerRun::ProgrammerRun(const CliContext &ctx, const OperationJob &job, ProgrammerSlot &slot,
                             std::shared_ptr<RunRecorder> recorder)
    : ctx_(ctx), job_(job), slot_(slot), device_(job.device), options_(job.options) {
    out_.record = std::move(recorder);
}

ProgrammerRun::~ProgrammerRun() = default;

bool ProgrammerRun::connect(std::optional<std::uint64_t> serialNumber, Terminal *terminal) {
    // Index -1: whichever programmer opens first, as the desktop program does.
    std::unique_ptr<UsbBackend> backend = slot_.makeBackend();
    if (slot_.index >= 0) backend = std::make_unique<PinnedBackend>(std::move(backend), slot_.index);
    const UsbBackend *where = backend.get();
    programmer_ = std::make_unique<CUsbProgrammer>(std::move(backend));
    int model = -1;
    if (!programmer_->Connect(model) || !isAcceptedModelCode(model)) {
        out_.problem = "no programmer found";
        const std::string why = programmer_->usb().openProblem();
        if (!why.empty()) out_.problem += ": " + why;
        out_.exitCode = kExitUsage;
        return false;
    }
    if (!identify(model, where, terminal)) return false;
    if (slot_.simulator)
        for (const sim::Fault &fault : slot_.operationFaults) slot_.simulator->injectFault(fault);
    if (terminal) terminal->plain(std::string("Device: ") + job_.device.vendor_name + " " + job_.device.device_name);
    prepareBuffer(serialNumber, terminal);
    ready_ = true;
    return true;
}

// Who answered; false when it is not the model the job's library is for.
bool ProgrammerRun::identify(int model, const UsbBackend *where, Terminal *terminal) {
    out_.connected = true;
    out_.serial = programmer_->SerialNumberText();
    out_.firmware = programmer_->FirmwareVersionText();
    out_.location = where ? where->location() : std::string();
    const ProgrammerModel *row = findModel(model);
    out_.model = row ? std::string(row->libraryFile.substr(0, row->libraryFile.find('.'))) : "unlisted";
    out_.modelText = row ? std::string(row->englishName) : "programmer without a library";
    if (job_.expectedModel != -1 && job_.expectedModel != model) {
        out_.problem = "the connected programmer is a " + out_.model + ", not a " + job_.modelName +
                       "; choose its library with --model";
        out_.exitCode = kExitUsage;
        programmer_->Close();
        return false;
    }
    if (terminal)
        terminal->plain(out_.modelText + (slot_.simulated ? " (simulated)" : "") + "  firmware " + out_.firmware +
                        "  serial " + out_.serial);
    return true;
}

void ProgrammerRun::prepareBuffer(std::optional<std::uint64_t> serialNumber, Terminal *terminal) {
    buffer_ = std::make_unique<DataBuffer>();
    if (job_.image) std::memcpy(buffer_->data(), job_.image->data(), DataBuffer::kSize);
    if (serialNumber && job_.serial) {
        std::uint8_t bytes[8];
        encodeSerial(*serialNumber, job_.serial->format, bytes);
        std::memcpy(buffer_->data() + job_.serial->address, bytes, std::size_t(serialWidth(job_.serial->format)));
        out_.serialNumber = serialNumber;
        if (terminal) terminal->plain("Serial number: " + std::to_string(*serialNumber));
    }
    // The record names the image as it goes into the chip, serial number included.
    if (job_.file) out_.programmedChecksum = imageChecksum(job_.device, *buffer_);
}

OperationRunner &ProgrammerRun::start() {
    prompt_ = std::make_unique<StreamPrompt>(stderr);
    runner_ = std::make_unique<OperationRunner>(
        *programmer_, EngineEnvironment{out_.record.get(), nullptr, prompt_.get(), &counters_, &disconnected_},
        buffer_.get(), &device_, &options_);
    runner_->start(job_.request());
    return *runner_;
}

RunOutcome &ProgrammerRun::finish(const OperationOutcome &outcome, Terminal *terminal) {
    if (!ready_) return out_;
    out_.exitCode = exitCode(outcome.failure);
    out_.cntSuccess = counters_.CntSuccess;
    out_.cntFailed = counters_.CntFailed;
    noteWhatWasRead();
    if (out_.exitCode == kExitSuccess && job_.output) saveOutput(terminal);
    if (out_.exitCode != kExitSuccess) {
        out_.problem = outcome.firstFailure;
        if (out_.problem.empty()) out_.problem = out_.exitCode == kExitCancelled ? "cancelled" : "failed";
    }
    programmer_->Close();
    keepSimulatedChip(terminal);
    return out_;
}

// The identifier read when it was not the device's; after a success, the bytes and checksums read.
void ProgrammerRun::noteWhatWasRead() {
    const CProgrammer::IdCheck id = programmer_->lastIdCheck();
    if (id.read && !id.matched) {
        out_.idMismatch = true;
        std::memcpy(out_.idRead.data(), id.id, 4);
        out_.idMatches = devicesWithIdentifier(ctx_.libDir / (job_.modelName + ".dev"), id.id);
    }
    if (out_.exitCode != kExitSuccess) return;
    const std::vector<int> ops = job_.operations();
    if (includes(ops, kOpReadFuse) || includes(ops, kOpReadLock) || includes(ops, kOpReadConfig))
        out_.bytesRead = programmer_->lastReadBytes();
    if (includes(ops, kOpRead)) out_.checksums = areaChecksums(device_, options_, *buffer_);
}

void ProgrammerRun::saveOutput(Terminal *terminal) {
    SaveSettings save;
    const auto sums = areaChecksums(device_, options_, *buffer_);
    if (!sums.empty()) {
        save.saveStart = sums.front().first;
        std::uint32_t end = 0;
        for (const auto &s : sums) end = std::max(end, s.last + 1);
        save.saveSize = end - save.saveStart;
    }
    save.format = formatForSave(*job_.output);
    DiscardInfo discard;
    std::unique_ptr<TerminalInfoSink> shown = terminal ? std::make_unique<TerminalInfoSink>(*terminal) : nullptr;
    InfoSink &info = shown ? static_cast<InfoSink &>(*shown) : discard;
    out_.saved = saveFile(*job_.output, *buffer_, save, info) == SaveStatus::Ok;
    if (!out_.saved) out_.exitCode = kExitFailed;
}

void ProgrammerRun::keepSimulatedChip(Terminal *terminal) {
    if (!slot_.chip || slot_.chipFile.empty()) return;
    if (const ReplaceResult kept = slot_.chip->save(slot_.chipFile); !kept) {
        if (terminal) std::fprintf(stderr, "vantor-cli: cannot keep the simulated chip: %s\n", kept.error.c_str());
        if (out_.exitCode == kExitSuccess) out_.exitCode = kExitFailed;
        out_.problem = "cannot keep the simulated chip: " + kept.error;
    }
}

RunOutcome runOnProgrammer(const CliContext &ctx, const OperationJob &job, ProgrammerSlot &slot,
                           std::shared_ptr<RunRecorder> recorder, const std::atomic<bool> &cancel,
                           std::optional<std::uint64_t> serialNumber, Terminal *terminal) {
    ProgrammerRun run(ctx, job, slot, std::move(recorder));
    if (!run.connect(serialNumber, terminal)) return run.outcome();
    const OperationOutcome outcome = run.start().wait(&cancel);
    return run.finish(outcome, terminal);
}

}  // namespace vantor::cli
