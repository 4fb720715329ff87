// Operations on a programmer: real hardware, or the built-in simulator with --simulate.
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "buffer/DataBuffer.h"
#include "buffer/DataFile.h"
#include "cli/CliSettings.h"
#include "cli/ConnectedOperation.h"
#include "cli/DeviceLookup.h"
#include "cli/DeviceSettings.h"
#include "cli/OperationCommand.h"
#include "core/Profile.h"
#include "core/StringTable.h"
#include "devices/DeviceTables.h"
#include "programmer/Application.h"
#include "programmer/CUsbProgrammer.h"
#include "programmer/ProgrammerModels.h"
#include "sim/tr600/SimulatedProgrammer.h"

namespace vantor::cli {

namespace {

FileFormat parseFormat(const std::string &name) {
    if (name == "bin") return FileFormat::Binary;
    if (name == "hex") return FileFormat::IntelHex;
    if (name == "s") return FileFormat::Motorola;
    if (name == "tek") return FileFormat::Tektronix;
    if (name == "xtek") return FileFormat::ExtTektronix;
    throw UsageError("--from: unknown format " + name + " (bin, hex, s, tek or xtek)");
}

UnusedByteMode parseFill(const std::string &text) {
    if (text == "ff") return UnusedByteMode::FillFF;
    if (text == "00") return UnusedByteMode::Fill00;
    if (text == "keep") return UnusedByteMode::Ignore;
    throw UsageError("--fill: expected ff, 00 or keep, not " + text);
}

// "--config 11,22,33", "--config 112233" or several words: up to 48 bytes, the rest stay 0.
void parseConfig(const std::vector<std::string> &words, std::uint8_t out[kConfigDataSize]) {
    std::string digits;
    for (const std::string &w : words)
        for (std::size_t i = 0; i < w.size(); ++i) {
            const char c = w[i];
            if (c == ',' || c == ' ' || c == ':') {
                if (digits.size() % 2) digits.insert(digits.size() - 1, "0");  // "1,22" = 01 22
                continue;
            }
            if (c == '0' && i + 1 < w.size() && (w[i + 1] == 'x' || w[i + 1] == 'X')) {
                ++i;
                continue;
            }
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                throw UsageError("--config: not a hexadecimal byte list: " + w);
            digits += c;
        }
    if (digits.size() % 2) digits.insert(digits.size() - 1, "0");
    if (digits.empty()) throw UsageError("--config needs the configuration bytes in hex");
    if (digits.size() / 2 > std::size_t(kConfigDataSize))
        throw UsageError("--config: at most 48 bytes");
    std::memset(out, 0, kConfigDataSize);
    for (std::size_t i = 0; i < digits.size() / 2; ++i)
        out[i] = std::uint8_t(std::stoul(digits.substr(2 * i, 2), nullptr, 16));
}

bool needsFile(int op, const std::uint8_t items[16]) {
    if (op == kOpProgram || op == kOpVerify) return true;
    if (op >= 0) return false;
    for (int i = 0; i < 16 && items[i] != kEndOfList; ++i)
        if (items[i] == kOpProgram || items[i] == kOpVerify) return true;
    return false;
}

bool reads(int op, const std::uint8_t items[16]) {
    if (op == kOpRead) return true;
    if (op >= 0) return false;
    for (int i = 0; i < 16 && items[i] != kEndOfList; ++i)
        if (items[i] == kOpRead) return true;
    return false;
}

std::string hexBytes(const std::uint8_t *p, int n) {
    std::string s;
    char b[4];
    for (int i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, i ? " %2.2X" : "%2.2X", p[i]);
        s += b;
    }
    return s;
}

// The buffer range that holds the areas the operation handled.
bool readRange(const DeviceRecord &device, const OptionsRecord &options, std::uint32_t &start, std::uint32_t &end) {
    bool any = false;
    for (int i = 0; i < 4 && device.memory_areas[i].size_bytes; ++i) {
        if (device.area_count > 1 && !(options.areaMask & (i == 0 ? 1u : 2u))) continue;
        const auto &a = device.memory_areas[i];
        if (!any || a.buffer_start < start) start = a.buffer_start;
        if (!any || a.buffer_start + a.size_bytes > end) end = a.buffer_start + a.size_bytes;
        any = true;
    }
    return any;
}

// A file the run will write must be writable before the chip is touched, or what was read
// (or the chip's new state) would be lost at the end.
void checkWritable(const std::string &path, std::string_view option) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (fs::is_directory(status)) throw UsageError(std::string(option) + ": " + path + " is a directory");
    // A FIFO or a device is written into directly.
    if (fs::exists(status) && !fs::is_regular_file(status)) return;
    fs::path dir = fs::path(path).parent_path();
    if (dir.empty()) dir = ".";
    if (!fs::is_directory(dir, ec)) throw UsageError(std::string(option) + ": no directory " + dir.string());
    if (::access(dir.c_str(), W_OK | X_OK) != 0)
        throw UsageError(std::string(option) + ": cannot write in " + dir.string() + ": " + std::strerror(errno));
}

}  // namespace

