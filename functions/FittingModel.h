#pragma once
// The model of a fit evaluated at a block of points in one pass. A model
// that only reads (numbers, the fit variable, variables and array elements
// with a constant index, the arithmetic and comparison operators, the
// elementary functions of one number) is translated into a short program
// over arrays of values: each node costs one loop over the block instead of
// one tree walk per point. Every other model is evaluated point by point.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/Atoms.h"

namespace TernioParser {

class TVectorModel {
public:
  // The most points one pass evaluates.
  static constexpr int32_t BlockSize = 64;

  // The program of func, in which the variable x stands for the points and
  // p is the parameter array; null when func is not a model of that kind.
  static std::unique_ptr<TVectorModel> Compile(TParserAtom* func, const TVarEntry* x, const TArrayEntry* p);
  // How many programs have been made so far (in the whole process).
  static std::atomic<uint64_t> Compiled;

  // The values at x[0..n), n <= BlockSize, exactly as evaluating the tree at
  // each point gives them. shifted: -1, or the one element of p that alone
  // has changed since the last pass with -1 over the same points; parts of
  // the model that do not read it keep their values from that pass. False
  // when a variable has no number or an element lies outside its array: the
  // point-by-point evaluation then raises the error the tree raises.
  // kept: where the blocks kept for the shifted passes over these points
  // go and come from (KeptSize() doubles); null: the model's own, for one
  // set of points at a time.
  bool Evaluate(const double* x, int32_t n, int32_t shifted, double* out, double* kept = nullptr);
  size_t KeptSize() const { return Kept.size(); }

  // Whether every node of the program has a derivative (the operators and
  // the elementary functions do), so that Gradient can be used.
  bool Differentiable() const { return Differentiable_; }
  // The values at x[0..n) as Evaluate gives them, and their exact
  // derivatives by p[0..m): jac[i * m + k] is d out[i] / d p[k].
  // The derivatives come from one backward pass over the program (the chain
  // rule from the result down to each read of p[k]); comparisons, & and |
  // and the step functions count as constant. False as for Evaluate.
  bool Gradient(const double* x, int32_t n, int32_t m, double* out, double* jac);

  // Gradient in two halves, for a caller that keeps the values of a pass
  // until it knows whether it needs the derivatives there. The doubles one
  // pass over a block records (TapeSize() of them).
  size_t TapeSize() const { return Steps.size() * BlockSize; }
  // The values at x[0..n) as Evaluate gives them, with the block of every
  // step into tape; false as for Evaluate. It counts as no pass with -1 for
  // a later shifted one.
  bool Record(const double* x, int32_t n, double* out, double* tape);
  // The derivatives of Gradient from the tape of a Record over the same n
  // points, with p[] as it was then. Only where Differentiable().
  void Derivatives(const double* tape, int32_t n, int32_t m, double* jac);

  enum class TOp : uint8_t { Push, X, Neg, Unary, Binary };
  // A binary operator over a block: a = a op b, a op c or c op a.
  using TBinary = void (*)(double* a, const double* b, bool scalar, bool left, double c, int32_t n);
  // The backward step of r = a op b over a block: da[i] = w[i] dr/da and
  // db[i] = w[i] dr/db at a[i], b[i], r[i]; each only when given (not null).
  using TBackward = void (*)(const double* a, const double* b, const double* r, const double* w, double* da,
                             double* db, int32_t n);

private:
  // A number the whole block shares: a constant, a variable or an element.
  struct TScalar {
    enum class TKind : uint8_t { None, Const, Var, Element } Kind = TKind::None;
    double Value = 0;
    const TVarEntry* Var = nullptr;
    const TArrayEntry* Array = nullptr;
    int32_t Index = 0;
    bool Read(double& v) const;
  };
  struct TStep {
    TOp Op;
    // Push: the number pushed; a binary operator: its operand that is a
    // number rather than a block (none: both are blocks on the stack).
    TScalar Operand;
    bool OperandLeft = false;
    double (*Map)(double) = nullptr;                // Unary
    double (*Slope)(double x, double y) = nullptr;  // Unary: dy/dx at x, y = Map(x)
    TBinary Binary = nullptr;
    TBackward Backward = nullptr;  // Binary
    int32_t Start = 0;             // the first step of this step's subtree
    uint64_t Reads = 0;            // the elements of p the subtree reads (bit k: p[k], k < 64)
    bool Kept = false;             // its block is kept for the shifted passes
  };
  // Postfix order: operands first, each step working on the top of a stack
  // of blocks.
  std::vector<TStep> Steps;
  std::vector<double> Stack, Kept;
  int32_t Depth = 0;
  const TArrayEntry* Params = nullptr;  // p
  bool Differentiable_ = true;
  // The backward pass: per step, d result / d (the step's value); the slopes
  // of one operator by its number operand, and that number as a block.
  std::vector<double> Adjoint, Slopes, Filled;
  // Per element k < 64 of p and per step: the last step of the largest
  // subtree starting there that does not read p[k] (its kept block stands
  // in for it), else -1.
  std::vector<std::vector<int32_t>> Skip;

  bool Add(TParserAtom* node, const TVarEntry* x, const TArrayEntry* p, int32_t depth);
  bool Scalar(TParserAtom* node, const TVarEntry* x, const TArrayEntry* p, TScalar& out, uint64_t& reads) const;
  void PlanSkips();
  // Evaluate (the kept blocks in store), and with all Record (every block
  // into store).
  bool Run(const double* x, int32_t n, int32_t shifted, double* out, double* store, bool all);
};

}  // namespace TernioParser
