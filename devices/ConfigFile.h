#pragma once
// Device configuration files ("cfg/NAME.cfg"): a 472-byte header, 324-byte item records
// and a big-endian CRC-16/XMODEM check word. The items describe the Config dialog.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/Prompt.h"
#include "devices/DeviceRecord.h"

namespace vantor {

class DeviceLibrary;

namespace cfg {

inline constexpr std::size_t kHeaderSize = 472;
inline constexpr std::size_t kItemSize = 324;
inline constexpr std::size_t kCheckWordSize = 2;
inline constexpr std::size_t kTextSize = 303;
inline constexpr int kMaxPages = 10;
inline constexpr int kMaxItems = 300;
inline constexpr std::size_t kHeadReservedSize = 32;
inline constexpr std::size_t kTailReservedSize = 340;
// The page size used when the file gives none.
inline constexpr std::uint32_t kDefaultPageWidth = 198;
inline constexpr std::uint32_t kDefaultPageHeight = 179;
inline constexpr std::uint8_t kRangeAny = 255;

enum ItemKind : std::uint8_t {
    kHexField = 0,
    kGroupBox = 1,
    kRadioButton = 2,
    kCheckBox = 3,
    kStaticText = 4,
    kStaticText5 = 5,
    kStaticText6 = 6,
    kDropDown = 7,
    kDropEntry = 8,
};

struct Rect {
    std::uint32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct Item {
    std::uint8_t kind = kStaticText;
    std::string text;
    std::vector<std::uint8_t> textPad;  // bytes after the text's NUL, trailing zeros dropped
    Rect rect;
    std::uint8_t byteIndex = 0;
    // The record's bytes 321 and 322 hold a hex field's bit count and range kind, and the
    // mask and value of every other kind: the one pair a kind uses is filled, the other is 0.
    std::uint8_t mask = 0;
    std::uint8_t value = 0;
    std::uint8_t bitCount = 0;
    std::uint8_t rangeKind = 0;
    std::uint8_t reserved = 0;
    int page = 0;

    int valueBytes() const { return (bitCount + 7) / 8; }
    int hexDigits() const { return (bitCount + 3) / 4; }
};

struct ConfigFile {
    std::array<std::uint8_t, kHeadReservedSize> headReserved{};
    std::uint32_t pageCount = 1;
    std::array<std::uint32_t, kMaxPages> itemCounts{};
    std::uint32_t pageWidth = 0;
    std::uint32_t pageHeight = 0;
    std::array<std::uint8_t, kConfigDataSize> defaults{};
    std::array<std::uint8_t, kTailReservedSize> tailReserved{};
    std::vector<Item> items;
    std::vector<std::uint8_t> trailer;  // bytes between the items and the check word

    std::uint32_t effectiveWidth() const { return pageWidth && pageHeight ? pageWidth : kDefaultPageWidth; }
    std::uint32_t effectiveHeight() const { return pageWidth && pageHeight ? pageHeight : kDefaultPageHeight; }
    // Sets pageCount and itemCounts from the items' pages.
    void countItems();
};

// What keeps an item out of a dialog page of the given size; empty when it is sound.
std::string itemFault(const Item &item, std::uint32_t pageWidth, std::uint32_t pageHeight);

// Decodes and checks a file image. Beyond the check word, the item count (1..300) and the
// length, it refuses what the dialog could not show safely: more than 10 pages, items on
// pages past page_count, unknown kinds, byte indexes (or multi-byte values) past byte 47,
// hex fields of 0 or more than 32 bits, texts without their NUL and controls outside the page.
// `why` (when given) receives a one-line reason.
bool decodeConfigImage(std::span<const std::uint8_t> image, ConfigFile &out, std::string *why = nullptr);
// Whole file image with its check word; items are written in vector order.
std::vector<std::uint8_t> encodeConfigImage(const ConfigFile &file);

// "<library dir>/cfg/<config_name>.cfg"; empty when the device names no file.
std::filesystem::path configFilePath(const std::filesystem::path &libraryDirectory, const DeviceRecord &device);

enum class ConfigRead { Ok, CannotOpen, Faulty };
// Reads and checks a file without a message.
ConfigRead readConfigFile(const std::filesystem::path &path, ConfigFile &out);
// Reads and checks a file as the Config dialog does: message 30043 when it cannot be
// opened, 30044 for any fault of its contents, both with the error icon.
bool readConfigFile(const std::filesystem::path &path, Prompt &prompt, ConfigFile &out);

// config_data = the file's defaults. False (config_data unchanged) when the device has no
// valid record or no file (silently) or the file is faulty (with its message).
bool LoadConfigDefaults(const std::filesystem::path &libraryDirectory, DeviceRecord &device, Prompt &prompt);

// The device's factory configuration from its configuration file, without any message (for
// the simulated chip); nothing when the device names no file or the file is faulty.
std::optional<std::array<std::uint8_t, kConfigDataSize>>
defaultConfiguration(const std::filesystem::path &libraryDirectory, const DeviceRecord &device);

// Every config_data byte the items can change, as a 48-bit set.
std::array<bool, kConfigDataSize> bytesWritten(const ConfigFile &file);
// Every config_data bit the items can change (hex fields own their bytes whole).
std::array<std::uint8_t, kConfigDataSize> bitsOwned(const ConfigFile &file);

// Marks the device's configuration as read from `file` (null: its file could not be read, so
// config_data must not be written).
void markConfiguration(DeviceRecord &device, const ConfigFile *file);

}  // namespace cfg
}  // namespace vantor
