#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "devices/DeviceRecord.h"
#include "programmer/CProgrammer.h"
#include "programmer/Options.h"

namespace vantor {

class DeviceLibrary;
class Profile;

inline constexpr int kHistorySize = 5;
inline constexpr std::uint32_t kNoVendor = 65535;
inline constexpr std::size_t kAutoListSize = kOperationListSize;

struct HistoryEntry {
    std::uint32_t vendorIndex = kNoVendor;
    std::string deviceName;
};

// Plays a result sound file; `fallbackToDefault` lets the system's own sound stand in when
// the file cannot be played.
using SoundPlayer = std::function<void(const std::filesystem::path &file, bool fallbackToDefault)>;

// Application settings and state: one instance per process. Owns the programmer object.
// Front ends (window, command line) read it through queries and change it through commands.
class Application {
public:
    enum class Language { English = 0, Chinese = 1 };  // the numbers the settings file keeps

    struct Services {
        Profile *profile = nullptr;
        DeviceLibrary *library = nullptr;  // gets the selected model's library file
        // Makes the programmer object ConnectAtStartup connects with.
        std::function<std::unique_ptr<CProgrammer>()> makeProgrammer;
        SoundPlayer playSound;
        std::filesystem::path programDirectory;  // where ok.wav and fail.wav are
        int systemLanguageId = 0;                // 2052 = Chinese (PRC)
    };

    // Built with named fields: Application app({.profile = &p, .library = &lib, ...}).
    explicit Application(Services services);
    ~Application();

    // Settings
    void LoadSettings();
    void SaveSettings();
    void LoadHistory(int model);  // the device history of that model

    // Connection and model
    int ConnectAtStartup();
    // A connect split in two, so that it may run on another thread: TryConnect makes and
    // connects an object of its own and touches nothing the window uses; UseConnection, on
    // the window's thread, makes it the programmer (connected or not) and answers its model.
    struct Connection {
        std::unique_ptr<CProgrammer> programmer;
        int model = -1;
    };
    Connection TryConnect() const;
    int UseConnection(Connection connection);
    // In disconnect mode, after the selected model failed to come back: the model code of the
    // programmer that was plugged in instead, or -1.
    int IdentifyOtherModel();
    bool SelectModel(int model, bool connected);
    std::string ModelText(int model) const;

    // The user selected a device: it moves to the front of the history.
    void RememberDevice(std::uint32_t vendorIndex, std::string_view deviceName);
    void PlayResultSound(int result);

    // "SP" with "-" or "/" (any case) among the arguments suppresses the splash window.
    static bool splashWanted(const std::vector<std::string> &arguments);

    CProgrammer *programmer() { return programmer_.get(); }
    const CProgrammer *programmer() const { return programmer_.get(); }
    // Who is connected; nothing in disconnect mode.
    ProgrammerIdentity programmerIdentity() const {
        return programmer_ && !disconnectMode_ ? programmer_->identity() : ProgrammerIdentity{};
    }
    // What the engine needs of the application: its counters and its disconnect flag.
    EngineEnvironment engineEnvironment(EngineSink *sink, Prompt *prompt);

    // Disconnect mode: no programmer is used; operations are refused.
    bool isDisconnected() const { return disconnectMode_.load(); }
    // Before another connect: the programmer is let go, and the program is offline meanwhile.
    void closeProgrammer();
    // The programmer was unplugged; false when the program was offline already.
    bool programmerRemoved();
    // In disconnect mode, the selected model was plugged in again: it is used (true).
    bool reconnectSelectedModel();
    int selectedModel() const { return pgmno_; }  // model code; -1 before a model is chosen

    const std::filesystem::path &programDirectory() const { return services_.programDirectory; }
    Profile &profile() const { return *services_.profile; }
    DeviceLibrary *library() const { return services_.library; }

    Language language() const { return language_; }
    bool isChinese() const { return language_ == Language::Chinese; }
    void setLanguage(Language language) { language_ = language; }

    int successCount() const { return counters_.CntSuccess.load(); }
    int failureCount() const { return counters_.CntFailed.load(); }
    void countResults(int successes, int failures);
    void resetCounters();

    // The operation options and the Auto list: the settings dialog and the settings memory
    // change them in place; the engine reads them.
    OptionsRecord &operationOptions() { return options_; }
    const OptionsRecord &operationOptions() const { return options_; }
    std::span<std::uint8_t, kAutoListSize> autoItems() { return autoItems_; }
    std::span<const std::uint8_t, kAutoListSize> autoItems() const { return autoItems_; }

    bool bufferReadOnly() const { return bufReadOnly_; }
    void setBufferReadOnly(bool readOnly) { bufReadOnly_ = readOnly; }

    // Newest first; entry 0 is the current device.
    std::span<const HistoryEntry> deviceHistory() const { return {history_.data(), std::size_t(historyCount_)}; }

private:
    void SaveHistory(int model);

    Services services_;
    std::unique_ptr<CProgrammer> programmer_;
    // Members named as the settings file names them: Language, pgmno, BufReadOnly.
    Language language_ = Language::English;
    int pgmno_ = -1;
    std::atomic<bool> disconnectMode_{true};
    bool bufReadOnly_ = false;
    OperationCounters counters_;
    int historyCount_ = 0;
    std::array<HistoryEntry, kHistorySize> history_;
    std::uint8_t autoItems_[kAutoListSize];
    OptionsRecord options_;
    std::filesystem::path okSound_, failSound_;
};

}  // namespace vantor
