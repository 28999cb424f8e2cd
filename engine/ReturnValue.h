#pragma once
// The value of an evaluated node: a double or a byte string.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/Text.h"

namespace TernioParser {

// Reads a number from the start of a text as strtod does (leading white space
// skipped, longest decimal prefix, 0 when there is none), independent of the
// process locale.
double TextToNumber(std::string_view text);
// Formats a number as printf's %.15g does, independent of the process locale.
std::string NumberToText(double x);
// The integer value of a number: truncated toward zero to a signed 64-bit
// integer, of which the low 32 bits are kept. Used wherever a count, code,
// handle, index or truth value is needed.
int32_t IntegerValue(double x) noexcept;

class TReturnValue {
public:
  TText Text;
  double Number = 0;
  bool IsString = false;

  void SetNumber(double x) noexcept {
    Number = x;
    if (IsString) {
      IsString = false;
      Text.Clear();
    }
  }
  void SetString(std::string_view s) {
    Text.Assign(s);
    IsString = true;
  }
  void SetText(const TText& t) noexcept {
    Text = t;
    IsString = true;
  }
  double AsNumber() const { return IsString ? TextToNumber(Text.View()) : Number; }
  std::string AsString() const { return IsString ? Text.Str() : NumberToText(Number); }
};

}  // namespace TernioParser