namespace {

// Everything the command line asked for, checked before anything touches a chip.
struct ConnectedRequest {
    int op = 0;
    std::uint8_t items[16];
    std::optional<std::string> itemsText;
    LoadSettings load;
    std::optional<std::string> file, output, area, loadOption;
    OptionsRecord options;
    std::optional<std::vector<std::string>> config;
    std::vector<sim::Fault> faults;
};

// The programmer the run talks to, with the simulator behind it when asked for.
struct ConnectedRig {
    std::optional<sim::SimulatedProgrammer> simulated;
    std::shared_ptr<sim::VirtualChip> chip;
};

ConnectedRequest parseRequest(int op, const std::optional<std::string> &itemsText, Args args) {
    ConnectedRequest req;
    req.op = op;
    req.itemsText = itemsText;
    std::memset(req.items, kEndOfList, sizeof req.items);
    if (itemsText) parseAutoItems(*itemsText, req.items);
    req.file = takeOption(args, "--file", "-f");
    req.output = takeOption(args, "--output", "-o");
    // The first option that only a -f FILE uses.
    auto note = [&](const char *name, const std::optional<std::string> &v) {
        if (v && !req.loadOption) req.loadOption = name;
        return v;
    };
    if (auto v = note("--from", takeOption(args, "--from"))) req.load.format = parseFormat(*v);
    else if (req.file) req.load.format = formatForLoad(*req.file);
    if (auto v = note("--file-start", takeOption(args, "--file-start")))
        req.load.loadFileStart = parseHex(*v, "--file-start");
    if (auto v = note("--buffer-start", takeOption(args, "--buffer-start")))
        req.load.loadBufferStart = parseHex(*v, "--buffer-start");
    if (auto v = note("--fill", takeOption(args, "--fill"))) req.load.unusedByteMode = parseFill(*v);
    req.options.IngoreFFH = 0;  // the command line programs whole areas unless told otherwise
    req.area = takeOption(args, "--area");
    if (const auto &v = req.area) {
        if (*v != "1" && *v != "2" && *v != "3") throw UsageError("--area: expected 1, 2 or 3");
        req.options.areaMask = std::uint32_t(std::stoi(*v));
    }
    if (takeFlag(args, "--ignore-ff")) req.options.IngoreFFH = 1;
    if (takeFlag(args, "--no-id-check")) req.options.ChkDevID = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--config" && args[i].rfind("--config=", 0) != 0) continue;
        std::vector<std::string> words;
        std::size_t j = i + 1;
        if (args[i].size() > 9) words.push_back(args[i].substr(9));
        for (; j < args.size() && !(args[j].size() > 1 && args[j][0] == '-'); ++j) words.push_back(args[j]);
        args.erase(args.begin() + long(i), args.begin() + long(j));
        req.config = std::move(words);
        break;
    }
    if (!args.empty()) throw UsageError("unexpected argument: " + args.front());
    if (op >= 0 && itemsText) throw UsageError("--items only goes with auto");
    return req;
}

