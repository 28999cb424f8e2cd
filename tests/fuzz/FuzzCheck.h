#pragma once
// What the fuzz targets share: a check that stays on in every build (a
// failure aborts, so the fuzzing engine keeps the input), and the limits that
// make a huge allocation of a fuzzed program an error instead of a finding.

#include <cstdio>
#include <cstdlib>
#include <new>

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

// Under AddressSanitizer an allocation beyond 64 MiB returns null, as an
// exhausted system would, so the program's "not enough memory" path runs.
// (Each target includes this header once.)
extern "C" __attribute__((used, visibility("default"))) const char* __asan_default_options() {
  return "allocator_may_return_null=1:max_allocation_size_mb=64";
}

// The same for operator new, which under AddressSanitizer would report a
// refused allocation instead of throwing std::bad_alloc: memory beyond
// 64 MiB per allocation is refused here as an exhausted system refuses it.
constexpr size_t FuzzAllocationLimit = size_t(64) << 20;
void* operator new(size_t n) {
  if (n > FuzzAllocationLimit) throw std::bad_alloc();
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept {
  return n > FuzzAllocationLimit ? nullptr : std::malloc(n ? n : 1);
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return operator new(n, std::nothrow); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
