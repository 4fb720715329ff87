#include "sim/emx31/S51Judge.h"

#include <bit>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>

namespace vantor::emx31::judge {

namespace {

constexpr const char *kAfterSteps = "123454321";
constexpr const char *kAfterIram = "123454322";
constexpr const char *kAfterXram = "123454323";

int hexValue(const std::string &text, std::size_t at, std::size_t digits) {
    return std::stoi(text.substr(at, digits), nullptr, 16);
}

std::string hex(unsigned v, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, v);
    return buffer;
}

}  // namespace

std::optional<std::string> loadIntelHex(const std::string &path, std::vector<std::uint8_t> &code) {
    std::ifstream in(path);
    if (!in) return "cannot open " + path;
    code.assign(65536, 0);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line[0] != ':' || line.size() < 11) return path + ":" + std::to_string(lineNo) + ": not a record";
        const int count = hexValue(line, 1, 2);
        const int address = hexValue(line, 3, 4);
        const int type = hexValue(line, 7, 2);
        if (line.size() < 11u + 2u * count) return path + ":" + std::to_string(lineNo) + ": short record";
        unsigned sum = 0;
        for (int i = 0; i < 5 + count; ++i) sum += hexValue(line, 1 + 2 * i, 2);
        if ((sum & 0xFF) != 0) return path + ":" + std::to_string(lineNo) + ": bad checksum";
        if (type == 1) break;
        if (type != 0) continue;
        for (int i = 0; i < count; ++i)
            code[(address + i) & 0xFFFF] = static_cast<std::uint8_t>(hexValue(line, 9 + 2 * i, 2));
    }
    return std::nullopt;
}

std::vector<std::uint8_t> initialIram() {
    std::vector<std::uint8_t> m(256);
    for (int i = 0; i < 256; ++i) m[i] = static_cast<std::uint8_t>(i * 37 + 11);
    return m;
}

std::vector<std::uint8_t> initialXram() {
    std::vector<std::uint8_t> m(65536, 0x5A);
    for (int i = 0; i < 0x800; ++i) m[i] = static_cast<std::uint8_t>((i * 13 + (i >> 8)) ^ 0xC3);
    return m;
}

void prepare(Cpu8051 &cpu, const std::vector<std::uint8_t> &code) {
    const auto iram = initialIram();
    const auto xram = initialXram();
    for (std::size_t i = 0; i < 65536; ++i) {
        cpu.writeCode(static_cast<std::uint16_t>(i), code[i]);
        cpu.writeXdata(static_cast<std::uint16_t>(i), xram[i]);
    }
    for (int i = 0; i < 256; ++i) cpu.writeIram(static_cast<std::uint8_t>(i), iram[i]);
    cpu.reset();
}

Outcome runCore(const std::vector<std::uint8_t> &code, std::size_t maxSteps) {
    Outcome out;
    Cpu8051 cpu;
    prepare(cpu, code);
    cpu.setInterruptCallCycles(1);
    for (std::size_t n = 0; n < maxSteps; ++n) {
        const std::uint16_t before = cpu.pc();
        if (!cpu.interruptPending()) out.opcodes.set(cpu.readCode(cpu.pc()));
        if (cpu.step() == Cpu8051::kTrap) {
            out.error = "reserved opcode at " + hex(cpu.pc(), 4);
            break;
        }
        bool trapped = false;
        while (cpu.interruptPending() && !trapped) trapped = cpu.step() == Cpu8051::kTrap;
        if (trapped) {
            out.error = "reserved opcode at " + hex(cpu.pc(), 4);
            break;
        }
        out.trace.push_back(cpu.registers());
        const bool selfJump =
            cpu.readCode(before) == 0x80 && cpu.readCode(static_cast<std::uint16_t>(before + 1)) == 0xFE;
        if (selfJump && cpu.pc() == before && !cpu.interruptPending()) break;  // "sjmp ." ends a program
    }
    out.iram.assign(cpu.iram().begin(), cpu.iram().end());
    out.xram.assign(cpu.xdata().begin(), cpu.xdata().end());
    return out;
}

