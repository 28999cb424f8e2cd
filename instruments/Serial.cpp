#include "instruments/Serial.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace TernioParser {

namespace {

// Waits of a read or write are cut into slices this long, so that a stop
// request ends them promptly.
constexpr int StopSliceMs = 20;

struct TRate {
  uint32_t Baud;
  speed_t Code;
};

const TRate Rates[] = {
    {50, B50},           {75, B75},         {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},       {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},     {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200}, {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600}, {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000},
};

bool RateCode(uint32_t baud, speed_t& code) {
  for (const TRate& r : Rates)
    if (r.Baud == baud) {
      code = r.Code;
      return true;
    }
  return false;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool ParseUnsigned(std::string_view s, uint32_t& out) {
  if (s.empty() || s.size() > 9) return false;
  uint32_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint32_t>(c - '0');
  }
  out = v;
  return true;
}

// The rates the short form may abbreviate to two digits.
uint32_t ShortFormRate(uint32_t v) {
  switch (v) {
    case 11: return 110;
    case 15: return 150;
    case 30: return 300;
    case 60: return 600;
    case 12: return 1200;
    case 24: return 2400;
    case 48: return 4800;
    case 96: return 9600;
    case 19: return 19200;
    default: return v;
  }
}

bool SetParity(std::string_view v, TCommConfig& c) {
  if (v.size() != 1 || std::string_view("neoms").find(v[0]) == std::string_view::npos) return false;
  c.Parity = v[0];
  return true;
}

bool SetData(std::string_view v, TCommConfig& c) {
  uint32_t d = 0;
  if (!ParseUnsigned(v, d) || d < 5 || d > 8) return false;
  c.DataBits = static_cast<int>(d);
  return true;
}

bool SetStop(std::string_view v, TCommConfig& c) {
  if (v == "1") c.StopBits = 1;
  else if (v == "2" || v == "1.5") c.StopBits = 2;
  else return false;
  return true;
}

bool OnOff(std::string_view v, bool& out) {
  if (v == "on") out = true;
  else if (v == "off") out = false;
  else return false;
  return true;
}

// "9600,n,8,1" with an optional fifth field (p: hardware handshake, x:
// xon/xoff); trailing fields may be left out.
bool ParseShortForm(std::string_view s, TCommConfig& c) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (;;) {
    size_t comma = s.find(',', start);
    std::string_view f = s.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    while (!f.empty() && f.front() == ' ') f.remove_prefix(1);
    while (!f.empty() && f.back() == ' ') f.remove_suffix(1);
    fields.push_back(f);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (fields.size() > 5) return false;
  uint32_t baud = 0;
  if (!ParseUnsigned(fields[0], baud)) return false;
  c.Baud = ShortFormRate(baud);
  if (fields.size() > 1 && !fields[1].empty() && !SetParity(fields[1], c)) return false;
  if (fields.size() > 2 && !fields[2].empty() && !SetData(fields[2], c)) return false;
  if (fields.size() > 3 && !fields[3].empty() && !SetStop(fields[3], c)) return false;
  if (fields.size() > 4 && !fields[4].empty()) {
    if (fields[4] == "p") c.RtsCts = true;
    else if (fields[4] == "x") c.XonXoff = true;
    else return false;
  }
  return true;
}

// "baud=9600 parity=N stop=1 data=8" and the other keywords of the mode
// syntax (to, xon, odsr, octs, dtr, rts, idsr), in any order.
bool ParseKeywords(std::string_view s, TCommConfig& c) {
  bool any = false;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i >= s.size()) break;
    size_t end = i;
    while (end < s.size() && s[end] != ' ' && s[end] != '\t') ++end;
    std::string_view word = s.substr(i, end - i);
    i = end;
    size_t eq = word.find('=');
    if (eq == std::string_view::npos) return false;
    std::string_view key = word.substr(0, eq), value = word.substr(eq + 1);
    bool flag = false;
    if (key == "baud") {
      uint32_t b = 0;
      if (!ParseUnsigned(value, b)) return false;
      c.Baud = ShortFormRate(b);
    } else if (key == "parity") {
      if (!SetParity(value, c)) return false;
    } else if (key == "data") {
      if (!SetData(value, c)) return false;
    } else if (key == "stop") {
      if (!SetStop(value, c)) return false;
    } else if (key == "xon") {
      if (!OnOff(value, c.XonXoff)) return false;
    } else if (key == "octs") {
      if (!OnOff(value, c.RtsCts)) return false;
    } else if (key == "rts") {
      if (value == "hs") c.RtsCts = true;
      else if (value != "tg" && !OnOff(value, flag)) return false;
    } else if (key == "dtr") {
      if (value != "hs" && !OnOff(value, flag)) return false;
    } else if (key == "to" || key == "odsr" || key == "idsr") {
      if (!OnOff(value, flag)) return false;
    } else {
      return false;
    }
    any = true;
  }
  return any;
}

}  // namespace

