#include "devices/DeviceTables.h"

namespace vantor {
namespace {

constexpr std::string_view kVendors[kVendorCount] = {
    "ACTRANS",           // 0
    "AKM",               // 1
    "ALI(Acer)",         // 2
    "ALLIANCE",          // 3
    "ALTERA",            // 4
    "AMD",               // 5
    "AMIC",              // 6
    "ANACHIP",           // 7
    "ASP",               // 8
    "ATC",               // 9
    "ATMEL",             // 10
    "ATMELW&M",          // 11
    "BRIGHT",            // 12
    "CATALYST",          // 13
    "CHIPCON",           // 14
    "CUSTOMER",          // 15
    "CYGNAL",            // 16
    "CYPRESS",           // 17
    "DALLAS",            // 18
    "DENSE-PAC",         // 19
    "ELECTRONICARRAYS",  // 20
    "EON",               // 21
    "EPSON",             // 22
    "EXEL",              // 23
    "FAIRCHILD",         // 24
    "FUJITSU",           // 25
    "GENERAL(GI)",       // 26
    "GENERIC",           // 27
    "GOAL",              // 28
    "GREENWICH",         // 29
    "HARRIS",            // 30
    "HITACHI",           // 31
    "HOLTEK",            // 32
    "HYNIX",             // 33
    "HYUNDAI",           // 34
    "ICE",               // 35
    "ICSI",              // 36
    "ICT",               // 37
    "IMT",               // 38
    "INFINEON",          // 39
    "INTEL",             // 40
    "ISSI",              // 41
    "LATTICE",           // 42
    "LGSemicon",         // 43
    "LINKSMART",         // 44
    "MACRONIX",          // 45
    "MEGAWIN",           // 46
    "MICON",             // 47
    "MICROCHIP",         // 48
    "MICRON",            // 49
    "MITSUBISHI",        // 50
    "MOSEL-VITELIC",     // 51
    "MOSTEK",            // 52
    "MOTOROLA",          // 53
    "MYSON",             // 54
    "NEC",               // 55
    "NEXFLASH",          // 56
    "NSC",               // 57
    "NTE",               // 58
    "NXP(PHILIPS)",      // 59
    "OKI",               // 60
    "PMC",               // 61
    "PTC",               // 62
    "QuickPulse",        // 63
    "RAMTRON",           // 64
    "RENESAS",           // 65
    "RICOH",             // 66
    "ROCKWELL",          // 67
    "ROHM",              // 68
    "SAIFUN",            // 69
    "SAMSUNG",           // 70
    "SANYO",             // 71
    "SEEQ",              // 72
    "SEIKO",             // 73
    "SHARP",             // 74
    "SIEMENS",           // 75
    "SIGNETICS",         // 76
    "SILICON",           // 77
    "SIMTEK",            // 78
    "SMOS",              // 79
    "SPANSION",          // 80
    "SSSC",              // 81
    "SST",               // 82
    "ST",                // 83
    "STC",               // 84
    "SYNCMOS",           // 85
    "SYNERTEK",          // 86
    "TECHCODE",          // 87
    "TEMIC",             // 88
    "TI",                // 89
    "TOSHIBA",           // 90
    "UMC",               // 91
    "VERSACHIPS",        // 92
    "VLSI",              // 93
    "WELTREND",          // 94
    "WINBOND",           // 95
    "WSI",               // 96
    "XICOR",             // 97
    "XILINX",            // 98
    "ZILOG",             // 99
    "ZMD",               // 100
};

constexpr std::string_view kAdapters[kAdapterCount] = {
    "ISP_24",          // 0
    "ISP_93",          // 1
    "ISP_AVR",         // 2
    "ISP_LPC900",      // 3
    "ISP_MSP430",      // 4
    "ISP_PIC",         // 5
    "ISP_PIC_HV",      // 6
    "ISP_S5X",         // 7
    "ISP",             // 8
    "ISP",             // 9
    "ISP",             // 10
    "ISP",             // 11
    "ISP",             // 12
    "ISP",             // 13
    "ISP",             // 14
    "ISP",             // 15
    "ISP",             // 16
    "ISP",             // 17
    "ISP",             // 18
    "ISP",             // 19
    "SOT23",           // 20
    "SOT23_5",         // 21
    "DIP8",            // 22
    "SOIC8/D8",        // 23
    "LAP8/D8",         // 24
    "SAP8/D8",         // 25
    "TSOP8/D8",        // 26
    "USON8/D8",        // 27
    "WSON8/D8",        // 28
    "TSSOP8/D8",       // 29
    "MSOP8/D8",        // 30
    "MAP8/D8",         // 31
    "DIP14",           // 32
    "TSSOP14/D14",     // 33
    "DIP16",           // 34
    "SOIC16/D16",      // 35
    "DIP20",           // 36
    "SOIC20/D20",      // 37
    "QFN20/D20",       // 38
    "TSSOP20/D20",     // 39
    "DIP24",           // 40
    "SOIC24/D24",      // 41
    "DIP28",           // 42
    "PLCC28/D28",      // 43
    "SOIC28/D28",      // 44
    "DIP32",           // 45
    "QFN32/D32",       // 46
    "PLCC32/D32",      // 47
    "VSOP32/D32",      // 48
    "TQFP32/D32",      // 49
    "TSOP32/D32",      // 50
    "DIP40",           // 51
    "SDIP42",          // 52
    "TQFP44",          // 53
    "PLCC44",          // 54
    "PSOP44",          // 55
    "PQFP44",          // 56
    "PLCC44/D40-M51",  // 57
    "TQFP44/D40-M51",  // 58
    "TSOP48",          // 59
    "FBGA48",          // 60
    "MLF48",           // 61
    "PLCC52",          // 62
    "VQFP64",          // 63
    "TQFP64",          // 64
    "PGA66",           // 65
    "PLCC68",          // 66
    "TQFP80",          // 67
    "PLCC84",          // 68
    "BGA88",           // 69
    "PQFP100",         // 70
    "TQFP100",         // 71
    "TQFP144",         // 72
};

}  // namespace

std::string_view vendorTableText(int index) {
    return index >= 0 && index < kVendorCount ? kVendors[index] : std::string_view{};
}

std::string_view adapterTableText(int index) {
    return index >= 0 && index < kAdapterCount ? kAdapters[index] : std::string_view{};
}

std::uint32_t operationFlagBit(int op) {
    static constexpr int kBit[kOperationCount] = {0, 1, 2, 3, 12, -1, 6, 7, 8, -1, 4, 5, 11, 13, 10, 14};
    return op >= 0 && op < kOperationCount && kBit[op] >= 0 ? (1u << kBit[op]) : 0u;
}

}  // namespace vantor
