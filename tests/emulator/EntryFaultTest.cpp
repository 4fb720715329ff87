// The entry points when memory runs out before the driver exists: every call answers its
// failure value and no exception reaches the host; the driver is made by the next call that can.
// A program of its own, so that no earlier call in the process has made the driver already.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "core/SharedLibrary.h"
#include "emulator/EMX31_EN.h"

namespace {
std::atomic<bool> outOfMemory{false};
}  // namespace

// Replaces the allocator of the whole process, the driver library's included.
void *operator new(std::size_t size) {
    if (!outOfMemory)
        if (void *p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"  // malloc'd above: free is the match
#endif
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(EntryFaults, WithoutMemoryEachCallFailsAndALaterCallMakesTheDriver) {
    vantor::SharedLibrary lib;
    ASSERT_TRUE(lib.open(std::string(VANTOR_BIN_DIR) + "/" + vantor::SharedLibrary::fileName("EMX31_EN")))
        << lib.lastError();
    const auto init = lib.function<decltype(&AG_Init)>("AG_Init");
    const auto memAcc = lib.function<decltype(&AG_MemAcc)>("AG_MemAcc");
    const auto regAcc = lib.function<decltype(&AG_RegAcc)>("AG_RegAcc");
    const auto allReg = lib.function<decltype(&AG_AllReg)>("AG_AllReg");
    const auto memAtt = lib.function<decltype(&AG_MemAtt)>("AG_MemAtt");
    const auto bpInfo = lib.function<decltype(&AG_BpInfo)>("AG_BpInfo");
    const auto breakFunc = lib.function<decltype(&AG_BreakFunc)>("AG_BreakFunc");
    const auto goStep = lib.function<decltype(&AG_GoStep)>("AG_GoStep");
    const auto serial = lib.function<decltype(&AG_Serial)>("AG_Serial");
    const auto uv3Cap = lib.function<decltype(&DllUv3Cap)>("DllUv3Cap");
    const auto enumUv351 = lib.function<decltype(&EnumUv351)>("EnumUv351");
    ASSERT_TRUE(init && memAcc && regAcc && allReg && memAtt && bpInfo && breakFunc && goStep && serial && uv3Cap &&
                enumUv351);

    auto target = std::make_unique<AG_TargetRecord>();
    char options[] = "-E1 -F15";
    AG_CapRecord cap{};
    cap.optionText = options;
    std::uint8_t byte = 0;
    std::uint32_t value = 0, address = AG_CODE_TAG;
    AG_AddressRecord where{AG_CODE_TAG, 0};
    AG_AttributeRecord attribute{};
    AG_Breakpoint breakpoint{};
    std::uint32_t answers[10];
    AG_Breakpoint *made = &breakpoint;

    outOfMemory = true;
    answers[0] = init(AG_INIT_FEATURE_FIRST, nullptr);
    answers[1] = memAcc(AG_MEM_READ, &byte, &where, 1);
    answers[2] = regAcc(1, AG_REG_A, &value);
    answers[3] = allReg(1, nullptr);
    answers[4] = memAtt(1, 0, &attribute);
    answers[5] = bpInfo(1, &address);
    made = breakFunc(1, 0, &address, &breakpoint);
    answers[6] = goStep(AG_GOSTEP_STEP, 1, nullptr);
    answers[7] = serial(1, 0, 1, &byte);
    answers[8] = uv3Cap(1, &cap);
    answers[9] = enumUv351(target.get(), 2);
    outOfMemory = false;

    const std::uint32_t failures[10] = {1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(answers[i], failures[i]) << "call " << i;
    EXPECT_EQ(made, nullptr);
    EXPECT_EQ(enumUv351(target.get(), 2), 8051u);
}

}  // namespace
