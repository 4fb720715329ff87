// vantor-cli config: the Config dialog on the command line, kept in the settings memory.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "cli/Report.h"

#include "cli/DeviceLookup.h"
#include "cli/DeviceSettings.h"
#include "core/HexText.h"
#include "devices/ConfigDeviceForm.h"
#include "devices/OperationOptions.h"

namespace vantor::cli {
namespace {

using cfg::Item;

std::string lower(std::string_view s) {
    std::string r(s);
    for (char &c : r) c = char(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

std::string trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return std::string(s);
}

// An item answers to its whole text or, for "NAME: explanation" texts, to NAME alone.
bool answersTo(const Item &item, const std::string &key) {
    const std::string t = lower(item.text), k = lower(key);
    if (t == k) return true;
    const auto colon = t.find(':');
    return colon != std::string::npos && trim(t.substr(0, colon)) == k;
}

// A choice answers to its whole text, to its text up to " (", or to a unique start of it.
int pickChoice(const std::vector<std::string> &texts, const std::string &value) {
    const std::string v = lower(trim(value));
    for (std::size_t i = 0; i < texts.size(); ++i)
        if (lower(texts[i]) == v) return int(i);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string t = lower(texts[i]);
        const auto paren = t.find(" (");
        if (paren != std::string::npos && t.substr(0, paren) == v) return int(i);
    }
    int found = -1;
    for (std::size_t i = 0; i < texts.size(); ++i)
        if (lower(texts[i]).rfind(v, 0) == 0) {
            if (found >= 0) return -2;
            found = int(i);
        }
    return found;
}

bool parseSwitch(const std::string &v, bool &on) {
    const std::string s = lower(trim(v));
    if (s == "1" || s == "on" || s == "yes" || s == "true" || s == "checked" || s == "x") return on = true, true;
    if (s == "0" || s == "off" || s == "no" || s == "false" || s == "unchecked") return on = false, true;
    return false;
}

// The radio buttons of the group a group box opens: those after it, up to the next group box.
std::vector<std::size_t> groupRadios(const ConfigDeviceForm &m, std::size_t groupItem) {
    std::vector<std::size_t> radios;
    for (std::size_t i = groupItem + 1; i < m.file().items.size(); ++i) {
        const auto kind = m.file().items[i].kind;
        if (kind == cfg::kGroupBox) break;
        if (kind == cfg::kRadioButton && (radios.empty() || m.control(i).radioGroup == m.control(radios[0]).radioGroup))
            radios.push_back(i);
    }
    return radios;
}

// The items that answer to `key` and can be set; lists and hex fields also answer to the
// label just before them.
std::vector<std::size_t> itemsAnsweringTo(const ConfigDeviceForm &m, const std::string &key) {
    const auto &items = m.file().items;
    std::vector<std::size_t> matches;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto kind = items[i].kind;
        const bool settable = kind == cfg::kHexField || kind == cfg::kCheckBox || kind == cfg::kDropDown ||
                              kind == cfg::kGroupBox || kind == cfg::kRadioButton;
        const bool labelled = (kind == cfg::kDropDown || kind == cfg::kHexField) && i > 0 &&
                              items[i - 1].kind >= cfg::kStaticText && items[i - 1].kind <= cfg::kStaticText6 &&
                              answersTo(items[i - 1], key);
        if (settable && (labelled || answersTo(items[i], key))) matches.push_back(i);
    }
    return matches;
}

// Picks one of `texts` for a list or group `item`; -1 (the choices printed) when none fits.
int pickOrList(const Item &item, const std::vector<std::string> &texts, const std::string &value, const char *what) {
    const int pick = pickChoice(texts, value);
    if (pick >= 0) return pick;
    const std::string problem =
        pick == -2 ? "more than one " + std::string(what) + " starts with" : "no " + std::string(what);
    std::fprintf(stderr, "vantor-cli: config: %s: %s \"%s\"; one of:\n", item.text.c_str(), problem.c_str(),
                 value.c_str());
    for (const auto &t : texts) std::fprintf(stderr, "  %s\n", t.c_str());
    return -1;
}

// Sets item `i` to `value` through its control; a message on stderr when it cannot.
bool setItem(ConfigDeviceForm &m, std::size_t i, const std::string &value) {
    const auto &items = m.file().items;
    const Item &item = items[i];
    switch (item.kind) {
    case cfg::kHexField: {
        std::string digits = trim(value);
        if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits = digits.substr(2);
        if (!digits.empty() && (digits.back() == 'h' || digits.back() == 'H')) digits.pop_back();
        if (!digits.empty() && m.setHexText(i, digits)) return true;
        std::fprintf(stderr, "vantor-cli: config: %s takes at most %d hex digits, not \"%s\"\n", item.text.c_str(),
                     item.hexDigits(), value.c_str());
        return false;
    }
    case cfg::kCheckBox:
    case cfg::kRadioButton: {
        bool on = false;
        if (!parseSwitch(value, on) || (item.kind == cfg::kRadioButton && !on)) {
            std::fprintf(stderr, "vantor-cli: config: %s takes %s, not \"%s\"\n", item.text.c_str(),
                         item.kind == cfg::kCheckBox ? "on or off" : "on (choose another button to leave it)",
                         value.c_str());
            return false;
        }
        m.setChecked(i, on);
        return true;
    }
    case cfg::kDropDown: {
        std::vector<std::string> texts;
        for (std::size_t e : m.control(i).entries) texts.push_back(items[e].text);
        const int pick = pickOrList(item, texts, value, "entry");
        if (pick >= 0) m.selectEntry(i, pick);
        return pick >= 0;
    }
    case cfg::kGroupBox: {
        const auto radios = groupRadios(m, i);
        std::vector<std::string> texts;
        for (std::size_t r : radios) texts.push_back(items[r].text);
        const int pick = pickOrList(item, texts, value, "button");
        if (pick >= 0) m.setChecked(radios[std::size_t(pick)], true);
        return pick >= 0;
    }
    default: return false;  // not settable; itemsAnsweringTo never names one
    }
}

// Applies "ITEM TEXT=VALUE" through the dialog's controls; a message on stderr when it cannot.
// The item's text may hold '=' itself: each '=' is tried in turn until the text before it names
// an item.
bool applySetting(ConfigDeviceForm &m, const std::string &setting) {
    for (std::size_t eq = setting.find('='); eq != std::string::npos; eq = setting.find('=', eq + 1)) {
        const std::string key = trim(setting.substr(0, eq)), value = setting.substr(eq + 1);
        const std::vector<std::size_t> matches = itemsAnsweringTo(m, key);
        if (matches.empty()) continue;
        if (matches.size() > 1) {
            std::fprintf(stderr, "vantor-cli: config: \"%s\" names %zu items; use the whole text\n", key.c_str(),
                         matches.size());
            return false;
        }
        if (m.isReadOnly(matches.front())) {
            std::fprintf(stderr, "vantor-cli: config: %s cannot be changed by serial programming\n",
                         m.file().items[matches.front()].text.c_str());
            return false;
        }
        return setItem(m, matches.front(), value);
    }
    std::fprintf(stderr, "vantor-cli: config: no item answers to \"%s\" (see config --show)\n", setting.c_str());
    return false;
}

nlohmann::json toJson(const ConfigDeviceForm &m, const DeviceRecord &device, bool remembered) {
    using nlohmann::json;
    const auto &items = m.file().items;
    json pages = json::array();
    for (int p = 0; p < m.pageCount(); ++p) pages.push_back({{"page", p + 1}, {"items", json::array()}});
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Item &it = items[i];
        const auto &c = m.control(i);
        json j = {{"text", it.text}, {"byte", it.byteIndex}};
        switch (it.kind) {
        case cfg::kHexField: {
            std::uint64_t lo = 0, hi = 0;
            j["kind"] = "hex";
            j["value"] = c.text;
            j["digits"] = it.hexDigits();
            if (m.fieldRange(it, lo, hi)) j["range"] = {lo, hi - 1};
            break;
        }
        case cfg::kGroupBox: j = {{"kind", "group"}, {"text", it.text}}; break;
        case cfg::kRadioButton:
            j["kind"] = "radio";
            j["selected"] = c.checked;
            j["mask"] = it.mask;
            j["value"] = it.value;
            break;
        case cfg::kCheckBox:
            j["kind"] = "check";
            j["checked"] = c.checked;
            j["mask"] = it.mask;
            j["value"] = it.value;
            break;
        case cfg::kDropDown: {
            j["kind"] = "list";
            j["mask"] = it.mask;
            json entries = json::array();
            for (std::size_t e : c.entries) entries.push_back({{"text", items[e].text}, {"value", items[e].value}});
            j["entries"] = entries;
            j["selected"] = c.selected >= 0 ? json(items[c.entries[std::size_t(c.selected)]].text) : json(nullptr);
            break;
        }
        case cfg::kDropEntry: continue;
        default: j = {{"kind", "text"}, {"text", it.text}}; break;
        }
        if (it.page >= 0 && it.page < int(pages.size())) pages[std::size_t(it.page)]["items"].push_back(j);
    }
    return {{"vendor", device.vendor_name},
            {"device", device.device_name},
            {"remembered", remembered},
            {"config_bytes", hexBytes(m.working().data(), 16)},
            {"lock_bytes", hexBytes(m.working().data() + 16, 16)},
            {"config_tail", hexBytes(m.working().data() + 32, 16)},
            {"pages", pages}};
}

