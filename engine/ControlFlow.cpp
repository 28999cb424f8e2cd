#include "engine/ControlFlow.h"

namespace TernioParser {

bool TIf::CheckArguments() {
  CondNumeric = Args[0]->AlwaysNumber();
  Condition.Set(Args[0], FastForms);
  return true;
}

void TIf::Bind(TVarHandler& vars) {
  TFunction::Bind(vars);
  Condition.Bound();
}

void TIf::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  bool c;
  double x;
  if (Condition.Read(x)) {
    c = x != 0;
  } else if (CondNumeric) {
    c = Truth(Args[0]->EvaluateNumber(ci));
  } else {
    Args[0]->Evaluate(ci, result);
    c = Truth(result.AsNumber());
  }
  if (ci.Error) return;
  result.SetNumber(0);
  Args[c ? 1 : 2]->Evaluate(ci, result);
}

void TFastCondition::Set(TParserAtom* node, bool fast) {
  LeftNode = RightNode = nullptr;
  TOpFunction* op = fast ? node->AsOperator() : nullptr;
  if (!op) return;
  switch (op->Code) {
    case TOpCode::Less:
    case TOpCode::Greater:
    case TOpCode::LessEqual:
    case TOpCode::GreaterEqual:
    case TOpCode::Equal:
    case TOpCode::Unequal: Code = op->Code; break;
    default: return;
  }
  TOperand* left = op->Left->AsOperand();
  TConstOperand* constant = op->Right->AsConstant();
  TOperand* right = op->Right->AsOperand();
  if (!left || !(right || (constant && !constant->Value.IsString))) return;
  LeftNode = left;
  RightNode = right;
  Constant = constant ? constant->Num : 0;
}

void TFastCondition::Bound() {
  Left = LeftNode ? LeftNode->Var : nullptr;
  Right = RightNode ? RightNode->Var : nullptr;
}

// A loop that runs no pass has the value 0, whatever the slot it is
// evaluated into held before.

bool TFor::CheckArguments() {
  Condition.Set(Args[1], FastForms);
  StepNode = nullptr;
  TOpFunction* inc = FastForms ? Args[2]->AsOperator() : nullptr;
  if (inc && inc->Code == TOpCode::AddAssign) {
    TConstOperand* c = inc->Right->AsConstant();
    if (c && !c->Value.IsString) {
      StepNode = inc->Left->AsOperand();
      Step = c->Num;
    }
  }
  return true;
}

void TFor::Bind(TVarHandler& vars) {
  TFunction::Bind(vars);
  Condition.Bound();
  StepVar = StepNode ? StepNode->Var : nullptr;
}

void TFor::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  TParserAtom* cond = Args[1];
  TParserAtom* incr = Args[2];
  TParserAtom* body = Args[3];
  TReturnValue temp;
  Args[0]->Evaluate(ci, temp);
  for (;;) {
    if (ci.Error) return;
    if (ci.Stopping()) {
      ci.SetError("Stopped");
      return;
    }
    double c;
    if (!Condition.Read(c)) c = cond->EvaluateNumber(ci);
    if (ci.Error || c == 0.0) return;
    result.SetNumber(0);
    body->Evaluate(ci, result);
    // i+=1 on a number-valued variable, as the node would do it (which does
    // nothing once an error is raised).
    if (StepVar && StepVar->HasValue && !StepVar->IsString) {
      if (!ci.Error) StepVar->UpdateNumber(StepVar->HeldNumber() + Step);
      continue;
    }
    // The temporary is emptied after each use, so that it never keeps a
    // second reference to a text the body appends to.
    temp.SetNumber(0);
    incr->Evaluate(ci, temp);
    temp.SetNumber(0);
  }
}

void TWhile::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  TParserAtom* cond = Args[0];
  TParserAtom* body = Args[1];
  for (;;) {
    if (ci.Error) return;
    if (ci.Stopping()) {
      ci.SetError("Stopped");
      return;
    }
    double c;
    if (!Condition.Read(c)) c = cond->EvaluateNumber(ci);
    if (ci.Error || c == 0.0) return;
    result.SetNumber(0);
    if (!ci.Error) body->Evaluate(ci, result);
  }
}

void TForEach::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!IsArrayArg(1)) {
    ci.SetError("ForEach: Second argument is not an array");
    return;
  }
  TArrayEntry* arr = ArrayArg(1);
  if (!arr) {
    ci.SetErrorFlag(true);
    return;
  }
  auto* x = static_cast<TOperandBase*>(Args[0]);
  const int32_t n = arr->Count;
  for (int32_t i = 0; i < n && !ci.Error; ++i) {
    if (ci.Stopping()) {
      ci.SetError("Stopped");
      return;
    }
    if (!x->SetNumber(i)) {
      ci.SetErrorFlag(true);
      return;
    }
    result.SetNumber(0);
    Args[2]->Evaluate(ci, result);
  }
}

void TDefined::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  if (!Args[0]->IsVariable()) {
    ci.SetError("defined: Argument is not a variable");
    return;
  }
  result.SetNumber(static_cast<TOperandBase*>(Args[0])->HasValue() ? 1 : 0);
}

}  // namespace TernioParser