bool ParseCommDescriptor(std::string_view desc, TCommConfig& config) {
  std::string s = Lower(desc);
  std::string_view v = s;
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
  // An optional device name in front, as in "COM1: baud=9600" or "COM1:9600,n,8,1".
  if (v.size() > 3 && v.substr(0, 3) == "com") {
    size_t k = 3;
    while (k < v.size() && std::isdigit(static_cast<unsigned char>(v[k]))) ++k;
    if (k == 3) return false;
    if (k < v.size() && v[k] == ':') ++k;
    v.remove_prefix(k);
    while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
  }
  TCommConfig c;
  const bool ok = v.find('=') != std::string_view::npos ? ParseKeywords(v, c) : ParseShortForm(v, c);
  speed_t code;
  if (!ok || !RateCode(c.Baud, code)) return false;
  config = c;
  return true;
}

std::string SerialDevicePath(int portNumber) {
  const std::string name = "OSTRA_SERIAL_" + std::to_string(portNumber);
  if (const char* dev = std::getenv(name.c_str()); dev && *dev) return dev;
  return "/dev/ttyS" + std::to_string(portNumber);
}

// ---- TCommHandler

TCommHandler::TCommHandler(int port, std::string_view descriptor, int32_t interval, int32_t multiplier,
                           int32_t constant, bool handshake)
    : Port(port), ReadIntervalTimeout(interval), ReadTotalTimeoutMultiplier(multiplier),
      ReadTotalTimeoutConstant(constant), DevicePath(SerialDevicePath(port - 1)), Handshake(handshake) {
  ConfigValid = ParseCommDescriptor(descriptor, Config);
}

TCommHandler::~TCommHandler() { Close(); }

