#include "engine/UserFunctions.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/OutOfMemory.h"
#include "engine/ParserBase.h"
#include "engine/StackGuard.h"

namespace TernioParser {

// ---- TGlobalFuncHandler

TGlobalFuncHandler::~TGlobalFuncHandler() {
  for (TFunctionDef* d : Defs) d->Registry = nullptr;
}

void TGlobalFuncHandler::Register(TFunctionDef* def) {
  if (def->Registry && def->Registry != this) def->Registry->Unregister(def);
  Defs.push_back(def);
  ByName[def->Name()] = def;
  def->Registry = this;
}

void TGlobalFuncHandler::Unregister(TFunctionDef* def) {
  Defs.remove(def);
  ByName.erase(def->Name());
  def->Registry = nullptr;
}

TFunctionDef* TGlobalFuncHandler::Find(const std::string& name) const {
  auto it = ByName.find(name);
  return it == ByName.end() ? nullptr : it->second;
}

// ---- TFunctionBody

TFunctionBody::TFunctionBody(std::string name, std::unique_ptr<TParserBase> engine)
    : Name(std::move(name)), Engine(std::move(engine)) {}

int32_t TFunctionBody::ParamIndex(const TVarEntryBase* e) const {
  for (size_t k = 0; k < Params.size(); ++k)
    if (e && Params[k].get() == e) return static_cast<int32_t>(k);
  return -1;
}

void TFunctionBody::DetachParams() {
  auto& locals = Engine->Vars.Locals;
  locals.erase(std::remove_if(locals.begin(), locals.end(), [&](TVarEntryBase* e) { return ParamIndex(e) >= 0; }),
               locals.end());
}

TFunctionBody::~TFunctionBody() {
  DetachParams();
  Engine.reset();
  DropAside();
}

void TFunctionBody::DropAside() noexcept {
  for (const TArrayEntry::TStorage& a : Aside.Arrays) std::free(a.Data);
  Aside = {};
}

void TFunctionBody::Bind() {
  // A call inside an orphaned body binds the body again: once is enough.
  if (Binding) return;
  struct TBindingNow {
    TFunctionBody& Body;
    ~TBindingNow() {
      Body.Engine->Vars.Notes = nullptr;
      Body.Binding = false;
    }
  } now{*this};
  Binding = true;
  DetachParams();
  Engine->Vars.Release();
  auto& locals = Engine->Vars.Locals;
  // Each parameter goes to the front in turn, so the last one stands first.
  for (const auto& p : Params) locals.insert(locals.begin(), p.get());
  Notes = {};
  Active = 0;
  DropAside();
  Engine->Vars.Notes = &Notes;
  TVarHandler::TBinding binding(Engine->Vars);
  if (Engine->Root) Engine->Root->Bind(Engine->Vars);
  Numeric = TNumericBody::Compile(*this);
}

void TFunctionBody::PutAside() {
  size_t done = 0;
  try {
    for (TFunction* f : Notes.KeepValues) {
      f->PutAside(Aside);
      ++done;
    }
  } catch (...) {
    while (done) Notes.KeepValues[--done]->TakeBack(Aside);
    throw;
  }
}

void TFunctionBody::TakeBack() noexcept {
  for (auto f = Notes.KeepValues.rbegin(); f != Notes.KeepValues.rend(); ++f) (*f)->TakeBack(Aside);
}

// ---- TFunctionDef

TFunctionDef::~TFunctionDef() {
  if (Registry) Registry->Unregister(this);
  Body->Orphaned = true;
}

void TFunctionDef::Bind(TVarHandler&) { Body->Bind(); }

// ---- TFunctionCall

TFunctionCall::TFunctionCall(const std::shared_ptr<TFunctionBody>& def, bool keepAlive)
    : Def(def.get()), Keep(keepAlive ? def : nullptr) {
  ArrayIn.resize(Def->Params.size());
  for (size_t k = 0; k < Def->Params.size(); ++k)
    if (Def->Params[k]->Kind() == TVarKind::Array) ArrayIn[k] = std::make_unique<TArrayEntry>(Def->Params[k]->Name);
}

bool TFunctionCall::CheckArguments() {
  Passing.clear();
  HasArrays = false;
  HasValues = false;
  for (size_t k = 0; k < Def->Params.size(); ++k) {
    if (Def->Params[k]->Kind() == TVarKind::Array) {
      if (!IsArrayArg(static_cast<int>(k))) return false;
      Passing.push_back(TPass::Array);
      HasArrays = true;
    } else {
      Passing.push_back(Args[k]->AlwaysNumber() ? TPass::Number : TPass::Value);
    }
    if (Passing.back() == TPass::Value) HasValues = true;
  }
  return true;
}

void TFunctionCall::Bind(TVarHandler& vars) {
  TFunction::Bind(vars);
  if (vars.Notes) ++vars.Notes->Calls;
  if (Def->Orphaned) Def->Bind();
}

void TFunctionCall::PutAside(TAside& aside) {
  auto& arrays = aside.Arrays;
  if (HasArrays && arrays.capacity() - arrays.size() < ArrayIn.size())
    arrays.reserve(std::max(arrays.size() + ArrayIn.size(), 2 * arrays.capacity()));
  TFunction::PutAside(aside);
  for (auto& a : ArrayIn)
    if (a) arrays.push_back(a->TakeOut());
}

void TFunctionCall::TakeBack(TAside& aside) noexcept {
  for (auto a = ArrayIn.rbegin(); a != ArrayIn.rend(); ++a) {
    if (!*a) continue;
    (*a)->PutBack(aside.Arrays.back());
    aside.Arrays.pop_back();
  }
  TFunction::TakeBack(aside);
}

void TFunctionCall::Run(TCalcInfo& ci, TReturnValue& into) {
  TFunctionBody& body = *Def;
  ++body.Active;
  // Whatever the body could not allocate ends the run, after the locals are
  // back.
  GuardMemory(ci, body.Name, [&] {
    into.SetNumber(0);
    if (TParserAtom* root = body.Engine->Root) root->Evaluate(ci, into);
  });
  --body.Active;
}

void TFunctionCall::RunRecursive(TCalcInfo& ci, TReturnValue& result) {
  // The nodes of the outer activations may be between arguments, so their
  // values are put aside while this activation runs. The caller's slot may
  // be one of them, so the value waits until they are back.
  TFunctionBody& body = *Def;
  if (!GuardMemory(ci, "Functioncall", [&] { body.PutAside(); })) return;
  TReturnValue value;
  Run(ci, value);
  body.TakeBack();
  result = std::move(value);
}

void TFunctionCall::RunFast(TCalcInfo& ci, const TNumericBody::TSlot* frame, TReturnValue& result) {
  const double v = Def->Numeric->Run(ci, frame);
  if (!ci.Error) result.SetNumber(v);
}

void TFunctionCall::CallFast(TCalcInfo& ci, TReturnValue& result) {
  TFunctionBody& body = *Def;
  const size_t n = body.Params.size();
  TNumericBody::TSlot frame[TNumericBody::MaxParams] = {};
  if (!HasArrays) {
    for (size_t k = 0; k < n; ++k) {
      frame[k].Number = Args[k]->EvaluateNumber(ci);
      if (ci.Error) return;
    }
    RunFast(ci, frame, result);
    return;
  }
  // Arrays are copied at their turn, as for any call: a later argument may
  // change the caller's array. Small copies stay on the stack.
  TNumericBody::TArrayView views[TNumericBody::MaxParams];
  constexpr int32_t PoolSize = 256;
  double pool[PoolSize];
  int32_t pooled = 0;
  std::unique_ptr<double[]> large[TNumericBody::MaxParams];
  for (size_t k = 0; k < n; ++k) {
    if (Passing[k] == TPass::Number) {
      frame[k].Number = Args[k]->EvaluateNumber(ci);
      if (ci.Error) return;
      continue;
    }
    const TArrayEntry* src = Args[k]->ArrayEntry();
    if (!src) {
      ci.SetError("Functioncall: Array not found.");
      return;
    }
    double* copy = pool + pooled;
    if (src->Count <= PoolSize - pooled) {
      pooled += src->Count;
    } else if (!GuardMemory(ci, "Functioncall", [&] { large[k].reset(new double[src->Count]); })) {
      return;
    } else {
      copy = large[k].get();
    }
    if (src->Count) std::memcpy(copy, src->Data, static_cast<size_t>(src->Count) * sizeof(double));
    views[k] = {copy, src->Count};
    frame[k].Array = &views[k];
  }
  RunFast(ci, frame, result);
  // The body reads its arrays only, so giving the copies back changes a
  // caller's array only when a later argument changed it meanwhile.
  for (size_t k = 0; k < n; ++k) {
    if (Passing[k] != TPass::Array) continue;
    TArrayEntry* caller = Args[k]->ArrayEntry();
    const TNumericBody::TArrayView& copy = views[k];
    if (!caller || (caller->Count == copy.Count &&
                    (!copy.Count || std::memcmp(caller->Data, copy.Data, copy.Count * sizeof(double)) == 0)))
      continue;
    GuardMemory(ci, "Functioncall", [&] {
      TArrayEntry back(caller->Name);
      back.Reserve(copy.Count);
      if (copy.Count) std::memcpy(back.Data, copy.Data, static_cast<size_t>(copy.Count) * sizeof(double));
      back.Count = copy.Count;
      caller->TakeStorage(back);
    });
  }
}

void TFunctionCall::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  // After Break a call does nothing but stop the run: a recursion that
  // notices the request deep down must not unwind into a plain result.
  if (ci.Stopping()) {
    ci.SetError("Stopped");
    return;
  }
  TStackGuard& guard = TStackGuard::Current();
  if (guard.Overflowed || guard.Exceeded()) {
    guard.Overflowed = true;
    ci.SetErrorFlag(true);
    return;
  }
  TFunctionBody& body = *Def;
  const size_t n = body.Params.size();
  TVarHandler& vars = body.Engine->Vars;

