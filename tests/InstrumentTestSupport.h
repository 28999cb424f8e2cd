#pragma once
// Real endpoints for the instrument tests: an instrument played on the master
// side of a pseudo-terminal, and ostracalc-cli run as a child process with a
// bounded wait.

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace OstraTest {

using TClock = std::chrono::steady_clock;

// Milliseconds from t until now.
inline double MsSince(TClock::time_point t) {
  return std::chrono::duration<double, std::milli>(TClock::now() - t).count();
}

// A pseudo-terminal pair whose slave is the device the calculator opens; a
// thread on the master side answers each line (ended by CR) with what
// Answer returns for it (nothing when empty).
class TPtyInstrument {
public:
  explicit TPtyInstrument(std::function<std::string(const std::string&)> answer = nullptr);
  ~TPtyInstrument();
  TPtyInstrument(const TPtyInstrument&) = delete;
  TPtyInstrument& operator=(const TPtyInstrument&) = delete;

  // The slave's path, to put into OSTRA_SERIAL_<n>.
  std::string Device;
  // Sends bytes to the calculator.
  void Send(const std::string& bytes);
  // Every byte the calculator has sent so far.
  std::string Received();
  // Waits up to ms for at least n bytes from the calculator.
  bool WaitReceived(size_t n, int ms);
  int MasterFd() const { return Master; }
  // The device vanishes: the master side closes.
  void Vanish();

private:
  int Master = -1;
  std::atomic<bool> Stop{false};
  std::function<std::string(const std::string&)> Answer;
  std::mutex Lock;
  std::string All, Line;
  std::thread Thread;
  void Run();
};

// The instrument the examples and the end-to-end tests talk to: *IDN? gives
// an identification line ended by CR LF, READ? a reading, CURVE? a block of
// the bytes 1..8 (no terminator); other lines get no answer.
std::string StandardAnswer(const std::string& line);

// Sets an environment variable for the lifetime of the object.
class TScopedEnv {
public:
  TScopedEnv(const std::string& name, const std::string& value);
  ~TScopedEnv();
  TScopedEnv(const TScopedEnv&) = delete;
  TScopedEnv& operator=(const TScopedEnv&) = delete;

private:
  std::string Name, Old;
  bool HadOld;
};

}  // namespace OstraTest
