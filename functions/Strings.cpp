#include "functions/Strings.h"

#include <algorithm>
#include <cstdio>
#include <locale.h>

#include "engine/OutOfMemory.h"
#include "functions/Regexp.h"

namespace TernioParser {

namespace {

// The text of an argument value: a string as it is, a number in its text
// form (held in scratch).
std::string_view TextOf(const TReturnValue& v, std::string& scratch) {
  if (v.IsString) return v.Text.View();
  scratch = NumberToText(v.Number);
  return scratch;
}

locale_t CLocale() {
  static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

unsigned char UpperAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c; }

}  // namespace

void TStringFunction::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  if (EvaluateArguments(ci)) {
    GuardMemory(ci, Name, [&] { Compute(ci, result); });
  } else {
    result.SetNumber(0);
  }
  // The slots keep no second reference to a variable's text, so that
  // appending to that variable later does not have to copy it.
  for (TReturnValue& r : Results)
    if (r.IsString) r.Text.Clear();
}

// ---- number formatting

std::string_view FormatNumber(TFormatBuffer& buf, char conv, double x, int32_t width, int32_t precision,
                              bool leadingZeros) {
  // The output is cut at 255 bytes. Within these limits the first 255 bytes
  // are the same as without them, and no huge field is ever produced.
  constexpr int32_t MaxWidth = 2048, MaxPrecision = 1100;
  width = std::clamp(width, -MaxWidth, MaxWidth);
  if (precision > MaxPrecision) precision = MaxPrecision;
  if (precision < 0) precision = 6;
  const char format[] = {'%', '*', '.', '*', conv, '\0'};
  // The formatting is done in the "C" locale whatever the process uses.
  const locale_t old = uselocale(CLocale());
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  int n = std::snprintf(buf, sizeof buf, format, static_cast<int>(width), static_cast<int>(precision), x);
#pragma GCC diagnostic pop
  uselocale(old);
  if (n < 0) n = 0;
  if (n > static_cast<int>(sizeof buf) - 1) n = sizeof buf - 1;
  if (leadingZeros)
    for (int i = 0; i < n && buf[i] == ' '; ++i) buf[i] = '0';
  return std::string_view(buf, n);
}

void TStr::Compute(TCalcInfo&, TReturnValue& result) {
  TFormatBuffer buf;
  result.SetString(FormatNumber(buf, 'g', Results[0].AsNumber(), IntArg(1), IntArg(2), false));
}

void TStrZero::Compute(TCalcInfo&, TReturnValue& result) {
  TFormatBuffer buf;
  result.SetString(FormatNumber(buf, 'f', Results[0].AsNumber(), IntArg(1), IntArg(2), true));
}

void TStrBlank::Compute(TCalcInfo&, TReturnValue& result) {
  TFormatBuffer buf;
  result.SetString(FormatNumber(buf, 'f', Results[0].AsNumber(), IntArg(1), IntArg(2), false));
}

// ---- cutting, joining, searching

void TSubStr::Compute(TCalcInfo&, TReturnValue& result) {
  std::string scratch;
  const std::string_view s = TextOf(Results[0], scratch);
  // Start and length are unsigned counts: a negative length takes the rest.
  const size_t idx = static_cast<uint32_t>(IntArg(1));
  const size_t len = static_cast<uint32_t>(IntArg(2));
  // A start beyond the end gives the empty text.
  result.SetString(idx >= s.size() ? std::string_view() : s.substr(idx, len));
}

void TConcat::Compute(TCalcInfo&, TReturnValue& result) {
  std::string sa, sb;
  const std::string_view a = TextOf(Results[0], sa);
  const std::string_view b = TextOf(Results[1], sb);
  result.SetString(a);
  result.Text.Append(b);
}

double TFindStr::Calculate(TCalcInfo& ci) {
  if (ci.Error) return 0;
  std::string sa, sb;
  const std::string_view s = TextOf(Results[0], sa);
  const size_t at = s.find(TextOf(Results[1], sb));
  return at == std::string_view::npos ? -1.0 : static_cast<double>(at);
}

// ---- single bytes

double TAsc::Calculate(TCalcInfo& ci) {
  if (ci.Error) return 0;
  std::string scratch;
  const std::string_view s = TextOf(Results[0], scratch);
  return s.empty() ? 0 : static_cast<unsigned char>(s[0]);
}

void TChr::Compute(TCalcInfo&, TReturnValue& result) {
  // Any of the 256 byte values, the zero byte included.
  const char c = static_cast<char>(IntArg(0) & 0xFF);
  result.SetString(std::string_view(&c, 1));
}

// ---- comparing

int CompareBytes(std::string_view a, std::string_view b) noexcept {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int d = static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]);
    if (d) return d;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int CompareBytesNoCase(std::string_view a, std::string_view b) noexcept {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int d = UpperAscii(a[i]) - UpperAscii(b[i]);
    if (d) return d;
  }
  if (a.size() == b.size()) return 0;
  // The end of the shorter text compares as a zero byte; a zero byte in the
  // longer one still makes the texts differ.
  if (a.size() < b.size()) {
    const int c = UpperAscii(b[n]);
    return c ? -c : -1;
  }
  const int c = UpperAscii(a[n]);
  return c ? c : 1;
}

double TStrCmp::Calculate(TCalcInfo& ci) {
  if (ci.Error) return 0;
  std::string sa, sb;
  return CompareBytes(TextOf(Results[0], sa), TextOf(Results[1], sb));
}

double TStrICmp::Calculate(TCalcInfo& ci) {
  if (ci.Error) return 0;
  std::string sa, sb;
  return CompareBytesNoCase(TextOf(Results[0], sa), TextOf(Results[1], sb));
}

double TXorStr::Calculate(TCalcInfo& ci) {
  if (ci.Error) return 0;
  std::string scratch;
  unsigned char x = 0;
  for (char c : TextOf(Results[0], scratch)) x ^= static_cast<unsigned char>(c);
  return static_cast<signed char>(x);
}

// ---- regular expressions

void TMatch::Compute(TCalcInfo& ci, TReturnValue& result) {
  std::string sa, sb;
  const std::string_view s = TextOf(Results[0], sa);
  const TRegexp re(TextOf(Results[1], sb));
  size_t length = 0;
  const std::ptrdiff_t at = re.Find(s, 0, length, &ci.StopRequested);
  result.SetString(at < 0 ? std::string_view() : s.substr(static_cast<size_t>(at), length));
}

}  // namespace TernioParser
