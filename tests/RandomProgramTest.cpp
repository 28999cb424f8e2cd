// Random programs from a fixed seed, each evaluated by the engine and by a
// small reference evaluator written from the language's rules, then through
// every context that uses its value. A failure reports the smallest program
// that still fails.
//
// OSTRA_RANDOM_PROGRAMS=N runs N programs instead of the default (make fuzz);
// OSTRA_RANDOM_SEED=S starts from another seed.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "engine/ReturnValue.h"

using namespace TernioParser;

namespace {

// ---- programs as trees

enum class TKind {
  Number,
  Text,
  Scalar,
  Element,
  Seq,
  Assign,
  Compound,
  Binary,
  Neg,
  If,
  For,
  While,
  Abs,
  Length,
  Call
};

struct TNode {
  TKind Kind;
  std::string Op;  // operator text; the name of a variable, array or function
  double Number = 0;
  std::string Text;  // a text constant
  std::vector<std::shared_ptr<TNode>> Kids;
};
using TTree = std::shared_ptr<TNode>;

TTree Make(TKind kind, std::string op = "", std::vector<TTree> kids = {}) {
  auto n = std::make_shared<TNode>();
  n->Kind = kind;
  n->Op = std::move(op);
  n->Kids = std::move(kids);
  return n;
}

TTree Constant(double x) {
  TTree n = Make(TKind::Number);
  n->Number = x;
  return n;
}

// Fully bracketed program text, so that the grammar's precedence plays no part.
std::string Render(const TTree& n) {
  auto k = [&](size_t i) { return Render(n->Kids[i]); };
  switch (n->Kind) {
    case TKind::Number: {
      const std::string s = NumberToText(std::fabs(n->Number));
      return n->Number < 0 ? "(-" + s + ")" : s;
    }
    case TKind::Text: return "'" + n->Text + "'";
    case TKind::Scalar: return n->Op;
    case TKind::Element: return n->Op + "[" + k(0) + "]";
    case TKind::Seq: return "(" + k(0) + ", " + k(1) + ")";
    case TKind::Assign:
    case TKind::Compound:
    case TKind::Binary: return "(" + k(0) + n->Op + k(1) + ")";
    case TKind::Neg: return "-(" + k(0) + ")";
    case TKind::If: return "if(" + k(0) + ";" + k(1) + ";" + k(2) + ")";
    case TKind::For: return "for(" + n->Op + "=0;" + n->Op + "<" + k(0) + ";" + n->Op + "+=1;" + k(1) + ")";
    case TKind::While: return "while(" + k(0) + ";" + k(1) + ")";
    case TKind::Abs: return "abs(" + k(0) + ")";
    case TKind::Length: return "length(" + n->Op + "[])";
    case TKind::Call: {
      std::string s = n->Op + "(";
      for (size_t i = 0; i < n->Kids.size(); ++i) s += (i ? ";" : "") + k(i);
      return s + ")";
    }
  }
  return "";
}

// The user-defined functions every program starts with: f(p) and g(p;q).
const char* const Prelude = "define(f(p); p*2+1), define(g(p;q); if(p<q; q; p+=q)), ";

// ---- the reference evaluator

struct TValue {
  bool IsText = false;
  double Number = 0;
  std::string Text;
  double AsNumber() const { return IsText ? TextToNumber(Text) : Number; }
  std::string AsText() const { return IsText ? Text : NumberToText(Number); }
};

TValue Num(double x) { return TValue{false, x, ""}; }

struct TState {
  std::map<std::string, TValue> Scalars;  // a name without a value is absent
  std::map<std::string, std::vector<double>> Arrays;
  bool Error = false;
  std::string Message;
  // Set when the program stores an element so far out that the array would
  // take more memory than a test should; such a program is not used.
  bool TooBig = false;
  void Fail(std::string m) {
    Error = true;
    Message = std::move(m);
  }
};

TValue Eval(const TTree& n, TState& st);

// Reads element i of an array, as a read in a program does.
double ReadElement(const std::string& name, int32_t i, TState& st) {
  const std::vector<double>& a = st.Arrays[name];
  if (i >= 0 && i < static_cast<int32_t>(a.size())) return a[static_cast<size_t>(i)];
  if (i == 0) return 0;
  st.Fail("Illegal array element access in array " + name);
  return 0;
}

// Stores into a scalar or an element; false when the store is refused. The
// index of an element is evaluated anew, in a context of its own whose errors
// the run does not see.
bool Store(const TTree& target, const TValue& v, TState& st) {
  if (target->Kind == TKind::Scalar) {
    st.Scalars[target->Op] = v;
    return true;
  }
  TState own;
  own.Scalars = st.Scalars;
  own.Arrays = st.Arrays;
  const double x = Eval(target->Kids[0], own).AsNumber();
  st.Scalars = own.Scalars;
  st.Arrays = own.Arrays;
  st.TooBig = st.TooBig || own.TooBig;
  if (own.Error) return false;
  const int32_t i = IntegerValue(x);
  if (i < 0) return false;
  if (i > 100000) {
    st.TooBig = true;
    return false;
  }
  std::vector<double>& a = st.Arrays[target->Op];
  if (a.size() <= static_cast<size_t>(i)) a.resize(static_cast<size_t>(i) + 1, 0);
  a[static_cast<size_t>(i)] = v.AsNumber();
  return true;
}

double Arith(const std::string& op, double a, double b) {
  if (op == "+" || op == "+=") return a + b;
  if (op == "-" || op == "-=") return a - b;
  if (op == "*" || op == "*=") return a * b;
  if (op == "/" || op == "/=") return a / b;
  if (op == "^") return std::pow(a, b);
  if (op == "<") return a < b;
  if (op == ">") return a > b;
  if (op == "<=") return a <= b;
  if (op == ">=") return a >= b;
  if (op == "==") return a == b;
  if (op == "!=") return a != b;
  if (op == "&") return IntegerValue(a) != 0 && IntegerValue(b) != 0;
  if (op == "|") return IntegerValue(a) != 0 || IntegerValue(b) != 0;
  ADD_FAILURE() << "no operator " << op;
  return 0;
}

// Calls f or g of the prelude.
TValue CallUser(const std::string& name, const std::vector<TValue>& args) {
  if (name == "f") return Num(args[0].AsNumber() * 2 + 1);
  const double p = args[0].AsNumber(), q = args[1].AsNumber();
  if (IntegerValue(p < q ? 1 : 0) != 0) return args[1];
  // p+=q with p holding the argument's value, a text kept as text.
  if (args[1].IsText) return TValue{true, 0, args[0].AsText() + args[1].Text};
  return Num(p + q);
}

TValue Eval(const TTree& n, TState& st) {
  auto kid = [&](size_t i) { return Eval(n->Kids[i], st); };
  switch (n->Kind) {
    case TKind::Number: return Num(n->Number);
    case TKind::Text: return TValue{true, 0, n->Text};
    case TKind::Scalar: {
      auto it = st.Scalars.find(n->Op);
      if (it != st.Scalars.end()) return it->second;
      st.Fail("Variable " + n->Op + " has no value");
      return {};
    }
    case TKind::Element: {
      const double x = kid(0).AsNumber();
      if (st.Error) return {};
      const double v = ReadElement(n->Op, IntegerValue(x), st);
      return Num(v);
    }
    case TKind::Seq: {
      kid(0);
      if (st.Error) return {};
      return kid(1);
    }
    case TKind::Assign: {
      TValue v = kid(1);
      if (st.Error) return {};
      if (!Store(n->Kids[0], v, st)) st.Fail("= operator: error setting a value (maybe negative array index)");
      return v;
    }
    case TKind::Compound: {
      TValue r = kid(1);
      if (st.Error) return {};
      TValue l = kid(0);
      if (st.Error) return {};
      TValue v = n->Op == "+=" && r.IsText ? TValue{true, 0, l.AsText() + r.Text}
                                           : Num(Arith(n->Op, l.AsNumber(), r.AsNumber()));
      if (!Store(n->Kids[0], v, st)) st.Fail("");
      return v;
    }
    case TKind::Binary: {
      TValue l = kid(0);
      if (st.Error) return {};
      TValue r = kid(1);
      if (st.Error) return {};
      if (n->Op == "+" && l.IsText && r.IsText) return TValue{true, 0, l.Text + r.Text};
      return Num(Arith(n->Op, l.AsNumber(), r.AsNumber()));
    }
    case TKind::Neg: {
      const double x = kid(0).AsNumber();
      return Num(-x);
    }
    case TKind::If: {
      const double c = kid(0).AsNumber();
      if (st.Error) return {};
      return kid(IntegerValue(c) != 0 ? 1 : 2);
    }
    case TKind::For: {
      TValue last = Num(0);
      st.Scalars[n->Op] = Num(0);
      for (;;) {
        const double bound = kid(0).AsNumber();
        if (st.Error) return {};
        if (!(st.Scalars[n->Op].AsNumber() < bound)) return last;
        last = kid(1);
        if (st.Error) return {};
        st.Scalars[n->Op] = Num(st.Scalars[n->Op].AsNumber() + 1);
      }
    }
    case TKind::While: {
      TValue last = Num(0);
      for (;;) {
        const double c = kid(0).AsNumber();
        if (st.Error || c == 0) return st.Error ? TValue{} : last;
        last = kid(1);
        if (st.Error) return {};
      }
    }
    case TKind::Abs: {
      const double x = kid(0).AsNumber();
      return Num(std::fabs(x));
    }
    case TKind::Length: return Num(static_cast<double>(st.Arrays[n->Op].size()));
    case TKind::Call: {
      std::vector<TValue> args;
      for (size_t i = 0; i < n->Kids.size(); ++i) {
        args.push_back(kid(i));
        if (st.Error) return {};
      }
      return CallUser(n->Op, args);
    }
  }
  return {};
}

// The outcome in the form the tests describe runs; nothing for a program
// that builds too large an array.
std::optional<std::string> ReferenceOutcome(const TTree& program) {
  TState st;
  const TValue v = Eval(program, st);
  if (st.TooBig) return std::nullopt;
  if (st.Error) return "!" + st.Message;
  return v.IsText ? "'" + v.Text + "'" : NumberToText(v.Number);
}

// ---- the generator

class TGenerator {
public:
  explicit TGenerator(uint32_t seed) : Rng(seed) {}

