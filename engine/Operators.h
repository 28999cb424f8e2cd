#pragma once
// The binary operators, written once: one row per operator with its text, its
// precedence, its code and how its node is made. The grammar reads the rows,
// every node keeps its operator's code, and whatever compiles operator nodes
// into a faster form switches on that code.

#include <cstdint>
#include <memory>
#include <span>

namespace TernioParser {

class TOpFunction;

// ORDER ROWS: the codes stand in the order of the rows of Operators().
enum class TOpCode : uint8_t {
  Sep,           // ,
  Or,            // |
  And,           // &
  Less,          // <
  LessEqual,     // <=
  Greater,       // >
  GreaterEqual,  // >=
  Equal,         // ==
  Unequal,       // !=
  Assign,        // =
  AddAssign,     // +=
  SubAssign,     // -=
  MultAssign,    // *=
  DivAssign,     // /=
  Add,           // +
  Sub,           // -
  Mult,          // *
  Div,           // /
  Exp,           // ^
};

struct TOperatorRow {
  const char* Text;
  int Precedence;  // higher binds more tightly; all operators associate to the left
  TOpCode Code;
  std::unique_ptr<TOpFunction> (*Create)();
};

// The rows, one per code, in the order of the codes.
std::span<const TOperatorRow> Operators();

}  // namespace TernioParser
