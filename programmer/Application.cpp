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
    std::fill(std::begin(autoItems_), std::end(autoItems_), kEndOfList);
}

Application::~Application() {
    if (programmer_) programmer_->waitIdle();
}

void Application::LoadSettings() {
    programmer_.reset();
    Profile &p = *services_.profile;
    bufReadOnly_ = p.readInt(kSystem, "BufReadOnly", 0) != 0;
    options_.Sound = p.readInt(kOption, "Sound", 1);
    options_.ChkDevID = p.readInt(kOption, "ChkDevID", 1);
    options_.AutoReload = p.readInt(kOption, "AutoReload", 1);
    options_.IngoreFFH = p.readInt(kOption, "IngoreFFH", 1);
    // A store edited by hand may hold anything: nonsense falls back to the defaults.
    counters_.CntSuccess = std::max(p.readInt(kSystem, "CntSuccess", 0), 0);
    counters_.CntFailed = std::max(p.readInt(kSystem, "CntFailed", 0), 0);
    const int language = p.readInt(kSystem, "Language", -1);
    if (language == int(Language::English) || language == int(Language::Chinese)) language_ = Language(language);
    else language_ = services_.systemLanguageId == 2052 ? Language::Chinese : Language::English;
    pgmno_ = -1;  // the stored model is not read back: the connect decides
    okSound_ = services_.programDirectory / "ok.wav";
    failSound_ = services_.programDirectory / "fail.wav";
}

void Application::SaveSettings() {
    Profile &p = *services_.profile;
    p.writeInt(kSystem, "pgmno", pgmno_);
    p.writeInt(kSystem, "BufReadOnly", bufReadOnly_ ? 1 : 0);
    p.writeInt(kOption, "ChkDevID", options_.ChkDevID);
    p.writeInt(kOption, "Sound", options_.Sound);
    p.writeInt(kOption, "IngoreFFH", options_.IngoreFFH);
    p.writeInt(kOption, "AutoReload", options_.AutoReload);
    p.writeInt(kSystem, "Language", int(language_));
    // The statistics that Reset clears are kept across sessions too.
    p.writeInt(kSystem, "CntSuccess", counters_.CntSuccess);
    p.writeInt(kSystem, "CntFailed", counters_.CntFailed);
    SaveHistory(pgmno_);
}

void Application::LoadHistory(int model) {
    Profile &p = *services_.profile;
    for (int d = 0; d < kHistorySize; ++d) {
        const int vendor = p.readInt(kSystem, historyKey(model, "MFG", d), int(kNoVendor));
        history_[std::size_t(d)].vendorIndex = std::uint32_t(vendor);
        history_[std::size_t(d)].deviceName = p.readString(kSystem, historyKey(model, "DEV", d), "");
        // Device names are at most 31 characters; a longer one cannot name a device.
        if (history_[std::size_t(d)].deviceName.size() > 31) history_[std::size_t(d)].vendorIndex = kNoVendor;
    }
    historyCount_ = 0;
    while (historyCount_ < kHistorySize && history_[std::size_t(historyCount_)].vendorIndex <= kVendorLimit)
        ++historyCount_;
    if (historyCount_ == 0) {
        history_[0] = {10, "AT89S51"};
        historyCount_ = 1;
    }
}

void Application::SaveHistory(int model) {
    if (pgmno_ == -1) return;
    Profile &p = *services_.profile;
    for (int d = 0; d < kHistorySize; ++d) {
        p.writeInt(kSystem, historyKey(model, "MFG", d), int(history_[std::size_t(d)].vendorIndex));
        p.writeString(kSystem, historyKey(model, "DEV", d), history_[std::size_t(d)].deviceName);
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
    disconnectMode_ = connection.model == -1;
    return connection.model;
}

int Application::IdentifyOtherModel() {
    if (!programmer_ || !disconnectMode_.load() || programmer_->isBusy()) return -1;
    int model = -1;
    if (!programmer_->Connect(model)) return -1;
    programmer_->Close();  // not the selected model: it stays unused
    return model == pgmno_ ? -1 : model;
}

bool Application::SelectModel(int model, bool connected) {
    disconnectMode_ = !connected;
    if (pgmno_ != -1 && pgmno_ != model) SaveHistory(pgmno_);
    if (pgmno_ == model) return false;
    pgmno_ = model;
    const ProgrammerModel *row = findModel(model);
    if (services_.library && row) services_.library->SetLibraryFile(row->libraryFile);
    LoadHistory(model);
    return true;
}

std::string Application::ModelText(int model) const {
    const ProgrammerModel *row = findModel(model);
    if (!row) return {};
    return std::string(isChinese() ? row->chineseName : row->englishName);
}

void Application::RememberDevice(std::uint32_t vendorIndex, std::string_view deviceName) {
    for (int i = 0; i < historyCount_; ++i) {
        if (history_[std::size_t(i)].vendorIndex == vendorIndex && history_[std::size_t(i)].deviceName == deviceName) {
            std::move(history_.begin() + i + 1, history_.begin() + historyCount_, history_.begin() + i);
            history_[std::size_t(historyCount_ - 1)] = HistoryEntry{};
            --historyCount_;
            break;
        }
    }
    std::move_backward(history_.begin(), history_.end() - 1, history_.end());
    history_[0] = {vendorIndex, std::string(deviceName)};
    historyCount_ = std::min(historyCount_ + 1, kHistorySize);
}

void Application::PlayResultSound(int result) {
    if (!options_.Sound || !services_.playSound) return;
    std::error_code ec;
    if (result == 1 && std::filesystem::exists(okSound_, ec)) services_.playSound(okSound_, false);
    else if (result == 0 && std::filesystem::exists(failSound_, ec)) services_.playSound(failSound_, true);
}

EngineEnvironment Application::engineEnvironment(EngineSink *sink, Prompt *prompt) {
    return {sink, nullptr, prompt, &counters_, &disconnectMode_};
}

void Application::closeProgrammer() {
    if (!programmer_) return;
    programmer_->waitIdle();
    programmer_->Close();
    disconnectMode_ = true;
}

bool Application::programmerRemoved() {
    if (disconnectMode_.load()) return false;
    if (programmer_) programmer_->Close();
    disconnectMode_ = true;
    return true;
}

bool Application::reconnectSelectedModel() {
    if (!disconnectMode_.load() || pgmno_ == -1 || !programmer_ || programmer_->isBusy()) return false;
    int model = pgmno_;
    if (!programmer_->Connect(model)) return false;
    disconnectMode_ = false;
    return true;
}

void Application::countResults(int successes, int failures) {
    counters_.CntSuccess += successes;
    counters_.CntFailed += failures;
}

void Application::resetCounters() {
    counters_.CntSuccess = 0;
    counters_.CntFailed = 0;
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
