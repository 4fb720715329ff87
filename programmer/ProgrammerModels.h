#pragma once
#include <optional>
#include <string_view>

namespace vantor {

struct ProgrammerModel {
    int code;
    std::string_view chineseName;  // UTF-8 here; shown when the language is Chinese
    std::string_view englishName;
    std::string_view libraryFile;
};

inline constexpr int kModelTR610 = 0x83;
inline constexpr int kModelTR620 = 0x85;
inline constexpr int kModelEMX31B = 0x5B;
inline constexpr int kModelUnlisted = 0x88;  // accepted when connecting, but has no row
// The models a user chooses among (disconnect mode, the simulator), in menu order.
inline constexpr int kListedModels[] = {kModelTR610, kModelTR620, kModelEMX31B};

// Null for a code without a row (0x88 included).
const ProgrammerModel *findModel(int code);
// By library base name, case-insensitive: "TR610", "tr620", "EMX31B".
const ProgrammerModel *findModelByName(std::string_view name);
bool isAcceptedModelCode(int code);

}  // namespace vantor
