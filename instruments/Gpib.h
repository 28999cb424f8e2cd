#pragma once
// GPIB: the binding to an NI-488.2 driver library, loaded with dlopen on
// first use and never linked, and the ten script functions gpibwritebin ...
// gpiberr.
//
// The library is the one named by the environment variable
// OSTRA_GPIB_LIBRARY when it is set (that one only), else libgpib.so.0 (the
// Linux GPIB driver), else libgpibapi.so.0 (NI-488.2 for Linux).

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "engine/Function.h"
#include "instruments/Instruments.h"

namespace TernioParser {

// Status bits of the driver.
constexpr int32_t GpibErr = 0x8000;
constexpr int32_t GpibTimo = 0x4000;
constexpr int32_t GpibEnd = 0x2000;
constexpr int32_t GpibCmpl = 0x0100;

class TGpibDriver {
public:
  // The library names tried in order; the default list when empty.
  explicit TGpibDriver(std::vector<std::string> names = {});
  ~TGpibDriver();
  TGpibDriver(const TGpibDriver&) = delete;
  TGpibDriver& operator=(const TGpibDriver&) = delete;

  // The names tried: OSTRA_GPIB_LIBRARY alone, or the two defaults.
  static std::vector<std::string> DefaultNames();

  // The driver calls. Each resolves its entry point on its first call
  // (loading the library if needed) and copies the driver's status, error
  // and count afterwards. When the library or the entry point is missing:
  // status ERR, error 0, count the last error code; the result is the status
  // (ibdev: -1), and the next call tries again.
  int ibdev(int board, int pad, int sad, int tmo, int eot, int eos);
  int ibwrt(int ud, const void* buf, long cnt);
  int ibrd(int ud, void* buf, long cnt);
  int ibtmo(int ud, int v);
  int ibconfig(int ud, int option, int value);
  int ibonl(int ud, int v);
  // Device clear and serial poll (the status byte into *spr): not every
  // library has them. CanClear and CanPoll look them up in the loaded
  // library without recording a failure (false while none is loaded).
  int ibclr(int ud);
  int ibrsp(int ud, char* spr);
  bool CanClear() { return Optional(Clr) != nullptr; }
  bool CanPoll() { return Optional(Rsp) != nullptr; }

  // Transfers that a stop request aborts: the asynchronous calls with
  // ibwait and ibstop when the library has all four, else the synchronous
  // ones, which the device time-out bounds. stopped tells that the transfer
  // was aborted.
  int Write(TCalcInfo& ci, int ud, const void* buf, long cnt, bool& stopped);
  int Read(TCalcInfo& ci, int ud, void* buf, long cnt, bool& stopped);
  // True when the loaded library offers the asynchronous calls.
  bool CanAbort();

  std::atomic<int32_t> Status{0}, Error{0};
  std::atomic<long> Count{0};

  bool Loaded() const { return Library != nullptr; }
  // Whether destruction unloads the library (not at program exit, where
  // the library's own static objects may already be gone).
  bool Unload = true;

private:
  enum TEntry { Dev, Wrt, Rd, Tmo, Config, Onl, Rda, Wrta, Wait, Stop, Clr, Rsp, EntryCount };
  std::vector<std::string> Names;
  std::mutex LoadLock;
  void* Library = nullptr;
  std::atomic<void*> Entries[EntryCount] = {};
  // Whether the loaded library has the asynchronous calls: -1 not known yet.
  std::atomic<int> Abortable{-1};
  // The status read-out: thread functions or global variables.
  int (*ThreadIbsta)() = nullptr;
  int (*ThreadIberr)() = nullptr;
  long (*ThreadIbcntl)() = nullptr;
  int* VarIbsta = nullptr;
  int* VarIberr = nullptr;
  long* VarIbcntl = nullptr;

  // The entry point, or null after recording a failed resolution.
  void* Resolve(TEntry e);
  // An entry point the library may lack: null, with nothing recorded, when
  // it does or no library is loaded.
  void* Optional(TEntry e);
  // The entry point of the loaded library, stored when found; LoadLock held.
  void* Lookup(TEntry e);
  bool LoadLibrary();
  void Failed(int code);
  void CopyStatus();
  template <class F>
  F Get(TEntry e) {
    return reinterpret_cast<F>(Resolve(e));
  }
  // Waits for an asynchronous transfer to complete, or aborts it.
  int Complete(TCalcInfo& ci, int ud, bool& stopped);
};

// ---- script functions

class TGpibFunction : public TFunction {
protected:
  // The descriptor of the id on the active board, made on first use; -1
  // when there is no device.
  static int32_t EnsureDevice(int32_t id);
  static TGpibDriver& Driver() { return *Instruments().Gpib; }
  static bool ValidId(TCalcInfo& ci, int32_t id, const char* message);
};

class TGPIBWriteBin final : public TGpibFunction {
public:
  int ArgumentCount() const override { return 2; }
  bool CheckArguments() override { return IsArrayArg(1); }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TGPIBReadBin final : public TGpibFunction {
public:
  int ArgumentCount() const override { return 3; }
  bool CheckArguments() override { return IsArrayArg(1); }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TGPIBWriteLn final : public TGpibFunction {
public:
  int ArgumentCount() const override { return 2; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TGPIBWrite final : public TGpibFunction {
public:
  int ArgumentCount() const override { return 3; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TGPIBReadLn final : public TGpibFunction {
public:
  int ArgumentCount() const override { return 1; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TGPIBRead final : public TGpibFunction {
public:
  int ArgumentCount() const override { return 2; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TGPIBTimout final : public TGpibFunction {
public:
  int ArgumentCount() const override { return 2; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TGPIBBoard final : public TGpibFunction {
public:
  int ArgumentCount() const override { return 1; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TGPIBSta final : public TGpibFunction {
public:
  int ArgumentCount() const override { return 0; }
  double Calculate(TCalcInfo&) override { return Driver().Status.load(); }
};

class TGPIBErr final : public TGpibFunction {
public:
  int ArgumentCount() const override { return 0; }
  double Calculate(TCalcInfo&) override { return Driver().Error.load(); }
};

// The rows of this library.
TLibrary GpibLibrary();

}  // namespace TernioParser
