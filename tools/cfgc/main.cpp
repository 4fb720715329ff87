// cfgc: compiles configuration-file sources, dumps .cfg files back to text, checks them.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/BuildTool.h"
#include "tools/cfgc/CfgSource.h"

namespace fs = std::filesystem;
using namespace vantor;

namespace {

constexpr const char *kUsage = "usage: cfgc compile SOURCE.txt -o OUT.cfg\n"
                               "       cfgc dump FILE.cfg [-o OUT.txt]\n"
                               "       cfgc check FILE.cfg...\n"
                               "See data/cfg/README.md for the source format.\n";

int compileCommand(const fs::path &source, const fs::path &output) {
    const auto result = cfgc::compileFile(source);
    for (const auto &d : result.errors) std::fprintf(stderr, "%s\n", d.text().c_str());
    if (!result.ok()) {
        std::fprintf(stderr, "cfgc: %zu error(s), %s not written\n", result.errors.size(), output.string().c_str());
        return 1;
    }
    const auto image = cfg::encodeConfigImage(result.file);
    return buildtool::writeOutput("cfgc", output,
                                  std::string_view(reinterpret_cast<const char *>(image.data()), image.size()));
}

int dumpCommand(const fs::path &input, const fs::path &output) {
    std::vector<std::uint8_t> data;
    if (!buildtool::readBinaryFile(input, data)) {
        std::fprintf(stderr, "cfgc: cannot read %s\n", input.string().c_str());
        return 1;
    }
    cfg::ConfigFile file;
    std::string why;
    if (!cfg::decodeConfigImage(data, file, &why)) {
        std::fprintf(stderr, "%s: %s\n", input.string().c_str(), why.c_str());
        return 1;
    }
    return buildtool::writeOutput("cfgc", output, "# " + input.filename().string() + "\n" + cfgc::dumpConfig(file));
}

int checkCommand(const std::vector<fs::path> &files) {
    int rc = 0;
    for (const auto &f : files) {
        std::vector<std::uint8_t> data;
        cfg::ConfigFile file;
        std::string why = "cannot read the file";
        if (buildtool::readBinaryFile(f, data) && cfg::decodeConfigImage(data, file, &why)) {
            std::printf("%s: OK, %zu items on %u page(s)\n", f.string().c_str(), file.items.size(), file.pageCount);
        } else {
            std::fprintf(stderr, "%s: %s\n", f.string().c_str(), why.c_str());
            rc = 1;
        }
    }
    return rc;
}

int run(int argc, char **argv) {
    buildtool::CommandLine line;
    if (const auto done = buildtool::parseCommandLine(argc, argv, "cfgc", kUsage, {"-o"}, {}, line)) return *done;
    const std::string &cmd = line.command;
    const auto &inputs = line.inputs;
    const fs::path output = line.value("-o");
    if (cmd == "compile" && inputs.size() == 1 && !output.empty()) return compileCommand(inputs[0], output);
    if (cmd == "dump" && inputs.size() == 1) return dumpCommand(inputs[0], output);
    if (cmd == "check" && !inputs.empty() && output.empty()) return checkCommand(inputs);
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char **argv) { return buildtool::exitStatus("cfgc", run(argc, argv)); }
