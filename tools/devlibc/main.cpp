// devlibc: compiles device-library sources, dumps libraries back to text, checks them.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/BuildTool.h"
#include "tools/devlibc/DevlibSource.h"

namespace fs = std::filesystem;
using namespace vantor;
using namespace vantor::devlibc;

namespace {

constexpr const char *kUsage =
    "usage: devlibc compile SOURCE.txt -o OUT.dev [--depfile FILE] [--strict]\n"
    "       devlibc dump FILE.dev [-o OUT.txt]\n"
    "       devlibc check FILE.dev...\n"
    "The library name stored in OUT.dev is OUT's file name. See data/README.md for the source format.\n"
    "compile warns about records the format holds but shipped data must not contain (an adapter or\n"
    "vendor outside its table, a duplicate, no memory area...); --strict refuses them, as check does.\n";

std::string makeEscape(const std::string &s) {
    std::string r;
    for (char c : s) {
        if (c == ' ' || c == '#' || c == '\\') r += '\\';
        if (c == '$') r += '$';
        r += c;
    }
    return r;
}

int compileCommand(const fs::path &source, const fs::path &output, const fs::path &depfile, bool strict) {
    const auto result = compileFile(source);
    for (const auto &d : result.errors) std::fprintf(stderr, "%s\n", d.text().c_str());
    for (const auto &d : result.warnings)
        std::fprintf(stderr, "%s:%d: %s: %s\n", d.file.c_str(), d.line, strict ? "error" : "warning",
                     d.message.c_str());
    const std::size_t errors = result.errors.size() + (strict ? result.warnings.size() : 0);
    if (errors) {
        std::fprintf(stderr, "devlibc: %zu error(s), %s not written\n", errors, output.string().c_str());
        return 1;
    }
    std::string error;
    const auto image = encodeLibrary(result.library, output.filename().string(), error);
    if (image.empty()) {
        std::fprintf(stderr, "devlibc: %s\n", error.c_str());
        return 1;
    }
    if (buildtool::writeOutput("devlibc", output,
                               std::string_view(reinterpret_cast<const char *>(image.data()), image.size())))
        return 1;
    if (!depfile.empty()) {
        std::string dep = makeEscape(output.string()) + ":";
        for (const auto &in : result.inputs) dep += " \\\n  " + makeEscape(in.string());
        if (buildtool::writeOutput("devlibc", depfile, dep + "\n")) return 1;
    }
    std::printf("devlibc: %s: %zu devices, %zu bytes\n", output.string().c_str(), result.library.devices.size(),
                image.size());
    return 0;
}

int dumpCommand(const fs::path &input, const fs::path &output) {
    std::vector<std::uint8_t> data;
    if (!buildtool::readBinaryFile(input, data)) {
        std::fprintf(stderr, "devlibc: cannot read %s\n", input.string().c_str());
        return 1;
    }
    Library lib;
    std::string name, error;
    if (!decodeLibrary(data, lib, name, error)) {
        std::fprintf(stderr, "%s: %s\n", input.string().c_str(), error.c_str());
        return 1;
    }
    return buildtool::writeOutput("devlibc", output, dumpLibrary(lib, name));
}

int checkCommand(const std::vector<fs::path> &files) {
    int rc = 0;
    for (const auto &file : files) {
        std::vector<std::uint8_t> data;
        if (!buildtool::readBinaryFile(file, data)) {
            std::fprintf(stderr, "%s: cannot read the file\n", file.string().c_str());
            rc = 1;
            continue;
        }
        std::size_t count = 0;
        const auto faults = checkLibraryImage(data, file.filename().string(), &count);
        for (const auto &f : faults) std::fprintf(stderr, "%s: %s\n", file.string().c_str(), f.c_str());
        if (faults.empty()) std::printf("%s: OK, %zu devices\n", file.string().c_str(), count);
        else rc = 1;
    }
    return rc;
}

int run(int argc, char **argv) {
    buildtool::CommandLine line;
    // --strict belongs to compile alone; with another command it is an unknown option.
    const bool compiling = argc > 1 && std::string_view(argv[1]) == "compile";
    const std::vector<std::string_view> flags =
        compiling ? std::vector<std::string_view>{"--strict"} : std::vector<std::string_view>{};
    if (const auto done = buildtool::parseCommandLine(argc, argv, "devlibc", kUsage, {"-o", "--depfile"}, flags, line))
        return *done;
    const std::string &cmd = line.command;
    const auto &inputs = line.inputs;
    const fs::path output = line.value("-o"), depfile = line.value("--depfile");
    if (cmd == "compile" && inputs.size() == 1 && !output.empty())
        return compileCommand(inputs[0], output, depfile, line.has("--strict"));
    if (cmd == "dump" && inputs.size() == 1 && depfile.empty()) return dumpCommand(inputs[0], output);
    if (cmd == "check" && !inputs.empty() && output.empty() && depfile.empty()) return checkCommand(inputs);
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char **argv) { return buildtool::exitStatus("devlibc", run(argc, argv)); }
