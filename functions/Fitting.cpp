#include "functions/Fitting.h"

#include <cmath>
#include <cstring>
#include <iterator>
#include <new>

namespace TernioParser {

// ---- linear algebra

bool LUDecompose(Matrix& a, std::vector<int32_t>& index) {
  const int32_t n = a.Order();
  constexpr double Tiny = 1e-30;
  index.assign(n, 0);
  std::vector<double> scale(n);
  // Implicit scaling: every row is measured against its largest element.
  for (int32_t i = 0; i < n; ++i) {
    double big = 0;
    for (int32_t j = 0; j < n; ++j) big = std::max(big, std::fabs(a[i][j]));
    if (!(big > 0)) return false;  // a zero row (or one without a number)
    scale[i] = 1.0 / big;
  }
  for (int32_t j = 0; j < n; ++j) {
    for (int32_t i = 0; i < j; ++i) {
      double sum = a[i][j];
      for (int32_t k = 0; k < i; ++k) sum -= a[i][k] * a[k][j];
      a[i][j] = sum;
    }
    double big = 0;
    int32_t imax = j;
    for (int32_t i = j; i < n; ++i) {
      double sum = a[i][j];
      for (int32_t k = 0; k < j; ++k) sum -= a[i][k] * a[k][j];
      a[i][j] = sum;
      double figure = scale[i] * std::fabs(sum);
      if (figure >= big) {
        big = figure;
        imax = i;
      }
    }
    if (imax != j) {
      for (int32_t k = 0; k < n; ++k) std::swap(a[imax][k], a[j][k]);
      scale[imax] = scale[j];
    }
    index[j] = imax;
    if (a[j][j] == 0.0) a[j][j] = Tiny;
    if (j != n - 1) {
      double inv = 1.0 / a[j][j];
      for (int32_t i = j + 1; i < n; ++i) a[i][j] *= inv;
    }
  }
  return true;
}

void LUSolve(const Matrix& a, const std::vector<int32_t>& index, double* b) {
  const int32_t n = a.Order();
  int32_t first = -1;  // first non-zero element of b: forward substitution starts there
  for (int32_t i = 0; i < n; ++i) {
    int32_t ip = index[i];
    double sum = b[ip];
    b[ip] = b[i];
    if (first >= 0) {
      for (int32_t j = first; j < i; ++j) sum -= a[i][j] * b[j];
    } else if (sum != 0.0) {
      first = i;
    }
    b[i] = sum;
  }
  for (int32_t i = n - 1; i >= 0; --i) {
    double sum = b[i];
    for (int32_t j = i + 1; j < n; ++j) sum -= a[i][j] * b[j];
    b[i] = sum / a[i][i];
  }
}

bool GaussJordan(std::vector<double>& c, std::vector<double>& b, int32_t k) {
  std::vector<int32_t> used(k, 0);
  auto at = [&](int32_t r, int32_t col) -> double& { return c[static_cast<size_t>(r) * k + col]; };
  for (int32_t step = 0; step < k; ++step) {
    double big = -1;
    int32_t row = -1, col = -1;
    for (int32_t j = 0; j < k; ++j) {
      if (used[j] == 1) continue;
      for (int32_t l = 0; l < k; ++l) {
        if (used[l] == 0) {
          double v = std::fabs(at(j, l));
          if (v > big) {
            big = v;
            row = j;
            col = l;
          }
        } else if (used[l] > 1) {
          return false;
        }
      }
    }
    if (col < 0 || ++used[col] > 1) return false;  // no pivot left: only NaN
    if (row != col) {
      for (int32_t l = 0; l < k; ++l) std::swap(at(row, l), at(col, l));
      std::swap(b[row], b[col]);
    }
    double pivot = at(col, col);
    if (pivot == 0.0 || !std::isfinite(pivot)) return false;
    double inv = 1.0 / pivot;
    at(col, col) = 1.0;
    for (int32_t l = 0; l < k; ++l) at(col, l) *= inv;
    b[col] *= inv;
    for (int32_t r = 0; r < k; ++r) {
      if (r == col) continue;
      double factor = at(r, col);
      if (factor == 0.0) continue;
      at(r, col) = 0.0;
      for (int32_t l = 0; l < k; ++l) at(r, l) -= at(col, l) * factor;
      b[r] -= b[col] * factor;
    }
  }
  // The column interchanges only permute the inverse, which is not kept:
  // b already holds the solution in the original order.
  return true;
}

// ---- Levenberg-Marquardt

Marquardt::Marquardt(const double* x, const double* y, int32_t n, const std::vector<TFitParameter>& parameters,
                     double* a, TFunctionHook function, void* user)
    : X(x), Y(y), N(n), Params(parameters), M(static_cast<int32_t>(parameters.size())), A(a), Function(function),
      User(user), Alpha(M), SavedAlpha(M), Covar(M), Beta(M), SavedBeta(M), SavedA(M), Sigma(n, 1.0), Model(PassSize),
      Shifted(PassSize), Deriv(static_cast<size_t>(PassSize) * M), Index(M) {}

namespace {
// One block's terms of chi-square, alpha (the lower triangle, m x m, row by
// row) and beta. With the order m known when compiled (Order > 0) the loops
// unroll and the sums stay in registers for the block; every cell still
// adds its terms point by point in the same order, so the doubles are those
// of the plain loops (Order 0).
template <int32_t Order>
double AddBlock(double* alpha, double* beta, const double* deriv, const double* model, const double* y,
                const double* sigma, int32_t count, int32_t order, double chisq) {
  const int32_t m = Order > 0 ? Order : order;
  // The sums: alpha and beta themselves, or local copies for Order > 0.
  double localAlpha[Order > 0 ? Order * Order : 1], localBeta[Order > 0 ? Order : 1];
  double* a = alpha;
  double* b = beta;
  // Element by element: a local array that is only indexed can live in
  // registers.
  if constexpr (Order > 0) {
    for (int32_t c = 0; c < Order * Order; ++c) localAlpha[c] = alpha[c];
    for (int32_t c = 0; c < Order; ++c) localBeta[c] = beta[c];
    a = localAlpha;
    b = localBeta;
  }
  for (int32_t t = 0; t < count; ++t) {
    const double* d = deriv + static_cast<size_t>(t) * m;
    const double dy = y[t] - model[t];
    const double w = 1.0 / (sigma[t] * sigma[t]);
    chisq += dy * dy * w;
#pragma GCC unroll 8
    for (int32_t j = 0; j < m; ++j) {
      const double t2 = d[j] * w;
      double* row = a + static_cast<size_t>(j) * m;
#pragma GCC unroll 8
      for (int32_t k = 0; k <= j; ++k) row[k] += t2 * d[k];
      b[j] += dy * t2;
    }
  }
  if constexpr (Order > 0) {
    for (int32_t c = 0; c < Order * Order; ++c) alpha[c] = localAlpha[c];
    for (int32_t c = 0; c < Order; ++c) beta[c] = localBeta[c];
  }
  return chisq;
}
using TAddBlock = decltype(&AddBlock<0>);
TAddBlock AddBlockFor(int32_t m) {
  static constexpr TAddBlock unrolled[] = {AddBlock<0>,
                                           AddBlock<1>,
                                           AddBlock<2>,
                                           AddBlock<3>,
                                           AddBlock<4>,
                                           AddBlock<5>,
                                           AddBlock<6>,
                                           AddBlock<7>,
                                           AddBlock<8>};
  return m < static_cast<int32_t>(std::size(unrolled)) ? unrolled[m] : AddBlock<0>;
}
}  // namespace

bool Marquardt::Curvature(bool taken) {
  Alpha.Clear();
  std::fill(Beta.begin(), Beta.end(), 0.0);
  ChiSq = 0;
  const TAddBlock add = AddBlockFor(M);
  for (int32_t first = 0; first < N; first += PassSize) {
    if (StopHook && StopHook(User)) return false;
    const int32_t count = std::min(PassSize, N - first);
    const size_t block = static_cast<size_t>(first / PassSize);
    // Taken: the values and kept blocks of the trial pass at these parameters.
    double* kept = TrialKept.empty() ? nullptr : TrialKept.data() + block * PassKept;
    if (taken && TrialPassed[block]) std::copy_n(TrialModel.data() + first, count, Model.data());
    if (!(taken && TrialPassed[block] && ShiftedPasses(first, count, kept))) ModelBlock(first, count);
    ChiSq = add(Alpha[0], Beta.data(), Deriv.data(), Model.data(), Y + first, Sigma.data() + first, count, M, ChiSq);
  }
  for (int32_t j = 1; j < M; ++j)
    for (int32_t k = 0; k < j; ++k) Alpha[k][j] = Alpha[j][k];
  return true;
}

bool Marquardt::ChiSquare() {
  ChiSq = 0;
  for (int32_t first = 0; first < N; first += PassSize) {
    if (StopHook && StopHook(User)) return false;
    const int32_t count = std::min(PassSize, N - first);
    const size_t block = static_cast<size_t>(first / PassSize);
    double* model = TrialModel.data() + first;
    double* kept = TrialKept.empty() ? nullptr : TrialKept.data() + block * PassKept;
    TrialPassed[block] = PassHook(X + first, count, -1, model, kept, User);
    if (TrialPassed[block]) EvalCount += count;
    else
      for (int32_t t = 0; t < count; ++t) model[t] = Eval(X[first + t]);
    for (int32_t t = 0; t < count; ++t) {
      const int32_t i = first + t;
      const double dy = Y[i] - model[t];
      const double w = 1.0 / (Sigma[i] * Sigma[i]);
      ChiSq += dy * dy * w;
    }
  }
  return true;
}

namespace {
// The step of the numeric derivative by parameter value a.
double DerivativeStep(double a) {
  double h = 0.001 * a;
  if (std::fabs(h) < 1e-40) h = std::copysign(1e-40, h);
  return h;
}
}  // namespace

void Marquardt::ModelBlock(int32_t first, int32_t count) {
  if (PassHook && !DerivativeHook && ModelPasses(first, count)) return;
  // Point by point: the model value, then its derivatives.
  for (int32_t t = 0; t < count; ++t) {
    const double xi = X[first + t];
    const double ymod = Eval(xi);
    Model[t] = ymod;
    double* d = Deriv.data() + static_cast<size_t>(t) * M;
    if (DerivativeHook) {
      DerivativeHook(xi, d, User);
      continue;
    }
    for (int32_t j = 0; j < M; ++j) {
      const double saved = A[j];
      const double h = DerivativeStep(saved);
      A[j] = saved + h;
      d[j] = (Eval(xi) - ymod) / h;
      A[j] = saved;
    }
  }
}

// The same values from one pass over the block per parameter set; the
// arithmetic is that of the point-by-point path, so the results are the
// same doubles.
bool Marquardt::ModelPasses(int32_t first, int32_t count) {
  if (!PassHook(X + first, count, -1, Model.data(), nullptr, User)) return false;
  EvalCount += count;
  return ShiftedPasses(first, count, nullptr);
}

bool Marquardt::ShiftedPasses(int32_t first, int32_t count, double* kept) {
  const double* x = X + first;
  for (int32_t j = 0; j < M; ++j) {
    const double saved = A[j];
    const double h = DerivativeStep(saved);
    A[j] = saved + h;
    const bool ok = PassHook(x, count, j, Shifted.data(), kept, User);
    A[j] = saved;
    if (!ok) return false;
    EvalCount += count;
    for (int32_t t = 0; t < count; ++t) Deriv[static_cast<size_t>(t) * M + j] = (Shifted[t] - Model[t]) / h;
  }
  return true;
}

Marquardt::TOutcome Marquardt::Run() {
  Lambda_ = 0.001;
  std::fill(Sigma.begin(), Sigma.end(), 1.0);
  if (WeightsHook) WeightsHook(X, Y, Sigma.data(), N);
  Iteration = 0;
  if (!Curvature()) return Stopped;
  // In block passes a trial point gets its chi-square first, and alpha and
  // beta only once it is taken and the run goes on (pending), from the
  // values and kept blocks of that first pass; point by point, each point's
  // derivatives come with its value. Beyond TrialLimit doubles of kept
  // blocks every trial point gets its curvature at once.
  const size_t blocks = (static_cast<size_t>(N) + PassSize - 1) / PassSize;
  const bool split = PassHook && !DerivativeHook && blocks * PassKept <= TrialLimit;
  if (split) {
    TrialModel.resize(N);
    TrialKept.resize(blocks * PassKept);
    TrialPassed.assign(blocks, 0);
  }
  bool pending = false;
  // A run ended in a trial leaves the parameters of the last complete step.
  auto stop = [&] {
    std::copy(SavedA.begin(), SavedA.end(), A);
    ChiSq = PrevChiSq;
    return Stopped;
  };
  bool failed;
  do {
    ++Iteration;
    failed = false;
    if (StopHook && StopHook(User)) return Stopped;
    if (pending && !Curvature(true)) return stop();
    pending = false;
    if (ProgressHook) ProgressHook(User, Iteration, ChiSq / N);
    PrevChiSq = ChiSq;
    for (int32_t j = 0; j < M; ++j) Alpha[j][j] *= 1.0 + Lambda_;
    std::copy(A, A + M, SavedA.begin());
    SavedBeta = Beta;
    SavedAlpha.CopyFrom(Alpha);
    if (!LUDecompose(Alpha, Index)) return Singular;
    LUSolve(Alpha, Index, Beta.data());
    for (int32_t j = 0; j < M; ++j) {
      double v = A[j] + Beta[j];
      if (v < Params[j].Lower) v = Params[j].Lower;
      if (v > Params[j].Upper) v = Params[j].Upper;
      A[j] = v;
    }
    if (!(split ? ChiSquare() : Curvature())) return stop();
    if (ChiSq < PrevChiSq) {
      Lambda_ *= 0.1;
      pending = split;
    } else {
      Lambda_ *= 10.0;
      ChiSq = PrevChiSq;
      std::copy(SavedA.begin(), SavedA.end(), A);
      Beta = SavedBeta;
      Alpha.CopyFrom(SavedAlpha);
      failed = true;
    }
  } while (Iteration < IterationLimit && (PrevChiSq - ChiSq > Tolerance || failed) && Lambda_ < 1e30);

  // Covariance: the inverse of the last curvature matrix, column by column.
  Alpha.CopyFrom(SavedAlpha);
  Covar.Create(M);
  if (LUDecompose(Alpha, Index)) {
    std::vector<double> col(M);
    for (int32_t j = 0; j < M; ++j) {
      std::fill(col.begin(), col.end(), 0.0);
      col[j] = 1.0;
      LUSolve(Alpha, Index, col.data());
      for (int32_t i = 0; i < M; ++i) Covar[i][j] = col[i];
    }
  }
  return Success;
}

// ---- fit

void TFitFuncParms::Publish() {
  const int32_t c = std::min(M, P->Count);
  if (c > 0) std::memcpy(P->Data, Parameters.data(), sizeof(double) * c);
}

double TFitFuncParms::Evaluate(double x, void* user) {
  auto* self = static_cast<TFitFuncParms*>(user);
  TCalcInfo& ci = *self->Info;
  if (ci.Error) return 0;
  self->X->SetNumber(x);
  self->Publish();
  return self->Func->EvaluateNumber(ci);
}

bool TFitFuncParms::EvaluatePass(const double* x, int32_t n, int32_t shifted, double* out, double* kept, void* user) {
  auto* self = static_cast<TFitFuncParms*>(user);
  if (self->Info->Error) return false;
  self->Publish();
  if (!self->Vector->Evaluate(x, n, shifted, out, kept)) return false;
  // The variable holds the last point, as after evaluating point by point.
  self->X->SetNumber(x[n - 1]);
  return true;
}

bool TFitFuncParms::StopRequested(void* user) {
  auto* self = static_cast<TFitFuncParms*>(user);
  // After an error every further model value would be 0: nothing to gain
  // from finishing the run.
  return self->Info->Error || self->Info->Stopping();
}

namespace {
// A plain variable: a name without brackets.
bool IsPlainVariable(TParserAtom* a) {
  auto* op = dynamic_cast<TOperandBase*>(a);
  return op && op->IsVariable() && !op->IsArrayRef();
}
}  // namespace

bool TFitBase::CheckArguments() {
  return IsArrayArg(0) && IsArrayArg(1) && IsArrayArg(2) && IsPlainVariable(Args[3]) && IsPlainVariable(Args[7]);
}

std::vector<TFitParameter> TFitBase::Limits(int32_t m) const {
  std::vector<TFitParameter> limits(m);
  auto read = [&](int arg, bool lower) {
    if (!IsArrayArg(arg)) return;
    TArrayEntry* e = ArrayArg(arg);
    if (!e || e->Count != m) return;
    for (int32_t j = 0; j < m; ++j) (lower ? limits[j].Lower : limits[j].Upper) = e->Data[j];
  };
  read(5, true);
  read(6, false);
  return limits;
}

void TFitBase::Prepare(TFitFuncParms& parms, TCalcInfo& ci, TArrayEntry* p, int32_t m) const {
  parms.Parameters.assign(p->Data, p->Data + m);
  parms.M = m;
  parms.X = static_cast<TOperandBase*>(Args[3]);
  parms.P = p;
  parms.Func = Args[4];
  parms.Info = &ci;
  parms.Vector = FastForms ? TVectorModel::Compile(parms.Func, static_cast<TOperand*>(Args[3])->Var, p) : nullptr;
}

void TFit::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  TArrayEntry* xa = ArrayArg(0);
  TArrayEntry* ya = ArrayArg(1);
  TArrayEntry* pa = ArrayArg(2);
  if (!xa || !ya || !pa) return;
  const int32_t n = std::min(xa->Count, ya->Count);
  const int32_t m = pa->Count;
  if (n <= 0 || m <= 0 || m > MaxParameters) return;
  std::vector<TFitParameter> limits = Limits(m);

