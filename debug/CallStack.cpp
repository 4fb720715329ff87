#include "debug/CallStack.h"

#include <array>

namespace vantor::debug {

namespace {
constexpr std::uint8_t kSp = 0x81;
}

std::optional<std::uint8_t> framePointerAddress(const Function &function, TargetAccess &target) {
    if (!function.hasRange || !function.reentrant) return std::nullopt;
    std::uint8_t code[5];
    std::string error;
    if (!target.read(Space::Code, function.start, code, sizeof code, error)) return std::nullopt;
    // push bp ; mov bp,sp
    if (code[0] == 0xC0 && code[2] == 0x85 && code[3] == kSp && code[4] == code[1]) return code[1];
    return std::nullopt;
}

std::vector<Frame> unwindStack(const DebugInfo &info, TargetAccess &target, std::string &error, std::size_t maxDepth) {
    std::vector<Frame> frames;
    std::array<std::uint8_t, 256> ram{};
    std::uint8_t sp = 0;
    if (!target.read(Space::Idata, 0, ram.data(), 128, error) ||
        !target.read(Space::Idata, 128, ram.data() + 128, 128, error) || !target.read(Space::Data, kSp, &sp, 1, error))
        return frames;
    auto codeByte = [&](std::uint16_t a) {
        std::uint8_t b = 0;
        std::string ignored;
        target.read(Space::Code, a, &b, 1, ignored);
        return b;
    };
    // True when the instruction before `ret` is a call of `callee` (or of anything, when 0xFFFFFFFF).
    auto callsInto = [&](std::uint16_t ret, std::uint32_t callee) {
        if (ret >= 3 && codeByte(std::uint16_t(ret - 3)) == 0x12) {
            const std::uint16_t t =
                std::uint16_t(codeByte(std::uint16_t(ret - 2)) << 8 | codeByte(std::uint16_t(ret - 1)));
            if (callee == 0xFFFFFFFFu || t == callee) return true;
        }
        if (ret >= 2) {
            const std::uint8_t op = codeByte(std::uint16_t(ret - 2));
            if ((op & 0x1F) == 0x11) {
                const std::uint16_t t =
                    std::uint16_t((ret & 0xF800) | ((op & 0xE0) << 3) | codeByte(std::uint16_t(ret - 1)));
                if (callee == 0xFFFFFFFFu || t == callee) return true;
            }
        }
        return false;
    };

    Frame frame;
    frame.pc = target.pc();
    frame.function = info.functionAt(frame.pc);
    std::optional<std::uint8_t> bpContext;  // the value _bp holds for the frame being looked at
    std::optional<std::uint8_t> bpAddress;
    for (const auto &f : info.functions())
        if (!bpAddress) bpAddress = framePointerAddress(f, target);
    if (bpAddress) bpContext = ram[*bpAddress];
    int top = sp;
    while (frames.size() < maxDepth) {
        const Function *f = frame.function;
        // Find the return address of this frame.
        std::optional<std::uint8_t> entry;
        for (int i = top; i >= 9 && !entry; --i) {
            const std::uint16_t ret = std::uint16_t(ram[std::size_t(i)] << 8 | ram[std::size_t(i - 1)]);
            const bool ok = f && f->isInterrupt ? info.functionAt(ret) != nullptr
                                                : callsInto(ret, f && f->hasRange ? f->start : 0xFFFFFFFFu);
            if (ok) entry = std::uint8_t(i);
        }
        frame.entrySp = entry;
        std::optional<std::uint8_t> callerBp = bpContext;
        if (f && f->reentrant && bpAddress && framePointerAddress(*f, target)) {
            const unsigned offset = frame.pc - f->start;
            if (offset >= 5) frame.framePointer = bpContext;
            if (offset >= 2 && entry) callerBp = ram[std::uint8_t(*entry + 1)];
        }
        frames.push_back(frame);
        if (!entry || (f && f->name == "main") || !f) break;
        Frame caller;
        caller.pc = std::uint16_t(ram[*entry] << 8 | ram[std::uint8_t(*entry - 1)]);
        caller.function = info.functionAt(caller.pc);
        caller.innermost = false;
        if (!caller.function) {
            frames.push_back(caller);
            break;
        }
        bpContext = callerBp;
        top = *entry - 2;
        frame = caller;
    }
    return frames;
}

}  // namespace vantor::debug
