#pragma once
// The simulated LAN oscilloscope of examples/instruments, started as a child
// process on loopback addresses with ports the system chooses; it ends when
// the object goes.

#include <sys/types.h>

#include <string>
#include <vector>

namespace OstraTest {

class TLanOscilloscope {
public:
  // extra: more options (--portmapper 111, --slow 2, ...).
  explicit TLanOscilloscope(std::vector<std::string> extra = {});
  ~TLanOscilloscope();
  TLanOscilloscope(const TLanOscilloscope&) = delete;
  TLanOscilloscope& operator=(const TLanOscilloscope&) = delete;

  bool Ready = false;
  int SocketPort = 0, HislipPort = 0, CorePort = 0, PortMapper = 0;
  std::string Output;  // what it printed before READY (or why it failed)

private:
  pid_t Pid = -1;
  int Stdin = -1;
};

// The curve the simulator sends for CURV?, point i.
int CurvePoint(int i);

// Runs a shell command with a time limit; its exit code and output.
struct TShellRun {
  int Status = -1;
  std::string Out;
};
TShellRun Shell(const std::string& command, int seconds = 60);

}  // namespace OstraTest
