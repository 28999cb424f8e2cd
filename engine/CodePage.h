#pragma once
// Windows-1252, the code page of programs, macro files and exports: the
// character of every byte and the byte of every character it holds.

namespace TernioParser {

// The character of a byte. The five bytes the code page leaves unassigned
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 control characters of the
// same value, as Windows maps them, so every byte has a character of its own
// and any byte string survives a round trip unchanged.
char32_t CodePageChar(unsigned char byte);

// The byte of a character; -1 for a character the code page cannot hold.
int CodePageByte(char32_t c);

}  // namespace TernioParser
