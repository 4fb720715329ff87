#pragma once
// Runs 8051 programs on the core and on s51 (ucsim) from the same memory contents and collects the
// register trace and the final memories of both, so they can be compared.

#include "sim/emx31/Cpu8051.h"

#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantor::emx31::judge {

struct Outcome {
    std::vector<Registers8051> trace;  // state after every step
    std::vector<std::uint8_t> iram;    // 256 bytes
    std::vector<std::uint8_t> xram;    // 65536 bytes
    std::bitset<256> opcodes;          // opcodes executed (core runs only)
    std::string error;                 // set when the run could not be made or parsed
};

// Reads an Intel HEX file into `code` (64 KiB); returns an error text or nothing.
std::optional<std::string> loadIntelHex(const std::string &path, std::vector<std::uint8_t> &code);

// The memory contents both simulators start from: patterned, so reads of unwritten memory show.
std::vector<std::uint8_t> initialIram();
std::vector<std::uint8_t> initialXram();

// A core loaded with `code` and the initial memories, reset.
void prepare(Cpu8051 &cpu, const std::vector<std::uint8_t> &code);

// Steps the core until the program reaches "sjmp ." or `maxSteps` steps were made. Steps are counted
// as s51 counts them: an interrupt call, and the first instruction of its handler, belong to the
// step of the instruction before it.
Outcome runCore(const std::vector<std::uint8_t> &code, std::size_t maxSteps);

// Runs `steps` steps of the program in s51 and parses its output.
Outcome runS51(const std::string &s51, const std::string &ihxPath, std::size_t steps, const std::string &workDir);

// The first difference between two outcomes as text, or nothing when they agree. s51 keeps a
// written parity bit until A changes; those steps are compared with the parity of A instead and
// counted in `parityCorrections`.
std::optional<std::string> compare(const Outcome &core, const Outcome &s51, std::size_t *parityCorrections = nullptr);

std::string describe(const Registers8051 &r);

}  // namespace vantor::emx31::judge
