#pragma once
// Branching and loops: functions that evaluate their arguments themselves,
// as often as they decide.

#include "engine/Function.h"

namespace TernioParser {

// The truth of a condition: its integer value is not 0. Conditions are
// nearly always small numbers, which need no call.
inline bool Truth(double x) {
  if (x > -2147483648.0 && x < 2147483648.0) return static_cast<int32_t>(x) != 0;
  return IntegerValue(x) != 0;
}

// A condition that compares a variable with a constant or another variable
// (i<10, i<n, k==0): if and the loops read it without calling the operator
// node while both hold numbers.
class TFastCondition {
public:
  // fast false: the condition is always computed by its node.
  void Set(TParserAtom* node, bool fast);
  void Bound();
  // The condition's value, false when the node must compute it.
  bool Read(double& value) const {
    if (!Left || !Left->HasValue || Left->IsString) return false;
    double b = Constant;
    if (Right) {
      if (!Right->HasValue || Right->IsString) return false;
      b = Right->HeldNumber();
    }
    const double a = Left->HeldNumber();
    bool holds = a != b;
    switch (Code) {
      case TOpCode::Less: holds = a < b; break;
      case TOpCode::Greater: holds = a > b; break;
      case TOpCode::LessEqual: holds = a <= b; break;
      case TOpCode::GreaterEqual: holds = a >= b; break;
      case TOpCode::Equal: holds = a == b; break;
      default: break;  // Unequal
    }
    value = holds ? 1 : 0;
    return true;
  }

private:
  TOpCode Code = TOpCode::Less;  // a comparison
  TOperand* LeftNode = nullptr;
  TOperand* RightNode = nullptr;  // null: the constant
  double Constant = 0;
  const TVarEntry* Left = nullptr;
  const TVarEntry* Right = nullptr;
};

class TIf final : public TFunction {
public:
  bool KeepsArgumentValues() const override { return false; }
  int ArgumentCount() const override { return 3; }
  bool CheckArguments() override;
  void Bind(TVarHandler& vars) override;
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;

private:
  // The condition always yields a number, so it needs no value of its own.
  bool CondNumeric = false;
  TFastCondition Condition;
};

class TFor final : public TFunction {
public:
  bool KeepsArgumentValues() const override { return false; }
  int ArgumentCount() const override { return 4; }
  bool CheckArguments() override;
  void Bind(TVarHandler& vars) override;
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;

private:
  TFastCondition Condition;
  // The increment when it adds a constant to a variable (i+=1).
  TOperand* StepNode = nullptr;
  TVarEntry* StepVar = nullptr;
  double Step = 0;
};

class TWhile final : public TFunction {
public:
  bool KeepsArgumentValues() const override { return false; }
  int ArgumentCount() const override { return 2; }
  bool CheckArguments() override {
    Condition.Set(Args[0], FastForms);
    return true;
  }
  void Bind(TVarHandler& vars) override {
    TFunction::Bind(vars);
    Condition.Bound();
  }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;

private:
  TFastCondition Condition;
};

class TForEach final : public TFunction {
public:
  bool KeepsArgumentValues() const override { return false; }
  int ArgumentCount() const override { return 3; }
  bool CheckArguments() override { return Args[0]->IsVariable(); }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TDefined final : public TFunction {
public:
  bool KeepsArgumentValues() const override { return false; }
  int ArgumentCount() const override { return 1; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

// Registered only so that define has a help entry; the parser handles the
// definition form itself.
class TDefine final : public TFunction {
public:
  int ArgumentCount() const override { return 2; }
};

// The rows of this library.
TLibrary ControlFlowLibrary();

}  // namespace TernioParser
