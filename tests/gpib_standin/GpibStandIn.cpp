// A stand-in for an NI-488.2 driver library: the entry points the calculator
// binds, with the driver's status variables, simulating one instrument at
// primary address 5 on board 0. The instrument answers
//   *IDN?   its identification line
//   READ?   a reading (MEAS? likewise)
//   LONG?   a line of 1500 characters
//   LAST?   the bytes of the last write that was no query
//   SLOW?   the identification, but only after 10 s
// and honours ibtmo: a read with no answer waiting ends with TIMO after the
// device's time-out. Any other query is an error. Its status byte (ibrsp)
// has MAV (16) while an answer is ready and ESB (32) after an error; device
// clear (ibclr) drops the answer and the error. Other addresses have no
// instrument: writes, ibclr and ibrsp fail with ENOL, reads with a time-out
// at once (a real bus would wait for it).
//
// Built twice: the full library (thread status functions, asynchronous
// transfers, device clear, serial poll), and with STANDIN_MINIMAL a library
// that has only the global status variables and lacks ibrd, the
// asynchronous calls, ibclr and ibrsp.
//
// StandInLog() gives the calls made so far, one per line, so that tests can
// see what the calculator asked the driver to do.

#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#define EXPORT extern "C" __attribute__((visibility("default")))

extern "C" {
__attribute__((visibility("default"))) int ibsta = 0;
__attribute__((visibility("default"))) int iberr = 0;
__attribute__((visibility("default"))) long ibcntl = 0;
}

namespace {

using TClock = std::chrono::steady_clock;

constexpr int ERR = 0x8000, TIMO = 0x4000, END = 0x2000, CMPL = 0x0100;
constexpr int ENOL = 2, EARG = 4, EABO = 6;
constexpr int MAV = 0x10, ESB = 0x20;

struct TDevice {
  int Board = 0, Pad = 0, Tmo = 12;
  bool Instrument = false;
  std::string Answer, Last;
  bool QueryError = false;
  TClock::time_point AvailableAt{};
  // An asynchronous read in progress.
  bool Reading = false;
  char* Buffer = nullptr;
  long Capacity = 0;
  TClock::time_point Started{};
};

std::mutex Lock;
std::map<int, TDevice> Devices;
int NextDescriptor = 100;
std::string Log;

void Note(const std::string& line) { Log += line + "\n"; }

int Set(int sta, int err, long cnt) {
  ibsta = sta;
  iberr = err;
  ibcntl = cnt;
  return sta;
}

[[maybe_unused]] TClock::duration TimeoutOf(int code) {
  static const long long us[] = {0,
                                 10,
                                 30,
                                 100,
                                 300,
                                 1000,
                                 3000,
                                 10000,
                                 30000,
                                 100000,
                                 300000,
                                 1000000,
                                 3000000,
                                 10000000,
                                 30000000,
                                 100000000,
                                 300000000,
                                 1000000000};
  if (code <= 0 || code > 17) return std::chrono::hours(24);
  return std::chrono::microseconds(us[code]);
}

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

void Command(TDevice& d, const std::string& data) {
  const std::string c = Trimmed(data);
  d.AvailableAt = TClock::now();
  if (c == "*IDN?") d.Answer = "OSTRA INSTRUMENTS,GPIB STAND-IN,5,1.0\n";
  else if (c == "READ?" || c == "MEAS?") d.Answer = "+1.234500E+00\n";
  else if (c == "LONG?") d.Answer = std::string(1500, 'x') + "\n";
  else if (c == "LAST?") d.Answer = d.Last;
  else if (c == "SLOW?") {
    d.Answer = "OSTRA INSTRUMENTS,GPIB STAND-IN,5,1.0\n";
    d.AvailableAt = TClock::now() + std::chrono::seconds(10);
  } else if (!c.empty() && c.back() == '?') d.QueryError = true;
  else d.Last = data;
}

[[maybe_unused]] bool Ready(const TDevice& d) { return !d.Answer.empty() && TClock::now() >= d.AvailableAt; }

// Delivers up to cnt bytes of the waiting answer.
[[maybe_unused]] int Deliver(TDevice& d, char* buf, long cnt) {
  long n = std::min<long>(cnt, static_cast<long>(d.Answer.size()));
  std::memcpy(buf, d.Answer.data(), static_cast<size_t>(n));
  d.Answer.erase(0, static_cast<size_t>(n));
  return Set(CMPL | (d.Answer.empty() ? END : 0), 0, n);
}

TDevice* Find(int ud) {
  auto it = Devices.find(ud);
  return it == Devices.end() ? nullptr : &it->second;
}

}  // namespace

#ifndef STANDIN_MINIMAL
EXPORT int ThreadIbsta() { return ibsta; }
EXPORT int ThreadIberr() { return iberr; }
EXPORT long ThreadIbcntl() { return ibcntl; }
#endif

EXPORT const char* StandInLog() {
  static std::string copy;
  std::lock_guard<std::mutex> g(Lock);
  copy = Log;
  return copy.c_str();
}

EXPORT void StandInReset() {
  std::lock_guard<std::mutex> g(Lock);
  Log.clear();
  Devices.clear();
}

EXPORT int ibdev(int board, int pad, int sad, int tmo, int eot, int eos) {
  std::lock_guard<std::mutex> g(Lock);
  if (pad < 0 || pad > 30 || board < 0) {
    Note("ibdev " + std::to_string(board) + " " + std::to_string(pad) + " -> -1");
    Set(ERR, EARG, 0);
    return -1;
  }
  int ud = NextDescriptor++;
  TDevice d;
  d.Board = board, d.Pad = pad, d.Tmo = tmo;
  d.Instrument = board == 0 && pad == 5;
  Devices[ud] = d;
  Note("ibdev " + std::to_string(board) + " " + std::to_string(pad) + " " + std::to_string(sad) + " " +
       std::to_string(tmo) + " " + std::to_string(eot) + " " + std::to_string(eos) + " -> " + std::to_string(ud));
  Set(CMPL, 0, 0);
  return ud;
}