namespace {

// The terminal settings of a configuration, applied over raw mode.
void ApplyConfig(const TCommConfig& c, speed_t code, termios& tio) {
  cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  tio.c_cflag |= CLOCAL | CREAD;
  static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
  tio.c_cflag |= sizes[c.DataBits - 5];
  switch (c.Parity) {
    case 'e': tio.c_cflag |= PARENB; break;
    case 'o': tio.c_cflag |= PARENB | PARODD; break;
    case 'm': tio.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 's': tio.c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  if (c.StopBits == 2) tio.c_cflag |= CSTOPB;
  if (c.RtsCts) tio.c_cflag |= CRTSCTS;
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  if (c.XonXoff) tio.c_iflag |= IXON | IXOFF;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  cfsetispeed(&tio, code);
  cfsetospeed(&tio, code);
}

// Whether the device runs with every line setting that was asked for: a
// driver takes what it can and drops the rest without failing the call.
bool SameLineSettings(const termios& asked, const termios& got) {
  constexpr tcflag_t line = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
  constexpr tcflag_t flow = IXON | IXOFF | IXANY;
  return (asked.c_cflag & line) == (got.c_cflag & line) && (asked.c_iflag & flow) == (got.c_iflag & flow) &&
         cfgetispeed(&asked) == cfgetispeed(&got) && cfgetospeed(&asked) == cfgetospeed(&got);
}

}  // namespace

bool TCommHandler::Open() {
  if (IsOpen()) return true;
  if (!ConfigValid) return false;
  Fd = ::open(DevicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (Fd < 0) return false;
  Gone = false;
  // Exclusive use: the advisory lock keeps out every other opener that asks
  // (this program included, also when running as root, which TIOCEXCL does
  // not stop); TIOCEXCL keeps out everyone else. Only the holder of the lock
  // sets TIOCEXCL, and only when nobody has set it before, so that closing
  // never ends another holder's exclusive use.
  if (::flock(Fd, LOCK_EX | LOCK_NB) != 0) return false;  // the descriptor stays open until Close
  int excl = 0;
  if (::ioctl(Fd, TIOCGEXCL, &excl) == 0 && !excl) ExclusiveSet = ::ioctl(Fd, TIOCEXCL) == 0;
  termios found{};
  if (::tcgetattr(Fd, &found) != 0) return false;
  speed_t code = B9600;
  RateCode(Config.Baud, code);
  termios asked = found;
  ApplyConfig(Config, code, asked);
  if (::tcsetattr(Fd, TCSANOW, &asked) != 0) return false;
  // Read back: a device that took only part of the settings does not open,
  // and is left as it was found.
  termios got{};
  if (::tcgetattr(Fd, &got) != 0 || !SameLineSettings(asked, got)) {
    ::tcsetattr(Fd, TCSANOW, &found);
    return false;
  }
  if (Handshake) {
    // Raise DTR and RTS; a device without modem lines (a pseudo-terminal)
    // refuses, which does no harm.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(Fd, TIOCMBIS, &lines);
  }
  Purge();
  return true;
}

void TCommHandler::Purge() {
  if (!IsOpen()) return;
  ::tcflush(Fd, TCIOFLUSH);
  Pending.clear();
  PendingPos = 0;
}

void TCommHandler::Close() {
  if (!IsOpen()) return;
  if (ExclusiveSet) ::ioctl(Fd, TIOCNXCL);
  ExclusiveSet = false;
  ::close(Fd);
  Fd = -1;
  Pending.clear();
  PendingPos = 0;
}

bool TCommHandler::WaitInput(TCalcInfo& ci, const TClock::time_point* deadline, TRead& how) {
  for (;;) {
    if (ci.Stopping()) {
      how = TRead::Stopped;
      return false;
    }
    int slice = StopSliceMs;
    if (deadline) {
      const TClock::time_point now = TClock::now();
      if (now >= *deadline) {
        // A last look, so that bytes already there count before the deadline.
        slice = 0;
      } else {
        // Rounded up: a wait never ends before its deadline.
        slice = static_cast<int>(
            std::min<int64_t>(slice, std::chrono::ceil<std::chrono::milliseconds>(*deadline - now).count()));
      }
    }
    pollfd p{Fd, POLLIN, 0};
    int r = ::poll(&p, 1, slice);
    if (r < 0 && errno != EINTR) {
      Gone = true;
      return false;
    }
    if (r > 0) {
      if (p.revents & POLLIN) return true;
      if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
        Gone = true;
        return false;
      }
    }
    if (slice == 0) return false;
  }
}

size_t TCommHandler::Receive(TCalcInfo& ci, std::string& out, size_t max, TRead& how) {
  how = TRead::Done;
  size_t got = 0;
  const bool total = ReadTotalTimeoutConstant > 0 || ReadTotalTimeoutMultiplier > 0;
  TClock::time_point deadline{};
  if (total) {
    const int64_t ms = static_cast<int64_t>(ReadTotalTimeoutConstant > 0 ? ReadTotalTimeoutConstant : 0) +
                       static_cast<int64_t>(ReadTotalTimeoutMultiplier > 0 ? ReadTotalTimeoutMultiplier : 0) *
                           static_cast<int64_t>(max);
    deadline = TClock::now() + std::chrono::milliseconds(ms);
  }
  const bool interval = ReadIntervalTimeout > 0;
  TClock::time_point lastByte{};
  while (got < max) {
    if (PendingPos < Pending.size()) {
      size_t n = std::min(max - got, Pending.size() - PendingPos);
      out.append(Pending, PendingPos, n);
      PendingPos += n;
      got += n;
      if (PendingPos == Pending.size()) {
        Pending.clear();
        PendingPos = 0;
      }
      if (interval) lastByte = TClock::now();
      continue;
    }
    if (!IsOpen() || Gone) break;
    // The nearer of the call's deadline and the end of the interval allowed
    // after the last byte (the interval counts only once a byte has come).
    TClock::time_point limit{};
    bool limited = false;
    if (total) limit = deadline, limited = true;
    if (interval && got > 0) {
      TClock::time_point end = lastByte + std::chrono::milliseconds(ReadIntervalTimeout);
      if (!limited || end < limit) limit = end;
      limited = true;
    }
    if (!WaitInput(ci, limited ? &limit : nullptr, how)) break;
    char chunk[4096];
    ssize_t n = ::read(Fd, chunk, sizeof chunk);
    if (n > 0) {
      Pending.assign(chunk, static_cast<size_t>(n));
      PendingPos = 0;
    } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
      // End of file or an I/O error: the device has gone.
      Gone = true;
    }
  }
  return got;
}

