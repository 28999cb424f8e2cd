#include "instruments/Gpib.h"

#include <dlfcn.h>
#include <errno.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <new>
#include <thread>

namespace TernioParser {

namespace {

const char* const EntryNames[] = {
    "ibdev", "ibwrt", "ibrd", "ibtmo", "ibconfig", "ibonl", "ibrda", "ibwrta", "ibwait", "ibstop", "ibclr", "ibrsp"};

using TDev = int (*)(int, int, int, int, int, int);
using TWrt = int (*)(int, const void*, long);
using TRd = int (*)(int, void*, long);
using TIntInt = int (*)(int, int);
using TConfig = int (*)(int, int, int);
using TUd = int (*)(int);
using TRsp = int (*)(int, char*);

}  // namespace

std::vector<std::string> TGpibDriver::DefaultNames() {
  if (const char* name = std::getenv("OSTRA_GPIB_LIBRARY")) return {name};
  return {"libgpib.so.0", "libgpibapi.so.0"};
}

TGpibDriver::TGpibDriver(std::vector<std::string> names) : Names(names.empty() ? DefaultNames() : std::move(names)) {}

// The process-wide driver stays loaded until the process ends; one made for
// a test is unloaded with it.
TGpibDriver::~TGpibDriver() {
  if (Library && Unload) dlclose(Library);
}

bool TGpibDriver::LoadLibrary() {
  for (const std::string& name : Names) {
    if (name.empty()) continue;
    void* lib = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) continue;
    auto sta = reinterpret_cast<int (*)()>(dlsym(lib, "ThreadIbsta"));
    auto err = reinterpret_cast<int (*)()>(dlsym(lib, "ThreadIberr"));
    auto cnt = reinterpret_cast<long (*)()>(dlsym(lib, "ThreadIbcntl"));
    if (sta && err && cnt) {
      ThreadIbsta = sta, ThreadIberr = err, ThreadIbcntl = cnt;
    } else {
      auto vsta = static_cast<int*>(dlsym(lib, "ibsta"));
      auto verr = static_cast<int*>(dlsym(lib, "iberr"));
      auto vcnt = static_cast<long*>(dlsym(lib, "ibcntl"));
      if (!vsta || !verr || !vcnt) {
        // A library without its status cannot be used.
        dlclose(lib);
        continue;
      }
      VarIbsta = vsta, VarIberr = verr, VarIbcntl = vcnt;
    }
    Library = lib;
    return true;
  }
  return false;
}

void TGpibDriver::Failed(int code) {
  Status = GpibErr;
  Error = 0;  // EDVR: the driver is not there
  Count = code;
}

void* TGpibDriver::Resolve(TEntry e) {
  if (void* p = Entries[e].load(std::memory_order_acquire)) return p;
  std::lock_guard<std::mutex> g(LoadLock);
  void* p = Entries[e].load(std::memory_order_acquire);
  if (p) return p;
  errno = 0;
  if (!Library && !LoadLibrary()) {
    Failed(errno ? errno : ENOENT);
    return nullptr;
  }
  p = dlsym(Library, EntryNames[e]);
  if (!p) {
    Failed(ENOSYS);
    return nullptr;
  }
  Entries[e].store(p, std::memory_order_release);
  return p;
}

void* TGpibDriver::Lookup(TEntry e) {
  void* p = dlsym(Library, EntryNames[e]);
  if (p) Entries[e].store(p, std::memory_order_release);
  return p;
}

void* TGpibDriver::Optional(TEntry e) {
  if (void* p = Entries[e].load(std::memory_order_acquire)) return p;
  std::lock_guard<std::mutex> g(LoadLock);
  return Library ? Lookup(e) : nullptr;
}

void TGpibDriver::CopyStatus() {
  if (ThreadIbsta) {
    Status = ThreadIbsta();
    Error = ThreadIberr();
    Count = ThreadIbcntl();
  } else {
    Status = *VarIbsta;
    Error = *VarIberr;
    Count = *VarIbcntl;
  }
}

int TGpibDriver::ibdev(int board, int pad, int sad, int tmo, int eot, int eos) {
  auto f = Get<TDev>(Dev);
  if (!f) return -1;
  int r = f(board, pad, sad, tmo, eot, eos);
  CopyStatus();
  return r;
}

int TGpibDriver::ibwrt(int ud, const void* buf, long cnt) {
  auto f = Get<TWrt>(Wrt);
  if (!f) return Status;
  int r = f(ud, buf, cnt);
  CopyStatus();
  return r;
}

int TGpibDriver::ibrd(int ud, void* buf, long cnt) {
  auto f = Get<TRd>(Rd);
  if (!f) return Status;
  int r = f(ud, buf, cnt);
  CopyStatus();
  return r;
}

int TGpibDriver::ibtmo(int ud, int v) {
  auto f = Get<TIntInt>(Tmo);
  if (!f) return Status;
  int r = f(ud, v);
  CopyStatus();
  return r;
}

