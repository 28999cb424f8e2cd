#include "instruments/Udp.h"

#include <arpa/inet.h>
#include <errno.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace TernioParser {

namespace {

// A receive waits in steps this long, checking the stop request after each.
constexpr int AttemptMs = 10;

// The port text as a decimal integer, 0 when it is not one.
uint16_t PortNumber(const std::string& text) {
  if (text.empty()) return 0;
  size_t i = text[0] == '+' || text[0] == '-' ? 1 : 0;
  if (i == text.size() || text.size() - i > 10) return 0;
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    v = v * 10 + (text[i] - '0');
  }
  if (text[0] == '-') v = -v;
  return static_cast<uint16_t>(v & 0xFFFF);
}

}  // namespace

bool TUdpSocket::Create() {
  PeerAddress = {};
  PeerAddress.sin_family = AF_INET;
  // Dotted decimal only; anything else gives the all-ones address.
  PeerAddress.sin_addr.s_addr = inet_addr(AddressText.c_str());
  PeerAddress.sin_port = htons(PortNumber(PortText));
  LocalAddress = {};
  LocalAddress.sin_family = AF_INET;
  LocalAddress.sin_addr.s_addr = htonl(INADDR_ANY);
  LocalAddress.sin_port = 0;
  Socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (Socket < 0) {
    Active = false;
    return false;
  }
  ::bind(Socket, reinterpret_cast<const sockaddr*>(&LocalAddress), sizeof LocalAddress);
  Active = true;
  return true;
}

int TUdpSocket::Send(std::string_view bytes) {
  ssize_t n = ::sendto(
      Socket, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&PeerAddress), sizeof PeerAddress);
  return n < 0 ? -1 : static_cast<int>(n);
}

int TUdpSocket::Receive(TCalcInfo& ci, char* buffer, int capacity, int64_t waitMs, bool& stopped) {
  using TClock = std::chrono::steady_clock;
  stopped = false;
  const TClock::time_point deadline = TClock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    sockaddr_in from{};
    socklen_t len = sizeof from;
    // MSG_TRUNC: the datagram's full length, also when the buffer holds
    // only its beginning.
    ssize_t n = ::recvfrom(Socket,
                           buffer,
                           static_cast<size_t>(capacity),
                           MSG_DONTWAIT | MSG_TRUNC,
                           reinterpret_cast<sockaddr*>(&from),
                           &len);
    // A datagram longer than the buffer is skipped as if it had not come,
    // and the wait goes on.
    const bool skipped = n > capacity;
    if (!skipped && n >= 0 && len >= sizeof(sockaddr_in) && from.sin_family == AF_INET) PeerAddress = from;
    // An empty datagram counts as none.
    if (!skipped && n > 0) return static_cast<int>(n);
    if (ci.Stopping()) {
      stopped = true;
      return 0;
    }
    const TClock::time_point now = TClock::now();
    if (now >= deadline) return 0;
    // Rounded up: a wait never ends before its deadline.
    const int64_t left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    pollfd p{Socket, POLLIN, 0};
    ::poll(&p, 1, static_cast<int>(std::min<int64_t>(left, AttemptMs)));
  }
}

void TUdpSocket::Close() {
  if (!Active) return;
  ::shutdown(Socket, SHUT_RDWR);
  ::close(Socket);
  Socket = -1;
  Active = false;
}

int TUdpSocket::LocalPort() const {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  if (::getsockname(Socket, reinterpret_cast<sockaddr*>(&a), &len) != 0) return 0;
  return ntohs(a.sin_port);
}

// ---- script functions

bool TUdpFunction::ValidHandle(TCalcInfo& ci, int32_t handle, const char* prefix) {
  if (handle < 0 || handle >= UdpHandles) {
    ci.SetError(std::string(prefix) + ": Illegal handle value");
    return false;
  }
  return true;
}

