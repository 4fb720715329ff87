#pragma once
// What the data compilers (devlibc, cfgc) share: their command line, reading a binary input and
// writing an output whole.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/SafeFile.h"

namespace vantor::buildtool {

namespace fs = std::filesystem;

// "TOOL COMMAND [INPUT...] [OPTION...]".
struct CommandLine {
    std::string command;
    std::vector<fs::path> inputs;
    std::map<std::string, fs::path, std::less<>> values;  // options with a value: "-o" -> OUT
    std::set<std::string, std::less<>> flags;             // options without one

    fs::path value(std::string_view option) const {
        const auto it = values.find(option);
        return it == values.end() ? fs::path() : it->second;
    }
    bool has(std::string_view flag) const { return flags.count(flag) != 0; }
};

// Reads argv into `line`. Answers an exit status when the program has nothing more to do: 0 after
// --help, 2 (with the usage on standard error) without arguments or after an unknown option.
// `valueOptions` take the next argument; one given last is unknown.
inline std::optional<int> parseCommandLine(int argc, char **argv, const char *program, const char *usage,
                                           const std::vector<std::string_view> &valueOptions,
                                           const std::vector<std::string_view> &flagOptions, CommandLine &line) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "-h" || args[0] == "--help") {
        std::fputs(usage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    line.command = args[0];
    auto among = [](const std::vector<std::string_view> &list, const std::string &a) {
        for (std::string_view o : list)
            if (o == a) return true;
        return false;
    };
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (among(flagOptions, args[i])) {
            line.flags.insert(args[i]);
        } else if (among(valueOptions, args[i]) && i + 1 < args.size()) {
            line.values[args[i]] = args[i + 1];
            ++i;
        } else if (!args[i].empty() && args[i][0] == '-') {
            std::fprintf(stderr, "%s: unknown option %s\n%s", program, args[i].c_str(), usage);
            return 2;
        } else {
            line.inputs.emplace_back(args[i]);
        }
    }
    return std::nullopt;
}

inline bool readBinaryFile(const fs::path &path, std::vector<std::uint8_t> &data) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Replaces the file at `path` with `bytes` (standard output when `path` is empty: the program
// checks it with flushStandardOutput before it exits). Answers the exit status; a failure is
// told as "<program>: <why>".
inline int writeOutput(const char *program, const fs::path &path, std::string_view bytes) {
    if (path.empty()) {
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        return 0;
    }
    const ReplaceResult r = replaceFile(path, bytes);
    if (r) return 0;
    std::fprintf(stderr, "%s: %s\n", program, r.error.c_str());
    return 1;
}

// The program's exit status: `status`, or 1 when standard output did not all arrive.
inline int exitStatus(const char *program, int status) {
    return !flushStandardOutput(program) && status == 0 ? 1 : status;
}

}  // namespace vantor::buildtool
