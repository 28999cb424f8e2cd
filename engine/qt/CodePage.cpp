#include "engine/qt/CodePage.h"

namespace Ostra {

namespace {

// The characters of the bytes 0x80 to 0x9F; the others equal their byte value.
const char16_t HighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char ByteOf(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (HighControls[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace

QString FromCodePage(std::string_view bytes) {
  QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  QChar* d = out.data();
  for (unsigned char b : bytes) *d++ = QChar(b >= 0x80 && b < 0xA0 ? HighControls[b - 0x80] : char16_t(b));
  return out;
}

std::string ToCodePage(const QString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.size()));
  const QChar* s = text.constData();
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    char16_t c = s[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1].unicode())) {
      out += '?';
      ++i;
      continue;
    }
    out += ByteOf(c);
  }
  return out;
}

int TextPosition(const QString& text, qsizetype byteOffset) {
  const qsizetype n = text.size();
  qsizetype i = 0;
  for (qsizetype seen = 0; i < n && seen < byteOffset; ++seen) {
    if (QChar::isHighSurrogate(text[i].unicode()) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode()))
      i += 2;
    else ++i;
  }
  return static_cast<int>(i);
}

}  // namespace Ostra
