#include <algorithm>
#include <cstdlib>
#include <optional>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>

#include "core/FileLock.h"
#include "core/LittleEndian.h"
#include "core/Profile.h"
#include "core/SafeFile.h"
#include "core/StringTable.h"
#include "devices/ConfigFile.h"
#include "devices/SettingsMemory.h"

namespace vantor {

namespace fs = std::filesystem;

namespace chipset {

bool Slot::belongsTo(const DeviceRecord &device) const {
    return vendor_index == device.vendor_index && std::strncmp(device_name, device.device_name, kDeviceNameSize) == 0;
}

Image decode(std::span<const std::uint8_t> bytes) {
    Image img;
    if (bytes.empty()) return img;
    img.next_slot = bytes[0];
    for (std::size_t off = 1; off + kSlotSize <= bytes.size() && img.slots.size() < std::size_t(kSlotCount);
         off += kSlotSize) {
        const std::uint8_t *p = bytes.data() + off;
        Slot s;
        std::memcpy(s.device_name, p, kDeviceNameSize);
        s.vendor_index = le::load16(p + 32);
        std::memcpy(s.config_data, p + 36, kConfigDataSize);
        std::memcpy(s.auto_items, p + 84, kOperationListSize);
        s.program_range = p[100];
        img.slots.push_back(s);
    }
    return img;
}

void encodeSlot(const Slot &s, std::uint8_t out[kSlotSize]) {
    std::memset(out, 0, kSlotSize);
    std::memcpy(out, s.device_name, kDeviceNameSize);
    out[kDeviceNameSize - 1] = 0;
    le::store16(out + 32, s.vendor_index);
    std::memcpy(out + 36, s.config_data, kConfigDataSize);
    std::memcpy(out + 84, s.auto_items, kOperationListSize);
    out[100] = s.program_range;
}

}  // namespace chipset

namespace {

// Regular files only: a FIFO or a device in the file's place must not hang every command
// that reads device settings.
bool readAll(const fs::path &path, std::vector<std::uint8_t> &out) {
#if defined(_WIN32)
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
#else
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    out.clear();
    char chunk[4096];
    for (ssize_t n = 0; ok && (n = ::read(fd, chunk, sizeof chunk)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) out.insert(out.end(), chunk, chunk + n);
    }
    ::close(fd);
    return ok;
#endif
}

// What the Operate Settings dialog would refuse in a slot: a program range outside 1..3 (the
// run would program nothing) or an empty Auto list (codes that name no operation end it).
// "" when the slot is sound.
std::string slotProblem(const chipset::Slot &s) {
    if (s.program_range < 1 || s.program_range > 3)
        return "its program range " + std::to_string(s.program_range) + " is not 1, 2 or 3";
    if (s.auto_items[0] >= 16) return std::string(loadString(sid::AutoProgramItemEmpty));
    return {};
}

bool writable(const fs::path &path) {
#if defined(_WIN32)
    return _access(path.string().c_str(), 2) == 0;
#else
    return ::access(path.c_str(), W_OK) == 0;
#endif
}

}  // namespace

bool SettingsMemory::SaveDeviceSettings(const DeviceRecord &device, const std::uint8_t autoItems[kOperationListSize],
                                        std::uint32_t areaMask) {
    using namespace chipset;
    if (!device.valid || file_.empty()) return false;
    std::vector<std::uint8_t> bytes;
    // Never created here; a file that cannot be rewritten is left alone.
    if (!fs::is_regular_file(file_) || !writable(file_)) return false;
    // Held from the read to the rename, so concurrent programs each keep their slot.
    const FileLock lock(file_);
    if (!lock.locked() || !readAll(file_, bytes)) return false;
    const Image img = decode(bytes);
    int slot = -1;
    for (std::size_t k = 0; k < img.slots.size(); ++k)
        if (img.slots[k].belongsTo(device)) {
            slot = int(k);
            break;
        }
    // A next_slot past the ring (a damaged file) starts the ring again at slot 0.
    int next = img.next_slot < kSlotCount ? img.next_slot : 0;
    const bool isNew = slot < 0;
    if (isNew && device.configUnusable()) return false;
    if (isNew) slot = next;

    Slot s;
    std::memcpy(s.device_name, device.device_name, kDeviceNameSize);
    s.vendor_index = device.vendor_index;
    const auto &config = device.configUnusable() ? img.slots[std::size_t(slot)].config_data : device.config_data;
    std::memcpy(s.config_data, config, kConfigDataSize);
    std::memcpy(s.auto_items, autoItems, kOperationListSize);
    s.program_range = std::uint8_t(areaMask);

    const std::size_t off = 1 + kSlotSize * std::size_t(slot);
    if (bytes.size() < off + kSlotSize) bytes.resize(off + kSlotSize, 0);
    encodeSlot(s, bytes.data() + off);
    if (bytes.empty()) bytes.push_back(0);
    if (isNew) bytes[0] = std::uint8_t(next + 1 == kSlotCount ? 0 : next + 1);
    return bool(replaceFile(file_, std::string_view(reinterpret_cast<const char *>(bytes.data()), bytes.size())));
}

bool SettingsMemory::RestoreDeviceSettings(DeviceRecord &device, std::uint8_t autoItems[kOperationListSize],
                                           std::uint32_t &areaMask,
                                           const std::function<void(DeviceRecord &)> &loadDefaults,
                                           const ConfigCheck &acceptConfig, std::string *problem) {
    using namespace chipset;
    std::vector<std::uint8_t> bytes;
    if (problem) problem->clear();
    if (device.valid && !file_.empty() && readAll(file_, bytes)) {
        for (const Slot &s : decode(bytes).slots) {
            if (!s.belongsTo(device)) continue;
            const std::string wrong = slotProblem(s);
            if (!wrong.empty()) {
                if (problem) *problem = wrong;
                break;
            }
            DeviceRecord remembered = device;
            std::memcpy(remembered.config_data, s.config_data, kConfigDataSize);
            if (acceptConfig) {
                std::string why;
                if (!acceptConfig(remembered, why)) {
                    if (problem) *problem = "its configuration bytes: " + why;
                    break;
                }
            }
            std::memcpy(device.config_data, s.config_data, kConfigDataSize);
            // Codes that name no operation (a hand-edited file) end the list.
            int n = 0;
            std::memset(autoItems, kEndOfList, kOperationListSize);
            for (int i = 0; i < kOperationListSize && s.auto_items[i] < 16; ++i) autoItems[n++] = s.auto_items[i];
            areaMask = (areaMask & ~0xFFu) | s.program_range;
            return true;
        }
    }
    if (loadDefaults) loadDefaults(device);
    std::memcpy(autoItems, device.auto_operations, kOperationListSize);
    return false;
}

bool SettingsMemory::RestoreDeviceSettings(const fs::path &libraryDirectory, DeviceRecord &device,
                                           std::uint8_t autoItems[kOperationListSize], std::uint32_t &areaMask,
                                           Prompt &prompt, const ConfigCheck &acceptConfig, std::string *problem) {
    std::optional<cfg::ConfigFile> file;
    const fs::path path = cfg::configFilePath(libraryDirectory, device);
    if (device.valid && !path.empty()) {
        cfg::ConfigFile read;
        if (cfg::readConfigFile(path, prompt, read)) file = std::move(read);
    }
    bool remembered = RestoreDeviceSettings(
        device, autoItems, areaMask,
        [&](DeviceRecord &d) {
            if (file) std::memcpy(d.config_data, file->defaults.data(), kConfigDataSize);
        },
        acceptConfig, problem);
    auto allZero = [](const std::uint8_t *p) {
        return std::all_of(p, p + kConfigDataSize, [](auto b) { return b == 0; });
    };
    if (remembered && file && allZero(device.config_data) && !allZero(file->defaults.data())) {
        std::memcpy(device.config_data, file->defaults.data(), kConfigDataSize);
        remembered = false;
    }
    cfg::markConfiguration(device, file ? &*file : nullptr);
    return remembered;
}

fs::path SettingsMemory::userDirectory() {
    const fs::path settings = userSettingsPath();
    return settings.empty() ? fs::path{} : settings.parent_path();
}

fs::path SettingsMemory::locate(const fs::path &programDir, const fs::path &userDir) {
    const fs::path shipped = programDir / "chip.set";
    std::error_code ec;
    // Without the shipped file nothing is remembered, wherever a copy may lie.
    if (!fs::is_regular_file(shipped, ec)) return {};
    if (writable(shipped) && writable(programDir)) return shipped;
    if (userDir.empty()) return shipped;
    const fs::path copy = userDir / "chip.set";
    if (fs::is_regular_file(copy, ec)) return copy;
    fs::create_directories(userDir, ec);
    std::vector<std::uint8_t> bytes;
    if (!readAll(shipped, bytes) ||
        !replaceFile(copy, std::string_view(reinterpret_cast<const char *>(bytes.data()), bytes.size())))
        return shipped;
    return copy;
}

SettingsMemory::Located SettingsMemory::locateOrCreate(const fs::path &programDir, const fs::path &userDir) {
    if (fs::path found = locate(programDir, userDir); !found.empty()) return {found, false};
    std::error_code ec;
    if (!userDir.empty() && fs::is_regular_file(userDir / "chip.set", ec)) return {userDir / "chip.set", false};
    const std::string emptyRing(chipset::kFullSize, '\0');
    if (writable(programDir) && replaceFile(programDir / "chip.set", emptyRing)) return {programDir / "chip.set", true};
    if (userDir.empty()) return {};
    fs::create_directories(userDir, ec);
    if (replaceFile(userDir / "chip.set", emptyRing)) return {userDir / "chip.set", true};
    return {};
}

}  // namespace vantor
