// Instructions per second of the 8051 core and of s51 on the same sdcc-built program, measured in
// one run. Both are timed by processor time, so a busy machine slows neither figure much.
//   vantor_cpu8051_bench [--s51 PATH] [program.ihx]

#include "sim/emx31/Cpu8051.h"
#include "sim/emx31/S51Judge.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

using namespace vantor::emx31;

namespace {

double childCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ownCpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

bool atSelfJump(const Cpu8051 &cpu) {
    return cpu.readCode(cpu.pc()) == 0x80 && cpu.readCode(static_cast<std::uint16_t>(cpu.pc() + 1)) == 0xFE;
}

}  // namespace

int main(int argc, char **argv) {
    std::string s51 = VANTOR_S51_PATH;
    std::string program = VANTOR_BENCH_PROGRAM;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--s51") && i + 1 < argc) s51 = argv[++i];
        else program = argv[i];
    }
    std::vector<std::uint8_t> code;
    if (auto error = judge::loadIntelHex(program, code)) {
        std::fprintf(stderr, "%s\n", error->c_str());
        return 1;
    }

    // Find where the program ends and how long it is.
    Cpu8051 cpu;
    judge::prepare(cpu, code);
    cpu.setInterruptCallCycles(1);
    RunResult8051 probe = cpu.run(1'000'000'000, nullptr, atSelfJump);
    if (probe.reason != StopReason8051::Predicate) {
        std::fprintf(stderr, "the program does not reach \"sjmp .\"\n");
        return 1;
    }
    const std::uint16_t end = cpu.pc();
    const std::uint64_t instructions = probe.instructions;
    const std::uint64_t cycles = probe.cycles;
    Breakpoints8051 stopAt;
    stopAt.set(end);

    // The core: repeat until half a second of processor time has passed.
    std::uint64_t executed = 0;
    const double coreStart = ownCpuSeconds();
    double coreSeconds = 0;
    do {
        judge::prepare(cpu, code);
        executed += cpu.run(instructions + 1, &stopAt).instructions;
        coreSeconds = ownCpuSeconds() - coreStart;
    } while (coreSeconds < 0.5);
    const double coreRate = executed / coreSeconds;
    std::printf("program: %s, %llu instructions, %llu machine cycles to C:%04X\n", program.c_str(),
                static_cast<unsigned long long>(instructions), static_cast<unsigned long long>(cycles), end);
    std::printf("core:    %.1f million instructions per second\n", coreRate / 1e6);

    // s51: one run of the same program to the same address.
    const std::string script = "/tmp/vantor-cpu8051-bench.cmd";
    {
        std::ofstream cmd(script);
        char stop[16];
        std::snprintf(stop, sizeof stop, "0x%04X", end);
        cmd << "file \"" << program << "\"\nrun 0 " << stop << "\nquit\n";
    }
    const std::string command = "'" + s51 + "' -t 8052 -b -C '" + script + "' </dev/null 2>&1";
    const double s51Start = childCpuSeconds();
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) {
        std::fprintf(stderr, "cannot start %s\n", s51.c_str());
        return 1;
    }
    std::string output;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
    const int status = pclose(pipe);
    const double s51Seconds = childCpuSeconds() - s51Start;
    unsigned long long ticks = 0;
    const std::size_t at = output.find("Simulated ");
    if (status != 0 || at == std::string::npos ||
        std::sscanf(output.c_str() + at, "Simulated %llu ticks", &ticks) != 1) {
        std::fprintf(stderr, "s51 did not run the program:\n%s\n", output.c_str());
        return 1;
    }
    if (ticks != cycles * 12)
        std::printf("note: s51 simulated %llu clock ticks, the core %llu\n", ticks,
                    static_cast<unsigned long long>(cycles * 12));
    const double s51Rate = instructions / s51Seconds;
    std::printf("s51:     %.1f million instructions per second\n", s51Rate / 1e6);
    std::printf("ratio:   %.1f\n", coreRate / s51Rate);
    return 0;
}