bool TCommHandler::ReadLine(TCalcInfo& ci, std::string& line, TRead& how) {
  how = TRead::Done;
  if (!IsOpen() || LineTerminator.empty()) return false;
  LineBuffer.clear();
  const size_t t = LineTerminator.size();
  for (;;) {
    // Each byte is one read call with the full time-out.
    if (Receive(ci, LineBuffer, 1, how) == 0) return false;
    if (LineBuffer.size() >= t && LineBuffer.compare(LineBuffer.size() - t, t, LineTerminator) == 0) {
      LineBuffer.resize(LineBuffer.size() - t);
      break;
    }
    // A device that never sends the terminator cannot make the line grow
    // without bound: the line so far is returned, the rest follows.
    if (LineBuffer.size() >= MaxLineLength) break;
  }
  line = LineBuffer;
  return true;
}

std::string TCommHandler::ReadText(TCalcInfo& ci, size_t count, TRead& how) {
  std::string out;
  how = TRead::Done;
  if (!IsOpen()) return out;
  Receive(ci, out, count, how);
  return out;
}

bool TCommHandler::Write(TCalcInfo& ci, std::string_view bytes, TRead& how) {
  how = TRead::Done;
  if (!IsOpen()) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(Fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return false;
    // The output queue is full: wait for room (a stop request ends it).
    for (;;) {
      if (ci.Stopping()) {
        how = TRead::Stopped;
        return false;
      }
      pollfd p{Fd, POLLOUT, 0};
      int r = ::poll(&p, 1, StopSliceMs);
      if (r > 0 && (p.revents & POLLOUT)) break;
      if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) return false;
      if (r < 0 && errno != EINTR) return false;
    }
  }
  return true;
}

// ---- script functions

namespace {

// A text ends at its first zero byte.
std::string UpToZero(std::string s) {
  size_t z = s.find('\0');
  if (z != std::string::npos) s.resize(z);
  return s;
}

}  // namespace

bool TCommFunction::ValidPort(TCalcInfo& ci, int32_t port) {
  if (port < 0 || port >= SlotCount) {
    ci.SetError("Illegal port number");
    return false;
  }
  return true;
}

TCommHandler* TCommFunction::OpenPort(TCalcInfo& ci, int32_t port, std::unique_lock<std::mutex>& lock) {
  if (port < 0 || port >= SlotCount) {
    ci.SetError("OpenComm: Illegal port number");
    return nullptr;
  }
  lock = std::unique_lock<std::mutex>(Instruments().Locks[port]);
  TCommHandler* h = Instruments().Serial[port].get();
  if (!h) ci.SetError("Port has not been opened");
  return h;
}

void TCommFunction::CheckStop(TCalcInfo& ci, TCommHandler::TRead how) {
  if (how == TCommHandler::TRead::Stopped) RaiseStopped(ci);
}

