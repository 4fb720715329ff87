#include "core/LargeBlock.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace vantor {

namespace {
constexpr std::size_t kHugePage = std::size_t(2) << 20;
}

void *allocateLarge(std::size_t bytes) {
    if (bytes < kHugePage) return ::operator new(bytes);
    void *block = ::operator new(bytes, std::align_val_t(kHugePage));
#ifdef __linux__
    // Advice only: where huge pages are off it is refused, and ordinary pages serve.
    ::madvise(block, bytes, MADV_HUGEPAGE);
#endif
    return block;
}

void freeLarge(void *block, std::size_t bytes) noexcept {
    if (!block) return;
    if (bytes < kHugePage) ::operator delete(block);
    else ::operator delete(block, std::align_val_t(kHugePage));
}

}  // namespace vantor
