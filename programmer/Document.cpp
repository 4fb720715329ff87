#include "programmer/Document.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/Profile.h"
#include "core/StringTable.h"
#include "devices/DeviceLibrary.h"
#include "devices/DeviceTables.h"
#include "devices/LockoutRisks.h"
#include "devices/MemoryLayout.h"
#include "programmer/Application.h"
#include "programmer/ProgrammerModels.h"

namespace vantor {

namespace {

constexpr Colour kModelColour = 0xFF8000;
constexpr Colour kVendorColour = 0x0080FF;
constexpr Colour kDeviceColour = 0xFF8000;
constexpr Colour kRefusedColour = 0x808000;  // teal
constexpr std::string_view kRecentSection = "Recent File List";

struct OperateCommand {
    int id;
    int runs;
};

// Command and operation of each operation code's "&Operate" entry. The Read Cal. Byte entry
// shares its command with Write Cal. Byte; here it does nothing rather than write the chip
// when the user asked to read it.
constexpr OperateCommand kOperateCommands[kOperationCount] = {
    {cmd::Program, kOpProgram},
    {cmd::Read, kOpRead},
    {cmd::Verify, kOpVerify},
    {cmd::Blank, kOpBlank},
    {cmd::WriteCal, kOpWriteCal},
    {cmd::WriteCal, -1},
    {cmd::WriteFuse, kOpWriteFuse},
    {cmd::ReadFuse, kOpReadFuse},
    {cmd::Protect, kOpProtect2},
    {cmd::ReadLock, -1},
    {cmd::WriteConfig, kOpWriteConfig},
    {cmd::ReadConfig, -1},
    {cmd::Erase, kOpErase},
    {cmd::BootLock, -1},
    {cmd::Protect, kOpProtect2},
    {0, -1},
};

std::string trimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return std::string(s);
}

}  // namespace

std::vector<OperateEntry> operateEntries(const DeviceRecord &device) {
    std::vector<OperateEntry> out;
    for (int i = 0; i < kOperationListSize; ++i) {
        const int op = device.menu_operations[i];
        if (op == kEndOfList) break;
        if (op >= kOpTest) continue;  // Test is not listed; codes past it have no entry
        OperateEntry e;
        e.op = op;
        e.commandId = kOperateCommands[op].id;
        e.runs = kOperateCommands[op].runs;
        e.text = std::string(DeviceLibrary::OperationMenuName(op));
        e.listName = trimRight(DeviceLibrary::OperationListName(op));
        out.push_back(std::move(e));
    }
    return out;
}

Document::Document(Application &app, DeviceLibrary &library, InfoSink &info, Prompt &prompt)
    : app_(app), library_(library), info_(info), prompt_(prompt), buffer_(std::make_unique<DataBuffer>()) {
    buffer_->fill(0xFF);
    editListener_ = buffer_->addChangeListener([this](const BufferChange &) { unsavedEdits_ = true; });
}

Document::~Document() {
    buffer_->removeChangeListener(editListener_);
    if (library_.currentDevice() == &currentDevice_) library_.SetCurrentDevice(nullptr);
}

std::string Document::exitQuestion() const {
    const CProgrammer *p = app_.programmer();
    if (p && p->isBusy()) return std::string(kExitWhileRunning);
    if (unsavedEdits_) return std::string(kExitWithUnsavedEdits);
    return {};
}

void Document::setRecentFileStore(Profile *profile) {
    recentStore_ = profile;
    recent_.clear();
    if (!profile) return;
    for (int i = 1; i <= kRecentFiles; ++i) {
        std::string path = profile->readString(kRecentSection, "File" + std::to_string(i), "");
        if (!path.empty() && std::find(recent_.begin(), recent_.end(), path) == recent_.end())
            recent_.push_back(std::move(path));
    }
}

void Document::addRecent(const std::string &path) {
    recent_.erase(std::remove(recent_.begin(), recent_.end(), path), recent_.end());
    recent_.insert(recent_.begin(), path);
    if (recent_.size() > std::size_t(kRecentFiles)) recent_.resize(kRecentFiles);
    if (!recentStore_) return;
    for (int i = 1; i <= kRecentFiles; ++i)
        recentStore_->writeString(kRecentSection, "File" + std::to_string(i),
                                  std::size_t(i) <= recent_.size() ? recent_[std::size_t(i - 1)] : std::string());
}

ConnectState Document::connectState() const { return {app_.ModelText(app_.selectedModel()), !app_.isDisconnected()}; }

ConnectState Document::showConnectState(bool selectDevice) {
    const ConnectState state = connectState();
    info_.appendLine(loadString(state.online ? sid::ProgrammerModelLabel : sid::DisconnectModeProgrammerModel),
                     colour::Black, false);
    info_.appendLine(state.modelName + "\r\n", kModelColour, true);
    if (selectDevice) {
        // The model (and with it the library) may have changed: a device the new library lacks
        // must not stay selected, or operations would run with another model's parameters.
        DeviceRecord r;
        const auto history = app_.deviceHistory();
        const HistoryEntry *h = !history.empty() && app_.selectedModel() != -1 ? &history[0] : nullptr;
        if (h && h->vendorIndex <= 0xFFFF && library_.FindDevice(std::uint16_t(h->vendorIndex), h->deviceName, r))
            applyDevice(r);
        else clearDevice();
    }
    refreshEngineContext();
    connectTried_ = true;
    return state;
}

