#pragma once
// The engine layers: TParser holds a program text and is the evaluation entry;
// TCommParser adds output, plot and instrument functions; TGUIParser adds the
// panel functions.

#include "engine/ParserBase.h"

namespace TernioParser {

class TParser : public TParserBase {
public:
  explicit TParser(TVarHandler::TGlobalList* globals);

  // The program text, with carriage returns removed.
  std::string Text;

  // Clears the engine and takes a new text.
  void SetText(const std::string& text);
  // Parses Text; list (may be null) receives the token records.
  bool Parse(std::list<TCodePosInfo>* list);
  void Clear() override;
  TParserBase* Clone() const override { return new TParser(Vars.Globals); }

  // The evaluation entry of a run: floating-point exceptions masked, the run
  // hooks around the plain evaluation, runaway recursion turned into the
  // result "Stack Overflow".
  virtual TReturnValue Evaluate(TCalcInfo& ci);
  virtual void BeforeRun() {}
  virtual void AfterRun() {}
};

class TCommParser : public TParser {
public:
  explicit TCommParser(TVarHandler::TGlobalList* globals);
  TParserBase* Clone() const override { return new TCommParser(Vars.Globals); }
};

class TGUIParser : public TCommParser {
public:
  explicit TGUIParser(TVarHandler::TGlobalList* globals);
  TParserBase* Clone() const override { return new TGUIParser(Vars.Globals); }
};

}  // namespace TernioParser
