#include "functions/Numeric.h"

#include <chrono>
#include <cmath>

namespace TernioParser {

// ---- common evaluation

void TNumericFunction::Evaluate(TCalcInfo& ci, TReturnValue& result) { result.SetNumber(EvaluateNumber(ci)); }

double TNumericFunction::EvaluateNumber(TCalcInfo& ci) {
  EvaluateArguments(ci);
  const double x = Calculate(ci);
  ReleaseTexts();
  return x;
}

// ---- bit functions

namespace {
uint32_t Bits(int32_t v) { return static_cast<uint32_t>(v); }
double Signed(uint32_t bits) { return static_cast<int32_t>(bits); }
}  // namespace

double TLogShl::Calculate(TCalcInfo&) { return Signed(Bits(IntArg(0)) << (Bits(IntArg(1)) & 31)); }
double TLogShr::Calculate(TCalcInfo&) { return Signed(Bits(IntArg(0)) >> (Bits(IntArg(1)) & 31)); }
double TLogAnd::Calculate(TCalcInfo&) { return Signed(Bits(IntArg(0)) & Bits(IntArg(1))); }
double TLogOr::Calculate(TCalcInfo&) { return Signed(Bits(IntArg(0)) | Bits(IntArg(1))); }
double TLogXor::Calculate(TCalcInfo&) { return Signed(Bits(IntArg(0)) ^ Bits(IntArg(1))); }

// ---- conversions

double TNumber::Calculate(TCalcInfo&) { return Results[0].AsNumber(); }

void TString::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  TReturnValue& a = Results[0];
  if (a.IsString) {
    result.SetText(a.Text);
    a.Text.Clear();
  } else {
    result.SetString(NumberToText(a.Number));
  }
}

void TDezHex::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  uint32_t v = static_cast<uint32_t>(IntArg(0));
  if (Results[0].IsString) Results[0].Text.Clear();
  char buf[8];
  int n = 0;
  do {
    buf[n++] = "0123456789ABCDEF"[v & 15];
    v >>= 4;
  } while (v);
  char text[8];
  for (int i = 0; i < n; ++i) text[i] = buf[n - 1 - i];
  result.SetString(std::string_view(text, n));
}

int32_t ScanHex(std::string_view s) noexcept {
  size_t i = 0;
  const size_t n = s.size();
  auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (i < n && space(s[i])) ++i;
  bool negative = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  // A 0x prefix counts only when a hexadecimal digit follows it.
  if (i + 2 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X') && digit(s[i + 2]) >= 0) i += 2;
  uint32_t v = 0;
  for (int d; i < n && (d = digit(s[i])) >= 0; ++i) v = v * 16 + static_cast<uint32_t>(d);
  if (negative) v = 0u - v;
  return static_cast<int32_t>(v);
}

void THexDez::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  TReturnValue& a = Results[0];
  if (!a.IsString) {
    ci.SetError("HexDez: String expected");
    return;
  }
  result.SetNumber(ScanHex(a.Text.View()));
  a.Text.Clear();
}

// ---- elementary functions

namespace Math {
double Sin(double x) { return std::sin(x); }
double Cos(double x) { return std::cos(x); }
double Tan(double x) { return std::tan(x); }
double Sinh(double x) { return std::sinh(x); }
double Cosh(double x) { return std::cosh(x); }
double Tanh(double x) { return std::tanh(x); }
double Asin(double x) { return std::asin(x); }
double Acos(double x) { return std::acos(x); }
double Atan(double x) { return std::atan(x); }
double Exp(double x) { return std::exp(x); }
double Log(double x) { return std::log(x); }
double Abs(double x) { return std::fabs(x); }
double Sig(double x) { return x > 0 ? 1 : x < 0 ? -1 : 0; }
double Floor(double x) { return std::floor(x); }
double Ceil(double x) { return std::ceil(x); }
double Not(double x) { return x == 0 ? 1 : 0; }
}  // namespace Math

double TModFunc::Calculate(TCalcInfo&) { return std::fmod(Results[0].AsNumber(), Results[1].AsNumber()); }

double TSqrt::Calculate(TCalcInfo& ci) {
  if (ci.Error) return 0;  // an argument failed; its message stands
  const double x = Results[0].AsNumber();
  if (!(x >= 0)) {
    ci.SetError("Sqrt: negative argument not allowed");
    return 0;
  }
  return std::sqrt(x);
}

// ---- run-time functions

namespace {
// The generator state of each thread; only the calculation thread draws, so
// in practice one sequence runs through the whole session.
thread_local uint32_t RandomState = 1;

// Taken once when the program starts.
const uint32_t StartTicks = TickCount();
}  // namespace

double TRandom::Calculate(TCalcInfo&) {
  RandomState = RandomState * 22695477u + 1u;
  return static_cast<double>((RandomState >> 16) & 0x7FFF) / 32767.0;
}

double TSleep::Calculate(TCalcInfo& ci) {
  if (ci.Error) return 0;  // an argument failed: no wait
  const uint32_t ms = static_cast<uint32_t>(IntArg(0));
  // Waiting on the stop event lets a Break end even a very long sleep; a
  // sleep that Break cut short (or that Break came before) stops the run.
  if (ms > 0) ci.StopEvent.Wait(ms);
  return StopIfRequested(ci) ? 0 : 1;
}

uint32_t TickCount() noexcept {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

double TCurTime::Calculate(TCalcInfo&) { return static_cast<double>(TickCount() - StartTicks); }

}  // namespace TernioParser
