#include "engine/StackGuard.h"

#include <pthread.h>

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
}

}  // namespace TernioParser
