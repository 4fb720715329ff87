#include "debug/Stepper.h"

#include <algorithm>
#include <set>

#include "debug/CallStack.h"
#include "debug/Disassembler.h"

namespace vantor::debug {

namespace {
constexpr int kMaxRounds = 10000;
}  // namespace

Stepper::Stepper(const DebugInfo &info, const SourceMap &map, TargetControl &target)
    : info_(info), map_(map), target_(target) {}

std::uint8_t Stepper::codeByte(std::uint16_t address) {
    std::uint8_t b = 0;
    std::string ignored;
    target_.read(Space::Code, address, &b, 1, ignored);
    return b;
}

std::size_t Stepper::depth() {
    std::string ignored;
    return unwindStack(info_, target_, ignored).size();
}

std::vector<std::uint16_t> Stepper::returnsOf(const Function &f) {
    std::vector<std::uint16_t> out;
    if (!f.hasRange) return out;
    const auto fetch = [&](std::uint16_t a) { return codeByte(a); };
    for (std::uint32_t a = f.start; a <= f.end;) {
        const Instruction in = disassemble(std::uint16_t(a), fetch);
        if (in.flow == Instruction::Flow::Return) out.push_back(in.address);
        a += in.length;
    }
    return out;
}

Stepper::Outcome Stepper::lineStep(Mode mode) {
    Outcome out;
    const auto fetch = [&](std::uint16_t a) { return codeByte(a); };
    for (int round = 0; round < kMaxRounds; ++round) {
        const std::uint16_t pc = target_.pc();
        const auto ranges = map_.lineRanges(pc);
        const Function *function = info_.functionAt(pc);
        if (ranges.empty() || !function) {
            // No line here (library code): one instruction at a time is all we can do.
            ++out.steps;
            if (!target_.stepInstruction(out.error)) out.stop = TargetControl::Stop::Failed;
            return out;
        }
        auto inside = [&](std::uint32_t a) {
            return std::any_of(ranges.begin(), ranges.end(),
                               [&](const auto &r) { return a >= r.first && a < r.second; });
        };
        std::set<std::uint16_t> exits, calleeEntries, indirect, returns;
        for (const auto &r : ranges)
            for (std::uint32_t a = r.first; a < r.second;) {
                const Instruction in = disassemble(std::uint16_t(a), fetch);
                a += in.length;
                switch (in.flow) {
                case Instruction::Flow::Return: returns.insert(in.address); break;
                case Instruction::Flow::IndirectJump: indirect.insert(in.address); break;
                case Instruction::Flow::Jump:
                    if (!inside(in.target)) exits.insert(in.target);
                    break;
                case Instruction::Flow::Branch:
                    if (!inside(in.target)) exits.insert(in.target);
                    if (!inside(in.next())) exits.insert(in.next());
                    break;
                case Instruction::Flow::Call:
                    if (mode == Mode::Step)
                        if (const Function *callee = info_.functionAt(in.target); callee && callee->start == in.target)
                            if (auto entry = map_.entryAddress(*callee)) calleeEntries.insert(*entry);
                    if (!inside(in.next())) exits.insert(in.next());
                    break;
                case Instruction::Flow::Next:
                    if (!inside(in.next())) exits.insert(in.next());
                    break;
                }
            }
        if (mode == Mode::Until) {
            // Back to an earlier line of this function is the loop going round: not a stop.
            std::erase_if(exits, [&](std::uint16_t a) { return a < pc && function->contains(a); });
            for (auto r : returnsOf(*function)) returns.insert(r);
        }
        std::vector<std::uint16_t> temporary(exits.begin(), exits.end());
        temporary.insert(temporary.end(), calleeEntries.begin(), calleeEntries.end());
        temporary.insert(temporary.end(), indirect.begin(), indirect.end());
        temporary.insert(temporary.end(), returns.begin(), returns.end());
        const std::size_t startDepth = depth();
        // Runs until a stop in this activation (or one of its callers). A run from a return or an
        // indirect jump would step over it first and lose the stop: those are stepped here.
        std::uint16_t stopPc = pc;
        while (!returns.count(pc) && !indirect.count(pc)) {
            ++out.runs;
            out.stop = target_.runUntil(temporary, out.error);
            if (out.stop != TargetControl::Stop::Temporary) return out;
            stopPc = target_.pc();
            if (calleeEntries.count(stopPc) || depth() <= startDepth) break;
        }
        if (returns.count(stopPc) || indirect.count(stopPc)) {
            ++out.steps;
            if (!target_.stepInstruction(out.error)) return out.stop = TargetControl::Stop::Failed, out;
            const std::uint16_t after = target_.pc();
            if (inside(after)) continue;  // an indirect jump within the line
            if (map_.isLineStart(after) || !map_.locate(after)) return out;
            continue;  // returned into the middle of the caller's line: finish that line
        }
        if (map_.isLineStart(stopPc) || !map_.locate(stopPc)) return out;
    }
    out.stop = TargetControl::Stop::Failed;
    out.error = "the line did not end";
    return out;
}

Stepper::Outcome Stepper::next() { return lineStep(Mode::Next); }
Stepper::Outcome Stepper::step() { return lineStep(Mode::Step); }
Stepper::Outcome Stepper::until() { return lineStep(Mode::Until); }

Stepper::Outcome Stepper::finish() { return runTo({}); }

Stepper::Outcome Stepper::runTo(const std::vector<std::uint16_t> &addresses) {
    Outcome out;
    const Function *function = info_.functionAt(target_.pc());
    std::vector<std::uint16_t> returns;
    if (function) returns = returnsOf(*function);
    if (addresses.empty() && returns.empty()) {
        out.stop = TargetControl::Stop::Failed;
        out.error = "\"finish\" not meaningful outside a function with debug information.";
        return out;
    }
    std::vector<std::uint16_t> temporary = addresses;
    temporary.insert(temporary.end(), returns.begin(), returns.end());
    const std::size_t startDepth = depth();
    const std::uint16_t here = target_.pc();
    while (std::find(returns.begin(), returns.end(), here) == returns.end()) {
        ++out.runs;
        out.stop = target_.runUntil(temporary, out.error);
        if (out.stop != TargetControl::Stop::Temporary) return out;
        const std::uint16_t pc = target_.pc();
        if (std::find(addresses.begin(), addresses.end(), pc) != addresses.end()) return out;
        if (depth() <= startDepth) break;  // the return of this activation, not of a deeper one
    }
    ++out.steps;
    if (!target_.stepInstruction(out.error)) out.stop = TargetControl::Stop::Failed;
    return out;
}

}  // namespace vantor::debug
