#include <cstdio>
#include <string>

#include "buffer/DataBuffer.h"
#include "buffer/DataFile.h"
#include "cli/CliContext.h"
#include "cli/Report.h"
#include "core/Prompt.h"
#include "core/StringIds.h"
#include "core/StringTable.h"

namespace vantor::cli {

namespace {

FileFormat parseFormat(const std::string &name, const char *option) {
    if (name == "bin") return FileFormat::Binary;
    if (name == "hex") return FileFormat::IntelHex;
    if (name == "s") return FileFormat::Motorola;
    if (name == "tek") return FileFormat::Tektronix;
    if (name == "xtek") return FileFormat::ExtTektronix;
    throw UsageError(std::string(option) + ": unknown format " + name + " (bin, hex, s, tek or xtek)");
}

UnusedByteMode parseFill(const std::string &text) {
    if (text == "ff") return UnusedByteMode::FillFF;
    if (text == "00") return UnusedByteMode::Fill00;
    if (text == "keep") return UnusedByteMode::Ignore;
    throw UsageError("--fill: expected ff, 00 or keep, not " + text);
}

}  // namespace

int runConvert(CliContext &ctx, Args args) {
    LoadSettings load;
    SaveSettings save;
    const auto from = takeOption(args, "--from");
    const auto to = takeOption(args, "--to");
    if (auto v = takeOption(args, "--file-start")) load.loadFileStart = parseHex(*v, "--file-start");
    if (auto v = takeOption(args, "--buffer-start")) load.loadBufferStart = parseHex(*v, "--buffer-start");
    if (auto v = takeOption(args, "--fill")) load.unusedByteMode = parseFill(*v);
    if (auto v = takeOption(args, "--start")) save.saveStart = parseHex(*v, "--start");
    std::optional<std::uint32_t> size;
    if (auto v = takeOption(args, "--size")) size = parseHex(*v, "--size");
    for (const std::string &a : args)
        if (a.size() > 1 && a[0] == '-') throw UsageError("convert: unknown option " + a);
    if (args.size() != 2) throw UsageError("convert needs an input and an output file");
    const std::string in = args[0], out = args[1];

    if (load.loadBufferStart >= DataBuffer::kSize)
        throw UsageError(std::string(loadString(sid::BufferAddressOutOfRange)) +
                         " (--buffer-start must be below 800000)");
    load.format = from ? parseFormat(*from, "--from") : formatForLoad(in);
    save.format = to ? parseFormat(*to, "--to") : formatForSave(out);
    if (save.format == FileFormat::Pof) throw UsageError("cannot save in POF format: " + out);
    load.room = std::uint32_t(DataBuffer::kSize - load.loadBufferStart);

    if (save.saveStart >= DataBuffer::kSize) throw UsageError("--start is past the end of the 8 MiB buffer");
    if (size && std::uint64_t(save.saveStart) + *size > DataBuffer::kSize)
        throw UsageError("--start + --size passes the end of the 8 MiB buffer");

    auto buffer = std::make_unique<DataBuffer>();
    TerminalInfoSink terminalSink(*ctx.terminal);
    RecordingInfoSink sink(terminalSink);
    // With --json the result goes out as one document whichever way the conversion ends.
    struct Report {
        CliContext &ctx;
        const std::string &in, &out;
        const LoadSettings &load;
        const SaveSettings &save;
        RecordingInfoSink &sink;
        int status = kExitFailed;
        ~Report() {
            if (ctx.json) printJson(convertDocument(in, load.format, out, save.format, status, sink.messages()));
        }
    } report{ctx, in, out, load, save, sink};
    StreamPrompt prompt(stderr);
    const LoadResult loaded = loadFile(in, *buffer, load, sink, &prompt);
    if (!loaded.ok()) return report.status = loaded.status == LoadStatus::CannotRead ? kExitUsage : kExitFailed;

    if (size) {
        save.saveSize = *size;
    } else {
        save.saveSize = loaded.wroteData && loaded.endAddress > save.saveStart ? loaded.endAddress - save.saveStart : 0;
        if (save.saveSize == 0)
            ctx.terminal->line("Nothing loaded at or above the save start; the output holds no data", 0x808080);
    }
    switch (saveFile(out, *buffer, save, sink)) {
    case SaveStatus::Ok: return report.status = kExitSuccess;
    case SaveStatus::CannotWrite:
    case SaveStatus::RangeRefused: return report.status = kExitUsage;
    default: return report.status = kExitFailed;
    }
}

}  // namespace vantor::cli
