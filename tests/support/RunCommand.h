#pragma once
// Runs a shell command and captures its output and exit status, for tests of the programs.
#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace vantor::test {

struct CommandResult {
    int status = -1;
    std::string output;  // stdout and stderr together
};

inline CommandResult runCommand(const std::string &command) {
    CommandResult r;
    FILE *pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return r;
    std::array<char, 4096> chunk;
    std::size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) r.output.append(chunk.data(), n);
    const int raw = ::pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

inline std::string binPath(const std::string &program) { return std::string(VANTOR_BIN_DIR) + "/" + program; }

}  // namespace vantor::test
