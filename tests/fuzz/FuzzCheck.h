#pragma once
// What the fuzz targets share: a check that stays on in every build (a
// failure aborts, so the fuzzing engine keeps the input), and the limits that
// make a huge allocation of a fuzzed program an error instead of a finding.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                         \
  do {                                                                                \
    if (!(condition)) {                                                               \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                   \
    }                                                                                 \
  } while (0)

// Under AddressSanitizer an allocation beyond 64 MiB returns null, as an
// exhausted system would, so the program's "not enough memory" path runs.
// (Each target includes this header once.)
extern "C" __attribute__((used, visibility("default"))) const char* __asan_default_options() {
  return "allocator_may_return_null=1:max_allocation_size_mb=64";
}
