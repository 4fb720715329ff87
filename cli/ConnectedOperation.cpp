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
    if (digits.size() / 2 > std::size_t(kConfigDataSize)) throw UsageError("--config: at most 48 bytes");
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

// What the command line says about loading -f FILE; `firstOption` is the first option that
// only a file uses.
struct LoadRequest {
    LoadSettings settings;
    std::optional<std::string> firstOption;
};

LoadRequest takeLoadOptions(Args &args, const std::optional<std::string> &file) {
    LoadRequest load;
    auto note = [&](const char *name, const std::optional<std::string> &v) {
        if (v && !load.firstOption) load.firstOption = name;
        return v;
    };
    if (auto v = note("--from", takeOption(args, "--from"))) load.settings.format = parseFormat(*v);
    else if (file) load.settings.format = formatForLoad(*file);
    if (auto v = note("--file-start", takeOption(args, "--file-start")))
        load.settings.loadFileStart = parseHex(*v, "--file-start");
    if (auto v = note("--buffer-start", takeOption(args, "--buffer-start")))
        load.settings.loadBufferStart = parseHex(*v, "--buffer-start");
    if (auto v = note("--fill", takeOption(args, "--fill"))) load.settings.unusedByteMode = parseFill(*v);
    return load;
}

// The switches of an operation's command line.
struct JobFlags {
    std::optional<std::string> area;
    bool ignoreFF = false, keepFF = false, noIdCheck = false, idCheck = false;
    bool serialOverwrite = false, allowEmpty = false, allowLockout = false;
    std::optional<std::vector<std::string>> config;  // the words after --config
};

// "--config WORD..." up to the next option.
std::optional<std::vector<std::string>> takeConfigWords(Args &args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--config" && args[i].rfind("--config=", 0) != 0) continue;
        std::vector<std::string> words;
        std::size_t j = i + 1;
        if (args[i].size() > 9) words.push_back(args[i].substr(9));
        for (; j < args.size() && !(args[j].size() > 1 && args[j][0] == '-'); ++j) words.push_back(args[j]);
        args.erase(args.begin() + long(i), args.begin() + long(j));
        return words;
    }
    return std::nullopt;
}

JobFlags takeJobFlags(Args &args) {
    JobFlags f;
    f.area = takeOption(args, "--area");
    if (f.area && *f.area != "1" && *f.area != "2" && *f.area != "3") throw UsageError("--area: expected 1, 2 or 3");
    f.ignoreFF = takeFlag(args, "--ignore-ff");
    f.keepFF = takeFlag(args, "--no-ignore-ff");
    f.noIdCheck = takeFlag(args, "--no-id-check");
    f.idCheck = takeFlag(args, "--id-check");
    if (f.ignoreFF && f.keepFF) throw UsageError("--ignore-ff and --no-ignore-ff exclude each other");
    if (f.noIdCheck && f.idCheck) throw UsageError("--id-check and --no-id-check exclude each other");
    f.serialOverwrite = takeFlag(args, "--serial-overwrite");
    f.allowEmpty = takeFlag(args, "--allow-empty");
    f.allowLockout = takeFlag(args, "--allow-lockout");
    f.config = takeConfigWords(args);
    return f;
}

// The device as the desktop program would select it: remembered configuration bytes, Auto
// list and program range (or its defaults); what the command line names wins.
void selectAsRemembered(const CliContext &ctx, OperationJob &job, const JobFlags &flags, bool itemsGiven) {
    DeviceRecord &device = job.device;
    OptionsRecord &options = job.options;
    if (flags.area) options.areaMask = std::uint32_t(std::stoi(*flags.area));
    std::uint8_t remembered[16];
    std::uint32_t rememberedMask = options.areaMask;
    restoreDeviceSettings(ctx, device, remembered, rememberedMask);
    if (!flags.area) options.areaMask = rememberedMask;
    // The options `options --set` keeps apply as they do in the desktop program, where the
    // device offers them; the command line's flags win. Without a remembered choice the
    // command line programs whole areas.
    {
        IniProfile settings(userSettingsPath());
        settings.load();  // a file that cannot be read is reported when the run is remembered
        options.ChkDevID = settings.readInt("Option", "ChkDevID", 1) != 0 && device.device_id[0] != 0;
        options.IngoreFFH = settings.readInt("Option", "IngoreFFH", 0) != 0 && (device.option_flags & kOptionIgnoreFF);
    }
    if (flags.ignoreFF) options.IngoreFFH = 1;
    if (flags.keepFF) options.IngoreFFH = 0;
    if (flags.noIdCheck) options.ChkDevID = 0;
    if (flags.idCheck) options.ChkDevID = 1;
    // A configuration that names no place for the calibration byte gets one clear of the program.
    completeDefaultConfig(device);
    if (flags.config) parseConfig(*flags.config, device.config_data);
    if (job.op < 0 && !itemsGiven) std::memcpy(job.items, remembered, sizeof job.items);
}

// False (reason printed) when the run would write choices that can lock the chip out.
bool lockoutAllowed(const CliContext &ctx, const OperationJob &job, const JobFlags &flags) {
    if (flags.allowLockout) return true;
    const std::vector<int> run = job.operations();
    const std::vector<std::uint8_t> ops(run.begin(), run.end());
    const auto risks = lockoutRisksOf(ctx.libDir, job.device, ops);
    if (risks.empty()) return true;
    std::fprintf(stderr,
                 "vantor-cli: %s would write choices that can lock the chip out:\n%s"
                 "Nothing was written; give --allow-lockout to write them.\n",
                 job.name.c_str(), describeRisks(risks).c_str());
    return false;
}

