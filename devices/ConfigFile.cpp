#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "core/LittleEndian.h"
#include "core/StringTable.h"
#include "devices/ConfigFile.h"
#include "devices/Crc16.h"

namespace vantor::cfg {
namespace {

bool fail(std::string *why, std::string text) {
    if (why) *why = std::move(text);
    return false;
}

std::string itemLabel(std::size_t i) { return "item " + std::to_string(i) + ": "; }

}  // namespace

std::string itemFault(const Item &item, std::uint32_t pageWidth, std::uint32_t pageHeight) {
    if (item.kind > kDropEntry) return "unknown kind " + std::to_string(item.kind);
    if (item.byteIndex >= kConfigDataSize) return "byte index " + std::to_string(item.byteIndex) + " past byte 47";
    if (item.kind == kHexField) {
        if (item.bitCount == 0 || item.bitCount > 32)
            return "hex field of " + std::to_string(item.bitCount) + " bits (1..32)";
        if (item.byteIndex + item.valueBytes() > int(kConfigDataSize)) return "value runs past byte 47";
    }
    if (item.kind != kDropEntry) {
        const Rect &r = item.rect;
        if (r.left > r.right || r.top > r.bottom || r.right > pageWidth || r.bottom > pageHeight)
            return "control outside the page";
    }
    return {};
}

void ConfigFile::countItems() {
    itemCounts.fill(0);
    int last = 0;
    for (const auto &item : items) {
        if (item.page >= 0 && item.page < kMaxPages) ++itemCounts[std::size_t(item.page)];
        last = std::max(last, item.page);
    }
    pageCount = items.empty() ? 1 : std::uint32_t(last + 1);
}

bool decodeConfigImage(std::span<const std::uint8_t> image, ConfigFile &out, std::string *why) {
    out = ConfigFile{};
    if (image.size() < kCheckWordSize || Crc16::of(image.data(), image.size()) != 0)
        return fail(why, "wrong check word");
    if (image.size() < kHeaderSize + kCheckWordSize) return fail(why, "shorter than its header");
    const std::uint8_t *h = image.data();
    std::memcpy(out.headReserved.data(), h, kHeadReservedSize);
    out.pageCount = le::load32(h + 32);
    std::uint64_t total = 0;
    for (int p = 0; p < kMaxPages; ++p) {
        out.itemCounts[std::size_t(p)] = le::load32(h + 36 + 4 * p);
        total += out.itemCounts[std::size_t(p)];
    }
    out.pageWidth = le::load32(h + 76);
    out.pageHeight = le::load32(h + 80);
    std::memcpy(out.defaults.data(), h + 84, kConfigDataSize);
    std::memcpy(out.tailReserved.data(), h + 132, kTailReservedSize);

    if (total == 0) return fail(why, "no items");
    if (total > std::uint64_t(kMaxItems)) return fail(why, std::to_string(total) + " items (at most 300)");
    if (image.size() < kHeaderSize + kItemSize * total + kCheckWordSize)
        return fail(why, "shorter than its " + std::to_string(total) + " items");
    if (out.pageCount == 0 || out.pageCount > std::uint32_t(kMaxPages))
        return fail(why, "page count " + std::to_string(out.pageCount) + " (1..10)");
    for (std::uint32_t p = out.pageCount; p < std::uint32_t(kMaxPages); ++p)
        if (out.itemCounts[p] != 0) return fail(why, "items on page " + std::to_string(p + 1) + " past the page count");

    const std::uint32_t width = out.effectiveWidth(), height = out.effectiveHeight();
    const std::uint8_t *rec = h + kHeaderSize;
    std::size_t n = 0;
    for (std::uint32_t p = 0; p < out.pageCount; ++p) {
        for (std::uint32_t k = 0; k < out.itemCounts[p]; ++k, ++n, rec += kItemSize) {
            Item item;
            item.kind = rec[0];
            const auto *nul = static_cast<const std::uint8_t *>(std::memchr(rec + 1, 0, kTextSize));
            if (!nul) return fail(why, itemLabel(n) + "text without its end");
            item.text.assign(reinterpret_cast<const char *>(rec + 1), std::size_t(nul - (rec + 1)));
            const std::uint8_t *padEnd = rec + 1 + kTextSize;
            while (padEnd > nul + 1 && padEnd[-1] == 0) --padEnd;
            item.textPad.assign(nul + 1, padEnd);
            item.rect = {le::load32(rec + 304), le::load32(rec + 308), le::load32(rec + 312), le::load32(rec + 316)};
            item.byteIndex = rec[320];
            const bool hex = item.kind == kHexField;
            (hex ? item.bitCount : item.mask) = rec[321];
            (hex ? item.rangeKind : item.value) = rec[322];
            item.reserved = rec[323];
            item.page = int(p);
            if (std::string fault = itemFault(item, width, height); !fault.empty())
                return fail(why, itemLabel(n) + fault);
            out.items.push_back(std::move(item));
        }
    }
    const std::size_t end = kHeaderSize + kItemSize * total;
    out.trailer.assign(image.begin() + long(end), image.end() - long(kCheckWordSize));
    return true;
}

std::vector<std::uint8_t> encodeConfigImage(const ConfigFile &file) {
    std::vector<std::uint8_t> img(kHeaderSize + kItemSize * file.items.size());
    std::uint8_t *h = img.data();
    std::memcpy(h, file.headReserved.data(), kHeadReservedSize);
    le::store32(h + 32, file.pageCount);
    for (int p = 0; p < kMaxPages; ++p) le::store32(h + 36 + 4 * p, file.itemCounts[std::size_t(p)]);
    le::store32(h + 76, file.pageWidth);
    le::store32(h + 80, file.pageHeight);
    std::memcpy(h + 84, file.defaults.data(), kConfigDataSize);
    std::memcpy(h + 132, file.tailReserved.data(), kTailReservedSize);
    std::uint8_t *rec = h + kHeaderSize;
    for (const auto &item : file.items) {
        rec[0] = item.kind;
        const std::size_t n = std::min(item.text.size(), kTextSize - 1);
        std::memcpy(rec + 1, item.text.data(), n);
        const std::size_t pad = std::min(item.textPad.size(), kTextSize - 1 - n);
        if (pad) std::memcpy(rec + 2 + n, item.textPad.data(), pad);
        le::store32(rec + 304, item.rect.left);
        le::store32(rec + 308, item.rect.top);
        le::store32(rec + 312, item.rect.right);
        le::store32(rec + 316, item.rect.bottom);
        rec[320] = item.byteIndex;
        const bool hex = item.kind == kHexField;
        rec[321] = hex ? item.bitCount : item.mask;
        rec[322] = hex ? item.rangeKind : item.value;
        rec[323] = item.reserved;
        rec += kItemSize;
    }
    img.insert(img.end(), file.trailer.begin(), file.trailer.end());
    const std::uint16_t crc = Crc16::of(img.data(), img.size());
    img.push_back(std::uint8_t(crc >> 8));
    img.push_back(std::uint8_t(crc));
    return img;
}

std::filesystem::path configFilePath(const std::filesystem::path &libraryDirectory, const DeviceRecord &device) {
    const std::size_t n = strnlen(device.config_name, kConfigNameSize);
    if (n == 0) return {};
    return libraryDirectory / "cfg" / (std::string(device.config_name, n) + ".cfg");
}

ConfigRead readConfigFile(const std::filesystem::path &path, ConfigFile &out) {
    std::ifstream in(path, std::ios::binary);
    if (path.empty() || !in) return ConfigRead::CannotOpen;
    std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad() || !decodeConfigImage(image, out)) return ConfigRead::Faulty;
    return ConfigRead::Ok;
}

