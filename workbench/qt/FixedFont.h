#pragma once
// The fixed-pitch font of program text, in the editor and in the examples of
// the help browser: "Courier New" where it is monospaced, else the system's
// fixed font. A family name alone does not tell: "Courier New" may resolve
// to a font whose glyphs differ in width, or to one that does not say it is
// fixed although it is; the glyph widths decide.

#include <QFont>

namespace Ostra {

// True when the font's characters all have the same advance.
bool IsMonospaced(const QFont& font);

QFont FixedFont(qreal pointSize);

}  // namespace Ostra