// Options that do not go together with this operation and device; throws UsageError.
void checkCombinations(const CliContext &ctx, const OperationJob &job, const LoadRequest &load, const JobFlags &flags) {
    const int op = job.op;
    const std::uint8_t *items = job.items;
    const auto &file = job.file;
    const auto &output = job.output;
    if (needsFile(op, items) && !file) throw UsageError("this operation compares or writes data: give it -f FILE");
    if (file && !needsFile(op, items)) throw UsageError("-f FILE only goes with program, verify or auto with either");
    if (load.firstOption && !file) throw UsageError(*load.firstOption + " only goes with -f FILE");
    if (output && !reads(op, items)) throw UsageError("-o FILE only goes with read (or auto with read)");
    if (load.settings.loadBufferStart >= DataBuffer::kSize) throw UsageError("--buffer-start must be below 800000");
    if (flags.area && job.device.area_count < 2 && (job.options.areaMask & 2))
        throw UsageError(std::string("--area ") + *flags.area + ": " + job.device.device_name +
                         " has no second memory area");
    if (output) {
        if (formatForSave(*output) == FileFormat::Pof) throw UsageError("cannot save in POF format: " + *output);
        checkWritable(*output, "-o");
    }
    if (!ctx.simChip.empty() && ctx.simCount == 1) checkWritable(ctx.simChip, "--sim-chip");
}

void checkSerialPlan(const OperationJob &job) {
    if (!job.serial) return;
    const int op = job.op;
    const std::uint8_t *items = job.items;
    if (!programs(op, items) && !needsFile(op, items))
        throw UsageError("--serial-at goes with program, verify or auto");
    // Only programming hands out numbers; a verify compares with the one the log recorded.
    if (programs(op, items) && job.serial->check)
        throw UsageError("--serial-number goes with verify; programming takes the next number");
    if (!programs(op, items) && !job.serial->check)
        throw UsageError("verify does not hand out serial numbers: give --serial-number N, the number the log "
                         "recorded for this chip");
    if (!programs(op, items) && (job.serial->start || job.serial->step != 1))
        throw UsageError("--serial-start and --serial-step go with programming");
}

// Loads -f FILE into the job's image: -1 when loaded (or there is no file), else the exit code.
int loadImage(CliContext &ctx, OperationJob &job, LoadRequest &load, const JobFlags &flags) {
    auto buffer = std::make_shared<DataBuffer>();
    if (job.file) {
        const DeviceRecord &device = job.device;
        load.settings.room =
            device.top_address > load.settings.loadBufferStart ? device.top_address - load.settings.loadBufferStart : 0;
        TerminalInfoSink info(*ctx.terminal);
        StreamPrompt filePrompt(stderr);
        RecordingInfoSink kept(info);
        const LoadResult loaded = loadFile(*job.file, *buffer, load.settings, kept, &filePrompt);
        job.loadMessages = kept.messages();
        if (!loaded.ok()) {
            noteProblem("cannot load " + *job.file);
            return loaded.status == LoadStatus::CannotRead ? kExitUsage : kExitFailed;
        }
        if (!loaded.wroteData && programs(job.op, job.items) && !flags.allowEmpty)
            throw UsageError(*job.file + " loads no data into the device's range: nothing would be programmed "
                                         "(--allow-empty programs it all the same)");
        if (job.serial)
            checkSerialPlacement(*job.serial, device, job.options.areaMask, *buffer, loaded, flags.serialOverwrite);
        if (device.isWordDevice()) maskWordBytes(*buffer, device);
        job.dataChecksum = imageChecksum(device, *buffer);
    }
    job.image = std::move(buffer);
    return -1;
}

}  // namespace

int prepareJob(CliContext &ctx, CliLibrary &lib, int op, const std::string &deviceSpec,
               const std::optional<std::string> &itemsText, Args args, OperationJob &job) {
    job.op = op;
    job.name = op < 0 ? "auto" : operationName(op);
    std::memset(job.items, kEndOfList, sizeof job.items);
    if (itemsText) parseAutoItems(*itemsText, job.items);
    job.file = takeOption(args, "--file", "-f");
    job.output = takeOption(args, "--output", "-o");
    LoadRequest load = takeLoadOptions(args, job.file);
    const JobFlags flags = takeJobFlags(args);
    if (op >= 0 && itemsText) throw UsageError("--items only goes with auto");

    if (!lib.resolve(deviceSpec, job.device)) return kExitUsage;
    job.serial = takeSerialPlan(args, job.device);
    if (!args.empty()) throw UsageError("unexpected argument: " + args.front());
    selectAsRemembered(ctx, job, flags, itemsText.has_value());
    if (!lockoutAllowed(ctx, job, flags)) return kExitUsage;
    checkCombinations(ctx, job, load, flags);
    // The Load File dialog refuses a buffer start past the device's top the same way.
    if (job.file && load.settings.loadBufferStart > job.device.top_address) {
        std::fprintf(stderr, "vantor-cli: %s\n", std::string(loadString(sid::BufferAddressOutOfRange)).c_str());
        return kExitUsage;
    }
    checkSerialPlan(job);

    const ProgrammerModel *expected = findModelByName(lib.modelName());
    job.expectedModel = expected ? expected->code : -1;
    job.modelName = lib.modelName();
    return loadImage(ctx, job, load, flags);
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
        if (!outcome.connected)
            std::fprintf(stderr, "(connect a TR600 programmer, or use --simulate or --disconnect)\n");
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
