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

#include "programmer/CProgrammer.h"
#include "programmer/Options.h"

namespace vantor {

class DeviceLibrary;
class Profile;

inline constexpr int kHistorySize = 5;
inline constexpr std::uint32_t kNoVendor = 65535;

struct HistoryEntry {
    std::uint32_t vendorIndex = kNoVendor;
    std::string deviceName;
};

// Plays a result sound file; `fallbackToDefault` lets the system's own sound stand in when
// the file cannot be played.
using SoundPlayer = std::function<void(const std::filesystem::path &file, bool fallbackToDefault)>;

// Application settings and state: one instance per process. Owns the programmer object.
class Application {
public:
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
    void LoadHistory(int model);
    void SaveHistory(int model);

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

    // Read-only views for the front ends; the window and the command line ask these instead
    // of knowing the programmer's concrete class or the settings' storage.
    const Services &services() const { return services_; }
    Profile &profile() const { return *services_.profile; }
    DeviceLibrary *library() const { return services_.library; }
    ProgrammerIdentity programmerIdentity() const {
        return programmer_ && !disconnectMode ? programmer_->identity() : ProgrammerIdentity{};
    }
    bool isDisconnected() const { return disconnectMode.load(); }
    int successCount() const { return counters.CntSuccess.load(); }
    int failureCount() const { return counters.CntFailed.load(); }
    const OptionsRecord &operationOptions() const { return options; }
    std::span<const HistoryEntry> deviceHistory() const { return {history.data(), std::size_t(historyCount)}; }

    int Language = -1;
    int pgmno = -1;
    std::string devLibName;
    std::atomic<bool> disconnectMode{true};
    int BufReadOnly = 0;
    int fileLoaded = 0;
    OperationCounters counters;
    int historyCount = 0;
    std::uint8_t autoItems[16];
    OptionsRecord options;
    std::array<HistoryEntry, kHistorySize> history;
    std::filesystem::path okSound, failSound;

private:
    Services services_;
    std::unique_ptr<CProgrammer> programmer_;
};

}  // namespace vantor
