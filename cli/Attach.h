#pragma once
// The programmers a command can use: those on USB, or simulated ones (--simulate with
// --sim-count, --sim-chip and --sim-socket), and the information each one reports.
#include <string>
#include <vector>

#include "cli/CliContext.h"
#include "cli/ProgrammerRun.h"
#include "cli/DeviceLookup.h"

namespace vantor::cli {

struct ProgrammerInfo {
    int index = 0;
    int modelCode = 0;
    std::string model;      // "TR610"
    std::string modelText;  // the model table's name
    std::string serial, firmware, location;
};

// Every programmer slot there may be: the simulated programmers (each with its own chip:
// the device's factory chip, or the --sim-socket device's), or USB indices 0..15.
// `device` may be null when no device was selected (the programmers command).
// Throws UsageError for a bad --sim-socket or --sim-chip.
std::vector<ProgrammerSlot> programmerSlots(const CliContext &ctx, CliLibrary &lib, const DeviceRecord *device);

// The programmers that answer, in index order.
std::vector<ProgrammerInfo> probeProgrammers(std::vector<ProgrammerSlot> &slots);

// The slot one command runs on: the one with ctx.programmerSerial, or the first that opens.
// False (with the reason printed) when --programmer names no attached programmer.
bool chooseSlot(const CliContext &ctx, std::vector<ProgrammerSlot> &slots, ProgrammerSlot &chosen);

}  // namespace vantor::cli
