// The sdcc-built test program of the debug tests and a target made of its memory images.
#pragma once
#include <array>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "debug/DebugInfo.h"
#include "debug/Target.h"

namespace vantor::debug::testing {

inline std::string programFile(const std::string &name) { return std::string(DEBUG_PROGRAM_DIR) + "/" + name; }

inline std::string readText(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

inline const DebugInfo &programInfo() {
    static const DebugInfo info = [] {
        std::string error;
        auto i = DebugInfo::load(programFile("prog.cdb"), error);
        if (!i) throw std::runtime_error(error);
        return *i;
    }();
    return info;
}

// A stopped 8051 as plain arrays; code comes from an Intel HEX file.
class MemoryTarget : public TargetAccess {
public:
    explicit MemoryTarget(const std::string &hexPath = programFile("prog.ihx")) {
        code.fill(0xFF);
        std::istringstream lines(readText(hexPath));
        for (std::string line; std::getline(lines, line);) {
            if (line.size() < 11 || line[0] != ':' || line.substr(7, 2) != "00") continue;
            const unsigned count = std::stoul(line.substr(1, 2), nullptr, 16);
            const unsigned address = std::stoul(line.substr(3, 4), nullptr, 16);
            for (unsigned i = 0; i < count; ++i)
                code[address + i] = std::uint8_t(std::stoul(line.substr(9 + 2 * i, 2), nullptr, 16));
        }
    }
    bool read(Space space, std::uint32_t address, std::uint8_t *out, std::size_t count, std::string &error) override {
        for (std::size_t i = 0; i < count; ++i) {
            auto *cell = at(space, address + std::uint32_t(i));
            if (!cell) return error = "address out of range", false;
            out[i] = *cell;
        }
        ++reads;
        return true;
    }
    bool write(Space space, std::uint32_t address, const std::uint8_t *data, std::size_t count,
               std::string &error) override {
        for (std::size_t i = 0; i < count; ++i) {
            auto *cell = at(space, address + std::uint32_t(i));
            if (!cell || space == Space::Code) return error = "cannot write there", false;
            *cell = data[i];
        }
        return true;
    }
    std::uint16_t pc() override { return programCounter; }

    std::uint8_t *at(Space space, std::uint32_t a) {
        switch (space) {
        case Space::Code: return a < 0x10000 ? &code[a] : nullptr;
        case Space::Xdata: return a < 0x10000 ? &xdata[a] : nullptr;
        case Space::Idata: return a < 0x100 ? &ram[a] : nullptr;
        case Space::Data: return a < 0x80 ? &ram[a] : a < 0x100 ? &sfr[a] : nullptr;
        default: return nullptr;
        }
    }

    std::array<std::uint8_t, 0x10000> code{}, xdata{};
    std::array<std::uint8_t, 0x100> ram{}, sfr{};
    std::uint16_t programCounter = 0;
    int reads = 0;
};

}  // namespace vantor::debug::testing