void TOpenComm::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  const int32_t port = IntArg(0);
  if (!ValidPort(ci, port)) return;
  const int32_t t = IntArg(2);
  const std::string desc = Results[1].AsString();
  TInstrumentLayer& layer = Instruments();
  std::lock_guard<std::mutex> g(layer.Locks[port]);
  layer.Serial[port].reset();
  layer.Serial[port] = std::make_unique<TCommHandler>(port + 1, desc, t / 10, 0, t, true);
  if (layer.Serial[port]->Open()) {
    result.SetNumber(1);
  } else {
    layer.Serial[port].reset();
  }
}

void TCloseComm::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  const int32_t port = IntArg(0);
  if (!ValidPort(ci, port)) return;
  TInstrumentLayer& layer = Instruments();
  std::lock_guard<std::mutex> g(layer.Locks[port]);
  layer.Serial[port].reset();
}

void TWriteComm::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  const int32_t port = IntArg(0);
  std::unique_lock<std::mutex> lock;
  TCommHandler* h = OpenPort(ci, port, lock);
  if (!h) return;
  TCommHandler::TRead how;
  h->Write(ci, UpToZero(Results[1].AsString()), how);
  CheckStop(ci, how);
}

void TReadComm::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  const int32_t port = IntArg(0);
  std::unique_lock<std::mutex> lock;
  TCommHandler* h = OpenPort(ci, port, lock);
  if (!h) return;
  std::string line;
  TCommHandler::TRead how;
  if (h->ReadLine(ci, line, how)) result.SetString(UpToZero(std::move(line)));
  CheckStop(ci, how);
}

void TReadCommCnt::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  const int32_t port = IntArg(0);
  std::unique_lock<std::mutex> lock;
  TCommHandler* h = OpenPort(ci, port, lock);
  if (!h) return;
  const int32_t count = IntArg(1);
  if (count < 0) {
    ci.SetError("CommRead: Illegal char count");
    return;
  }
  TCommHandler::TRead how;
  try {
    result.SetString(UpToZero(h->ReadText(ci, static_cast<size_t>(count), how)));
  } catch (const std::bad_alloc&) {
    ci.SetError("CommRead: Out of memory");
    return;
  }
  CheckStop(ci, how);
}

void TLineTerm::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  const int32_t port = IntArg(0);
  std::unique_lock<std::mutex> lock;
  TCommHandler* h = OpenPort(ci, port, lock);
  if (!h) return;
  h->SetTerminator(Results[1].AsString());
  result.SetNumber(1);
}

void TReadCommBin::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  TArrayEntry* const arr = RequireArray(ci, 1, "CommReadBin: Second parameter is not an array", TScalarName::Named);
  if (!arr || !EvaluateArguments(ci)) return;
  const int32_t port = IntArg(0);
  if (port < 0 || port > 255) {
    ci.SetError("CommReadBin: Illegal port number");
    return;
  }
  std::unique_lock<std::mutex> lock;
  TCommHandler* h = OpenPort(ci, port, lock);
  if (!h) return;
  const int32_t n = std::max<int32_t>(IntArg(2), 0);
  TCommHandler::TRead how;
  try {
    const std::string bytes = h->ReadText(ci, static_cast<size_t>(n), how);
    StoreBytes(*arr, bytes);
    result.SetNumber(bytes.empty() ? 0 : 1);
  } catch (const std::bad_alloc&) {
    ci.SetError("CommReadBin: Out of memory");
    return;
  }
  CheckStop(ci, how);
}

void TWriteCommBin::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  TArrayEntry* const arr = RequireArray(ci, 1, "CommWriteBin: Second parameter is not an array", TScalarName::Named);
  if (!arr || !EvaluateArguments(ci)) return;
  const int32_t port = IntArg(0);
  if (port < 0 || port > 255) {
    ci.SetError("CommWriteBin: Illegal comm port number");
    return;
  }
  std::unique_lock<std::mutex> lock;
  TCommHandler* h = OpenPort(ci, port, lock);
  if (!h) return;
  TCommHandler::TRead how;
  h->Write(ci, ArrayBytes(*arr), how);
  CheckStop(ci, how);
}

}  // namespace TernioParser