TUdpSocket* TUdpFunction::ActiveSocket(TCalcInfo& ci, int32_t handle, const char* prefix,
                                       std::unique_lock<std::mutex>& lock) {
  if (!ValidHandle(ci, handle, prefix)) return nullptr;
  lock = std::unique_lock<std::mutex>(Instruments().Locks[handle]);
  TUdpSocket* s = Instruments().Udp[handle].get();
  if (!s) {
    ci.SetError(std::string(prefix) + ": UDP socket has not been created");
    return nullptr;
  }
  if (!s->Active) {
    ci.SetError(std::string(prefix) + ": UDP socket is not active");
    return nullptr;
  }
  return s;
}

std::string TUdpFunction::ReceiveDatagram(TCalcInfo& ci, int32_t handle, TUdpSocket& socket) {
  // One attempt per 10 ms of the time-out, taken as unsigned: a negative
  // time-out waits until a datagram comes or the run is stopped.
  const uint32_t attempts = static_cast<uint32_t>(Instruments().UdpTimeout[handle]) / 10;
  if (attempts == 0) return {};
  char buffer[UdpBufferSize];
  bool stopped = false;
  int n = socket.Receive(ci, buffer, UdpBufferSize, static_cast<int64_t>(attempts) * AttemptMs, stopped);
  if (stopped) {
    RaiseStopped(ci);
    return {};
  }
  if (n < 0 || n > UdpBufferSize - 1) n = 0;
  return std::string(buffer, static_cast<size_t>(n));
}

void TUdpCreate::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  const int32_t handle = IntArg(0);
  if (!ValidHandle(ci, handle, "udpcreate")) return;
  TInstrumentLayer& layer = Instruments();
  std::lock_guard<std::mutex> g(layer.Locks[handle]);
  layer.Udp[handle].reset();
  layer.Udp[handle] = std::make_unique<TUdpSocket>(Results[1].AsString(), Results[2].AsString());
  layer.Udp[handle]->Create();
  layer.UdpTimeout[handle] = IntArg(3);
  if (layer.Udp[handle]->Active) result.SetNumber(-1);
  else layer.Udp[handle].reset();
}

void TUdpSendString::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  const int32_t handle = IntArg(0);
  std::unique_lock<std::mutex> lock;
  TUdpSocket* s = ActiveSocket(ci, handle, "udpsendstring", lock);
  if (!s) return;
  const std::string text = Results[1].AsString();
  result.SetNumber(s->Send(text));
}

void TUdpReceiveString::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  const int32_t handle = IntArg(0);
  std::unique_lock<std::mutex> lock;
  TUdpSocket* s = ActiveSocket(ci, handle, "udpsendstring", lock);
  if (!s) return;
  result.SetString(ReceiveDatagram(ci, handle, *s));
}

void TUdpSendBin::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  TArrayEntry* const arr = RequireArray(ci, 1, "udpsendbin: Second parameter is not an array", TScalarName::Named);
  if (!arr || !EvaluateArguments(ci)) return;
  const int32_t handle = IntArg(0);
  std::unique_lock<std::mutex> lock;
  TUdpSocket* s = ActiveSocket(ci, handle, "udpsendbin", lock);
  if (!s) return;
  result.SetNumber(s->Send(ArrayBytes(*arr)));
}

void TUdpReceiveBin::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  TArrayEntry* const arr = RequireArray(ci, 1, "udpreceivebin: Second parameter is not an array", TScalarName::Named);
  if (!arr || !EvaluateArguments(ci)) return;
  const int32_t handle = IntArg(0);
  std::unique_lock<std::mutex> lock;
  TUdpSocket* s = ActiveSocket(ci, handle, "udpreceivebin", lock);
  if (!s) return;
  const std::string bytes = ReceiveDatagram(ci, handle, *s);
  if (ci.Error) return;
  StoreBytes(*arr, bytes);
  result.SetNumber(static_cast<double>(bytes.size()));
}

void TUdpClose::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  const int32_t handle = IntArg(0);
  if (!ValidHandle(ci, handle, "udpsendstring")) return;
  std::lock_guard<std::mutex> g(Instruments().Locks[handle]);
  Instruments().Udp[handle].reset();
}

}  // namespace TernioParser
