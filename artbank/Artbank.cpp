#include <cstring>

#include "artbank/Artbank.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include "ArtbankResources.h"
#endif

namespace {

constexpr int kMfgCount = 102;
constexpr int kAdpCount = 73;

// Manufacturer index -> logo bitmap id. Some logos (3006, 3008, ...) are reachable by id only.
constexpr int32_t kMfgRes[kMfgCount] = {0,    3000, 3001, 3002, 3003, 3004, 3005, 0,    3007, 3009,  // 0..9
                                        3010, 3011, 0,    3012, 0,    0,    0,    3013, 3014, 0,     // 10..19
                                        0,    3016, 3017, 3018, 3019, 0,    0,    0,    0,    0,     // 20..29
                                        0,    3021, 3022, 3023, 0,    0,    3025, 3026, 0,    0,     // 30..39
                                        3028, 3029, 3030, 0,    0,    3031, 3033, 3034, 3035, 3036,  // 40..49
                                        3037, 3038, 0,    3039, 0,    3041, 0,    3042, 0,    3044,  // 50..59
                                        3043, 3045, 3046, 0,    3047, 0,    3048, 0,    3049, 0,     // 60..69
                                        3050, 3051, 0,    0,    3052, 0,    0,    0,    3053, 0,     // 70..79
                                        0,    0,    3055, 3056, 0,    0,    0,    0,    3057, 3059,  // 80..89
                                        3060, 3061, 3062, 0,    0,    3063, 3064, 3065, 3058, 3066,  // 90..99
                                        3067, 0};                                                    // 100..101

}  // namespace

// Indexes come from device libraries; one outside the table finds nothing rather than
// reading past it.
extern "C" int32_t GetMfgRes(int32_t index) { return index >= 0 && index < kMfgCount ? kMfgRes[index] : 0; }

extern "C" int32_t GetAdpRes(int32_t index) {
    if (index < 0 || index >= kAdpCount) return 0;
    if (index >= 8 && index <= 19) return 0;  // the generic "ISP" rows have no document
    return 4000 + index;
}

#if defined(_WIN32)

static HMODULE selfModule() {
    HMODULE m = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&GetMfgRes), &m);
    return m;
}

extern "C" const void *ArtbankFindResource(const char *type, int id, uint32_t *size) {
    if (size) *size = 0;
    if (!type) return nullptr;
    HMODULE m = selfModule();
    LPCSTR resType = std::strcmp(type, "BITMAP") == 0 ? reinterpret_cast<LPCSTR>(RT_BITMAP) : type;
    HRSRC r = FindResourceA(m, MAKEINTRESOURCEA(id), resType);
    if (!r) return nullptr;
    HGLOBAL g = LoadResource(m, r);
    if (!g) return nullptr;
    if (size) *size = SizeofResource(m, r);
    return LockResource(g);
}

#else

extern "C" const void *ArtbankFindResource(const char *type, int id, uint32_t *size) {
    if (size) *size = 0;
    if (!type) return nullptr;
    for (std::size_t i = 0; i < artbank::kResourceCount; ++i) {
        const artbank::Resource &r = artbank::kResources[i];
        if (r.id == id && std::strcmp(r.type, type) == 0) {
            if (size) *size = r.size;
            return r.data;
        }
    }
    return nullptr;
}

#endif
