#include "engine/NumericBody.h"

#include "engine/ControlFlow.h"
#include "engine/ParserBase.h"
#include "engine/StackGuard.h"
#include "engine/UserFunctions.h"

namespace TernioParser {

namespace {

using TNode = TNumericBody::TNode;
using TInput = TNumericBody::TInput;
using TSource = TNumericBody::TSource;
using TFn = TNumericBody::TFn;
using TSlot = TNumericBody::TSlot;

// Deeper bodies keep the general form, so that neither making nor evaluating
// the fast form recurses without bound.
constexpr int MaxDepth = 200;

template <TSource S>
inline double ReadFrom(const TInput& o, const TSlot* frame, TCalcInfo& ci) {
  if constexpr (S == TSource::Param) return frame[o.Slot].Number;
  else if constexpr (S == TSource::Const) return o.Value;
  else return o.Node->Fn(*o.Node, frame, ci);
}

// Binary operators: the left operand first; an error there stops the rest.
template <class Op, TSource SA, TSource SB>
double Binary(const TNode& n, const TSlot* frame, TCalcInfo& ci) {
  const double a = ReadFrom<SA>(n.A, frame, ci);
  if constexpr (SA == TSource::Node)
    if (ci.Error) return 0;
  return Op::Apply(a, ReadFrom<SB>(n.B, frame, ci));
}

template <class Op, TSource SA>
TFn BinaryRight(TSource b) {
  switch (b) {
    case TSource::Node: return &Binary<Op, SA, TSource::Node>;
    case TSource::Param: return &Binary<Op, SA, TSource::Param>;
    case TSource::Const: break;
  }
  return &Binary<Op, SA, TSource::Const>;
}

template <class Op>
TFn BinaryFor(TSource a, TSource b) {
  switch (a) {
    case TSource::Node: return BinaryRight<Op, TSource::Node>(b);
    case TSource::Param: return BinaryRight<Op, TSource::Param>(b);
    case TSource::Const: break;
  }
  return BinaryRight<Op, TSource::Const>(b);
}

double Neg(const TNode& n, const TSlot* frame, TCalcInfo& ci) { return -TNumericBody::Read(n.A, frame, ci); }

// An element of an array parameter, read as an element of any array is.
double Element(const TNode& n, const TSlot* frame, TCalcInfo& ci) {
  const double x = TNumericBody::Read(n.A, frame, ci);
  if (ci.Error) return 0;
  const int32_t i = IntegerValue(x);
  const TNumericBody::TArrayView& a = *frame[n.Slot].Array;
  if (i >= 0 && i < a.Count) return a.Data[i];
  if (i == 0) return 0;  // index 0 of an empty array
  ci.SetError("Illegal array element access in array " + *n.ArrayName);
  return 0;
}

double Unary(const TNode& n, const TSlot* frame, TCalcInfo& ci) { return n.Map(TNumericBody::Read(n.A, frame, ci)); }

double If(const TNode& n, const TSlot* frame, TCalcInfo& ci) {
  const double c = TNumericBody::Read(n.A, frame, ci);
  if (ci.Error) return 0;
  return TNumericBody::Read(Truth(c) ? n.B : n.C, frame, ci);
}

// if over a comparison of parameters and constants, which needs no node of
// its own and cannot fail.
template <class Op, TSource SA, TSource SB>
double IfCompare(const TNode& n, const TSlot* frame, TCalcInfo& ci) {
  const bool holds = Op::Apply(ReadFrom<SA>(n.A, frame, ci), ReadFrom<SB>(n.B, frame, ci)) != 0;
  return TNumericBody::Read(holds ? n.C : n.D, frame, ci);
}

template <class Op>
TFn IfCompareFor(TSource a, TSource b) {
  if (a == TSource::Param)
    return b == TSource::Param ? &IfCompare<Op, TSource::Param, TSource::Param>
                               : &IfCompare<Op, TSource::Param, TSource::Const>;
  return b == TSource::Param ? &IfCompare<Op, TSource::Const, TSource::Param>
                             : &IfCompare<Op, TSource::Const, TSource::Const>;
}

// The checks of every call of a user-defined function.
[[gnu::always_inline]] inline bool CallAllowed(TCalcInfo& ci) {
  if (ci.Stopping()) {
    ci.SetError("Stopped");
    return false;
  }
  TStackGuard& guard = TStackGuard::Current();
  if (guard.Overflowed || guard.Exceeded()) {
    guard.Overflowed = true;
    ci.SetErrorFlag(true);
    return false;
  }
  return true;
}

double Call(const TNode& n, const TSlot* frame, TCalcInfo& ci) {
  if (!CallAllowed(ci)) return 0;
  TSlot inner[TNumericBody::MaxParams];
  const size_t count = n.Args.size();
  for (size_t k = 0; k < count; ++k) {
    inner[k].Number = TNumericBody::Read(n.Args[k], frame, ci);
    if (ci.Error) return 0;
  }
  return n.Callee->Numeric->Run(ci, inner);
}

// A call with one argument, the commonest.
template <TSource S>
double Call1(const TNode& n, const TSlot* frame, TCalcInfo& ci) {
  if (!CallAllowed(ci)) return 0;
  const TSlot x{ReadFrom<S>(n.Args[0], frame, ci)};
  if constexpr (S == TSource::Node)
    if (ci.Error) return 0;
  return n.Callee->Numeric->Run(ci, &x);
}

}  // namespace

std::atomic<uint64_t> TNumericBody::Compiled{0};

std::unique_ptr<TNumericBody> TNumericBody::Compile(const TFunctionBody& body) {
  const TParserBase& engine = *body.Engine;
  if (!engine.Options.FastForms || !engine.Root || body.Params.size() > MaxParams) return nullptr;
  std::unique_ptr<TNumericBody> numeric(new TNumericBody);
  if (!numeric->Add(engine.Root, body, 0, numeric->Root)) return nullptr;
  Compiled.fetch_add(1, std::memory_order_relaxed);
  return numeric;
}

bool TNumericBody::Add(TParserAtom* node, const TFunctionBody& body, int depth, TInput& out) {
  if (depth > MaxDepth) return false;
  if (TConstOperand* c = node->AsConstant()) {
    if (c->Value.IsString) return false;
    out.Source = TSource::Const;
    out.Value = c->Num;
    return true;
  }
  if (TOperand* v = node->AsOperand()) {
    const int32_t k = body.ParamIndex(v->Var);
    if (k < 0) return false;
    out.Source = TSource::Param;
    out.Slot = k;
    return true;
  }
  TNode n;
  if (TOpFunction* op = node->AsOperator()) {
    if (!Add(op->Left, body, depth + 1, n.A) || !Add(op->Right, body, depth + 1, n.B)) return false;
    n.Fn = ByNumericOperator<TFn>(op, nullptr, [&]<class Op>() { return BinaryFor<Op>(n.A.Source, n.B.Source); });
    if (!n.Fn) return false;
  } else if (auto* element = dynamic_cast<TOpArray*>(node)) {
    if ((n.Slot = body.ParamIndex(element->Array)) < 0 || !Add(element->Index, body, depth + 1, n.A)) return false;
    n.ArrayName = &element->Name;
    n.Fn = &Element;
  } else if (auto* neg = dynamic_cast<TNeg*>(node)) {
    if (!Add(neg->Args[0], body, depth + 1, n.A)) return false;
    n.Fn = &Neg;
  } else if (auto* cond = dynamic_cast<TIf*>(node)) {
    if (!Add(cond->Args[0], body, depth + 1, n.A) || !Add(cond->Args[1], body, depth + 1, n.B) ||
        !Add(cond->Args[2], body, depth + 1, n.C))
      return false;
    n.Fn = &If;
    // An if over a comparison of parameters and constants is fused with it
    // (the comparison's node stays unused in Nodes).
    TOpFunction* op = cond->Args[0]->AsOperator();
    const TNode* compare = op ? n.A.Node : nullptr;
    if (compare && compare->A.Source != TSource::Node && compare->B.Source != TSource::Node) {
      const TSource a = compare->A.Source, b = compare->B.Source;
      auto fuse = [&]<class Op>() -> TFn {
        if constexpr (IsComparison<Op>) return IfCompareFor<Op>(a, b);
        else return nullptr;
      };
      if (TFn fused = ByNumericOperator<TFn>(op, nullptr, fuse)) {
        n.D = n.C;
        n.C = n.B;
        n.A = compare->A;
        n.B = compare->B;
        n.Fn = fused;
      }
    }
  } else if (auto* call = dynamic_cast<TFunctionCall*>(node)) {
    // The function itself (whose fast form is being made), or one that has
    // a fast form already.
    if (call->Def != &body && !call->Def->Numeric) return false;
    for (const auto& p : call->Def->Params)
      if (p->Kind() != TVarKind::Scalar) return false;
    n.Callee = call->Def;
    n.Args.resize(call->Args.size());
    for (size_t k = 0; k < call->Args.size(); ++k)
      if (!Add(call->Args[k], body, depth + 1, n.Args[k])) return false;
    n.Fn = &Call;
    if (n.Args.size() == 1) {
      switch (n.Args[0].Source) {
        case TSource::Node: n.Fn = &Call1<TSource::Node>; break;
        case TSource::Param: n.Fn = &Call1<TSource::Param>; break;
        case TSource::Const: n.Fn = &Call1<TSource::Const>; break;
      }
    }
  } else if (auto* f = dynamic_cast<TFunction*>(node); f && f->PureMap() && f->Args.size() == 1) {
    if (!Add(f->Args[0], body, depth + 1, n.A)) return false;
    n.Map = f->PureMap();
    n.Fn = &Unary;
  } else {
    return false;
  }
  Nodes.push_back(std::move(n));
  out.Source = TSource::Node;
  out.Node = &Nodes.back();
  return true;
}

}  // namespace TernioParser