int TGpibDriver::ibconfig(int ud, int option, int value) {
  auto f = Get<TConfig>(Config);
  if (!f) return Status;
  int r = f(ud, option, value);
  CopyStatus();
  return r;
}

int TGpibDriver::ibonl(int ud, int v) {
  auto f = Get<TIntInt>(Onl);
  if (!f) return Status;
  int r = f(ud, v);
  CopyStatus();
  return r;
}

int TGpibDriver::ibclr(int ud) {
  auto f = Get<TUd>(Clr);
  if (!f) return Status;
  int r = f(ud);
  CopyStatus();
  return r;
}

int TGpibDriver::ibrsp(int ud, char* spr) {
  auto f = Get<TRsp>(Rsp);
  if (!f) return Status;
  int r = f(ud, spr);
  CopyStatus();
  return r;
}

bool TGpibDriver::CanAbort() {
  const int known = Abortable.load(std::memory_order_acquire);
  if (known >= 0) return known == 1;
  std::lock_guard<std::mutex> g(LoadLock);
  if (!Library) return false;
  // Looked up quietly, once: a library without them is still fine.
  bool all = true;
  for (TEntry e : {Rda, Wrta, Wait, Stop})
    if (!Lookup(e)) all = false;
  Abortable.store(all ? 1 : 0, std::memory_order_release);
  return all;
}

int TGpibDriver::Complete(TCalcInfo& ci, int ud, bool& stopped) {
  auto wait = reinterpret_cast<TIntInt>(Entries[Wait].load());
  auto stop = reinterpret_cast<TUd>(Entries[Stop].load());
  // Polls the transfer (mask 0 answers at once), more slowly the longer it
  // takes, and aborts it when the run is to stop.
  int pause = 0;
  for (;;) {
    int sta = wait(ud, 0);
    CopyStatus();
    if (sta & (GpibCmpl | GpibErr | GpibTimo)) return sta;
    if (ci.Stopping()) {
      stop(ud);
      wait(ud, 0);
      CopyStatus();
      stopped = true;
      return Status;
    }
    if (pause) std::this_thread::sleep_for(std::chrono::microseconds(pause));
    pause = std::min(pause ? pause * 2 : 50, 5000);
  }
}

int TGpibDriver::Write(TCalcInfo& ci, int ud, const void* buf, long cnt, bool& stopped) {
  stopped = false;
  auto f = Get<TWrt>(Wrt);  // resolves the library and records a failure
  if (!f) return Status;
  if (!CanAbort()) return ibwrt(ud, buf, cnt);
  int sta = reinterpret_cast<TWrt>(Entries[Wrta].load())(ud, buf, cnt);
  CopyStatus();
  if (sta & GpibErr) return sta;
  return Complete(ci, ud, stopped);
}

int TGpibDriver::Read(TCalcInfo& ci, int ud, void* buf, long cnt, bool& stopped) {
  stopped = false;
  auto f = Get<TRd>(Rd);
  if (!f) return Status;
  if (!CanAbort()) return ibrd(ud, buf, cnt);
  int sta = reinterpret_cast<TRd>(Entries[Rda].load())(ud, buf, cnt);
  CopyStatus();
  if (sta & GpibErr) return sta;
  return Complete(ci, ud, stopped);
}

// ---- script functions

namespace {

void CheckStop(TCalcInfo& ci, bool stopped) {
  if (stopped) TFunction::RaiseStopped(ci);
}

// The bytes a read delivered: the driver's count, never more than the buffer.
size_t Received(TGpibDriver& d, long max) {
  long n = d.Count.load();
  return static_cast<size_t>(std::clamp<long>(n, 0, max));
}

}  // namespace

bool TGpibFunction::ValidId(TCalcInfo& ci, int32_t id, const char* message) {
  if (id < 0 || id >= GpibIds) {
    ci.SetError(message);
    return false;
  }
  return true;
}

int32_t TGpibFunction::EnsureDevice(int32_t id) {
  TInstrumentLayer& layer = Instruments();
  int32_t& slot = layer.GpibSlots[id];
  if (slot == -1) {
    int ud = layer.Gpib->ibdev(layer.ActiveBoard, id, 0, 12, 1, 0);
    slot = ud < 0 ? -1 : ud;
  }
  return slot;
}

void TGPIBWriteBin::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  TArrayEntry* const arr = RequireArray(ci, 1, "GPIBWriteBin: Second parameter is not an array", TScalarName::Named);
  if (!arr || !EvaluateArguments(ci)) return;
  const int32_t id = IntArg(0);
  if (!ValidId(ci, id, "GPIBWriteBin: Illegal GPIB id")) return;
  const int32_t ud = EnsureDevice(id);
  if (ud < 0) return;
  const std::string bytes = ArrayBytes(*arr);
  bool stopped = false;
  int sta = Driver().Write(ci, ud, bytes.data(), static_cast<long>(bytes.size()), stopped);
  result.SetNumber((sta & GpibErr) ? 0 : -1);
  CheckStop(ci, stopped);
}

