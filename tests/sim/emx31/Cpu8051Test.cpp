#include "sim/emx31/Cpu8051.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace vantor::emx31 {
namespace {

// A core with `program` at C:0000.
struct Rig {
  Cpu8051 cpu;
  explicit Rig(std::initializer_list<std::uint8_t> program) {
    std::uint16_t at = 0;
    for (std::uint8_t b : program) cpu.writeCode(at++, b);
  }
};

TEST(Cpu8051, DecimalAdjustAfterBcdAdditions) {
  struct Case { std::uint8_t a, v; bool carryIn; std::uint8_t result; bool carryOut; };
  for (const Case& c : {Case{0x56, 0x67, false, 0x23, true}, Case{0x09, 0x01, false, 0x10, false},
                        Case{0x99, 0x01, false, 0x00, true}, Case{0x38, 0x49, false, 0x87, false},
                        Case{0x99, 0x99, true, 0x99, true}, Case{0x50, 0x50, false, 0x00, true}}) {
    Rig rig({0x34, c.v, 0xD4});  // ADDC A,#v ; DA A
    Registers8051 r = rig.cpu.registers();
    r.a = c.a;
    r.psw = c.carryIn ? kPswCY : 0;
    rig.cpu.setRegisters(r);
    rig.cpu.setPc(0);
    rig.cpu.step();
    rig.cpu.step();
    EXPECT_EQ(rig.cpu.a(), c.result) << std::hex << int(c.a) << "+" << int(c.v);
    EXPECT_EQ((rig.cpu.psw() & kPswCY) != 0, c.carryOut) << std::hex << int(c.a) << "+" << int(c.v);
  }
}

}  // namespace
}  // namespace vantor::emx31
