#pragma once
// The model of a fit evaluated at a block of points in one pass. A model
// that only reads (numbers, the fit variable, variables and array elements
// with a constant index, the arithmetic and comparison operators, the
// elementary functions of one number) is translated into a short program
// over arrays of values: each node costs one loop over the block instead of
// one tree walk per point. Every other model is evaluated point by point.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/Atoms.h"

namespace TernioParser {

class TVectorModel {
public:
  // The most points one pass evaluates.
  static constexpr int32_t BlockSize = 64;

  // The program of func, in which the variable x stands for the points; null
  // when func is not a model of that kind.
  static std::unique_ptr<TVectorModel> Compile(TParserAtom* func, const TVarEntry* x);

  // The values at x[0..n), n <= BlockSize, exactly as evaluating the tree at
  // each point gives them. False when a variable has no number or an element
  // lies outside its array: the point-by-point evaluation then raises the
  // error the tree raises.
  bool Evaluate(const double* x, int32_t n, double* out);

  enum class TOp : uint8_t {
    Const, X, Var, Element, Neg, Unary,
    Add, Sub, Mult, Div, Exp, RelL, RelG, RelLE, RelGE, RelE, RelU, And, Or
  };

private:
  struct TStep {
    TOp Op;
    double Value = 0;                      // Const
    const TVarEntry* Var = nullptr;        // Var
    const TArrayEntry* Array = nullptr;    // Element
    int32_t Index = 0;                     // Element
    double (*Map)(double) = nullptr;       // Unary
  };
  // Postfix order: operands first, each step working on the top of a stack
  // of blocks.
  std::vector<TStep> Steps;
  std::vector<double> Stack;
  int32_t Depth = 0;

  bool Add(TParserAtom* node, const TVarEntry* x, int32_t depth);
};

}  // namespace TernioParser
