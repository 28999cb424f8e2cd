#include "VisaSimulator.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace OstraTest {

TLanOscilloscope::TLanOscilloscope(std::vector<std::string> extra) {
  int in[2], out[2];
  if (pipe(in) != 0) return;
  if (pipe(out) != 0) {
    close(in[0]);
    close(in[1]);
    return;
  }
  std::vector<std::string> args = {"/usr/bin/python3",
                                   std::string(OSTRA_SOURCE_DIR) + "/examples/instruments/lan_oscilloscope.py",
                                   "--host",
                                   "127.0.0.1",
                                   "--host",
                                   "::1",
                                   "--socket-port",
                                   "0",
                                   "--hislip-port",
                                   "0",
                                   "--portmapper",
                                   "0"};
  args.insert(args.end(), extra.begin(), extra.end());
  Pid = fork();
  if (Pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(out[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1]}) close(fd);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  Stdin = in[1];
  // READY within 60 s: Python starts slowly on a loaded machine.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (Output.find("READY\n") == std::string::npos && std::chrono::steady_clock::now() < end) {
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char buf[512];
    ssize_t n = read(out[0], buf, sizeof buf);
    if (n <= 0) break;
    Output.append(buf, static_cast<size_t>(n));
  }
  close(out[0]);
  std::istringstream lines(Output);
  std::string word;
  while (lines >> word) {
    if (word == "SOCKET") lines >> SocketPort;
    else if (word == "HISLIP") lines >> HislipPort;
    else if (word == "VXI11") lines >> CorePort;
    else if (word == "PORTMAPPER") lines >> PortMapper;
    else if (word == "READY") Ready = true;
  }
}

TLanOscilloscope::~TLanOscilloscope() {
  if (Stdin >= 0) close(Stdin);
  if (Pid <= 0) return;
  for (int i = 0; i < 100; ++i) {
    if (waitpid(Pid, nullptr, WNOHANG) == Pid) return;
    usleep(20000);
  }
  kill(Pid, SIGKILL);
  waitpid(Pid, nullptr, 0);
}

int CurvePoint(int i) {
  const double pi = 3.14159265358979323846;
  return static_cast<int>(128 + 100 * std::sin(2 * pi * (i % 1000) / 1000) + 20 * std::sin(2 * pi * (i % 1000) / 77));
}

TShellRun Shell(const std::string& command, int seconds) {
  TShellRun r;
  std::string quoted;
  for (char c : command) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  const std::string full = "timeout " + std::to_string(seconds) + " sh -c '" + quoted + "' 2>&1";
  FILE* p = popen(full.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.Out.append(buf, n);
  const int st = pclose(p);
  r.Status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

}  // namespace OstraTest
