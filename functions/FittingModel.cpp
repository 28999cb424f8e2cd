#include "functions/FittingModel.h"

#include <algorithm>
#include <type_traits>

#include "functions/Numeric.h"

namespace TernioParser {

namespace {

using TOp = TVectorModel::TOp;

// a[i] = a[i] op b[i], a[i] op c or c op a[i].
template <class Op>
void Combine(double* a, const double* b, int32_t n) {
  for (int32_t i = 0; i < n; ++i) a[i] = Op::Apply(a[i], b[i]);
}
template <class Op>
void CombineRight(double* a, double c, int32_t n) {
  for (int32_t i = 0; i < n; ++i) a[i] = Op::Apply(a[i], c);
}
template <class Op>
void CombineLeft(double* a, double c, int32_t n) {
  for (int32_t i = 0; i < n; ++i) a[i] = Op::Apply(c, a[i]);
}

template <class Op>
void Apply(double* a, const double* b, bool scalar, bool left, double c, int32_t n) {
  if (!scalar) Combine<Op>(a, b, n);
  else if (left) CombineLeft<Op>(a, c, n);
  else if (c == 2 && std::is_same_v<Op, Ops::Exp>) Combine<Ops::Mult>(a, a, n);  // the square, as Exp computes it
  else CombineRight<Op>(a, c, n);
}

}  // namespace

bool TVectorModel::TScalar::Read(double& v) const {
  switch (Kind) {
    case TKind::Const:
      v = Value;
      return true;
    case TKind::Var:
      if (!Var->HasValue || Var->IsString) return false;
      v = Var->Number();
      return true;
    case TKind::Element:
      if (Index >= 0 && Index < Array->Count) v = Array->Data[Index];
      else if (Index == 0) v = 0;  // index 0 of an empty array
      else return false;
      return true;
    default:
      return false;
  }
}

std::unique_ptr<TVectorModel> TVectorModel::Compile(TParserAtom* func, const TVarEntry* x, const TArrayEntry* p) {
  auto model = std::make_unique<TVectorModel>();
  if (!func || !x || !model->Add(func, x, p, 1)) return nullptr;
  model->Stack.assign(static_cast<size_t>(model->Depth) * BlockSize, 0.0);
  model->PlanSkips();
  return model;
}

// A node whose value is one number for the whole block.
bool TVectorModel::Scalar(TParserAtom* node, const TVarEntry* x, const TArrayEntry* p, TScalar& out,
                          uint64_t& reads) const {
  if (auto* c = dynamic_cast<TConstOperand*>(node)) {
    if (c->Value.IsString) return false;
    out.Kind = TScalar::TKind::Const;
    out.Value = c->Num;
    return true;
  }
  if (auto* v = dynamic_cast<TOperand*>(node)) {
    if (!v->Var || v->Var == x) return false;
    out.Kind = TScalar::TKind::Var;
    out.Var = v->Var;
    return true;
  }
  if (auto* a = dynamic_cast<TOpArray*>(node)) {
    auto* index = dynamic_cast<TConstOperand*>(a->Index);
    if (!a->Array || !index || index->Value.IsString) return false;
    out.Kind = TScalar::TKind::Element;
    out.Array = a->Array;
    out.Index = IntegerValue(index->Num);
    if (a->Array == p) reads |= out.Index >= 0 && out.Index < 64 ? uint64_t(1) << out.Index : ~uint64_t(0);
    return true;
  }
  return false;
}

// Appends the steps of node, whose value lands at stack level depth.
bool TVectorModel::Add(TParserAtom* node, const TVarEntry* x, const TArrayEntry* p, int32_t depth) {
  Depth = std::max(Depth, depth);
  TStep step;
  step.Start = static_cast<int32_t>(Steps.size());
  auto readsFrom = [&](size_t first) {
    for (size_t s = first; s < Steps.size(); ++s) step.Reads |= Steps[s].Reads;
  };
  if (Scalar(node, x, p, step.Operand, step.Reads)) {
    step.Op = TOp::Push;
  } else if (auto* v = dynamic_cast<TOperand*>(node)) {
    if (v->Var != x) return false;
    step.Op = TOp::X;
  } else if (auto* neg = dynamic_cast<TNeg*>(node)) {
    if (!Add(neg->Args[0], x, p, depth)) return false;
    step.Op = TOp::Neg;
  } else if (auto* u = dynamic_cast<TPureUnary*>(node)) {
    if (!Add(u->Args[0], x, p, depth)) return false;
    step.Op = TOp::Unary;
    step.Map = u->Map;
  } else if (auto* op = dynamic_cast<TOpFunction*>(node)) {
    // Every operand here is a number, so + is the sum.
    step.Op = TOp::Binary;
    step.Binary = ByNumericOperator<TVectorModel::TBinary>(node, nullptr, []<class Op>() { return &Apply<Op>; });
    if (!step.Binary) return false;
    if (Scalar(op->Right, x, p, step.Operand, step.Reads)) {
      if (!Add(op->Left, x, p, depth)) return false;
    } else if (Scalar(op->Left, x, p, step.Operand, step.Reads)) {
      step.OperandLeft = true;
      if (!Add(op->Right, x, p, depth)) return false;
    } else if (!Add(op->Left, x, p, depth) || !Add(op->Right, x, p, depth + 1)) {
      return false;
    }
  } else {
    return false;
  }
  readsFrom(static_cast<size_t>(step.Start));
  Steps.push_back(step);
  return true;
}

void TVectorModel::PlanSkips() {
  const size_t n = Steps.size();
  Skip.assign(64, std::vector<int32_t>(n, -1));
  for (int32_t k = 0; k < 64; ++k) {
    const uint64_t bit = uint64_t(1) << k;
    for (size_t e = 0; e < n; ++e) {
      TStep& s = Steps[e];
      // A leaf is as quick to redo as to copy.
      if (s.Op == TOp::Push || s.Op == TOp::X || (s.Reads & bit)) continue;
      Skip[k][s.Start] = std::max(Skip[k][s.Start], static_cast<int32_t>(e));
    }
    for (int32_t e : Skip[k])
      if (e >= 0) Steps[e].Kept = true;
  }
  if (std::any_of(Steps.begin(), Steps.end(), [](const TStep& s) { return s.Kept; }))
    Kept.assign(n * BlockSize, 0.0);
}

bool TVectorModel::Evaluate(const double* x, int32_t n, int32_t shifted, double* out) {
  const int32_t* skip = shifted >= 0 && shifted < 64 && !Kept.empty() ? Skip[shifted].data() : nullptr;
  int32_t level = -1;  // the stack level of the top block
  double* top = nullptr;
  auto push = [&] {
    ++level;
    top = Stack.data() + static_cast<size_t>(level) * BlockSize;
  };
  const int32_t count = static_cast<int32_t>(Steps.size());
  for (int32_t e = 0; e < count; ++e) {
    if (skip && skip[e] >= 0) {
      e = skip[e];
      push();
      std::copy_n(Kept.data() + static_cast<size_t>(e) * BlockSize, n, top);
      continue;
    }
    const TStep& s = Steps[e];
    double c = 0;
    if (s.Operand.Kind != TScalar::TKind::None && !s.Operand.Read(c)) return false;
    switch (s.Op) {
      case TOp::Push:
        push();
        std::fill_n(top, n, c);
        break;
      case TOp::X:
        push();
        std::copy_n(x, n, top);
        break;
      case TOp::Neg:
        for (int32_t i = 0; i < n; ++i) top[i] = -top[i];
        break;
      case TOp::Unary:
        for (int32_t i = 0; i < n; ++i) top[i] = s.Map(top[i]);
        break;
      case TOp::Binary: {
        const bool scalar = s.Operand.Kind != TScalar::TKind::None;
        double* a = top;
        if (!scalar) {
          a = top - BlockSize;
          --level;
        }
        const bool left = s.OperandLeft;
        s.Binary(a, top, scalar, left, c, n);
        top = a;
        break;
      }
    }
    if (shifted < 0 && s.Kept) std::copy_n(top, n, Kept.data() + static_cast<size_t>(e) * BlockSize);
  }
  std::copy_n(top, n, out);
  return true;
}

}  // namespace TernioParser
