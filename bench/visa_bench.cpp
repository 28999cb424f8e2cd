// VISA sessions against the simulated LAN oscilloscope on loopback: the
// *IDN? round trip of visaquery over raw SCPI next to the same exchange
// written in C against the socket, and visareadblock of the 10^6-byte curve
// over raw SCPI, VXI-11 and HiSLIP.
//
// Usage: visa_bench   (prints one line per figure)

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "BenchRun.h"
#include "workbench/Libraries.h"

using namespace TernioParser;
using OstraBench::Run;

namespace {

using TClock = std::chrono::steady_clock;

// The simulator as a child; it ends when its standard input closes.
struct TScope {
  pid_t Pid = -1;
  int In = -1;
  int Socket = 0, Hislip = 0, Mapper = 0;
  TScope() {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return;
    Pid = fork();
    if (Pid == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      const std::string sim = std::string(OSTRA_SOURCE_DIR) + "/examples/instruments/lan_oscilloscope.py";
      execl("/usr/bin/python3",
            "python3",
            sim.c_str(),
            "--socket-port",
            "0",
            "--hislip-port",
            "0",
            "--portmapper",
            "0",
            static_cast<char*>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    In = in[1];
    std::string text;
    char buf[256];
    ssize_t n;
    while (text.find("READY\n") == std::string::npos && (n = read(out[0], buf, sizeof buf)) > 0) text.append(buf, n);
    close(out[0]);
    std::istringstream s(text);
    std::string w;
    while (s >> w) {
      if (w == "SOCKET") s >> Socket;
      else if (w == "HISLIP") s >> Hislip;
      else if (w == "PORTMAPPER") s >> Mapper;
    }
  }
  ~TScope() {
    close(In);
    if (Pid > 0) {
      kill(Pid, SIGTERM);
      waitpid(Pid, nullptr, 0);
    }
  }
};

// A TCP connection to port on 127.0.0.1, without Nagle's delay; -1 on failure.
int ConnectLoopback(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

// The round trip in C: send, then read up to the line feed.
double CRoundTripUs(int port, int n) {
  const int fd = ConnectLoopback(port);
  if (fd < 0) return -1;
  char buf[256];
  const auto start = TClock::now();
  for (int i = 0; i < n; ++i) {
    send(fd, "*IDN?\n", 6, 0);
    for (;;) {
      ssize_t k = recv(fd, buf, sizeof buf, 0);
      if (k <= 0 || buf[k - 1] == '\n') break;
    }
  }
  const double us = std::chrono::duration<double, std::micro>(TClock::now() - start).count() / n;
  close(fd);
  return us;
}

// The curve in C: CURV?, then the header and the 10^6 bytes and the line
// feed read straight into one buffer; MB/s.
double CBlockMBs(int port, int blocks) {
  const int fd = ConnectLoopback(port);
  if (fd < 0) return -1;
  std::vector<char> buf(1000010);
  const auto start = TClock::now();
  for (int i = 0; i < blocks; ++i) {
    send(fd, "CURV?\n", 6, 0);
    size_t got = 0;
    while (got < buf.size()) {
      ssize_t k = recv(fd, buf.data() + got, buf.size() - got, 0);
      if (k <= 0) return -1;
      got += static_cast<size_t>(k);
    }
  }
  const double s = std::chrono::duration<double>(TClock::now() - start).count();
  close(fd);
  return blocks / s;
}

}  // namespace

int main() {
  TScope scope;
  if (!scope.Socket) {
    std::printf("VISA: the simulator did not start\n");
    return 1;
  }
  setenv("OSTRA_VXI11_PORTMAPPER", std::to_string(scope.Mapper).c_str(), 1);
  const std::string socket = "TCPIP::127.0.0.1::" + std::to_string(scope.Socket) + "::SOCKET";
  const int n = 2000;
  // Best of five rounds each, taken in turn.
  double c = 1e9, ours = 1e9;
  for (int round = 0; round < 5; ++round) {
    c = std::min(c, CRoundTripUs(scope.Socket, n));
    const double ms = Run("visaopen(0;'" + socket + "';2000), t=gettime(), for(i=0;i<" + std::to_string(n) +
                          ";i+=1; visaquery(0;'*IDN?')), gettime()-t");
    ours = std::min(ours, ms * 1000 / n);
  }
  std::printf("*IDN? round trip over raw SCPI: visaquery %.1f us, C client %.1f us (difference %.1f us)\n",
              ours,
              c,
              ours - c);
  const struct {
    const char* Name;
    std::string Resource;
  } kinds[] = {{"raw SCPI", socket},
               {"VXI-11", "TCPIP::127.0.0.1::INSTR"},
               {"HiSLIP", "TCPIP::127.0.0.1::hislip0," + std::to_string(scope.Hislip) + "::INSTR"}};
  double cBest = 0;
  for (int round = 0; round < 3; ++round) cBest = std::max(cBest, CBlockMBs(scope.Socket, 20));
  std::printf("CURV? block of 10^6 bytes over raw SCPI, C client: %.0f MB/s\n", cBest);
  for (const auto& k : kinds) {
    const int blocks = 20;
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
      const double ms = Run("visaopen(0;'" + k.Resource + "';5000), t=gettime(), ok=0, for(i=0;i<" +
                            std::to_string(blocks) + ";i+=1; visawrite(0;'CURV?'), " +
                            "if(visareadblock(0;c[])==1000000; ok+=1; 0)), if(ok==" + std::to_string(blocks) +
                            "; gettime()-t; -1)");
      if (ms > 0) best = std::min(best, ms);
    }
    std::printf("visareadblock of 10^6 bytes over %s: %.0f MB/s (%d blocks in %.0f ms)\n",
                k.Name,
                blocks * 1.0 / best * 1000,
                blocks,
                best);
  }
  return 0;
}
