#pragma once
// UDP: the socket object and the six script functions udpcreate ...
// udpclose. A socket is bound to an ephemeral local port and remembers one
// peer, to which it sends and which every received datagram replaces with
// its sender. Sockets stay open from one run to the next.

#include <netinet/in.h>

#include <mutex>
#include <string>
#include <string_view>

#include "engine/Function.h"
#include "instruments/Instruments.h"

namespace TernioParser {

// Receive buffer: a datagram that fills it exactly (2047 bytes) ends the
// receive with nothing; a longer one is skipped while the wait goes on.
constexpr int UdpBufferSize = 2047;

class TUdpSocket {
public:
  TUdpSocket(std::string address, std::string port) : AddressText(std::move(address)), PortText(std::move(port)) {}
  ~TUdpSocket() { Close(); }
  TUdpSocket(const TUdpSocket&) = delete;
  TUdpSocket& operator=(const TUdpSocket&) = delete;

  bool Active = false;
  sockaddr_in PeerAddress{};
  sockaddr_in LocalAddress{};
  int Socket = -1;
  std::string AddressText, PortText;

  bool Create();
  // The bytes sent, or -1.
  int Send(std::string_view bytes);
  // One datagram waited for until the deadline (checking the stop request
  // every 10 ms), its sender becoming the peer; datagrams longer than the
  // capacity are skipped. The byte count, 0 when none came; stopped tells
  // that a stop request ended the wait.
  int Receive(TCalcInfo& ci, char* buffer, int capacity, int64_t waitMs, bool& stopped);
  void Close();
  // The local port the system chose.
  int LocalPort() const;
};

class TUdpFunction : public TFunction {
protected:
  // The active socket of the handle with its slot locked through lock, or
  // null after raising the error (bad handle, no socket, inactive socket)
  // with the function's own prefix.
  static TUdpSocket* ActiveSocket(TCalcInfo& ci, int32_t handle, const char* prefix,
                                  std::unique_lock<std::mutex>& lock);
  static bool ValidHandle(TCalcInfo& ci, int32_t handle, const char* prefix);
  // The receive loop shared by udpreceivestring and udpreceivebin: the bytes
  // of one datagram, empty when none came in the slot's time-out.
  static std::string ReceiveDatagram(TCalcInfo& ci, int32_t handle, TUdpSocket& socket);
};

class TUdpCreate final : public TUdpFunction {
public:
  int ArgumentCount() const override { return 4; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TUdpSendString final : public TUdpFunction {
public:
  int ArgumentCount() const override { return 2; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TUdpReceiveString final : public TUdpFunction {
public:
  int ArgumentCount() const override { return 1; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TUdpSendBin final : public TUdpFunction {
public:
  int ArgumentCount() const override { return 2; }
  bool CheckArguments() override { return IsArrayArg(1); }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TUdpReceiveBin final : public TUdpFunction {
public:
  int ArgumentCount() const override { return 2; }
  bool CheckArguments() override { return IsArrayArg(1); }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TUdpClose final : public TUdpFunction {
public:
  int ArgumentCount() const override { return 1; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

// The rows of this library.
TLibrary UdpLibrary();

}  // namespace TernioParser
