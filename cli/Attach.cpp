#include "cli/Attach.h"
#include "core/Numbers.h"

#include <filesystem>

#include "devices/ConfigFile.h"
#include "programmer/CUsbProgrammer.h"
#include "programmer/DeviceDefaults.h"
#include "programmer/ProgrammerModels.h"
#include "sim/tr600/FactoryChip.h"
#include "sim/tr600/SimulatedProgrammer.h"
#include "usb/PinnedBackend.h"

namespace vantor::cli {

namespace {

constexpr std::uint32_t kFirstSimulatedSerial = 20240917;

// "[N=]VENDOR/DEVICE" -> programmer number (0 = all) and device name.
std::pair<int, std::string> splitSocket(const std::string &text, int count) {
    const auto eq = text.find('=');
    if (eq == std::string::npos) return {0, text};
    const std::string number = text.substr(0, eq);
    int n = 0;
    for (char c : number) {
        if (c < '0' || c > '9' || n > 1000) throw UsageError("--sim-socket: expected [N=]VENDOR/DEVICE, not " + text);
        n = n * 10 + (c - '0');
    }
    if (number.empty() || n < 1 || n > count)
        throw UsageError("--sim-socket: programmer number " + number + " is not between 1 and " +
                         std::to_string(count));
    return {n, text.substr(eq + 1)};
}

// Which chip sits in which socket: --sim-socket's device, or none (the selected device).
std::vector<std::optional<DeviceRecord>> socketDevices(const CliContext &ctx, CliLibrary &lib, int count) {
    std::vector<std::optional<DeviceRecord>> sockets(static_cast<std::size_t>(count));
    for (const std::string &text : ctx.simSockets) {
        const auto [number, name] = splitSocket(text, count);
        DeviceRecord other;
        if (!lib.resolve(name, other)) throw UsageError("--sim-socket: no device " + name);
        StreamPrompt prompt(stderr);
        cfg::LoadConfigDefaults(ctx.libDir, other, prompt);
        for (int i = 0; i < count; ++i)
            if (number == 0 || number == i + 1) sockets[std::size_t(i)] = other;
    }
    return sockets;
}

// "--sim-fault [N:]FAULT": programmer N only (0: every one).
std::vector<std::pair<int, sim::Fault>> simulatorFaults(const CliContext &ctx, int count) {
    std::vector<std::pair<int, sim::Fault>> faults;
    for (const std::string &text : ctx.simFaults) {
        int number = 0;
        std::string_view rest = text;
        const auto colon = text.find(':');
        if (colon != std::string::npos && colon > 0 && text.find_first_not_of("0123456789") == colon) {
            const auto parsed = parseDecimal(text.substr(0, colon), std::uint64_t(count));
            number = parsed ? int(*parsed) : 0;
            rest.remove_prefix(colon + 1);
            if (number < 1)
                throw UsageError("--sim-fault: programmer number " + text.substr(0, colon) + " is not between 1 and " +
                                 std::to_string(count));
        }
        std::string error;
        const auto fault = sim::parseFault(rest, error);
        if (!fault) throw UsageError("--sim-fault: " + error);
        faults.emplace_back(number, *fault);
    }
    return faults;
}

// The chip of simulated programmer `i`: a factory-new one of the device it holds, or the one
// its file kept.
void insertChip(const CliContext &ctx, ProgrammerSlot &slot, const DeviceRecord *held, int i,
                const std::filesystem::path &chipDir) {
    if (held) {
        // A new chip carries its factory configuration, not the one about to be written.
        DeviceRecord factory = *held;
        if (const auto defaults = cfg::defaultConfiguration(ctx.libDir, factory))
            std::copy(defaults->begin(), defaults->end(), factory.config_data);
        slot.chip = sim::makeFactoryChip(factory, std::uint32_t(i));
    }
    if (ctx.simCount == 1) slot.chipFile = ctx.simChip;
    else if (!chipDir.empty()) slot.chipFile = chipDir / ("programmer-" + std::to_string(i + 1) + ".chip");
    std::error_code ec;
    const auto chipStatus = std::filesystem::status(slot.chipFile, ec);
    if (slot.chip && !slot.chipFile.empty() && std::filesystem::exists(chipStatus)) {
        if (!std::filesystem::is_regular_file(chipStatus))
            throw UsageError("--sim-chip: " + slot.chipFile.string() + " is not a regular file");
        if (!slot.chip->load(slot.chipFile)) throw UsageError(slot.chipFile.string() + " is not a simulated chip file");
    }
    if (slot.chip) slot.simulator->insertChip(slot.chip);
}

std::vector<ProgrammerSlot> usbSlots() {
    std::vector<ProgrammerSlot> slots;
    for (int i = 0; i < CUsbDevice::kIndexCount; ++i) {
        ProgrammerSlot slot;
        slot.index = i;
        slot.makeBackend = [] { return makeDefaultUsbBackend(); };
        slots.push_back(std::move(slot));
    }
    return slots;
}

}  // namespace

std::vector<ProgrammerSlot> programmerSlots(const CliContext &ctx, CliLibrary &lib, const DeviceRecord *device) {
    if (!ctx.simulate) return usbSlots();
    const int count = ctx.simCount;
    if (count < 1 || count > SimulatedBus::kPorts)
        throw UsageError("--sim-count takes 1.." + std::to_string(SimulatedBus::kPorts));
    const auto sockets = socketDevices(ctx, lib, count);
    std::filesystem::path chipDir;
    if (count > 1 && !ctx.simChip.empty()) {
        chipDir = ctx.simChip;
        std::error_code ec;
        std::filesystem::create_directories(chipDir, ec);
        if (!std::filesystem::is_directory(chipDir))
            throw UsageError("--sim-chip must name a directory with --sim-count: " + ctx.simChip);
    }
    const auto faults = simulatorFaults(ctx, count);
    const ProgrammerModel *model = findModelByName(lib.modelName());
    auto bus = std::make_shared<SimulatedBus>();
    std::vector<ProgrammerSlot> slots;
    for (int i = 0; i < count; ++i) {
        ProgrammerSlot slot;
        slot.index = i;
        slot.simulated = true;
        slot.simulator = std::make_shared<sim::Tr600Simulator>(model ? model->code : kModelTR610,
                                                               kFirstSimulatedSerial + std::uint32_t(i));
        bus->plug(i, slot.simulator);
        slot.makeBackend = [bus] { return std::make_unique<SimulatorBackend>(bus); };
        insertChip(ctx, slot, sockets[std::size_t(i)] ? &*sockets[std::size_t(i)] : device, i, chipDir);
        // A wrong model shows at the connect; every other fault is meant for the operation.
        for (const auto &[number, fault] : faults) {
            if (number != 0 && number != i + 1) continue;
            if (fault.kind == sim::FaultKind::WrongModelCode) slot.simulator->injectFault(fault);
            else slot.operationFaults.push_back(fault);
        }
        slots.push_back(std::move(slot));
    }
    return slots;
}

std::vector<ProgrammerInfo> probeProgrammers(std::vector<ProgrammerSlot> &slots) {
    std::vector<ProgrammerInfo> found;
    for (auto &slot : slots) {
        auto backend = std::make_unique<PinnedBackend>(slot.makeBackend(), slot.index);
        const PinnedBackend *pinned = backend.get();
        CUsbProgrammer programmer(std::move(backend));
        int model = -1;
        if (!programmer.Connect(model)) continue;
        ProgrammerInfo info;
        info.index = slot.index;
        info.modelCode = model;
        const ProgrammerModel *row = findModel(model);
        info.model = row ? std::string(row->libraryFile.substr(0, row->libraryFile.find('.'))) : "unlisted";
        info.modelText = row ? std::string(row->englishName) : "programmer without a library";
        info.serial = programmer.SerialNumberText();
        info.firmware = programmer.FirmwareVersionText();
        info.location = pinned->location();
        programmer.Close();
        found.push_back(std::move(info));
    }
    return found;
}

bool chooseSlot(const CliContext &ctx, std::vector<ProgrammerSlot> &slots, ProgrammerSlot &chosen) {
    if (!ctx.programmerSerial) {
        if (slots.empty()) return false;
        chosen = slots.front();
        // On USB the first programmer that opens, whatever its number.
        if (!chosen.simulated) chosen.index = -1;
        return true;
    }
    const auto found = probeProgrammers(slots);
    for (const auto &info : found)
        if (info.serial == *ctx.programmerSerial) {
            for (auto &slot : slots)
                if (slot.index == info.index) chosen = slot;
            return true;
        }
    std::string list;
    for (const auto &info : found) list += (list.empty() ? "" : ", ") + info.serial;
    std::fprintf(stderr, "vantor-cli: no programmer with serial number %s is attached (%s)\n",
                 ctx.programmerSerial->c_str(), list.empty() ? "none is" : ("attached: " + list).c_str());
    return false;
}

}  // namespace vantor::cli
