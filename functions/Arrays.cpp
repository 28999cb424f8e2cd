#include "functions/Arrays.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "engine/OutOfMemory.h"

namespace TernioParser {

namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();

// Gives `a` the count n as if it had been cleared and then lengthened to n:
// the first n elements keep what they hold (callers overwrite them) and every
// element from n up to the capacity reads as 0 again. Storage of the right
// size is reused instead of being freed and allocated anew.
void ResetLength(TArrayEntry& a, int32_t n) {
  if (n <= 0) {
    a.Clear();
    return;
  }
  a.SetLength(n);
  std::fill(a.Data + n, a.Data + a.Capacity, 0.0);
}

// Break inside the passes over long arrays: body(i) runs for i = 0 .. n-1 in
// pieces of Piece elements (about a millisecond), with a look at the stop
// request between them. False, with "Stopped" raised, when the run stops.
constexpr int32_t Piece = 1 << 20;

template <class F>
bool ForEachElement(TCalcInfo& ci, int32_t n, F&& body) {
  for (int32_t from = 0; from<n; from = n - from> Piece ? from + Piece : n) {
    if (from > 0 && TFunction::StopIfRequested(ci)) return false;
    const int32_t to = n - from > Piece ? from + Piece : n;
    for (int32_t i = from; i < to; ++i) body(i);
  }
  return true;
}

// Copies n elements from src to dest (which do not overlap) in pieces, with
// a look at the stop request between them; false, with "Stopped" raised, when
// the run stops before the copy is done.
bool CopyElements(TCalcInfo& ci, double* dest, const double* src, int32_t n) {
  for (int32_t from = 0; from < n; from += Piece) {
    if (from > 0 && TFunction::StopIfRequested(ci)) return false;
    std::memcpy(dest + from, src + from, static_cast<size_t>(std::min(Piece, n - from)) * sizeof(double));
  }
  return true;
}

// Thrown by the comparison of sort when the run is to stop.
struct TSortStopped {};

}  // namespace

TArrayEntry* TArrayFunction::TargetArray(TCalcInfo& ci, int i, const char* constant, const char* notArray) const {
  if (!Args[i]->IsVariable()) {
    ci.SetError(constant);
    return nullptr;
  }
  return RequireArray(ci, i, notArray);
}

void TLength::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  // A temporary rather than the value slot, so that no second reference to a
  // string variable's text outlives the call.
  TReturnValue v;
  Args[0]->Evaluate(ci, v);
  if (ci.Error) return;
  if (v.IsString) {
    result.SetNumber(static_cast<double>(v.Text.Size()));
  } else if (IsArrayArg(0) && ArrayArg(0)) {
    result.SetNumber(ArrayArg(0)->Count);
  } else {
    ci.SetError("Length: Array or string expected");
  }
}

void TClear::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  if (ci.Error) return;
  TArrayEntry* a = RequireArray(ci, 0, "Clear: Array expected");
  if (!a) return;
  a->Clear();
  result.SetNumber(1);
}

void TMean::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  TArrayEntry* a = RequireArray(ci, 0, "Mean: Array expected", TScalarName::Bare);
  if (!a) return;
  const int32_t n = a->Count;
  double sum = 0;
  if (!ForEachElement(ci, n, [&](int32_t i) { sum += a->Data[i]; })) return;
  result.SetNumber(n > 0 ? sum / n : 0.0);
}

void TStdDev::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  TArrayEntry* a = RequireArray(ci, 0, "StdDev: Array expected");
  if (!a) return;
  const int32_t n = a->Count;
  double sum = 0;
  if (!ForEachElement(ci, n, [&](int32_t i) { sum += a->Data[i] * a->Data[i]; })) return;
  // An empty array gives 0/0, not a number.
  result.SetNumber(std::sqrt(sum / static_cast<double>(n)));
}

void TArrMin::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  if (!Args[0]->IsVariable()) {
    ci.SetError("arraymin: Variable expected");
    return;
  }
  TArrayEntry* a = RequireArray(ci, 0, "arraymin: Not an array", TScalarName::Bare);
  if (!a) return;
  double m = Infinity;
  if (!ForEachElement(ci, a->Count, [&](int32_t i) {
        const double x = a->Data[i];
        if (!(m < x)) m = x;
      }))
    return;
  result.SetNumber(m);
}

void TArrMax::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  TArrayEntry* a = RequireArray(ci, 0, "arraymax: Array expected", TScalarName::Bare);
  if (!a) return;
  double m = -Infinity;
  if (!ForEachElement(ci, a->Count, [&](int32_t i) {
        const double x = a->Data[i];
        if (!(x < m)) m = x;
      }))
    return;
  result.SetNumber(m);
}

void TSeekMin::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  TArrayEntry* a = RequireArray(ci, 0, "seekmin: Array expected", TScalarName::Bare);
  if (!a) return;
  double m = Infinity;
  int32_t pos = 0;
  if (!ForEachElement(ci, a->Count, [&](int32_t i) {
        if (a->Data[i] < m) {
          m = a->Data[i];
          pos = i;
        }
      }))
    return;
  result.SetNumber(pos);
}

void TSeekMax::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  TArrayEntry* a = RequireArray(ci, 0, "seekmax: Array expected", TScalarName::Bare);
  if (!a) return;
  double m = -Infinity;
  int32_t pos = 0;
  if (!ForEachElement(ci, a->Count, [&](int32_t i) {
        if (a->Data[i] > m) {
          m = a->Data[i];
          pos = i;
        }
      }))
    return;
  result.SetNumber(pos);
}

void TGrowingArrayFunction::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  GuardMemory(ci, Name, [&] { Compute(ci, result); });
}