Outcome runS51(const std::string &s51, const std::string &ihxPath, std::size_t steps, const std::string &workDir) {
    Outcome out;
    const std::string script = workDir + "/s51-commands.txt";
    {
        std::ofstream cmd(script);
        // s51 reads this before the program file named on its command line, so the script loads it.
        cmd << "fill rom 0 0xffff 0\n";
        cmd << "file \"" << ihxPath << "\"\n";
        cmd << "reset\n";
        const auto iram = initialIram();
        const auto xram = initialXram();
        for (int base = 0; base < 256; base += 64) {
            cmd << "set memory iram " << base;
            for (int i = base; i < base + 64; ++i) cmd << ' ' << int(iram[i]);
            cmd << '\n';
        }
        cmd << "fill xram 0 0xffff " << int(xram[0xFFFF]) << '\n';
        for (int base = 0; base < 0x800; base += 64) {
            cmd << "set memory xram " << base;
            for (int i = base; i < base + 64; ++i) cmd << ' ' << int(xram[i]);
            cmd << '\n';
        }
        for (std::size_t n = 0; n < steps; ++n) cmd << "step\n";
        cmd << "expression " << kAfterSteps << "\n";
        cmd << "dump /h iram 0 0xff 16\n";
        cmd << "expression " << kAfterIram << "\n";
        cmd << "dump /h xram 0 0xffff 16\n";
        cmd << "expression " << kAfterXram << "\n";
        cmd << "quit\n";
    }
    const std::string command = "'" + s51 + "' -t 8052 -b -C '" + script + "' </dev/null 2>&1";
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) {
        out.error = "cannot start " + s51;
        return out;
    }
    std::string text;
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, got);
    pclose(pipe);

    // One step prints the registers (R0..R7 below their header line, ACC, B, PSW, SP, DPTR) and
    // ends with "F 0x<pc>".
    std::istringstream lines(text);
    std::string line;
    enum { Steps, Iram, Xram, Done } phase = Steps;
    out.iram.assign(256, 0);
    out.xram.assign(65536, 0);
    Registers8051 r;
    bool inBlock = false;
    static const std::regex acc(R"(ACC= 0x([0-9a-f]{2}).*B= 0x([0-9a-f]{2}))");
    static const std::regex psw(R"(PSW= 0x([0-9a-f]{2}))");
    static const std::regex sp(R"(^SP 0x([0-9a-f]{2}))");
    static const std::regex dptr(R"(DPTR= 0x([0-9a-f]{4}))");
    static const std::regex pc(R"(^F 0x([0-9a-f]{6}))");
    static const std::regex dump(R"(^0x([0-9a-f]{2,4})((?: [0-9a-f]{2}){1,16}))");
    std::smatch m;
    while (std::getline(lines, line)) {
        if (line == kAfterSteps) {
            phase = Iram;
            continue;
        }
        if (line == kAfterIram) {
            phase = Xram;
            continue;
        }
        if (line == kAfterXram) {
            phase = Done;
            continue;
        }
        if (phase == Steps) {
            if (line.find("R0 R1 R2 R3 R4 R5 R6 R7") != std::string::npos) {
                std::string values;
                if (!std::getline(lines, values)) break;
                std::istringstream v(values);
                for (int n = 0; n < 8; ++n) {
                    std::string byte;
                    v >> byte;
                    r.r[n] = static_cast<std::uint8_t>(std::stoi(byte, nullptr, 16));
                }
                inBlock = true;
            } else if (inBlock && std::regex_search(line, m, acc)) {
                r.a = static_cast<std::uint8_t>(std::stoi(m[1], nullptr, 16));
                r.b = static_cast<std::uint8_t>(std::stoi(m[2], nullptr, 16));
            } else if (inBlock && std::regex_search(line, m, psw)) {
                r.psw = static_cast<std::uint8_t>(std::stoi(m[1], nullptr, 16));
            } else if (inBlock && std::regex_search(line, m, sp)) {
                r.sp = static_cast<std::uint8_t>(std::stoi(m[1], nullptr, 16));
            } else if (inBlock && std::regex_search(line, m, dptr)) {
                r.dptr = static_cast<std::uint16_t>(std::stoi(m[1], nullptr, 16));
            } else if (inBlock && std::regex_search(line, m, pc)) {
                r.pc = static_cast<std::uint16_t>(std::stoi(m[1], nullptr, 16));
                out.trace.push_back(r);
                inBlock = false;
            }
        } else if ((phase == Iram || phase == Xram) && std::regex_search(line, m, dump)) {
            std::size_t address = std::stoul(m[1], nullptr, 16);
            std::istringstream v(m[2].str());
            std::string byte;
            auto &memory = phase == Iram ? out.iram : out.xram;
            while (v >> byte && address < memory.size())
                memory[address++] = static_cast<std::uint8_t>(std::stoi(byte, nullptr, 16));
        }
    }
    if (phase != Done) out.error = "s51 output ended early (" + std::to_string(out.trace.size()) + " steps read)";
    return out;
}

