#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/SafeFile.h"
#include "devices/DeviceRecord.h"

namespace vantor::sim {

// What a chip is, as far as the programmer can tell.
struct ChipSpec {
    std::string name;
    std::uint8_t algorithm = 0;
    std::array<std::uint8_t, 4> id{};
    std::array<std::uint32_t, kMaxAreas> areaSize{};
    bool wordDevice = false;           // 12- or 14-bit words, low byte first
    std::uint8_t wordHighMask = 0x3F;  // bits of a word's high byte: 0x0F for 12-bit words

    static ChipSpec fromDevice(const DeviceRecord &device);
};

// A chip in the programmer's socket: erased cells read 0xFF (0x3F for the high byte of a
// word), programming only clears bits, erasing sets them again.
class VirtualChip {
public:
    explicit VirtualChip(ChipSpec chipSpec);

    const ChipSpec &chipSpec() const { return spec_; }
    int areaCount() const;
    std::uint32_t areaSize(int area) const;
    // Bits a cell can hold.
    std::uint8_t cellMask(std::uint32_t offset) const;

    std::uint8_t read(int area, std::uint32_t offset) const;
    // Programs n cells; false when a cell does not read back as asked (a bit cannot be set
    // without erasing) or the range is outside the area.
    bool program(int area, std::uint32_t offset, const std::uint8_t *data, std::uint32_t n);
    void erase();
    bool isBlank() const;

    std::array<std::uint8_t, 16> config{};  // configuration bytes
    std::array<std::uint8_t, 16> fuses{};
    std::array<std::uint8_t, 16> lock{};
    std::uint8_t calibration = 0x5A;  // the factory oscillator calibration value
    int calibrationWrites = 0;

    // Keeps the chip between runs of the command-line simulator; the file is replaced whole.
    ReplaceResult save(const std::filesystem::path &path) const;
    // False (and the chip unchanged) when the file is missing, not a regular file, or not a
    // chip file whose sizes add up exactly.
    bool load(const std::filesystem::path &path);

private:
    ChipSpec spec_;
    std::array<std::vector<std::uint8_t>, kMaxAreas> cells_;
};

}  // namespace vantor::sim
