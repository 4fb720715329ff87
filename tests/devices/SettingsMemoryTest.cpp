// "chip.set": the ring of 20 slots, in-place updates, identity, and damaged files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/stat.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "core/FileLock.h"
#include "core/StringTable.h"
#include "devices/SettingsMemory.h"

using namespace vantor;
namespace fs = std::filesystem;

namespace {

DeviceRecord device(const char *name, std::uint16_t vendor = 10) {
    DeviceRecord d;
    d.valid = 1;
    std::strcpy(d.device_name, name);
    d.vendor_index = vendor;
    std::memset(d.auto_operations, kEndOfList, sizeof d.auto_operations);
    d.auto_operations[0] = 12;
    d.auto_operations[1] = 0;
    return d;
}

class SettingsMemoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vantor-chipset-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        file = dir / "chip.set";
        std::memset(items, kEndOfList, sizeof items);
        items[0] = 12;  // an Auto list the dialog accepts
    }
    void TearDown() override {
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }
    void writeFile(std::vector<std::uint8_t> bytes) {
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()), long(bytes.size()));
    }
    std::vector<std::uint8_t> bytes() {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    bool save(const DeviceRecord &d, std::uint32_t mask = 3) { return memory.SaveDeviceSettings(d, items, mask); }

    fs::path dir, file;
    SettingsMemory memory{fs::path()};
    std::uint8_t items[16];
};

TEST_F(SettingsMemoryTest, WithoutTheFileNothingIsCreatedAndDefaultsAreTaken) {
    memory = SettingsMemory(file);
    DeviceRecord d = device("ATmega8");
    EXPECT_FALSE(save(d));
    EXPECT_FALSE(fs::exists(file));
    std::uint32_t mask = 0x102;
    bool defaultsLoaded = false;
    EXPECT_FALSE(memory.RestoreDeviceSettings(d, items, mask, [&](DeviceRecord &r) {
        defaultsLoaded = true;
        r.config_data[0] = 0xE1;
    }));
    EXPECT_TRUE(defaultsLoaded);
    EXPECT_EQ(d.config_data[0], 0xE1);
    EXPECT_EQ(0, std::memcmp(items, d.auto_operations, 16));
    EXPECT_EQ(mask, 0x102u);  // the program range keeps its value
}

TEST_F(SettingsMemoryTest, RingFillsInOrderUpdatesInPlaceAndWrapsAfterTwenty) {
    writeFile({0});
    memory = SettingsMemory(file);
    DeviceRecord first = device("D0");
    first.config_data[0] = 0xAA;
    items[0] = 3;
    ASSERT_TRUE(save(first, 2));
    auto b = bytes();
    ASSERT_EQ(b.size(), 125u);
    EXPECT_EQ(b[0], 1);
    EXPECT_STREQ(reinterpret_cast<const char *>(b.data() + 1), "D0");
    EXPECT_EQ(b[1 + 36], 0xAA);
    EXPECT_EQ(b[1 + 84], 3);
    EXPECT_EQ(b[1 + 100], 2);

    first.config_data[0] = 0xBB;  // the same device again: in place, next_slot stays
    ASSERT_TRUE(save(first));
    b = bytes();
    EXPECT_EQ(b.size(), 125u);
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(b[1 + 36], 0xBB);

    for (int i = 1; i < 20; ++i) ASSERT_TRUE(save(device(("D" + std::to_string(i)).c_str())));
    b = bytes();
    EXPECT_EQ(b.size(), chipset::kFullSize);
    EXPECT_EQ(b[0], 0);
    ASSERT_TRUE(save(device("D20")));  // the 21st overwrites the earliest added
    b = bytes();
    EXPECT_EQ(b[0], 1);
    EXPECT_STREQ(reinterpret_cast<const char *>(b.data() + 1), "D20");

    DeviceRecord again = device("D0");
    std::uint32_t mask = 3;
    EXPECT_FALSE(memory.RestoreDeviceSettings(again, items, mask, nullptr));  // D0 is gone
    DeviceRecord kept = device("D5");
    EXPECT_TRUE(memory.RestoreDeviceSettings(kept, items, mask, nullptr));
}