  TTree Expression(int depth) {
    if (depth <= 0 || Chance(0.25)) return Leaf();
    switch (Pick(12)) {
      case 0: return Make(TKind::Seq, "", {Expression(depth - 1), Expression(depth - 1)});
      case 1: return Make(TKind::Assign, "=", {Target(depth - 1), Expression(depth - 1)});
      case 2:
        return Make(TKind::Compound, OneOf({"+=", "-=", "*=", "/="}), {Target(depth - 1), Expression(depth - 1)});
      case 3:
      case 4:
        return Make(TKind::Binary,
                    OneOf({"+", "-", "*", "/", "^", "<", ">", "<=", ">=", "==", "!=", "&", "|"}),
                    {Expression(depth - 1), Expression(depth - 1)});
      case 5: return Make(TKind::Neg, "", {Expression(depth - 1)});
      case 6: return Make(TKind::If, "", {Expression(depth - 1), Expression(depth - 1), Expression(depth - 1)});
      case 7: {
        // A loop of at most 3 passes with a counter of its own (a nested
        // loop is deeper, so its counter has another name).
        TTree bound = Chance(0.5) ? Constant(Pick(4))
                                  : Make(TKind::Binary, "-", {Constant(3), Make(TKind::Abs, "", {Expression(0)})});
        return Make(TKind::For, "i" + std::to_string(depth), {bound, Expression(depth - 1)});
      }
      case 8: {
        // A while loop that runs at most once: the condition clears its own flag.
        const std::string flag = "w" + std::to_string(depth);
        TTree set = Make(TKind::Assign, "=", {Make(TKind::Scalar, flag), Constant(1)});
        TTree clear = Make(TKind::Assign, "=", {Make(TKind::Scalar, flag), Constant(0)});
        TTree cond = Make(TKind::Binary, "&", {Make(TKind::Scalar, flag), Expression(depth - 1)});
        return Make(TKind::Seq,
                    "",
                    {set, Make(TKind::While, "", {cond, Make(TKind::Seq, "", {clear, Expression(depth - 1)})})});
      }
      case 9: return Make(TKind::Abs, "", {Expression(depth - 1)});
      case 10: return Make(TKind::Call, "f", {Expression(depth - 1)});
      default: return Make(TKind::Call, "g", {Expression(depth - 1), Expression(depth - 1)});
    }
  }

private:
  std::mt19937 Rng;