void TGPIBReadBin::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  TArrayEntry* const arr = RequireArray(ci, 1, "GPIBReadBin: Second parameter is not an array", TScalarName::Named);
  if (!arr || !EvaluateArguments(ci)) return;
  const int32_t id = IntArg(0);
  if (!ValidId(ci, id, "GPIBWriteBin: Illegal GPIB id")) return;
  const int32_t ud = EnsureDevice(id);
  if (ud < 0) return;
  const long n = std::max<int32_t>(IntArg(2), 0);
  try {
    std::string buffer(static_cast<size_t>(n) + 1, '\0');
    bool stopped = false;
    int sta = Driver().Read(ci, ud, buffer.data(), n, stopped);
    if (!(sta & GpibErr) && !stopped) {
      result.SetNumber(-1);
      const size_t got = Received(Driver(), n);
      StoreBytes(*arr, std::string_view(buffer.data(), got));
    }
    CheckStop(ci, stopped);
  } catch (const std::bad_alloc&) {
    ci.SetError("GPIBReadBin: Out of memory");
  }
}

namespace {

// gpibprintln and gpibprint: the whole text in one write.
void WriteText(TCalcInfo& ci, TGpibDriver& driver, int32_t ud, const std::string& text, TReturnValue& result) {
  bool stopped = false;
  int sta = driver.Write(ci, ud, text.data(), static_cast<long>(text.size()), stopped);
  result.SetNumber((sta & GpibErr) ? 0 : -1);
  CheckStop(ci, stopped);
}

// gpibreadln and gpibread: up to max bytes as text, empty on an error or a
// time-out.
void ReadText(TCalcInfo& ci, TGpibDriver& driver, int32_t ud, long max, TReturnValue& result) {
  std::string buffer(static_cast<size_t>(max) + 1, '\0');
  bool stopped = false;
  int sta = driver.Read(ci, ud, buffer.data(), max, stopped);
  if ((sta & (GpibErr | GpibTimo)) || stopped) {
    result.SetString("");
  } else {
    buffer.resize(Received(driver, max));
    result.SetString(buffer);
  }
  CheckStop(ci, stopped);
}

}  // namespace

void TGPIBWriteLn::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  // An argument that failed sends nothing: the run stops with its error.
  if (!EvaluateArguments(ci)) return;
  const int32_t id = IntArg(0);
  if (!ValidId(ci, id, "GPIBPrintLn: Illegal GPIB id")) return;
  const int32_t ud = EnsureDevice(id);
  if (ud < 0) return;
  WriteText(ci, Driver(), ud, Results[1].AsString(), result);
}

void TGPIBWrite::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  const int32_t id = IntArg(0);
  if (!ValidId(ci, id, "GPIBPrint: Illegal GPIB id")) return;
  const int32_t ud = EnsureDevice(id);
  if (ud < 0) return;
  WriteText(ci, Driver(), ud, Results[1].AsString(), result);
}

void TGPIBReadLn::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  const int32_t id = IntArg(0);
  if (!ValidId(ci, id, "GPIBReadLn: Illegal GPIB id")) return;
  result.SetString("");
  const int32_t ud = EnsureDevice(id);
  if (ud < 0) return;
  ReadText(ci, Driver(), ud, 1024, result);
}

void TGPIBRead::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  const int32_t id = IntArg(0);
  if (!ValidId(ci, id, "GPIBRead: Illegal GPIB id")) return;
  const int32_t c = IntArg(1);
  if (c < 0 || c > 65535) {
    ci.SetError("GPIBRead: Illegal byte count");
    return;
  }
  result.SetString("");
  const int32_t ud = EnsureDevice(id);
  if (ud < 0) return;
  ReadText(ci, Driver(), ud, c, result);
}

void TGPIBTimout::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  const int32_t id = IntArg(0);
  if (!ValidId(ci, id, "GPIBTimeout: Illegal GPIB id")) return;
  const int32_t t = IntArg(1);
  if (t < 1 || t > 17) {
    ci.SetError("GPIBTimeout: Illegal timeout value");
    return;
  }
  const int32_t ud = EnsureDevice(id);
  if (ud < 0) return;
  Driver().ibtmo(ud, t);
  result.SetNumber(-1);
}

void TGPIBBoard::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  const int32_t b = IntArg(0);
  if (b < 0 || b > 20) {
    ci.SetError("GPIBBoard: Illegal GPIB board number");
    return;
  }
  TInstrumentLayer& layer = Instruments();
  if (b != layer.ActiveBoard) {
    layer.TakeGpibDevicesOffline();
    layer.ActiveBoard = b;
    layer.Gpib->ibconfig(b, 7, 0);
  }
  result.SetNumber((Driver().Status.load() & GpibErr) ? 0 : -1);
}

}  // namespace TernioParser
