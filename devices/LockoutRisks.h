#pragma once
// Configuration choices that can lock a chip out of the programmer that writes them: a reset
// pin turned into I/O, serial programming disabled, a clock source the board may not have,
// lock and code-protection modes. The configuration file format has no room to mark them, so
// the rules live here and are matched against the files' controls by their bit names.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "devices/ConfigFile.h"

namespace vantor {

struct LockoutRule;

// One dangerous choice in a configuration.
struct LockoutRisk {
    std::size_t item = 0;          // the control in the configuration file
    int byteIndex = 0;             // the config_data byte it sets
    std::string bit;               // "RSTDISBL", "CKSEL"
    std::string choice;            // "[x] RSTDISBL: ...", "(*) Mode 3: ...", "CKSEL = External clock (0000)"
    std::string_view consequence;  // what it does and what undoes it
};

// The rule that applies to a control of the device's configuration file, or null: what the
// Config dialog marks.
const LockoutRule *lockoutRule(const cfg::ConfigFile &file, std::size_t item, const DeviceRecord &device);
std::string_view lockoutConsequence(const LockoutRule &rule);
// True for a control serial programming cannot change (SPIEN), shown read-only.
bool lockoutReadOnly(const LockoutRule &rule);

// The dangerous choices that `config` (48 bytes) makes where it differs from the file's
// factory configuration.
std::vector<LockoutRisk> lockoutRisks(const cfg::ConfigFile &file, const DeviceRecord &device,
                                      std::span<const std::uint8_t> config);
// Those of them that the operations (numbers, an Auto list ends at 0xFF) write: Write Fuse and
// Write Config send bytes 0..15, Protect bytes 16..31.
std::vector<LockoutRisk> risksWritten(const std::vector<LockoutRisk> &risks, std::span<const std::uint8_t> ops);
// The same for the device as it stands, its configuration file read without messages; empty
// when it has none or the file cannot be read (the engine then refuses the write anyway).
std::vector<LockoutRisk> lockoutRisksOf(const std::filesystem::path &libraryDirectory, const DeviceRecord &device,
                                        std::span<const std::uint8_t> ops);
// Each risk's choice on a line, its consequence on the next (indented).
std::string describeRisks(const std::vector<LockoutRisk> &risks);

}  // namespace vantor
