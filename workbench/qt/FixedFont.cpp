#include "workbench/qt/FixedFont.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <cmath>

namespace Ostra {

bool IsMonospaced(const QFont& font) {
  const QFontMetricsF m(font);
  const qreal w = m.horizontalAdvance(u'M');
  if (w <= 0) return false;
  for (QChar c : QStringLiteral("il.W0(;' "))
    if (std::abs(m.horizontalAdvance(c) - w) > 0.01) return false;
  return true;
}

QFont FixedFont(qreal pointSize) {
  QFont wanted("Courier New");
  wanted.setStyleHint(QFont::TypeWriter);
  QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  QFont generic("monospace");
  generic.setStyleHint(QFont::Monospace);
  for (QFont* f : {&wanted, &system, &generic}) {
    f->setPointSizeF(pointSize);
    if (IsMonospaced(*f)) return *f;
  }
  return system;
}

}  // namespace Ostra
