#pragma once
// Nodes of the expression tree: the common interface, operands and the binary
// operators.

#include <cmath>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/CalcInfo.h"
#include "engine/Operators.h"
#include "engine/ReturnValue.h"
#include "engine/Variables.h"

namespace TernioParser {

class TArrayEntry;
class TOpFunction;
class TOperand;
class TConstOperand;

class TParserAtom {
public:
  TParserAtom() = default;
  TParserAtom(const TParserAtom&) = delete;
  TParserAtom& operator=(const TParserAtom&) = delete;
  virtual ~TParserAtom() = default;

  // Lets the node and its subtree find their variables in the store.
  virtual void Bind(TVarHandler& vars) = 0;
  // Computes the node's value into result (which may hold an older value).
  // Errors go to the context; callers check ci.Error after every child.
  virtual void Evaluate(TCalcInfo& ci, TReturnValue& result) = 0;
  virtual bool IsVariable() const { return false; }

  // The number of the value the node computes into a fresh (number 0) value:
  // exactly Evaluate followed by AsNumber, with the same errors and side
  // effects. Nodes override it only where they can compute that number
  // without building a value; their Evaluate is then derived from it.
  virtual double EvaluateNumber(TCalcInfo& ci) {
    TReturnValue v;
    Evaluate(ci, v);
    return v.AsNumber();
  }
  // True when the node's value is never a string.
  virtual bool AlwaysNumber() const { return false; }
  // The node's numeric value when it can be told without evaluating anything
  // (a numeric constant, a variable holding a number).
  virtual bool PeekNumber(double& /*out*/) const { return false; }
  // The array an array reference names (null for other nodes, and while the
  // name is bound to a scalar).
  virtual TArrayEntry* ArrayEntry() const { return nullptr; }
  // The node as a binary operator, a scalar variable or a constant (null
  // when it is not one): cheaper than a dynamic_cast, which the parser and
  // the walks down operator chains would pay for every node.
  virtual TOpFunction* AsOperator() { return nullptr; }
  virtual TOperand* AsOperand() { return nullptr; }
  virtual TConstOperand* AsConstant() { return nullptr; }
};

// The nodes of one tree: a node points to its children without owning them,
// and the store owns every node until it is cleared.
class TNodeStore {
public:
  template <class T, class... A>
  T* Make(A&&... args) {
    return Adopt(std::make_unique<T>(std::forward<A>(args)...));
  }
  template <class T>
  T* Adopt(std::unique_ptr<T> node) {
    T* raw = node.get();
    Nodes.push_back(std::move(node));
    return raw;
  }
  // Destroys the nodes, the last made first (parents before their children).
  void Clear() noexcept {
    while (!Nodes.empty()) Nodes.pop_back();
  }
  ~TNodeStore() { Clear(); }

private:
  std::vector<std::unique_ptr<TParserAtom>> Nodes;
};

class TOperandBase : public TParserAtom {
public:
  virtual bool HasValue() = 0;
  virtual bool IsArrayRef() const { return false; }
  virtual bool SetNumber(double) { return false; }
  virtual bool SetString(std::string_view) { return false; }
  // Stores a value: numbers with SetNumber, strings with SetString.
  virtual bool SetValue(const TReturnValue& v) { return v.IsString ? SetString(v.Text.View()) : SetNumber(v.Number); }
};

// A scalar variable.
class TOperand final : public TOperandBase {
public:
  explicit TOperand(std::string name) : Name(std::move(name)) {}
  std::string Name;
  TVarEntry* Var = nullptr;

  void Bind(TVarHandler& vars) override { Var = vars.FindScalar(Name); }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
  double EvaluateNumber(TCalcInfo& ci) override;
  bool PeekNumber(double& out) const override;
  bool IsVariable() const override { return true; }
  TOperand* AsOperand() override { return this; }
  bool HasValue() override { return Var && Var->HasValue; }
  bool SetNumber(double x) override;
  bool SetString(std::string_view s) override;
  bool SetValue(const TReturnValue& v) override;
  void RaiseNoValue(TCalcInfo& ci) const;
};

// A number or string constant.
class TConstOperand final : public TOperandBase {
public:
  explicit TConstOperand(double x) : Num(x) { Value.SetNumber(x); }
  explicit TConstOperand(std::string_view s) {
    Value.SetString(s);
    Num = Value.AsNumber();
  }
  TReturnValue Value;
  double Num;  // the number of Value