  int Pick(int n) { return static_cast<int>(Rng() % static_cast<uint32_t>(n)); }
  bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(Rng) < p; }
  std::string OneOf(std::initializer_list<const char*> options) {
    return *(options.begin() + Pick(static_cast<int>(options.size())));
  }

  TTree Target(int depth) {
    if (Chance(0.6)) return Make(TKind::Scalar, "x" + std::to_string(Pick(3)));
    return Make(
        TKind::Element, "a" + std::to_string(Pick(2)), {Chance(0.6) ? Constant(Pick(4) - 1) : Expression(depth)});
  }

  TTree Leaf() {
    switch (Pick(6)) {
      case 0: return Constant(Pick(7) - 2);
      case 1: return Constant(OneOfNumber());
      case 2: {
        TTree t = Make(TKind::Text);
        t->Text = OneOf({"", "a", "bc", "12", "3x", " 5", "0.5"});
        return t;
      }
      case 3:
      case 4: return Target(0);
      default: return Make(TKind::Length, "a" + std::to_string(Pick(2)));
    }
  }
  double OneOfNumber() {
    static const double numbers[] = {0.5, -0.5, 2.25, 1e10, 1e-3, 0.1, 3.75, 4294967297.0};
    return numbers[Pick(8)];
  }
};

// ---- checking and shrinking

