// The LAN links without RPC: raw SCPI sockets and HiSLIP, and the TCP
// helpers they share with VXI-11.

#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "instruments/VisaLink.h"

namespace TernioParser {

int TVisaWait::Slice() const {
  if (Ms <= 0) return StopSliceMs;
  const int64_t left = LeftMs();
  return left <= 0 ? 0 : static_cast<int>(std::min<int64_t>(left, StopSliceMs));
}

int64_t TVisaWait::LeftMs() const {
  if (Ms <= 0) return INT32_MAX;
  return std::max<int64_t>(0,
                           std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - TClock::now()).count());
}

TStopWatcher::TStopWatcher(TCalcInfo& ci, std::function<void()> interrupt) : Ci(ci), Interrupt(std::move(interrupt)) {
  Thread = std::thread([this] {
    if (TEvent::WaitAny({&Ci.StopEvent, &Quit}, -1) != 0) return;
    if (InCall) Interrupt();
    Quit.Wait(-1);
  });
}

TStopWatcher::~TStopWatcher() {
  Quit.Set();
  Thread.join();
}

bool TStopWatcher::Begin() {
  // Set before the stop request is looked at: a stop that comes between
  // finds the call under way and interrupts it.
  InCall = true;
  if (!Ci.Stopping()) return true;
  InCall = false;
  return false;
}

std::string VisaSystemRoot() {
  const char* root = std::getenv("OSTRA_VISA_ROOT");
  return root ? root : "";
}

namespace {

// Waits for the events on fd; Ok when they came.
TVisaIo WaitFd(TVisaWait& w, int fd, short events) {
  for (;;) {
    if (w.Stopping()) return TVisaIo::Stopped;
    const int slice = w.Slice();
    pollfd p{fd, events, 0};
    const int r = ::poll(&p, 1, slice);
    if (r > 0) return TVisaIo::Ok;  // errors and hang-ups show in the call that follows
    if (r < 0 && errno != EINTR) return TVisaIo::Gone;
    if (slice == 0) return TVisaIo::Timeout;
  }
}

// The addresses of host:port by the system resolver, asked asynchronously
// so that a stop request ends the wait.
addrinfo* Resolve(TVisaWait& w, const std::string& host, int port, TVisaIo& how) {
  const std::string service = std::to_string(port);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  // Literals need no resolver.
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
  addrinfo* list = nullptr;
  if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &list) == 0) return list;
  hints.ai_flags = AI_NUMERICSERV | AI_ADDRCONFIG;
  gaicb request{};
  request.ar_name = host.c_str();
  request.ar_service = service.c_str();
  request.ar_request = &hints;
  gaicb* requests[] = {&request};
  if (::getaddrinfo_a(GAI_NOWAIT, requests, 1, nullptr) != 0) {
    how = TVisaIo::Gone;
    return nullptr;
  }
  for (;;) {
    const int slice = w.Slice();
    timespec ts{slice / 1000, (slice % 1000) * 1000000L};
    const gaicb* const waits[] = {&request};
    ::gai_suspend(waits, 1, &ts);
    const int state = ::gai_error(&request);
    if (state == 0) return request.ar_result;
    if (state != EAI_INPROGRESS) {
      how = TVisaIo::Gone;
      return nullptr;
    }
    if (w.Stopping() || slice == 0) {
      how = w.Stopping() ? TVisaIo::Stopped : TVisaIo::Timeout;
      // The answer may still come: wait for the cancel to take, then free.
      if (::gai_cancel(&request) != EAI_CANCELED) {
        while (::gai_error(&request) == EAI_INPROGRESS) {
          timespec shortWait{0, 10000000L};
          ::gai_suspend(waits, 1, &shortWait);
        }
      }
      if (request.ar_result) ::freeaddrinfo(request.ar_result);
      return nullptr;
    }
  }
}

}  // namespace

