#include "instruments/Visa.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/OutOfMemory.h"
#include "instruments/Instruments.h"
#include "instruments/Serial.h"

namespace TernioParser {

namespace {

// Bytes taken from a link in one read when no count is asked for.
constexpr size_t Chunk = 65536;

// The memory this process may have: the machine's, or less where a limit
// is set. A block is held as bytes and as doubles, and must fit.
uint64_t MemoryLimit() {
  uint64_t limit = static_cast<uint64_t>(sysconf(_SC_PHYS_PAGES)) * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  for (int resource : {RLIMIT_AS, RLIMIT_DATA}) {
    rlimit r{};
    if (getrlimit(resource, &r) == 0 && r.rlim_cur != RLIM_INFINITY) limit = std::min<uint64_t>(limit, r.rlim_cur);
  }
  return limit;
}

}  // namespace

TVisaSession::TVisaSession(TVisaResource resource, std::unique_ptr<TVisaLink> link, int64_t timeoutMs)
    : Resource(std::move(resource)), Link(std::move(link)), Buf(new char[Chunk]) {
  // Byte streams end a message at a line feed; the others at END.
  if (!Link->HasEnd()) ReadTerm = WriteTerm = "\n";
  SetTimeout(timeoutMs);
  SetReadTerm(ReadTerm);
}

void TVisaSession::SetTimeout(int64_t ms) {
  TimeoutMs = ms;
  Link->SetTimeout(ms);
}

void TVisaSession::SetReadTerm(std::string term) {
  ReadTerm = std::move(term);
  Link->SetTermChar(ReadTerm.size() == 1 ? static_cast<unsigned char>(ReadTerm[0]) : -1);
}

TVisaIo TVisaSession::Fill(TVisaWait& w) {
  Pos = Len = 0;
  bool end = false;
  TVisaIo how = Link->Read(w, Buf.get(), Chunk, Len, end);
  if (how != TVisaIo::Ok) Len = 0;
  PendingEnd = how == TVisaIo::Ok && end;
  return how;
}

TVisaIo TVisaSession::Write(TCalcInfo& ci, std::string_view bytes, bool terminate) {
  TVisaWait w(ci, TimeoutMs);
  const bool withTerm = terminate && !WriteTerm.empty();
  TVisaIo how = Link->Write(w, bytes, !withTerm);
  if (how == TVisaIo::Ok && withTerm) how = Link->Write(w, WriteTerm, true);
  return how;
}

TVisaIo TVisaSession::ReadMessage(TCalcInfo& ci, std::string& message) {
  TVisaWait w(ci, TimeoutMs);
  message.clear();
  const size_t t = ReadTerm.size();
  for (;;) {
    if (Available() == 0) {
      if (PendingEnd) {
        PendingEnd = false;
        // The response terminator of IEEE 488.2: a line feed with END.
        if (t == 0 && !message.empty() && message.back() == '\n') message.pop_back();
        return TVisaIo::Ok;
      }
      if (TVisaIo how = Fill(w); how != TVisaIo::Ok) {
        // A byte stream without a read termination has no other end of a
        // message than the time-out: what came is the message.
        if (how == TVisaIo::Timeout && t == 0 && !Link->HasEnd() && !message.empty()) return TVisaIo::Ok;
        message.clear();
        return how;
      }
      continue;
    }
    const size_t old = message.size();
    const size_t n = std::min(Available(), MaxLineLength - old);
    message.append(Buf.get() + Pos, n);
    Pos += n;
    if (t > 0) {
      const size_t k = message.find(ReadTerm, old >= t - 1 ? old - (t - 1) : 0);
      if (k != std::string::npos) {
        // The bytes after the termination belong to the next message.
        Pos -= message.size() - (k + t);
        message.resize(k);
        if (Available() == 0) PendingEnd = false;
        return TVisaIo::Ok;
      }
    }
    if (message.size() >= MaxLineLength) return TVisaIo::Ok;
  }
}

char* TByteBuffer::Room(size_t n) {
  if (Size + n > Capacity) {
    const size_t capacity = std::max(Size + n, Capacity * 2);
    std::unique_ptr<char[]> bigger(new char[capacity]);
    if (Size > 0) std::memcpy(bigger.get(), Bytes.get(), Size);
    Bytes = std::move(bigger);
    Capacity = capacity;
  }
  return Bytes.get() + Size;
}

void TByteBuffer::Append(const char* p, size_t n) {
  if (n == 0) return;
  std::memcpy(Room(n), p, n);
  Size += n;
}

TVisaIo TVisaSession::ReadInto(TVisaWait& w, size_t n, bool& ended, bool announced) {
  ended = false;
  const size_t target = Bytes.Size + n;
  const size_t first = std::min(Available(), n);
  Bytes.Append(Buf.get() + Pos, first);
  Pos += first;
  if (Available() == 0 && PendingEnd) {
    PendingEnd = false;
    ended = true;
    return TVisaIo::Ok;
  }
  // The rest straight from the link into the buffer: asked for at once when
  // a block header announced it (its size has been checked), else in
  // doubling steps, so that a generous count costs nothing that never comes.
  while (Bytes.Size < target) {
    const size_t want = announced ? target - Bytes.Size : std::min(target - Bytes.Size, std::max(Bytes.Size, Chunk));
    char* at = Bytes.Room(want);
    size_t got = 0;
    bool end = false;
    TVisaIo how = Link->Read(w, at, want, got, end);
    if (how != TVisaIo::Ok) return how;
    Bytes.Size += got;
    if (end) {
      ended = true;
      break;
    }
  }
  return TVisaIo::Ok;
}

TVisaIo TVisaSession::ReadRaw(TCalcInfo& ci, size_t n) {
  TVisaWait w(ci, TimeoutMs);
  Bytes.Size = 0;
  bool ended = false;
  return ReadInto(w, n, ended, false);
}

TVisaIo TVisaSession::Drain(TVisaWait& w) {
  for (;;) {
    if (Available() == 0) {
      if (PendingEnd || (!Link->HasEnd() && ReadTerm.empty())) {
        PendingEnd = false;
        return TVisaIo::Ok;
      }
      if (TVisaIo how = Fill(w); how != TVisaIo::Ok) return how;
      continue;
    }
    if (!ReadTerm.empty()) {
      const char* p = static_cast<const char*>(std::memchr(Buf.get() + Pos, ReadTerm.back(), Available()));
      if (p) {
        Pos = static_cast<size_t>(p - Buf.get()) + 1;
        if (Available() == 0) PendingEnd = false;
        return TVisaIo::Ok;
      }
    }
    Pos = Len;
  }
}

TVisaSession::TBlock TVisaSession::ReadBlock(TCalcInfo& ci, TVisaIo& how, uint64_t& announced) {
  TVisaWait w(ci, TimeoutMs);
  Bytes.Size = 0;
  announced = 0;
  // The next byte of the message; false at its end (ended) or on a failure.
  bool ended = false;
  auto next = [&](char& c) {
    while (Available() == 0) {
      if (PendingEnd) {
        PendingEnd = false;
        ended = true;
        return false;
      }
      if ((how = Fill(w)) != TVisaIo::Ok) return false;
    }
    c = Buf[Pos++];
    return true;
  };
  auto malformed = [&](char c) {
    // The rest of the message goes, unless the byte just read ended it.
    if (!ended && how == TVisaIo::Ok && !AtTerm(c)) how = Drain(w);
    return how == TVisaIo::Ok ? TBlock::Malformed : TBlock::Failed;
  };
  how = TVisaIo::Ok;
  char c = 0;
  // White space may come first.
  do {
    if (!next(c)) return how == TVisaIo::Ok ? TBlock::Malformed : TBlock::Failed;
  } while ((c == ' ' || c == '\t' || c == '\r' || c == '\n') && !AtTerm(c));
  if (c != '#') return malformed(c);
  if (!next(c)) return how == TVisaIo::Ok ? TBlock::Malformed : TBlock::Failed;
  if (c < '0' || c > '9') return malformed(c);
  const int digits = c - '0';
  if (digits == 0) {
    // Indefinite length: up to END, or on a byte stream up to the read
    // termination.
    for (;;) {
      if (Available() == 0) {
        if (PendingEnd) {
          PendingEnd = false;
          break;
        }
        if ((how = Fill(w)) != TVisaIo::Ok) return TBlock::Failed;
        continue;
      }
      const char* start = Buf.get() + Pos;
      const char* p = ReadTerm.size() == 1 && !Link->HasEnd()
                          ? static_cast<const char*>(std::memchr(start, ReadTerm[0], Available()))
                          : nullptr;
      const size_t n = p ? static_cast<size_t>(p - start) : Available();
      Bytes.Append(start, n);
      Pos += n;
      if (p) {
        ++Pos;
        if (Available() == 0) PendingEnd = false;
        break;
      }
    }
    if (Link->HasEnd() && Bytes.Size > 0 && Bytes.Data()[Bytes.Size - 1] == '\n') --Bytes.Size;
    announced = Bytes.Size;
    return TBlock::Ok;
  }
  uint64_t length = 0;
  for (int i = 0; i < digits; ++i) {
    if (!next(c)) return how == TVisaIo::Ok ? TBlock::Malformed : TBlock::Failed;
    if (c < '0' || c > '9') return malformed(c);
    length = length * 10 + static_cast<uint64_t>(c - '0');
  }
  announced = length;
  if (length > static_cast<uint64_t>(TArrayEntry::MaxCount) || length * (1 + sizeof(double)) > MemoryLimit())
    return TBlock::TooLarge;
  how = ReadInto(w, static_cast<size_t>(length), ended, true);
  if (how != TVisaIo::Ok) return TBlock::Failed;
  if (Bytes.Size < length) return TBlock::Malformed;  // the message ended early
  // The response terminator after the block.
  if (!ended && (Link->HasEnd() || !ReadTerm.empty())) {
    TVisaIo rest = Drain(w);
    if (rest == TVisaIo::Stopped) how = rest;
  }
  return TBlock::Ok;
}

bool TVisaSession::Clear(TCalcInfo& ci, TVisaIo& how) {
  TVisaWait w(ci, TimeoutMs);
  Pos = Len = 0;
  PendingEnd = false;
  const bool ok = Link->Clear(w);
  how = w.Stopping() ? TVisaIo::Stopped : TVisaIo::Ok;
  return ok;
}

int TVisaSession::Status(TCalcInfo& ci, TVisaIo& how) {
  if (Link->HasStatus()) {
    TVisaWait w(ci, TimeoutMs);
    int stb = 0;
    return Link->Status(w, stb, how) ? stb : -1;
  }
  // A byte stream has no serial poll: the device is asked.
  how = Write(ci, "*STB?", true);
  std::string answer;
  if (how == TVisaIo::Ok) how = ReadMessage(ci, answer);
  if (how != TVisaIo::Ok) return -1;
  char* end = nullptr;
  const long v = std::strtol(answer.c_str(), &end, 10);
  return end != answer.c_str() && v >= 0 && v <= 255 ? static_cast<int>(v) : -1;
}

// ---- the session table

void TVisaTable::CloseAll() {
  for (int i = 0; i < VisaSessions; ++i) {
    std::lock_guard<std::mutex> g(Locks[i]);
    Sessions[i].reset();
  }
}

TVisaTable& VisaTable() {
  static TVisaTable table;
  return table;
}

void CloseInstrumentsAfterRun(TCalcInfo& ci) {
  CloseSerialPortsAfterRun(ci);
  VisaTable().CloseAll();
}

// ---- script functions

TArrayEntry* TVisaFunction::TransferArray(TCalcInfo& ci) const {
  return RequireArray(ci, 1, std::string(Name) + ": Second parameter is not an array", TScalarName::Named);
}

TVisaSession* TVisaFunction::Session(TCalcInfo& ci, std::unique_lock<std::mutex>& lock) {
  const int32_t h = IntArg(0);
  if (h < 0 || h >= VisaSessions) {
    ci.SetError(std::string(Name) + ": Illegal session number");
    return nullptr;
  }
  lock = std::unique_lock<std::mutex>(VisaTable().Locks[h]);
  return VisaTable().Sessions[h].get();
}

void TVisaFunction::CheckStop(TCalcInfo& ci, TVisaIo how) {
  if (how == TVisaIo::Stopped || ci.Stopping()) RaiseStopped(ci);
}

void TVisaOpen::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  const int32_t h = IntArg(0);
  if (h < 0 || h >= VisaSessions) return;
  TVisaTable& table = VisaTable();
  std::lock_guard<std::mutex> g(table.Locks[h]);
  table.Sessions[h].reset();
  TVisaResource r;
  if (!ParseVisaResource(Results[1].AsString(), r)) return;
  const int64_t timeout = IntArg(2);
  TVisaWait w(ci, timeout);
  TVisaIo how = TVisaIo::Ok;
  std::unique_ptr<TVisaLink> link;
  switch (r.Kind) {
    case TVisaKind::Socket: link = OpenSocketLink(w, r, how); break;
    case TVisaKind::Vxi11: link = OpenVxi11Link(w, r, how); break;
    case TVisaKind::Hislip: link = OpenHislipLink(w, r, how); break;
    case TVisaKind::Usbtmc: link = OpenUsbtmcLink(w, r, how); break;
    case TVisaKind::Serial: link = OpenSerialLink(w, r, how); break;
    case TVisaKind::Gpib: link = OpenGpibLink(w, r, how); break;
  }
  CheckStop(ci, how);
  if (!link || ci.Error) return;
  table.Sessions[h] = std::make_unique<TVisaSession>(r, std::move(link), timeout);
  result.SetNumber(-1);
}

