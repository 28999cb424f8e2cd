// The links of the local buses: USBTMC through the Linux kernel driver, and
// the serial and GPIB layers of this program; and visafind's list of what is
// present.

#include <dirent.h>
#include <fcntl.h>
#include <linux/usb/tmc.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <set>
#include <thread>
#include <vector>

#include "instruments/Gpib.h"
#include "instruments/Serial.h"
#include "instruments/Visa.h"

namespace TernioParser {

namespace {

std::string ReadLine(const std::string& path) {
  std::ifstream f(path);
  std::string line;
  std::getline(f, line);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) line.pop_back();
  return line;
}

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> out;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* e = ::readdir(d))
      if (e->d_name[0] != '.') out.emplace_back(e->d_name);
    ::closedir(d);
  }
  std::sort(out.begin(), out.end());
  return out;
}

bool SameNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// ---- USBTMC devices in sysfs: class/usbmisc/usbtmcN/device is the USB
// interface, whose parent holds the device's ids and serial number.

struct TUsbtmcDevice {
  std::string Node;  // usbtmcN
  TVisaResource Resource;
};

std::vector<TUsbtmcDevice> UsbtmcDevices() {
  std::vector<TUsbtmcDevice> out;
  const std::string cls = VisaSystemRoot() + "/sys/class/usbmisc";
  for (const std::string& node : Entries(cls)) {
    if (node.rfind("usbtmc", 0) != 0) continue;
    const std::string intf = cls + "/" + node + "/device";
    const std::string dev = intf + "/..";
    TUsbtmcDevice d;
    d.Node = node;
    d.Resource.Kind = TVisaKind::Usbtmc;
    d.Resource.Vendor = static_cast<int>(std::strtol(ReadLine(dev + "/idVendor").c_str(), nullptr, 16));
    d.Resource.Product = static_cast<int>(std::strtol(ReadLine(dev + "/idProduct").c_str(), nullptr, 16));
    d.Resource.SerialNumber = ReadLine(dev + "/serial");
    const std::string number = ReadLine(intf + "/bInterfaceNumber");
    d.Resource.Interface = number.empty() ? -1 : static_cast<int>(std::strtol(number.c_str(), nullptr, 16));
    if (d.Resource.SerialNumber.empty()) d.Resource.SerialNumber = "0";
    out.push_back(d);
  }
  return out;
}

class TUsbtmcLink final : public TVisaLink {
public:
  TUsbtmcLink(TCalcInfo& ci, int fd) : Fd(fd) {
    uint32_t t = 0;
    // The kernel driver answers its own ioctls; a stand-in device (a
    // pseudo-terminal in the tests) does not, and is then read with poll.
    Driver = ::ioctl(Fd, USBTMC_IOCTL_GET_TIMEOUT, &t) == 0;
    // A stop request cancels the driver's blocking transfer.
    if (Driver) Watch = std::make_unique<TStopWatcher>(ci, [fd] { ::ioctl(fd, USBTMC_IOCTL_CANCEL_IO); });
  }
  ~TUsbtmcLink() override {
    Watch.reset();
    ::close(Fd);
  }
  int Fd;
  bool Driver;
  std::unique_ptr<TStopWatcher> Watch;

  // One blocking call of the driver, or of the stand-in after poll.
  template <class F>
  ssize_t Blocking(F call) {
    if (Watch && !Watch->Begin()) return -1;
    const ssize_t n = call();
    if (Watch) Watch->End();
    return n;
  }

  bool HasEnd() const override { return true; }
  void SetTimeout(int64_t ms) override {
    if (!Driver) return;
    uint32_t t = ms > 0 ? static_cast<uint32_t>(std::clamp<int64_t>(ms, 100, UINT32_MAX)) : UINT32_MAX;
    ::ioctl(Fd, USBTMC_IOCTL_SET_TIMEOUT, &t);
  }
  TVisaIo Write(TVisaWait& w, std::string_view bytes, bool end) override {
    if (Driver) {
      uint8_t eom = end ? 1 : 0;
      ::ioctl(Fd, USBTMC_IOCTL_EOM_ENABLE, &eom);
    }
    size_t done = 0;
    while (done < bytes.size()) {
      if (w.Stopping()) return TVisaIo::Stopped;
      const ssize_t n = Blocking([&] { return ::write(Fd, bytes.data() + done, bytes.size() - done); });
      if (n > 0) {
        done += static_cast<size_t>(n);
        w.Progress();
      } else if (n < 0 && errno == ETIMEDOUT) {
        return TVisaIo::Timeout;
      } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
        return w.Stopping() ? TVisaIo::Stopped : TVisaIo::Gone;
      }
    }
    return TVisaIo::Ok;
  }
  TVisaIo Read(TVisaWait& w, char* buf, size_t cap, size_t& got, bool& end) override {
    got = 0;
    end = false;
    for (;;) {
      if (w.Stopping()) return TVisaIo::Stopped;
      if (!Driver) {
        const int slice = w.Slice();
        pollfd p{Fd, POLLIN, 0};
        const int r = ::poll(&p, 1, slice);
        if (r == 0) {
          if (slice == 0) return TVisaIo::Timeout;
          continue;
        }
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 || !(p.revents & POLLIN)) return TVisaIo::Gone;
      }
      const ssize_t n = Blocking([&] { return ::read(Fd, buf, cap); });
      if (n > 0) {
        got = static_cast<size_t>(n);
        // The driver ends a read at the end of a message: a short read is
        // the message's end.
        end = got < cap;
        w.Progress();
        return TVisaIo::Ok;
      }
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (w.Stopping()) return TVisaIo::Stopped;
      return n < 0 && errno == ETIMEDOUT ? TVisaIo::Timeout : TVisaIo::Gone;
    }
  }
  bool Clear(TVisaWait&) override {
    if (Driver) return ::ioctl(Fd, USBTMC_IOCTL_CLEAR) == 0;
    char buf[4096];
    while (::read(Fd, buf, sizeof buf) > 0) {
    }
    return true;
  }
  bool HasStatus() const override { return Driver; }
  bool Status(TVisaWait&, int& stb, TVisaIo& how) override {
    how = TVisaIo::Ok;
    unsigned char b = 0;
    if (::ioctl(Fd, USBTMC488_IOCTL_READ_STB, &b) != 0) return false;
    stb = b;
    return true;
  }
};

