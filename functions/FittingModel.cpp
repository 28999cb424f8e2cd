#include "functions/FittingModel.h"

#include <algorithm>

#include "functions/Numeric.h"

namespace TernioParser {

namespace {

using TOp = TVectorModel::TOp;

// The binary operators a block program knows, by node class.
TOp BinaryOp(TParserAtom* node, bool& found) {
  found = true;
  if (dynamic_cast<TAdd*>(node)) return TOp::Add;
  if (dynamic_cast<TSub*>(node)) return TOp::Sub;
  if (dynamic_cast<TMult*>(node)) return TOp::Mult;
  if (dynamic_cast<TDiv*>(node)) return TOp::Div;
  if (dynamic_cast<TExp*>(node)) return TOp::Exp;
  if (dynamic_cast<TRelL*>(node)) return TOp::RelL;
  if (dynamic_cast<TRelG*>(node)) return TOp::RelG;
  if (dynamic_cast<TRelLE*>(node)) return TOp::RelLE;
  if (dynamic_cast<TRelGE*>(node)) return TOp::RelGE;
  if (dynamic_cast<TRelE*>(node)) return TOp::RelE;
  if (dynamic_cast<TRelU*>(node)) return TOp::RelU;
  if (dynamic_cast<TAnd*>(node)) return TOp::And;
  if (dynamic_cast<TOr*>(node)) return TOp::Or;
  found = false;
  return TOp::Const;
}

template <class Op>
void Combine(double* a, const double* b, int32_t n) {
  for (int32_t i = 0; i < n; ++i) a[i] = Op::Apply(a[i], b[i]);
}

}  // namespace

std::unique_ptr<TVectorModel> TVectorModel::Compile(TParserAtom* func, const TVarEntry* x) {
  auto model = std::make_unique<TVectorModel>();
  if (!func || !x || !model->Add(func, x, 1)) return nullptr;
  model->Stack.assign(static_cast<size_t>(model->Depth) * BlockSize, 0.0);
  return model;
}

// Appends the steps of node, whose value lands at stack level depth.
bool TVectorModel::Add(TParserAtom* node, const TVarEntry* x, int32_t depth) {
  Depth = std::max(Depth, depth);
  TStep step;
  if (auto* c = dynamic_cast<TConstOperand*>(node)) {
    if (c->Value.IsString) return false;
    step.Op = TOp::Const;
    step.Value = c->Num;
  } else if (auto* v = dynamic_cast<TOperand*>(node)) {
    if (!v->Var) return false;
    step.Op = v->Var == x ? TOp::X : TOp::Var;
    step.Var = v->Var;
  } else if (auto* a = dynamic_cast<TOpArray*>(node)) {
    auto* index = dynamic_cast<TConstOperand*>(a->Index);
    if (!a->Array || !index || index->Value.IsString) return false;
    step.Op = TOp::Element;
    step.Array = a->Array;
    step.Index = IntegerValue(index->Num);
  } else if (auto* neg = dynamic_cast<TNeg*>(node)) {
    if (!Add(neg->Args[0], x, depth)) return false;
    step.Op = TOp::Neg;
  } else if (auto* u = dynamic_cast<TPureUnary*>(node)) {
    if (!Add(u->Args[0], x, depth)) return false;
    step.Op = TOp::Unary;
    step.Map = u->Map;
  } else if (auto* op = dynamic_cast<TOpFunction*>(node)) {
    bool found;
    step.Op = BinaryOp(node, found);
    // Every operand here is a number, so + is the sum.
    if (!found || !Add(op->Left, x, depth) || !Add(op->Right, x, depth + 1)) return false;
  } else {
    return false;
  }
  Steps.push_back(step);
  return true;
}

bool TVectorModel::Evaluate(const double* x, int32_t n, double* out) {
  int32_t level = -1;  // the stack level of the top block
  double* top = nullptr;
  auto push = [&] {
    ++level;
    top = Stack.data() + static_cast<size_t>(level) * BlockSize;
  };
  for (const TStep& s : Steps) {
    switch (s.Op) {
      case TOp::Const:
        push();
        std::fill(top, top + n, s.Value);
        break;
      case TOp::X:
        push();
        std::copy(x, x + n, top);
        break;
      case TOp::Var: {
        if (!s.Var->HasValue || s.Var->IsString) return false;
        push();
        std::fill(top, top + n, s.Var->Number());
        break;
      }
      case TOp::Element: {
        const int32_t i = s.Index;
        double v = 0;
        if (i >= 0 && i < s.Array->Count) v = s.Array->Data[i];
        else if (i != 0) return false;
        push();
        std::fill(top, top + n, v);
        break;
      }
      case TOp::Neg:
        for (int32_t i = 0; i < n; ++i) top[i] = -top[i];
        break;
      case TOp::Unary:
        for (int32_t i = 0; i < n; ++i) top[i] = s.Map(top[i]);
        break;
      default: {
        double* a = top - BlockSize;
        --level;
        switch (s.Op) {
          case TOp::Add: Combine<Ops::Add>(a, top, n); break;
          case TOp::Sub: Combine<Ops::Sub>(a, top, n); break;
          case TOp::Mult: Combine<Ops::Mult>(a, top, n); break;
          case TOp::Div: Combine<Ops::Div>(a, top, n); break;
          case TOp::Exp: Combine<Ops::Exp>(a, top, n); break;
          case TOp::RelL: Combine<Ops::RelL>(a, top, n); break;
          case TOp::RelG: Combine<Ops::RelG>(a, top, n); break;
          case TOp::RelLE: Combine<Ops::RelLE>(a, top, n); break;
          case TOp::RelGE: Combine<Ops::RelGE>(a, top, n); break;
          case TOp::RelE: Combine<Ops::RelE>(a, top, n); break;
          case TOp::RelU: Combine<Ops::RelU>(a, top, n); break;
          case TOp::And: Combine<Ops::And>(a, top, n); break;
          case TOp::Or: Combine<Ops::Or>(a, top, n); break;
          default: return false;
        }
        top = a;
        break;
      }
    }
  }
  std::copy(top, top + n, out);
  return true;
}

}  // namespace TernioParser
