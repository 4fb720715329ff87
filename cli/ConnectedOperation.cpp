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
#include "cli/Attach.h"
#include "cli/ProgrammerRun.h"
#include "cli/Report.h"
#include "cli/ProductionRecords.h"
#include "cli/SerialNumbers.h"
#include "core/StringTable.h"
#include "devices/ConfigFile.h"
#include "devices/LockoutRisks.h"
#include "programmer/DeviceDefaults.h"

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

bool programs(int op, const std::uint8_t items[16]) {
    if (op >= 0) return op == kOpProgram;
    for (int i = 0; i < 16 && items[i] != kEndOfList; ++i)
        if (items[i] == kOpProgram) return true;
    return false;
}

bool reads(int op, const std::uint8_t items[16]) {
    if (op == kOpRead) return true;
    if (op >= 0) return false;
    for (int i = 0; i < 16 && items[i] != kEndOfList; ++i)
        if (items[i] == kOpRead) return true;
    return false;
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

int prepareJob(CliContext &ctx, CliLibrary &lib, int op, const std::string &deviceSpec,
               const std::optional<std::string> &itemsText, Args args, OperationJob &job) {
    job.op = op;
    job.name = op < 0 ? "auto" : operationName(op);
    std::memset(job.items, kEndOfList, sizeof job.items);
    if (itemsText) parseAutoItems(*itemsText, job.items);
    LoadSettings load;
    job.file = takeOption(args, "--file", "-f");
    job.output = takeOption(args, "--output", "-o");
    const auto &file = job.file;
    const auto &output = job.output;
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
    OptionsRecord &options = job.options;
    const auto area = takeOption(args, "--area");
    if (const auto &v = area) {
        if (*v != "1" && *v != "2" && *v != "3") throw UsageError("--area: expected 1, 2 or 3");
        options.areaMask = std::uint32_t(std::stoi(*v));
    }
    const bool ignoreFF = takeFlag(args, "--ignore-ff"), keepFF = takeFlag(args, "--no-ignore-ff");
    const bool noIdCheck = takeFlag(args, "--no-id-check"), idCheck = takeFlag(args, "--id-check");
    if (ignoreFF && keepFF) throw UsageError("--ignore-ff and --no-ignore-ff exclude each other");
    if (noIdCheck && idCheck) throw UsageError("--id-check and --no-id-check exclude each other");
    const bool serialOverwrite = takeFlag(args, "--serial-overwrite");
    const bool allowEmpty = takeFlag(args, "--allow-empty");
    const bool allowLockout = takeFlag(args, "--allow-lockout");
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
    if (op >= 0 && itemsText) throw UsageError("--items only goes with auto");

    DeviceRecord &device = job.device;
    if (!lib.resolve(deviceSpec, device)) return kExitUsage;
    job.serial = takeSerialPlan(args, device);
    if (!args.empty()) throw UsageError("unexpected argument: " + args.front());
    // The device as the desktop program would select it: remembered configuration bytes, Auto
    // list and program range (or its defaults); what the command line names wins.
    std::uint8_t remembered[16];
    std::uint32_t rememberedMask = options.areaMask;
    restoreDeviceSettings(ctx, device, remembered, rememberedMask);
    if (!area) options.areaMask = rememberedMask;
    // The options `options --set` keeps apply as they do in the desktop program, where the
    // device offers them; the command line's flags win. Without a remembered choice the
    // command line programs whole areas.
    {
        IniProfile settings(userSettingsPath());
        settings.load();  // a file that cannot be read is reported when the run is remembered
        options.ChkDevID = settings.readInt("Option", "ChkDevID", 1) != 0 && device.device_id[0] != 0;
        options.IngoreFFH = settings.readInt("Option", "IngoreFFH", 0) != 0 && (device.option_flags & kOptionIgnoreFF);
    }
    if (ignoreFF) options.IngoreFFH = 1;
    if (keepFF) options.IngoreFFH = 0;
    if (noIdCheck) options.ChkDevID = 0;
    if (idCheck) options.ChkDevID = 1;
    // A configuration that names no place for the calibration byte gets one clear of the program.
    completeDefaultConfig(device);
    if (config) parseConfig(*config, device.config_data);
    if (op < 0 && !itemsText) std::memcpy(job.items, remembered, sizeof job.items);
    if (!allowLockout) {
        const std::vector<int> run = job.operations();
        const std::vector<std::uint8_t> ops(run.begin(), run.end());
        if (const auto risks = lockoutRisksOf(ctx.libDir, device, ops); !risks.empty()) {
            std::fprintf(stderr, "vantor-cli: %s would write choices that can lock the chip out:\n%s"
                                 "Nothing was written; give --allow-lockout to write them.\n",
                         job.name.c_str(), describeRisks(risks).c_str());
            return kExitUsage;
        }
    }

    const std::uint8_t *items = job.items;
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
    if (!ctx.simChip.empty() && ctx.simCount == 1) checkWritable(ctx.simChip, "--sim-chip");
    // The Load File dialog refuses a buffer start past the device's top the same way.
    if (file && load.loadBufferStart > device.top_address) {
        std::fprintf(stderr, "vantor-cli: %s\n", std::string(loadString(sid::BufferAddressOutOfRange)).c_str());
        return kExitUsage;
    }
    if (job.serial) {
        if (!programs(op, items) && !needsFile(op, items)) throw UsageError("--serial-at goes with program, verify or auto");
        // Only programming hands out numbers; a verify compares with the one the log recorded.
        if (programs(op, items) && job.serial->check)
            throw UsageError("--serial-number goes with verify; programming takes the next number");
        if (!programs(op, items) && !job.serial->check)
            throw UsageError("verify does not hand out serial numbers: give --serial-number N, the number the log "
                             "recorded for this chip");
        if (!programs(op, items) && (job.serial->start || job.serial->step != 1))
            throw UsageError("--serial-start and --serial-step go with programming");
    }

    const ProgrammerModel *expected = findModelByName(lib.modelName());
    job.expectedModel = expected ? expected->code : -1;
    job.modelName = lib.modelName();

    auto buffer = std::make_shared<DataBuffer>();
    if (file) {
        load.room = device.top_address > load.loadBufferStart ? device.top_address - load.loadBufferStart : 0;
        TerminalInfoSink info(*ctx.terminal);
        StreamPrompt filePrompt(stderr);
        RecordingInfoSink kept(info);
        const LoadResult loaded = loadFile(*file, *buffer, load, kept, &filePrompt);
        job.loadMessages = kept.messages();
        if (!loaded.ok()) {
            noteProblem("cannot load " + *file);
            return loaded.status == LoadStatus::CannotRead ? kExitUsage : kExitFailed;
        }
        if (!loaded.wroteData && programs(op, items) && !allowEmpty)
            throw UsageError(*file + " loads no data into the device's range: nothing would be programmed "
                             "(--allow-empty programs it all the same)");
        if (job.serial) checkSerialPlacement(*job.serial, device, options.areaMask, *buffer, loaded, serialOverwrite);
        if (device.isWordDevice()) maskWordBytes(*buffer, device);
        job.dataChecksum = imageChecksum(device, *buffer);
    }
    job.image = std::move(buffer);
    return -1;
}

void printRunDetails(Terminal &terminal, const OperationJob &job, const RunOutcome &outcome) {
    if (outcome.idMismatch) {
        terminal.plain("Identifier expected: " + hexBytes(job.device.device_id, 3) +
                       "   read: " + hexBytes(outcome.idRead.data(), 3));
        if (outcome.idMatches.empty()) {
            terminal.plain("No device of " + job.modelName + ".dev carries the identifier read.");
        } else {
            std::string list;
            for (const auto &name : outcome.idMatches) list += (list.empty() ? "" : ", ") + name;
            terminal.plain("Devices with the identifier read: " + list);
        }
    }
    if (outcome.bytesRead) terminal.plain("Bytes read: " + hexBytes(outcome.bytesRead->data(), 16));
    if (!job.output)
        for (const auto &c : outcome.checksums) {
            char text[64];
            std::snprintf(text, sizeof text, loadString(sid::ChecksumFormat).data(), c.sum);
            terminal.plain("[" + c.area + "] " + text);
        }
}

void rememberRuns(CliLibrary &lib, const OperationJob &job, const std::vector<const RunOutcome *> &outcomes) {
    // Counters and history are the desktop program's, kept as it keeps them.
    CliSettings settings;
    Application app({&settings.profile(), &lib.library(), nullptr, nullptr, {}, 0});
    app.LoadSettings();
    bool connected = false;
    for (const RunOutcome *o : outcomes) {
        if (!settings.countersDamaged()) app.countResults(o->cntSuccess, o->cntFailed);
        connected = connected || o->connected;
    }
    if (connected && job.expectedModel != -1) {
        app.SelectModel(job.expectedModel, true);
        app.RememberDevice(job.device.vendor_index, job.device.device_name);
    }
    app.SaveSettings();
    settings.save();
}

int runConnectedOperation(CliContext &ctx, int op, const std::string &deviceSpec,
                          const std::optional<std::string> &itemsText, Args args) {
    CliLibrary lib(ctx);
    OperationJob job;
    const int prepared = prepareJob(ctx, lib, op, deviceSpec, itemsText, std::move(args), job);
    if (prepared != -1) return prepared;

    ProductionSinks sinks = productionSinks(ctx, job);
    std::vector<ProgrammerSlot> slots = programmerSlots(ctx, lib, &job.device);
    ProgrammerSlot slot;
    if (!chooseSlot(ctx, slots, slot)) return kExitUsage;

    std::optional<std::uint64_t> serialNumber;
    if (job.serial && job.serial->check) serialNumber = job.serial->check;
    if (sinks.serials) {
        std::string error;
        const auto numbers = sinks.serials->reserve(1, error);
        // Nothing has been touched: the run stops as for bad input.
        if (numbers.empty()) throw UsageError(error);
        serialNumber = numbers.front();
    }

    TerminalEngineSink sink(*ctx.terminal);
    InterruptGuard interrupt;
    RunOutcome outcome = runOnProgrammer(ctx, job, slot, std::make_shared<RunRecorder>(&sink, job.operations()),
                                         InterruptGuard::flag(), serialNumber, ctx.terminal);
    if (!outcome.connected || (outcome.exitCode == kExitUsage && !outcome.problem.empty())) {
        std::fprintf(stderr, "vantor-cli: %s\n", outcome.problem.c_str());
        if (!outcome.connected) std::fprintf(stderr, "(connect a TR600 programmer, or use --simulate or --disconnect)\n");
    }
    printRunDetails(*ctx.terminal, job, outcome);
    rememberRuns(lib, job, {&outcome});
    std::string error;
    if ((outcome.connected || outcome.serialNumber) && !finishRun(ctx, sinks, job, outcome, error))
        std::fprintf(stderr, "vantor-cli: %s\n", error.c_str());
    const int status = outcome.exitCode;
    if (ctx.json) {
        auto doc = operationDocument(job, slot, outcome);
        doc["exit_code"] = status;
        doc["result"] = resultName(status);
        printJson(doc);
    }
    return status;
}

}  // namespace vantor::cli