TEST_F(SettingsMemoryTest, VendorIndexIsPartOfTheIdentityAndRestoreAppliesTheSlot) {
    writeFile({0});
    memory = SettingsMemory(file);
    DeviceRecord a = device("X25", 10), b = device("X25", 83);
    a.config_data[47] = 0x47;
    items[0] = 2;
    ASSERT_TRUE(save(a, 1));
    ASSERT_TRUE(save(b, 2));
    EXPECT_EQ(bytes()[0], 2);

    DeviceRecord fresh = device("X25", 10);
    std::uint32_t mask = 0xAB00;
    std::memset(items, 0, sizeof items);
    EXPECT_TRUE(memory.RestoreDeviceSettings(fresh, items, mask, [](DeviceRecord &) { FAIL(); }));
    EXPECT_EQ(fresh.config_data[47], 0x47);
    EXPECT_EQ(items[0], 2);
    EXPECT_EQ(items[1], kEndOfList);
    EXPECT_EQ(mask, 0xAB01u);
}

TEST_F(SettingsMemoryTest, DamagedFilesAreHandledSafely) {
    // next_slot past the ring starts again at slot 0 instead of growing the file.
    std::vector<std::uint8_t> img(1 + 124, 0);
    img[0] = 20;
    writeFile(img);
    memory = SettingsMemory(file);
    ASSERT_TRUE(save(device("NEW")));
    auto b = bytes();
    EXPECT_EQ(b.size(), 125u);
    EXPECT_EQ(b[0], 1);
    EXPECT_STREQ(reinterpret_cast<const char *>(b.data() + 1), "NEW");

    // A slot with garbage operation codes and a short trailing slot.
    img.assign(1 + 124 + 50, 0);
    std::strcpy(reinterpret_cast<char *>(img.data() + 1), "NEW");
    img[1 + 32] = 10;
    img[1 + 84] = 0;
    img[1 + 85] = 0x40;  // no such operation: ends the list
    img[1 + 100] = 3;
    writeFile(img);
    DeviceRecord d = device("NEW");
    std::uint32_t mask = 3;
    EXPECT_TRUE(memory.RestoreDeviceSettings(d, items, mask, nullptr));
    EXPECT_EQ(items[0], 0);
    EXPECT_EQ(items[1], kEndOfList);
    EXPECT_EQ(chipset::decode(img).slots.size(), 1u);

    // Slots past the twentieth are not the ring's; a name that fills its field is cut to end
    // in a NUL.
    img.assign(chipset::kFullSize + 124, 0);
    EXPECT_EQ(chipset::decode(img).slots.size(), 20u);
    chipset::Slot longName;
    std::memset(longName.device_name, 'A', sizeof longName.device_name);
    std::uint8_t slot[chipset::kSlotSize];
    chipset::encodeSlot(longName, slot);
    EXPECT_EQ(slot[30], 'A');
    EXPECT_EQ(slot[31], 0);
}