int ConnectTcp(TVisaWait& w, const std::string& host, int port, TVisaIo& how) {
  how = TVisaIo::Gone;
  addrinfo* list = Resolve(w, host, port, how);
  if (!list) return -1;
  int fd = -1;
  for (addrinfo* a = list; a && fd < 0; a = a->ai_next) {
    fd = ::socket(a->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) continue;
    if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      how = errno == EINPROGRESS ? WaitFd(w, fd, POLLOUT) : TVisaIo::Gone;
      int err = 0;
      socklen_t len = sizeof err;
      if (how == TVisaIo::Ok && (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0))
        how = TVisaIo::Gone;
      if (how != TVisaIo::Ok) {
        ::close(fd);
        fd = -1;
        if (how == TVisaIo::Stopped || how == TVisaIo::Timeout) break;
        continue;
      }
    }
    how = TVisaIo::Ok;
  }
  ::freeaddrinfo(list);
  if (fd >= 0) {
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
  return fd;
}

TVisaIo SendAll(TVisaWait& w, int fd, const char* data, size_t n) {
  size_t done = 0;
  while (done < n) {
    const ssize_t k = ::send(fd, data + done, n - done, MSG_NOSIGNAL);
    if (k > 0) {
      done += static_cast<size_t>(k);
      w.Progress();
      continue;
    }
    if (k < 0 && errno == EINTR) continue;
    if (k < 0 && errno != EAGAIN) return TVisaIo::Gone;
    if (TVisaIo how = WaitFd(w, fd, POLLOUT); how != TVisaIo::Ok) return how;
  }
  return TVisaIo::Ok;
}

TVisaIo ReceiveSome(TVisaWait& w, int fd, char* buf, size_t cap, size_t& got) {
  got = 0;
  for (;;) {
    const ssize_t k = ::recv(fd, buf, cap, 0);
    if (k > 0) {
      got = static_cast<size_t>(k);
      w.Progress();
      return TVisaIo::Ok;
    }
    // The peer closed the connection.
    if (k == 0) return TVisaIo::Gone;
    if (errno == EINTR) continue;
    if (errno != EAGAIN) return TVisaIo::Gone;
    if (TVisaIo how = WaitFd(w, fd, POLLIN); how != TVisaIo::Ok) return how;
  }
}

TVisaIo ReceiveExact(TVisaWait& w, int fd, char* buf, size_t n) {
  size_t done = 0;
  while (done < n) {
    size_t got = 0;
    if (TVisaIo how = ReceiveSome(w, fd, buf + done, n - done, got); how != TVisaIo::Ok) return how;
    done += got;
  }
  return TVisaIo::Ok;
}

namespace {

// ---- raw SCPI over TCP: a byte stream without END

class TSocketLink final : public TVisaLink {
public:
  explicit TSocketLink(int fd) : Fd(fd) {}
  ~TSocketLink() override { ::close(Fd); }
  bool HasEnd() const override { return false; }
  TVisaIo Write(TVisaWait& w, std::string_view bytes, bool) override {
    return SendAll(w, Fd, bytes.data(), bytes.size());
  }
  TVisaIo Read(TVisaWait& w, char* buf, size_t cap, size_t& got, bool& end) override {
    end = false;
    return ReceiveSome(w, Fd, buf, cap, got);
  }
  // The stream has no device clear: what the device has sent so far is
  // dropped.
  bool Clear(TVisaWait&) override {
    char buf[65536];
    for (;;) {
      const ssize_t k = ::recv(Fd, buf, sizeof buf, 0);
      if (k > 0) continue;
      return k < 0 && (errno == EAGAIN || errno == EINTR);
    }
  }

private:
  int Fd;
};

// ---- HiSLIP: a synchronous and an asynchronous channel of framed messages

enum THislipType : uint8_t {
  Initialize = 0,
  InitializeResponse = 1,
  FatalError = 2,
  Error = 3,
  Data = 6,
  DataEnd = 7,
  DeviceClearComplete = 8,
  DeviceClearAcknowledge = 9,
  AsyncMaximumMessageSize = 15,
  AsyncMaximumMessageSizeResponse = 16,
  AsyncInitialize = 17,
  AsyncInitializeResponse = 18,
  AsyncDeviceClear = 19,
  AsyncStatusQuery = 21,
  AsyncStatusResponse = 22,
  AsyncDeviceClearAcknowledge = 23,
};

constexpr uint32_t FirstMessageId = 0xFFFFFF00u;
constexpr uint16_t HislipVersion = 0x0100;
constexpr uint16_t VendorId = ('O' << 8) | 'C';
// The largest message payload taken from a server; larger ones end the link.
constexpr uint64_t MaxPayload = 1u << 30;

struct THeader {
  uint8_t Type = 0, Control = 0;
  uint32_t Parameter = 0;
  uint64_t Length = 0;
};

void PutHeader(char* h, uint8_t type, uint8_t control, uint32_t parameter, uint64_t length) {
  h[0] = 'H', h[1] = 'S', h[2] = static_cast<char>(type), h[3] = static_cast<char>(control);
  for (int i = 0; i < 4; ++i) h[4 + i] = static_cast<char>(parameter >> (24 - 8 * i));
  for (int i = 0; i < 8; ++i) h[8 + i] = static_cast<char>(length >> (56 - 8 * i));
}

class THislipLink final : public TVisaLink {
public:
  ~THislipLink() override {
    if (Sync >= 0) ::close(Sync);
    if (Async >= 0) ::close(Async);
  }
  int Sync = -1, Async = -1;
  uint32_t MessageId = FirstMessageId;
  // Set once a whole response has come, sent with the next message.
  bool RmtDelivered = false;
  // Payload bytes of the current Data or DataEnd message not yet read.
  uint64_t Left = 0;
  bool LeftEnds = false;

