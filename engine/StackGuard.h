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

  static TStackGuard& Current() noexcept {
    thread_local TStackGuard guard;
    return guard;
  }
  // Sets the limit for the calling thread from its stack bounds.
  void Arm();
  bool Exceeded() const noexcept {
    char probe;
    return reinterpret_cast<uintptr_t>(&probe) < Limit;
  }
};

}  // namespace TernioParser