void TVisaWrite::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  std::unique_lock<std::mutex> lock;
  TVisaSession* s = Session(ci, lock);
  if (!s) return;
  const std::string text = Results[1].AsString();
  TVisaIo how = s->Write(ci, text, true);
  if (how == TVisaIo::Ok) result.SetNumber(static_cast<double>(text.size() + s->WriteTerm.size()));
  CheckStop(ci, how);
}

void TVisaRead::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetString("");
  if (!EvaluateArguments(ci)) return;
  std::unique_lock<std::mutex> lock;
  TVisaSession* s = Session(ci, lock);
  if (!s) return;
  std::string message;
  TVisaIo how = s->ReadMessage(ci, message);
  result.SetString(std::move(message));
  CheckStop(ci, how);
}

void TVisaQuery::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetString("");
  if (!EvaluateArguments(ci)) return;
  std::unique_lock<std::mutex> lock;
  TVisaSession* s = Session(ci, lock);
  if (!s) return;
  std::string message;
  TVisaIo how = s->Write(ci, Results[1].AsString(), true);
  if (how == TVisaIo::Ok) how = s->ReadMessage(ci, message);
  result.SetString(std::move(message));
  CheckStop(ci, how);
}

void TVisaWriteBin::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  TArrayEntry* const arr = TransferArray(ci);
  if (!arr || !EvaluateArguments(ci)) return;
  std::unique_lock<std::mutex> lock;
  TVisaSession* s = Session(ci, lock);
  if (!s) return;
  const std::string bytes = ArrayBytes(*arr, IntArg(2));
  TVisaIo how = s->Write(ci, bytes, false);
  if (how == TVisaIo::Ok) result.SetNumber(static_cast<double>(bytes.size()));
  CheckStop(ci, how);
}