  if (body.Numeric && !HasValues) {
    CallFast(ci, result);
    return;
  }
  if (!HasArrays && !HasValues) {
    // The common call: numbers in, no arrays to carry back.
    for (size_t k = 0; k < n; ++k) {
      Results[k].Number = Args[k]->EvaluateNumber(ci);
      if (ci.Error) return;
    }
    if (!GuardMemory(ci, "Functioncall", [&] { vars.SaveAll(); })) return;
    for (size_t k = 0; k < n; ++k) static_cast<TVarEntry*>(body.Params[k].get())->SetNumber(Results[k].Number);
    RunBody(ci, result);
    vars.RestoreAll();
    return;
  }

  // Arguments, in the caller's activation: scalars by value into the value
  // slots, arrays as copies.
  for (size_t k = 0; k < n; ++k) {
    switch (Passing[k]) {
      case TPass::Array:
        if (TArrayEntry* src = Args[k]->ArrayEntry()) {
          ArrayIn[k]->Clear();
          GuardMemory(ci, "Functioncall", [&] { ArrayIn[k]->Append(*src); });
        } else {
          ci.SetError("Functioncall: Array not found.");
        }
        break;
      case TPass::Number: Results[k].SetNumber(Args[k]->EvaluateNumber(ci)); break;
      case TPass::Value:
        Results[k].SetNumber(0);
        Args[k]->Evaluate(ci, Results[k]);
        break;
    }
    if (ci.Error) {
      for (size_t j = 0; j <= k; ++j) {
        if (ArrayIn[j]) ArrayIn[j]->Clear();
        Results[j].SetNumber(0);
      }
      return;
    }
  }

