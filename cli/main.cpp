#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "cli/CliContext.h"
#include "cli/Report.h"
#include "core/SafeFile.h"
#include "core/Version.h"
#include "devices/DeviceLibrary.h"
#include "programmer/Operations.h"
#include "programmer/ProgrammerModels.h"

using namespace vantor;
using namespace vantor::cli;

namespace {

const char kUsage[] =
    "usage: vantor-cli [--version] [--lib-dir DIR] [--model TR610|TR620|EMX31B] [--no-color]\n"
    "                  [--simulate[=MODEL] [--sim-chip FILE] [--sim-fault FAULT]...] COMMAND ...\n"
    "\n"
    "commands:\n"
    "  devices [--type N] [--search TEXT]     list the devices of the model's library\n"
    "  info -d VENDOR/DEVICE [--doc]          device information and adapter document\n"
    "  convert IN OUT [options]               load a data file and save it in another format\n"
    "  config -d VENDOR/DEVICE [--show] [--json] [--set \"ITEM=VALUE\"]... [--defaults]\n"
    "                                         the device's fuses, lock bits and configuration words,\n"
    "                                         kept in chip.set for write-fuse, write-config, protect\n"
    "  options [-d VENDOR/DEVICE] [--set NAME=VALUE]...  operation options and the Auto list\n"
    "  OPERATION -d VENDOR/DEVICE [...]       run an operation on the programmer\n"
    "  programmers                            list the attached programmers\n"
    "  gang OPERATION -d VENDOR/DEVICE [...]  run it on every attached programmer at once\n"
    "  --disconnect OPERATION -d VENDOR/DEVICE  simulate an operation without a programmer\n"
    "  serial-pool create NAME --start N [--step K] [--format le32|be32|ascii-dec] --log postgresql://...\n"
    "  serial-pool show|reclaim NAME --log postgresql://...  a line's serial pool; reclaim abandons the\n"
    "                                         numbers of stations that are not running\n"
    "  report --log postgresql://... [--since TIME] [--station S] [-d DEVICE] [--json] [--flush]\n"
    "                                         what the line programmed; --flush writes the journals first\n"
    "\n"
    "operations: program read verify blank erase write-fuse read-fuse protect read-lock\n"
    "            write-config read-config write-cal test auto\n"
    "operation options (with a programmer or --simulate):\n"
    "  -f FILE [--from FMT --file-start HEX --buffer-start HEX --fill ff|00|keep]  data for program/verify/auto\n"
    "  -o FILE  save the areas read  --area 1|2|3   --[no-]ignore-ff   --[no-]id-check   --allow-empty\n"
    "  --config HEX...  the 48 configuration bytes   --items OP,OP,...  the Auto list\n"
    "  --allow-lockout  write fuses, lock or configuration bits that can lock the chip out\n"
    "  --serial-at HEX [--serial-start N --serial-step K --serial-format le32|be32|ascii-dec]\n"
    "                  [--serial-overwrite]; verify: --serial-at HEX --serial-number N\n"
    "                  [--serial-pool NAME]  numbers from a pool of the line's database\n"
    "production: --json  --programmer SERIAL  --log FILE.csv|postgresql://...  --station NAME\n"
    "  (a line's database, its journal and roles: docs/production.md)\n"
    "simulator:  --sim-count N  --sim-chip FILE|DIR  --sim-socket [N=]VENDOR/DEVICE\n"
    "simulator faults (--sim-fault, repeatable): KIND[@COMMAND[+SKIP]][!]\n"
    "  KIND: refuse-control lose-bulk short-bulk status-never-comes finish-without-success\n"
    "        unplug wrong-model register-mismatch; COMMAND: hex code it waits for (default: any;\n"
    "        register-mismatch: the next fuse, lock or configuration write); SKIP: matching\n"
    "        commands let through first; !: fire every time\n"
    "settings (history, options, counters) are shared with the desktop program in\n"
    "  $XDG_CONFIG_HOME/TarvikTech/Vantor.conf (default ~/.config)\n";

// The operations' command-line names, and "auto" for the Auto list.
bool isOperationWord(const std::string &word) { return word == "auto" || operationByKeyword(word); }

int run(Args args) {
    CliContext ctx;
    try {
        if (args.empty() || takeFlag(args, "--help", "-h")) {
            std::fputs(kUsage, args.empty() ? stderr : stdout);
            return args.empty() ? kExitUsage : kExitSuccess;
        }
        if (args.size() == 1 && args.front() == "--version") {
            std::printf("vantor-cli %s\n", kVersionText);
            return kExitSuccess;
        }
        if (auto dir = takeOption(args, "--lib-dir")) ctx.libDir = *dir;
        else ctx.libDir = executableDirectory();
        if (auto model = takeOption(args, "--model")) {
            ctx.model = *model;
            ctx.modelGiven = true;
        }
        ctx.allowColour = !takeFlag(args, "--no-color");
        if (takeFlag(args, "--simulate")) ctx.simulate = "";
        else if (auto sim = takeOption(args, "--simulate")) ctx.simulate = *sim;
        if (auto chip = takeOption(args, "--sim-chip")) ctx.simChip = *chip;
        while (auto fault = takeOption(args, "--sim-fault")) ctx.simFaults.push_back(*fault);
        ctx.disconnectOperation = takeOption(args, "--disconnect");
        takeProductionOptions(ctx, args);
        // Options that contradict each other, or that nothing would use, are refused.
        if (ctx.simulate && !ctx.simulate->empty() && ctx.modelGiven) {
            const ProgrammerModel *simulated = findModelByName(*ctx.simulate);
            const ProgrammerModel *named = findModelByName(ctx.model);
            if (simulated && named && simulated != named)
                throw UsageError("--simulate=" + *ctx.simulate + " conflicts with --model " + ctx.model);
        }
        if (!ctx.simulate && !ctx.simChip.empty()) throw UsageError("--sim-chip only goes with --simulate");
        if (!ctx.simulate && !ctx.simFaults.empty()) throw UsageError("--sim-fault only goes with --simulate");
        if (ctx.simulate && ctx.disconnectOperation) throw UsageError("--simulate and --disconnect exclude each other");

        // With --json standard output carries the document alone; people read standard error.
        Terminal terminal = ctx.json ? Terminal::forStderr(ctx.allowColour) : Terminal::forStdout(ctx.allowColour);
        ctx.terminal = &terminal;

        if (ctx.disconnectOperation) {
            if (!isOperationWord(*ctx.disconnectOperation))
                throw UsageError("unknown operation: " + *ctx.disconnectOperation);
            return runOperation(ctx, *ctx.disconnectOperation, args);
        }
        if (args.empty()) throw UsageError("no command given");
        const std::string command = args.front();
        args.erase(args.begin());
        if (command == "devices") return runDevices(ctx, args);
        if (command == "convert") return runConvert(ctx, args);
        if (command == "info") return runInfo(ctx, args);
        if (command == "programmers") return runProgrammers(ctx, args);
        if (command == "gang") return runGang(ctx, args);
        if (command == "config") return runConfig(ctx, args);
        if (command == "options") return runOptions(ctx, args);
        if (command == "serial-pool") return runSerialPool(ctx, args);
        if (command == "report") return runLineReport(ctx, args);
        if (isOperationWord(command)) return runOperation(ctx, command, args);
        throw UsageError("unknown command: " + command);
    } catch (const UsageError &e) {
        std::fprintf(stderr, "vantor-cli: %s\n(see vantor-cli --help)\n", e.what());
        noteProblem(e.what());
        return kExitUsage;
    }
}

}  // namespace

int main(int argc, char **argv) {
    const Args args(argv + 1, argv + argc);
    const int status = run(args);
    // A script that asked for JSON gets a document even when the command stopped early.
    if (std::find(args.begin(), args.end(), "--json") != args.end() && !jsonDocumentPrinted())
        printJson(errorDocument(commandOf(args), status, lastProblem()));
    // What was printed may be the only copy of what was read: a lost write is a failure.
    if (!flushStandardOutput("vantor-cli") && status == kExitSuccess) return kExitFailed;
    return status;
}
