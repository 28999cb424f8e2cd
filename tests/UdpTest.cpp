// UDP sockets against real peers on the loopback interface (127.0.0.1 only,
// ephemeral ports where the test chooses).

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "InstrumentTestSupport.h"
#include "TestSupport.h"
#include "instruments/Udp.h"
#include "workbench/Libraries.h"

using namespace TernioParser;
using OstraTest::Describe;

namespace {

using OstraTest::TClock;

using OstraTest::MsSince;

struct TDatagram {
  std::string Data;
  int FromPort = 0;
};

// A socket on 127.0.0.1; with an answer function, a thread replies to every
// datagram with what it returns (nothing when empty).
class TUdpPeer {
public:
  explicit TUdpPeer(int port = 0, std::function<std::string(const std::string&)> answer = nullptr)
      : Answer(std::move(answer)) {
    Fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    Bound = bind(Fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    socklen_t len = sizeof a;
    getsockname(Fd, reinterpret_cast<sockaddr*>(&a), &len);
    Port = ntohs(a.sin_port);
    if (Answer && Bound) Thread = std::thread([this] { Serve(); });
  }
  ~TUdpPeer() {
    Stop = true;
    if (Thread.joinable()) Thread.join();
    close(Fd);
  }
  bool Bound = false;
  int Port = 0;

  std::optional<TDatagram> Receive(int ms) {
    pollfd p{Fd, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0) return std::nullopt;
    char buf[70000];
    sockaddr_in from{};
    socklen_t len = sizeof from;
    ssize_t n = recvfrom(Fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) return std::nullopt;
    return TDatagram{std::string(buf, static_cast<size_t>(n)), ntohs(from.sin_port)};
  }
  void SendTo(int port, const std::string& data) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    sendto(Fd, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
  }

private:
  int Fd = -1;
  std::function<std::string(const std::string&)> Answer;
  std::atomic<bool> Stop{false};
  std::thread Thread;
  void Serve() {
    while (!Stop) {
      auto d = Receive(10);
      if (!d) continue;
      std::string a = Answer(d->Data);
      if (!a.empty()) SendTo(d->FromPort, a);
    }
  }
};

class Udp : public ::testing::Test {
protected:
  OstraTest::TCalculator Calc;
  std::string Outcome(const std::string& program) { return Describe(Calc.Run(program)); }
  void TearDown() override {
    for (int h = 0; h < 10; ++h) Calc.Run("udpclose(" + std::to_string(h) + ")");
  }
  // Creates socket 0 towards the peer and returns the calculator's local
  // port, learnt from a first datagram.
  int Connect(TUdpPeer& peer, int timeout) {
    EXPECT_EQ(Outcome("udpcreate(0;'127.0.0.1';" + std::to_string(peer.Port) + ";" + std::to_string(timeout) +
                      "), udpsendstring(0;'hello')"),
              "5");
    auto d = peer.Receive(1000);
    EXPECT_TRUE(d.has_value());
    if (!d) return 0;
    EXPECT_EQ(d->Data, "hello");
    return d->FromPort;
  }
};

}  // namespace

TEST_F(Udp, SendReceiveAndPeerReplacement) {
  TUdpPeer first, second;
  const int local = Connect(first, 1000);
  ASSERT_NE(local, 0);
  // The port may also be given as text; the socket survives the run.
  EXPECT_EQ(Outcome("udpcreate(1;'127.0.0.1';'" + std::to_string(first.Port) + "';100), udpsendstring(1;12.5)"), "4");
  EXPECT_EQ(first.Receive(1000)->Data, "12.5");

  // A datagram from another peer: it is received, and the next send goes
  // back to that sender.
  second.SendTo(local, "abc");
  EXPECT_EQ(Outcome("r=udpreceivestring(0), udpsendstring(0;'back'), r"), "'abc'");
  auto reply = second.Receive(1000);
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->Data, "back");
  EXPECT_FALSE(first.Receive(50).has_value());

  // Binary data both ways, with the 8-bit cut on sending.
  EXPECT_EQ(Outcome("a[0]=42, a[1]=66, a[2]=300, a[3]=-1, udpsendbin(0;a[])"), "4");
  EXPECT_EQ(second.Receive(1000)->Data, std::string("\x2A\x42\x2C\xFF", 4));
  second.SendTo(local, std::string("\x01\x02\xFF\x00", 4));
  EXPECT_EQ(Outcome("a[7]=9, udpreceivebin(0;a[])"), "4");
  EXPECT_EQ(OstraTest::ArrayOf(Calc, "a"), (std::vector<double>{1, 2, 255, 0}));
  // No datagram: 0 and an empty array.
  EXPECT_EQ(Outcome("a[7]=9, udpreceivebin(0;a[])*10+length(a[])"), "0");
  // An empty datagram counts as none.
  second.SendTo(local, "");
  second.SendTo(local, "x");
  EXPECT_EQ(Outcome("udpreceivestring(0)"), "'x'");
}

