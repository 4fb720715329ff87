#pragma once
// The 8051 flash chips the EMX31 downloads into, shared by its driver and its simulator.
#include <array>
#include <cstdint>
#include <string_view>

namespace vantor::emx31 {

struct FlashChip {
    const char *name;
    int maker;
    std::uint8_t family;
    std::uint8_t variant;
    std::uint32_t codeSize;
    bool isp() const { return std::string_view(name).find("@ISP") != std::string_view::npos; }
};

inline constexpr std::array<const char *, 4> kMakers{"ATMEL", "NXP", "SST", "WINBOND"};

inline constexpr std::array<FlashChip, 23> FlashChipTable{{
    {"AT89S51", 0, 0, 0, 4096},       {"AT89S52", 0, 0, 0, 8192},      {"AT89S53", 0, 5, 0, 12288},
    {"AT89S8252", 0, 5, 0, 8192},     {"AT89S54", 0, 4, 0, 16384},     {"AT89S58", 0, 4, 0, 32768},
    {"AT89S64", 0, 4, 0, 65536},      {"AT89C51ED2", 0, 4, 0, 65536},  {"AT89C51RD2", 0, 4, 0, 65536},
    {"AT89S51@ISP", 0, 0, 0, 4096},   {"AT89S52@ISP", 0, 0, 0, 8192},  {"AT89S53@ISP", 0, 5, 0, 12288},
    {"AT89S8252@ISP", 0, 5, 0, 8192}, {"P89V51RB2", 1, 1, 0, 16384},   {"P89V51RC2", 1, 1, 0, 32768},
    {"P89V51RD2", 1, 1, 0, 65536},    {"SST89E52RD", 2, 3, 0, 8192},   {"SST89E54RD", 2, 3, 1, 16384},
    {"SST89E58RD", 2, 3, 2, 32768},   {"SST89E564RD", 2, 3, 4, 65536}, {"SST89E516RD", 2, 3, 3, 65536},
    {"W78E58B", 3, 2, 0, 32768},      {"W78E516B", 3, 2, 0, 65536},
}};

}  // namespace vantor::emx31
