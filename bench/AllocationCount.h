#pragma once
// Counts heap allocations (malloc, calloc, realloc and everything built on them, Qt's containers
// and operator new included) for the micro-benchmarks. Not in sanitizer builds, whose runtime
// owns malloc.

#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
inline long allocationCount() { return -1; }
#else
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
}

inline long& allocationCounter() {
    static long count = 0;
    return count;
}
inline long allocationCount() { return allocationCounter(); }

extern "C" void* malloc(size_t size) noexcept {
    ++allocationCounter();
    return __libc_malloc(size);
}
extern "C" void* calloc(size_t n, size_t size) noexcept {
    ++allocationCounter();
    return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, size_t size) noexcept {
    ++allocationCounter();
    return __libc_realloc(p, size);
}
#endif
