#include "engine/CodePage.h"

namespace TernioParser {

namespace {

// The characters of the bytes 0x80 to 0x9F; every other byte is the
// character of its own value.
constexpr char16_t High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

}  // namespace

char32_t CodePageChar(unsigned char byte) { return byte >= 0x80 && byte < 0xA0 ? High[byte - 0x80] : byte; }

int CodePageByte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i)
    if (High[i] == c) return 0x80 + i;
  return -1;
}

}  // namespace TernioParser
