#pragma once
// Branching and loops: functions that evaluate their arguments themselves,
// as often as they decide.

#include "engine/Function.h"

namespace TernioParser {

class TIf final : public TFunction {
public:
  int ArgumentCount() const override { return 3; }
  bool CheckArguments() override {
    CondNumeric = Args[0]->AlwaysNumber();
    return true;
  }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;

private:
  // The condition always yields a number, so it needs no value of its own.
  bool CondNumeric = false;
};

class TFor final : public TFunction {
public:
  int ArgumentCount() const override { return 4; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TWhile final : public TFunction {
public:
  int ArgumentCount() const override { return 2; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TForEach final : public TFunction {
public:
  int ArgumentCount() const override { return 3; }
  bool CheckArguments() override { return Args[0]->IsVariable(); }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TDefined final : public TFunction {
public:
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
