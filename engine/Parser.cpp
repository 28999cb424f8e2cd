#include "engine/Parser.h"

#include <cfenv>

#include "engine/StackGuard.h"

namespace TernioParser {

TParser::TParser(TVarHandler::TGlobalList* globals) : TParserBase(globals) { AddNameTable(CoreNameTable()); }

TCommParser::TCommParser(TVarHandler::TGlobalList* globals) : TParser(globals) { AddNameTable(CommNameTable()); }

TGUIParser::TGUIParser(TVarHandler::TGlobalList* globals) : TCommParser(globals) { AddNameTable(GUINameTable()); }

void TParser::SetText(const std::string& text) {
  Clear();
  Text.reserve(text.size());
  for (char c : text)
    if (c != '\r') Text += c;
}

bool TParser::Parse(std::list<TCodePosInfo>* list) { return ParseText(Text, list); }

void TParser::Clear() {
  TParserBase::Clear();
  Text.clear();
}

TReturnValue TParser::Evaluate(TCalcInfo& ci) {
  // Masked floating-point exceptions: division by zero, overflow and invalid
  // operations give infinities and NaNs, whatever a library changed.
  std::fesetenv(FE_DFL_ENV);
  TStackGuard& guard = TStackGuard::Current();
  guard.Arm();
  BeforeRun();
  TReturnValue value = PlainEvaluate(ci);
  const bool overflow = guard.Overflowed;
  guard.Overflowed = false;
  AfterRun();
  if (overflow) {
    ci.SetErrorFlag(false);
    ci.Message.clear();
    value.SetString("Stack Overflow");
  }
  return value;
}

}  // namespace TernioParser