  void Bind(TVarHandler&) override {}
  void Evaluate(TCalcInfo&, TReturnValue& result) override { result = Value; }
  double EvaluateNumber(TCalcInfo&) override { return Num; }
  bool AlwaysNumber() const override { return !Value.IsString; }
  bool PeekNumber(double& out) const override {
    out = Num;
    return true;
  }
  bool HasValue() override { return true; }
  TConstOperand* AsConstant() override { return this; }
};

// An array element a[i]; a[] is a[0] and stands for the whole array where a
// function takes an array.
class TOpArray final : public TOperandBase {
public:
  TOpArray(std::string name, TParserAtom* index) : Name(std::move(name)), Index(index) {}
  std::string Name;
  TArrayEntry* Array = nullptr;
  TParserAtom* Index;

  void Bind(TVarHandler& vars) override {
    Index->Bind(vars);
    Array = vars.FindArray(Name);
  }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
  double EvaluateNumber(TCalcInfo& ci) override;
  bool AlwaysNumber() const override { return true; }
  bool IsVariable() const override { return true; }
  bool HasValue() override;
  bool IsArrayRef() const override { return true; }
  bool SetNumber(double x) override;
  bool SetString(std::string_view s) override;
  TArrayEntry* ArrayEntry() const override { return Array; }

private:
  // Evaluates the index for a store or a test, in a private context whose
  // errors and stop requests the run does not see.
  bool PrivateIndex(int32_t& i);
  double ReadElement(TCalcInfo& ci);
};

// An operand whose number an operator can read without a call: a numeric
// constant, or a scalar variable while it holds a number. Anything else (and
// everything when fast forms are off) is evaluated as usual.
class TFastOperand {
public:
  void Set(TParserAtom* node, bool fast) {
    Node = node;
    TConstOperand* c = fast ? node->AsConstant() : nullptr;
    Const = c && !c->Value.IsString ? &c->Num : nullptr;
    Operand = fast ? node->AsOperand() : nullptr;
    Var = nullptr;
  }
  // Takes the variable's entry once the operand is bound.
  void Bound() { Var = Operand ? Operand->Var : nullptr; }
  double Number(TCalcInfo& ci) const {
    if (Const) return *Const;
    if (Var && Var->HasValue && !Var->IsString) return Var->HeldNumber();
    return Node->EvaluateNumber(ci);
  }

private:
  TParserAtom* Node = nullptr;
  const double* Const = nullptr;
  TOperand* Operand = nullptr;
  const TVarEntry* Var = nullptr;
};

// Base of the binary operators.
class TOpFunction : public TParserAtom {
public:
  explicit TOpFunction(TOpCode code) : Code(code) {}
  // The operator's row in Operators().
  const TOpCode Code;
  TParserAtom* Left = nullptr;
  TParserAtom* Right = nullptr;

