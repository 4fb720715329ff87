#pragma once
// cfgc: the text form of a device configuration file, its compiler and its dumper.
// The text format is described in data/cfg/README.md.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "devices/ConfigFile.h"

namespace vantor::cfgc {

struct Diagnostic {
    std::string file;
    int line = 0;
    std::string message;
    std::string text() const { return file + ":" + std::to_string(line) + ": " + message; }
};

struct CompileResult {
    cfg::ConfigFile file;
    std::vector<Diagnostic> errors;
    bool ok() const { return errors.empty(); }
};

CompileResult compileText(std::string_view text, const std::string &fileName);
CompileResult compileFile(const std::filesystem::path &source);

// Every field is printed, so compiling the dump gives the same image byte for byte.
std::string dumpConfig(const cfg::ConfigFile &file);

}  // namespace vantor::cfgc
