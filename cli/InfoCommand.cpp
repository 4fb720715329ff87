#include <cstdio>
#include <string>

#include "cli/CliContext.h"
#include "cli/DeviceLookup.h"
#include "cli/Report.h"
#include "devices/DeviceInfo.h"

namespace vantor::cli {
namespace {

// Black is the window's default text colour; on a terminal it becomes the terminal's own
// foreground so that it stays readable on dark backgrounds.
std::string sgr(const RichRun &r) {
    std::string codes;
    if (r.bold) codes += "1;";
    if (r.italic) codes += "3;";
    if (r.underline) codes += "4;";
    if (r.colour == colour::Black) {
        codes += "39";
    } else {
        codes += "38;2;" + std::to_string(redOf(r.colour)) + ";" + std::to_string(greenOf(r.colour)) + ";" +
                 std::to_string(blueOf(r.colour));
    }
    return "\x1b[" + codes + "m";
}

std::string withoutCarriageReturns(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') continue;
            out += '\n';  // a lone CR is a line break too
        } else {
            out += text[i];
        }
    }
    return out;
}

void print(std::FILE *out, const RichText &runs, bool colour) {
    bool atLineStart = true;
    for (const RichRun &r : runs) {
        std::string text = r.isPicture() ? plainText({r}) : withoutCarriageReturns(r.text);
        if (text.empty()) continue;
        if (colour) {
            // Escape codes are closed before each newline so a pager never carries them over.
            std::size_t start = 0;
            while (start < text.size()) {
                const std::size_t nl = text.find('\n', start);
                const std::size_t end = nl == std::string::npos ? text.size() : nl;
                if (end > start)
                    std::fprintf(out, "%s%.*s\x1b[0m", sgr(r).c_str(), int(end - start), text.data() + start);
                if (nl == std::string::npos) break;
                std::fputc('\n', out);
                start = nl + 1;
            }
        } else {
            std::fwrite(text.data(), 1, text.size(), out);
        }
        atLineStart = text.back() == '\n';
    }
    if (!atLineStart) std::fputc('\n', out);
    std::fflush(out);
}

}  // namespace

int runInfo(CliContext &ctx, Args args) {
    const auto device = takeOption(args, "--device", "-d");
    const bool withDocument = takeFlag(args, "--doc");
    if (!args.empty()) throw UsageError("unexpected argument: " + args.front());
    if (!device) throw UsageError("info needs -d VENDOR/DEVICE");

    CliLibrary lib(ctx);
    DeviceRecord record;
    if (!lib.resolve(*device, record)) return kExitUsage;

    if (ctx.json) {
        printJson(infoDocument(ctx, record));
        return kExitSuccess;
    }
    // A missing Artbank or document only leaves the document out, as in the window; the
    // command line speaks English, so does the document.
    std::optional<std::string> document;
    if (withDocument) document = loadAdapterDocument(record, Artbank::defaultPath(), DocumentLanguage::English);
    const RichText runs = withDocument ? deviceInfoRuns(record, document) : deviceSummaryRuns(record);

    const bool colour = ctx.terminal ? ctx.terminal->colour() : false;
    print(ctx.terminal ? ctx.terminal->stream() : stdout, runs, colour);
    return kExitSuccess;
}

}  // namespace vantor::cli
