#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "devices/FlashChipTable.h"

namespace vantor::emx31 {

// Options carried in the host's option text "-E%d -F%d -V%d -C%d".
struct TargetOptions {
    int halt = 1;    // E: bit 0 allows halting a running program
    int flash = 15;  // F: bit 4 downloads into the PRB31 adapter
    int vendor = 0;  // V: maker index
    int chip = 0;    // C: chip index within the maker's rows

    static constexpr int kHaltBit = 0x01;
    static constexpr int kAdapterBit = 0x10;
    bool haltEnabled() const { return (halt & kHaltBit) != 0; }
    bool toAdapter() const { return (flash & kAdapterBit) != 0; }

    // E and F go back to their defaults; V and C keep their values unless the text names them.
    // Reads at most `limit` characters (stops at a zero byte).
    void parse(const char *text, std::size_t limit);
    void parse(std::string_view text) { parse(text.data(), text.size()); }
    std::string format() const;
    // Writes the text with its terminating zero into `out`, never more than `capacity` bytes.
    void write(char *out, std::size_t capacity) const;
};

// First row of maker `maker`, or -1 when it has none.
int firstChipOfMaker(int maker);
int chipCountOfMaker(int maker);
// Row of the option's chip: -1 for the debug adapter; nullopt when V names no maker or C lies
// beyond the maker's rows (a hand-edited option text), which a download refuses.
std::optional<int> chipIndex(const TargetOptions &options);

// "Firmware: V1.23\r\nPSN: 12345678\r\n" of an identification block.
std::string identificationText(const std::uint8_t *block32);

// The target settings dialog without its widgets: what it shows and what OK writes back.
class CTargetSettingsDlg {
public:
    // `identification` is the emulator's 32-byte block, or null when it is not available.
    CTargetSettingsDlg(const TargetOptions &options, const std::uint8_t *identification);

    bool halt() const { return halt_; }
    void setHalt(bool checked) { halt_ = checked; }
    bool adapter() const { return adapter_; }
    void setAdapter(bool checked) { adapter_ = checked; }
    bool chipControlsEnabled() const { return !adapter_; }

    int maker() const { return maker_; }
    void selectMaker(int index);
    int chipCount() const { return chipCountOfMaker(maker_); }
    const char *chipName(int index) const;
    int chip() const { return chip_; }
    void selectChip(int index);

    const std::string &information() const { return information_; }

    // OK: the options the dialog stands for now.
    TargetOptions accept(const TargetOptions &previous) const;

private:
    bool halt_;
    bool adapter_;
    int maker_;
    int chip_;
    std::string information_;
};

}  // namespace vantor::emx31
