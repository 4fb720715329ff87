#pragma once
// The C interface of the Artbank library: two index lookups and a resource finder.
#include <stdint.h>

#if defined(_WIN32)
#if defined(ARTBANK_BUILDING)
#define ARTBANK_API __declspec(dllexport)
#else
#define ARTBANK_API __declspec(dllimport)
#endif
#else
#define ARTBANK_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Bitmap id (3000..3067) of manufacturer `index` (0..101), 0 when it has no logo.
ARTBANK_API int32_t GetMfgRes(int32_t index);
// "ADP" document id (4000..4072) of adapter `index` (0..72), 0 when it has no document.
ARTBANK_API int32_t GetAdpRes(int32_t index);
// Bytes of resource `id` of `type` ("BITMAP": a device-independent bitmap without file
// header; "ADP": a Rich Text document), or null. *size receives the byte count.
ARTBANK_API const void *ArtbankFindResource(const char *type, int id, uint32_t *size);

#ifdef __cplusplus
}
#endif
