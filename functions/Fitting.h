#pragma once
// Curve fitting: the non-linear least-squares fit of a user expression
// (Levenberg-Marquardt, fit) and the linear least-squares fit of a polynomial
// (lfit).

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/Function.h"
#include "functions/FittingModel.h"

namespace TernioParser {

// A square matrix of doubles, stored row by row in one block.
class Matrix {
public:
  explicit Matrix(int32_t order = 0) { Create(order); }
  void Create(int32_t order) {
    N = order < 0 ? 0 : order;
    Cells.assign(static_cast<size_t>(N) * static_cast<size_t>(N), 0.0);
  }
  // Copies another matrix, re-creating this one first when the orders differ.
  void CopyFrom(const Matrix& other) {
    if (other.N != N) Create(other.N);
    Cells = other.Cells;
  }
  void Clear() { std::fill(Cells.begin(), Cells.end(), 0.0); }
  int32_t Order() const { return N; }
  double* operator[](int32_t row) { return Cells.data() + static_cast<size_t>(row) * N; }
  const double* operator[](int32_t row) const { return Cells.data() + static_cast<size_t>(row) * N; }

private:
  int32_t N = 0;
  std::vector<double> Cells;
};

// Crout LU decomposition with implicit row scaling and partial pivoting, in
// place; index receives the row permutation. A zero pivot is replaced by
// 1e-30. False when a row is entirely zero (the matrix is singular).
bool LUDecompose(Matrix& a, std::vector<int32_t>& index);
// Solves a*x = b with the decomposition of LUDecompose; b receives x.
void LUSolve(const Matrix& a, const std::vector<int32_t>& index, double* b);

// Limits of one fit parameter.
struct TFitParameter {
  double Initial = 0;
  double Lower = -1e255;
  double Upper = 1e255;
};

// Levenberg-Marquardt fitting engine for a model y = f(x; a) with m
// parameters a, over n data points.
class Marquardt {
public:
  using TFunctionHook = double (*)(double x, void* user);
  using TWeightsHook = void (*)(const double* x, const double* y, double* sigma, int32_t n);
  using TDerivativeHook = void (*)(double x, double* derivatives, void* user);
  using TProgressHook = void (*)(void* user, int32_t iteration, double chisqPerPoint);
  // Asked between iterations and between data points; true ends the run.
  using TStopHook = bool (*)(void* user);

  enum TOutcome { Success, Singular, Stopped };

  Marquardt(const double* x, const double* y, int32_t n, const std::vector<TFitParameter>& parameters, double* a,
            TFunctionHook function, void* user);

  // Optional: the model's values at the n points x[0..n) (n at most
  // PassSize) with the current parameters, in one pass; false when they
  // cannot be had that way, and the points are then evaluated one by one.
  // shifted: -1, or the one parameter moved since the last pass with -1
  // over the same points. kept: null, or the PassKept doubles where a pass
  // with -1 leaves what the shifted passes over the same points reuse.
  using TPassHook = bool (*)(const double* x, int32_t n, int32_t shifted, double* out, double* kept, void* user);
  static constexpr int32_t PassSize = 64;
  size_t PassKept = 0;

  TWeightsHook WeightsHook = nullptr;
  TPassHook PassHook = nullptr;
  TDerivativeHook DerivativeHook = nullptr;
  TProgressHook ProgressHook = nullptr;
  TStopHook StopHook = nullptr;

  double Tolerance = 1e-5;
  int32_t IterationLimit = 100;

  TOutcome Run();

  double Chisq() const { return ChiSq; }
  double Lambda() const { return Lambda_; }
  int32_t Iterations() const { return Iteration; }
  // The inverse of the final curvature matrix (filled by a successful run).
  const Matrix& Covariance() const { return Covar; }
  // Model evaluations so far.
  int64_t Evaluations() const { return EvalCount; }

private:
  const double* X;
  const double* Y;
  int32_t N;
  std::vector<TFitParameter> Params;
  int32_t M;
  double* A;
  TFunctionHook Function;
  void* User;

