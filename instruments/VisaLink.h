#pragma once
// The links of VISA sessions: one transport per protocol behind one small
// interface, and the waits they share. Every wait of a link ends within
// StopSliceMs of a stop request.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <functional>

#include "engine/CalcInfo.h"
#include "instruments/VisaResource.h"

namespace TernioParser {

enum class TVisaIo { Ok, Timeout, Stopped, Gone };

// The wait of one transfer: the run's stop request and the time-out, which
// restarts whenever bytes arrive (Progress); no time-out when ms <= 0.
class TVisaWait {
public:
  using TClock = std::chrono::steady_clock;
  static constexpr int StopSliceMs = 50;
  TVisaWait(TCalcInfo& ci, int64_t ms) : Ci(ci), Ms(ms) { Progress(); }
  TCalcInfo& Ci;
  void Progress() {
    if (Ms > 0) Deadline = TClock::now() + std::chrono::milliseconds(Ms);
  }
  bool Stopping() const { return Ci.Stopping(); }
  // How long the next poll may wait: at most a slice; 0 for a last look
  // once the time-out has passed.
  int Slice() const;
  // Milliseconds left (a large number without a time-out).
  int64_t LeftMs() const;
  int64_t TimeoutMs() const { return Ms; }

private:
  int64_t Ms;
  TClock::time_point Deadline{};
};

// For links whose calls block in a library or the kernel: a thread of the
// link's own that waits for the run's stop request and then interrupts the
// call under way (Begin .. End), once.
class TStopWatcher {
public:
  TStopWatcher(TCalcInfo& ci, std::function<void()> interrupt);
  ~TStopWatcher();
  TStopWatcher(const TStopWatcher&) = delete;
  TStopWatcher& operator=(const TStopWatcher&) = delete;
  // False when a stop has been requested: the call is not to be made.
  bool Begin();
  void End() { InCall = false; }

private:
  TCalcInfo& Ci;
  std::function<void()> Interrupt;
  std::atomic<bool> InCall{false};
  TEvent Quit{true};
  std::thread Thread;
};

class TVisaLink {
public:
  virtual ~TVisaLink() = default;
  // Whether the protocol marks the end of a message (END, EOI, EOM).
  virtual bool HasEnd() const = 0;
  // Sends all bytes; end: they close the message.
  virtual TVisaIo Write(TVisaWait& w, std::string_view bytes, bool end) = 0;
  // Receives at least one and up to cap bytes; end: the message ended with
  // the last of them. Never reads past the end of a message.
  virtual TVisaIo Read(TVisaWait& w, char* buf, size_t cap, size_t& got, bool& end) = 0;
  // Device clear; false when the link cannot or the device refused.
  virtual bool Clear(TVisaWait& w) = 0;
  // The status byte by the protocol's own means (serial poll); false when
  // it has none (the session then asks *STB?) or the device failed.
  virtual bool Status(TVisaWait& w, int& stb, TVisaIo& how) {
    how = TVisaIo::Ok;
    (void)w, (void)stb;
    return false;
  }
  virtual bool HasStatus() const { return false; }
  // The read termination character (-1: none), for links whose device can
  // end a read at it.
  virtual void SetTermChar(int c) { (void)c; }
  // The session's time-out, for links whose driver keeps one.
  virtual void SetTimeout(int64_t ms) { (void)ms; }
};

// Opening, one function per protocol; null when the resource cannot be
// reached (how tells a stop request apart).
std::unique_ptr<TVisaLink> OpenSocketLink(TVisaWait& w, const TVisaResource& r, TVisaIo& how);
std::unique_ptr<TVisaLink> OpenHislipLink(TVisaWait& w, const TVisaResource& r, TVisaIo& how);
std::unique_ptr<TVisaLink> OpenVxi11Link(TVisaWait& w, const TVisaResource& r, TVisaIo& how);
std::unique_ptr<TVisaLink> OpenUsbtmcLink(TVisaWait& w, const TVisaResource& r, TVisaIo& how);
std::unique_ptr<TVisaLink> OpenSerialLink(TVisaWait& w, const TVisaResource& r, TVisaIo& how);
std::unique_ptr<TVisaLink> OpenGpibLink(TVisaWait& w, const TVisaResource& r, TVisaIo& how);

// ---- TCP helpers of the LAN links (non-blocking descriptors)

// Resolves the host (system resolver; a stop request ends the wait) and
// connects; the descriptor with TCP_NODELAY, or -1.
int ConnectTcp(TVisaWait& w, const std::string& host, int port, TVisaIo& how);
TVisaIo SendAll(TVisaWait& w, int fd, const char* data, size_t n);
// At least one byte, up to cap.
TVisaIo ReceiveSome(TVisaWait& w, int fd, char* buf, size_t cap, size_t& got);
TVisaIo ReceiveExact(TVisaWait& w, int fd, char* buf, size_t n);

// Where sysfs and the device nodes are looked up: OSTRA_VISA_ROOT (a test's
// stand-in tree) in front of /sys and /dev, else the system's.
std::string VisaSystemRoot();

}  // namespace TernioParser
