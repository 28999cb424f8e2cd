#pragma once
// Conversion between the editor's Unicode text and the 8-bit Windows-1252
// text of programs, macro files and exports. Every byte maps to exactly one
// character and back, so offsets into the 8-bit text are character counts.

#include <QString>
#include <string>
#include <string_view>

namespace Ostra {

// Each byte becomes one character; the five bytes that Windows-1252 leaves
// unassigned become the C1 control characters of the same value, so any byte
// string survives a round trip unchanged.
QString FromCodePage(std::string_view bytes);

// Each character becomes one byte; characters the code page cannot hold
// (a surrogate pair counts as one character) become '?'.
std::string ToCodePage(const QString& text);

// The position in text of the character that has the given offset in the
// 8-bit form of text (the two differ only after surrogate pairs). Offsets
// beyond the end give text.size().
int TextPosition(const QString& text, qsizetype byteOffset);

}  // namespace Ostra
