#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "cli/CliContext.h"
#include "cli/DeviceLookup.h"
#include "cli/ProgrammerRun.h"

namespace vantor::cli {

// Runs operation `op` (-1 = Auto: the device's list, or `itemsText` "program,verify,...") on a
// programmer: the built-in simulator when ctx.simulate is set, else the first programmer on
// USB. Takes its own options from args.
int runConnectedOperation(CliContext &ctx, int op, const std::string &deviceSpec,
                          const std::optional<std::string> &itemsText, Args args);

// Parses the operation's options, resolves the device, gives it its default configuration
// and loads the data file: -1 when the job is ready, else the exit code (reason printed).
int prepareJob(CliContext &ctx, CliLibrary &lib, int op, const std::string &deviceSpec,
               const std::optional<std::string> &itemsText, Args args, OperationJob &job);

// Adds the runs to the counters and the device to the history of the shared settings.
void rememberRuns(CliLibrary &lib, const OperationJob &job, const std::vector<const RunOutcome *> &outcomes);

// The identifier diagnostics, bytes read and checksums of a finished run.
void printRunDetails(Terminal &terminal, const OperationJob &job, const RunOutcome &outcome);

}  // namespace vantor::cli