OperationRunner *Document::runner() {
    if (!runner_ || &runner_->engine() != app_.programmer()) refreshEngineContext();
    return app_.programmer() ? runner_.get() : nullptr;
}

void Document::refreshEngineContext() {
    CProgrammer *p = app_.programmer();
    if (!p) return;
    const EngineEnvironment env = app_.engineEnvironment(engineSink_, &prompt_);
    OptionsRecord *options = &app_.operationOptions();
    if (runner_ && &runner_->engine() == p) runner_->wire(env, buffer_.get(), &currentDevice_, options);
    else runner_ = std::make_unique<OperationRunner>(*p, env, buffer_.get(), &currentDevice_, options);
}

void Document::applyDevice(const DeviceRecord &r) {
    if (hasDevice() && hooks_.saveDeviceSettings) hooks_.saveDeviceSettings(currentDevice_);
    currentDevice_ = r;
    currentDevice_.valid = 1;
    lockoutConfirmed_.reset();
    library_.SetCurrentDevice(&currentDevice_);
    app_.operationOptions().rangeFirst = 0;
    app_.operationOptions().rangeLast = std::int32_t(currentDevice_.memory_areas[0].size_bytes) - 1;
    app_.RememberDevice(currentDevice_.vendor_index, currentDevice_.device_name);
    buffer_->fill(0xFF);
    unsavedEdits_ = false;
    loaded_.reset();
    configEnabled_ = false;
    if (currentDevice_.config_name[0]) {
        std::error_code ec;
        configEnabled_ = std::filesystem::exists(
            library_.libraryDirectory() / "cfg" / (std::string(currentDevice_.config_name) + ".cfg"), ec);
    }
    // Without remembered settings the Auto list is the device's own.
    std::copy(std::begin(currentDevice_.auto_operations), std::end(currentDevice_.auto_operations),
              app_.autoItems().begin());
    if (hooks_.loadDeviceSettings) hooks_.loadDeviceSettings(currentDevice_);
    lastSave_.saveStart = 0;
    lastSave_.saveSize = currentDevice_.top_address;
    info_.appendLine(loadString(sid::DeviceModelLabel), colour::Black, false);
    info_.appendLine(std::string(currentDevice_.vendor_name) + "   ", kVendorColour, true);
    info_.appendLine(std::string(currentDevice_.device_name) + "\n", kDeviceColour, true);
    refreshEngineContext();
    if (hooks_.deviceApplied) hooks_.deviceApplied(currentDevice_);
}

void Document::clearDevice() {
    if (!hasDevice()) return;
    if (hooks_.saveDeviceSettings) hooks_.saveDeviceSettings(currentDevice_);
    currentDevice_ = DeviceRecord{};
    library_.SetCurrentDevice(nullptr);
    buffer_->fill(0xFF);
    unsavedEdits_ = false;
    loaded_.reset();
    configEnabled_ = false;
    refreshEngineContext();
}

bool Document::applyHistory(int entry) {
    const auto history = app_.deviceHistory();
    if (entry < 1 || std::size_t(entry) >= history.size()) return false;
    const HistoryEntry h = history[std::size_t(entry)];
    DeviceRecord r;
    if (h.vendorIndex > 0xFFFF || !library_.FindDevice(std::uint16_t(h.vendorIndex), h.deviceName, r)) return false;
    applyDevice(r);
    return true;
}

LoadSettings Document::loadDialogSettings(const std::filesystem::path &path) const {
    LoadSettings s = lastLoad_;
    s.format = formatForLoad(path);
    return s;
}

SaveSettings Document::saveDialogSettings(const std::filesystem::path &path) const {
    SaveSettings s = lastSave_;
    s.format = formatForSave(path);
    return s;
}

LoadResult Document::loadCommitted(const std::function<LoadResult(DataBuffer &)> &load) {
    // A failed load must leave the buffer as it was: a half-filled one would be programmed by the
    // next press as if the file had loaded. So the load fills a copy, committed only on success.
    auto scratch = std::make_unique<DataBuffer>();
    std::memcpy(scratch->data(), buffer_->data(), DataBuffer::kSize);
    LoadResult r = load(*scratch);
    if (!r.ok()) return r;
    if (currentDevice_.isWordDevice()) maskWordBytes(*scratch, currentDevice_);
    std::memcpy(buffer_->data(), scratch->data(), DataBuffer::kSize);
    buffer_->notifyChanged(0, DataBuffer::kSize - 1);
    unsavedEdits_ = false;  // the buffer is the file again
    return r;
}