  try {
    // The data are copied: the model may change the arrays it reads.
    std::vector<double> xs(xa->Data, xa->Data + n), ys(ya->Data, ya->Data + n);
    TFitFuncParms parms;
    Prepare(parms, ci, pa, m);
    const std::vector<double> start = parms.Parameters;
    for (int32_t j = 0; j < m; ++j) limits[j].Initial = start[j];

    Marquardt engine(xs.data(), ys.data(), n, limits, parms.Parameters.data(), TFitFuncParms::Evaluate, &parms);
    engine.Tolerance = 1e-5;
    engine.IterationLimit = 100;
    engine.StopHook = TFitFuncParms::StopRequested;
    if (parms.Vector) {
      engine.PassHook = TFitFuncParms::EvaluatePass;
      engine.PassKept = parms.Vector->KeptSize();
    }
    Marquardt::TOutcome outcome = engine.Run();
    if (ci.Error || outcome == Marquardt::Stopped) {
      // A run that did not finish leaves p[] as it found it.
      parms.Parameters = start;
      parms.Publish();
      TFunction::RaiseStopped(ci);
      return;
    }
    Chisq()->SetNumber(engine.Chisq());
    for (int32_t j = 0; j < m; ++j) pa->SetElement(j, parms.Parameters[j]);
    result.SetNumber(outcome == Marquardt::Success ? -1 : 0);
  } catch (const std::bad_alloc&) {
    result.SetNumber(0);
  }
}

