#include "engine/Parser.h"

#include <cfenv>
#include <new>
#include <stdexcept>

#include "engine/StackGuard.h"

namespace TernioParser {

TParser::TParser(TVarHandler::TGlobalList* globals, const TLayerTables& layers)
    : TParserBase(globals), Layers(layers) {
  AddLibraries(layers.Core.Libraries);
}

TCommParser::TCommParser(TVarHandler::TGlobalList* globals, const TLayerTables& layers) : TParser(globals, layers) {
  AddLibraries(layers.Comm.Libraries);
}

TGUIParser::TGUIParser(TVarHandler::TGlobalList* globals, const TLayerTables& layers) : TCommParser(globals, layers) {
  AddLibraries(layers.GUI.Libraries);
}

void TParser::AfterRun(TCalcInfo& ci) {
  if (Layers.Core.AfterRun) Layers.Core.AfterRun(ci);
}

void TCommParser::AfterRun(TCalcInfo& ci) {
  if (Layers.Comm.AfterRun) Layers.Comm.AfterRun(ci);
  TParser::AfterRun(ci);
}

void TGUIParser::AfterRun(TCalcInfo& ci) {
  if (Layers.GUI.AfterRun) Layers.GUI.AfterRun(ci);
  TCommParser::AfterRun(ci);
}

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
  TReturnValue value;
  // The last line of defence: memory refused where no node turned it into
  // its own error still ends the run with an error, not the process.
  try {
    value = PlainEvaluate(ci);
  } catch (const std::bad_alloc&) {
    ci.SetError("Not enough memory");
  } catch (const std::length_error&) {
    ci.SetError("Not enough memory");
  }
  const bool overflow = guard.Overflowed;
  guard.Overflowed = false;
  AfterRun(ci);
  if (overflow) {
    ci.SetErrorFlag(false);
    ci.Message.clear();
    value.SetString("Stack Overflow");
  }
  return value;
}

}  // namespace TernioParser
