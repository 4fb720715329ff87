#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace vantor {

// Bytes as "1E 95 0F".
inline std::string hexBytes(const std::uint8_t *p, int n) {
    std::string s;
    char b[4];
    for (int i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, i ? " %2.2X" : "%2.2X", p[i]);
        s += b;
    }
    return s;
}

// "0x1F00": a 16-bit address, as the debuggers show code and data addresses.
inline std::string hexAddress(std::uint32_t address) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", unsigned(address & 0xFFFF));
    return text;
}

}  // namespace vantor
