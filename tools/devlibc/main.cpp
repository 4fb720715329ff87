// devlibc: compiles device-library sources, dumps libraries back to text, checks them.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "core/SafeFile.h"
#include "tools/devlibc/DevlibSource.h"

namespace fs = std::filesystem;
using namespace vantor::devlibc;

namespace {

constexpr const char *kUsage =
    "usage: devlibc compile SOURCE.txt -o OUT.dev [--depfile FILE] [--strict]\n"
    "       devlibc dump FILE.dev [-o OUT.txt]\n"
    "       devlibc check FILE.dev...\n"
    "The library name stored in OUT.dev is OUT's file name. See data/README.md for the source format.\n"
    "compile warns about records the format holds but shipped data must not contain (an adapter or\n"
    "vendor outside its table, a duplicate, no memory area...); --strict refuses them, as check does.\n";

bool readBinary(const fs::path &path, std::vector<std::uint8_t> &data) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool writeAtomically(const fs::path &path, const void *data, std::size_t size, std::string &error) {
    const vantor::ReplaceResult r = vantor::replaceFile(path, std::string_view(static_cast<const char *>(data), size));
    if (!r) error = r.error;
    return r.ok;
}

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
    if (image.empty() || !writeAtomically(output, image.data(), image.size(), error)) {
        std::fprintf(stderr, "devlibc: %s\n", error.c_str());
        return 1;
    }
    if (!depfile.empty()) {
        std::string dep = makeEscape(output.string()) + ":";
        for (const auto &in : result.inputs) dep += " \\\n  " + makeEscape(in.string());
        dep += "\n";
        if (!writeAtomically(depfile, dep.data(), dep.size(), error)) {
            std::fprintf(stderr, "devlibc: %s\n", error.c_str());
            return 1;
        }
    }
    std::printf("devlibc: %s: %zu devices, %zu bytes\n", output.string().c_str(),
                result.library.devices.size(), image.size());
    return 0;
}

int dumpCommand(const fs::path &input, const fs::path &output) {
    std::vector<std::uint8_t> data;
    if (!readBinary(input, data)) {
        std::fprintf(stderr, "devlibc: cannot read %s\n", input.string().c_str());
        return 1;
    }
    Library lib;
    std::string name, error;
    if (!decodeLibrary(data, lib, name, error)) {
        std::fprintf(stderr, "%s: %s\n", input.string().c_str(), error.c_str());
        return 1;
    }
    const std::string text = dumpLibrary(lib, name);
    if (output.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;  // main checks that it arrived
    }
    if (!writeAtomically(output, text.data(), text.size(), error)) {
        std::fprintf(stderr, "devlibc: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

int checkCommand(const std::vector<fs::path> &files) {
    int rc = 0;
    for (const auto &file : files) {
        std::vector<std::uint8_t> data;
        if (!readBinary(file, data)) {
            std::fprintf(stderr, "%s: cannot read the file\n", file.string().c_str());
            rc = 1;
            continue;
        }
        std::size_t count = 0;
        const auto faults = checkLibraryImage(data, file.filename().string(), &count);
        for (const auto &f : faults) std::fprintf(stderr, "%s: %s\n", file.string().c_str(), f.c_str());
        if (faults.empty())
            std::printf("%s: OK, %zu devices\n", file.string().c_str(), count);
        else
            rc = 1;
    }
    return rc;
}

}  // namespace

int run(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "-h" || args[0] == "--help") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    const std::string cmd = args[0];
    std::vector<fs::path> inputs;
    fs::path output, depfile;
    bool strict = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--strict" && cmd == "compile") {
            strict = true;
            continue;
        }
        if ((args[i] == "-o" || args[i] == "--depfile") && i + 1 < args.size()) {
            fs::path &target = args[i] == "-o" ? output : depfile;
            target = args[++i];
        } else if (!args[i].empty() && args[i][0] == '-') {
            std::fprintf(stderr, "devlibc: unknown option %s\n%s", args[i].c_str(), kUsage);
            return 2;
        } else {
            inputs.emplace_back(args[i]);
        }
    }
    if (cmd == "compile" && inputs.size() == 1 && !output.empty())
        return compileCommand(inputs[0], output, depfile, strict);
    if (cmd == "dump" && inputs.size() == 1 && depfile.empty()) return dumpCommand(inputs[0], output);
    if (cmd == "check" && !inputs.empty() && output.empty() && depfile.empty()) return checkCommand(inputs);
    std::fputs(kUsage, stderr);
    return 2;
}

int main(int argc, char **argv) {
    const int status = run(argc, argv);
    if (!vantor::flushStandardOutput("devlibc") && status == 0) return 1;
    return status;
}
