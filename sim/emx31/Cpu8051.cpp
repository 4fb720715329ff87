#include "sim/emx31/Cpu8051.h"

namespace vantor::emx31 {

namespace {

// Machine cycles per opcode (0xA5 is never executed).
constexpr std::array<std::uint8_t, 256> kCycles = [] {
    std::array<std::uint8_t, 256> c{};
    for (auto &v : c) v = 1;
    for (int op = 0; op < 256; ++op) {
        if ((op & 0x1F) == 0x01 || (op & 0x1F) == 0x11) c[op] = 2;  // AJMP / ACALL
    }
    for (int op : {0x02, 0x12, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x22, 0x32, 0x43, 0x53, 0x63,
                   0x72, 0x82, 0xA0, 0xB0, 0x73, 0x75, 0x83, 0x93, 0x85, 0x86, 0x87, 0x90, 0x92, 0xA3, 0xA6,
                   0xA7, 0xB4, 0xB5, 0xB6, 0xB7, 0xC0, 0xD0, 0xD5, 0xE0, 0xE2, 0xE3, 0xF0, 0xF2, 0xF3})
        c[op] = 2;
    for (int op = 0x88; op <= 0x8F; ++op) c[op] = 2;  // MOV dir,Rn
    for (int op = 0xA8; op <= 0xAF; ++op) c[op] = 2;  // MOV Rn,dir
    for (int op = 0xB8; op <= 0xBF; ++op) c[op] = 2;  // CJNE Rn
    for (int op = 0xD8; op <= 0xDF; ++op) c[op] = 2;  // DJNZ Rn
    c[0x84] = 4;                                      // DIV
    c[0xA4] = 4;                                      // MUL
    return c;
}();

constexpr std::array<std::uint8_t, 256> kParity = [] {
    std::array<std::uint8_t, 256> p{};
    for (int v = 0; v < 256; ++v) {
        int bits = 0;
        for (int b = 0; b < 8; ++b) bits += (v >> b) & 1;
        p[v] = static_cast<std::uint8_t>(bits & 1);
    }
    return p;
}();

constexpr std::uint8_t S(std::uint8_t address) { return static_cast<std::uint8_t>(address - 0x80); }

// TCON bits.
constexpr std::uint8_t TF1 = 0x80, TR1 = 0x40, TF0 = 0x20, TR0 = 0x10, IE1 = 0x08, IT1 = 0x04, IE0 = 0x02, IT0 = 0x01;

}  // namespace

Cpu8051::Cpu8051() { reset(); }

void Cpu8051::reset() {
    sfr_.fill(0);
    sfr_[S(sfr::SP)] = 0x07;
    for (std::uint8_t port : {sfr::P0, sfr::P1, sfr::P2, sfr::P3}) sfr_[S(port)] = 0xFF;
    pc_ = 0;
    inService_ = 0;
    blockInterrupt_ = false;
    lastPinLow_ = {pinLow(0), pinLow(1)};
    levelPinLow_ = lastPinLow_[0] || lastPinLow_[1];
}

std::uint8_t Cpu8051::psw() const {
    return static_cast<std::uint8_t>((sfr_[S(sfr::PSW)] & ~kPswP) | kParity[sfr_[S(sfr::ACC)]]);
}

Registers8051 Cpu8051::registers() const {
    Registers8051 r;
    r.a = a();
    r.b = sfr_[S(sfr::B)];
    r.psw = psw();
    r.sp = sfr_[S(sfr::SP)];
    r.dptr = static_cast<std::uint16_t>(sfr_[S(sfr::DPH)] << 8 | sfr_[S(sfr::DPL)]);
    r.pc = pc_;
    for (int n = 0; n < 8; ++n) r.r[n] = reg(n);
    return r;
}

void Cpu8051::setRegisters(const Registers8051 &r) {
    sfr_[S(sfr::PSW)] = r.psw;
    sfr_[S(sfr::ACC)] = r.a;
    sfr_[S(sfr::B)] = r.b;
    sfr_[S(sfr::SP)] = r.sp;
    sfr_[S(sfr::DPH)] = static_cast<std::uint8_t>(r.dptr >> 8);
    sfr_[S(sfr::DPL)] = static_cast<std::uint8_t>(r.dptr);
    pc_ = r.pc;
    for (int n = 0; n < 8; ++n) iram_[(r.psw & 0x18) | n] = r.r[n];
}

void Cpu8051::loadCode(std::uint16_t address, std::span<const std::uint8_t> data) {
    for (std::uint8_t byte : data) code_[address++] = byte;
}

std::uint8_t Cpu8051::readDirect(std::uint8_t address) const {
    if (address < 0x80) return iram_[address];
    if (address == sfr::PSW) return psw();
    return sfr_[S(address)];
}

void Cpu8051::writeDirect(std::uint8_t address, std::uint8_t value) {
    if (address < 0x80) {
        iram_[address] = value;
        return;
    }
    sfr_[S(address)] = value;
    switch (address) {
    case sfr::IE:
    case sfr::IP: blockInterrupt_ = true; break;
    case sfr::P3:
    case sfr::TCON: sampleExternalPins(); break;
    case sfr::SBUF:
        if (onSerialTransmit) onSerialTransmit(value);
        break;
    default: break;
    }
}

bool Cpu8051::readBit(std::uint8_t bitAddress) const {
    const std::uint8_t byte = bitAddress < 0x80 ? static_cast<std::uint8_t>(0x20 + (bitAddress >> 3))
                                                : static_cast<std::uint8_t>(bitAddress & 0xF8);
    return (readDirect(byte) >> (bitAddress & 7)) & 1;
}

void Cpu8051::writeBit(std::uint8_t bitAddress, bool value) {
    const std::uint8_t byte = bitAddress < 0x80 ? static_cast<std::uint8_t>(0x20 + (bitAddress >> 3))
                                                : static_cast<std::uint8_t>(bitAddress & 0xF8);
    const std::uint8_t mask = static_cast<std::uint8_t>(1u << (bitAddress & 7));
    const std::uint8_t old = byte < 0x80 ? iram_[byte] : sfr_[S(byte)];
    writeDirect(byte, static_cast<std::uint8_t>(value ? (old | mask) : (old & ~mask)));
}

void Cpu8051::setInterruptPin(int which, bool high) {
    extPinHigh_[which & 1] = high;
    sampleExternalPins();
}

bool Cpu8051::pinLow(int which) const {
    const std::uint8_t latchBit = which == 0 ? 0x04 : 0x08;
    return !extPinHigh_[which] || !(sfr_[S(sfr::P3)] & latchBit);
}

// Edge-triggered requests latch on a falling edge as soon as the pin falls.
void Cpu8051::sampleExternalPins() {
    std::uint8_t &tcon = sfr_[S(sfr::TCON)];
    for (int n = 0; n < 2; ++n) {
        const bool low = pinLow(n);
        if ((tcon & (n == 0 ? IT0 : IT1)) && low && !lastPinLow_[n]) tcon |= n == 0 ? IE0 : IE1;
        lastPinLow_[n] = low;
    }
    levelPinLow_ = lastPinLow_[0] || lastPinLow_[1];
}

// Level-triggered requests follow the pins as they were when an instruction began, so a pin
// pulled low by an instruction requests an interrupt one instruction later.
void Cpu8051::sampleLevels() {
    std::uint8_t &tcon = sfr_[S(sfr::TCON)];
    if (!(tcon & IT0)) tcon = static_cast<std::uint8_t>(pinLow(0) ? (tcon | IE0) : (tcon & ~IE0));
    if (!(tcon & IT1)) tcon = static_cast<std::uint8_t>(pinLow(1) ? (tcon | IE1) : (tcon & ~IE1));
}

void Cpu8051::tickTimers(unsigned n) {
    const std::uint8_t tcon = sfr_[S(sfr::TCON)];
    if (!(tcon & (TR0 | TR1))) return;
    const std::uint8_t tmod = sfr_[S(sfr::TMOD)];
    std::uint8_t flags = 0;
    const bool t0Mode3 = (tmod & 0x03) == 0x03;

    // Timer `t` (0 or 1) counting n machine cycles in `mode`; returns whether it overflowed.
    auto count = [&](int t, int mode) -> bool {
        std::uint8_t &tl = sfr_[S(t == 0 ? sfr::TL0 : sfr::TL1)];
        std::uint8_t &th = sfr_[S(t == 0 ? sfr::TH0 : sfr::TH1)];
        switch (mode) {
        case 0: {
            unsigned v = (unsigned(th) << 5 | (tl & 0x1F)) + n;
            tl = static_cast<std::uint8_t>((tl & 0xE0) | (v & 0x1F));
            th = static_cast<std::uint8_t>(v >> 5);
            return v > 0x1FFF;
        }
        case 1: {
            unsigned v = (unsigned(th) << 8 | tl) + n;
            tl = static_cast<std::uint8_t>(v);
            th = static_cast<std::uint8_t>(v >> 8);
            return v > 0xFFFF;
        }
        case 2: {
            bool overflow = false;
            unsigned v = tl + n;
            while (v > 0xFF) {
                overflow = true;
                v = th + (v - 0x100);
            }
            tl = static_cast<std::uint8_t>(v);
            return overflow;
        }
        default: {  // mode 3 of timer 0: TL0 alone as an 8-bit timer
            unsigned v = tl + n;
            tl = static_cast<std::uint8_t>(v);
            return v > 0xFF;
        }
        }
    };
    auto gateOpen = [&](int t) {
        const std::uint8_t gate = t == 0 ? 0x08 : 0x80;
        return !(tmod & gate) || !pinLow(t);
    };

    // Counter mode (C/T set) counts pin edges, which nothing drives here.
    if ((tcon & TR0) && !(tmod & 0x04) && gateOpen(0) && count(0, tmod & 0x03)) flags |= TF0;
    if (t0Mode3 && (tcon & TR1)) {
        std::uint8_t &th0 = sfr_[S(sfr::TH0)];
        if (th0 + n > 0xFF) flags |= TF1;
        th0 = static_cast<std::uint8_t>(th0 + n);
    }
    const int mode1 = (tmod >> 4) & 0x03;
    if (mode1 != 3 && (tcon & TR1) && !(tmod & 0x40) && gateOpen(1)) {
        if (count(1, mode1) && !t0Mode3) flags |= TF1;
    }
    sfr_[S(sfr::TCON)] |= flags;
}

// The source (0..4 in polling order) of the interrupt the priorities allow next, or -1.
int Cpu8051::pendingSource(bool *high) const {
    if (blockInterrupt_) return -1;
    const std::uint8_t ie = sfr_[S(sfr::IE)];
    if (!(ie & 0x80) || inService_ & 2) return -1;
    const std::uint8_t tcon = sfr_[S(sfr::TCON)];
    const std::uint8_t scon = sfr_[S(sfr::SCON)];
    std::uint8_t pending =
        static_cast<std::uint8_t>(((tcon & IE0) ? 0x01 : 0) | ((tcon & TF0) ? 0x02 : 0) | ((tcon & IE1) ? 0x04 : 0) |
                                  ((tcon & TF1) ? 0x08 : 0) | ((scon & 0x03) ? 0x10 : 0));
    pending &= ie & 0x1F;
    if (!pending) return -1;
    const std::uint8_t highRequests = pending & sfr_[S(sfr::IP)];
    if (!highRequests && inService_) return -1;  // a low-priority handler runs
    const std::uint8_t chosen = highRequests ? highRequests : pending;
    *high = highRequests != 0;
    int source = 0;
    while (!(chosen & (1u << source))) ++source;
    return source;
}

bool Cpu8051::interruptPending() const {
    bool high = false;
    return pendingSource(&high) >= 0;
}

// Makes the call of the highest pending interrupt the priorities allow; returns whether it did.
bool Cpu8051::serviceInterrupt() {
    bool isHigh = false;
    const int source = pendingSource(&isHigh);
    if (source < 0) return false;
    const std::uint8_t tcon = sfr_[S(sfr::TCON)];
    static constexpr std::uint16_t kVectors[5] = {kVectorIE0, kVectorTF0, kVectorIE1, kVectorTF1, kVectorSerial};
    std::uint8_t &sp = sfr_[S(sfr::SP)];
    iram_[++sp] = static_cast<std::uint8_t>(pc_);
    iram_[++sp] = static_cast<std::uint8_t>(pc_ >> 8);
    pc_ = kVectors[source];
    inService_ |= isHigh ? 2 : 1;
    std::uint8_t &tconRef = sfr_[S(sfr::TCON)];
    switch (source) {
    case 0:
        if (tcon & IT0) tconRef &= ~IE0;
        break;
    case 1: tconRef &= ~TF0; break;
    case 2:
        if (tcon & IT1) tconRef &= ~IE1;
        break;
    case 3: tconRef &= ~TF1; break;
    default: break;  // the handler clears RI/TI itself
    }
    return true;
}

#if defined(__GNUC__)
[[gnu::always_inline]]
#endif
inline int
Cpu8051::stepInline() {
    int spent = 0;
    if ((sfr_[S(sfr::IE)] & 0x80) && serviceInterrupt()) {
        spent = interruptCallCycles_;
        cycles_ += spent;
        tickTimers(spent);
    }
    blockInterrupt_ = false;
    const std::uint8_t opcode = code_[pc_];
    if (opcode == kReservedOpcode) return spent ? spent : kTrap;
    // The instruction's writes land at the end of its first cycle: a timer started or stopped by it
    // counts that cycle with its old state, the later cycles with the new one.
    if (levelPinLow_ || (sfr_[S(sfr::TCON)] & (IE0 | IE1))) sampleLevels();
    if (sfr_[S(sfr::TCON)] & (TR0 | TR1)) tickTimers(1);
    const int c = execute(opcode);
    ++instructions_;
    cycles_ += c;
    if (c > 1 && (sfr_[S(sfr::TCON)] & (TR0 | TR1))) tickTimers(c - 1);
    return spent + c;
}

int Cpu8051::step() { return stepInline(); }

RunResult8051 Cpu8051::run(std::uint64_t maxInstructions, const Breakpoints8051 *breakpoints,
                           const std::function<bool(const Cpu8051 &)> &stop) {
    stopRequested_.store(false, std::memory_order_relaxed);
    RunResult8051 result;
    const std::uint64_t startCycles = cycles_;
    const Breakpoints8051 *const bp = breakpoints && breakpoints->any() ? breakpoints : nullptr;
    const bool checkPredicate = static_cast<bool>(stop);
    std::uint64_t done = 0;
    while (done < maxInstructions) {
        if (done) {
            if (bp && bp->test(pc_)) {
                result.reason = StopReason8051::Breakpoint;
                break;
            }
            if (checkPredicate && stop(*this)) {
                result.reason = StopReason8051::Predicate;
                break;
            }
            if (stopRequested_.load(std::memory_order_relaxed)) {
                result.reason = StopReason8051::StopRequested;
                break;
            }
        }
        if (stepInline() == kTrap) {
            result.reason = StopReason8051::ReservedOpcode;
            break;
        }
        ++done;
    }
    result.instructions = done;
    result.cycles = cycles_ - startCycles;
    return result;
}

int Cpu8051::execute(std::uint8_t op) {
    std::uint8_t *const ram = iram_.data();
    std::uint8_t *const s = sfr_.data();
    std::uint8_t &acc = s[S(sfr::ACC)];
    std::uint8_t &pswRaw = s[S(sfr::PSW)];
    const std::uint16_t at = pc_;
    auto fetch = [&]() -> std::uint8_t { return code_[pc_++]; };
    auto R = [&](int n) -> std::uint8_t & { return ram[(pswRaw & 0x18) | n]; };
    auto rel = [&](std::uint8_t offset) { pc_ = static_cast<std::uint16_t>(pc_ + static_cast<std::int8_t>(offset)); };
    auto carry = [&]() -> unsigned { return (pswRaw & kPswCY) ? 1u : 0u; };
    auto setCarry = [&](bool c) { pswRaw = static_cast<std::uint8_t>(c ? (pswRaw | kPswCY) : (pswRaw & ~kPswCY)); };
    auto push = [&](std::uint8_t v) { ram[++s[S(sfr::SP)]] = v; };
    auto pop = [&]() -> std::uint8_t { return ram[s[S(sfr::SP)]--]; };
    auto dptr = [&]() -> std::uint16_t { return static_cast<std::uint16_t>(s[S(sfr::DPH)] << 8 | s[S(sfr::DPL)]); };
    auto add = [&](std::uint8_t v, unsigned c) {
        const unsigned a = acc;
        const unsigned r = a + v + c;
        std::uint8_t p = pswRaw & ~(kPswCY | kPswAC | kPswOV);
        if (r > 0xFF) p |= kPswCY;
        if ((a & 0x0F) + (v & 0x0F) + c > 0x0F) p |= kPswAC;
        if (~(a ^ v) & (a ^ r) & 0x80) p |= kPswOV;
        pswRaw = p;
        acc = static_cast<std::uint8_t>(r);
    };
    auto subb = [&](std::uint8_t v) {
        const unsigned a = acc;
        const unsigned c = carry();
        const unsigned r = a - v - c;
        std::uint8_t p = pswRaw & ~(kPswCY | kPswAC | kPswOV);
        if (a < v + c) p |= kPswCY;
        if ((a & 0x0F) < (v & 0x0F) + c) p |= kPswAC;
        if ((a ^ v) & (a ^ r) & 0x80) p |= kPswOV;
        pswRaw = p;
        acc = static_cast<std::uint8_t>(r);
    };
    auto getBit = [&](std::uint8_t bit) -> bool { return readBit(bit); };
    auto putBit = [&](std::uint8_t bit, bool v) { writeBit(bit, v); };
    auto cjne = [&](std::uint8_t x, std::uint8_t y) {
        const std::uint8_t offset = fetch();
        setCarry(x < y);
        if (x != y) rel(offset);
    };

    ++pc_;
    switch (op) {
    case 0x00: break;
    case 0x01:
    case 0x21:
    case 0x41:
    case 0x61:
    case 0x81:
    case 0xA1:
    case 0xC1:
    case 0xE1: {
        const std::uint8_t low = fetch();
        pc_ = static_cast<std::uint16_t>((pc_ & 0xF800) | ((op & 0xE0) << 3) | low);
        break;
    }
    case 0x11:
    case 0x31:
    case 0x51:
    case 0x71:
    case 0x91:
    case 0xB1:
    case 0xD1:
    case 0xF1: {
        const std::uint8_t low = fetch();
        push(static_cast<std::uint8_t>(pc_));
        push(static_cast<std::uint8_t>(pc_ >> 8));
        pc_ = static_cast<std::uint16_t>((pc_ & 0xF800) | ((op & 0xE0) << 3) | low);
        break;
    }
    case 0x02: {
        const std::uint8_t hi = fetch();
        pc_ = static_cast<std::uint16_t>(hi << 8 | code_[pc_]);
        break;
    }
    case 0x12: {
        const std::uint8_t hi = fetch();
        const std::uint8_t low = fetch();
        push(static_cast<std::uint8_t>(pc_));
        push(static_cast<std::uint8_t>(pc_ >> 8));
        pc_ = static_cast<std::uint16_t>(hi << 8 | low);
        break;
    }
    case 0x03: acc = static_cast<std::uint8_t>(acc >> 1 | acc << 7); break;
    case 0x13: {
        const bool c = acc & 1;
        acc = static_cast<std::uint8_t>(acc >> 1 | carry() << 7);
        setCarry(c);
        break;
    }
    case 0x23: acc = static_cast<std::uint8_t>(acc << 1 | acc >> 7); break;
    case 0x33: {
        const bool c = acc & 0x80;
        acc = static_cast<std::uint8_t>(acc << 1 | carry());
        setCarry(c);
        break;
    }
    case 0x04: ++acc; break;
    case 0x05: {
        const std::uint8_t d = fetch();
        writeDirect(d, static_cast<std::uint8_t>(readDirect(d) + 1));
        break;
    }
    case 0x06:
    case 0x07: ++ram[R(op & 1)]; break;
    case 0x08:
    case 0x09:
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x0E:
    case 0x0F: ++R(op & 7); break;
    case 0x14: --acc; break;
    case 0x15: {
        const std::uint8_t d = fetch();
        writeDirect(d, static_cast<std::uint8_t>(readDirect(d) - 1));
        break;
    }
    case 0x16:
    case 0x17: --ram[R(op & 1)]; break;
    case 0x18:
    case 0x19:
    case 0x1A:
    case 0x1B:
    case 0x1C:
    case 0x1D:
    case 0x1E:
    case 0x1F: --R(op & 7); break;
    case 0x10: {
        const std::uint8_t bit = fetch();
        const std::uint8_t offset = fetch();
        if (getBit(bit)) {
            putBit(bit, false);
            rel(offset);
        }
        break;
    }
    case 0x20: {
        const std::uint8_t bit = fetch();
        const std::uint8_t o = fetch();
        if (getBit(bit)) rel(o);
        break;
    }
    case 0x30: {
        const std::uint8_t bit = fetch();
        const std::uint8_t o = fetch();
        if (!getBit(bit)) rel(o);
        break;
    }
    case 0x40: {
        const std::uint8_t o = fetch();
        if (carry()) rel(o);
        break;
    }
    case 0x50: {
        const std::uint8_t o = fetch();
        if (!carry()) rel(o);
        break;
    }
    case 0x60: {
        const std::uint8_t o = fetch();
        if (!acc) rel(o);
        break;
    }
    case 0x70: {
        const std::uint8_t o = fetch();
        if (acc) rel(o);
        break;
    }
    case 0x80: {
        const std::uint8_t o = fetch();
        rel(o);
        break;
    }
    case 0x22:
    case 0x32: {
        const std::uint8_t hi = pop();
        const std::uint8_t low = pop();
        pc_ = static_cast<std::uint16_t>(hi << 8 | low);
        if (op == 0x32) {
            inService_ &= (inService_ & 2) ? 1 : 0;  // the higher level ends first
            blockInterrupt_ = true;
        }
        break;
    }
    case 0x24: add(fetch(), 0); break;
    case 0x25: add(readDirect(fetch()), 0); break;
    case 0x26:
    case 0x27: add(ram[R(op & 1)], 0); break;
    case 0x28:
    case 0x29:
    case 0x2A:
    case 0x2B:
    case 0x2C:
    case 0x2D:
    case 0x2E:
    case 0x2F: add(R(op & 7), 0); break;
    case 0x34: add(fetch(), carry()); break;
    case 0x35: add(readDirect(fetch()), carry()); break;
    case 0x36:
    case 0x37: add(ram[R(op & 1)], carry()); break;
    case 0x38:
    case 0x39:
    case 0x3A:
    case 0x3B:
    case 0x3C:
    case 0x3D:
    case 0x3E:
    case 0x3F: add(R(op & 7), carry()); break;
    // ORL / ANL / XRL share one layout: x2 dir,A  x3 dir,#  x4 A,#  x5 A,dir  x6-7 A,@Ri  x8-F A,Rn
    case 0x42:
    case 0x52:
    case 0x62:
    case 0x43:
    case 0x53:
    case 0x63: {
        const std::uint8_t d = fetch();
        const std::uint8_t v = (op & 1) ? fetch() : acc;
        const std::uint8_t old = readDirect(d);
        const std::uint8_t r = op < 0x50 ? (old | v) : op < 0x60 ? (old & v) : (old ^ v);
        writeDirect(d, r);
        break;
    }
    case 0x44:
    case 0x45:
    case 0x46:
    case 0x47:
    case 0x48:
    case 0x49:
    case 0x4A:
    case 0x4B:
    case 0x4C:
    case 0x4D:
    case 0x4E:
    case 0x4F:
    case 0x54:
    case 0x55:
    case 0x56:
    case 0x57:
    case 0x58:
    case 0x59:
    case 0x5A:
    case 0x5B:
    case 0x5C:
    case 0x5D:
    case 0x5E:
    case 0x5F:
    case 0x64:
    case 0x65:
    case 0x66:
    case 0x67:
    case 0x68:
    case 0x69:
    case 0x6A:
    case 0x6B:
    case 0x6C:
    case 0x6D:
    case 0x6E:
    case 0x6F: {
        std::uint8_t v;
        const int l = op & 0x0F;
        if (l == 4) v = fetch();
        else if (l == 5) v = readDirect(fetch());
        else if (l < 8) v = ram[R(op & 1)];
        else v = R(op & 7);
        const int kind = op >> 4;
        acc = kind == 4 ? (acc | v) : kind == 5 ? (acc & v) : (acc ^ v);
        break;
    }
    case 0x72: setCarry(carry() | getBit(fetch())); break;
    case 0x82: setCarry(carry() & getBit(fetch())); break;
    case 0xA0: setCarry(carry() | !getBit(fetch())); break;
    case 0xB0: setCarry(carry() & !getBit(fetch())); break;
    case 0x73: pc_ = static_cast<std::uint16_t>(dptr() + acc); break;
    case 0x74: acc = fetch(); break;
    case 0x75: {
        const std::uint8_t d = fetch();
        writeDirect(d, fetch());
        break;
    }
    case 0x76:
    case 0x77: ram[R(op & 1)] = fetch(); break;
    case 0x78:
    case 0x79:
    case 0x7A:
    case 0x7B:
    case 0x7C:
    case 0x7D:
    case 0x7E:
    case 0x7F: R(op & 7) = fetch(); break;
    case 0x83: acc = code_[static_cast<std::uint16_t>(pc_ + acc)]; break;
    case 0x93: acc = code_[static_cast<std::uint16_t>(dptr() + acc)]; break;
    case 0x84: {
        std::uint8_t &b = s[S(sfr::B)];
        std::uint8_t p = pswRaw & ~(kPswCY | kPswOV);
        if (b == 0) {
            p |= kPswOV;  // A and B are left as they were
        } else {
            const std::uint8_t q = static_cast<std::uint8_t>(acc / b);
            b = static_cast<std::uint8_t>(acc % b);
            acc = q;
        }
        pswRaw = p;
        break;
    }
    case 0xA4: {
        std::uint8_t &b = s[S(sfr::B)];
        const unsigned product = unsigned(acc) * b;
        std::uint8_t p = pswRaw & ~(kPswCY | kPswOV);
        if (product > 0xFF) p |= kPswOV;
        pswRaw = p;
        acc = static_cast<std::uint8_t>(product);
        b = static_cast<std::uint8_t>(product >> 8);
        break;
    }
    case 0x85: {  // MOV dest,src is encoded source first
        const std::uint8_t src = fetch();
        const std::uint8_t dst = fetch();
        writeDirect(dst, readDirect(src));
        break;
    }
    case 0x86:
    case 0x87: writeDirect(fetch(), ram[R(op & 1)]); break;
    case 0x88:
    case 0x89:
    case 0x8A:
    case 0x8B:
    case 0x8C:
    case 0x8D:
    case 0x8E:
    case 0x8F: writeDirect(fetch(), R(op & 7)); break;
    case 0x90: {
        s[S(sfr::DPH)] = fetch();
        s[S(sfr::DPL)] = fetch();
        break;
    }
    case 0x92: putBit(fetch(), carry()); break;
    case 0x94: subb(fetch()); break;
    case 0x95: subb(readDirect(fetch())); break;
    case 0x96:
    case 0x97: subb(ram[R(op & 1)]); break;
    case 0x98:
    case 0x99:
    case 0x9A:
    case 0x9B:
    case 0x9C:
    case 0x9D:
    case 0x9E:
    case 0x9F: subb(R(op & 7)); break;
    case 0xA2: setCarry(getBit(fetch())); break;
    case 0xA3: {
        const std::uint16_t d = static_cast<std::uint16_t>(dptr() + 1);
        s[S(sfr::DPH)] = static_cast<std::uint8_t>(d >> 8);
        s[S(sfr::DPL)] = static_cast<std::uint8_t>(d);
        break;
    }
    case 0xA6:
    case 0xA7: ram[R(op & 1)] = readDirect(fetch()); break;
    case 0xA8:
    case 0xA9:
    case 0xAA:
    case 0xAB:
    case 0xAC:
    case 0xAD:
    case 0xAE:
    case 0xAF: R(op & 7) = readDirect(fetch()); break;
    case 0xB2: {
        const std::uint8_t bit = fetch();
        putBit(bit, !getBit(bit));
        break;
    }
    case 0xB3: setCarry(!carry()); break;
    case 0xB4: {
        const std::uint8_t v = fetch();
        cjne(acc, v);
        break;
    }
    case 0xB5: {
        const std::uint8_t v = readDirect(fetch());
        cjne(acc, v);
        break;
    }
    case 0xB6:
    case 0xB7: {
        const std::uint8_t v = fetch();
        cjne(ram[R(op & 1)], v);
        break;
    }
    case 0xB8:
    case 0xB9:
    case 0xBA:
    case 0xBB:
    case 0xBC:
    case 0xBD:
    case 0xBE:
    case 0xBF: {
        const std::uint8_t v = fetch();
        cjne(R(op & 7), v);
        break;
    }
    case 0xC0: push(readDirect(fetch())); break;
    case 0xD0: {
        const std::uint8_t d = fetch();
        const std::uint8_t v = pop();
        writeDirect(d, v);
        break;
    }
    case 0xC2: putBit(fetch(), false); break;
    case 0xC3: setCarry(false); break;
    case 0xD2: putBit(fetch(), true); break;
    case 0xD3: setCarry(true); break;
    case 0xC4: acc = static_cast<std::uint8_t>(acc << 4 | acc >> 4); break;
    case 0xC5: {
        const std::uint8_t d = fetch();
        const std::uint8_t v = readDirect(d);
        writeDirect(d, acc);
        acc = v;
        break;
    }
    case 0xC6:
    case 0xC7: std::swap(acc, ram[R(op & 1)]); break;
    case 0xC8:
    case 0xC9:
    case 0xCA:
    case 0xCB:
    case 0xCC:
    case 0xCD:
    case 0xCE:
    case 0xCF: std::swap(acc, R(op & 7)); break;
    case 0xD4: {
        unsigned v = acc;
        bool c = carry();
        if ((v & 0x0F) > 9 || (pswRaw & kPswAC)) {
            v += 0x06;
            if (v > 0xFF) c = true;
        }
        if (((v >> 4) & 0x1F) > 9 || c) {
            v += 0x60;
            if (v > 0xFF) c = true;
        }
        acc = static_cast<std::uint8_t>(v);
        setCarry(c);
        break;
    }
    case 0xD5: {
        const std::uint8_t d = fetch();
        const std::uint8_t o = fetch();
        const std::uint8_t v = static_cast<std::uint8_t>(readDirect(d) - 1);
        writeDirect(d, v);
        if (v) rel(o);
        break;
    }
    case 0xD6:
    case 0xD7: {
        std::uint8_t &m = ram[R(op & 1)];
        const std::uint8_t a = acc;
        acc = static_cast<std::uint8_t>((a & 0xF0) | (m & 0x0F));
        m = static_cast<std::uint8_t>((m & 0xF0) | (a & 0x0F));
        break;
    }
    case 0xD8:
    case 0xD9:
    case 0xDA:
    case 0xDB:
    case 0xDC:
    case 0xDD:
    case 0xDE:
    case 0xDF: {
        const std::uint8_t o = fetch();
        if (--R(op & 7)) rel(o);
        break;
    }
    case 0xE0: acc = xdata_[dptr()]; break;
    case 0xE2:
    case 0xE3: acc = xdata_[static_cast<std::uint16_t>(s[S(sfr::P2)] << 8 | R(op & 1))]; break;
    case 0xF0: xdata_[dptr()] = acc; break;
    case 0xF2:
    case 0xF3: xdata_[static_cast<std::uint16_t>(s[S(sfr::P2)] << 8 | R(op & 1))] = acc; break;
    case 0xE4: acc = 0; break;
    case 0xE5: acc = readDirect(fetch()); break;
    case 0xE6:
    case 0xE7: acc = ram[R(op & 1)]; break;
    case 0xE8:
    case 0xE9:
    case 0xEA:
    case 0xEB:
    case 0xEC:
    case 0xED:
    case 0xEE:
    case 0xEF: acc = R(op & 7); break;
    case 0xF4: acc = static_cast<std::uint8_t>(~acc); break;
    case 0xF5: writeDirect(fetch(), acc); break;
    case 0xF6:
    case 0xF7: ram[R(op & 1)] = acc; break;
    case 0xF8:
    case 0xF9:
    case 0xFA:
    case 0xFB:
    case 0xFC:
    case 0xFD:
    case 0xFE:
    case 0xFF: R(op & 7) = acc; break;
    default:  // 0xA5 never reaches here
        pc_ = at;
        return 0;
    }
    return kCycles[op];
}

}  // namespace vantor::emx31
