#include <cstdarg>
#include <cstdint>
#include <cstdio>

#include "core/StringTable.h"
#include "devices/MemoryLayout.h"

namespace vantor {
namespace {

constexpr std::uint16_t kVendorAtmel = 10;
constexpr std::uint16_t kVendorMicrochip = 48;
constexpr std::uint16_t kVendorSst = 82;
constexpr std::uint16_t kVendorWinbond = 95;

// Formats are string-table texts, so they cannot be checked at compile time; every
// conversion in them takes an unsigned int.
std::string format(std::string_view fmt, ...) {
    const std::string f(fmt);
    va_list ap;
    va_start(ap, fmt);
    va_list ap2;
    va_copy(ap2, ap);
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
    const int n = std::vsnprintf(nullptr, 0, f.c_str(), ap);
    std::string out(n > 0 ? std::size_t(n) : 0, '\0');
    if (n > 0) std::vsnprintf(out.data(), out.size() + 1, f.c_str(), ap2);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    va_end(ap2);
    va_end(ap);
    return out;
}

bool isMcu(const DeviceRecord &d, std::uint16_t vendor) {
    return d.device_type == kTypeMcu && d.vendor_index == vendor;
}

// ATMEL's FLASH/EEPROM layout and WINBOND's APROM/LDROM layout need exactly two areas.
bool exactlyTwoAreas(const DeviceRecord &d) {
    return d.memory_areas[1].size_bytes != 0 && d.memory_areas[2].size_bytes == 0;
}

std::string sizePart(std::uint32_t size, const char *unit) {
    if (size >= 1024) return format("%uK %s", unsigned(size / 1024), unit);
    return format("%u %s", unsigned(size), unit);
}

// A range [first, last] is printed only when it holds at least one address; an absent
// area would otherwise wrap round to FFFFFFFFH.
bool nonEmpty(std::uint32_t first, std::uint32_t endExclusive) { return endExclusive > first; }

}  // namespace

bool AreaName(const DeviceRecord &d, int i, std::string &text) {
    if (isMcu(d, kVendorSst)) {
        text = format("Block%d", i);
        return true;
    }
    if (isMcu(d, kVendorAtmel) && exactlyTwoAreas(d)) {
        text = i == 0 ? "FLASH" : "EEPROM";
        return true;
    }
    if (isMcu(d, kVendorMicrochip)) {
        text = loadString(i == 0 ? sid::CodeMemory : sid::EepromMemory);
        return true;
    }
    if (isMcu(d, kVendorWinbond)) {
        if (d.area_count <= 1) text = "FLASH EEPROM";
        else text = i == 0 ? "FLASH EEPROM (APROM)" : "FLASH EEPROM (LDROM)";
        return true;
    }
    if (d.device_type == kTypeParallelMemory || d.device_type == kTypeSerialEeprom) {
        if (i != 0) return false;
        text = "EEPROM Memory";
        return true;
    }
    if (d.device_type == kTypeMcu) {
        if (i != 0) return false;
        text = "Code Memory";
        return true;
    }
    return false;
}

std::string AreaName(const DeviceRecord &device, int i) {
    std::string text;
    AreaName(device, i, text);
    return text;
}

std::string SizeText(const DeviceRecord &d) {
    std::string text;
    if (d.data_width != 8 && d.data_width != 16) {
        // The number is the area's byte size even though the unit says words.
        text = sizePart(d.memory_areas[0].size_bytes, "Words");
        const std::uint32_t size1 = d.memory_areas[1].size_bytes;
        if (size1 != 0) text += " + " + sizePart(size1, "Bytes");
        return text;
    }
    for (int i = 0; i < kMaxAreas; ++i) {
        const std::uint32_t size = d.memory_areas[i].size_bytes;
        if (size == 0) break;
        if (i > 0) text += " + ";
        text += sizePart(size, "Bytes");
    }
    return text;
}

std::string LayoutText(const DeviceRecord &d) {
    std::string text;
    const std::uint32_t size0 = d.memory_areas[0].size_bytes;
    const std::uint32_t start1 = d.memory_areas[1].buffer_start;
    const std::uint32_t size1 = d.memory_areas[1].size_bytes;
    const std::uint32_t end1 = start1 + size1;  // exclusive

    if (d.area_count > 1) text += loadString(sid::TwoMemoryAreasHeading);

    // Two-line layouts: each line is left out when its area is absent.
    auto twoLines = [&](int firstId, int secondId) {
        if (nonEmpty(0, size0)) text += format(loadString(firstId), 0u, unsigned(size0 - 1));
        if (nonEmpty(start1, end1)) text += format(loadString(secondId), unsigned(start1), unsigned(end1 - 1));
    };

    if (isMcu(d, kVendorSst)) {
        twoLines(sid::LayoutBlock0Format, sid::LayoutBlock1Format);
    } else if (isMcu(d, kVendorAtmel) && exactlyTwoAreas(d)) {
        twoLines(sid::LayoutFlashFormat, sid::LayoutEepromFormat);
    } else if (isMcu(d, kVendorWinbond) && exactlyTwoAreas(d)) {
        twoLines(sid::LayoutApromFormat, sid::LayoutLdromFormat);
    } else if (isMcu(d, kVendorMicrochip)) {
        // Word addresses on the device, byte addresses in the buffer (two bytes per word).
        text += "Memory   \tDevice Addr.(Word)  \tBuffer Addr.(BYTE)\n";
        if (nonEmpty(0, size0 / 2)) {
            text += loadString(sid::CodeMemory);
            text += format("\t%4.4XH --- %4.4XH   \t%4.4XH --- %4.4XH\n", 0u, unsigned(size0 / 2 - 1), 0u,
                           unsigned(size0 - 1));
        }
        text += "ID0~ID3    \t2000H --- 2003H   \t4000H --- 4007H\n";
        text += loadString(sid::ConfigWordLabel);
        text += "\t2007H             \t400EH --- 400FH\n";
        if (nonEmpty(start1 / 2, end1 / 2)) {
            text += loadString(sid::EepromMemory);
            text += format("\t%4.4XH --- %4.4XH \t%4.4XH --- %4.4XH\n", unsigned(start1 / 2), unsigned(end1 / 2 - 1),
                           unsigned(start1), unsigned(end1 - 1));
        }
    }
    return text;
}

}  // namespace vantor