// Checks that need the device record; fills in what comes from it. kExitSuccess to go on.
int checkRequest(CliContext &ctx, ConnectedRequest &req, DeviceRecord &device) {
    // The device as the desktop program would select it: remembered configuration bytes, Auto
    // list and program range (or its defaults); what the command line names wins.
    std::uint8_t remembered[16];
    std::uint32_t rememberedMask = req.options.areaMask;
    restoreDeviceSettings(ctx, device, remembered, rememberedMask);
    if (!req.area) req.options.areaMask = rememberedMask;
    if (req.config) parseConfig(*req.config, device.config_data);
    if (req.op < 0 && !req.itemsText) std::memcpy(req.items, remembered, sizeof req.items);

    const bool fileNeeded = needsFile(req.op, req.items);
    if (fileNeeded && !req.file) throw UsageError("this operation compares or writes data: give it -f FILE");
    if (req.file && !fileNeeded) throw UsageError("-f FILE only goes with program, verify or auto with either");
    if (req.loadOption && !req.file) throw UsageError(*req.loadOption + " only goes with -f FILE");
    if (req.output && !reads(req.op, req.items)) throw UsageError("-o FILE only goes with read (or auto with read)");
    if (req.load.loadBufferStart >= DataBuffer::kSize) throw UsageError("--buffer-start must be below 800000");
    if (req.area && device.area_count < 2 && (req.options.areaMask & 2))
        throw UsageError(std::string("--area ") + *req.area + ": " + device.device_name +
                         " has no second memory area");
    if (req.output) {
        if (formatForSave(*req.output) == FileFormat::Pof) throw UsageError("cannot save in POF format: " + *req.output);
        checkWritable(*req.output, "-o");
    }
    if (!ctx.simChip.empty()) checkWritable(ctx.simChip, "--sim-chip");
    // The Load File dialog refuses a buffer start past the device's top the same way.
    if (req.file && req.load.loadBufferStart > device.top_address) {
        std::fprintf(stderr, "vantor-cli: %s\n", std::string(loadString(sid::BufferAddressOutOfRange)).c_str());
        return kExitUsage;
    }
    for (const std::string &text : ctx.simFaults) {
        std::string error;
        const auto fault = sim::parseFault(text, error);
        if (!fault) throw UsageError("--sim-fault: " + error);
        req.faults.push_back(*fault);
    }
    return kExitSuccess;
}

// The simulator on a bus of its own (with the chip file loaded), or nothing: USB then.
int buildSimulator(CliContext &ctx, const ConnectedRequest &req, const DeviceRecord &device, int modelCode,
                   ConnectedRig &rig) {
    if (!ctx.simulate) return kExitSuccess;
    rig.simulated = sim::makeSimulatedProgrammer(modelCode);
    rig.chip = std::make_shared<sim::VirtualChip>(sim::ChipSpec::fromDevice(device));
    std::error_code ec;
    const auto chipStatus = std::filesystem::status(ctx.simChip, ec);
    if (!ctx.simChip.empty() && std::filesystem::exists(chipStatus)) {
        if (!std::filesystem::is_regular_file(chipStatus)) {
            std::fprintf(stderr, "vantor-cli: --sim-chip: %s is not a regular file\n", ctx.simChip.c_str());
            return kExitUsage;
        }
        if (!rig.chip->load(ctx.simChip)) {
            std::fprintf(stderr, "vantor-cli: %s is not a simulated chip file\n", ctx.simChip.c_str());
            return kExitUsage;
        }
    }
    rig.simulated->device->insertChip(rig.chip);
    // A wrong model shows at the connect; every other fault is meant for the operation.
    for (const sim::Fault &fault : req.faults)
        if (fault.kind == sim::FaultKind::WrongModelCode) rig.simulated->device->injectFault(fault);
    return kExitSuccess;
}

// Connects and checks that the programmer found is the model whose library was chosen.
int connectProgrammer(CliContext &ctx, Application &app, CliLibrary &lib, const ProgrammerModel *expected,
                      const ConnectedRequest &req, const ConnectedRig &rig, const DeviceRecord &device) {
    const int model = app.ConnectAtStartup();
    auto *programmer = static_cast<CUsbProgrammer *>(app.programmer());
    if (model == -1) {
        std::fprintf(stderr, "vantor-cli: no programmer found");
        const std::string why = programmer->usb().openProblem();
        if (!why.empty()) std::fprintf(stderr, ": %s", why.c_str());
        std::fprintf(stderr, "\n(connect a TR600 programmer, or use --simulate or --disconnect)\n");
        return kExitUsage;
    }
    app.SelectModel(model, true);
    if (rig.simulated)
        for (const sim::Fault &fault : req.faults)
            if (fault.kind != sim::FaultKind::WrongModelCode) rig.simulated->device->injectFault(fault);
    if (expected && expected->code != model) {
        const ProgrammerModel *found = findModel(model);
        std::fprintf(stderr, "vantor-cli: the connected programmer is a %s, not a %s; choose its library with --model\n",
                     found ? std::string(found->libraryFile.substr(0, found->libraryFile.find('.'))).c_str()
                           : "model without a library",
                     lib.modelName().c_str());
        return kExitUsage;
    }
    const ProgrammerIdentity id = programmer->identity();
    ctx.terminal->plain(app.ModelText(model) + (rig.simulated ? " (simulated)" : "") + "  firmware " + id.firmware +
                        "  serial " + id.serial);
    ctx.terminal->plain(std::string("Device: ") + device.vendor_name + " " + device.device_name);
    app.RememberDevice(device.vendor_index, device.device_name);
    return kExitSuccess;
}

