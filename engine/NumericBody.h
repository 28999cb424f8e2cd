#pragma once
// The fast form of a user-defined function whose body only computes with
// numbers: its scalar parameters, elements of its array parameters, numeric
// constants, the arithmetic and comparison operators, and, or, the minus sign,
// if, the elementary functions of one number, and calls of such functions
// without array parameters. Called with numbers (and arrays), such a body
// runs as a compact tree over a frame of the argument values on the
// evaluating thread's stack: no variable entries to save and restore and no
// value slots. Each node is evaluated by a small function made for its shape
// (an operator reads a parameter or a constant operand itself). Its values,
// errors, Break and stack guard are those of the general evaluation.

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "engine/CalcInfo.h"

namespace TernioParser {

class TParserAtom;
class TOpFunction;
struct TFunctionBody;

class TNumericBody {
public:
  // The most parameters a body of this form has (its frame is on the stack).
  static constexpr int MaxParams = 8;

  // The fast form of a bound body; null when the body is not of that form
  // or its engine builds general forms only.
  static std::unique_ptr<TNumericBody> Compile(const TFunctionBody& body);
  // How many fast forms have been made so far (in the whole process).
  static std::atomic<uint64_t> Compiled;

  // The elements of an array parameter: the copy the call made of its
  // argument (the body only reads it).
  struct TArrayView {
    const double* Data;
    int32_t Count;
  };
  // One parameter's value in the frame.
  union TSlot {
    double Number;
    const TArrayView* Array;
  };

  // Where an operand's number comes from.
  enum class TSource : uint8_t { Node, Param, Const };
  struct TNode;
  struct TInput {
    TSource Source = TSource::Const;
    int32_t Slot = 0;  // Param
    double Value = 0;  // Const
    const TNode* Node = nullptr;
  };
  using TFn = double (*)(const TNode& n, const TSlot* frame, TCalcInfo& ci);
  struct TNode {
    TFn Fn = nullptr;
    // Operands; if: the condition and the branches, or, for a comparison
    // of parameters and constants, its operands and the branches in C and D.
    TInput A, B, C, D;
    double (*Map)(double) = nullptr;  // an elementary function of one number
    int32_t Slot = 0;                 // an element: the array parameter
    const std::string* ArrayName = nullptr;
    const TFunctionBody* Callee = nullptr;
    std::vector<TInput> Args;  // a call's arguments
  };

  static double Read(const TInput& o, const TSlot* frame, TCalcInfo& ci) {
    switch (o.Source) {
      case TSource::Param: return frame[o.Slot].Number;
      case TSource::Const: return o.Value;
      case TSource::Node: break;
    }
    return o.Node->Fn(*o.Node, frame, ci);
  }

  // The body's value for the parameter values in frame.
  double Run(TCalcInfo& ci, const TSlot* frame) const { return Read(Root, frame, ci); }

private:
  // Nodes point to each other: they never move once made.
  std::deque<TNode> Nodes;
  TInput Root;

  // The fast form of node and its subtree into out; false when it has none.
  bool Add(TParserAtom* node, const TFunctionBody& body, int depth, TInput& out);
};

}  // namespace TernioParser