// ---- serial ports through the serial layer (9600 baud, 8N1)

class TSerialLink final : public TVisaLink {
public:
  explicit TSerialLink(std::unique_ptr<TCommHandler> port) : Port(std::move(port)) {}
  std::unique_ptr<TCommHandler> Port;
  int TermChar = '\n';

  bool HasEnd() const override { return false; }
  void SetTermChar(int c) override { TermChar = c; }
  TVisaIo Write(TVisaWait& w, std::string_view bytes, bool) override {
    TCommHandler::TRead how;
    const bool ok = Port->Write(w.Ci, bytes, how);
    if (how == TCommHandler::TRead::Stopped) return TVisaIo::Stopped;
    return ok ? TVisaIo::Ok : TVisaIo::Gone;
  }
  TVisaIo Read(TVisaWait& w, char* buf, size_t cap, size_t& got, bool& end) override {
    end = false;
    got = 0;
    Port->ReadIntervalTimeout = 0;
    Port->ReadTotalTimeoutMultiplier = 0;
    while (got < cap) {
      // The first byte within the time-out, the ones already there after it.
      Port->ReadTotalTimeoutConstant =
          got > 0 ? 1 : (w.TimeoutMs() > 0 ? static_cast<int32_t>(std::max<int64_t>(w.LeftMs(), 1)) : 0);
      TCommHandler::TRead how;
      const std::string b = Port->ReadText(w.Ci, 1, how);
      if (how == TCommHandler::TRead::Stopped) return TVisaIo::Stopped;
      if (b.empty()) break;
      buf[got++] = b[0];
      if (static_cast<unsigned char>(b[0]) == TermChar) break;
    }
    if (got > 0) {
      w.Progress();
      return TVisaIo::Ok;
    }
    return Port->Vanished() ? TVisaIo::Gone : TVisaIo::Timeout;
  }
  bool Clear(TVisaWait&) override {
    Port->Purge();
    return true;
  }
};

// ---- GPIB devices through the driver binding of the GPIB layer

// The driver's time-out code for ms: the shortest that is not shorter (0:
// none).
int TimeoutCode(int64_t ms) {
  if (ms <= 0) return 0;
  static const int64_t limitsUs[] = {10,
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
  for (int i = 0; i < 17; ++i)
    if (limitsUs[i] >= ms * 1000) return i + 1;
  return 17;
}

class TGpibLink final : public TVisaLink {
public:
  // The descriptor of a loaded library, which may lack device clear and
  // serial poll: then clear fails and the session asks *STB?.
  explicit TGpibLink(int ud) : Ud(ud), CanClear(Driver().CanClear()), CanPoll(Driver().CanPoll()) {}
  ~TGpibLink() override { Driver().ibonl(Ud, 0); }
  int Ud;
  bool CanClear, CanPoll;
  static TGpibDriver& Driver() { return *Instruments().Gpib; }

  bool HasEnd() const override { return true; }
  void SetTimeout(int64_t ms) override { Driver().ibtmo(Ud, TimeoutCode(ms)); }
  TVisaIo Write(TVisaWait& w, std::string_view bytes, bool) override {
    bool stopped = false;
    const int sta = Driver().Write(w.Ci, Ud, bytes.data(), static_cast<long>(bytes.size()), stopped);
    if (stopped) return TVisaIo::Stopped;
    if (sta & GpibTimo) return TVisaIo::Timeout;
    return (sta & GpibErr) ? TVisaIo::Gone : TVisaIo::Ok;
  }
  TVisaIo Read(TVisaWait& w, char* buf, size_t cap, size_t& got, bool& end) override {
    bool stopped = false;
    const long max = static_cast<long>(std::min<size_t>(cap, 1u << 30));
    const int sta = Driver().Read(w.Ci, Ud, buf, max, stopped);
    got = static_cast<size_t>(std::clamp<long>(Driver().Count.load(), 0, max));
    end = (sta & GpibEnd) != 0;
    if (stopped) return TVisaIo::Stopped;
    if ((sta & GpibErr) && !(sta & GpibTimo)) return TVisaIo::Gone;
    if (got == 0 && !end) return TVisaIo::Timeout;
    w.Progress();
    return TVisaIo::Ok;
  }
  // Both bounded by the device time-out, as the synchronous transfers.
  bool Clear(TVisaWait&) override { return CanClear && !(Driver().ibclr(Ud) & GpibErr); }
  bool HasStatus() const override { return CanPoll; }
  bool Status(TVisaWait&, int& stb, TVisaIo& how) override {
    how = TVisaIo::Ok;
    char spr = 0;
    if (Driver().ibrsp(Ud, &spr) & GpibErr) return false;
    stb = static_cast<unsigned char>(spr);
    return true;
  }
};

}  // namespace

