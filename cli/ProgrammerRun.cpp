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

RunRequest OperationJob::request() const {
    return op < 0 ? RunRequest::autoList(items) : RunRequest::single(Op(op));
}

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

RunOutcome runOnProgrammer(const CliContext &ctx, const OperationJob &job, ProgrammerSlot &slot,
                           std::shared_ptr<RunRecorder> recorder, const std::atomic<bool> &cancel,
                           std::optional<std::uint64_t> serialNumber, Terminal *terminal) {
    RunOutcome out;
    const std::vector<int> ops = job.operations();
    out.record = std::move(recorder);

    // Index -1: whichever programmer opens first, as the desktop program does.
    std::unique_ptr<UsbBackend> backend = slot.makeBackend();
    const UsbBackend *where = backend.get();
    if (slot.index >= 0) {
        backend = std::make_unique<PinnedBackend>(std::move(backend), slot.index);
        where = backend.get();
    }
    CUsbProgrammer programmer(std::move(backend));
    int model = -1;
    if (!programmer.Connect(model) || !isAcceptedModelCode(model)) {
        out.problem = "no programmer found";
        const std::string why = programmer.usb().openProblem();
        if (!why.empty()) out.problem += ": " + why;
        out.exitCode = kExitUsage;
        return out;
    }
    out.connected = true;
    out.serial = programmer.SerialNumberText();
    out.firmware = programmer.FirmwareVersionText();
    out.location = where ? where->location() : std::string();
    const ProgrammerModel *row = findModel(model);
    out.model = row ? std::string(row->libraryFile.substr(0, row->libraryFile.find('.'))) : "unlisted";
    out.modelText = row ? std::string(row->englishName) : "programmer without a library";
    if (job.expectedModel != -1 && job.expectedModel != model) {
        out.problem = "the connected programmer is a " + out.model + ", not a " + job.modelName +
                      "; choose its library with --model";
        out.exitCode = kExitUsage;
        programmer.Close();
        return out;
    }
    if (slot.simulator)
        for (const sim::Fault &fault : slot.operationFaults) slot.simulator->injectFault(fault);
    if (terminal) {
        terminal->plain(out.modelText + (slot.simulated ? " (simulated)" : "") + "  firmware " + out.firmware +
                        "  serial " + out.serial);
        terminal->plain(std::string("Device: ") + job.device.vendor_name + " " + job.device.device_name);
    }

    auto buffer = std::make_unique<DataBuffer>();
    if (job.image) std::memcpy(buffer->data(), job.image->data(), DataBuffer::kSize);
    if (serialNumber && job.serial) {
        std::uint8_t bytes[8];
        encodeSerial(*serialNumber, job.serial->format, bytes);
        std::memcpy(buffer->data() + job.serial->address, bytes, std::size_t(serialWidth(job.serial->format)));
        out.serialNumber = serialNumber;
        if (terminal) terminal->plain("Serial number: " + std::to_string(*serialNumber));
    }
    if (job.file) {
        // The record names the image as it goes into the chip, serial number included.
        out.programmedChecksum = imageChecksum(job.device, *buffer);
    }

    DeviceRecord device = job.device;  // the read operations write into it
    OptionsRecord options = job.options;
    OperationCounters counters;
    std::atomic<bool> disconnected{false};
    StreamPrompt prompt(stderr);
    OperationRunner runner(programmer, {out.record.get(), nullptr, &prompt, &counters, &disconnected}, buffer.get(),
                           &device, &options);
    out.exitCode = exitCode(runner.run(job.request(), &cancel).failure);
    out.cntSuccess = counters.CntSuccess;
    out.cntFailed = counters.CntFailed;

    const CProgrammer::IdCheck id = programmer.lastIdCheck();
    if (id.read && !id.matched) {
        out.idMismatch = true;
        std::memcpy(out.idRead.data(), id.id, 4);
        const std::filesystem::path library = ctx.libDir / (job.modelName + ".dev");
        out.idMatches = devicesWithIdentifier(library, id.id);
    }
    if (out.exitCode == kExitSuccess) {
        if (includes(ops, kOpReadFuse) || includes(ops, kOpReadLock) || includes(ops, kOpReadConfig))
            out.bytesRead = programmer.lastReadBytes();
        if (includes(ops, kOpRead)) out.checksums = areaChecksums(device, options, *buffer);
        if (job.output) {
            SaveSettings save;
            const auto sums = areaChecksums(device, options, *buffer);
            if (!sums.empty()) {
                save.saveStart = sums.front().first;
                std::uint32_t end = 0;
                for (const auto &s : sums) end = std::max(end, s.last + 1);
                save.saveSize = end - save.saveStart;
            }
            save.format = formatForSave(*job.output);
            if (terminal) {
                TerminalInfoSink info(*terminal);
                out.saved = saveFile(*job.output, *buffer, save, info) == SaveStatus::Ok;
            } else {
                DiscardInfo info;
                out.saved = saveFile(*job.output, *buffer, save, info) == SaveStatus::Ok;
            }
            if (!out.saved) out.exitCode = kExitFailed;
        }
    }
    if (out.exitCode != kExitSuccess) {
        out.problem = out.record->firstFailure();
        if (out.problem.empty()) out.problem = out.exitCode == kExitCancelled ? "cancelled" : "failed";
    }
    programmer.Close();
    if (slot.chip && !slot.chipFile.empty()) {
        if (const ReplaceResult kept = slot.chip->save(slot.chipFile); !kept) {
            if (terminal) std::fprintf(stderr, "vantor-cli: cannot keep the simulated chip: %s\n", kept.error.c_str());
            if (out.exitCode == kExitSuccess) out.exitCode = kExitFailed;
            out.problem = "cannot keep the simulated chip: " + kept.error;
        }
    }
    return out;
}

}  // namespace vantor::cli