// What the Operate Settings and Config dialogs would refuse is not applied: the defaults are,
// and the caller hears why.
TEST_F(SettingsMemoryTest, ASlotTheDialogsWouldRefuseGivesWayToTheDefaults) {
    writeFile({0});
    memory = SettingsMemory(file);
    DeviceRecord d = device("AT89S52");
    d.config_data[0] = 0x5A;
    std::string problem = "stale";
    std::uint8_t restored[16];
    std::uint32_t mask = 0;
    auto restore = [&](const SettingsMemory::ConfigCheck &check = nullptr) {
        DeviceRecord r = device("AT89S52");
        mask = 0x300;
        std::memset(restored, 0, sizeof restored);
        const bool applied = memory.RestoreDeviceSettings(
            r, restored, mask, [](DeviceRecord &x) { x.config_data[0] = 0xDE; }, check, &problem);
        EXPECT_EQ(r.config_data[0], applied ? 0x5A : 0xDE);
        return applied;
    };
    // Codes from 16 on name no operation: the list ends before the first of them.
    std::memset(items, kEndOfList, sizeof items);
    items[0] = 15;
    items[1] = 16;
    items[2] = 3;
    for (std::uint32_t range : {0u, 1u, 3u, 4u}) {
        SCOPED_TRACE(range);
        ASSERT_TRUE(save(d, range));
        const bool sound = range >= 1 && range <= 3;
        EXPECT_EQ(restore(), sound);
        EXPECT_EQ(problem, sound ? "" : "its program range " + std::to_string(range) + " is not 1, 2 or 3");
        EXPECT_EQ(mask, sound ? 0x300 | range : 0x300u);
        EXPECT_EQ(restored[0], sound ? 15 : 12);  // or the device's own list
        EXPECT_EQ(restored[1], sound ? kEndOfList : 0);
    }
    items[0] = 16;
    ASSERT_TRUE(save(d, 1));
    EXPECT_FALSE(restore());
    EXPECT_EQ(problem, loadString(sid::AutoProgramItemEmpty));

    items[0] = 3;
    ASSERT_TRUE(save(d, 2));
    int seen = -1;
    EXPECT_FALSE(restore([&](const DeviceRecord &r, std::string &why) {
        seen = r.config_data[0];
        why = "CKSEL names no clock";
        return false;
    }));
    EXPECT_EQ(seen, 0x5A);  // the remembered bytes are what is judged
    EXPECT_EQ(problem, "its configuration bytes: CKSEL names no clock");
    EXPECT_TRUE(restore([](const DeviceRecord &, std::string &) { return true; }));
    EXPECT_EQ(problem, "");
    EXPECT_EQ(restored[0], 3);
}

TEST_F(SettingsMemoryTest, NoDeviceOrReadOnlyFileLeavesItUntouched) {
    writeFile({0});
    memory = SettingsMemory(file);
    DeviceRecord none;
    EXPECT_FALSE(save(none));
    EXPECT_EQ(bytes().size(), 1u);
    if (::geteuid() != 0) {  // root writes anyway
        fs::permissions(file, fs::perms::owner_read, fs::perm_options::replace);
        EXPECT_FALSE(save(device("RO")));
        fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace);
        EXPECT_EQ(bytes().size(), 1u);
    }
}

