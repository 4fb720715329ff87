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
#include "programmer/Application.h"
#include "programmer/OperationRunner.h"
#include "programmer/Operations.h"
#include "core/InfoSink.h"
#include "core/Prompt.h"
#include "devices/DeviceRecord.h"
#include "programmer/CommandIds.h"

namespace vantor {

class DeviceLibrary;
class EngineSink;
class Profile;

// One entry of the "&Operate" menu for a device: its text and command, and the operation
// the command runs (-1: the entry exists but does nothing).
struct OperateEntry {
    int op = 0;
    int commandId = 0;
    int runs = -1;
    std::string text;      // menu text with its accelerator letter
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
    // The current device. The read operations write its configuration bytes, and so may the
    // Config dialog and the settings memory.
    const DeviceRecord &device() const { return currentDevice_; }
    DeviceRecord &device() { return currentDevice_; }
    bool hasDevice() const { return currentDevice_.valid != 0; }
    std::uint32_t deviceDataSize() const { return currentDevice_.top_address; }
    // Whether the device has a configuration file for the Config dialog.
    bool canConfigure() const { return configEnabled_; }

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
    // The settings a Load File or Save File dialog starts from for this path (the last ones,
    // with the format from its extension).
    LoadSettings loadDialogSettings(const std::filesystem::path &path) const;
    SaveSettings saveDialogSettings(const std::filesystem::path &path) const;
    SaveStatus saveFile(const std::filesystem::path &path, const SaveSettings &settings);
    // The file the last successful load read, while the buffer still comes from it.
    const std::optional<LoadedFile> &loadedFile() const { return loaded_; }
    // Runs the buffer editor: word devices' unused high bits are clear before and after.
    void editBuffer(const std::function<void()> &edit);
    // Reloads a loaded file another program changed; false when that reload failed.
    bool reloadCheck();

    // Operation commands; false when refused (disconnect mode, failed reload, engine busy).
    bool runOperation(Op op);
    bool runAuto();
    bool runCommand(int commandId);  // an "&Operate" entry's command

    // The question to ask before the program exits (an operation runs, or edits would be
    // lost); empty when it may exit at once.
    std::string exitQuestion() const;

    // A programmer was plugged in: in disconnect mode the selected model comes back online
    // (true); another model is named in the information window and left alone.
    bool programmerArrived();

    // Whether a connect was tried since the window opened (the connect dialog says "again").
    bool connectTried() const { return connectTried_; }
    // After the connect dialog: its connection, connected or not, becomes the programmer.
    void useConnection(Application::Connection connection);

    const std::vector<std::string> &recentFiles() const { return recent_; }

private:
    void refreshEngineContext();  // wires the engine to this buffer, device and sink
    OperationRunner *runner();    // null without a programmer
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
    DeviceRecord currentDevice_;
    LoadSettings lastLoad_;  // the Load File dialog's last values
    SaveSettings lastSave_;  // the Save File dialog's values
    std::optional<LoadedFile> loaded_;
    bool configEnabled_ = false;
    bool connectTried_ = false;
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
