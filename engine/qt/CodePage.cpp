#include "engine/qt/CodePage.h"

#include "engine/CodePage.h"

namespace Ostra {

QString FromCodePage(std::string_view bytes) {
  QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  QChar* d = out.data();
  for (unsigned char b : bytes) *d++ = QChar(static_cast<char16_t>(TernioParser::CodePageChar(b)));
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
    const int b = TernioParser::CodePageByte(c);
    out += b < 0 ? '?' : static_cast<char>(b);
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
