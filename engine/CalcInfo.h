#pragma once
// The calculation context of a run: error state, stop request and the events
// that waits of a running program wake up on.

#include <atomic>
#include <string>

#include "engine/Events.h"
#include "engine/Host.h"

namespace TernioParser {

class TCalcInfo {
public:
  std::string Message;
  bool Error = false;
  std::atomic<bool> StopRequested{false};
  TEvent StopEvent{true};
  TEvent PanelEvent{false};
  // The services of the application hosting the run.
  THost Host;

  void Reset() {
    ClearError();
    ClearStop();
  }
  void ClearError() {
    Error = false;
    Message.clear();
  }
  void ClearStop() {
    StopRequested.store(false, std::memory_order_relaxed);
    StopEvent.Reset();
  }
  void SetError(std::string message) {
    Error = true;
    Message = std::move(message);
  }
  void SetErrorFlag(bool on) { Error = on; }
  // Callable from any thread.
  void RequestStop() {
    StopRequested.store(true, std::memory_order_relaxed);
    StopEvent.Set();
  }
  bool Stopping() const { return StopRequested.load(std::memory_order_relaxed); }
};

}  // namespace TernioParser
