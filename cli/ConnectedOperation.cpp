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

int runConnectedOperation(CliContext &ctx, int op, const std::string &deviceSpec,
                          const std::optional<std::string> &itemsText, Args args) {
    std::uint8_t items[16];
    std::memset(items, kEndOfList, sizeof items);
    if (itemsText) parseAutoItems(*itemsText, items);
    LoadSettings load;
    const auto file = takeOption(args, "--file", "-f");
    const auto output = takeOption(args, "--output", "-o");
    std::optional<std::string> loadOption;  // the first option that only a -f FILE uses
    auto note = [&](const char *name, const std::optional<std::string> &v) {
        if (v && !loadOption) loadOption = name;
        return v;
    };
    if (auto v = note("--from", takeOption(args, "--from"))) load.format = parseFormat(*v);
    else if (file) load.format = formatForLoad(*file);
    if (auto v = note("--file-start", takeOption(args, "--file-start"))) load.loadFileStart = parseHex(*v, "--file-start");
    if (auto v = note("--buffer-start", takeOption(args, "--buffer-start")))
        load.loadBufferStart = parseHex(*v, "--buffer-start");
    if (auto v = note("--fill", takeOption(args, "--fill"))) load.unusedByteMode = parseFill(*v);
    OptionsRecord options;
    options.IngoreFFH = 0;  // the command line programs whole areas unless told otherwise
    const auto area = takeOption(args, "--area");
    if (const auto &v = area) {
        if (*v != "1" && *v != "2" && *v != "3") throw UsageError("--area: expected 1, 2 or 3");
        options.areaMask = std::uint32_t(std::stoi(*v));
    }
    if (takeFlag(args, "--ignore-ff")) options.IngoreFFH = 1;
    if (takeFlag(args, "--no-id-check")) options.ChkDevID = 0;
    std::optional<std::vector<std::string>> config;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--config" && args[i].rfind("--config=", 0) != 0) continue;
        std::vector<std::string> words;
        std::size_t j = i + 1;
        if (args[i].size() > 9) words.push_back(args[i].substr(9));
        for (; j < args.size() && !(args[j].size() > 1 && args[j][0] == '-'); ++j) words.push_back(args[j]);
        args.erase(args.begin() + long(i), args.begin() + long(j));
        config = std::move(words);
        break;
    }
    if (!args.empty()) throw UsageError("unexpected argument: " + args.front());
    if (op >= 0 && itemsText) throw UsageError("--items only goes with auto");

    CliLibrary lib(ctx);
    DeviceRecord device;
    if (!lib.resolve(deviceSpec, device)) return kExitUsage;
    if (config) parseConfig(*config, device.config_data);
    if (op < 0 && !itemsText) std::memcpy(items, device.auto_operations, sizeof items);

    if (needsFile(op, items) && !file) throw UsageError("this operation compares or writes data: give it -f FILE");
    if (file && !needsFile(op, items)) throw UsageError("-f FILE only goes with program, verify or auto with either");
    if (loadOption && !file) throw UsageError(*loadOption + " only goes with -f FILE");
    if (output && !reads(op, items)) throw UsageError("-o FILE only goes with read (or auto with read)");
    if (load.loadBufferStart >= DataBuffer::kSize) throw UsageError("--buffer-start must be below 800000");
    if (area && device.area_count < 2 && (options.areaMask & 2))
        throw UsageError(std::string("--area ") + *area + ": " + device.device_name + " has no second memory area");
    if (output) {
        if (formatForSave(*output) == FileFormat::Pof) throw UsageError("cannot save in POF format: " + *output);
        checkWritable(*output, "-o");
    }
    if (!ctx.simChip.empty()) checkWritable(ctx.simChip, "--sim-chip");
    // The Load File dialog refuses a buffer start past the device's top the same way.
    if (file && load.loadBufferStart > device.top_address) {
        std::fprintf(stderr, "vantor-cli: %s\n", std::string(loadString(sid::BufferAddressOutOfRange)).c_str());
        return kExitUsage;
    }
    std::vector<sim::Fault> faults;
    for (const std::string &text : ctx.simFaults) {
        std::string error;
        const auto fault = sim::parseFault(text, error);
        if (!fault) throw UsageError("--sim-fault: " + error);
        faults.push_back(*fault);
    }

    // The programmer: the simulator on a bus of its own, or whatever USB offers.
    std::optional<sim::SimulatedProgrammer> simulated;
    std::shared_ptr<sim::VirtualChip> chip;
    const ProgrammerModel *expected = findModelByName(lib.modelName());
    if (ctx.simulate) {
        simulated = sim::makeSimulatedProgrammer(expected ? expected->code : kModelTR610);
        chip = std::make_shared<sim::VirtualChip>(sim::ChipSpec::fromDevice(device));
        std::error_code ec;
        const auto chipStatus = std::filesystem::status(ctx.simChip, ec);
        if (!ctx.simChip.empty() && std::filesystem::exists(chipStatus)) {
            if (!std::filesystem::is_regular_file(chipStatus)) {
                std::fprintf(stderr, "vantor-cli: --sim-chip: %s is not a regular file\n", ctx.simChip.c_str());
                return kExitUsage;
            }
            if (!chip->load(ctx.simChip)) {
                std::fprintf(stderr, "vantor-cli: %s is not a simulated chip file\n", ctx.simChip.c_str());
                return kExitUsage;
            }
        }
        simulated->device->insertChip(chip);
        // A wrong model shows at the connect; every other fault is meant for the operation.
        for (const sim::Fault &fault : faults)
            if (fault.kind == sim::FaultKind::WrongModelCode) simulated->device->injectFault(fault);
    }
    CliSettings settings;
    Application app({&settings.profile(), &lib.library(),
                     [&]() -> std::unique_ptr<CProgrammer> {
                         if (simulated) return std::make_unique<CUsbProgrammer>(simulated->backend());
                         return std::make_unique<CUsbProgrammer>();
                     },
                     nullptr, {}, 0});
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
    if (simulated)
        for (const sim::Fault &fault : faults)
            if (fault.kind != sim::FaultKind::WrongModelCode) simulated->device->injectFault(fault);
    if (expected && expected->code != model) {
        const ProgrammerModel *found = findModel(model);
        std::fprintf(stderr, "vantor-cli: the connected programmer is a %s, not a %s; choose its library with --model\n",
                     found ? std::string(found->libraryFile.substr(0, found->libraryFile.find('.'))).c_str() : "model without a library",
                     lib.modelName().c_str());
        return kExitUsage;
    }
    ctx.terminal->plain(app.ModelText(model) + (simulated ? " (simulated)" : "") + "  firmware " +
                        programmer->FirmwareVersionText() + "  serial " + programmer->SerialNumberText());
    ctx.terminal->plain(std::string("Device: ") + device.vendor_name + " " + device.device_name);
    app.RememberDevice(device.vendor_index, device.device_name);

    auto buffer = std::make_unique<DataBuffer>();
    if (file) {
        load.room = device.top_address > load.loadBufferStart ? device.top_address - load.loadBufferStart : 0;
        TerminalInfoSink info(*ctx.terminal);
        StreamPrompt filePrompt(stderr);
        const LoadResult loaded = loadFile(*file, *buffer, load, info, &filePrompt);
        if (!loaded.ok()) return loaded.status == LoadStatus::CannotRead ? kExitUsage : kExitFailed;
        if (device.isWordDevice()) maskWordBytes(*buffer, device);
    }

    TerminalEngineSink sink(*ctx.terminal);
    StreamPrompt prompt(stderr);
    programmer->setEnvironment({&sink, nullptr, &prompt, &app.counters, &app.disconnectMode});
    programmer->SetContext(buffer.get(), &device, &options);
    const bool started = op < 0 ? programmer->StartAuto(items) : programmer->StartOperation(op);
    int status = started ? waitForResult(*programmer, sink) : kExitFailed;

    if (status == kExitSuccess) {
        if (op == kOpReadFuse || op == kOpReadLock || op == kOpReadConfig)
            ctx.terminal->plain("Bytes read: " + hexBytes(programmer->lastReadBytes().data(), 16));
        if (output) {
            SaveSettings save;
            std::uint32_t start = 0, end = 0;
            readRange(device, options, start, end);
            save.saveStart = start;
            save.saveSize = end - start;
            save.format = formatForSave(*output);
            TerminalInfoSink info(*ctx.terminal);
            if (saveFile(*output, *buffer, save, info) != SaveStatus::Ok) status = kExitFailed;
        }
    }
    programmer->Close();
    if (chip && !ctx.simChip.empty()) {
        if (const ReplaceResult kept = chip->save(ctx.simChip); !kept) {
            std::fprintf(stderr, "vantor-cli: cannot keep the simulated chip: %s\n", kept.error.c_str());
            if (status == kExitSuccess) status = kExitFailed;
        }
    }
    return status;
}

}  // namespace vantor::cli
