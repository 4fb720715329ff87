#pragma once
// Running serial numbers for a production batch; the next number is kept in the per-user
// settings so that the next batch continues where this one stopped.
#include <cstdint>
#include <filesystem>
#include <optional>

#include "cli/CliContext.h"
#include "cli/ProgrammerRun.h"

namespace vantor::cli {

// Takes --serial-at/--serial-start/--serial-step/--serial-format out of args. Null when
// --serial-at is not given (the others then are refused). Checks that the number fits the
// device's memory areas. Throws UsageError.
std::optional<SerialPlan> takeSerialPlan(Args &args, const DeviceRecord &device);

// Reserves `count` numbers: the first is the plan's start (or the remembered next number)
// and the settings then remember the one after the last. False (with the reason printed)
// when the settings cannot be written: numbers that are not remembered could be handed out
// twice.
bool reserveSerialNumbers(SerialPlan &plan, int count, std::uint64_t &first);

}  // namespace vantor::cli