  bool HasEnd() const override { return true; }

  TVisaIo Send(TVisaWait& w, int fd, uint8_t type, uint8_t control, uint32_t parameter, std::string_view payload) {
    char h[16];
    PutHeader(h, type, control, parameter, payload.size());
    if (TVisaIo how = SendAll(w, fd, h, sizeof h); how != TVisaIo::Ok) return how;
    return SendAll(w, fd, payload.data(), payload.size());
  }

  TVisaIo ReceiveHeader(TVisaWait& w, int fd, THeader& out) {
    unsigned char h[16];
    if (TVisaIo how = ReceiveExact(w, fd, reinterpret_cast<char*>(h), 16); how != TVisaIo::Ok) return how;
    if (h[0] != 'H' || h[1] != 'S') return TVisaIo::Gone;
    out.Type = h[2], out.Control = h[3];
    out.Parameter = (uint32_t{h[4]} << 24) | (uint32_t{h[5]} << 16) | (uint32_t{h[6]} << 8) | h[7];
    out.Length = 0;
    for (int i = 8; i < 16; ++i) out.Length = (out.Length << 8) | h[i];
    return out.Length > MaxPayload ? TVisaIo::Gone : TVisaIo::Ok;
  }

  // Reads and drops a payload.
  TVisaIo Skip(TVisaWait& w, int fd, uint64_t n) {
    char buf[4096];
    while (n > 0) {
      const size_t k = static_cast<size_t>(std::min<uint64_t>(n, sizeof buf));
      if (TVisaIo how = ReceiveExact(w, fd, buf, k); how != TVisaIo::Ok) return how;
      n -= k;
    }
    return TVisaIo::Ok;
  }

  // The next message of a type on the asynchronous channel, others dropped.
  TVisaIo AsyncAnswer(TVisaWait& w, uint8_t type, THeader& h) {
    for (;;) {
      if (TVisaIo how = ReceiveHeader(w, Async, h); how != TVisaIo::Ok) return how;
      if (TVisaIo how = Skip(w, Async, h.Length); how != TVisaIo::Ok) return how;
      if (h.Type == type) return TVisaIo::Ok;
      if (h.Type == FatalError) return TVisaIo::Gone;
    }
  }

  TVisaIo Write(TVisaWait& w, std::string_view bytes, bool end) override {
    const uint8_t control = RmtDelivered ? 1 : 0;
    RmtDelivered = false;
    TVisaIo how = Send(w, Sync, end ? DataEnd : Data, control, MessageId, bytes);
    if (end) MessageId += 2;
    return how;
  }

