#include "engine/Events.h"

#include <chrono>

namespace TernioParser {

namespace {
// One lock and one condition for all events: waits on several events at once
// stay simple, and events are signalled rarely (Break, panel operations).
std::mutex& Lock() {
  static std::mutex m;
  return m;
}
std::condition_variable& Changed() {
  static std::condition_variable c;
  return c;
}
}  // namespace

void TEvent::Set() {
  {
    std::lock_guard<std::mutex> g(Lock());
    Signalled = true;
  }
  Changed().notify_all();
}

void TEvent::Reset() {
  std::lock_guard<std::mutex> g(Lock());
  Signalled = false;
}

bool TEvent::IsSet() const {
  std::lock_guard<std::mutex> g(Lock());
  return Signalled;
}

int TEvent::WaitAny(std::initializer_list<TEvent*> events, int64_t timeoutMs) {
  std::unique_lock<std::mutex> g(Lock());
  auto ready = [&]() -> int {
    int i = 0;
    for (TEvent* e : events) {
      if (e->Signalled) {
        if (!e->ManualReset) e->Signalled = false;
        return i;
      }
      ++i;
    }
    return -1;
  };
  int hit = ready();
  if (hit >= 0 || timeoutMs == 0) return hit;
  if (timeoutMs < 0) {
    Changed().wait(g, [&] { return (hit = ready()) >= 0; });
    return hit;
  }
  Changed().wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return (hit = ready()) >= 0; });
  return hit;
}

}  // namespace TernioParser
