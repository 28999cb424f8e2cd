#include "functions/FittingModel.h"

#include <algorithm>
#include <cmath>

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
  else CombineRight<Op>(a, c, n);
}

// d(a op b)/da and d(a op b)/db, with r = a op b. Comparisons, & and | are
// steps: their slope is 0 wherever it exists.
template <class Op>
struct TSlopes {
  static double A(double, double, double) { return 0; }
  static double B(double, double, double) { return 0; }
};
template <>
struct TSlopes<Ops::Add> {
  static double A(double, double, double) { return 1; }
  static double B(double, double, double) { return 1; }
};
template <>
struct TSlopes<Ops::Sub> {
  static double A(double, double, double) { return 1; }
  static double B(double, double, double) { return -1; }
};
template <>
struct TSlopes<Ops::Mult> {
  static double A(double, double b, double) { return b; }
  static double B(double a, double, double) { return a; }
};
template <>
struct TSlopes<Ops::Div> {
  static double A(double, double b, double) { return 1 / b; }
  static double B(double, double b, double r) { return -r / b; }
};
template <>
struct TSlopes<Ops::Exp> {
  static double A(double a, double b, double) { return b == 2 ? 2 * a : b == 1 ? 1 : b * std::pow(a, b - 1); }
  static double B(double a, double, double r) { return r == 0 ? 0 : r * std::log(a); }
};

template <class Op>
void Backward(const double* a, const double* b, const double* r, const double* w, double* da, double* db, int32_t n) {
  if (da)
    for (int32_t i = 0; i < n; ++i) da[i] = w[i] * TSlopes<Op>::A(a[i], b[i], r[i]);
  if (db)
    for (int32_t i = 0; i < n; ++i) db[i] = w[i] * TSlopes<Op>::B(a[i], b[i], r[i]);
}

// dy/dx of the elementary functions, given x and y = f(x); null for a
// function without one.
using TSlope = double (*)(double x, double y);
TSlope SlopeOf(double (*map)(double)) {
  struct TRow {
    double (*Map)(double);
    TSlope Slope;
  };
  static const TRow rows[] = {
      {Math::Sin, [](double x, double) { return std::cos(x); }},
      {Math::Cos, [](double x, double) { return -std::sin(x); }},
      {Math::Tan, [](double, double y) { return 1 + y * y; }},
      {Math::Sinh, [](double x, double) { return std::cosh(x); }},
      {Math::Cosh, [](double x, double) { return std::sinh(x); }},
      {Math::Tanh, [](double, double y) { return 1 - y * y; }},
      {Math::Asin, [](double x, double) { return 1 / std::sqrt(1 - x * x); }},
      {Math::Acos, [](double x, double) { return -1 / std::sqrt(1 - x * x); }},
      {Math::Atan, [](double x, double) { return 1 / (1 + x * x); }},
      {Math::Exp, [](double, double y) { return y; }},
      {Math::Log, [](double x, double) { return 1 / x; }},
      {Math::Abs, [](double x, double) { return x > 0   ? 1.0
                                                : x < 0 ? -1.0
                                                        : 0.0; }},
      {Math::Sig, [](double, double) { return 0.0; }},
      {Math::Floor, [](double, double) { return 0.0; }},
      {Math::Ceil, [](double, double) { return 0.0; }},
      {Math::Not, [](double, double) { return 0.0; }},
  };
  for (const TRow& r : rows)
    if (r.Map == map) return r.Slope;
  return nullptr;
}

}  // namespace

bool TVectorModel::TScalar::Read(double& v) const {
  switch (Kind) {
    case TKind::Const: v = Value; return true;
    case TKind::Var:
      if (!Var->HasValue || Var->IsString) return false;
      v = Var->Number();
      return true;
    case TKind::Element:
      if (Index >= 0 && Index < Array->Count) v = Array->Data[Index];
      else if (Index == 0) v = 0;  // index 0 of an empty array
      else return false;
      return true;
    default: return false;
  }
}

std::atomic<uint64_t> TVectorModel::Compiled{0};

std::unique_ptr<TVectorModel> TVectorModel::Compile(TParserAtom* func, const TVarEntry* x, const TArrayEntry* p) {
  auto model = std::make_unique<TVectorModel>();
  model->Params = p;
  if (!func || !x || !model->Add(func, x, p, 1)) return nullptr;
  model->Stack.assign(static_cast<size_t>(model->Depth) * BlockSize, 0.0);
  model->PlanSkips();
  Compiled.fetch_add(1, std::memory_order_relaxed);
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
    step.Slope = SlopeOf(u->Map);
    Differentiable_ = Differentiable_ && step.Slope;
  } else if (auto* op = dynamic_cast<TOpFunction*>(node)) {
    // Every operand here is a number, so + is the sum.
    step.Op = TOp::Binary;
    step.Binary = ByNumericOperator<TVectorModel::TBinary>(node, nullptr, []<class Op>() { return &Apply<Op>; });
    if (!step.Binary) return false;
    step.Backward =
        ByNumericOperator<TVectorModel::TBackward>(node, nullptr, []<class Op>() { return &Backward<Op>; });
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
  if (std::any_of(Steps.begin(), Steps.end(), [](const TStep& s) { return s.Kept; })) Kept.assign(n * BlockSize, 0.0);
}

