#include "engine/StackGuard.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

namespace TernioParser {

void TStackGuard::Arm() {
  Overflowed = false;
  if (Limit) return;
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) != 0) return;
  void* base = nullptr;
  size_t size = 0;
  if (pthread_attr_getstack(&attr, &base, &size) == 0 && size > 0) {
    // Keep room for the deepest expression a call can evaluate before the
    // next call checks again, and for the unwinding itself.
    size_t margin = std::min<size_t>(size / 4, 4u << 20);
    Limit = reinterpret_cast<uintptr_t>(base) + margin;
  }
  pthread_attr_destroy(&attr);
  // A quarter of the address space the process may map, an eighth of the
  // physical memory, 1 GiB at most.
  rlimit space{};
  if (getrlimit(RLIMIT_AS, &space) == 0 && space.rlim_cur != RLIM_INFINITY)
    MaxHeldBytes = std::min<int64_t>(MaxHeldBytes, static_cast<int64_t>(space.rlim_cur / 4));
  const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
  if (pages > 0 && pageSize > 0) MaxHeldBytes = std::min<int64_t>(MaxHeldBytes, int64_t(pages) * pageSize / 8);
}

}  // namespace TernioParser
