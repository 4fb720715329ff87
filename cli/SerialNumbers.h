#pragma once
// Running serial numbers for a production batch: where they go in the image and how they
// are stored. The numbers themselves come from a SerialNumberSource (cli/ProductionRecords.h).
#include <optional>

#include "buffer/DataFile.h"
#include "cli/CliContext.h"
#include "cli/ProgrammerRun.h"

namespace vantor::cli {

// Takes --serial-at/--serial-start/--serial-step/--serial-format/--serial-pool/--serial-number out of args. Null when
// --serial-at is not given (the others then are refused). Checks that the number fits the
// device's memory areas and that the start fits the format. Throws UsageError.
std::optional<SerialPlan> takeSerialPlan(Args &args, const DeviceRecord &device);

// Once the program range and the data are known: the serial field must lie in an area that
// is programmed, and may cover loaded data only when `overwrite` allows it. Throws UsageError.
void checkSerialPlacement(const SerialPlan &plan, const DeviceRecord &device, std::uint32_t areaMask,
                          const DataBuffer &image, const LoadResult &loaded, bool overwrite);

}  // namespace vantor::cli