bool readConfigFile(const std::filesystem::path &path, Prompt &prompt, ConfigFile &out) {
    switch (readConfigFile(path, out)) {
    case ConfigRead::Ok: return true;
    case ConfigRead::CannotOpen:
        prompt.ask(loadString(sid::ConfigFileOpenFailed), "", Prompt::Icon::Error);
        return false;
    case ConfigRead::Faulty: break;
    }
    prompt.ask(loadString(sid::ConfigFileFormatError), "", Prompt::Icon::Error);
    return false;
}

bool LoadConfigDefaults(const std::filesystem::path &libraryDirectory, DeviceRecord &device, Prompt &prompt) {
    if (!device.valid) return false;
    const auto path = configFilePath(libraryDirectory, device);
    if (path.empty()) return false;
    ConfigFile file;
    const bool read = readConfigFile(path, prompt, file);
    markConfiguration(device, read ? &file : nullptr);
    if (!read) return false;
    std::memcpy(device.config_data, file.defaults.data(), kConfigDataSize);
    return true;
}

void markConfiguration(DeviceRecord &device, const ConfigFile *file) {
    device.configReady = file != nullptr;
    const auto owned = file ? bitsOwned(*file) : std::array<std::uint8_t, kConfigDataSize>{};
    std::memcpy(device.configOwned, owned.data(), kConfigDataSize);
}

std::optional<std::array<std::uint8_t, kConfigDataSize>>
defaultConfiguration(const std::filesystem::path &libraryDirectory, const DeviceRecord &device) {
    ConfigFile file;
    const auto path = configFilePath(libraryDirectory, device);
    if (path.empty() || readConfigFile(path, file) != ConfigRead::Ok) return std::nullopt;
    return file.defaults;
}

std::array<bool, kConfigDataSize> bytesWritten(const ConfigFile &file) {
    const auto owned = bitsOwned(file);
    std::array<bool, kConfigDataSize> used{};
    for (std::size_t i = 0; i < kConfigDataSize; ++i) used[i] = owned[i] != 0;
    return used;
}

std::array<std::uint8_t, kConfigDataSize> bitsOwned(const ConfigFile &file) {
    std::array<std::uint8_t, kConfigDataSize> owned{};
    for (const auto &item : file.items) {
        switch (item.kind) {
        case kHexField:
            for (int i = 0; i < item.valueBytes() && item.byteIndex + i < int(kConfigDataSize); ++i)
                owned[std::size_t(item.byteIndex + i)] = 0xFF;
            break;
        case kRadioButton:
        case kCheckBox:
        case kDropDown: owned[item.byteIndex] |= item.mask; break;
        default: break;
        }
    }
    return owned;
}

}  // namespace vantor::cfg