void TVisaReadBin::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  TArrayEntry* const arr = TransferArray(ci);
  if (!arr || !EvaluateArguments(ci)) return;
  std::unique_lock<std::mutex> lock;
  TVisaSession* s = Session(ci, lock);
  if (!s) return;
  const int32_t n = std::max<int32_t>(IntArg(2), 0);
  try {
    TVisaIo how = s->ReadRaw(ci, static_cast<size_t>(n));
    StoreBytes(*arr, std::string_view(s->Bytes.Data(), s->Bytes.Size));
    result.SetNumber(static_cast<double>(s->Bytes.Size));
    CheckStop(ci, how);
  } catch (const std::bad_alloc&) {
    ci.SetError(std::string(Name) + ": Out of memory");
  }
}

void TVisaReadBlock::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(-1);
  TArrayEntry* const arr = TransferArray(ci);
  if (!arr || !EvaluateArguments(ci)) return;
  std::unique_lock<std::mutex> lock;
  TVisaSession* s = Session(ci, lock);
  if (!s) return;
  TVisaIo how = TVisaIo::Ok;
  uint64_t announced = 0;
  auto tooLarge = [&] {
    ci.SetError(std::string(Name) + ": A block of " + std::to_string(announced) +
                " bytes is more than the memory allows");
  };
  try {
    const TVisaSession::TBlock b = s->ReadBlock(ci, how, announced);
    if (b == TVisaSession::TBlock::TooLarge) return tooLarge();
    if (b == TVisaSession::TBlock::Ok && how != TVisaIo::Stopped) {
      StoreBytes(*arr, std::string_view(s->Bytes.Data(), s->Bytes.Size));
      result.SetNumber(static_cast<double>(s->Bytes.Size));
    }
  } catch (const std::bad_alloc&) {
    return tooLarge();
  }
  CheckStop(ci, how);
}