void show(Terminal &t, const ConfigDeviceForm &m, const DeviceRecord &device, bool remembered) {
    const auto &items = m.file().items;
    t.plain(std::string("Configuration of ") + device.vendor_name + " " + device.device_name +
            (remembered ? " (remembered)" : " (defaults of its configuration file)"));
    int page = -1;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Item &it = items[i];
        const auto &c = m.control(i);
        if (it.page != page) {
            page = it.page;
            t.plain("Page " + std::to_string(page + 1));
        }
        switch (it.kind) {
        case cfg::kHexField: {
            std::uint64_t lo = 0, hi = 0;
            char range[64] = "";
            if (m.fieldRange(it, lo, hi))
                std::snprintf(range, sizeof range, "  (hex, %XH -- %XH)", unsigned(lo), unsigned(hi - 1));
            t.plain("  " + it.text + " = " + c.text + range);
            break;
        }
        case cfg::kGroupBox: t.plain("  " + it.text + ":"); break;
        case cfg::kRadioButton: t.plain(std::string(c.checked ? "    (*) " : "    ( ) ") + it.text); break;
        case cfg::kCheckBox: t.plain(std::string(c.checked ? "  [x] " : "  [ ] ") + it.text); break;
        case cfg::kDropDown: {
            t.plain("  " + it.text + " = " +
                    (c.selected >= 0 ? items[c.entries[std::size_t(c.selected)]].text : std::string("(none)")));
            for (std::size_t e = 0; e < c.entries.size(); ++e)
                t.plain(std::string(int(e) == c.selected ? "      * " : "        ") + items[c.entries[e]].text);
            break;
        }
        case cfg::kDropEntry: break;
        default: t.plain("  " + it.text); break;
        }
    }
    t.plain("Configuration bytes: " + hexBytes(m.working().data(), 16));
    t.plain("Lock bytes:          " + hexBytes(m.working().data() + 16, 16));
    t.plain("Calibration:         " + hexBytes(m.working().data() + 32, 5));
}

}  // namespace

