#pragma once
// Events a thread can wait on, alone or several together, with a time-out.

#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>

namespace TernioParser {

class TEvent {
public:
  // A manual-reset event stays signalled until Reset; an auto-reset event is
  // reset by the wait that it releases.
  explicit TEvent(bool manualReset) : ManualReset(manualReset) {}
  TEvent(const TEvent&) = delete;
  TEvent& operator=(const TEvent&) = delete;

  void Set();
  void Reset();
  bool IsSet() const;

  // Waits until one of the events is signalled or the time-out (in
  // milliseconds, negative: forever) passes. Returns the index of the event
  // that released the wait, or -1 on time-out. An auto-reset event that
  // releases the wait is reset by it.
  static int WaitAny(std::initializer_list<TEvent*> events, int64_t timeoutMs);
  bool Wait(int64_t timeoutMs) { return WaitAny({this}, timeoutMs) == 0; }

private:
  const bool ManualReset;
  bool Signalled = false;
};

}  // namespace TernioParser
