#pragma once
// User-defined functions: the registry shared by engines, the definition node
// and the call node.

#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/Function.h"
#include "engine/NumericBody.h"

namespace TernioParser {

class TParserBase;
class TFunctionDef;

class TGlobalFuncHandler {
public:
  TGlobalFuncHandler() = default;
  TGlobalFuncHandler(const TGlobalFuncHandler&) = delete;
  TGlobalFuncHandler& operator=(const TGlobalFuncHandler&) = delete;
  ~TGlobalFuncHandler();

  std::list<TFunctionDef*> Defs;
  std::map<std::string, TFunctionDef*> ByName;

  void Register(TFunctionDef* def);
  // Removes def, and its name whichever definition the name points to.
  void Unregister(TFunctionDef* def);
  TFunctionDef* Find(const std::string& name) const;
};

// What a definition and every call of it share: the parameters and the engine
// that holds the body. Calls in a panel's program keep it alive, so such a
// call never dangles even when the text holding the definition is parsed
// anew. Calls inside function bodies only point to it: a body holding its own
// definition alive (recursion) would never be freed.
struct TFunctionBody {
  TFunctionBody(std::string name, std::unique_ptr<TParserBase> engine);
  TFunctionBody(const TFunctionBody&) = delete;
  TFunctionBody& operator=(const TFunctionBody&) = delete;
  ~TFunctionBody();

  std::string Name;
  std::vector<std::unique_ptr<TVarEntryBase>> Params;  // TVarEntry or TArrayEntry
  std::unique_ptr<TParserBase> Engine;
  // The parameter entry e stands at; -1 when e is none of them.
  int32_t ParamIndex(const TVarEntryBase* e) const;

  // Set when the definition node is gone (its text was parsed anew); calls
  // parsed earlier then bind the body themselves.
  bool Orphaned = false;

  // Activations of the body under way, what binding noted about the body's
  // nodes, and the argument values a recursive call has put aside. A run
  // that an exception ends may leave them behind: binding starts afresh.
  int Active = 0;
  TVarHandler::TBodyNotes Notes;
  TAside Aside;
  // Before a recursive call runs the body: puts the argument values of the
  // nodes that keep them aside (all or none; throws when memory runs out).
  void PutAside();
  void TakeBack() noexcept;

  // The fast form of the body, when it only computes with numbers. Binding
  // replaces it by the fast form of the same tree, so that the fast forms of
  // other bodies that call this one always find it.
  std::unique_ptr<TNumericBody> Numeric;

  // Takes the parameters out of the engine's locals (where binding put them).
  void DetachParams();
  // Binds the body to the engine's store, the parameters standing first.
  void Bind();

private:
  bool Binding = false;
  void DropAside() noexcept;
};

class TFunctionDef final : public TParserAtom {
public:
  explicit TFunctionDef(std::shared_ptr<TFunctionBody> body) : Body(std::move(body)) {}
  ~TFunctionDef() override;

  TGlobalFuncHandler* Registry = nullptr;
  std::shared_ptr<TFunctionBody> Body;
  const std::string& Name() const { return Body->Name; }

  void Bind(TVarHandler& vars) override;
  void Evaluate(TCalcInfo&, TReturnValue& result) override { result.SetNumber(1); }
  bool AlwaysNumber() const override { return true; }
};

class TFunctionCall final : public TFunction {
public:
  // keepAlive: the call shares the ownership of the definition's body.
  TFunctionCall(const std::shared_ptr<TFunctionBody>& def, bool keepAlive);
  TFunctionBody* Def;

  int ArgumentCount() const override { return static_cast<int>(Def->Params.size()); }
  bool CheckArguments() override;
  void Bind(TVarHandler& vars) override;
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
  void PutAside(TAside& aside) override;
  void TakeBack(TAside& aside) noexcept override;

private:
  std::shared_ptr<TFunctionBody> Keep;
  // How each argument is passed, fixed once the arguments are parsed.
  enum class TPass : uint8_t { Array, Number, Value };
  std::vector<TPass> Passing;
  bool HasArrays = false;
  // Some argument is passed as a value (it may be a string).
  bool HasValues = false;
  // Calls the body's fast form with the arguments (numbers and arrays).
  void CallFast(TCalcInfo& ci, TReturnValue& result);
  void RunFast(TCalcInfo& ci, const TNumericBody::TSlot* frame, TReturnValue& result);
  // Runs the body with the parameters set, its value into result (straight
  // into the caller's slot unless a recursive call puts values aside).
  void RunBody(TCalcInfo& ci, TReturnValue& result) {
    if (Def->Active == 0 || Def->Notes.KeepValues.empty()) Run(ci, result);
    else RunRecursive(ci, result);
  }
  void Run(TCalcInfo& ci, TReturnValue& into);
  void RunRecursive(TCalcInfo& ci, TReturnValue& result);
  // Copies of the caller's arrays, made before the call and moved into the
  // parameters; kept per node so that their entries are made once.
  std::vector<std::unique_ptr<TArrayEntry>> ArrayIn;
};

}  // namespace TernioParser
