#pragma once
// Runaway recursion of user-defined functions ends in a result instead of a
// crash: each call compares the stack position with a limit below which it
// refuses to go deeper. The limit belongs to the evaluating thread.

#include <cstdint>

namespace TernioParser {

struct TStackGuard {
  // Lowest stack address a call may start at; 0: no limit known.
  uintptr_t Limit = 0;
  // A call was refused since the evaluation entry began.
  bool Overflowed = false;
  // Bytes of array contents the pending calls have put aside (the callers'
  // locals and array parameters). Recursion that copies arrays fills memory
  // long before the stack: past MaxHeldBytes a call is refused as well.
  int64_t HeldBytes = 0;
  int64_t MaxHeldBytes = int64_t(1) << 30;

  static TStackGuard& Current() noexcept {
    thread_local TStackGuard guard;
    return guard;
  }
  // Sets the limits for the calling thread from its stack bounds and the
  // memory the process may have.
  void Arm();
  bool Exceeded() const noexcept {
    char probe;
    return reinterpret_cast<uintptr_t>(&probe) < Limit || HeldBytes > MaxHeldBytes;
  }
};

}  // namespace TernioParser
