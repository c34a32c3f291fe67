#include "counting_allocator.h"

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

namespace {

std::atomic<long> allocations{0};

void* allocate(std::size_t size) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}

// Over-aligned blocks: the start of the malloc'd block is kept just before
// the aligned address, so the matching delete can find it.
void* allocateAligned(std::size_t size, std::align_val_t alignment) noexcept {
    const std::size_t align = static_cast<std::size_t>(alignment);
    void* raw = allocate(size + align + sizeof(void*));
    if (raw == nullptr) return nullptr;
    void* aligned = static_cast<char*>(raw) + sizeof(void*);
    std::size_t space = size + align;
    std::align(align, size, aligned, space);
    static_cast<void**>(aligned)[-1] = raw;
    return aligned;
}

void releaseAligned(void* block) noexcept {
    if (block != nullptr) std::free(static_cast<void**>(block)[-1]);
}

void* allocateOrThrow(std::size_t size) {
    void* block = allocate(size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void* allocateAlignedOrThrow(std::size_t size, std::align_val_t alignment) {
    void* block = allocateAligned(size, alignment);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

}  // namespace

namespace alloc_test {

long allocationCount() {
    return allocations.load(std::memory_order_relaxed);
}

}  // namespace alloc_test

void* operator new(std::size_t size) { return allocateOrThrow(size); }
void* operator new[](std::size_t size) { return allocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new(std::size_t size, std::align_val_t align) { return allocateAlignedOrThrow(size, align); }
void* operator new[](std::size_t size, std::align_val_t align) { return allocateAlignedOrThrow(size, align); }
void* operator new(std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
    return allocateAligned(size, align);
}
void* operator new[](std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
    return allocateAligned(size, align);
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { releaseAligned(block); }
void operator delete[](void* block, std::align_val_t) noexcept { releaseAligned(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { releaseAligned(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { releaseAligned(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept { releaseAligned(block); }
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept { releaseAligned(block); }
