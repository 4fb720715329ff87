#include "programmer/Application.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "core/Profile.h"
#include "devices/DeviceLibrary.h"
#include "devices/DeviceRecord.h"
#include "programmer/ProgrammerModels.h"

namespace vantor {

namespace {

constexpr std::string_view kSystem = "System";
constexpr std::string_view kOption = "Option";
constexpr int kVendorLimit = 101;

std::string historyKey(int model, const char *kind, int entry) {
    char key[32];
    std::snprintf(key, sizeof key, "PGM%2.2X_%s%d", unsigned(model) & 0xFF, kind, entry);
    return key;
}

}  // namespace

Application::Application(Services services) : services_(std::move(services)) {
    std::fill(std::begin(autoItems), std::end(autoItems), kEndOfList);
}

Application::~Application() {
    if (programmer_) programmer_->waitIdle();
}

void Application::LoadSettings() {
    programmer_.reset();
    Profile &p = *services_.profile;
    BufReadOnly = p.readInt(kSystem, "BufReadOnly", 0);
    options.Sound = p.readInt(kOption, "Sound", 1);
    options.ChkDevID = p.readInt(kOption, "ChkDevID", 1);
    options.AutoReload = p.readInt(kOption, "AutoReload", 1);
    options.IngoreFFH = p.readInt(kOption, "IngoreFFH", 1);
    Language = p.readInt(kSystem, "Language", -1);
    counters.CntSuccess = p.readInt(kSystem, "CntSuccess", 0);
    counters.CntFailed = p.readInt(kSystem, "CntFailed", 0);
    // A store edited by hand may hold anything: nonsense falls back to the defaults.
    if (counters.CntSuccess < 0) counters.CntSuccess = 0;
    if (counters.CntFailed < 0) counters.CntFailed = 0;
    if (Language != 0 && Language != 1) Language = -1;
    if (Language == -1) Language = services_.systemLanguageId == 2052 ? 1 : 0;
    pgmno = -1;  // the stored model is not read back: the connect decides
    fileLoaded = 0;
    okSound = services_.programDirectory / "ok.wav";
    failSound = services_.programDirectory / "fail.wav";
}

void Application::SaveSettings() {
    Profile &p = *services_.profile;
    p.writeInt(kSystem, "pgmno", pgmno);
    p.writeInt(kSystem, "BufReadOnly", BufReadOnly);
    p.writeInt(kOption, "ChkDevID", options.ChkDevID);
    p.writeInt(kOption, "Sound", options.Sound);
    p.writeInt(kOption, "IngoreFFH", options.IngoreFFH);
    p.writeInt(kOption, "AutoReload", options.AutoReload);
    p.writeInt(kSystem, "Language", Language);
    // The statistics that Reset clears are kept across sessions too.
    p.writeInt(kSystem, "CntSuccess", counters.CntSuccess);
    p.writeInt(kSystem, "CntFailed", counters.CntFailed);
    SaveHistory(pgmno);
}

void Application::LoadHistory(int model) {
    Profile &p = *services_.profile;
    for (int d = 0; d < kHistorySize; ++d) {
        const int vendor = p.readInt(kSystem, historyKey(model, "MFG", d), int(kNoVendor));
        history[std::size_t(d)].vendorIndex = std::uint32_t(vendor);
        history[std::size_t(d)].deviceName = p.readString(kSystem, historyKey(model, "DEV", d), "");
        // Device names are at most 31 characters; a longer one cannot name a device.
        if (history[std::size_t(d)].deviceName.size() > 31) history[std::size_t(d)].vendorIndex = kNoVendor;
    }
    historyCount = 0;
    while (historyCount < kHistorySize && history[std::size_t(historyCount)].vendorIndex <= kVendorLimit)
        ++historyCount;
    if (historyCount == 0) {
        history[0] = {10, "AT89S51"};
        historyCount = 1;
    }
}

void Application::SaveHistory(int model) {
    if (pgmno == -1) return;
    Profile &p = *services_.profile;
    for (int d = 0; d < kHistorySize; ++d) {
        p.writeInt(kSystem, historyKey(model, "MFG", d), int(history[std::size_t(d)].vendorIndex));
        p.writeString(kSystem, historyKey(model, "DEV", d), history[std::size_t(d)].deviceName);
    }
}

int Application::ConnectAtStartup() {
    // The old object lets go of the programmer before the new one opens it.
    if (programmer_) programmer_->waitIdle();
    programmer_.reset();
    return UseConnection(TryConnect());
}

Application::Connection Application::TryConnect() const {
    Connection c;
    c.programmer = services_.makeProgrammer ? services_.makeProgrammer() : std::make_unique<CProgrammer>();
    int model = -1;
    if (c.programmer->Connect(model) && isAcceptedModelCode(model)) c.model = model;
    return c;
}

int Application::UseConnection(Connection connection) {
    if (!connection.programmer) return -1;
    if (programmer_) programmer_->waitIdle();
    programmer_ = std::move(connection.programmer);
    disconnectMode = connection.model == -1;
    return connection.model;
}

int Application::IdentifyOtherModel() {
    if (!programmer_ || !disconnectMode.load() || programmer_->isBusy()) return -1;
    int model = -1;
    if (!programmer_->Connect(model)) return -1;
    programmer_->Close();  // not the selected model: it stays unused
    return model == pgmno ? -1 : model;
}

bool Application::SelectModel(int model, bool connected) {
    disconnectMode = !connected;
    if (pgmno != -1 && pgmno != model) SaveHistory(pgmno);
    if (pgmno == model) return false;
    pgmno = model;
    if (const ProgrammerModel *row = findModel(model)) devLibName = std::string(row->libraryFile);
    if (services_.library && !devLibName.empty()) services_.library->SetLibraryFile(devLibName);
    LoadHistory(model);
    return true;
}

std::string Application::ModelText(int model) const {
    const ProgrammerModel *row = findModel(model);
    if (!row) return {};
    return std::string(Language == 1 ? row->chineseName : row->englishName);
}

void Application::RememberDevice(std::uint32_t vendorIndex, std::string_view deviceName) {
    for (int i = 0; i < historyCount; ++i) {
        if (history[std::size_t(i)].vendorIndex == vendorIndex && history[std::size_t(i)].deviceName == deviceName) {
            std::move(history.begin() + i + 1, history.begin() + historyCount, history.begin() + i);
            history[std::size_t(historyCount - 1)] = HistoryEntry{};
            --historyCount;
            break;
        }
    }
    std::move_backward(history.begin(), history.end() - 1, history.end());
    history[0] = {vendorIndex, std::string(deviceName)};
    historyCount = std::min(historyCount + 1, kHistorySize);
}

void Application::PlayResultSound(int result) {
    if (!options.Sound || !services_.playSound) return;
    std::error_code ec;
    if (result == 1 && std::filesystem::exists(okSound, ec)) services_.playSound(okSound, false);
    else if (result == 0 && std::filesystem::exists(failSound, ec)) services_.playSound(failSound, true);
}

bool Application::splashWanted(const std::vector<std::string> &arguments) {
    for (const std::string &a : arguments) {
        std::string_view s = a;
        if (!s.empty() && (s[0] == '-' || s[0] == '/')) s.remove_prefix(1);
        if (s.size() == 2 && std::toupper((unsigned char)s[0]) == 'S' && std::toupper((unsigned char)s[1]) == 'P')
            return false;
    }
    return true;
}

}  // namespace vantor
