#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "cli/CliContext.h"

namespace vantor::cli {

// Runs operation `op` (-1 = Auto: the device's list, or `itemsText` "program,verify,...") on a
// programmer: the built-in simulator when ctx.simulate is set, else the first programmer on
// USB. Takes its own options from args.
int runConnectedOperation(CliContext &ctx, int op, const std::string &deviceSpec,
                          const std::optional<std::string> &itemsText, Args args);

}  // namespace vantor::cli
