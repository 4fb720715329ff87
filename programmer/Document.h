#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "buffer/DataBuffer.h"
#include "buffer/DataFile.h"
#include "programmer/OperationRunner.h"
#include "programmer/Operations.h"
#include "core/InfoSink.h"
#include "core/Prompt.h"
#include "devices/DeviceRecord.h"

namespace vantor {

class Application;
class DeviceLibrary;
class EngineSink;
class Profile;

// Command identifiers of the main window's menus and toolbar.
namespace cmd {
inline constexpr int LoadFile = 32781;
inline constexpr int SaveFile = 57603;
inline constexpr int RecentFirst = 57616;
inline constexpr int Exit = 57665;
inline constexpr int DataBuffer = 32772;
inline constexpr int ClearInfo = 32810;
inline constexpr int SelectDevice = 32771;
inline constexpr int HistoryFirst = 32814;  // history entries 1 ... 4
inline constexpr int Config = 32770;
inline constexpr int Information = 32812;
inline constexpr int Settings = 32789;
inline constexpr int AutoProgram = 32774;
inline constexpr int Reconnect = 1061;
inline constexpr int TestHardware = 32830;
inline constexpr int Upgrade = 32809;
inline constexpr int Content = 32831;
inline constexpr int About = 57664;
inline constexpr int English = 32846;
inline constexpr int Chinese = 32845;
inline constexpr int ResetCounters = 1146;
}  // namespace cmd

// One entry of the "&Operate" menu for a device: its text and command, and the operation
// the command runs (-1: the entry exists but does nothing).
struct OperateEntry {
    int op = 0;
    int commandId = 0;
    int runs = -1;
    std::string text;  // menu text with its accelerator letter
    std::string listName;  // name for the operation selector, trailing blanks removed
};
std::vector<OperateEntry> operateEntries(const DeviceRecord &device);

// The file the last successful load read, kept for the reload check.
struct LoadedFile {
    std::filesystem::path path;
    LoadSettings settings;
    std::filesystem::file_time_type modified{};
};

// What the information bar shows.
struct ConnectState {
    std::string modelName;
    bool online = false;
};

// The main window's document: the data buffer, the current device, the loaded file and the
// commands that work on them. The window binds widgets to it; tests drive it directly.
class Document {
public:
    struct Hooks {
        // Per-device settings memory: saved for the outgoing device, loaded for the new one.
        std::function<void(const DeviceRecord &)> saveDeviceSettings;
        std::function<void(DeviceRecord &)> loadDeviceSettings;
        // After a device became current (the simulator puts a matching chip in its socket).
        std::function<void(const DeviceRecord &)> deviceApplied;
    };

    Document(Application &app, DeviceLibrary &library, InfoSink &info, Prompt &prompt);
    ~Document();

    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }
    void setEngineSink(EngineSink *sink) { engineSink_ = sink; }
    void setRecentFileStore(Profile *profile);  // reads the list; null keeps it in memory only

    DataBuffer &buffer() { return *buffer_; }
    const DataBuffer &buffer() const { return *buffer_; }
    Application &app() { return app_; }
    DeviceLibrary &library() { return library_; }
    InfoSink &info() { return info_; }
    bool hasDevice() const { return currentDevice.valid != 0; }
    std::uint32_t deviceDataSize() const { return currentDevice.top_address; }

    // Shows the model and mode in the information window; with selectDevice, history entry 0
    // becomes the current device, or there is none when the library lacks it. Gives the engine
    // its context.
    ConnectState showConnectState(bool selectDevice);
    ConnectState connectState() const;

    // Makes r the current device: buffer 0xFF, file forgotten, history updated.
    void applyDevice(const DeviceRecord &r);
    // No device: its settings are saved, the buffer is 0xFF and the file forgotten.
    void clearDevice();
    // History entry i (1 ... 4; 0 is the current device). False when it is not in the library.
    bool applyHistory(int entry);

    // The Load File command after its dialog: fill, read, mask, remember.
    LoadResult loadFile(const std::filesystem::path &path, const LoadSettings &settings);
    // The settings a Load File dialog starts from for this path (format from its extension).
    LoadSettings loadDialogSettings(const std::filesystem::path &path) const;
    SaveStatus saveFile(const std::filesystem::path &path, const SaveSettings &settings);
    // Reloads a loaded file another program changed; false when that reload failed.
    bool reloadCheck();

    // Operation commands; false when refused (disconnect mode, failed reload, engine busy).
    bool runOperation(Op op);
    bool runAuto();
    bool runCommand(int commandId);  // an "&Operate" entry's command

    // Whether the buffer changed since it was last filled, loaded or saved.
    bool hasUnsavedEdits() const { return unsavedEdits_; }
    // The question to ask before the program exits (an operation runs, or edits would be
    // lost); empty when it may exit at once.
    std::string exitQuestion() const;

    // A programmer was plugged in: in disconnect mode the selected model comes back online
    // (true); another model is named in the information window and left alone.
    bool programmerArrived();

    void resetCounters();
    void refreshEngineContext();

    const std::vector<std::string> &recentFiles() const { return recent_; }

    DeviceRecord currentDevice;
    LoadSettings lastLoad;     // the Load File dialog's last values
    SaveSettings lastSave;     // the Save File dialog's values
    std::optional<LoadedFile> loaded;
    bool configEnabled = false;
    bool testEnabled = false;
    bool connectTried = false;

private:
    OperationRunner *runner();  // null without a programmer
    bool refuseInDisconnectMode();
    // Before the operations write choices that can lock the chip out: one question naming
    // each of them. False when the user declines.
    bool confirmLockout(std::span<const std::uint8_t> ops);
    bool refuseWithoutDevice();
    LoadResult loadCommitted(const std::function<LoadResult(DataBuffer &)> &load);
    void addRecent(const std::string &path);

    Application &app_;
    DeviceLibrary &library_;
    InfoSink &info_;
    Prompt &prompt_;
    Hooks hooks_;
    EngineSink *engineSink_ = nullptr;
    std::unique_ptr<OperationRunner> runner_;  // wired to app_.programmer()
    Profile *recentStore_ = nullptr;
    std::unique_ptr<DataBuffer> buffer_;
    std::vector<std::string> recent_;
    std::optional<std::array<std::uint8_t, kConfigDataSize>> lockoutConfirmed_;  // the configuration last allowed
    int editListener_ = 0;
    bool unsavedEdits_ = false;
};

inline constexpr int kRecentFiles = 4;
inline constexpr std::string_view kExitWhileRunning = "An operation is running. Stop it and exit?";
inline constexpr std::string_view kExitWithUnsavedEdits =
    "The buffer holds changes that have not been saved to a file. Exit and lose them?";
inline constexpr std::string_view kNoDeviceSelected = "No device is selected: choose one with Select Device first\n";

}  // namespace vantor