TEST_F(Udp, DatagramsThatFillTheBufferAreDropped) {
  TUdpPeer peer;
  const int local = Connect(peer, 300);
  ASSERT_NE(local, 0);
  for (size_t size : {2046u, 2047u, 3000u, 1u}) {
    SCOPED_TRACE(size);
    peer.SendTo(local, std::string(size, 'q'));
    const OstraTest::TRun r = Calc.Run("length(udpreceivestring(0))");
    EXPECT_EQ(Describe(r), size < 2047 ? std::to_string(size) : "0");
  }
  peer.SendTo(local, std::string(2047, '\x07'));
  EXPECT_EQ(Outcome("a[2]=1, udpreceivebin(0;a[])*10+length(a[])"), "0");
}

// A datagram longer than the buffer is skipped while the wait goes on, and
// its sender does not become the peer.
TEST_F(Udp, LongDatagramsAreSkippedWhileTheWaitGoesOn) {
  TUdpPeer peer, other;
  const int local = Connect(peer, 1000);
  ASSERT_NE(local, 0);
  struct {
    const char* Receive;
    const char* Outcome;
  } paths[] = {
      {"udpreceivestring(0)", "'abc'"},
      {"n=udpreceivebin(0;a[]), string(n)+':'+string(a[0])+','+string(a[1])+','+string(a[2])", "'3:97,98,99'"},
  };
  for (const auto& path : paths) {
    SCOPED_TRACE(path.Receive);
    Calc.Start(path.Receive);
    for (size_t size : {65000u, 2048u}) other.SendTo(local, std::string(size, 'q'));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    peer.SendTo(local, "abc");
    EXPECT_EQ(Describe(Calc.Finish()), path.Outcome);
  }
  other.SendTo(local, std::string(3000, 'q'));
  EXPECT_EQ(Outcome("r=udpreceivestring(0), udpsendstring(0;'to?'), length(r)"), "0");
  EXPECT_EQ(peer.Receive(1000)->Data, "to?");
  EXPECT_FALSE(other.Receive(50).has_value());
}

// Each receive waits its full time, never less, from 1 ms up.
TEST(UdpSocket, WaitsNeverEndEarly) {
  TUdpSocket socket("127.0.0.1", "9");
  ASSERT_TRUE(socket.Create());
  for (int ms : {1, 2, 5, 10, 25}) {
    SCOPED_TRACE(ms);
    TCalcInfo ci;
    bool stopped = true;
    char buffer[16];
    const auto start = TClock::now();
    EXPECT_EQ(socket.Receive(ci, buffer, sizeof buffer, ms, stopped), 0);
    const double took = MsSince(start);
    EXPECT_GE(took, ms);
    EXPECT_LT(took, ms + 200);
    EXPECT_FALSE(stopped);
  }
}

TEST_F(Udp, TimeOuts) {
  TUdpPeer peer;
  const int local = Connect(peer, 300);
  ASSERT_NE(local, 0);
  // Nothing comes: the receive ends after about the time-out.
  const OstraTest::TRun slow =
      Calc.Run("t=gettime(), r=udpreceivestring(0), string(length(r))+'|'+string(gettime()-t)");
  const std::string s = slow.Result.AsString();
  ASSERT_NE(s.find('|'), std::string::npos) << Describe(slow);
  EXPECT_EQ(s.substr(0, s.find('|')), "0");
  const double ms = std::stod(s.substr(s.find('|') + 1));
  EXPECT_GE(ms, 280);
  EXPECT_LT(ms, 700);

  // A time-out below 10 ms makes no attempt at all, even with data waiting.
  EXPECT_EQ(Outcome("udpcreate(0;'127.0.0.1';" + std::to_string(peer.Port) + ";5), udpsendstring(0;'me')"), "2");
  const int again = peer.Receive(1000)->FromPort;
  peer.SendTo(again, "waiting");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(Outcome("t=gettime(), r=udpreceivestring(0), string(length(r))+' '+string(gettime()-t<20)"), "'0 1'");

  // A negative time-out waits until a datagram comes.
  EXPECT_EQ(Outcome("udpcreate(0;'127.0.0.1';" + std::to_string(peer.Port) + ";-1), udpsendstring(0;'me')"), "2");
  const int third = peer.Receive(1000)->FromPort;
  Calc.Start("udpreceivestring(0)");
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  peer.SendTo(third, "late");
  EXPECT_EQ(Describe(Calc.Finish()), "'late'");
}