LoadResult Document::loadFile(const std::filesystem::path &path, const LoadSettings &dialog) {
    LoadSettings s = dialog;
    s.room = deviceDataSize() > s.loadBufferStart ? deviceDataSize() - s.loadBufferStart : 0;
    lastLoad_ = s;
    LoadResult r =
        loadCommitted([&](DataBuffer &target) { return vantor::loadFile(path, target, s, info_, &prompt_); });
    if (!r.ok()) return r;
    loaded_ = LoadedFile{path, s, r.modified};
    addRecent(path.string());
    return r;
}

SaveStatus Document::saveFile(const std::filesystem::path &path, const SaveSettings &settings) {
    lastSave_ = settings;
    const SaveStatus status = vantor::saveFile(path, *buffer_, settings, info_);
    if (status == SaveStatus::Ok) unsavedEdits_ = false;
    return status;
}

bool Document::reloadCheck() {
    if (!app_.operationOptions().AutoReload || !loaded_) return true;
    std::error_code ec;
    if (!std::filesystem::exists(loaded_->path, ec)) return true;
    const auto modified = std::filesystem::last_write_time(loaded_->path, ec);
    if (ec || modified == loaded_->modified) return true;
    info_.appendLine(loadString(sid::FileModifiedReloading), colour::Black, false);
    info_.appendLine(loaded_->path.string(), colour::Black, true);
    info_.appendLine("\n", colour::Black, false);
    const LoadResult r = loadCommitted([&](DataBuffer &target) {
        target.applyUnusedByteFill(loaded_->settings.unusedByteMode);
        return loadDataFile(loaded_->path, target, loaded_->settings, info_, &prompt_);
    });
    // The old time stays after a failure, so every press tries again and refuses until it loads.
    if (!r.ok()) return false;
    loaded_->modified = r.modified;
    return true;
}

void Document::editBuffer(const std::function<void()> &edit) {
    if (hasDevice()) maskWordBytes(*buffer_, currentDevice_);
    edit();
    if (hasDevice()) maskWordBytes(*buffer_, currentDevice_);
}

void Document::useConnection(Application::Connection connection) {
    if (connection.programmer) app_.UseConnection(std::move(connection));
    connectTried_ = true;
    refreshEngineContext();
}

bool Document::programmerArrived() {
    if (!app_.isDisconnected() || app_.selectedModel() == -1) return false;
    if (app_.reconnectSelectedModel()) return true;
    // Only the selected model comes back online; another one is named, not used.
    if (const int other = app_.IdentifyOtherModel(); other != -1)
        info_.appendLine("A " + app_.ModelText(other) + " was plugged in, but the " +
                             app_.ModelText(app_.selectedModel()) +
                             " is selected: use Programmer > Reconnect to work with it\n",
                         kRefusedColour, false);
    return false;
}

bool Document::refuseInDisconnectMode() {
    if (!app_.isDisconnected()) return false;
    info_.appendLine(loadString(sid::NotAvailableInDisconnectMode), kRefusedColour, false);
    return true;
}

bool Document::confirmLockout(std::span<const std::uint8_t> ops) {
    const auto risks = lockoutRisksOf(library_.libraryDirectory(), currentDevice_, ops);
    if (risks.empty()) return true;
    std::array<std::uint8_t, kConfigDataSize> bytes;
    std::copy(std::begin(currentDevice_.config_data), std::end(currentDevice_.config_data), bytes.begin());
    // Asked once for a configuration: a production run of Autos is not asked again.
    if (lockoutConfirmed_ == bytes) return true;
    const std::string text = "These choices can lock the chip out:\n\n" + describeRisks(risks) + "\nWrite them anyway?";
    if (prompt_.ask(text, "Vantor", Prompt::Icon::Warning, Prompt::Buttons::YesNo) != Prompt::Answer::Yes) return false;
    lockoutConfirmed_ = bytes;
    return true;
}

bool Document::refuseWithoutDevice() {
    // Without a device the programmer would be set up with algorithm 0 and no parameters,
    // whatever chip sits in the socket.
    if (hasDevice()) return false;
    info_.appendLine(kNoDeviceSelected, kRefusedColour, false);
    return true;
}

bool Document::runOperation(Op op) {
    if (refuseInDisconnectMode() || refuseWithoutDevice()) return false;
    if ((op == Op::Program || op == Op::Verify) && !reloadCheck()) return false;
    const std::uint8_t ops[] = {std::uint8_t(op)};
    if (!confirmLockout(ops)) return false;
    return runner() && runner_->start(RunRequest::single(op));
}

bool Document::runAuto() {
    if (refuseInDisconnectMode() || refuseWithoutDevice()) return false;
    if (!reloadCheck()) return false;
    if (!confirmLockout(app_.autoItems())) return false;
    return runner() && runner_->start(RunRequest::autoList(app_.autoItems().data()));
}

bool Document::runCommand(int commandId) {
    if (commandId == cmd::ProtectAlias) return runOperation(Op::Protect2);
    for (const OperateCommand &c : kOperateCommands)
        if (c.id == commandId && commandId != 0) return c.runs >= 0 && runOperation(Op(c.runs));
    return false;
}

}  // namespace vantor
