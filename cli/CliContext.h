#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/Terminal.h"

namespace vantor::cli {

enum ExitCode : int {
    kExitSuccess = 0,
    kExitFailed = 1,  // the operation ran and failed
    kExitUsage = 2,   // bad usage or bad input
    kExitCancelled = 130,
};

// Options shared by every command.
struct CliContext {
    std::filesystem::path libDir;  // libraries, cfg/ and chip.set
    std::string model = "TR610";
    bool modelGiven = false;
    bool allowColour = true;
    std::optional<std::string> simulate;  // model name of the built-in simulator ("" = default)
    std::string simChip;                  // file that keeps the simulated chip between runs
    std::vector<std::string> simFaults;   // faults the simulator is told to produce ("KIND[@CMD[+N]][!]")
    std::optional<std::string> disconnectOperation;
    // Production-line options (several programmers, reports, log).
    bool json = false;  // one JSON document on stdout, text on stderr
    std::optional<std::string> programmerSerial;
    int simCount = 1;                     // simulated programmers
    std::vector<std::string> simSockets;  // "[N=]VENDOR/DEVICE": a chip other than the one selected
    std::optional<std::string> logFile;   // CSV production log
    bool stationGiven = false;
    std::string station;  // the bench, in production records (default: host name)
    Terminal *terminal = nullptr;
};

using Args = std::vector<std::string>;

// Takes "--name VALUE" or "--name=VALUE" out of args; throws UsageError when the value is missing.
std::optional<std::string> takeOption(Args &args, std::string_view name, std::string_view alias = {});
bool takeFlag(Args &args, std::string_view name, std::string_view alias = {});
// Parses a hexadecimal number (with or without 0x / trailing H); throws UsageError.
std::uint32_t parseHex(std::string_view text, std::string_view what);

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Commands; each returns an exit code.
int runDevices(CliContext &ctx, Args args);
int runOperation(CliContext &ctx, const std::string &operation, Args args);
int runConvert(CliContext &ctx, Args args);
int runInfo(CliContext &ctx, Args args);
int runProgrammers(CliContext &ctx, Args args);
int runGang(CliContext &ctx, Args args);

// Takes --json, --programmer, --sim-count, --sim-socket and --log out of args.
void takeProductionOptions(CliContext &ctx, Args &args);
int runConfig(CliContext &ctx, Args args);
int runOptions(CliContext &ctx, Args args);
// The line's database (--log postgresql://...).
int runSerialPool(CliContext &ctx, Args args);
int runLineReport(CliContext &ctx, Args args);

}  // namespace vantor::cli