TEST_F(Udp, BreakEndsAReceive) {
  TUdpPeer peer;
  ASSERT_NE(Connect(peer, 0x7FFFFFFF), 0);
  for (const char* receive : {"udpreceivestring(0)", "udpreceivebin(0;a[])"}) {
    SCOPED_TRACE(receive);
    Calc.Start(receive);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto breakAt = TClock::now();
    Calc.Break();
    const OstraTest::TRun r = Calc.Finish();
    EXPECT_LT(MsSince(breakAt), 200);
    EXPECT_EQ(Describe(r), "!Stopped");
  }
}

TEST_F(Udp, Errors) {
  struct {
    const char* Program;
    const char* Outcome;
  } cases[] = {
      {"udpcreate(10;'127.0.0.1';9;100)", "!udpcreate: Illegal handle value"},
      {"udpcreate(-1;'127.0.0.1';9;100)", "!udpcreate: Illegal handle value"},
      {"udpclose(10)", "!udpsendstring: Illegal handle value"},
      {"udpclose(3)", "0"},
      {"udpsendstring(3;'x')", "!udpsendstring: UDP socket has not been created"},
      {"udpsendstring(10;'x')", "!udpsendstring: Illegal handle value"},
      {"udpreceivestring(3)", "!udpsendstring: UDP socket has not been created"},
      {"udpreceivestring(12)", "!udpsendstring: Illegal handle value"},
      {"udpsendbin(3;a[])", "!udpsendbin: UDP socket has not been created"},
      {"udpsendbin(10;a[])", "!udpsendbin: Illegal handle value"},
      {"udpreceivebin(3;a[])", "!udpreceivebin: UDP socket has not been created"},
      {"udpreceivebin(-2;a[])", "!udpreceivebin: Illegal handle value"},
      {"udpsendbin(0;5)", "#Illegal argument"},
      {"udpreceivebin(0;a)", "#Illegal argument"},
      // A name that holds a scalar written as an array: the message names it.
      {"udpcreate(2;'127.0.0.1';9;100), x=1, udpsendbin(2;x[])", "!udpsendbin: Second parameter x[] is not an array"},
      {"define(f(v); udpsendbin(2;v[])), f(2)", "!udpsendbin: Second parameter v[] is not an array"},
      {"x='', udpreceivebin(2;x[])", "!udpreceivebin: Second parameter x[] is not an array"},
      // An array without elements is sent as an empty datagram.
      {"udpcreate(2;'127.0.0.1';9;100), udpsendbin(2;empty[])", "0"},
      // A closed socket is gone; an address that is not dotted decimal
      // gives a socket whose sends fail.
      {"udpcreate(2;'127.0.0.1';9;100), udpclose(2), udpsendstring(2;'x')",
       "!udpsendstring: UDP socket has not been created"},
      {"udpcreate(2;'localhost';9;100)", "-1"},
      {"udpcreate(2;'localhost';9;100), udpsendstring(2;'x')", "-1"},
  };
  for (const auto& c : cases) EXPECT_EQ(Outcome(c.Program), c.Outcome) << c.Program;
}

// The help examples, with peers on the ports they name where those are free.
TEST_F(Udp, HelpExamples) {
  const std::string create = FindBuiltin("udpcreate")->Help.Example;
  const std::string receive = FindBuiltin("udpreceivebin")->Help.Example;
  {
    TUdpPeer meter(5025, [](const std::string& q) { return q == "MEAS?" ? std::string("+1.5E-3") : ""; });
    TUdpPeer scanner(5026, [](const std::string& q) { return q == "SCAN?" ? std::string("\x03\xC8\x11", 3) : ""; });
    if (!meter.Bound || !scanner.Bound) GTEST_SKIP() << "ports 5025 and 5026 of 127.0.0.1 are in use";
    EXPECT_EQ(Outcome(create), "'+1.5E-3'");
    EXPECT_EQ(Outcome(receive), "200");
  }
  EXPECT_EQ(Outcome(create), "'no answer within 200 ms'");
  EXPECT_EQ(Outcome(receive), "-1");
}

// End to end through the headless runner, Ctrl+C as Break.
TEST(UdpRunner, QueryAndBreak) {
  TUdpPeer echo(0, [](const std::string& q) { return "echo:" + q; });
  const std::string port = std::to_string(echo.Port);
  OstraTest::TCliRun r = OstraTest::RunCli(
      {"-e", "udpcreate(0;'127.0.0.1';" + port + ";1000), udpsendstring(0;'ping'), udpreceivestring(0)"});
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "echo:ping\n");

  OstraTest::TCliRun broken = OstraTest::RunCli(
      {"-e", "udpcreate(0;'127.0.0.1';" + port + ";2147483647), udpreceivestring(0)"}, {.InterruptAfterMs = 400});
  EXPECT_EQ(broken.Status, 1);
  EXPECT_EQ(broken.Err, "Error: Stopped\n");
  EXPECT_LT(broken.AfterInterruptMs, 300);
}
