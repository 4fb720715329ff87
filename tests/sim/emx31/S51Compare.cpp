// Runs each 8051 program on the core and on s51 and fails on the first difference in the register
// trace or the final memories; also fails when the programs together leave an opcode unexecuted.
// Exit code 77 (skipped) when s51 or the programs are not there.

#include "sim/emx31/S51Judge.h"

#include <bitset>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using namespace vantor::emx31;

int main(int argc, char **argv) {
    std::string s51;
    std::string workDir = std::filesystem::temp_directory_path().string();
    std::size_t maxSteps = 20000;
    std::vector<std::string> programs;
    bool show = false;  // print both traces side by side
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--skip") && i + 1 < argc) {
            std::printf("skipped: %s\n", argv[++i]);
            return 77;
        }
        if (!std::strcmp(argv[i], "--s51") && i + 1 < argc) s51 = argv[++i];
        else if (!std::strcmp(argv[i], "--work") && i + 1 < argc) workDir = argv[++i];
        else if (!std::strcmp(argv[i], "--show")) show = true;
        else if (!std::strcmp(argv[i], "--max-steps") && i + 1 < argc) maxSteps = std::stoul(argv[++i]);
        else programs.push_back(argv[i]);
    }
    if (s51.empty() || !std::filesystem::exists(s51)) {
        std::printf("skipped: s51 (package sdcc-ucsim) not found\n");
        return 77;
    }
    std::filesystem::create_directories(workDir);
    std::bitset<256> executed;
    int failures = 0;
    for (const std::string &path : programs) {
        std::vector<std::uint8_t> code;
        if (auto error = judge::loadIntelHex(path, code)) {
            std::printf("FAIL %s: %s\n", path.c_str(), error->c_str());
            ++failures;
            continue;
        }
        const judge::Outcome core = judge::runCore(code, maxSteps);
        const judge::Outcome ref = judge::runS51(s51, path, core.trace.size(), workDir);
        executed |= core.opcodes;
        if (show) {
            for (std::size_t k = 0; k < std::max(core.trace.size(), ref.trace.size()); ++k) {
                std::printf("%5zu core %s\n", k + 1,
                            k < core.trace.size() ? judge::describe(core.trace[k]).c_str() : "-");
                std::printf("      s51  %s\n", k < ref.trace.size() ? judge::describe(ref.trace[k]).c_str() : "-");
            }
        }
        std::size_t parityCorrections = 0;
        if (auto difference = judge::compare(core, ref, &parityCorrections)) {
            std::printf("FAIL %s: %s\n", path.c_str(), difference->c_str());
            ++failures;
        } else {
            std::printf("ok   %s: %zu steps identical, memories identical", path.c_str(), core.trace.size());
            if (parityCorrections)
                std::printf(" (%zu steps after a write to PSW compared with P = parity of A)", parityCorrections);
            std::printf("\n");
        }
    }
    std::string missing;
    for (int op = 0; op < 256; ++op) {
        char text[8];
        std::snprintf(text, sizeof text, " %02X", op);
        if (op != kReservedOpcode && !executed.test(op)) missing += text;
    }
    if (!missing.empty()) {
        std::printf("FAIL opcodes never executed:%s\n", missing.c_str());
        ++failures;
    }
    return failures ? 1 : 0;
}
