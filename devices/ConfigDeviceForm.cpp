#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/StringTable.h"
#include "devices/ConfigDeviceForm.h"
#include "devices/LockoutRisks.h"

namespace vantor {

using namespace cfg;

bool ConfigDeviceForm::open(const std::filesystem::path &path, const DeviceRecord &device) {
    ConfigFile file;
    if (!readConfigFile(path, prompt_, file)) return false;
    open(std::move(file), device);
    return true;
}

void ConfigDeviceForm::open(ConfigFile file, const DeviceRecord &device) {
    file_ = std::move(file);
    std::memcpy(working_.data(), device.config_data, kConfigDataSize);
    std::memcpy(areas_, device.memory_areas, sizeof areas_);
    device_ = device;
    build();
    showWorking();
}

void ConfigDeviceForm::build() {
    controls_.assign(file_.items.size(), Control{});
    int group = 0;
    bool newGroup = false;
    std::size_t openList = SIZE_MAX;  // the list the next entry would belong to
    for (std::size_t i = 0; i < file_.items.size(); ++i) {
        const Item &item = file_.items[i];
        Control &c = controls_[i];
        c.item = i;
        // An entry only belongs to a list when it directly follows the list or its entries.
        if (item.kind != kDropEntry) openList = SIZE_MAX;
        switch (item.kind) {
        case kGroupBox: newGroup = true; break;
        case kRadioButton:
            if (newGroup) {
                ++group;
                newGroup = false;
            }
            c.radioGroup = group;
            break;
        case kDropDown: openList = i; break;
        case kDropEntry:
            c.exists = false;
            if (openList != SIZE_MAX) controls_[openList].entries.push_back(i);
            break;
        default: break;
        }
    }
}

void ConfigDeviceForm::showWorking() {
    for (std::size_t i = 0; i < file_.items.size(); ++i) {
        const Item &item = file_.items[i];
        Control &c = controls_[i];
        const std::uint8_t d = working_[item.byteIndex];
        switch (item.kind) {
        case kHexField: {
            std::uint64_t v = 0;
            for (int b = item.valueBytes() - 1; b >= 0; --b) v = (v << 8) | working_[std::size_t(item.byteIndex + b)];
            if (item.bitCount < 32) v &= (std::uint64_t(1) << item.bitCount) - 1;
            char buf[16];
            std::snprintf(buf, sizeof buf, "%0*llX", item.hexDigits(), static_cast<unsigned long long>(v));
            c.text = buf;
            break;
        }
        case kRadioButton:
        case kCheckBox: c.checked = (d & item.mask) == item.value; break;
        case kDropDown:
            // The first entry whose value matches. Without one nothing is selected, and OK
            // keeps the bits: a legal setting the list does not name must not become another.
            c.selected = -1;
            for (std::size_t e = 0; e < c.entries.size(); ++e)
                if (file_.items[c.entries[e]].value == (d & item.mask)) {
                    c.selected = int(e);
                    break;
                }
            break;
        default: break;
        }
    }
}

void ConfigDeviceForm::restoreDefaults() {
    working_ = file_.defaults;
    showWorking();
}

void ConfigDeviceForm::setChecked(std::size_t item, bool on) {
    if (item >= controls_.size()) return;
    Control &c = controls_[item];
    const auto kind = file_.items[item].kind;
    if (isReadOnly(item)) return;
    if (kind == kCheckBox) {
        c.checked = on;
    } else if (kind == kRadioButton && on) {
        for (auto &other : controls_)
            if (other.radioGroup == c.radioGroup) other.checked = false;
        c.checked = true;
    }
}

bool ConfigDeviceForm::setHexText(std::size_t item, std::string_view text) {
    if (item >= controls_.size() || file_.items[item].kind != kHexField) return false;
    if (text.size() > std::size_t(file_.items[item].hexDigits())) return false;
    for (char ch : text)
        if (!std::isxdigit(static_cast<unsigned char>(ch))) return false;
    controls_[item].text = std::string(text);
    return true;
}

void ConfigDeviceForm::selectEntry(std::size_t item, int entry) {
    if (item >= controls_.size() || file_.items[item].kind != kDropDown) return;
    Control &c = controls_[item];
    if (entry >= -1 && entry < int(c.entries.size())) c.selected = entry;
}

std::uint32_t ConfigDeviceForm::hexValue(std::string_view text) {
    std::uint32_t v = 0;
    for (char ch : text) {
        const int d = std::isdigit(static_cast<unsigned char>(ch)) ? ch - '0' : (std::toupper(ch) - 'A' + 10);
        v = (v << 4) | std::uint32_t(d & 0xF);
    }
    return v;
}

bool ConfigDeviceForm::fieldRange(const Item &item, std::uint64_t &low, std::uint64_t &high) const {
    low = areas_[0].buffer_start;
    switch (item.rangeKind) {
    case 0: high = areas_[0].size_bytes; return true;
    case 1:
    case 2:
    case 3: high = std::uint64_t(areas_[item.rangeKind].buffer_start) + areas_[item.rangeKind].size_bytes; return true;
    case kRangeAny:
        low = 0;
        high = std::uint64_t(1) << item.bitCount;
        return true;
    default: return false;
    }
}

bool ConfigDeviceForm::accept() {
    for (std::size_t i = 0; i < file_.items.size(); ++i) {
        const Item &item = file_.items[i];
        const Control &c = controls_[i];
        std::uint8_t &d = working_[item.byteIndex];
        switch (item.kind) {
        case kHexField: {
            const std::uint32_t v = hexValue(c.text);
            std::uint64_t low = 0, high = 0;
            if (!fieldRange(item, low, high)) return false;
            if (v < low || v >= high) {
                char buf[512];
                std::snprintf(buf, sizeof buf, std::string(loadString(sid::ValueOutOfRangeFormat)).c_str(),
                              item.text.c_str(), unsigned(low), unsigned(high - 1));
                prompt_.ask(buf, "", Prompt::Icon::None);
                return false;
            }
            for (int b = 0; b < item.valueBytes(); ++b)
                working_[std::size_t(item.byteIndex + b)] = std::uint8_t(v >> (8 * b));
            break;
        }
        default: applyChoice(i, d); break;
        }
    }
    return true;
}

bool ConfigDeviceForm::applyChoice(std::size_t i, std::uint8_t &d) const {
    const Item &item = file_.items[i];
    const Control &c = controls_[i];
    switch (item.kind) {
    case kRadioButton:
        if (c.checked) d = std::uint8_t((d & ~item.mask) | item.value);
        return true;
    case kCheckBox:
        d = std::uint8_t((d & ~item.mask) | (c.checked ? item.value : (item.value ^ item.mask)));
        return true;
    case kDropDown:
        if (c.selected >= 0 && std::size_t(c.selected) < c.entries.size())
            d = std::uint8_t((d & ~item.mask) | file_.items[c.entries[std::size_t(c.selected)]].value);
        return true;
    default: return false;
    }
}

std::array<std::uint8_t, kConfigDataSize> ConfigDeviceForm::choicesApplied() const {
    auto bytes = working_;
    for (std::size_t i = 0; i < file_.items.size(); ++i) applyChoice(i, bytes[file_.items[i].byteIndex]);
    return bytes;
}

bool ConfigDeviceForm::isReadOnly(std::size_t item) const {
    const LockoutRule *rule = lockoutRule(file_, item, device_);
    return rule && lockoutReadOnly(*rule);
}

}  // namespace vantor
