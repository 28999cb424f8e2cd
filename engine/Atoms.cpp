#include "engine/Atoms.h"

#include <vector>

#include "engine/OutOfMemory.h"

namespace TernioParser {

// ---- TOperand

void TOperand::RaiseNoValue(TCalcInfo& ci) const { ci.SetError("Variable " + Name + " has no value"); }

void TOperand::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  if (Var && Var->HasValue) Var->GetValue(result);
  else RaiseNoValue(ci);
}

double TOperand::EvaluateNumber(TCalcInfo& ci) {
  if (Var && Var->HasValue) return Var->Number();
  RaiseNoValue(ci);
  return 0;
}

bool TOperand::PeekNumber(double& out) const {
  if (!Var || !Var->HasValue || Var->IsString) return false;
  out = Var->Number();
  return true;
}

bool TOperand::SetNumber(double x) {
  if (!Var) return false;
  Var->SetNumber(x);
  return true;
}

bool TOperand::SetString(std::string_view s) {
  if (!Var) return false;
  Var->SetString(s);
  return true;
}

bool TOperand::SetValue(const TReturnValue& v) {
  if (!Var) return false;
  Var->SetValue(v);
  return true;
}

// ---- TOpArray

double TOpArray::ReadElement(TCalcInfo& ci) {
  if (!Array) {
    ci.SetErrorFlag(true);
    return 0;
  }
  double x;
  int32_t i = IntegerValue(Index->PeekNumber(x) ? x : Index->EvaluateNumber(ci));
  if (ci.Error) return 0;
  if (i >= 0 && i < Array->Count) return Array->Data[i];
  if (i == 0) return 0;  // index 0 of an empty array
  ci.SetError("Illegal array element access in array " + Name);
  return 0;
}

void TOpArray::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  double x = ReadElement(ci);
  if (!ci.Error) result.SetNumber(x);
}

double TOpArray::EvaluateNumber(TCalcInfo& ci) { return ReadElement(ci); }

bool TOpArray::PrivateIndex(int32_t& i) {
  double x;
  if (Index->PeekNumber(x)) {
    i = IntegerValue(x);
    return true;
  }
  TCalcInfo own;
  x = Index->EvaluateNumber(own);
  if (own.Error) return false;
  i = IntegerValue(x);
  return true;
}

bool TOpArray::HasValue() {
  int32_t i;
  if (!Array || !PrivateIndex(i)) return false;
  return i == 0 || (i > 0 && i < Array->Count);
}

bool TOpArray::SetNumber(double x) {
  int32_t i;
  if (!Array || !PrivateIndex(i)) return false;
  return Array->SetElement(i, x);
}

bool TOpArray::SetString(std::string_view s) { return SetNumber(TextToNumber(s)); }

// ---- operator chains

void TOpFunction::Bind(TVarHandler& vars) {
  // Left operands first, from the bottom of the chain up, then each right.
  std::vector<TOpFunction*> chain{this};
  while (TOpFunction* op = chain.back()->Left->AsOperator()) chain.push_back(op);
  chain.back()->Left->Bind(vars);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    (*it)->Right->Bind(vars);
    (*it)->LeftFast.Bound();
    (*it)->RightFast.Bound();
  }
}

// ---- TAdd

void TAdd::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  TReturnValue l;
  Left->Evaluate(ci, l);
  if (ci.Error) return;
  if (!l.IsString) {
    // A number on the left makes the sum numeric, whatever the right holds.
    double b = RightFast.Number(ci);
    if (!ci.Error) result.SetNumber(l.Number + b);
    return;
  }
  TReturnValue r;
  Right->Evaluate(ci, r);
  if (ci.Error) return;
  if (r.IsString) {
    GuardMemory(ci, "+ operator", [&] {
      TText t = std::move(l.Text);
      t.Append(r.Text.View());
      result.SetText(t);
    });
  } else {
    result.SetNumber(l.AsNumber() + r.Number);
  }
}

double TAdd::EvaluateNumber(TCalcInfo& ci) {
  if (Left->AlwaysNumber()) {
    double a = Left->EvaluateNumber(ci);
    if (ci.Error) return 0;
    return a + Right->EvaluateNumber(ci);
  }
  TReturnValue l;
  Left->Evaluate(ci, l);
  if (ci.Error) return 0;
  if (!l.IsString) return l.Number + Right->EvaluateNumber(ci);
  TReturnValue r;
  Right->Evaluate(ci, r);
  if (ci.Error) return 0;
  if (!r.IsString) return l.AsNumber() + r.Number;
  double sum = 0;
  GuardMemory(ci, "+ operator", [&] {
    std::string s = l.Text.Str();
    s += r.Text.View();
    sum = TextToNumber(s);
  });
  return sum;
}

// ---- TSep

void TSep::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  Left->Evaluate(ci, result);
  if (ci.Error) return;
  result.SetNumber(0);
  if (ci.Stopping()) {
    ci.SetError("Stopped");
    return;
  }
  Right->Evaluate(ci, result);
}

// ---- assignments

bool TAssignment::StoreNumber(TCalcInfo& ci, const char* who, double v, bool& stored) {
  return GuardMemory(ci, who, [&] { stored = Target()->SetNumber(v); });
}

bool TAssignment::CheckOperands() {
  RightNumeric = Right->AlwaysNumber();
  LeftScalar = FastForms ? Left->AsOperand() : nullptr;
  return Left->IsVariable();
}

void TEq::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  Right->Evaluate(ci, result);
  if (ci.Error) return;
  bool stored = false;
  if (GuardMemory(ci, "= operator", [&] { stored = Target()->SetValue(result); }) && !stored)
    ci.SetError("= operator: error setting a value (maybe negative array index)");
}

void TPlusEq::EvaluateGeneral(TCalcInfo& ci, TReturnValue& result) {
  GuardMemory(ci, "+= operator", [&] { Update(ci, result); });
}

void TPlusEq::Update(TCalcInfo& ci, TReturnValue& result) {
  if (RightNumeric) {
    double r = Right->EvaluateNumber(ci);
    if (ci.Error) return;
    double l = Left->EvaluateNumber(ci);
    if (ci.Error) return;
    double v = l + r;
    if (!Target()->SetNumber(v)) ci.SetErrorFlag(true);
    result.SetNumber(v);
    return;
  }
  TReturnValue r;
  Right->Evaluate(ci, r);
  if (ci.Error) return;
  if (!r.IsString) {
    double l = Left->EvaluateNumber(ci);
    if (ci.Error) return;
    double v = l + r.Number;
    if (!Target()->SetNumber(v)) ci.SetErrorFlag(true);
    result.SetNumber(v);
    return;
  }
  // Appending text to a scalar happens in place, so that building a long
  // text piece by piece stays linear.
  if (TOperand* op = Left->AsOperand()) {
    TVarEntry* v = op->Var;
    if (!v || !v->HasValue) {
      op->RaiseNoValue(ci);
      return;
    }
    if (v->IsString) v->AppendString(r.Text.View());
    else v->SetString(NumberToText(v->Number()) + r.Text.Str());
    result.SetText(v->Text);
    return;
  }
  TReturnValue l;
  Left->Evaluate(ci, l);
  if (ci.Error) return;
  std::string s = l.AsString();
  s += r.Text.View();
  if (!Target()->SetString(s)) ci.SetErrorFlag(true);
  result.SetString(s);
}

}  // namespace TernioParser
