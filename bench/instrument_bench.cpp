// Instrument throughput: udpreceivebin in a program loop against a loopback
// sender, commreadln against a pseudo-terminal that sends lines without
// pause, and the cost of one GPIB call through the binding against the
// stand-in driver library, compared with calling the library directly.
//
// Usage: instrument_bench   (prints one line per figure)

#include <arpa/inet.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "instruments/Gpib.h"
#include "BenchRun.h"
#include "workbench/Libraries.h"

using namespace TernioParser;
using OstraBench::Run;

namespace {

using TClock = std::chrono::steady_clock;

void UdpReceive() {
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  const int port = ntohs(a.sin_port);
  std::atomic<bool> stop{false};
  std::thread sender([&] {
    // Learns the calculator's port from its first datagram, then sends
    // 64-byte datagrams as fast as the socket takes them.
    char buf[64] = {};
    sockaddr_in peer{};
    socklen_t plen = sizeof peer;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 5000) <= 0) return;
    recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&peer), &plen);
    while (!stop) sendto(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&peer), plen);
  });
  const int n = 50000;
  const double ms = Run("udpcreate(0;'127.0.0.1';" + std::to_string(port) +
                        ";1000), udpsendstring(0;'go'), t=gettime(), n=0, while(n<" + std::to_string(n) +
                        "; if(udpreceivebin(0;a[])==64; n+=1; 0)), udpclose(0), gettime()-t");
  stop = true;
  sender.join();
  close(fd);
  std::printf("udpreceivebin, 64-byte datagrams from a loopback sender: %.0f datagrams/s (%d in %.0f ms)\n",
              n / ms * 1000,
              n,
              ms);
}

void SerialReadLines() {
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  grantpt(master);
  unlockpt(master);
  setenv("OSTRA_SERIAL_0", ptsname(master), 1);
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  std::atomic<bool> stop{false};
  std::thread sender([&] {
    std::string lines;
    for (int i = 0; i < 400; ++i) lines += "+1.234567E-03\r";
    size_t at = 0;
    while (!stop) {
      ssize_t w = write(master, lines.data() + at, lines.size() - at);
      if (w > 0) at = (at + static_cast<size_t>(w)) % lines.size();
      else {
        pollfd p{master, POLLOUT, 0};
        poll(&p, 1, 5);
      }
    }
  });
  const int n = 20000;
  // Every line is checked, so that a line read wrong cannot pass unseen.
  const double ms = Run("commopen(0;'115200,n,8,1';1000), commreadln(0), t=gettime(), good=0, for(i=0;i<" +
                        std::to_string(n) + ";i+=1;if(strcmp(commreadln(0);'+1.234567E-03')==0; good+=1; 0)), " +
                        "if(good==" + std::to_string(n) + "; gettime()-t; -1)");
  stop = true;
  sender.join();
  close(master);
  std::printf("commreadln, 13-character lines from a pseudo-terminal at 115200 baud: %.0f lines/s (%d in %.0f ms)\n",
              n / ms * 1000,
              n,
              ms);
}

void GpibCall() {
  void* lib = dlopen(OSTRA_GPIB_STANDIN, RTLD_NOW);
  if (!lib) {
    std::printf("GPIB: stand-in library not found\n");
    return;
  }
  auto direct = reinterpret_cast<int (*)(int, int)>(dlsym(lib, "ibtmo"));
  auto reset = reinterpret_cast<void (*)()>(dlsym(lib, "StandInReset"));
  TGpibDriver driver({OSTRA_GPIB_STANDIN});
  const int ud = driver.ibdev(0, 5, 0, 12, 1, 0);
  const int calls = 100000;
  double best[2] = {1e9, 1e9};
  for (int round = 0; round < 7; ++round) {
    for (int way = 0; way < 2; ++way) {
      reset();
      const int d = driver.ibdev(0, 5, 0, 12, 1, 0);
      const auto start = TClock::now();
      for (int i = 0; i < calls; ++i) {
        if (way == 0) direct(d, 12);
        else driver.ibtmo(d, 12);
      }
      const double ns = std::chrono::duration<double, std::nano>(TClock::now() - start).count() / calls;
      best[way] = std::min(best[way], ns);
    }
  }
  (void)ud;
  std::printf(
      "GPIB ibtmo against the stand-in: %.0f ns a call directly, %.0f ns through the binding "
      "(overhead %.0f ns)\n",
      best[0],
      best[1],
      best[1] - best[0]);
  dlclose(lib);
}

}  // namespace

int main() {
  UdpReceive();
  SerialReadLines();
  GpibCall();
  return 0;
}
