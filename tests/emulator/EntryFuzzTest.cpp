// The driver's entry points called as a careless host would: random codes, counts and
// addresses, every buffer exactly as large as the call says. Run under AddressSanitizer, any
// access outside a buffer is a failure; here, a crash or a hang is.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <list>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "core/SharedLibrary.h"
#include "emulator/EMX31_EN.h"

namespace {

struct Api {
    decltype(&AG_Init) init;
    decltype(&AG_MemAcc) memAcc;
    decltype(&AG_RegAcc) regAcc;
    decltype(&AG_AllReg) allReg;
    decltype(&AG_MemAtt) memAtt;
    decltype(&AG_BpInfo) bpInfo;
    decltype(&AG_BreakFunc) breakFunc;
    decltype(&AG_GoStep) goStep;
    decltype(&AG_Serial) serial;
    decltype(&AG_HistFunc) histFunc;
    decltype(&DllUv3Cap) uv3Cap;
    decltype(&EnumUv351) enumUv351;
};

struct Host {
    std::mt19937 rng{12345};
    std::vector<std::unique_ptr<std::uint8_t[]>> pages;
    std::vector<std::unique_ptr<std::uint16_t[]>> attrs;
    std::list<AG_Breakpoint> bps;
    std::list<std::string> texts;
    AG_Breakpoint *head = nullptr;
    std::uint32_t pc = 0;
    std::vector<AG_DownloadBlock> blocks;
    std::vector<std::unique_ptr<std::uint8_t[]>> blockData;
    AG_RegPane *pane = nullptr;
    int callbacks = 0;
};
Host *host = nullptr;

intptr_t callback(std::uint32_t code, void *p) {
    ++host->callbacks;
    if (code == AG_CB_SHADOW_MAP) {
        auto *map = static_cast<AG_ShadowMap *>(p);
        const int pages[] = {0, 1, 256, 300, 512, 513};
        host->pages.clear();
        host->attrs.clear();
        for (int page : pages) {
            const std::size_t n = page >= 512 ? 256 : 65536;
            host->pages.emplace_back(new std::uint8_t[n]());
            host->attrs.emplace_back(new std::uint16_t[n]());
            map->pages[page] = {host->pages.back().get(), host->attrs.back().get()};
        }
    } else if (code == AG_CB_REGISTER_PANE) {
        host->pane = static_cast<AG_RegPane *>(p);
    } else if (code == AG_CB_NEXT_BLOCK) {
        if (host->blocks.empty()) return 0;
        if (!p) return reinterpret_cast<intptr_t>(&host->blocks[0]);
        const std::size_t i = std::size_t(static_cast<AG_DownloadBlock *>(p) - host->blocks.data()) + 1;
        return i < host->blocks.size() ? reinterpret_cast<intptr_t>(&host->blocks[i]) : 0;
    }
    return 0;
}

int answer(void *, const char *, const char *, std::uint32_t style) {
    return (style & 0xF) == EMX31_MB_YESNO ? EMX31_IDYES : EMX31_IDOK;
}
intptr_t sendMessage(void *, std::uintptr_t, std::uint32_t, std::uintptr_t, intptr_t) { return 0; }
void postMessage(void *, std::uintptr_t, std::uint32_t, std::uintptr_t, intptr_t) {}
int dialog(void *, const EMX31_SettingsForm *f) {
    f->selectMaker(f->dialog, std::rand() % 6 - 1);
    f->selectChip(f->dialog, std::rand() % 20 - 2);
    f->setAdapter(f->dialog, std::rand() % 2);
    f->setHalt(f->dialog, std::rand() % 2);
    return std::rand() % 2;
}

std::uint32_t randomAddress(std::mt19937 &rng) {
    static const std::uint32_t spaces[] = {0x00, 0x01, 0xFE, 0xF0, 0xF3, 0xFF, 0x42};
    const std::uint32_t space = spaces[rng() % 7];
    const std::uint32_t bank = rng() % 8 == 0 ? rng() % 256 : 0;
    const std::uint32_t offset =
        rng() % 4 == 0 ? rng() % 0x10000 : (space >= 0xF0 && space != 0xFF ? rng() % 0x100 : rng() % 0x10000);
    return space << 24 | bank << 16 | offset;
}

TEST(EntryFuzz, RandomCallsStayInsideTheirBuffers) {
#if defined(_WIN32)
    _putenv_s("EMX31_SIMULATE", "1");
#else
    setenv("EMX31_SIMULATE", "1", 1);
#endif
    vantor::SharedLibrary lib;
    ASSERT_TRUE(lib.open(std::string(VANTOR_BIN_DIR) + "/" + vantor::SharedLibrary::fileName("EMX31_EN")))
        << lib.lastError();
    Api api{
        lib.function<decltype(Api::init)>("AG_Init"),           lib.function<decltype(Api::memAcc)>("AG_MemAcc"),
        lib.function<decltype(Api::regAcc)>("AG_RegAcc"),       lib.function<decltype(Api::allReg)>("AG_AllReg"),
        lib.function<decltype(Api::memAtt)>("AG_MemAtt"),       lib.function<decltype(Api::bpInfo)>("AG_BpInfo"),
        lib.function<decltype(Api::breakFunc)>("AG_BreakFunc"), lib.function<decltype(Api::goStep)>("AG_GoStep"),
        lib.function<decltype(Api::serial)>("AG_Serial"),       lib.function<decltype(Api::histFunc)>("AG_HistFunc"),
        lib.function<decltype(Api::uv3Cap)>("DllUv3Cap"),       lib.function<decltype(Api::enumUv351)>("EnumUv351")};
    ASSERT_TRUE(api.init && api.memAcc && api.regAcc && api.allReg && api.memAtt && api.bpInfo && api.breakFunc &&
                api.goStep && api.serial && api.histFunc && api.uv3Cap && api.enumUv351);

    Host h;
    host = &h;
    auto &rng = h.rng;
    std::srand(7);
    auto target = std::make_unique<AG_TargetRecord>();
    std::memset(target.get(), 'V', sizeof *target);  // no terminating zero anywhere
    EXPECT_EQ(api.enumUv351(target.get(), 2), 8051u);
    EMX31_HostHooks hooks{sizeof hooks, nullptr, &answer, &sendMessage, &postMessage, &dialog};
    api.init(AG_INIT_EMX31_HOOKS, &hooks);
    api.init(AG_INIT_HOST_WINDOW, reinterpret_cast<void *>(std::uintptr_t(1)));
    api.init(AG_INIT_HOST_MESSAGE, reinterpret_cast<void *>(std::uintptr_t(0x464)));
    api.init(AG_INIT_HOST_CALLBACK, reinterpret_cast<void *>(&callback));
    api.init(AG_INIT_BREAKPOINTS, &h.head);
    api.init(AG_INIT_PC_SLOT, &h.pc);
    ASSERT_EQ(api.init(AG_INIT_START_SESSION, nullptr), 0u);

    const int iterations =
        std::getenv("EMX31_FUZZ_ITERATIONS") ? std::atoi(std::getenv("EMX31_FUZZ_ITERATIONS")) : 4000;
    for (int i = 0; i < iterations; ++i) {
        const std::uint32_t code = rng() % 8 == 0 ? rng() : rng() % 16;
        switch (rng() % 14) {
        case 0: {
            const std::uint32_t count = rng() % 4 == 0 ? rng() % 0x20000 : rng() % 600;
            std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[count ? count : 1]);
            std::memset(buffer.get(), int(rng()), count ? count : 1);
            AG_AddressRecord rec{randomAddress(rng), 0};
            api.memAcc(code % 6, count ? buffer.get() : nullptr, &rec, count);
            break;
        }
        case 1: {
            std::uint32_t v = rng();
            static const std::uint32_t regs[] = {0, 3, 7, 8, 0x14, 0x18, 0x500, 0xFFFF};
            api.regAcc(code % 4, regs[rng() % 8], rng() % 16 ? &v : nullptr);
            break;
        }
        case 2: api.allReg(code % 4, nullptr); break;
        case 3: {
            AG_AttributeRecord rec{};
            rec.u.address = randomAddress(rng);
            api.memAtt(code % 4, 0, &rec);
            break;
        }
        case 4: {
            std::uint32_t a = randomAddress(rng);
            api.bpInfo(code % 13, &a);
            break;
        }
        case 5: {
            auto &bp = h.bps.emplace_back();
            bp.flags = rng() % 4 | (rng() % 2 ? AG_BP_ENABLED : 0);
            bp.address = AG_CODE_TAG | (rng() % 0x100);
            bp.passCount = rng() % 4;
            if (rng() % 3 == 0) bp.command = h.texts.emplace_back("echo fuzz").c_str();
            bp.next = h.head;
            h.head = &bp;
            std::uint32_t a = bp.address;
            api.breakFunc(code % 7, 0, &a, &bp);
            break;
        }
        case 6: {
            if (rng() % 4) {
                api.goStep(AG_GOSTEP_STEP, 1, nullptr);
                break;
            }
            // A go must end: another thread stops it soon.
            std::uint32_t t = AG_CODE_TAG | (rng() % 0x100);
            std::atomic<bool> done{false};
            std::thread stopper([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(3));
                while (!done) {
                    api.goStep(AG_GOSTEP_STOP, 0, nullptr);
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
            });
            api.goStep(rng() % 2 ? AG_GOSTEP_GO : AG_GOSTEP_GO_TO, 0, &t);
            done = true;
            stopper.join();
            break;
        }
        case 7: api.goStep(AG_GOSTEP_STEP, rng() % 5, nullptr); break;
        case 8: {
            std::uint8_t data[4] = {};
            api.serial(code % 3, rng(), rng(), data);
            break;
        }
        case 9: {
            auto text = std::make_unique<char[]>(AG_OPTION_TEXT_SIZE);
            for (std::size_t k = 0; k < AG_OPTION_TEXT_SIZE; ++k) text[k] = "-EFVC0123456789 x"[rng() % 17];
            AG_CapRecord rec{};
            rec.optionText = text.get();
            api.uv3Cap(rng() % 3 ? 1 : code, &rec);
            break;
        }
        case 10: {
            h.blocks.clear();
            h.blockData.clear();
            const int n = int(rng() % 4);
            for (int k = 0; k < n; ++k) {
                const std::uint32_t len = rng() % 700 + 1;
                h.blockData.emplace_back(new std::uint8_t[len]());
                h.blocks.push_back({std::uint32_t(rng() % 0x10000), len, h.blockData.back().get(), len});
            }
            h.blocks.push_back({0, 0, nullptr, 0});
            if (api.init(AG_INIT_PREPARE_DOWNLOAD, nullptr) == 0) api.init(AG_INIT_PROGRAM_VERIFY, nullptr);
            break;
        }
        case 11:
            if (h.pane) {
                AG_RegItem &item = h.pane->items[rng() % h.pane->itemCount];
                const std::uint32_t v = rng();
                if (rng() % 2) h.pane->read(&item, rng() % 2 ? 0x80000000u : v);
                else h.pane->write(&item, reinterpret_cast<const std::uint8_t *>(&v));
            }
            break;
        case 12: {
            // The session ends or resets now and then, and starts again.
            const std::uint32_t codes[] = {
                AG_INIT_RESET, AG_INIT_FILL_CODE, AG_INIT_CACHE_CODE, AG_INIT_END_SESSION, 0x0205, 0x0699};
            api.init(codes[rng() % 6], nullptr);
            break;
        }
        default:
            if (h.bps.size() > 40) {
                h.head = nullptr;
                h.bps.clear();
            }
            api.init(AG_INIT_START_SESSION, nullptr);
            break;
        }
    }
    EXPECT_EQ(api.histFunc(1, 2, 3, nullptr), 0u);
    api.init(AG_INIT_END_SESSION, nullptr);
    EXPECT_EQ(std::string(target->optionText).substr(0, 2), "-E");
    host = nullptr;
}

}  // namespace
