#include "engine/Operators.h"

#include <iterator>

#include "engine/Atoms.h"

namespace TernioParser {

namespace {

template <class T>
std::unique_ptr<TOpFunction> Make() {
  return std::make_unique<T>();
}

// A two-character operator stands after the one-character operator it
// begins with.
constexpr TOperatorRow Rows[] = {
    {",", 1, TOpCode::Sep, Make<TSep>},
    {"|", 2, TOpCode::Or, Make<TOr>},
    {"&", 3, TOpCode::And, Make<TAnd>},
    {"<", 4, TOpCode::Less, Make<TRelL>},
    {"<=", 4, TOpCode::LessEqual, Make<TRelLE>},
    {">", 4, TOpCode::Greater, Make<TRelG>},
    {">=", 4, TOpCode::GreaterEqual, Make<TRelGE>},
    {"==", 4, TOpCode::Equal, Make<TRelE>},
    {"!=", 4, TOpCode::Unequal, Make<TRelU>},
    {"=", 5, TOpCode::Assign, Make<TEq>},
    {"+=", 5, TOpCode::AddAssign, Make<TPlusEq>},
    {"-=", 5, TOpCode::SubAssign, Make<TMinusEq>},
    {"*=", 5, TOpCode::MultAssign, Make<TMultEq>},
    {"/=", 5, TOpCode::DivAssign, Make<TDivEq>},
    {"+", 6, TOpCode::Add, Make<TAdd>},
    {"-", 6, TOpCode::Sub, Make<TSub>},
    {"*", 7, TOpCode::Mult, Make<TMult>},
    {"/", 7, TOpCode::Div, Make<TDiv>},
    {"^", 8, TOpCode::Exp, Make<TExp>},
};

constexpr bool InCodeOrder() {
  for (size_t i = 0; i < std::size(Rows); ++i)
    if (static_cast<size_t>(Rows[i].Code) != i) return false;
  return true;
}
static_assert(InCodeOrder() && std::size(Rows) == static_cast<size_t>(TOpCode::Exp) + 1);

}  // namespace

std::span<const TOperatorRow> Operators() { return Rows; }

}  // namespace TernioParser
