#include "engine/ReturnValue.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace TernioParser {

namespace {
locale_t CLocale() {
  static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}
}  // namespace

double TextToNumber(std::string_view text) {
  // strtod needs a terminated string; short texts stay on the stack.
  char small[64];
  std::string big;
  const char* p;
  if (text.size() < sizeof small) {
    text.copy(small, text.size());
    small[text.size()] = '\0';
    p = small;
  } else {
    big.assign(text);
    p = big.c_str();
  }
  return strtod_l(p, nullptr, CLocale());
}

std::string NumberToText(double x) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 15);
  return std::string(buf, r.ptr);
}

int32_t IntegerValue(double x) noexcept {
  // NaN and values outside the 64-bit range convert to the processor's
  // "integer indefinite" (the lowest 64-bit value), whose low 32 bits are 0.
  int64_t v = INT64_MIN;
  if (x > -9223372036854775808.0 && x < 9223372036854775808.0) v = static_cast<int64_t>(x);
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}

}  // namespace TernioParser
