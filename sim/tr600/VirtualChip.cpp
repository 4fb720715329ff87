#include "sim/tr600/VirtualChip.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <system_error>

#include "core/SafeFile.h"

namespace vantor::sim {

namespace {
constexpr char kMagic[8] = {'V', 'T', 'R', '6', 'C', 'H', 'I', 'P'};
constexpr std::uint32_t kMaxAreaBytes = kBufferSize;
constexpr std::size_t kMaxNameBytes = 64;
// Configuration, fuse and lock bytes, the calibration byte and its write count.
constexpr std::size_t kTailBytes = 16 * 3 + 1 + 4;
constexpr std::size_t kMaxFileBytes =
    8 + 4 + kMaxNameBytes + 1 + 4 + 1 + 16 + 4 * std::size_t(kMaxAreaBytes) + kTailBytes;

void put32(std::vector<std::uint8_t> &out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}
}  // namespace

ChipSpec ChipSpec::fromDevice(const DeviceRecord &device) {
    ChipSpec chipSpec;
    chipSpec.name.assign(device.device_name, strnlen(device.device_name, sizeof device.device_name));
    chipSpec.algorithm = device.algorithm;
    std::memcpy(chipSpec.id.data(), device.device_id, 4);
    for (int i = 0; i < kMaxAreas; ++i) {
        if (device.memory_areas[i].size_bytes == 0) break;
        chipSpec.areaSize[std::size_t(i)] = std::min(device.memory_areas[i].size_bytes, kMaxAreaBytes);
    }
    chipSpec.wordDevice = device.isWordDevice();
    chipSpec.wordHighMask = device.wordHighMask();
    return chipSpec;
}

VirtualChip::VirtualChip(ChipSpec chipSpec) : spec_(std::move(chipSpec)) {
    for (int i = 0; i < kMaxAreas; ++i) cells_[std::size_t(i)].resize(spec_.areaSize[std::size_t(i)]);
    erase();
}

int VirtualChip::areaCount() const {
    int n = 0;
    while (n < 4 && spec_.areaSize[std::size_t(n)] != 0) ++n;
    return n;
}

std::uint32_t VirtualChip::areaSize(int area) const {
    return area >= 0 && area < 4 ? spec_.areaSize[std::size_t(area)] : 0;
}

std::uint8_t VirtualChip::cellMask(std::uint32_t offset) const {
    return spec_.wordDevice && (offset & 1) ? spec_.wordHighMask : 0xFF;
}

std::uint8_t VirtualChip::read(int area, std::uint32_t offset) const {
    if (offset >= areaSize(area)) return 0xFF;  // nothing drives the bus
    return cells_[std::size_t(area)][offset];
}

bool VirtualChip::program(int area, std::uint32_t offset, const std::uint8_t *data, std::uint32_t n) {
    const std::uint32_t size = areaSize(area);
    if (offset > size || n > size - offset) return false;
    bool ok = true;
    auto &cells = cells_[std::size_t(area)];
    for (std::uint32_t k = 0; k < n; ++k) {
        const std::uint8_t mask = cellMask(offset + k);
        const std::uint8_t want = data[k] & mask;
        cells[offset + k] &= want;
        if (cells[offset + k] != want) ok = false;
    }
    return ok;
}

void VirtualChip::erase() {
    for (auto &cells : cells_)
        for (std::size_t k = 0; k < cells.size(); ++k) cells[k] = cellMask(std::uint32_t(k));
    config.fill(0xFF);
    fuses.fill(0xFF);
    lock.fill(0xFF);
}

bool VirtualChip::isBlank() const {
    for (const auto &cells : cells_)
        for (std::size_t k = 0; k < cells.size(); ++k)
            if (cells[k] != cellMask(std::uint32_t(k))) return false;
    return true;
}

ReplaceResult VirtualChip::save(const std::filesystem::path &path) const {
    std::vector<std::uint8_t> out(kMagic, kMagic + 8);
    put32(out, std::uint32_t(spec_.name.size()));
    out.insert(out.end(), spec_.name.begin(), spec_.name.end());
    out.push_back(spec_.algorithm);
    out.insert(out.end(), spec_.id.begin(), spec_.id.end());
    out.push_back(spec_.wordDevice ? spec_.wordHighMask : 0);
    for (auto s : spec_.areaSize) put32(out, s);
    for (const auto &cells : cells_) out.insert(out.end(), cells.begin(), cells.end());
    out.insert(out.end(), config.begin(), config.end());
    out.insert(out.end(), fuses.begin(), fuses.end());
    out.insert(out.end(), lock.begin(), lock.end());
    out.push_back(calibration);
    put32(out, std::uint32_t(calibrationWrites));

    return replaceFile(path, std::string_view(reinterpret_cast<const char *>(out.data()), out.size()));
}

bool VirtualChip::load(const std::filesystem::path &path) {
    // A directory, a pipe or a device would never give a chip (or never end): refused unread.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxFileBytes) return false;
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    // One byte more than the size tells a file that grew meanwhile.
    std::vector<std::uint8_t> in(std::size_t(size) + 1);
    f.read(reinterpret_cast<char *>(in.data()), std::streamsize(in.size()));
    if (f.bad() || std::uintmax_t(f.gcount()) != size) return false;
    in.resize(std::size_t(size));
    std::size_t pos = 0;
    auto need = [&](std::size_t n) { return in.size() - pos >= n; };
    auto get32 = [&] {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= std::uint32_t(in[pos++]) << (8 * i);
        return v;
    };
    if (!need(12) || std::memcmp(in.data(), kMagic, 8) != 0) return false;
    pos = 8;
    const std::uint32_t nameLen = get32();
    if (nameLen > kMaxNameBytes || !need(nameLen + 1 + 4 + 1 + 16)) return false;
    ChipSpec chipSpec;
    chipSpec.name.assign(reinterpret_cast<const char *>(in.data() + pos), nameLen);
    pos += nameLen;
    chipSpec.algorithm = in[pos++];
    std::memcpy(chipSpec.id.data(), in.data() + pos, 4);
    pos += 4;
    const std::uint8_t word = in[pos++];
    chipSpec.wordDevice = word != 0;
    chipSpec.wordHighMask = word == 0x0F ? 0x0F : 0x3F;
    std::size_t total = 0;
    bool ended = false;
    for (auto &s : chipSpec.areaSize) {
        s = get32();
        if (s > kMaxAreaBytes) return false;
        // Areas are packed from the first: one after an absent area would be lost.
        if (ended && s != 0) return false;
        ended = ended || s == 0;
        total += s;
    }
    if (in.size() - pos != total + kTailBytes) return false;
    VirtualChip chip(chipSpec);
    for (int i = 0; i < kMaxAreas; ++i) {
        auto &cells = chip.cells_[std::size_t(i)];
        if (!cells.empty()) std::memcpy(cells.data(), in.data() + pos, cells.size());
        pos += cells.size();
    }
    std::memcpy(chip.config.data(), in.data() + pos, 16);
    std::memcpy(chip.fuses.data(), in.data() + pos + 16, 16);
    std::memcpy(chip.lock.data(), in.data() + pos + 32, 16);
    pos += 48;
    chip.calibration = in[pos++];
    chip.calibrationWrites = int(get32());
    *this = std::move(chip);
    return true;
}

}  // namespace vantor::sim
