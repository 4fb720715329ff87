#include <cstdio>

#include "cli/CliContext.h"

namespace vantor::cli {

int runInfo(CliContext &, Args) {
    std::fprintf(stderr, "vantor-cli: this command is being built\n");
    return kExitUsage;
}

}  // namespace vantor::cli
