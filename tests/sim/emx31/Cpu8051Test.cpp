#include "sim/emx31/Cpu8051.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace vantor::emx31 {
namespace {

// A core with `program` at C:0000 (or `at`).
struct Rig {
    Cpu8051 cpu;
    explicit Rig(std::initializer_list<std::uint8_t> program, std::uint16_t at = 0) { load(program, at); }
    void load(std::initializer_list<std::uint8_t> program, std::uint16_t at) {
        for (std::uint8_t b : program) cpu.writeCode(at++, b);
    }
    void setA(std::uint8_t a, std::uint8_t psw = 0) {
        Registers8051 r = cpu.registers();
        r.a = a;
        r.psw = psw;
        cpu.setRegisters(r);
    }
    void steps(int n) {
        for (int i = 0; i < n; ++i) cpu.step();
    }
};

TEST(Cpu8051, DecimalAdjustAfterBcdAdditions) {
    struct Case {
        std::uint8_t a, v;
        bool carryIn;
        std::uint8_t result;
        bool carryOut;
    };
    for (const Case &c :
         {Case{0x56, 0x67, false, 0x23, true}, Case{0x09, 0x01, false, 0x10, false},
          Case{0x99, 0x01, false, 0x00, true}, Case{0x38, 0x49, false, 0x87, false}, Case{0x99, 0x99, true, 0x99, true},
          Case{0x50, 0x50, false, 0x00, true}, Case{0x08, 0x08, false, 0x16, false}}) {  // the last one through AC only
        Rig rig({0x34, c.v, 0xD4});                                                      // ADDC A,#v ; DA A
        rig.setA(c.a, c.carryIn ? kPswCY : 0);
        rig.steps(2);
        EXPECT_EQ(rig.cpu.a(), c.result) << std::hex << int(c.a) << "+" << int(c.v);
        EXPECT_EQ((rig.cpu.psw() & kPswCY) != 0, c.carryOut) << std::hex << int(c.a) << "+" << int(c.v);
    }
}

TEST(Cpu8051, AddcAndSubbSetCarryAuxiliaryCarryAndOverflow) {
    struct Case {
        std::uint8_t opcode, a, v;
        bool carryIn;
        std::uint8_t result, flags;
    };
    constexpr std::uint8_t ADDC = 0x34, SUBB = 0x94, CY = kPswCY, AC = kPswAC, OV = kPswOV;
    for (const Case &c : {Case{ADDC, 0x7F, 0x00, true, 0x80, AC | OV}, Case{ADDC, 0xFF, 0x00, true, 0x00, CY | AC},
                          Case{ADDC, 0x80, 0x80, false, 0x00, CY | OV}, Case{ADDC, 0x0E, 0x01, true, 0x10, AC},
                          Case{ADDC, 0x40, 0x3F, false, 0x7F, 0}, Case{SUBB, 0x00, 0x00, true, 0xFF, CY | AC},
                          Case{SUBB, 0x80, 0x01, false, 0x7F, AC | OV}, Case{SUBB, 0x7F, 0xFF, false, 0x80, CY | OV},
                          Case{SUBB, 0x10, 0x01, false, 0x0F, AC}, Case{SUBB, 0x45, 0x23, true, 0x21, 0}}) {
        Rig rig({c.opcode, c.v});
        rig.setA(c.a, c.carryIn ? kPswCY | kPswOV : kPswAC);  // stale flags must not survive
        rig.cpu.step();
        EXPECT_EQ(rig.cpu.a(), c.result) << std::hex << int(c.opcode) << " " << int(c.a) << "," << int(c.v);
        EXPECT_EQ(rig.cpu.psw() & (CY | AC | OV), c.flags)
            << std::hex << int(c.opcode) << " " << int(c.a) << "," << int(c.v);
    }
}

TEST(Cpu8051, MultiplyAndDivideIncludingDivisionByZero) {
    Rig rig({0xA4, 0x84, 0x75, 0xF0, 0x00, 0x84});  // MUL AB ; DIV AB ; MOV B,#0 ; DIV AB
    rig.setA(0x50, kPswCY);
    rig.cpu.writeSfr(sfr::B, 0x06);
    EXPECT_EQ(rig.cpu.step(), 4);
    EXPECT_EQ(rig.cpu.a(), 0xE0);  // 0x50 * 6 = 0x01E0
    EXPECT_EQ(rig.cpu.readSfr(sfr::B), 0x01);
    EXPECT_EQ(rig.cpu.psw() & (kPswCY | kPswOV), kPswOV);
    EXPECT_EQ(rig.cpu.step(), 4);  // 0xE0 / 1
    EXPECT_EQ(rig.cpu.a(), 0xE0);
    EXPECT_EQ(rig.cpu.readSfr(sfr::B), 0x00);
    EXPECT_EQ(rig.cpu.psw() & (kPswCY | kPswOV), 0);
    rig.steps(2);  // division by zero: OV set, A and B kept
    EXPECT_EQ(rig.cpu.a(), 0xE0);
    EXPECT_EQ(rig.cpu.readSfr(sfr::B), 0x00);
    EXPECT_EQ(rig.cpu.psw() & (kPswCY | kPswOV), kPswOV);
}

TEST(Cpu8051, MovcFromPcCountsFromTheNextInstruction) {
    // MOV A,#1 ; MOVC A,@A+PC ; SJMP $ ; table: the byte after SJMP's two is at A=3
    Rig rig({0x74, 0x01, 0x83, 0x80, 0xFE, 0x11, 0x22});
    rig.steps(2);
    EXPECT_EQ(rig.cpu.a(), 0xFE);  // PC+1 after MOVC is the SJMP offset byte
    rig.cpu.setPc(0);
    rig.cpu.writeCode(1, 0x03);
    rig.steps(2);
    EXPECT_EQ(rig.cpu.a(), 0x22);
    EXPECT_EQ(rig.cpu.pc(), 3);
}

TEST(Cpu8051, JbcJumpsAndClearsOnlyASetBit) {
    // JBC TF0,+2 ; NOP ; NOP ; NOP
    Rig rig({0x10, 0x8D, 0x02, 0x00, 0x00, 0x00});
    rig.cpu.writeSfr(sfr::TCON, 0x30);  // TF0 and TR0
    EXPECT_EQ(rig.cpu.step(), 2);
    EXPECT_EQ(rig.cpu.pc(), 5);
    EXPECT_EQ(rig.cpu.readSfr(sfr::TCON) & 0x20, 0);
    EXPECT_TRUE(rig.cpu.readSfr(sfr::TCON) & 0x10);
    rig.cpu.setPc(0);
    rig.cpu.step();
    EXPECT_EQ(rig.cpu.pc(), 3);  // already clear: falls through
}

TEST(Cpu8051, CjneSetsCarryWhenLessAndJumpsWhenDifferent) {
    // CJNE A,#0x40,+1 ; NOP ; CJNE R0,#0x10,-5 ... checked one at a time
    Rig rig({0xB4, 0x40, 0x01, 0x00, 0x00});
    struct Case {
        std::uint8_t a;
        bool carry;
        std::uint16_t pc;
    };
    for (const Case &c : {Case{0x3F, true, 4}, Case{0x40, false, 3}, Case{0x41, false, 4}, Case{0x00, true, 4}}) {
        rig.cpu.setPc(0);
        rig.setA(c.a, c.carry ? 0 : kPswCY);
        rig.cpu.step();
        EXPECT_EQ((rig.cpu.psw() & kPswCY) != 0, c.carry) << int(c.a);
        EXPECT_EQ(rig.cpu.pc(), c.pc) << int(c.a);
    }
    // The @Ri form compares internal RAM.
    Rig ri({0x78, 0x30, 0xB6, 0x05, 0x10});  // MOV R0,#0x30 ; CJNE @R0,#5,+0x10
    ri.cpu.writeIram(0x30, 0x05);
    ri.steps(2);
    EXPECT_EQ(ri.cpu.pc(), 5);
}

TEST(Cpu8051, BitAddressesReachRamAndSfrBits) {
    // SETB ACC.3 ; SETB 0x21.0 (bit 8) ; CPL PSW.7 (CY) ; CLR 0x7F ; CLR P0.0 (bit 0x80)
    Rig rig({0xD2, 0xE3, 0xD2, 0x08, 0xB2, 0xD7, 0xC2, 0x7F, 0xC2, 0x80});
    rig.cpu.writeIram(0x2F, 0xFF);
    rig.cpu.writeIram(0x30, 0xFF);
    rig.steps(3);
    EXPECT_EQ(rig.cpu.a(), 0x08);
    EXPECT_EQ(rig.cpu.psw() & kPswP, kPswP);  // parity follows the bit set in A
    EXPECT_EQ(rig.cpu.readIram(0x21), 0x01);
    EXPECT_TRUE(rig.cpu.readBit(0xD7));
    rig.cpu.step();
    EXPECT_EQ(rig.cpu.readIram(0x2F), 0x7F);
    rig.cpu.step();  // bit 0x80 is the first SFR bit, not a bit of RAM byte 0x30
    EXPECT_EQ(rig.cpu.readSfr(sfr::P0), 0xFE);
    EXPECT_FALSE(rig.cpu.readBit(0x80));
    EXPECT_EQ(rig.cpu.readIram(0x30), 0xFF);
    EXPECT_TRUE(rig.cpu.readBit(0x90));  // P1.0 reads 1 after reset
    rig.cpu.writeBit(0xF0 + 7, true);    // B.7 through the host view
    EXPECT_EQ(rig.cpu.readSfr(sfr::B), 0x80);
}

TEST(Cpu8051, ParityAlwaysShowsTheAccumulator) {
    Rig rig({0x75, 0xD0, 0x00, 0x74, 0x03, 0xC0, 0xD0});  // MOV PSW,#0 ; MOV A,#3 ; PUSH PSW
    rig.setA(0x01);
    rig.cpu.step();
    EXPECT_EQ(rig.cpu.psw(), kPswP);  // written as 0, but A has one bit set
    rig.steps(2);
    EXPECT_EQ(rig.cpu.readIram(rig.cpu.registers().sp) & kPswP, 0);
}

TEST(Cpu8051, RegisterBanksFollowPsw) {
    Rig rig({0x75, 0xD0, 0x10, 0x7F, 0x99});  // MOV PSW,#0x10 (bank 2) ; MOV R7,#0x99
    rig.steps(2);
    EXPECT_EQ(rig.cpu.readIram(0x17), 0x99);
    EXPECT_EQ(rig.cpu.registers().r[7], 0x99);
    Registers8051 r = rig.cpu.registers();
    r.psw = 0x08;
    r.r[0] = 0x42;
    rig.cpu.setRegisters(r);
    EXPECT_EQ(rig.cpu.readIram(0x08), 0x42);
}

// Timer 0 (mode 2, every 4 cycles) at low priority, timer 1 (mode 2, every 6 cycles) at high.
TEST(Cpu8051, HighPriorityInterruptsLowAndRetiLetsOneInstructionRun) {
    Rig rig({0x02, 0x00, 0x40});                     // LJMP 0x40
    rig.load({0x05, 0x30, 0x00, 0x00, 0x32}, 0x0B);  // timer 0: INC 0x30 ; NOP ; NOP ; RETI
    rig.load({0x05, 0x31, 0x32}, 0x1B);              // timer 1: INC 0x31 ; RETI
    rig.load({0x80, 0xFE}, 0x40);                    // SJMP $
    Cpu8051 &cpu = rig.cpu;
    cpu.writeSfr(sfr::TMOD, 0x22);
    cpu.writeSfr(sfr::IP, 0x08);
    cpu.writeSfr(sfr::IE, 0x8A);
    cpu.step();                     // the IE write lets one instruction pass
    cpu.writeSfr(sfr::TCON, 0xA0);  // TF1 and TF0 requested together
    EXPECT_TRUE(cpu.interruptPending());
    cpu.step();  // the high-priority one wins
    EXPECT_EQ(cpu.readIram(0x31), 1);
    EXPECT_EQ(cpu.readIram(0x30), 0);
    EXPECT_EQ(cpu.pc(), 0x1D);
    cpu.step();  // RETI
    EXPECT_EQ(cpu.pc(), 0x40);
    EXPECT_FALSE(cpu.interruptPending());  // one instruction runs after RETI
    cpu.step();
    EXPECT_TRUE(cpu.interruptPending());
    cpu.step();  // timer 0 handler starts
    EXPECT_EQ(cpu.readIram(0x30), 1);
    cpu.writeSfr(sfr::TCON, 0xA0);
    cpu.step();  // the high-priority request interrupts the low-priority handler
    EXPECT_EQ(cpu.readIram(0x31), 2);
    cpu.step();  // RETI back into the timer 0 handler
    EXPECT_EQ(cpu.pc(), 0x0D);
    cpu.writeSfr(sfr::TCON, 0x20);
    for (int i = 0; i < 2; ++i) cpu.step();  // NOPs: a low request waits for the low handler's RETI
    EXPECT_EQ(cpu.readIram(0x30), 1);
    cpu.step();  // RETI
    cpu.step();  // one instruction
    cpu.step();  // then the waiting timer 0 request
    EXPECT_EQ(cpu.readIram(0x30), 2);
}

TEST(Cpu8051, TimersCountInEveryMode) {
    Cpu8051 cpu;                    // code memory is all NOPs
    cpu.writeSfr(sfr::TMOD, 0x02);  // timer 0 mode 2
    cpu.writeSfr(sfr::TH0, 0xFC);
    cpu.writeSfr(sfr::TL0, 0xFC);
    cpu.writeSfr(sfr::TCON, 0x10);
    for (int i = 0; i < 3; ++i) cpu.step();
    EXPECT_EQ(cpu.readSfr(sfr::TL0), 0xFF);
    EXPECT_FALSE(cpu.readSfr(sfr::TCON) & 0x20);  // TF0 waits for the overflow
    cpu.step();
    EXPECT_EQ(cpu.readSfr(sfr::TL0), 0xFC);  // reloaded
    EXPECT_TRUE(cpu.readSfr(sfr::TCON) & 0x20);
    cpu.writeSfr(sfr::TCON, 0x00);
    cpu.writeSfr(sfr::TMOD, 0x00);  // mode 0: TL0 counts 5 bits into TH0
    cpu.writeSfr(sfr::TH0, 0x00);
    cpu.writeSfr(sfr::TL0, 0x1F);
    cpu.writeSfr(sfr::TCON, 0x10);
    cpu.step();
    EXPECT_EQ(cpu.readSfr(sfr::TL0), 0x00);
    EXPECT_EQ(cpu.readSfr(sfr::TH0), 0x01);
    EXPECT_FALSE(cpu.readSfr(sfr::TCON) & 0x20);  // a carry into TH0 is no overflow
    cpu.writeSfr(sfr::TMOD, 0x03);                // mode 3: TH0 runs on TR1 and raises TF1
    cpu.writeSfr(sfr::TH0, 0xFF);
    cpu.writeSfr(sfr::TCON, 0x40);
    cpu.step();
    EXPECT_EQ(cpu.readSfr(sfr::TH0), 0x00);
    EXPECT_TRUE(cpu.readSfr(sfr::TCON) & 0x80);
    EXPECT_EQ(cpu.readSfr(sfr::TL0), 0x00);  // TR0 off
}

TEST(Cpu8051, ReservedOpcodeTrapsWithoutExecuting) {
    Rig rig({0x04, 0x04, kReservedOpcode, 0x04});
    EXPECT_EQ(rig.cpu.step(), 1);
    const RunResult8051 result = rig.cpu.run(100);
    EXPECT_EQ(result.reason, StopReason8051::ReservedOpcode);
    EXPECT_EQ(result.instructions, 1u);
    EXPECT_EQ(rig.cpu.pc(), 2);
    EXPECT_EQ(rig.cpu.step(), Cpu8051::kTrap);
    EXPECT_EQ(rig.cpu.pc(), 2);
    EXPECT_EQ(rig.cpu.a(), 2);
}

TEST(Cpu8051, RunStopsAtBreakpointsAndPredicatesButLeavesTheFirst) {
    Rig rig({0x04, 0x04, 0x04, 0x80, 0xFB});  // INC A x3 ; SJMP 0
    Breakpoints8051 breakpoints;
    breakpoints.set(0);
    RunResult8051 result = rig.cpu.run(1000, &breakpoints);
    EXPECT_EQ(result.reason, StopReason8051::Breakpoint);
    EXPECT_EQ(result.instructions, 4u);
    EXPECT_EQ(result.cycles, 5u);
    EXPECT_EQ(rig.cpu.a(), 3);
    result = rig.cpu.run(1000, nullptr, [](const Cpu8051 &cpu) { return cpu.a() == 5; });
    EXPECT_EQ(result.reason, StopReason8051::Predicate);
    EXPECT_EQ(rig.cpu.pc(), 2);
    result = rig.cpu.run(3);
    EXPECT_EQ(result.reason, StopReason8051::Limit);
    EXPECT_EQ(rig.cpu.cycles(), 5u + 2 + 4);
}

}  // namespace
}  // namespace vantor::emx31
