// cfgc: compiles configuration-file sources, dumps .cfg files back to text, checks them.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/SafeFile.h"
#include "tools/cfgc/CfgSource.h"

namespace fs = std::filesystem;
using namespace vantor;

namespace {

constexpr const char *kUsage =
    "usage: cfgc compile SOURCE.txt -o OUT.cfg\n"
    "       cfgc dump FILE.cfg [-o OUT.txt]\n"
    "       cfgc check FILE.cfg...\n"
    "See data/cfg/README.md for the source format.\n";

bool readBinary(const fs::path &path, std::vector<std::uint8_t> &data) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool writeFile(const fs::path &path, const void *data, std::size_t size, std::string &error) {
    const ReplaceResult r = replaceFile(path, std::string_view(static_cast<const char *>(data), size));
    if (!r) error = r.error;
    return r.ok;
}

int compileCommand(const fs::path &source, const fs::path &output) {
    const auto result = cfgc::compileFile(source);
    for (const auto &d : result.errors) std::fprintf(stderr, "%s\n", d.text().c_str());
    if (!result.ok()) {
        std::fprintf(stderr, "cfgc: %zu error(s), %s not written\n", result.errors.size(), output.string().c_str());
        return 1;
    }
    const auto image = cfg::encodeConfigImage(result.file);
    std::string error;
    if (!writeFile(output, image.data(), image.size(), error)) {
        std::fprintf(stderr, "cfgc: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

int dumpCommand(const fs::path &input, const fs::path &output) {
    std::vector<std::uint8_t> data;
    if (!readBinary(input, data)) {
        std::fprintf(stderr, "cfgc: cannot read %s\n", input.string().c_str());
        return 1;
    }
    cfg::ConfigFile file;
    std::string why;
    if (!cfg::decodeConfigImage(data, file, &why)) {
        std::fprintf(stderr, "%s: %s\n", input.string().c_str(), why.c_str());
        return 1;
    }
    const std::string text = "# " + input.filename().string() + "\n" + cfgc::dumpConfig(file);
    if (output.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    std::string error;
    if (!writeFile(output, text.data(), text.size(), error)) {
        std::fprintf(stderr, "cfgc: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

int checkCommand(const std::vector<fs::path> &files) {
    int rc = 0;
    for (const auto &f : files) {
        std::vector<std::uint8_t> data;
        cfg::ConfigFile file;
        std::string why = "cannot read the file";
        if (readBinary(f, data) && cfg::decodeConfigImage(data, file, &why)) {
            std::printf("%s: OK, %zu items on %u page(s)\n", f.string().c_str(), file.items.size(), file.pageCount);
        } else {
            std::fprintf(stderr, "%s: %s\n", f.string().c_str(), why.c_str());
            rc = 1;
        }
    }
    return rc;
}

}  // namespace

int main(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "-h" || args[0] == "--help") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    const std::string cmd = args[0];
    std::vector<fs::path> inputs;
    fs::path output;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size()) {
            output = args[++i];
        } else if (!args[i].empty() && args[i][0] == '-') {
            std::fprintf(stderr, "cfgc: unknown option %s\n%s", args[i].c_str(), kUsage);
            return 2;
        } else {
            inputs.emplace_back(args[i]);
        }
    }
    if (cmd == "compile" && inputs.size() == 1 && !output.empty()) return compileCommand(inputs[0], output);
    if (cmd == "dump" && inputs.size() == 1) return dumpCommand(inputs[0], output);
    if (cmd == "check" && !inputs.empty() && output.empty()) return checkCommand(inputs);
    std::fputs(kUsage, stderr);
    return 2;
}