  // A long program is a long chain of operators down the left operands (one
  // per comma): binding walks that chain in a loop, so that the depth of the
  // stack does not grow with the length of the program.
  void Bind(TVarHandler& vars) override;
  bool AlwaysNumber() const override { return true; }
  TOpFunction* AsOperator() override { return this; }
  // Called by the parser once both operands are attached.
  virtual bool CheckOperands() { return true; }
  // Called by the parser once both operands are attached, before the check;
  // fastForms false: the node takes its general form only.
  void Attached(bool fastForms) {
    FastForms = fastForms;
    LeftFast.Set(Left, fastForms);
    RightFast.Set(Right, fastForms);
  }

protected:
  TFastOperand LeftFast, RightFast;
  bool FastForms = true;
};

// Operators whose value is a function of the two numbers: both operands are
// read as numbers, left first.
template <class Op>
class TArithmetic : public TOpFunction {
public:
  TArithmetic() : TOpFunction(Op::Code) {}
  void Evaluate(TCalcInfo& ci, TReturnValue& result) final {
    const double v = EvaluateNumber(ci);
    if (!ci.Error) result.SetNumber(v);
  }
  double EvaluateNumber(TCalcInfo& ci) final {
    const double a = LeftFast.Number(ci);
    if (ci.Error) return 0;
    const double b = RightFast.Number(ci);
    return Op::Apply(a, b);
  }
};

namespace Ops {
struct Add {
  static constexpr TOpCode Code = TOpCode::Add;
  static double Apply(double a, double b) { return a + b; }
};
struct Sub {
  static constexpr TOpCode Code = TOpCode::Sub;
  static constexpr TOpCode AssignCode = TOpCode::SubAssign;
  static constexpr const char* Assignment = "-= operator";
  static double Apply(double a, double b) { return a - b; }
};
struct Mult {
  static constexpr TOpCode Code = TOpCode::Mult;
  static constexpr TOpCode AssignCode = TOpCode::MultAssign;
  static constexpr const char* Assignment = "*= operator";
  static double Apply(double a, double b) { return a * b; }
};
struct Div {
  static constexpr TOpCode Code = TOpCode::Div;
  static constexpr TOpCode AssignCode = TOpCode::DivAssign;
  static constexpr const char* Assignment = "/= operator";
  static double Apply(double a, double b) { return a / b; }
};
struct Exp {
  static constexpr TOpCode Code = TOpCode::Exp;
  // A square is the product, which is exact to the last bit (pow need not
  // be) and many times faster; models are full of squares.
  static double Apply(double a, double b) { return b == 2 ? a * a : std::pow(a, b); }
};
struct RelL {
  static constexpr TOpCode Code = TOpCode::Less;
  static double Apply(double a, double b) { return a < b ? 1 : 0; }
};
struct RelG {
  static constexpr TOpCode Code = TOpCode::Greater;
  static double Apply(double a, double b) { return a > b ? 1 : 0; }
};
struct RelLE {
  static constexpr TOpCode Code = TOpCode::LessEqual;
  static double Apply(double a, double b) { return a <= b ? 1 : 0; }
};
struct RelGE {
  static constexpr TOpCode Code = TOpCode::GreaterEqual;
  static double Apply(double a, double b) { return a >= b ? 1 : 0; }
};
struct RelE {
  static constexpr TOpCode Code = TOpCode::Equal;
  static double Apply(double a, double b) { return a == b ? 1 : 0; }
};
struct RelU {
  static constexpr TOpCode Code = TOpCode::Unequal;
  static double Apply(double a, double b) { return a != b ? 1 : 0; }
};
struct And {
  static constexpr TOpCode Code = TOpCode::And;
  static double Apply(double a, double b) { return (IntegerValue(a) != 0 && IntegerValue(b) != 0) ? 1 : 0; }
};
struct Or {
  static constexpr TOpCode Code = TOpCode::Or;
  static double Apply(double a, double b) { return (IntegerValue(a) != 0 || IntegerValue(b) != 0) ? 1 : 0; }
};
}  // namespace Ops

class TSub final : public TArithmetic<Ops::Sub> {};
class TMult final : public TArithmetic<Ops::Mult> {};
class TDiv final : public TArithmetic<Ops::Div> {};
class TExp final : public TArithmetic<Ops::Exp> {};
class TRelL final : public TArithmetic<Ops::RelL> {};
class TRelG final : public TArithmetic<Ops::RelG> {};
class TRelLE final : public TArithmetic<Ops::RelLE> {};
class TRelGE final : public TArithmetic<Ops::RelGE> {};
class TRelE final : public TArithmetic<Ops::RelE> {};
class TRelU final : public TArithmetic<Ops::RelU> {};
class TAnd final : public TArithmetic<Ops::And> {};
class TOr final : public TArithmetic<Ops::Or> {};

// + : concatenation of two strings, else the sum of the numbers.
class TAdd final : public TOpFunction {
public:
  TAdd() : TOpFunction(TOpCode::Add) {}
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
  double EvaluateNumber(TCalcInfo& ci) override;
  bool AlwaysNumber() const override { return Left->AlwaysNumber() || Right->AlwaysNumber(); }
};

// For an operator node that computes a number from its two numbers, the
// result of make.template operator()<Ops::X>() with its Ops::X (+ as the sum:
// where both operands are numbers); otherwise for every other node. The one
// place that maps operator codes to their arithmetic for the evaluators that
// compile operator nodes.
template <class R, class Make>
R ByNumericOperator(TParserAtom* node, R otherwise, Make&& make) {
  TOpFunction* op = node->AsOperator();
  if (!op) return otherwise;
  switch (op->Code) {
    case TOpCode::Add: return make.template operator()<Ops::Add>();
    case TOpCode::Sub: return make.template operator()<Ops::Sub>();
    case TOpCode::Mult: return make.template operator()<Ops::Mult>();
    case TOpCode::Div: return make.template operator()<Ops::Div>();
    case TOpCode::Exp: return make.template operator()<Ops::Exp>();
    case TOpCode::Less: return make.template operator()<Ops::RelL>();
    case TOpCode::Greater: return make.template operator()<Ops::RelG>();
    case TOpCode::LessEqual: return make.template operator()<Ops::RelLE>();
    case TOpCode::GreaterEqual: return make.template operator()<Ops::RelGE>();
    case TOpCode::Equal: return make.template operator()<Ops::RelE>();
    case TOpCode::Unequal: return make.template operator()<Ops::RelU>();
    case TOpCode::And: return make.template operator()<Ops::And>();
    case TOpCode::Or: return make.template operator()<Ops::Or>();
    case TOpCode::Sep:
    case TOpCode::Assign:
    case TOpCode::AddAssign:
    case TOpCode::SubAssign:
    case TOpCode::MultAssign:
    case TOpCode::DivAssign: break;
  }
  return otherwise;
}

// Whether Ops::X compares its numbers.
template <class Op>
inline constexpr bool IsComparison =
    std::is_same_v<Op, Ops::RelL> || std::is_same_v<Op, Ops::RelG> || std::is_same_v<Op, Ops::RelLE> ||
    std::is_same_v<Op, Ops::RelGE> || std::is_same_v<Op, Ops::RelE> || std::is_same_v<Op, Ops::RelU>;

// , : the value of the right operand; notices Break between the two.
class TSep final : public TOpFunction {
public:
  TSep() : TOpFunction(TOpCode::Sep) {}
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
  bool AlwaysNumber() const override { return Right->AlwaysNumber(); }
};

// Base of the assignments: the left operand must be a variable or element.
class TAssignment : public TOpFunction {
public:
  using TOpFunction::TOpFunction;
  bool CheckOperands() override;
  bool AlwaysNumber() const override { return Right->AlwaysNumber(); }

protected:
  TOperandBase* Target() const { return static_cast<TOperandBase*>(Left); }
  // Stores a number into the target (an element may have to grow the
  // array); false when memory ran out, with the error set.
  bool StoreNumber(TCalcInfo& ci, const char* who, double v, bool& stored);
  // Known once both operands are attached: the right operand never yields a
  // string, and the scalar variable on the left (null for an element, and
  // when fast forms are off).
  bool RightNumeric = false;
  TOperand* LeftScalar = nullptr;
  // The fast path of compound assignments: a number into a scalar that holds
  // a number. False when the general path must run.
  template <class Op>
  bool UpdateScalar(TCalcInfo& ci, TReturnValue& result) {
    if (!RightNumeric || !LeftScalar) return false;
    double r = RightFast.Number(ci);
    if (ci.Error) return true;
    TVarEntry* v = LeftScalar->Var;
    if (!v || !v->HasValue) [[unlikely]] {
      LeftScalar->RaiseNoValue(ci);
      return true;
    }
    double x = Op::Apply(v->Number(), r);
    v->UpdateNumber(x);
    result.SetNumber(x);
    return true;
  }
};

class TEq final : public TAssignment {
public:
  TEq() : TAssignment(TOpCode::Assign) {}
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TPlusEq final : public TAssignment {
public:
  TPlusEq() : TAssignment(TOpCode::AddAssign) {}
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override {
    if (!UpdateScalar<Ops::Add>(ci, result)) EvaluateGeneral(ci, result);
  }

private:
  [[gnu::noinline]] void EvaluateGeneral(TCalcInfo& ci, TReturnValue& result);
  void Update(TCalcInfo& ci, TReturnValue& result);
};

template <class Op>
class TCompound : public TAssignment {
public:
  TCompound() : TAssignment(Op::AssignCode) {}
  void Evaluate(TCalcInfo& ci, TReturnValue& result) final {
    if (!UpdateScalar<Op>(ci, result)) EvaluateGeneral(ci, result);
  }
  bool AlwaysNumber() const final { return true; }

private:
  [[gnu::noinline]] void EvaluateGeneral(TCalcInfo& ci, TReturnValue& result) {
    double r = Right->EvaluateNumber(ci);
    if (ci.Error) return;
    double l = Left->EvaluateNumber(ci);
    if (ci.Error) return;
    double v = Op::Apply(l, r);
    bool stored = false;
    if (!StoreNumber(ci, Op::Assignment, v, stored)) return;
    if (!stored) ci.SetErrorFlag(true);
    result.SetNumber(v);
  }
};

class TMinusEq final : public TCompound<Ops::Sub> {};
class TMultEq final : public TCompound<Ops::Mult> {};
class TDivEq final : public TCompound<Ops::Div> {};

}  // namespace TernioParser