// The first disagreement of a program: the plain run against the reference
// and against the run with general forms only, then every context against
// the plain run; empty when there is none.
std::string Disagreement(const TTree& tree) {
  const std::optional<std::string> want = ReferenceOutcome(tree);
  if (!want) return "";
  const std::string program = Prelude + Render(tree);
  const OstraTest::TRun plain = OstraTest::RunProgram(program);
  const std::string got = OstraTest::Describe(plain);
  if (got != *want) return program + "\n  gives " + got + ", the rules give " + *want;
  {
    OstraTest::TGeneralFormsOnly general;
    const std::string slow = OstraTest::Describe(OstraTest::RunProgram(program));
    if (slow != got) return program + "\n  gives " + slow + " with general forms only, " + got + " with fast forms";
  }
  for (const OstraTest::TContextCase& c : OstraTest::InEveryContext(program, plain)) {
    const std::string in = OstraTest::Outcome(c.Program);
    if (in != c.Expect) return c.Program + "\n  gives " + in + ", expected " + c.Expect;
  }
  return "";
}

// Smaller variants of a tree: each subtree replaced by one of its children or
// by a constant (an assignment's target stays a variable).
std::vector<TTree> Smaller(const TTree& n) {
  std::vector<TTree> out;
  const bool assigns = n->Kind == TKind::Assign || n->Kind == TKind::Compound;
  for (size_t i = 0; i < n->Kids.size(); ++i) {
    if (!(assigns && i == 0)) out.push_back(n->Kids[i]);
    for (const TTree& smaller : Smaller(n->Kids[i])) {
      if (assigns && i == 0 && smaller->Kind != TKind::Scalar && smaller->Kind != TKind::Element) continue;
      TTree copy = std::make_shared<TNode>(*n);
      copy->Kids[i] = smaller;
      out.push_back(copy);
    }
  }
  if (n->Kind != TKind::Number) out.push_back(Constant(0));
  return out;
}

TTree Shrink(TTree tree) {
  for (bool smaller = true; smaller;) {
    smaller = false;
    for (const TTree& candidate : Smaller(tree)) {
      if (!Disagreement(candidate).empty()) {
        tree = candidate;
        smaller = true;
        break;
      }
    }
  }
  return tree;
}

long EnvNumber(const char* name, long fallback) {
  const char* s = std::getenv(name);
  return s && *s ? std::strtol(s, nullptr, 10) : fallback;
}

}  // namespace

TEST(RandomPrograms, EngineAgreesWithTheRulesInEveryContext) {
  const long count = EnvNumber("OSTRA_RANDOM_PROGRAMS", 300);
  const uint32_t seed = static_cast<uint32_t>(EnvNumber("OSTRA_RANDOM_SEED", 20261210));
  TGenerator gen(seed);
  int failures = 0;
  for (long k = 0; k < count && failures < 3; ++k) {
    const TTree tree = gen.Expression(4);
    if (Disagreement(tree).empty()) continue;
    ++failures;
    ADD_FAILURE() << "program " << k << " of seed " << seed << " fails; the smallest failing program:\n"
                  << Disagreement(Shrink(tree));
  }
}

// The reference evaluator itself, on programs whose outcome is known.
TEST(RandomPrograms, ReferenceEvaluatorFollowsTheRules) {
  auto x = [](int i) { return Make(TKind::Scalar, "x" + std::to_string(i)); };
  auto text = [](const char* t) {
    TTree n = Make(TKind::Text);
    n->Text = t;
    return n;
  };
  const struct {
    TTree Tree;
    const char* Expect;
  } cases[] = {
      {Make(TKind::Binary, "+", {Constant(1), Make(TKind::Assign, "=", {x(0), Constant(3)})}), "4"},
      {Make(TKind::Binary, "+", {text("ab"), text("c")}), "'abc'"},
      {Make(TKind::Binary, "+", {text("1"), Constant(2)}), "3"},
      {Make(TKind::Compound, "+=", {x(0), Constant(1)}), "!Variable x0 has no value"},
      {Make(TKind::Assign, "=", {Make(TKind::Element, "a0", {Constant(-1)}), Constant(5)}),
       "!= operator: error setting a value (maybe negative array index)"},
      {Make(TKind::Element, "a0", {Constant(1)}), "!Illegal array element access in array a0"},
      {Make(TKind::For, "i0", {Constant(3), Make(TKind::Scalar, "i0")}), "2"},
      {Make(TKind::Call, "g", {Constant(5), text("x")}), "'5x'"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReferenceOutcome(c.Tree).value_or("(too big)"), c.Expect) << Render(c.Tree);
    EXPECT_EQ(OstraTest::Outcome(Prelude + Render(c.Tree)), c.Expect) << Render(c.Tree);
  }
}