int runConfig(CliContext &ctx, Args args) {
    const auto deviceSpec = takeOption(args, "--device", "-d");
    if (!deviceSpec) throw UsageError("config needs -d VENDOR/DEVICE");
    std::vector<std::string> sets;
    while (auto s = takeOption(args, "--set")) sets.push_back(*s);
    const bool defaults = takeFlag(args, "--defaults");
    const bool json = takeFlag(args, "--json") || ctx.json;
    bool showIt = takeFlag(args, "--show");
    if (!args.empty()) throw UsageError("unexpected argument: " + args.front());
    // A script that asked for JSON gets the configuration as it now stands.
    if ((sets.empty() && !defaults) || json) showIt = true;

    CliLibrary lib(ctx);
    DeviceRecord device;
    if (!lib.resolve(*deviceSpec, device)) return kExitUsage;
    const auto path = cfg::configFilePath(ctx.libDir, device);
    if (path.empty()) {
        std::fprintf(stderr, "vantor-cli: %s %s has no configuration file (nothing to configure)\n", device.vendor_name,
                     device.device_name);
        return kExitUsage;
    }
    std::uint8_t items[16];
    std::uint32_t areaMask = OptionsRecord{}.areaMask;
    const bool remembered = restoreDeviceSettings(ctx, device, items, areaMask);

    StreamPrompt prompt(stderr);
    ConfigDeviceForm model(prompt);
    if (!model.open(path, device)) return kExitFailed;
    if (defaults) model.restoreDefaults();
    for (const auto &s : sets)
        if (!applySetting(model, s)) return kExitUsage;
    // Showing alone is no OK: it prints the bytes as they are stored.
    const bool changing = !sets.empty() || defaults;
    if (changing && !model.accept()) return kExitUsage;  // the range message has been printed

    if (changing) {
        std::memcpy(device.config_data, model.working().data(), kConfigDataSize);
        SettingsMemory memory = settingsMemory(ctx);
        if (!memory.SaveDeviceSettings(device, items, areaMask)) {
            std::fprintf(stderr, "vantor-cli: the configuration could not be kept: %s\n",
                         memory.file().empty() ? "there is no chip.set beside the program"
                                               : ("cannot rewrite " + memory.file().string()).c_str());
            return kExitFailed;
        }
        if (!showIt)
            ctx.terminal->plain("Configuration bytes: " + hexBytes(device.config_data, 16) +
                                "   Lock bytes: " + hexBytes(device.config_data + 16, 16));
    }
    if (showIt) {
        if (json) {
            nlohmann::json doc = {
                {"schema", kJsonSchemaId}, {"command", "config"}, {"result", "success"}, {"exit_code", 0}};
            doc.update(toJson(model, device, remembered || !sets.empty() || defaults));
            printJson(doc, 2);
        } else {
            show(*ctx.terminal, model, device, remembered || !sets.empty() || defaults);
        }
    }
    return kExitSuccess;
}

}  // namespace vantor::cli
