#pragma once
#include <cstdint>

namespace vantor {

// The operation options, in their stored order; the engine reads them through a pointer.
struct OptionsRecord {
    std::int32_t ChkDevID = 1;
    std::int32_t rangeFirst = 0;
    std::int32_t rangeLast = 0;
    std::int32_t Sound = 1;
    std::int32_t pinContact = 0;  // kept only by the settings dialog
    std::int32_t AutoReload = 1;
    std::uint32_t areaMask = 3;  // low byte: bit 0 area 0, bit 1 area 1
    std::int32_t IngoreFFH = 1;
};

}  // namespace vantor