EXPORT int ibwrt(int ud, const void* buf, long cnt) {
  std::lock_guard<std::mutex> g(Lock);
  TDevice* d = Find(ud);
  Note("ibwrt " + std::to_string(ud) + " " + std::string(static_cast<const char*>(buf), static_cast<size_t>(cnt)));
  if (!d) return Set(ERR, 1, 0);  // EDVR-like: not a descriptor
  if (!d->Instrument) return Set(ERR, ENOL, 0);
  Command(*d, std::string(static_cast<const char*>(buf), static_cast<size_t>(cnt)));
  return Set(CMPL | END, 0, cnt);
}

#ifndef STANDIN_MINIMAL
EXPORT int ibrd(int ud, void* buf, long cnt) {
  std::unique_lock<std::mutex> g(Lock);
  TDevice* d = Find(ud);
  Note("ibrd " + std::to_string(ud) + " " + std::to_string(cnt));
  if (!d) return Set(ERR, 1, 0);
  if (!d->Instrument) return Set(ERR | TIMO | CMPL, EABO, 0);
  const TClock::time_point deadline = TClock::now() + TimeoutOf(d->Tmo);
  while (!Ready(*d) && TClock::now() < deadline) {
    g.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    g.lock();
    d = Find(ud);
    if (!d) return Set(ERR, 1, 0);
  }
  if (!Ready(*d)) return Set(ERR | TIMO | CMPL, EABO, 0);
  return Deliver(*d, static_cast<char*>(buf), cnt);
}

EXPORT int ibrda(int ud, void* buf, long cnt) {
  std::lock_guard<std::mutex> g(Lock);
  TDevice* d = Find(ud);
  Note("ibrda " + std::to_string(ud) + " " + std::to_string(cnt));
  if (!d) return Set(ERR, 1, 0);
  if (!d->Instrument) return Set(ERR | TIMO | CMPL, EABO, 0);
  d->Reading = true;
  d->Buffer = static_cast<char*>(buf);
  d->Capacity = cnt;
  d->Started = TClock::now();
  return Set(0, 0, 0);
}

EXPORT int ibwrta(int ud, const void* buf, long cnt) {
  // Completes at once; ibwait reports it.
  int sta = ibwrt(ud, buf, cnt);
  return sta & ~CMPL;
}

EXPORT int ibwait(int ud, int mask) {
  std::lock_guard<std::mutex> g(Lock);
  TDevice* d = Find(ud);
  if (!d) return Set(ERR, 1, 0);
  (void)mask;
  if (!d->Reading) return Set(ibsta | CMPL, iberr, ibcntl);
  if (Ready(*d)) {
    d->Reading = false;
    return Deliver(*d, d->Buffer, d->Capacity);
  }
  if (TClock::now() - d->Started >= TimeoutOf(d->Tmo)) {
    d->Reading = false;
    return Set(ERR | TIMO | CMPL, EABO, 0);
  }
  return Set(0, 0, 0);
}

EXPORT int ibclr(int ud) {
  std::lock_guard<std::mutex> g(Lock);
  TDevice* d = Find(ud);
  Note("ibclr " + std::to_string(ud));
  if (!d) return Set(ERR, 1, 0);
  if (!d->Instrument) return Set(ERR, ENOL, 0);
  d->Answer.clear();
  d->QueryError = false;
  d->Reading = false;
  return Set(CMPL, 0, 0);
}

EXPORT int ibrsp(int ud, char* spr) {
  std::lock_guard<std::mutex> g(Lock);
  TDevice* d = Find(ud);
  Note("ibrsp " + std::to_string(ud));
  if (!d) return Set(ERR, 1, 0);
  if (!d->Instrument) return Set(ERR, ENOL, 0);
  *spr = static_cast<char>((Ready(*d) ? MAV : 0) | (d->QueryError ? ESB : 0));
  return Set(CMPL, 0, 1);
}

EXPORT int ibstop(int ud) {
  std::lock_guard<std::mutex> g(Lock);
  TDevice* d = Find(ud);
  Note("ibstop " + std::to_string(ud));
  if (!d) return Set(ERR, 1, 0);
  d->Reading = false;
  return Set(ERR | CMPL, EABO, 0);
}
#endif

EXPORT int ibtmo(int ud, int v) {
  std::lock_guard<std::mutex> g(Lock);
  Note("ibtmo " + std::to_string(ud) + " " + std::to_string(v));
  TDevice* d = Find(ud);
  if (!d || v < 0 || v > 17) return Set(ERR, EARG, 0);
  d->Tmo = v;
  return Set(CMPL, 0, 0);
}

EXPORT int ibconfig(int ud, int option, int value) {
  std::lock_guard<std::mutex> g(Lock);
  Note("ibconfig " + std::to_string(ud) + " " + std::to_string(option) + " " + std::to_string(value));
  return Set(CMPL, 0, 0);
}

EXPORT int ibonl(int ud, int v) {
  std::lock_guard<std::mutex> g(Lock);
  Note("ibonl " + std::to_string(ud) + " " + std::to_string(v));
  if (!Find(ud)) return Set(ERR, 1, 0);
  if (v == 0) Devices.erase(ud);
  return Set(CMPL, 0, 0);
}
