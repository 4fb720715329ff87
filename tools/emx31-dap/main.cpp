// emx31-dap: a Debug Adapter Protocol server for the EMX31 driver on standard input and output.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/SharedLibrary.h"
#include "core/Version.h"
#include "tools/emx31-dap/DapSession.h"

int main(int argc, char **argv) {
    std::string driver;
    for (int i = 1; i < argc; ++i) {
        if (!*argv[i]) continue;  // some clients pass an empty program argument
        if (std::strcmp(argv[i], "--driver") == 0 && i + 1 < argc) {
            driver = argv[++i];
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("emx31-dap %s\n", vantor::kVersionText);
            return 0;
        } else {
            std::fprintf(stderr,
                         "usage: emx31-dap [--driver FILE] [--version]\n"
                         "Speaks the Debug Adapter Protocol on standard input and output; an editor starts it.\n"
                         "  --driver  the driver library to load (default: the one beside this program;\n"
                         "            a launch request may name another)\n");
            return std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
        }
    }
    if (driver.empty()) {
        std::error_code ec;
        const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
        const auto dir = ec ? std::filesystem::absolute(argv[0]).parent_path() : self.parent_path();
        driver = (dir / vantor::SharedLibrary::fileName("EMX31_EN")).string();
    }
    vantor::dap::ProtocolChannel channel(stdin, stdout);
    vantor::dbg::DapSession session(channel, driver);
    return session.run();
}