void TVisaTermination::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  std::unique_lock<std::mutex> lock;
  TVisaSession* s = Session(ci, lock);
  if (!s) return;
  s->SetReadTerm(Results[1].AsString());
  s->WriteTerm = Results[2].AsString();
  result.SetNumber(-1);
}

void TVisaTimeout::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  std::unique_lock<std::mutex> lock;
  TVisaSession* s = Session(ci, lock);
  if (!s) return;
  s->SetTimeout(IntArg(1));
  result.SetNumber(-1);
}

void TVisaClear::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  std::unique_lock<std::mutex> lock;
  TVisaSession* s = Session(ci, lock);
  if (!s) return;
  TVisaIo how;
  if (s->Clear(ci, how)) result.SetNumber(-1);
  CheckStop(ci, how);
}

void TVisaStatus::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(-1);
  if (!EvaluateArguments(ci)) return;
  std::unique_lock<std::mutex> lock;
  TVisaSession* s = Session(ci, lock);
  if (!s) return;
  TVisaIo how;
  result.SetNumber(s->Status(ci, how));
  CheckStop(ci, how);
}

void TVisaClose::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  std::unique_lock<std::mutex> lock;
  Session(ci, lock);
  if (ci.Error) return;
  VisaTable().Sessions[IntArg(0)].reset();
}

void TVisaFind::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetString("");
  if (!EvaluateArguments(ci)) return;
  result.SetString(FindVisaResources(Results[0].AsString()));
}

}  // namespace TernioParser
