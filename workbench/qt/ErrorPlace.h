#pragma once
// Where the editor shows a parse error: the characters to mark and the text
// of the tool tip and the status bar, from the engine's error state and the
// token records of the failed parse.

#include <cstdint>
#include <list>
#include <string>

#include "engine/ParserBase.h"

namespace Ostra {

struct TErrorPlace {
  // Byte offsets into the program text, Start <= End.
  int32_t Start = 0, End = 0;
  std::string Message;
};

// An error found after the last character (an unclosed call, a missing
// operand) is placed at the end of the text: from the token it began with,
// when that is known, else at the last character that is not white space.
// An unknown function is placed on its name, which the message names too.
// Otherwise the place runs from the token's start to the read position.
TErrorPlace ErrorPlace(const std::string& text, const TernioParser::TParserBase& engine,
                       const std::list<TernioParser::TCodePosInfo>& tokens);

}  // namespace Ostra