  Matrix Alpha, SavedAlpha, Covar;
  std::vector<double> Beta, SavedBeta, SavedA, Sigma;
  // The model values and derivatives of one block of points: Model[t] and
  // Deriv[t * M + j] for point t of the block; Shifted: model values with
  // one parameter moved.
  std::vector<double> Model, Shifted, Deriv;
  std::vector<int32_t> Index;
  double Lambda_ = 0.001;
  double ChiSq = 0, PrevChiSq = 0;
  int32_t Iteration = 0;
  int64_t EvalCount = 0;

  // alpha, beta and chi-square at the current parameters; false when the
  // stop hook asked to end the run.
  // taken: at the trial point ChiSquare has just passed over.
  bool Curvature(bool taken = false);
  // Chi-square alone, from one block pass per block of points.
  bool ChiSquare();
  // Model values and derivatives of the count points from first on.
  void ModelBlock(int32_t first, int32_t count);
  bool ModelPasses(int32_t first, int32_t count);
  bool ShiftedPasses(int32_t first, int32_t count, double* kept);
  // What a trial point's pass leaves for its curvature: the model values,
  // the kept blocks (PassKept per block of points) and whether each block
  // was passed at all (else it was evaluated point by point).
  std::vector<double> TrialModel, TrialKept;
  std::vector<char> TrialPassed;
  static constexpr size_t TrialLimit = size_t(1) << 22;
  double Eval(double x) {
    ++EvalCount;
    return Function(x, User);
  }
};

// The record through which the fitting engine evaluates the user's model.
struct TFitFuncParms {
  std::vector<double> Parameters;  // the engine's parameter vector
  int32_t M = 0;
  TOperandBase* X = nullptr;    // the variable named by x
  TArrayEntry* P = nullptr;     // the array of p[]
  TParserAtom* Func = nullptr;  // the model expression
  TCalcInfo* Info = nullptr;
  // The model as a program over blocks of points (null when it is not one).
  std::unique_ptr<TVectorModel> Vector;

  // Puts the parameter vector into the storage of p[], where the model reads it.
  void Publish();
  static double Evaluate(double x, void* user);
  static bool EvaluatePass(const double* x, int32_t n, int32_t shifted, double* out, double* kept, void* user);
  static bool StopRequested(void* user);
};

// What fit and nlfit share: the arguments
// xdata[];ydata[];p[];x;func;minvals[];maxvals[];chisq and how they are read.
class TFitBase : public TFunction {
public:
  bool CheckArguments() override;
  // The largest parameter count a fit accepts (its matrices grow with its square).
  static constexpr int32_t MaxParameters = 1000;

protected:
  // The limits of the m parameters: minvals[] and maxvals[] when they are
  // arrays of exactly m elements, otherwise -1e255 and +1e255.
  std::vector<TFitParameter> Limits(int32_t m) const;
  // The model record for p[] (m elements) and func, with the block program
  // when func is a model of that kind.
  void Prepare(TFitFuncParms& parms, TCalcInfo& ci, TArrayEntry* p, int32_t m) const;
  TOperandBase* Chisq() const { return static_cast<TOperandBase*>(Args[7]); }
};

// fit(xdata[];ydata[];p[];x;func;minvals[];maxvals[];chisq)
class TFit final : public TFitBase {
public:
  int ArgumentCount() const override { return 8; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
  bool AlwaysNumber() const override { return true; }
};

// lfit(xdata[];ydata[];order;p[])
class TLFit final : public TFunction {
public:
  int ArgumentCount() const override { return 4; }
  bool CheckArguments() override;
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
  bool AlwaysNumber() const override { return true; }
  // The largest number of coefficients lfit accepts: beyond it the normal
  // equations of a power basis carry no usable information in doubles.
  static constexpr int32_t MaxCoefficients = 100;
};

// Solves c*a = b by Gauss-Jordan elimination with full pivoting; c (k x k,
// row by row) is destroyed, b receives the solution. False when singular.
bool GaussJordan(std::vector<double>& c, std::vector<double>& b, int32_t k);

// The rows of this library.
TLibrary FittingLibrary();

}  // namespace TernioParser