// ---- lfit

bool TLFit::CheckArguments() { return IsArrayArg(1) && IsArrayArg(3); }

void TLFit::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  const int32_t k = EvaluateIntArg(ci, 2);
  if (ci.Error) return;
  TArrayEntry* ya = ArrayArg(1);
  TArrayEntry* pa = ArrayArg(3);
  if (!ya || !pa) return;
  const bool hasX = IsArrayArg(0);
  TArrayEntry* xa = hasX ? ArrayArg(0) : nullptr;
  if (hasX && !xa) return;
  const int32_t n = hasX ? std::min(xa->Count, ya->Count) : ya->Count;
  if (n < k || k < 1 || k > MaxCoefficients) return;

  std::vector<double> c(static_cast<size_t>(k) * k, 0.0), b(k, 0.0), phi(k);
  for (int32_t i = 0; i < n; ++i) {
    // Break: p[] keeps what it held (it is only written at the end).
    if (i % 1024 == 0 && StopIfRequested(ci)) return;
    const double x = hasX ? xa->Data[i] : static_cast<double>(i);
    const double y = ya->Data[i];
    phi[0] = 1.0;
    for (int32_t j = 1; j < k; ++j) phi[j] = phi[j - 1] * x;
    for (int32_t j = 0; j < k; ++j) {
      double* row = &c[static_cast<size_t>(j) * k];
      for (int32_t l = 0; l <= j; ++l) row[l] += phi[j] * phi[l];
      b[j] += y * phi[j];
    }
  }
  for (int32_t j = 1; j < k; ++j)
    for (int32_t l = 0; l < j; ++l) c[static_cast<size_t>(l) * k + j] = c[static_cast<size_t>(j) * k + l];
  if (!GaussJordan(c, b, k)) return;
  pa->SetLength(k);
  for (int32_t j = 0; j < k; ++j) pa->Data[j] = b[j];
  result.SetNumber(1);
}

}  // namespace TernioParser
