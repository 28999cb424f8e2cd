// The simulated instruments of examples/instruments with their demo macros,
// run as the README tells a user to: simulator in the background, macro in
// ostracalc-cli.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "InstrumentTestSupport.h"
#include "TestSupport.h"

namespace {

const std::string Examples = std::string(OSTRA_SOURCE_DIR) + "/examples/instruments/";

// A simulator started in the background; its first output line is kept.
class TSimulator {
public:
  explicit TSimulator(std::vector<std::string> args) {
    int out[2];
    if (access("/usr/bin/python3", X_OK) != 0 || pipe(out) != 0) return;
    Pid = fork();
    if (Pid == 0) {
      dup2(out[1], 1);
      close(out[0]);
      close(out[1]);
      std::vector<char*> argv{const_cast<char*>("/usr/bin/python3")};
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv("/usr/bin/python3", argv.data());
      _exit(127);
    }
    close(out[1]);
    // Its first line, within 10 s.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    pollfd p{out[0], POLLIN, 0};
    while (FirstLine.find('\n') == std::string::npos && std::chrono::steady_clock::now() < end) {
      if (poll(&p, 1, 50) <= 0) continue;
      char c;
      if (read(out[0], &c, 1) != 1) break;
      FirstLine += c;
    }
    close(out[0]);
    if (!FirstLine.empty() && FirstLine.back() == '\n') FirstLine.pop_back();
  }
  ~TSimulator() {
    if (Pid > 0) {
      kill(Pid, SIGTERM);
      waitpid(Pid, nullptr, 0);
    }
  }
  bool Started() const { return Pid > 0 && !FirstLine.empty(); }
  std::string FirstLine;

private:
  pid_t Pid = -1;
};

}  // namespace

TEST(InstrumentExamples, SerialSimulatorAndDemo) {
  TSimulator sim({Examples + "serial_instrument.py", "--seconds", "30"});
  if (!sim.Started()) GTEST_SKIP() << "python3 is not available";
  ASSERT_EQ(sim.FirstLine.rfind("/dev/", 0), 0u) << sim.FirstLine;
  OstraTest::TCliRun r =
      OstraTest::RunCli({Examples + "serial_demo.sma"}, {.Env = {"OSTRA_SERIAL_0=" + sim.FirstLine}});
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out.rfind("instrument: OSTRA SIMULATED INSTRUMENT,SERIAL,0,1.0\nreading 0: ", 0), 0u) << r.Out;
  EXPECT_NE(r.Out.find("\ncurve: 64 bytes, largest 255\n1.2"), std::string::npos) << r.Out;
}

TEST(InstrumentExamples, UdpPeerAndDemo) {
  TSimulator sim({Examples + "udp_peer.py", "--seconds", "30"});
  if (!sim.Started()) GTEST_SKIP() << "python3 is not available, or port 5025 is in use";
  EXPECT_EQ(sim.FirstLine, "listening on 127.0.0.1 port 5025");
  OstraTest::TCliRun r = OstraTest::RunCli({Examples + "udp_demo.sma"});
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out.rfind("peer: OSTRA SIMULATED INSTRUMENT,UDP,0,1.0\nreading 0: ", 0), 0u) << r.Out;
  EXPECT_NE(r.Out.find("\nscan: 100 bytes, peak at "), std::string::npos) << r.Out;
}

TEST(InstrumentExamples, GpibDemoWithTheStandInLibrary) {
  OstraTest::TCliRun r =
      OstraTest::RunCli({Examples + "gpib_demo.sma"}, {.Env = {"OSTRA_GPIB_LIBRARY=" OSTRA_GPIB_STANDIN}});
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out,
            "device: OSTRA INSTRUMENTS,GPIB STAND-IN,5,1.0\n"
            "reading 0: 1.2345\nreading 1: 1.2345\nreading 2: 1.2345\nreading 3: 1.2345\nreading 4: 1.2345\n"
            "echoed block: 3 bytes\n1.2345\n");
  OstraTest::TCliRun none =
      OstraTest::RunCli({Examples + "gpib_demo.sma"}, {.Env = {"OSTRA_GPIB_LIBRARY=/nonexistent/libgpib.so"}});
  EXPECT_EQ(none.Out, "no GPIB device at address 5 (status 32768)\n0\n");
}
