#include "engine/ParserBase.h"

#include "engine/Grammar.h"

namespace TernioParser {

TParserBase::TParserBase(TVarHandler::TGlobalList* globals)
    : Vars(globals), OwnRegistry(std::make_unique<TGlobalFuncHandler>()) {
  Registry = OwnRegistry.get();
}

TParserBase::~TParserBase() {
  ClearTree();
  Vars.Release();
}

void TParserBase::AddLibraries(const std::vector<TLibrary>& libraries) {
  for (TLibrary library : libraries)
    for (const TBuiltinRow& row : library) Builtins[row.Name] = &row;
}

void TParserBase::SetRegistry(TGlobalFuncHandler* r) {
  if (r) {
    if (r == Registry) return;
    OwnRegistry.reset();
    Registry = r;
  } else if (!OwnRegistry) {
    OwnRegistry = std::make_unique<TGlobalFuncHandler>();
    Registry = OwnRegistry.get();
  }
}

TFunction* TParserBase::CreateFunction(const std::string& name) {
  if (TFunctionDef* def = Registry->Find(name)) return new TFunctionCall(def->Body, !IsBody);
  auto it = Builtins.find(name.c_str());
  return it == Builtins.end() ? nullptr : it->second->Create();
}

std::unique_ptr<TParserBase> TParserBase::NewBodyEngine() const {
  std::unique_ptr<TParserBase> engine(Clone());
  engine->SetRegistry(Registry);
  engine->Options = Options;
  engine->IsBody = true;
  return engine;
}

void TParserBase::Prepare() {
  Vars.Release();
  TVarHandler::TBinding binding(Vars);
  if (Root) Root->Bind(Vars);
}

void TParserBase::ClearTree() {
  Root = nullptr;
  Nodes.Clear();
  Message.clear();
  Error = false;
  ErrorPos = 0;
}

void TParserBase::Clear() {
  ClearTree();
  Vars.Release();
}

TReturnValue TParserBase::PlainEvaluate(TCalcInfo& ci) {
  TReturnValue value;
  ci.SetErrorFlag(false);
  if (Root) Root->Evaluate(ci, value);
  return value;
}

bool TParserBase::ParseText(const std::string& text, std::list<TCodePosInfo>* list) {
  ClearTree();
  {
    TParseSession session(*this, text, list);
    Root = session.ParseProgram();
    Error = session.Failed();
    if (Error) {
      Message = session.Message();
      ErrorPos = session.ErrorPos();
    }
    TokenStart = session.TokenStart();
  }
  if (Error) {
    Root = nullptr;
    Nodes.Clear();
  }
  return !Error;
}

}  // namespace TernioParser
