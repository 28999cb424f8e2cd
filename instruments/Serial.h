#pragma once
// Serial ports: the port handler on a POSIX terminal device and the eight
// script functions commopen ... commwritebin.
//
// Script port n is the device named by the environment variable
// OSTRA_SERIAL_<n> (for example OSTRA_SERIAL_0=/dev/ttyUSB0), else
// /dev/ttyS<n>.

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "engine/Function.h"
#include "instruments/Instruments.h"

namespace TernioParser {

// Line settings read from a mode string such as "baud=9600 parity=N stop=1
// data=8" or "9600,n,8,1".
struct TCommConfig {
  uint32_t Baud = 0;
  int DataBits = 8;
  char Parity = 'n';  // n, e, o, m (mark), s (space)
  int StopBits = 1;   // 1 or 2 (1.5 is sent as 2)
  bool XonXoff = false;
  bool RtsCts = false;
};

// Reads a mode string; false when it is not one or names a rate the
// terminal interface cannot set.
bool ParseCommDescriptor(std::string_view desc, TCommConfig& config);

// The device path of script port n.
std::string SerialDevicePath(int portNumber);

// The longest line commreadln collects; a longer one comes back in pieces.
constexpr size_t MaxLineLength = 65536;

class TCommHandler {
public:
  // port is the device number (script port + 1); the time-outs are in ms.
  TCommHandler(int port, std::string_view descriptor, int32_t interval, int32_t multiplier, int32_t constant,
               bool handshake);
  ~TCommHandler();
  TCommHandler(const TCommHandler&) = delete;
  TCommHandler& operator=(const TCommHandler&) = delete;

  int Port;
  int32_t ReadIntervalTimeout, ReadTotalTimeoutMultiplier, ReadTotalTimeoutConstant;
  int32_t WriteTotalTimeoutMultiplier = 0, WriteTotalTimeoutConstant = 0;
  std::string LineBuffer;
  std::string LineTerminator = "\r";

  bool Open();
  bool IsOpen() const { return Fd >= 0; }
  // Another device than the script port's, before Open (VISA's ASRL/path).
  void UseDevice(std::string path) { DevicePath = std::move(path); }
  void Purge();
  void SetTerminator(std::string_view s) { LineTerminator = s; }
  // The outcome of a read: the bytes came (or the time-out passed), or a
  // stop of the run was requested while waiting.
  enum class TRead { Done, Stopped };
  // Reads a line; true with the line (terminator removed) in line.
  bool ReadLine(TCalcInfo& ci, std::string& line, TRead& how);
  // One read call for up to count bytes.
  std::string ReadText(TCalcInfo& ci, size_t count, TRead& how);
  // Writes every byte; false when the port is not open or the device failed.
  bool Write(TCalcInfo& ci, std::string_view bytes, TRead& how);
  void Close();

  // True once the device has gone away (hung up, unplugged): reads then end
  // at once.
  bool Vanished() const { return Gone; }

private:
  using TClock = std::chrono::steady_clock;
  std::string DevicePath;
  TCommConfig Config;
  bool ConfigValid = false;
  bool Handshake;
  int Fd = -1;
  // Whether this handler set TIOCEXCL on the device (and so clears it).
  bool ExclusiveSet = false;
  bool Gone = false;
  // Bytes taken from the device that no read has used yet.
  std::string Pending;
  size_t PendingPos = 0;

  // One read call: up to max bytes appended to out, bounded by the total
  // time-out of the call and the interval time-out between two bytes.
  size_t Receive(TCalcInfo& ci, std::string& out, size_t max, TRead& how);
  // Waits for input until the deadline (none: until data, hang-up or stop).
  // True when input may be read.
  bool WaitInput(TCalcInfo& ci, const TClock::time_point* deadline, TRead& how);
};

// ---- script functions

class TCommFunction : public TFunction {
protected:
  // Port number check of commopen and commclose.
  bool ValidPort(TCalcInfo& ci, int32_t port);
  // The open port's handler with its slot locked through lock (so that no
  // other thread closes it meanwhile), or null after raising the error:
  // outside 0..49 "OpenComm: Illegal port number", an empty slot "Port has
  // not been opened".
  TCommHandler* OpenPort(TCalcInfo& ci, int32_t port, std::unique_lock<std::mutex>& lock);
  // After a read or write: a stop request ends the run.
  static void CheckStop(TCalcInfo& ci, TCommHandler::TRead how);
};

class TOpenComm final : public TCommFunction {
public:
  int ArgumentCount() const override { return 3; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TCloseComm final : public TCommFunction {
public:
  int ArgumentCount() const override { return 1; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TWriteComm final : public TCommFunction {
public:
  int ArgumentCount() const override { return 2; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TReadComm final : public TCommFunction {
public:
  int ArgumentCount() const override { return 1; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TReadCommCnt final : public TCommFunction {
public:
  int ArgumentCount() const override { return 2; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TLineTerm final : public TCommFunction {
public:
  int ArgumentCount() const override { return 2; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TReadCommBin final : public TCommFunction {
public:
  int ArgumentCount() const override { return 3; }
  bool CheckArguments() override { return IsArrayArg(1); }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TWriteCommBin final : public TCommFunction {
public:
  int ArgumentCount() const override { return 2; }
  bool CheckArguments() override { return IsArrayArg(1); }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

// The rows of this library.
TLibrary SerialLibrary();

}  // namespace TernioParser
