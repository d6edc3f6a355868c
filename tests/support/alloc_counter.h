#pragma once
// Counts calls of the global operator new while gCountAllocations is set. It replaces the
// program's global allocator, so exactly one source file of a program includes it.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

inline std::atomic<bool> gCountAllocations{false};
inline std::atomic<uint64_t> gAllocations{0};

inline void* CountedAlloc(size_t size) {
  if (gCountAllocations.load(std::memory_order_relaxed))
    gAllocations.fetch_add(1, std::memory_order_relaxed);
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

void* operator new(size_t size) { return CountedAlloc(size); }
void* operator new[](size_t size) { return CountedAlloc(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