TEST_F(SettingsMemoryTest, ReadOnlyInstallUsesAPerUserCopy) {
    const fs::path program = dir / "bin", user = dir / "user";
    fs::create_directories(program);
    std::ofstream(program / "chip.set", std::ios::binary).put(0);
    EXPECT_EQ(SettingsMemory::locate(program, user), program / "chip.set");
    if (::geteuid() != 0) {
        fs::permissions(program, fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
        const fs::path copy = SettingsMemory::locate(program, user);
        EXPECT_EQ(copy, user / "chip.set");
        EXPECT_TRUE(fs::exists(copy));
        fs::permissions(program, fs::perms::owner_all, fs::perm_options::replace);
    }
    EXPECT_TRUE(SettingsMemory::locate(dir / "nowhere", user).empty());

    // The per-user copy sits beside the program's other settings.
    const char *was = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = was ? was : "";
    ::setenv("XDG_CONFIG_HOME", user.c_str(), 1);
    EXPECT_EQ(SettingsMemory::userDirectory(), user / "TarvikTech");
    if (was) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
}

TEST_F(SettingsMemoryTest, AMissingFileIsCreatedBesideTheProgramOrPerUser) {
    const fs::path program = dir / "bin", user = dir / "user";
    fs::create_directories(program);
    auto found = SettingsMemory::locateOrCreate(program, user);
    EXPECT_EQ(found.file, program / "chip.set");
    EXPECT_TRUE(found.created);
    file = found.file;
    memory = SettingsMemory(file);
    ASSERT_TRUE(save(device("ATmega8")));
    const chipset::Image image = chipset::decode(bytes());
    ASSERT_FALSE(image.slots.empty());
    EXPECT_EQ(std::string(image.slots.front().device_name), "ATmega8");
    found = SettingsMemory::locateOrCreate(program, user);
    EXPECT_FALSE(found.created) << "created once";

    // A program folder that is gone (as unwritable as it gets for root): the per-user file.
    const fs::path gone = dir / "gone";
    EXPECT_TRUE(SettingsMemory::locateOrCreate(gone, fs::path()).file.empty());
    found = SettingsMemory::locateOrCreate(gone, user);
    EXPECT_EQ(found.file, user / "chip.set");
    EXPECT_TRUE(found.created);
    EXPECT_EQ(fs::file_size(found.file), chipset::kFullSize);
    found = SettingsMemory::locateOrCreate(gone, user);
    EXPECT_EQ(found.file, user / "chip.set");
    EXPECT_FALSE(found.created);
    fs::remove_all(user);

    if (::geteuid() != 0) {
        fs::remove(program / "chip.set");
        fs::permissions(program, fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
        found = SettingsMemory::locateOrCreate(program, user);
        EXPECT_EQ(found.file, user / "chip.set");
        EXPECT_TRUE(found.created);
        memory = SettingsMemory(found.file);
        EXPECT_TRUE(save(device("ATmega8")));
        EXPECT_EQ(SettingsMemory::locateOrCreate(program, user).file, user / "chip.set");
        EXPECT_FALSE(SettingsMemory::locateOrCreate(program, user).created);
        fs::permissions(program, fs::perms::owner_all, fs::perm_options::replace);
    }
}

}  // namespace

namespace {

// A FIFO in the file's place (nobody writing to it) is not a settings file: reading it would
// hang every command that selects a device.
TEST_F(SettingsMemoryTest, OnlyARegularFileIsRead) {
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    memory = SettingsMemory(file);
    DeviceRecord d = device("ATmega8");
    std::uint32_t mask = 3;
    bool defaults = false;
    ::alarm(10);  // a hang ends the test instead of the run
    EXPECT_FALSE(memory.RestoreDeviceSettings(d, items, mask, [&](DeviceRecord &) { defaults = true; }));
    EXPECT_FALSE(save(d));
    ::alarm(0);
    EXPECT_TRUE(defaults);
}

// The lock that saves hold: a second holder waits out its time and says why, a name planted as
// a FIFO is refused at once, and descriptor 0 (free in a program started without input) is a lock.
TEST_F(SettingsMemoryTest, TheLockRefusesASecondHolderAndAPlantedName) {
    {
        FileLock first(file, 0);
        ASSERT_TRUE(first.locked()) << first.error();
        FileLock second(file, 20);
        EXPECT_FALSE(second.locked());
        EXPECT_NE(second.error().find("another program holds"), std::string::npos) << second.error();
    }
    const int input = ::dup(0);
    ::close(0);
    {
        FileLock zero(file, 0);
        EXPECT_TRUE(zero.locked()) << "closing the first released it; " << zero.error();
        EXPECT_FALSE(FileLock(file, 0).locked()) << "descriptor 0 holds the lock";
    }
    if (input >= 0) {
        ::dup2(input, 0);
        ::close(input);
    }
    fs::remove(FileLock::lockPathFor(file));
    ASSERT_EQ(::mkfifo(FileLock::lockPathFor(file).c_str(), 0600), 0);
    FileLock planted(file, 0);
    EXPECT_FALSE(planted.locked());
    EXPECT_NE(planted.error().find("is not a regular file"), std::string::npos) << planted.error();
}

// Ten programs saving ten devices at once each keep their slot.
TEST_F(SettingsMemoryTest, ConcurrentSavesKeepEverySlot) {
    writeFile({0});
    memory = SettingsMemory(file);
    std::vector<std::thread> savers;
    for (int i = 0; i < 10; ++i)
        savers.emplace_back([this, i] {
            SettingsMemory own(file);
            std::uint8_t list[16];
            std::memset(list, kEndOfList, sizeof list);
            list[0] = 12;
            const std::string name = "DEVICE" + std::to_string(i);
            EXPECT_TRUE(own.SaveDeviceSettings(device(name.c_str()), list, 1));
        });
    for (auto &t : savers) t.join();
    for (int i = 0; i < 10; ++i) {
        const std::string name = "DEVICE" + std::to_string(i);
        DeviceRecord d = device(name.c_str());
        std::uint32_t mask = 3;
        EXPECT_TRUE(memory.RestoreDeviceSettings(d, items, mask, nullptr)) << name;
        EXPECT_EQ(mask, 1u);
    }
    fs::remove(FileLock::lockPathFor(file));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);  // no temporary left
}

}  // namespace
