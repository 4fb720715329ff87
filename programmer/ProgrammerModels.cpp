#include <algorithm>
#include <cctype>

#include "programmer/ProgrammerModels.h"

namespace vantor {
namespace {

constexpr ProgrammerModel kModels[] = {
    {kModelTR610, "TR610 单片机开发实验仪", "TD610 MCU Development Kit", "TR610.dev"},
    {kModelTR620, "TR620 单片机开发实验仪", "TD620 MCU Development Kit", "TR620.dev"},
    {kModelEMX31B, "EMX31B", "EMX31B", "EMX31B.dev"},
};

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

}  // namespace

const ProgrammerModel *findModel(int code) {
    for (const auto &m : kModels)
        if (m.code == code) return &m;
    return nullptr;
}

const ProgrammerModel *findModelByName(std::string_view name) {
    for (const auto &m : kModels) {
        std::string_view base = m.libraryFile.substr(0, m.libraryFile.find('.'));
        if (equalsNoCase(base, name)) return &m;
    }
    return nullptr;
}

bool isAcceptedModelCode(int code) {
    return code == kModelTR610 || code == kModelTR620 || code == kModelEMX31B || code == kModelUnlisted;
}

}  // namespace vantor
