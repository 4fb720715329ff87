#pragma once
// Layout of the resource table that artbank-gen writes (ArtbankData.cpp in the build tree).
#include <cstddef>
#include <cstdint>

namespace artbank {

struct Resource {
    const char *type;  // "BITMAP" or "ADP"
    int id;
    const unsigned char *data;
    std::uint32_t size;
};

extern const Resource kResources[];
extern const std::size_t kResourceCount;

}  // namespace artbank