void TAppend::Compute(TCalcInfo& ci, TReturnValue& result) {
  TArrayEntry* a = TargetArray(ci, 0, "Append: First argument is constant", "Append: First argument is not an array");
  if (!a) return;
  if (IsArrayArg(1)) {
    TArrayEntry* b = RequireArray(ci, 1, "Append: Second argument is not an array");
    if (!b) return;
    // The room first (b may be a itself: its data may move), then the copy
    // behind a's elements; a Break during it leaves a as it was.
    const int32_t old = a->Count, n = b->Count;
    a->Reserve(static_cast<int64_t>(old) + n);
    if (!CopyElements(ci, a->Data + old, b->Data, n)) {
      std::fill(a->Data + old, a->Data + old + n, 0.0);
      return;
    }
    a->Count = old + n;
    result.SetNumber(a->Count);
    return;
  }
  const double x = NumberArg(ci, 1);
  if (ci.Error) return;
  a->SetElement(a->Count, x);
  result.SetNumber(a->Count);
}

void TArrayCopy::Compute(TCalcInfo& ci, TReturnValue& result) {
  TArrayEntry* target =
      TargetArray(ci, 0, "ArrayCopy: First argument is constant", "ArrayCopy: First argument is not an array");
  if (!target) return;
  TArrayEntry* src =
      TargetArray(ci, 1, "ArrayCopy: Second argument is constant", "ArrayCopy: Second argument is not an array");
  if (!src) return;
  const double startValue = NumberArg(ci, 2);
  if (ci.Error) return;
  const double countValue = NumberArg(ci, 3);
  if (ci.Error) return;
  const int64_t s = std::max<int64_t>(IntegerValue(startValue), 0);
  int64_t n = std::min<int64_t>(src->Count - s, IntegerValue(countValue));
  if (n < 0) n = 0;
  const int32_t count = static_cast<int32_t>(n);
  if (count > Piece) {
    // A long slice goes to storage of its own, so that a Break leaves the
    // target as it was; without the memory for that it is copied in place.
    TArrayEntry slice(target->Name);
    bool room = true;
    try {
      slice.SetLength(count);
    } catch (const std::bad_alloc&) {
      room = false;
    }
    if (room) {
      if (!CopyElements(ci, slice.Data, src->Data + s, count)) return;
      target->TakeStorage(slice);
      result.SetNumber(count);
      return;
    }
  }
  if (target == src) {
    // Copying a slice of an array onto itself: move the slice to the front.
    if (count > 0) std::memmove(src->Data, src->Data + s, static_cast<size_t>(count) * sizeof(double));
    ResetLength(*target, count);
  } else {
    ResetLength(*target, count);
    if (count > 0) std::memcpy(target->Data, src->Data + s, static_cast<size_t>(count) * sizeof(double));
  }
  result.SetNumber(count);
}

void TSort::Compute(TCalcInfo& ci, TReturnValue& result) {
  TArrayEntry* a = TargetArray(ci, 0, "Sort: First argument is constant", "Sort: First argument is not an array");
  if (!a) return;
  TArrayEntry* b = TargetArray(ci, 1, "Sort: Second argument is constant", "Sort: Second argument is not an array");
  if (!b) return;

  struct TPair {
    double Value;
    int32_t Position;
  };
  // Reused from call to call, so that sorting in a loop does not allocate.
  thread_local std::vector<TPair> pairs;
  const int32_t n = a->Count;
  pairs.clear();
  pairs.reserve(static_cast<size_t>(n));
  bool stopped = !ForEachElement(ci, n, [&](int32_t i) { pairs.push_back({a->Data[i], i}); });
  // Ascending; values that are not a number go last; equal values keep the
  // order of their positions (the position decides between them, so the
  // in-place sort gives what a stable one would, without a buffer of its
  // own). Break ends it from inside the comparison, before b is touched.
  uint32_t compared = 0;
  try {
    if (!stopped)
      std::sort(pairs.begin(), pairs.end(), [&](const TPair& x, const TPair& y) {
        if (++compared % (1 << 18) == 0 && ci.Stopping()) throw TSortStopped{};
        const bool xn = std::isnan(x.Value), yn = std::isnan(y.Value);
        if (xn != yn) return yn;
        if (!xn && x.Value != y.Value) return x.Value < y.Value;
        return x.Position < y.Position;
      });
  } catch (const TSortStopped&) {
    RaiseStopped(ci);
    stopped = true;
  }
  if (!stopped) {
    // b may be a itself: a has been read completely by now.
    ResetLength(*b, n);
    for (int32_t i = 0; i < n; ++i) b->Data[i] = pairs[i].Position;
    result.SetNumber(n);
  }
  if (pairs.capacity() > 65536) {
    pairs.clear();
    pairs.shrink_to_fit();
  }
}

void TScroll::Compute(TCalcInfo& ci, TReturnValue& result) {
  TArrayEntry* a = RequireArray(ci, 0, "Scroll: Array expected as 1st argument");
  if (!a) return;
  const double value = NumberArg(ci, 1);
  if (ci.Error) return;
  double length = NumberArg(ci, 2);
  if (ci.Error) return;
  if (length < 0) length = 0;
  const int32_t c = a->Count;
  if (length <= c) {
    const int32_t l = IntegerValue(length);
    if (l < 1) {
      // A buffer of no elements keeps nothing.
      a->SetLength(0);
    } else {
      const int32_t keep = l - 1;
      std::memmove(a->Data, a->Data + (c - keep), static_cast<size_t>(keep) * sizeof(double));
      a->SetLength(l);
      a->Data[l - 1] = value;
    }
  } else {
    a->SetElement(c, value);
  }
  result.SetNumber(a->Count);
}

}  // namespace TernioParser
