#include "engine/ResultFormat.h"

#include <cstdint>
#include <cstdio>

namespace TernioParser {

std::string FormatResult(const TReturnValue& value, TRadix radix) {
  if (value.IsString || radix == TRadix::Decimal) return value.AsString();
  double x = value.Number;
  if (!(x <= 2147483647.0 && x >= -2147483648.0)) return "Number too large, display in decimal mode";
  uint32_t n = static_cast<uint32_t>(static_cast<int32_t>(x));
  if (radix == TRadix::Hexadecimal) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", n);
    return buf;
  }
  std::string bits;
  for (int b = 31; b >= 0; --b)
    if (!bits.empty() || (n >> b) & 1u) bits += ((n >> b) & 1u) ? '1' : '0';
  return bits.empty() ? "0" : bits;
}

}  // namespace TernioParser
