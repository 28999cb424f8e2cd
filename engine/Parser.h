#pragma once
// The engine layers: TParser holds a program text and is the evaluation entry;
// TCommParser adds output, plot and instrument functions; TGUIParser adds the
// panel functions. Which functions those are is decided above the engine: each
// layer takes its libraries from the layer tables it is made with.

#include "engine/ParserBase.h"

namespace TernioParser {

// Called at the end of every run of a layer's engine, after the evaluation.
using TRunHook = void (*)(TCalcInfo& ci);

// The built-ins of one engine layer and its end-of-run hook.
struct TLayerTable {
  std::vector<TLibrary> Libraries;
  TRunHook AfterRun = nullptr;
};

// What the three layers add, put together above the engine.
struct TLayerTables {
  TLayerTable Core, Comm, GUI;
};

class TParser : public TParserBase {
public:
  TParser(TVarHandler::TGlobalList* globals, const TLayerTables& layers);

  // The program text, with carriage returns removed.
  std::string Text;

  // Clears the engine and takes a new text.
  void SetText(const std::string& text);
  // Parses Text; list (may be null) receives the token records.
  bool Parse(std::list<TCodePosInfo>* list);
  void Clear() override;
  TParserBase* Clone() const override { return new TParser(Vars.Globals, Layers); }

  // The evaluation entry of a run: floating-point exceptions masked, the run
  // hooks around the plain evaluation, runaway recursion turned into the
  // result "Stack Overflow".
  virtual TReturnValue Evaluate(TCalcInfo& ci);
  virtual void AfterRun(TCalcInfo& ci);

protected:
  const TLayerTables& Layers;
};

class TCommParser : public TParser {
public:
  TCommParser(TVarHandler::TGlobalList* globals, const TLayerTables& layers);
  TParserBase* Clone() const override { return new TCommParser(Vars.Globals, Layers); }
  void AfterRun(TCalcInfo& ci) override;
};

class TGUIParser : public TCommParser {
public:
  TGUIParser(TVarHandler::TGlobalList* globals, const TLayerTables& layers);
  TParserBase* Clone() const override { return new TGUIParser(Vars.Globals, Layers); }
  void AfterRun(TCalcInfo& ci) override;
};

}  // namespace TernioParser
