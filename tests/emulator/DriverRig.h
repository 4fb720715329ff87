#pragma once
// The driver wired to the EMX31 board simulator, with a host that records what it is told.
#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <functional>
#include <list>
#include <string>
#include <thread>
#include <vector>

#include "core/Clock.h"
#include "emulator/Driver.h"
#include "sim/emx31/Emx31Simulator.h"

namespace vantor::emx31::test {

// Status waits count fake milliseconds (one per status read); sleeps advance them and yield
// for a moment of real time, so a program running in the simulator makes progress.
class TestClock : public Clock {
public:
    std::uint64_t nowMs() override { return now_; }
    void sleepMs(unsigned ms) override {
        now_ += ms;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    void advance(std::uint64_t ms) { now_ += ms; }

private:
    std::atomic<std::uint64_t> now_{0};
};

struct Box {
    std::string text;
    std::string caption;
    std::uint32_t style;
};

class RecordingUi : public HostUi {
public:
    int messageBox(const std::string &text, const char *caption, std::uint32_t style) override {
        std::lock_guard lock(mutex);
        boxes.push_back({text, caption, style});
        if ((style & 0x0F) == EMX31_MB_YESNO) return answers.empty() ? EMX31_IDYES : take();
        return EMX31_IDOK;
    }
    std::intptr_t send(std::uintptr_t, std::uint32_t message, std::uintptr_t kind, std::intptr_t lParam) override {
        std::lock_guard lock(mutex);
        lastMessage = message;
        if ((kind == AG_MSG_TEXT || kind == AG_MSG_DOWNLOAD) && lParam)
            texts.push_back({unsigned(kind), reinterpret_cast<const char *>(lParam)});
        else if (kind == AG_MSG_SERIAL && lParam) serial.push_back(*reinterpret_cast<const AG_SerialRecord *>(lParam));
        return 0;
    }
    void post(std::uintptr_t, std::uint32_t, std::uintptr_t kind, std::intptr_t) override {
        std::lock_guard lock(mutex);
        posts.push_back(unsigned(kind));
    }
    bool settingsDialog(const EMX31_SettingsForm &form) override {
        shownForm = form;
        return onDialog ? onDialog(form) : false;
    }
    int take() {
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    bool hasBox(const char *text) const {
        for (const auto &b : boxes)
            if (b.text.find(text) != std::string::npos) return true;
        return false;
    }
    bool hasText(const char *text) const {
        for (const auto &t : texts)
            if (t.second.find(text) != std::string::npos) return true;
        return false;
    }
    void clear() {
        boxes.clear();
        texts.clear();
        posts.clear();
    }

    std::mutex mutex;
    std::vector<Box> boxes;
    std::vector<std::pair<unsigned, std::string>> texts;
    std::vector<AG_SerialRecord> serial;
    std::vector<unsigned> posts;
    std::deque<int> answers;
    std::uint32_t lastMessage = 0;
    EMX31_SettingsForm shownForm{};
    std::function<bool(const EMX31_SettingsForm &)> onDialog;
};

// The host's side: shadow pages, breakpoint list, PC slot and the callback.
class Rig {
public:
    explicit Rig(bool adapter = true, bool bind = true)
        : sim(makeSimulatedEmx31(adapter)), driver(ui, clock), codeData(0x10000), xdataData(0x10000), sfrData(0x100),
          ramData(0x100), codeAttr(0x10000), xdataAttr(0x10000), sfrAttr(0x100), ramAttr(0x100) {
        current() = this;
        sim.device->setStatusHook([this] { clock.advance(1); });
        driver.setBackend(sim.backend());
        if (bind) bindHost();
    }
    ~Rig() { current() = nullptr; }

    void bindHost() {
        driver.init(AG_INIT_HOST_WINDOW, reinterpret_cast<void *>(std::uintptr_t(0x1234)));
        driver.init(AG_INIT_HOST_MESSAGE, reinterpret_cast<void *>(std::uintptr_t(0x464)));
        driver.init(AG_INIT_HOST_CALLBACK, reinterpret_cast<void *>(&Rig::callback));
        driver.init(AG_INIT_BREAKPOINTS, &head);
        driver.init(AG_INIT_PC_SLOT, &pc);
    }
    bool connect() { return driver.init(AG_INIT_START_SESSION, nullptr) == 0; }

    // Puts a program into the emulator's code memory and the PC at 0.
    void loadProgram(const std::vector<std::uint8_t> &code, std::uint16_t at = 0) {
        for (std::size_t i = 0; i < code.size(); ++i) sim.device->cpu().writeCode(std::uint16_t(at + i), code[i]);
        sim.device->cpu().setPc(0);
    }

