// vantor-cli options: the Operate Settings dialog on the command line.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "cli/CliSettings.h"
#include "cli/DeviceLookup.h"
#include "cli/DeviceSettings.h"
#include "cli/OperationCommand.h"
#include "devices/DeviceTables.h"
#include "devices/OperateSettingsForm.h"
#include "programmer/ProgrammerModels.h"

namespace vantor::cli {
namespace {

bool parseSwitch(const std::string &name, const std::string &v) {
    std::string s;
    for (char c : v) s += char(std::tolower(static_cast<unsigned char>(c)));
    if (s == "1" || s == "on" || s == "yes" || s == "true") return true;
    if (s == "0" || s == "off" || s == "no" || s == "false") return false;
    throw UsageError("options: " + name + " takes on or off, not " + v);
}

std::string onOff(bool on) { return on ? "on" : "off"; }

void show(Terminal &t, const DeviceRecord &device, const OperateSettingsForm &m) {
    t.plain(std::string("Device: ") + device.vendor_name + " " + device.device_name);
    t.plain("  check-id     Check Device ID:              " +
            (m.checkIdEnabled() ? onOff(m.checkId) : "off (the device has no identifier)"));
    t.plain("  auto-reload  Auto Reload File of Modified: " + onOff(m.autoReload));
    t.plain("  sound        Play Sound:                   " + onOff(m.sound));
    t.plain("  ignore-ff    Ignore 0xFF:                  " +
            (m.ignoreFFEnabled() ? onOff(m.ignoreFF) : "off (not offered for this device)"));
    std::string autoLine = "  auto         Auto Program Item:           ";
    for (const auto &e : m.autoEntries) {
        std::string name = e.name;
        while (!name.empty() && name.back() == ' ') name.pop_back();
        autoLine += std::string(e.checked ? " [x] " : " [ ] ") + name;
    }
    t.plain(autoLine);
    if (m.rangeShown()) {
        std::string range = "  range        Program Range:               ";
        for (int b = 0; b < 3; ++b)
            range += std::string(m.rangeButton == b ? " (*) " : " ( ) ") + m.rangeCaption(b) + " [" +
                     std::to_string(b + 1) + "]";
        t.plain(range);
    } else {
        t.plain("  range        Program Range:                the device has one memory area");
    }
}

// The device named by -d, or the model's current device (the first history entry).
bool currentDevice(CliContext &ctx, CliLibrary &lib, Profile &profile, const std::optional<std::string> &wanted,
                   DeviceRecord &device) {
    if (wanted) return lib.resolve(*wanted, device);
    const ProgrammerModel *model = findModelByName(lib.modelName());
    char key[32];
    std::snprintf(key, sizeof key, "PGM%2.2X_MFG0", model ? model->code : 0);
    const int vendor = profile.readInt("System", key, 65535);
    std::snprintf(key, sizeof key, "PGM%2.2X_DEV0", model ? model->code : 0);
    const std::string name = profile.readString("System", key, "");
    if (vendor < 0 || vendor > 100 || name.empty()) {
        std::fprintf(stderr, "vantor-cli: options: no current %s device yet; name one with -d VENDOR/DEVICE\n",
                     lib.modelName().c_str());
        return false;
    }
    (void)ctx;
    if (lib.library().FindDevice(std::uint16_t(vendor), name, device)) return true;
    std::fprintf(stderr, "vantor-cli: options: the current device %s is not in %s; name one with -d\n", name.c_str(),
                 lib.library().path().filename().string().c_str());
    return false;
}

// The Auto list of `value` ("" clears it); every item must be one the device offers.
void setAutoList(OperateSettingsForm &m, const DeviceRecord &device, const std::string &value) {
    std::uint8_t wanted[16];
    if (value.empty()) std::memset(wanted, kEndOfList, sizeof wanted);
    else parseAutoItems(value, wanted);
    for (int i = 0; i < 16 && wanted[i] != kEndOfList; ++i) {
        bool offered = false;
        for (const auto &e : m.autoEntries) offered |= e.code == wanted[i];
        if (!offered)
            throw UsageError(std::string("options: auto: ") + device.vendor_name + " " + device.device_name +
                             " does not offer that operation in its Auto list");
    }
    for (auto &e : m.autoEntries) e.checked = std::find(wanted, wanted + 16, e.code) != wanted + 16;
}

void setRange(OperateSettingsForm &m, const DeviceRecord &device, const std::string &value) {
    int b = -1;
    if (value == "1" || value == "2" || value == "3") b = value[0] - '1';
    for (int k = 0; k < 3 && b < 0; ++k)
        if (m.rangeCaption(k) == value) b = k;
    if (b < 0) throw UsageError("options: range takes 1, 2, 3 or an area name, not " + value);
    if (!m.rangeShown() && b != 0)
        throw UsageError(std::string("options: ") + device.device_name + " has one memory area");
    m.rangeButton = b;
}

// Applies one "--set NAME=VALUE" to the dialog; true when it is a per-device choice (kept in
// chip.set rather than the settings file).
bool applyOption(OperateSettingsForm &m, const DeviceRecord &device, const std::string &setting) {
    const auto eq = setting.find('=');
    if (eq == std::string::npos) throw UsageError("options: --set NAME=VALUE, not " + setting);
    const std::string name = setting.substr(0, eq), value = setting.substr(eq + 1);
    if (name == "check-id") {
        if (!m.checkIdEnabled())
            throw UsageError(std::string("options: ") + device.device_name + " has no identifier to check");
        m.checkId = parseSwitch(name, value);
    } else if (name == "auto-reload") {
        m.autoReload = parseSwitch(name, value);
    } else if (name == "sound") {
        m.sound = parseSwitch(name, value);
    } else if (name == "ignore-ff") {
        m.ignoreFF = parseSwitch(name, value);  // OK turns it off where the device does not offer it
    } else if (name == "auto") {
        setAutoList(m, device, value);
        return true;
    } else if (name == "range") {
        setRange(m, device, value);
        return true;
    } else {
        throw UsageError("options: unknown option " + name + " (check-id, auto-reload, sound, ignore-ff, auto, range)");
    }
    return false;
}

// OK in the dialog: the options into the settings file, the Auto list and range into chip.set.
int keepOptions(CliContext &ctx, CliSettings &settings, OperateSettingsForm &m, const DeviceRecord &device,
                OptionsRecord &options, std::uint8_t items[16], bool perDevice) {
    StreamPrompt prompt(stderr);
    if (!m.accept(prompt, options, items)) return kExitUsage;
    Profile &profile = settings.profile();
    profile.writeInt("Option", "Sound", options.Sound);
    profile.writeInt("Option", "ChkDevID", options.ChkDevID);
    profile.writeInt("Option", "AutoReload", options.AutoReload);
    profile.writeInt("Option", "IngoreFFH", options.IngoreFFH);
    int status = settings.save() ? kExitSuccess : kExitFailed;
    SettingsMemory memory = settingsMemory(ctx);
    if (!memory.SaveDeviceSettings(device, items, options.areaMask) && perDevice) {
        std::fprintf(stderr, "vantor-cli: the Auto list and program range could not be kept: %s\n",
                     memory.file().empty() ? "there is no chip.set beside the program"
                                           : ("cannot rewrite " + memory.file().string()).c_str());
        status = kExitFailed;
    }
    return status;
}

}  // namespace

int runOptions(CliContext &ctx, Args args) {
    const auto deviceSpec = takeOption(args, "--device", "-d");
    std::vector<std::string> sets;
    while (auto s = takeOption(args, "--set")) sets.push_back(*s);
    takeFlag(args, "--show");  // showing is what it always does
    if (!args.empty()) throw UsageError("unexpected argument: " + args.front());

    CliLibrary lib(ctx);
    CliSettings settings;
    Profile &profile = settings.profile();
    DeviceRecord device;
    if (!currentDevice(ctx, lib, profile, deviceSpec, device)) return kExitUsage;

    OptionsRecord options;
    options.Sound = profile.readInt("Option", "Sound", 1) != 0;
    options.ChkDevID = profile.readInt("Option", "ChkDevID", 1) != 0;
    options.AutoReload = profile.readInt("Option", "AutoReload", 1) != 0;
    options.IngoreFFH = profile.readInt("Option", "IngoreFFH", 1) != 0;
    std::uint8_t items[16];
    restoreDeviceSettings(ctx, device, items, options.areaMask);

    // The command line reads its data file afresh on every run, so Auto Reload is always
    // the user's to set here.
    OperateSettingsForm m(device, options, items, true);
    bool perDevice = false;
    for (const std::string &s : sets) perDevice |= applyOption(m, device, s);
    if (sets.empty()) {
        show(*ctx.terminal, device, m);
        return kExitSuccess;
    }
    const int status = keepOptions(ctx, settings, m, device, options, items, perDevice);
    if (status != kExitSuccess) return status;
    show(*ctx.terminal, device, OperateSettingsForm(device, options, items, true));
    return kExitSuccess;
}

}  // namespace vantor::cli
