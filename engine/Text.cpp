#include "engine/Text.h"

namespace TernioParser {

const std::string& TText::Empty() noexcept {
  static const std::string empty;
  return empty;
}

std::string& TText::Mutable() {
  if (!Rep) {
    Rep = new TRep{1, std::string()};
  } else if (Rep->Refs > 1) {
    TRep* copy = new TRep{1, Rep->S};
    --Rep->Refs;
    Rep = copy;
  }
  return Rep->S;
}

void TText::Assign(std::string_view s) {
  if (Rep && Rep->Refs == 1) {
    Rep->S.assign(s.data(), s.size());
    return;
  }
  Release();
  if (!s.empty()) Rep = new TRep{1, std::string(s)};
}

void TText::Append(std::string_view s) {
  if (s.empty()) return;
  Mutable().append(s.data(), s.size());
}

}  // namespace TernioParser
