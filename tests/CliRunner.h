#pragma once
// Runs the headless runner ostracalc-cli as a child process, the way a user
// starts it from a shell, and collects what it printed.

#include <cstddef>
#include <string>
#include <vector>

namespace OstraTest {

struct TCliRun {
  int Status = -1;  // exit code, or 128 + signal
  std::string Out, Err;
  double Ms = 0;                 // from start to exit
  double AfterInterruptMs = -1;  // from the first SIGINT to exit
};

struct TCliOptions {
  std::string WorkDir{};           // the child's working folder; empty: this one
  std::vector<std::string> Env{};  // extra environment entries NAME=VALUE
  int InterruptAfterMs = -1;       // >= 0: SIGINT that long after the start,
  int Interrupts = 1;              // this many times, 2 ms apart
  std::string InterruptAfter{};    // non-empty: counted from when stdout holds this text
  size_t AddressSpaceLimit = 0;    // bytes of address space the child may map; 0: no limit
  std::string Program{};           // the runner to start; empty: the build's
};

// A child still running after 20 s is killed (status 128 + SIGKILL).
TCliRun RunCli(const std::vector<std::string>& args, const TCliOptions& options = {});

}  // namespace OstraTest