bool TVectorModel::Evaluate(const double* x, int32_t n, int32_t shifted, double* out, double* kept) {
  return Run(x, n, shifted, out, kept ? kept : Kept.data(), false);
}

bool TVectorModel::Record(const double* x, int32_t n, double* out, double* tape) {
  return Run(x, n, -1, out, tape, true);
}

bool TVectorModel::Run(const double* x, int32_t n, int32_t shifted, double* out, double* store, bool all) {
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
      std::copy_n(store + static_cast<size_t>(e) * BlockSize, n, top);
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
    if (all || (shifted < 0 && s.Kept)) std::copy_n(top, n, store + static_cast<size_t>(e) * BlockSize);
  }
  std::copy_n(top, n, out);
  return true;
}

bool TVectorModel::Gradient(const double* x, int32_t n, int32_t m, double* out, double* jac) {
  if (!Differentiable_) return false;
  if (Kept.size() < TapeSize()) Kept.assign(TapeSize(), 0.0);
  if (!Record(x, n, out, Kept.data())) return false;
  Derivatives(Kept.data(), n, m, jac);
  return true;
}

void TVectorModel::Derivatives(const double* tape, int32_t n, int32_t m, double* jac) {
  const size_t count = Steps.size();
  if (Adjoint.size() < count * BlockSize) Adjoint.assign(count * BlockSize, 0.0);
  Slopes.resize(BlockSize);
  Filled.resize(BlockSize);
  std::fill_n(jac, static_cast<size_t>(n) * m, 0.0);
  auto value = [&](size_t e) { return tape + e * BlockSize; };
  auto adjoint = [&](size_t e) { return Adjoint.data() + e * BlockSize; };
  // The slopes by one read of the element p[k] into column k.
  auto intoJacobian = [&](const TScalar& operand, const double* slopes) {
    if (operand.Kind != TScalar::TKind::Element || operand.Array != Params) return;
    if (operand.Index < 0 || operand.Index >= m) return;
    double* column = jac + operand.Index;
    for (int32_t i = 0; i < n; ++i) column[static_cast<size_t>(i) * m] += slopes[i];
  };
  auto reads = [&](const TScalar& operand) {
    return operand.Kind == TScalar::TKind::Element && operand.Array == Params && operand.Index >= 0 &&
           operand.Index < m;
  };
  std::fill_n(adjoint(count - 1), n, 1.0);
  // Every step's block feeds one parent only (the program is a tree), so
  // each adjoint is written once, by its parent, before it is read. Steps
  // that read no parameter are passed over.
  for (size_t e = count; e-- > 0;) {
    const TStep& s = Steps[e];
    if (!s.Reads) continue;
    const double* w = adjoint(e);
    switch (s.Op) {
      case TOp::Push: intoJacobian(s.Operand, w); break;
      case TOp::X: break;
      case TOp::Neg: {
        double* child = adjoint(e - 1);
        for (int32_t i = 0; i < n; ++i) child[i] = -w[i];
        break;
      }
      case TOp::Unary: {
        double* child = adjoint(e - 1);
        const double* in = value(e - 1);
        const double* r = value(e);
        for (int32_t i = 0; i < n; ++i) child[i] = w[i] * s.Slope(in[i], r[i]);
        break;
      }
      case TOp::Binary: {
        const double* r = value(e);
        if (s.Operand.Kind != TScalar::TKind::None) {
          // One operand is a number: as a block for the slopes, which go
          // into the Jacobian when it is a parameter.
          double c = 0;
          s.Operand.Read(c);
          std::fill_n(Filled.data(), n, c);
          double* child = Steps[e - 1].Reads ? adjoint(e - 1) : nullptr;
          double* slopes = reads(s.Operand) ? Slopes.data() : nullptr;
          if (s.OperandLeft) s.Backward(Filled.data(), value(e - 1), r, w, slopes, child, n);
          else s.Backward(value(e - 1), Filled.data(), r, w, child, slopes, n);
          if (slopes) intoJacobian(s.Operand, slopes);
        } else {
          const size_t right = e - 1, left = static_cast<size_t>(Steps[right].Start) - 1;
          s.Backward(value(left),
                     value(right),
                     r,
                     w,
                     Steps[left].Reads ? adjoint(left) : nullptr,
                     Steps[right].Reads ? adjoint(right) : nullptr,
                     n);
        }
        break;
      }
    }
  }
}

}  // namespace TernioParser