std::unique_ptr<TVisaLink> OpenUsbtmcLink(TVisaWait& w, const TVisaResource& r, TVisaIo& how) {
  how = TVisaIo::Gone;
  for (const TUsbtmcDevice& d : UsbtmcDevices()) {
    if (d.Resource.Vendor != r.Vendor || d.Resource.Product != r.Product ||
        !SameNoCase(d.Resource.SerialNumber, r.SerialNumber) ||
        (r.Interface >= 0 && d.Resource.Interface != r.Interface))
      continue;
    const int fd = ::open((VisaSystemRoot() + "/dev/" + d.Node).c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    how = TVisaIo::Ok;
    return std::make_unique<TUsbtmcLink>(w.Ci, fd);
  }
  return nullptr;
}

std::unique_ptr<TVisaLink> OpenSerialLink(TVisaWait& w, const TVisaResource& r, TVisaIo& how) {
  how = TVisaIo::Ok;
  // Device number n is script port n - 1, as for commopen.
  auto port = std::make_unique<TCommHandler>(r.Path.empty() ? r.SerialPort : 1,
                                             "9600,n,8,1",
                                             0,
                                             0,
                                             static_cast<int32_t>(std::max<int64_t>(w.TimeoutMs(), 0)),
                                             true);
  if (!r.Path.empty()) port->UseDevice(r.Path);
  if (!port->Open()) {
    how = TVisaIo::Gone;
    return nullptr;
  }
  return std::make_unique<TSerialLink>(std::move(port));
}

std::unique_ptr<TVisaLink> OpenGpibLink(TVisaWait& w, const TVisaResource& r, TVisaIo& how) {
  const int sad = r.Secondary >= 0 ? 0x60 + r.Secondary : 0;
  const int ud = TGpibLink::Driver().ibdev(r.Board, r.Primary, sad, TimeoutCode(w.TimeoutMs()), 1, 0);
  how = ud < 0 ? TVisaIo::Gone : TVisaIo::Ok;
  if (ud < 0) return nullptr;
  return std::make_unique<TGpibLink>(ud);
}

std::string FindVisaResources(std::string_view pattern) {
  std::vector<std::string> names;
  for (const TUsbtmcDevice& d : UsbtmcDevices()) names.push_back(VisaResourceName(d.Resource));
  // Serial ports: those configured for the serial functions, and the ports
  // with hardware behind them (a ttyS placeholder of the platform has none).
  std::set<std::string> seen;
  for (int n = 0; n < SlotCount; ++n) {
    const std::string env = "OSTRA_SERIAL_" + std::to_string(n);
    if (const char* dev = std::getenv(env.c_str()); dev && ::access(dev, F_OK) == 0) {
      names.push_back("ASRL" + std::to_string(n + 1) + "::INSTR");
      seen.insert(dev);
    }
  }
  const std::string root = VisaSystemRoot();
  const std::string tty = root + "/sys/class/tty";
  for (const std::string& name : Entries(tty)) {
    const std::string dev = tty + "/" + name + "/device";
    struct stat st;
    if (::stat(dev.c_str(), &st) != 0) continue;
    char target[512];
    const ssize_t n = ::readlink((dev + "/subsystem").c_str(), target, sizeof target - 1);
    if (n > 0) {
      target[n] = '\0';
      const std::string sub = target;
      if (sub.size() >= 8 && sub.compare(sub.size() - 8, 8, "platform") == 0) continue;
    }
    const std::string path = "/dev/" + name;
    if (seen.count(path)) continue;
    if (name.rfind("ttyS", 0) == 0 && name.size() > 4)
      names.push_back("ASRL" + std::to_string(std::atoi(name.c_str() + 4) + 1) + "::INSTR");
    else if (name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0) names.push_back("ASRL" + path + "::INSTR");
  }
  std::string out;
  for (const std::string& n : names) {
    if (!VisaPatternMatch(pattern, n)) continue;
    if (!out.empty()) out += ';';
    out += n;
  }
  return out;
}

}  // namespace TernioParser