    AG_Breakpoint *addBreakpoint(std::uint16_t address, std::uint32_t count = 1, std::uint32_t kind = AG_BP_KIND_EXEC,
                                 const char *command = nullptr) {
        auto &bp = breakpoints.emplace_back();
        bp.flags = kind | AG_BP_ENABLED;
        bp.address = AG_CODE_TAG | address;
        bp.passCount = count;
        bp.command = command;
        AG_Breakpoint *next = nullptr;
        for (auto it = breakpoints.rbegin(); it != breakpoints.rend(); ++it) {
            it->next = next;
            next = &*it;
        }
        head = next;
        std::uint32_t a = bp.address;
        driver.breakFunc(1, &a, &bp);
        return &bp;
    }

    std::uint32_t read(std::uint32_t address, std::uint8_t *buffer, std::uint32_t count,
                       std::uint32_t code = AG_MEM_READ) {
        AG_AddressRecord rec{address, 0};
        const std::uint32_t r = driver.memAcc(code, buffer, &rec, count);
        failing = rec.failing;
        return r;
    }
    std::uint32_t write(std::uint32_t address, const std::vector<std::uint8_t> &bytes,
                        std::uint32_t code = AG_MEM_WRITE) {
        AG_AddressRecord rec{address, 0};
        std::vector<std::uint8_t> copy = bytes;
        const std::uint32_t r = driver.memAcc(code, copy.data(), &rec, std::uint32_t(copy.size()));
        failing = rec.failing;
        return r;
    }
    // Commands the emulator received since the last call.
    std::vector<std::uint8_t> newCommands() {
        auto all = sim.device->commands();
        std::vector<std::uint8_t> fresh(all.begin() + std::ptrdiff_t(seen), all.end());
        seen = all.size();
        return fresh;
    }

    static intptr_t callback(std::uint32_t code, void *pointer) {
        Rig *r = current();
        if (!r) return 0;
        r->callbacks.push_back(code);
        switch (code) {
        case AG_CB_SHADOW_MAP: {
            auto *map = static_cast<AG_ShadowMap *>(pointer);
            if (!r->withShadow) break;
            map->pages[0] = {r->codeData.data(), r->codeAttr.data()};
            map->pages[256] = {r->xdataData.data(), r->xdataAttr.data()};
            map->pages[512] = {r->sfrData.data(), r->sfrAttr.data()};
            map->pages[513] = {r->ramData.data(), r->ramAttr.data()};
            break;
        }
        case AG_CB_REGISTER_PANE: r->pane = static_cast<AG_RegPane *>(pointer); break;
        case AG_CB_PROGRESS: r->progress.push_back(*static_cast<AG_ProgressRecord *>(pointer)); break;
        case AG_CB_BP_COMMAND:
            if (r->commandsRun.empty()) r->commandsRun.push_back(static_cast<const char *>(pointer));
            ++r->commandCount;
            break;
        case AG_CB_NEXT_BLOCK: {
            if (r->blocks.empty()) return 0;
            if (!pointer) return reinterpret_cast<intptr_t>(&r->blocks[0]);
            const std::size_t i = std::size_t(static_cast<AG_DownloadBlock *>(pointer) - r->blocks.data()) + 1;
            return i < r->blocks.size() ? reinterpret_cast<intptr_t>(&r->blocks[i]) : 0;
        }
        default: break;
        }
        return 0;
    }
    static Rig *&current() {
        static Rig *rig = nullptr;
        return rig;
    }

    RecordingUi ui;
    TestClock clock;
    SimulatedEmx31 sim;
    Driver driver;
    bool withShadow = true;
    std::vector<std::uint8_t> codeData, xdataData, sfrData, ramData;
    std::vector<std::uint16_t> codeAttr, xdataAttr, sfrAttr, ramAttr;
    AG_Breakpoint *head = nullptr;
    std::list<AG_Breakpoint> breakpoints;
    std::uint32_t pc = 0;
    AG_RegPane *pane = nullptr;
    std::vector<std::uint32_t> callbacks;
    std::vector<AG_ProgressRecord> progress;
    std::vector<std::string> commandsRun;  // the first command text (read after the go)
    std::atomic<int> commandCount{0};      // how often the host ran one
    std::vector<AG_DownloadBlock> blocks;  // the chain, ended by a block of length 0
    std::uint32_t failing = 0;
    std::size_t seen = 0;
};

}  // namespace vantor::emx31::test
