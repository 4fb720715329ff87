#include "devices/LockoutRisks.h"

#include <algorithm>

#include "devices/Algorithms.h"
#include "devices/DeviceTables.h"

namespace vantor {

namespace {

enum class Family { Avr, Pic, Mcs51, Other };

enum class Danger {
    Checked,              // the check box ticked
    Cleared,              // the check box not ticked
    ClearedOnLowVoltage,  // not ticked while the device is programmed through the low-voltage adapter
    ExternalClock,        // a list entry that needs a clock or crystal on the pins
    SelectedText,         // a radio button or list entry whose text contains `text`
    NotFactory,           // any state but the one the file's defaults give
};

}  // namespace

struct LockoutRule {
    Family family;
    std::string_view name;  // the control's bit name (its first word); empty: any control of the lock bytes
    Danger danger;
    std::string_view text;  // SelectedText: what the chosen text contains
    bool readOnly;
    std::string_view consequence;
};

namespace {

// Sources: the AVR datasheets' "Memory Programming" chapters (fuse and lock bit tables, serial
// programming needs RESET and SPIEN; debugWIRE disables it) and clock chapters (every CKSEL code
// but the internal oscillators needs a clock or crystal on XTAL1/XTAL2); the PIC programming
// specifications (code protection reads back as zeros until a bulk erase; LVP cleared ends
// low-voltage entry, so only Vpp on MCLR enters programming); the 8051 datasheets' lock-mode
// tables. CKSEL list entries follow the label rule of data/README.md: the internal sources'
// meanings begin with "Internal".
// clang-format off
constexpr LockoutRule kRules[] = {
    {Family::Avr, "RSTDISBL", Danger::Checked, {}, false,
     "The RESET pin becomes an I/O pin. Serial programming needs RESET, so only a high-voltage programmer can undo this."},
    {Family::Avr, "DWEN", Danger::Checked, {}, false,
     "debugWIRE takes over the RESET pin and serial programming stops. A debugWIRE tool or a high-voltage programmer "
     "is needed to turn it off."},
    {Family::Avr, "SPIEN", Danger::Cleared, {}, true,
     "Serial programming is disabled. Only a high-voltage programmer can enable it again."},
    {Family::Avr, "CKSEL", Danger::ExternalClock, {}, false,
     "The chip then runs, and can be programmed, only with a clock or crystal on its XTAL pins. Undo it with that "
     "clock connected, or with a high-voltage programmer."},
    {Family::Avr, "Mode", Danger::SelectedText, "verification disabled", false,
     "The memories can no longer be read or verified, nor the fuses changed. Only a chip erase clears it, and the "
     "program with it."},
    {Family::Pic, "CP", Danger::NotFactory, {}, false,
     "Program memory reads back as zeros: it can no longer be read or verified. Only a bulk erase clears it, and the "
     "program with it."},
    {Family::Pic, "CPD", Danger::NotFactory, {}, false,
     "Data memory reads back as zeros: it can no longer be read or verified. Only a bulk erase clears it, and the "
     "data with it."},
    {Family::Pic, "LVP", Danger::ClearedOnLowVoltage, {}, false,
     "Low-voltage programming is turned off: this low-voltage adapter cannot reach the chip again. Only a "
     "high-voltage programmer (ISP_PIC_HV) can turn it back on."},
    {Family::Mcs51, {}, Danger::NotFactory, {}, false,
     "Lock bits restrict reading, verifying and further programming of the chip. Only a chip erase clears them, and "
     "the program with them."},
};
// clang-format on

constexpr std::string_view kLowVoltageAdapter = "ISP_PIC";
constexpr int kLockBytes = 16;  // config_data bytes 16..31 are what Protect sends

Family familyOf(const DeviceRecord &device) {
    const std::uint8_t a = device.algorithm;
    if (a == algo::kAvrSerial) return Family::Avr;
    if (a == algo::kPic14 || a == algo::kPic12) return Family::Pic;
    if (a >= algo::kMcs51Parallel && a <= algo::kMcs51Stc) return Family::Mcs51;
    return Family::Other;
}

// "RSTDISBL: external reset ..." -> "RSTDISBL"; "CP (bits 4-5): ..." -> "CP".
std::string_view bitName(std::string_view text) {
    const auto end = text.find_first_of(" :(");
    return text.substr(0, end);
}

bool isChoice(std::uint8_t kind) {
    return kind == cfg::kCheckBox || kind == cfg::kRadioButton || kind == cfg::kDropDown;
}

// The entries of the list at `item` (the kind-8 items right after it).
std::span<const cfg::Item> entriesOf(const cfg::ConfigFile &file, std::size_t item) {
    std::size_t end = item + 1;
    while (end < file.items.size() && file.items[end].kind == cfg::kDropEntry) ++end;
    return std::span<const cfg::Item>(file.items).subspan(item + 1, end - item - 1);
}

// The list entry `bits` selects, as the Config dialog shows it; null for none.
const cfg::Item *chosenEntry(const cfg::ConfigFile &file, std::size_t item, std::uint8_t bits) {
    for (const cfg::Item &e : entriesOf(file, item))
        if (e.value == (bits & file.items[item].mask)) return &e;
    return nullptr;
}

}  // namespace

const LockoutRule *lockoutRule(const cfg::ConfigFile &file, std::size_t item, const DeviceRecord &device) {
    if (item >= file.items.size() || !isChoice(file.items[item].kind)) return nullptr;
    const cfg::Item &it = file.items[item];
    const Family family = familyOf(device);
    const std::string_view name = bitName(it.text);
    for (const LockoutRule &rule : kRules) {
        if (rule.family != family) continue;
        // Lists of clock sources may carry start-up bits in their name too ("CKSEL/SUT").
        const bool named =
            rule.danger == Danger::ExternalClock ? name.find(rule.name) != std::string_view::npos : name == rule.name;
        if (rule.name.empty() ? it.byteIndex < kLockBytes || it.byteIndex >= 2 * kLockBytes : !named) continue;
        switch (rule.danger) {
        case Danger::Checked:
        case Danger::Cleared:
        case Danger::ClearedOnLowVoltage:
            if (it.kind != cfg::kCheckBox) continue;
            break;
        case Danger::ExternalClock:
            if (it.kind != cfg::kDropDown) continue;
            break;
        case Danger::SelectedText:
            if (it.kind == cfg::kCheckBox ||
                (it.kind == cfg::kRadioButton && it.text.find(rule.text) == std::string::npos))
                continue;
            break;
        case Danger::NotFactory: break;
        }
        if (rule.danger == Danger::ClearedOnLowVoltage && adapterTableText(device.adapter_index) != kLowVoltageAdapter)
            continue;
        return &rule;
    }
    return nullptr;
}

std::string_view lockoutConsequence(const LockoutRule &rule) { return rule.consequence; }
bool lockoutReadOnly(const LockoutRule &rule) { return rule.readOnly; }

std::vector<LockoutRisk> lockoutRisks(const cfg::ConfigFile &file, const DeviceRecord &device,
                                      std::span<const std::uint8_t> config) {
    std::vector<LockoutRisk> risks;
    if (config.size() < std::size_t(kConfigDataSize)) return risks;
    for (std::size_t i = 0; i < file.items.size(); ++i) {
        const LockoutRule *rule = lockoutRule(file, i, device);
        if (!rule) continue;
        const cfg::Item &it = file.items[i];
        const std::uint8_t bits = config[it.byteIndex], factory = file.defaults[it.byteIndex];
        const bool on = (bits & it.mask) == it.value, onInFactory = (factory & it.mask) == it.value;
        std::string choice;
        bool risky = false;
        if (it.kind == cfg::kDropDown) {
            const cfg::Item *entry = chosenEntry(file, i, bits);
            choice = it.text + " = " + (entry ? entry->text : "a code the list does not name");
            switch (rule->danger) {
            // A code the list does not name may be any clock: it is not taken for an internal one.
            case Danger::ExternalClock: risky = !entry || entry->text.rfind("Internal", 0) != 0; break;
            case Danger::SelectedText: risky = entry && entry->text.find(rule->text) != std::string::npos; break;
            default: risky = true; break;  // any change from the factory state
            }
        } else {
            choice = (it.kind == cfg::kRadioButton ? "(*) " : on ? "[x] " : "[ ] ") + it.text;
            switch (rule->danger) {
            case Danger::Checked: risky = on; break;
            case Danger::Cleared:
            case Danger::ClearedOnLowVoltage: risky = !on; break;
            case Danger::SelectedText: risky = on; break;
            default: risky = true; break;
            }
        }
        // What every chip arrives with, and its board was made for, locks nothing out: only a
        // change from the factory configuration is a risk (the ATmega32U4 leaves the factory
        // set for its crystal).
        const bool changed = it.kind == cfg::kDropDown      ? ((bits ^ factory) & it.mask) != 0
                             : it.kind == cfg::kRadioButton ? on && !onInFactory
                                                            : on != onInFactory;
        if (risky && changed)
            risks.push_back({i, it.byteIndex, std::string(bitName(it.text)), std::move(choice), rule->consequence});
    }
    return risks;
}

std::vector<LockoutRisk> risksWritten(const std::vector<LockoutRisk> &risks, std::span<const std::uint8_t> ops) {
    bool fuses = false, lock = false;
    for (std::uint8_t op : ops) {
        if (op == kEndOfList) break;
        fuses = fuses || op == kOpWriteFuse || op == kOpWriteConfig;
        lock = lock || op == kOpProtect || op == kOpProtect2;
    }
    std::vector<LockoutRisk> written;
    for (const LockoutRisk &r : risks)
        if (r.byteIndex < kLockBytes ? fuses : r.byteIndex < 2 * kLockBytes && lock) written.push_back(r);
    return written;
}

std::vector<LockoutRisk> lockoutRisksOf(const std::filesystem::path &libraryDirectory, const DeviceRecord &device,
                                        std::span<const std::uint8_t> ops) {
    const auto path = cfg::configFilePath(libraryDirectory, device);
    cfg::ConfigFile file;
    if (path.empty() || cfg::readConfigFile(path, file) != cfg::ConfigRead::Ok) return {};
    return risksWritten(lockoutRisks(file, device, device.config_data), ops);
}

std::string describeRisks(const std::vector<LockoutRisk> &risks) {
    std::string text;
    for (const LockoutRisk &r : risks) {
        text += r.choice + "\n    ";
        text += r.consequence;
        text += '\n';
    }
    return text;
}

}  // namespace vantor
