#include "emulator/TargetSettings.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "emulator/DriverTexts.h"

namespace vantor::emx31 {

namespace {

// A decimal integer as %d reads it: blanks, a sign, digits. Saturates instead of overflowing.
bool readInt(const char *p, const char *end, int &out) {
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f')) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    if (p >= end || *p < '0' || *p > '9') return false;
    long long value = 0;
    while (p < end && *p >= '0' && *p <= '9') {
        value = value * 10 + (*p++ - '0');
        if (value > INT_MAX) value = INT_MAX + 1LL;
    }
    if (negative) value = -value;
    out = value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : int(value);
    return true;
}

}  // namespace

void TargetOptions::parse(const char *text, std::size_t limit) {
    halt = 1;
    flash = 15;
    if (!text) return;
    const char *end = static_cast<const char *>(std::memchr(text, 0, limit));
    if (!end) end = text + limit;
    for (const char *p = text; p < end; ++p) {
        if (*p != '-' || p + 1 >= end) continue;
        int *target = nullptr;
        switch (p[1]) {
        case 'C': target = &chip; break;
        case 'E': target = &halt; break;
        case 'F': target = &flash; break;
        case 'V': target = &vendor; break;
        default: break;
        }
        ++p;  // the scan goes on from the letter
        int value = 0;
        if (target && readInt(p + 1, end, value)) *target = value;
    }
}

std::string TargetOptions::format() const {
    char text[64];
    std::snprintf(text, sizeof text, "-E%d -F%d -V%d -C%d", halt, flash, vendor, chip);
    return text;
}

void TargetOptions::write(char *out, std::size_t capacity) const {
    if (!out || capacity == 0) return;
    std::snprintf(out, capacity, "%s", format().c_str());
}

int firstChipOfMaker(int maker) {
    for (std::size_t i = 0; i < FlashChipTable.size(); ++i)
        if (FlashChipTable[i].maker == maker) return int(i);
    return -1;
}

int chipCountOfMaker(int maker) {
    int n = 0;
    for (const auto &row : FlashChipTable) n += row.maker == maker;
    return n;
}

std::optional<int> chipIndex(const TargetOptions &options) {
    if (options.toAdapter()) return -1;
    const int first = firstChipOfMaker(options.vendor);
    if (first < 0) return -1;
    if (options.chip < 0 || options.chip >= chipCountOfMaker(options.vendor)) return std::nullopt;
    return first + options.chip;
}

std::string identificationText(const std::uint8_t *b) {
    char text[128];
    std::snprintf(text, sizeof text, msg::Firmware.text, b[1], b[2] >> 4, b[2] & 15, b[5] >> 4, b[5] & 15, b[6] >> 4,
                  b[6] & 15, b[7] >> 4, b[7] & 15, b[8] >> 4, b[8] & 15);
    return text;
}

CTargetSettingsDlg::CTargetSettingsDlg(const TargetOptions &options, const std::uint8_t *identification)
    : halt_(options.haltEnabled()), adapter_(options.toAdapter()), maker_(options.vendor), chip_(options.chip) {
    if (maker_ < 0 || maker_ >= int(kMakers.size())) maker_ = 0;
    if (chip_ < 0 || chip_ >= chipCount()) chip_ = 0;
    information_ = identification ? identificationText(identification) : msg::NotConnected.text;
    information_ += msg::Imprint.text;
}

void CTargetSettingsDlg::selectMaker(int index) {
    if (index < 0 || index >= int(kMakers.size())) return;
    maker_ = index;
    chip_ = 0;
}

const char *CTargetSettingsDlg::chipName(int index) const {
    const int first = firstChipOfMaker(maker_);
    if (first < 0 || index < 0 || index >= chipCount()) return "";
    return FlashChipTable[std::size_t(first + index)].name;
}

void CTargetSettingsDlg::selectChip(int index) {
    if (index >= 0 && index < chipCount()) chip_ = index;
}

TargetOptions CTargetSettingsDlg::accept(const TargetOptions &previous) const {
    TargetOptions o = previous;
    o.halt = halt_ ? 1 : 0;
    o.flash = adapter_ ? 16 : 0;
    o.chip = chip_;
    o.vendor = maker_;
    return o;
}

}  // namespace vantor::emx31