std::string describe(const Registers8051 &r) {
    std::string s = "PC=" + hex(r.pc, 4) + " A=" + hex(r.a, 2) + " B=" + hex(r.b, 2) + " PSW=" + hex(r.psw, 2) +
                    " SP=" + hex(r.sp, 2) + " DPTR=" + hex(r.dptr, 4) + " R=";
    for (int n = 0; n < 8; ++n) s += hex(r.r[n], 2) + (n < 7 ? "," : "");
    return s;
}

std::optional<std::string> compare(const Outcome &core, const Outcome &s51, std::size_t *parityCorrections) {
    if (!s51.error.empty()) return "s51: " + s51.error;
    if (!core.error.empty()) return "core: " + core.error;
    const std::size_t n = std::min(core.trace.size(), s51.trace.size());
    for (std::size_t i = 0; i < n; ++i) {
        // s51 recomputes P only when A is written, so after a write to PSW it shows the written bit;
        // the processor shows the parity of A at all times, and so does the core.
        Registers8051 expected = s51.trace[i];
        const std::uint8_t parity = static_cast<std::uint8_t>(std::popcount(expected.a) & 1);
        if ((expected.psw & kPswP) != parity) {
            expected.psw = static_cast<std::uint8_t>((expected.psw & ~kPswP) | parity);
            if (parityCorrections) ++*parityCorrections;
        }
        if (!(core.trace[i] == expected)) {
            std::string text = "step " + std::to_string(i + 1) + " differs\n  core: " + describe(core.trace[i]) +
                               "\n  s51:  " + describe(s51.trace[i]);
            for (std::size_t k = i > 6 ? i - 6 : 0; k < i; ++k)
                text += "\n  step " + std::to_string(k + 1) + ": " + describe(s51.trace[k]);
            return text;
        }
    }
    if (core.trace.size() != s51.trace.size())
        return "trace lengths differ: core " + std::to_string(core.trace.size()) + ", s51 " +
               std::to_string(s51.trace.size());
    for (std::size_t i = 0; i < 256; ++i)
        if (core.iram[i] != s51.iram[i])
            return "internal RAM " + hex(unsigned(i), 2) + ": core " + hex(core.iram[i], 2) + ", s51 " +
                   hex(s51.iram[i], 2);
    for (std::size_t i = 0; i < 65536; ++i)
        if (core.xram[i] != s51.xram[i])
            return "external RAM " + hex(unsigned(i), 4) + ": core " + hex(core.xram[i], 2) + ", s51 " +
                   hex(s51.xram[i], 2);
    return std::nullopt;
}

}  // namespace vantor::emx31::judge