  TVisaIo Read(TVisaWait& w, char* buf, size_t cap, size_t& got, bool& end) override {
    got = 0;
    end = false;
    while (Left == 0) {
      THeader h;
      if (TVisaIo how = ReceiveHeader(w, Sync, h); how != TVisaIo::Ok) return how;
      if (h.Type == Data || h.Type == DataEnd) {
        Left = h.Length;
        LeftEnds = h.Type == DataEnd;
        if (Left == 0 && LeftEnds) {
          end = true;
          RmtDelivered = true;
          return TVisaIo::Ok;  // an empty final message
        }
        continue;
      }
      if (h.Type == FatalError) return TVisaIo::Gone;
      if (TVisaIo how = Skip(w, Sync, h.Length); how != TVisaIo::Ok) return how;
    }
    const size_t want = static_cast<size_t>(std::min<uint64_t>(Left, cap));
    TVisaIo how = ReceiveSome(w, Sync, buf, want, got);
    if (how != TVisaIo::Ok) return how;
    Left -= got;
    if (Left == 0 && LeftEnds) {
      end = true;
      RmtDelivered = true;
    }
    return TVisaIo::Ok;
  }

  bool Clear(TVisaWait& w) override {
    THeader h;
    if (Send(w, Async, AsyncDeviceClear, 0, 0, {}) != TVisaIo::Ok) return false;
    if (AsyncAnswer(w, AsyncDeviceClearAcknowledge, h) != TVisaIo::Ok) return false;
    if (Send(w, Sync, DeviceClearComplete, h.Control, 0, {}) != TVisaIo::Ok) return false;
    // Messages still under way on the synchronous channel are dropped.
    for (;;) {
      THeader s;
      if (ReceiveHeader(w, Sync, s) != TVisaIo::Ok || Skip(w, Sync, s.Length) != TVisaIo::Ok) return false;
      if (s.Type == DeviceClearAcknowledge) break;
    }
    MessageId = FirstMessageId;
    RmtDelivered = false;
    Left = 0;
    return true;
  }

  bool HasStatus() const override { return true; }
  bool Status(TVisaWait& w, int& stb, TVisaIo& how) override {
    THeader h;
    const uint8_t control = RmtDelivered ? 1 : 0;
    how = Send(w, Async, AsyncStatusQuery, control, MessageId - 2, {});
    if (how == TVisaIo::Ok) how = AsyncAnswer(w, AsyncStatusResponse, h);
    if (how != TVisaIo::Ok) return false;
    stb = h.Control;
    return true;
  }
};

}  // namespace

std::unique_ptr<TVisaLink> OpenSocketLink(TVisaWait& w, const TVisaResource& r, TVisaIo& how) {
  const int fd = ConnectTcp(w, r.Host, r.Port, how);
  if (fd < 0) return nullptr;
  return std::make_unique<TSocketLink>(fd);
}

std::unique_ptr<TVisaLink> OpenHislipLink(TVisaWait& w, const TVisaResource& r, TVisaIo& how) {
  auto link = std::make_unique<THislipLink>();
  link->Sync = ConnectTcp(w, r.Host, r.Port, how);
  if (link->Sync < 0) return nullptr;
  THeader h;
  how = link->Send(w, link->Sync, Initialize, 0, (uint32_t{HislipVersion} << 16) | VendorId, r.Device);
  if (how == TVisaIo::Ok) how = link->ReceiveHeader(w, link->Sync, h);
  if (how == TVisaIo::Ok) how = link->Skip(w, link->Sync, h.Length);
  if (how != TVisaIo::Ok) return nullptr;
  if (h.Type != InitializeResponse) {
    how = TVisaIo::Gone;
    return nullptr;
  }
  const uint32_t session = h.Parameter & 0xFFFF;
  link->Async = ConnectTcp(w, r.Host, r.Port, how);
  if (link->Async < 0) return nullptr;
  how = link->Send(w, link->Async, AsyncInitialize, 0, session, {});
  if (how == TVisaIo::Ok) how = link->AsyncAnswer(w, AsyncInitializeResponse, h);
  if (how != TVisaIo::Ok) return nullptr;
  return link;
}

}  // namespace TernioParser
