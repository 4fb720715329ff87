#pragma once
#include <cstddef>
#include <memory>
#include <new>
#include <utility>

// Memory for blocks of megabytes: the 8 MiB buffer and whole data files. A fresh page costs a
// fault on first touch, and on a virtual machine the thousands of faults of an 8 MiB block cost more
// than the work done in it. Where the system offers them, such blocks are backed by huge pages,
// which take a few faults instead.
namespace vantor {

// Throws std::bad_alloc like operator new; freeLarge takes the same byte count.
void *allocateLarge(std::size_t bytes);
void freeLarge(void *block, std::size_t bytes) noexcept;

// Frees a large array of known size, for std::unique_ptr<T[], LargeBlockDeleter>.
struct LargeBlockDeleter {
    std::size_t bytes = 0;
    void operator()(void *block) const noexcept { freeLarge(block, bytes); }
};

// A vector allocator for bytes that are overwritten at once, such as a file read over them: new
// elements are left uninitialised, since zeroing tens of megabytes first would cost as much as the
// read.
template <class T>
struct LargeBlockAllocator {
    using value_type = T;
    LargeBlockAllocator() = default;
    template <class U>
    LargeBlockAllocator(const LargeBlockAllocator<U> &) noexcept {}
    T *allocate(std::size_t n) { return static_cast<T *>(allocateLarge(n * sizeof(T))); }
    void deallocate(T *p, std::size_t n) noexcept { freeLarge(p, n * sizeof(T)); }
    template <class U>
    void construct(U *p) noexcept {
        ::new (static_cast<void *>(p)) U;
    }
    template <class U, class... Args>
    void construct(U *p, Args &&...args) {
        ::new (static_cast<void *>(p)) U(std::forward<Args>(args)...);
    }
    template <class U>
    bool operator==(const LargeBlockAllocator<U> &) const noexcept {
        return true;
    }
};

}  // namespace vantor