  if (body.Numeric && !HasArrays &&
      std::none_of(Results.begin(), Results.end(), [](const TReturnValue& v) { return v.IsString; })) {
    // Values that all turned out numbers (a variable holding one, say).
    TNumericBody::TSlot frame[TNumericBody::MaxParams];
    for (size_t k = 0; k < n; ++k) frame[k].Number = Results[k].Number;
    RunFast(ci, frame, result);
    return;
  }
  if (!GuardMemory(ci, "Functioncall", [&] { vars.SaveAll(); })) {
    for (size_t k = 0; k < n; ++k) {
      if (ArrayIn[k]) ArrayIn[k]->Clear();
      Results[k].SetNumber(0);
    }
    return;
  }
  for (size_t k = 0; k < n; ++k) {
    if (Passing[k] == TPass::Array) {
      static_cast<TArrayEntry*>(body.Params[k].get())->TakeStorage(*ArrayIn[k]);
    } else {
      static_cast<TVarEntry*>(body.Params[k].get())->SetValue(Results[k]);
      Results[k].SetNumber(0);
    }
  }

  RunBody(ci, result);

  // The final contents of array parameters go back to the callers' arrays,
  // also after an error.
  if (HasArrays)
    for (size_t k = 0; k < n; ++k)
      if (ArrayIn[k]) ArrayIn[k]->TakeStorage(*static_cast<TArrayEntry*>(body.Params[k].get()));
  vars.RestoreAll();
  if (!HasArrays) return;
  for (size_t k = 0; k < n; ++k) {
    if (!ArrayIn[k]) continue;
    if (TArrayEntry* caller = Args[k]->ArrayEntry()) caller->TakeStorage(*ArrayIn[k]);
    else ArrayIn[k]->Clear();
  }
}

}  // namespace TernioParser