// Starts the operation and waits for its result.
int runOnProgrammer(CliContext &ctx, Application &app, ConnectedRequest &req, DeviceRecord &device,
                    DataBuffer &buffer) {
    auto *programmer = static_cast<CUsbProgrammer *>(app.programmer());
    TerminalEngineSink sink(*ctx.terminal);
    StreamPrompt prompt(stderr);
    programmer->setEnvironment({&sink, nullptr, &prompt, &app.counters, &app.disconnectMode});
    programmer->SetContext(&buffer, &device, &req.options);
    const bool started = req.op < 0 ? programmer->StartAuto(req.items) : programmer->StartOperation(req.op);
    int status = started ? waitForResult(*programmer, sink) : kExitFailed;
    if (status == kExitSuccess && (req.op == kOpReadFuse || req.op == kOpReadLock || req.op == kOpReadConfig))
        ctx.terminal->plain("Bytes read: " + hexBytes(programmer->lastReadBytes().data(), 16));
    return status;
}

// What a run leaves behind: the output file of a read and the simulated chip.
int saveResults(CliContext &ctx, const ConnectedRequest &req, const DeviceRecord &device, const DataBuffer &buffer,
                const ConnectedRig &rig, int status) {
    if (status == kExitSuccess && req.output) {
        SaveSettings save;
        std::uint32_t start = 0, end = 0;
        readRange(device, req.options, start, end);
        save.saveStart = start;
        save.saveSize = end - start;
        save.format = formatForSave(*req.output);
        TerminalInfoSink info(*ctx.terminal);
        if (saveFile(*req.output, buffer, save, info) != SaveStatus::Ok) status = kExitFailed;
    }
    if (rig.chip && !ctx.simChip.empty()) {
        if (const ReplaceResult kept = rig.chip->save(ctx.simChip); !kept) {
            std::fprintf(stderr, "vantor-cli: cannot keep the simulated chip: %s\n", kept.error.c_str());
            if (status == kExitSuccess) status = kExitFailed;
        }
    }
    return status;
}

}  // namespace

int runConnectedOperation(CliContext &ctx, int op, const std::string &deviceSpec,
                          const std::optional<std::string> &itemsText, Args args) {
    ConnectedRequest req = parseRequest(op, itemsText, std::move(args));
    CliLibrary lib(ctx);
    DeviceRecord device;
    if (!lib.resolve(deviceSpec, device)) return kExitUsage;
    if (const int checked = checkRequest(ctx, req, device); checked != kExitSuccess) return checked;

    const ProgrammerModel *expected = findModelByName(lib.modelName());
    ConnectedRig rig;
    if (const int built = buildSimulator(ctx, req, device, expected ? expected->code : kModelTR610, rig);
        built != kExitSuccess)
        return built;
    CliSettings settings;
    Application app({.profile = &settings.profile(),
                     .library = &lib.library(),
                     .makeProgrammer = [&]() -> std::unique_ptr<CProgrammer> {
                         if (rig.simulated) return std::make_unique<CUsbProgrammer>(rig.simulated->backend());
                         return std::make_unique<CUsbProgrammer>();
                     }});
    app.LoadSettings();
    // Settings are kept at every exit from here on, as the desktop program keeps them.
    struct KeepSettings {
        Application &app;
        CliSettings &settings;
        ~KeepSettings() {
            app.SaveSettings();
            settings.save();
        }
    } keep{app, settings};
    if (const int connected = connectProgrammer(ctx, app, lib, expected, req, rig, device); connected != kExitSuccess)
        return connected;

    auto buffer = std::make_unique<DataBuffer>();
    if (req.file) {
        req.load.room = device.top_address > req.load.loadBufferStart ? device.top_address - req.load.loadBufferStart : 0;
        TerminalInfoSink info(*ctx.terminal);
        StreamPrompt filePrompt(stderr);
        const LoadResult loaded = loadFile(*req.file, *buffer, req.load, info, &filePrompt);
        if (!loaded.ok()) return loaded.status == LoadStatus::CannotRead ? kExitUsage : kExitFailed;
        if (device.isWordDevice()) maskWordBytes(*buffer, device);
    }

    int status = runOnProgrammer(ctx, app, req, device, *buffer);
    app.programmer()->Close();
    return saveResults(ctx, req, device, *buffer, rig, status);
}

}  // namespace vantor::cli
