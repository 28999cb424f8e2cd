#pragma once
// VISA sessions: one family of functions (visaopen ... visafind) for every
// instrument by its resource name, over raw SCPI sockets, VXI-11, HiSLIP,
// USBTMC and the serial and GPIB layers. Sessions 0..31; all close at the
// end of every run.
//
// A session reads messages: up to the read termination (removed) or the
// protocol's END (a final line feed, the IEEE 488.2 response terminator, is
// removed too). A message is capped at MaxLineLength bytes; a longer one
// comes back in pieces. A wait ends when no byte has come for the session's
// time-out (none when 0 or less) or at a stop request.

#include <memory>
#include <mutex>
#include <string>

#include "engine/Function.h"
#include "instruments/VisaLink.h"

namespace TernioParser {

constexpr int VisaSessions = 32;

// Bytes read for a block or a raw read; its memory is kept from one read to
// the next, and growing it leaves the new bytes uninitialised.
class TByteBuffer {
public:
  const char* Data() const { return Bytes.get(); }
  size_t Size = 0;
  // Room for n more bytes after Size, to be counted in Size once written.
  char* Room(size_t n);
  void Append(const char* p, size_t n);

private:
  std::unique_ptr<char[]> Bytes;
  size_t Capacity = 0;
};

class TVisaSession {
public:
  TVisaSession(TVisaResource resource, std::unique_ptr<TVisaLink> link, int64_t timeoutMs);
  TVisaResource Resource;
  std::unique_ptr<TVisaLink> Link;
  int64_t TimeoutMs;
  std::string ReadTerm, WriteTerm;

  void SetTimeout(int64_t ms);
  void SetReadTerm(std::string term);
  // Sends the bytes as one message, with the write termination when asked.
  TVisaIo Write(TCalcInfo& ci, std::string_view bytes, bool terminate);
  // One message, without its termination; the bytes so far are dropped on a
  // failure.
  TVisaIo ReadMessage(TCalcInfo& ci, std::string& message);
  // Up to n bytes into Bytes, ending early at END; no termination is
  // looked for.
  TVisaIo ReadRaw(TCalcInfo& ci, size_t n);
  // One definite-length (#<d><len><bytes>) or indefinite (#0...) block into
  // Bytes.
  enum class TBlock { Ok, Malformed, TooLarge, Failed };
  TBlock ReadBlock(TCalcInfo& ci, TVisaIo& how, uint64_t& announced);
  TByteBuffer Bytes;
  bool Clear(TCalcInfo& ci, TVisaIo& how);
  // The status byte, or -1.
  int Status(TCalcInfo& ci, TVisaIo& how);

private:
  // Received bytes not used yet; PendingEnd: the message ends after them.
  std::unique_ptr<char[]> Buf;
  size_t Pos = 0, Len = 0;
  bool PendingEnd = false;
  size_t Available() const { return Len - Pos; }
  TVisaIo Fill(TVisaWait& w);
  // Reads and drops the rest of the current message.
  TVisaIo Drain(TVisaWait& w);
  // Copies up to n pending bytes to Bytes, then reads the rest straight
  // into it; stops at END. announced: n comes from a block header.
  TVisaIo ReadInto(TVisaWait& w, size_t n, bool& ended, bool announced);
  bool AtTerm(char c) const { return ReadTerm.size() == 1 && c == ReadTerm[0]; }
};

// The session table (one lock per session, held for each whole call).
struct TVisaTable {
  std::mutex Locks[VisaSessions];
  std::unique_ptr<TVisaSession> Sessions[VisaSessions];
  void CloseAll();
};
TVisaTable& VisaTable();

// The end-of-run hook of the instrument layer: serial ports and VISA
// sessions close.
void CloseInstrumentsAfterRun(TCalcInfo& ci);

// The resources present, separated by ';', that match the pattern.
std::string FindVisaResources(std::string_view pattern);

// ---- script functions

class TVisaFunction : public TFunction {
protected:
  // The session h with its lock held through lock; null when none is open
  // (a result, not an error). h outside 0..31 stops with the function's
  // message.
  TVisaSession* Session(TCalcInfo& ci, std::unique_lock<std::mutex>& lock);
  // The array of a binary transfer (argument 1); null after the function's
  // "Second parameter ... is not an array" error.
  TArrayEntry* TransferArray(TCalcInfo& ci) const;
  // After a transfer: a stop request ends the run.
  static void CheckStop(TCalcInfo& ci, TVisaIo how);
};

#define OSTRA_VISA_FUNCTION(name, args)                          \
  class name final : public TVisaFunction {                      \
  public:                                                        \
    int ArgumentCount() const override { return args; }          \
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override; \
  };
#define OSTRA_VISA_ARRAY_FUNCTION(name, args)                    \
  class name final : public TVisaFunction {                      \
  public:                                                        \
    int ArgumentCount() const override { return args; }          \
    bool CheckArguments() override { return IsArrayArg(1); }     \
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override; \
  };

OSTRA_VISA_FUNCTION(TVisaOpen, 3)
OSTRA_VISA_FUNCTION(TVisaWrite, 2)
OSTRA_VISA_FUNCTION(TVisaRead, 1)
OSTRA_VISA_FUNCTION(TVisaQuery, 2)
OSTRA_VISA_ARRAY_FUNCTION(TVisaWriteBin, 3)
OSTRA_VISA_ARRAY_FUNCTION(TVisaReadBin, 3)
OSTRA_VISA_ARRAY_FUNCTION(TVisaReadBlock, 2)
OSTRA_VISA_FUNCTION(TVisaTermination, 3)
OSTRA_VISA_FUNCTION(TVisaTimeout, 2)
OSTRA_VISA_FUNCTION(TVisaClear, 1)
OSTRA_VISA_FUNCTION(TVisaStatus, 1)
OSTRA_VISA_FUNCTION(TVisaClose, 1)
OSTRA_VISA_FUNCTION(TVisaFind, 1)

#undef OSTRA_VISA_FUNCTION
#undef OSTRA_VISA_ARRAY_FUNCTION

// The rows of this library.
TLibrary VisaLibrary();

}  // namespace TernioParser
