#include "workbench/qt/ErrorPlace.h"

#include <algorithm>
#include <cctype>

namespace Ostra {

namespace {

bool Blank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// The end of text without its trailing white space.
int32_t TrimmedEnd(const std::string& text, int32_t end) {
  while (end > 0 && Blank(text[static_cast<size_t>(end) - 1])) --end;
  return end;
}

}  // namespace

TErrorPlace ErrorPlace(const std::string& text, const TernioParser::TParserBase& engine,
                       const std::list<TernioParser::TCodePosInfo>& tokens) {
  const auto size = static_cast<int32_t>(text.size());
  TErrorPlace place;
  place.Message = engine.Message;
  if (engine.ErrorPos < 0) {
    place.End = TrimmedEnd(text, size);
    place.Start =
        engine.TokenStart >= 0 && engine.TokenStart < place.End ? engine.TokenStart : std::max(place.End - 1, 0);
    return place;
  }
  const int32_t at = std::min(engine.ErrorPos, size);
  if (engine.Message == "Unknown function") {
    // The name is the last function token before the read position; it
    // ends before the "(" that was read last (blanks may stand between).
    const TernioParser::TCodePosInfo* name = nullptr;
    for (const auto& t : tokens)
      if (t.Kind == TernioParser::tkFunction && t.Position < at) name = &t;
    if (name) {
      int32_t end = at;
      if (end > name->Position && text[static_cast<size_t>(end) - 1] == '(') --end;
      end = std::max(TrimmedEnd(text, end), name->Position);
      place.Start = name->Position;
      place.End = end;
      place.Message += " " + text.substr(static_cast<size_t>(place.Start), static_cast<size_t>(end - place.Start));
      return place;
    }
  }
  place.Start = std::clamp(engine.TokenStart, 0, at);
  place.End = at;
  return place;
}

}  // namespace Ostra
