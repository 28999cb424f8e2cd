#include "functions/Nlfit.h"

#include <gsl/gsl_blas.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_multifit_nlinear.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <new>

namespace TernioParser {

// ---- bounds

namespace {
// How far inside its limits a start value is moved when it lies on one
// (relative to the range, or to the scale of a one-sided limit).
constexpr double Inside = 1e-4;
}  // namespace

double TNlfitBound::Start(double p) {
  if (HasLower() && HasUpper()) {
    if (Fixed()) return ToInternal(Lower);
    const double margin = Inside * (Upper - Lower);
    p = std::clamp(p, Lower + margin, Upper - margin);
  } else if (HasLower() || HasUpper()) {
    const double limit = HasLower() ? Lower : Upper;
    Scale = std::max(std::fabs(p), std::fabs(limit));
    if (!(Scale > 0) || !std::isfinite(Scale)) Scale = 1;
    if (HasLower()) p = std::max(p, Lower + Inside * Scale);
    else p = std::min(p, Upper - Inside * Scale);
  }
  return ToInternal(p);
}

double TNlfitBound::ToInternal(double p) const {
  if (HasLower() && HasUpper()) {
    if (Fixed()) return 0;
    return std::asin(std::clamp(2 * (p - Lower) / (Upper - Lower) - 1, -1.0, 1.0));
  }
  if (HasLower() || HasUpper()) {
    const double d = (HasLower() ? p - Lower : Upper - p) / Scale + 1;
    return std::sqrt(std::max(d * d - 1, 0.0));
  }
  return p;
}

double TNlfitBound::ToParameter(double q) const {
  if (HasLower() && HasUpper()) {
    if (Fixed()) return Lower;
    return std::clamp(Lower + (Upper - Lower) * (std::sin(q) + 1) / 2, Lower, Upper);
  }
  if (HasLower()) return Lower + Scale * (std::sqrt(q * q + 1) - 1);
  if (HasUpper()) return Upper - Scale * (std::sqrt(q * q + 1) - 1);
  return q;
}

double TNlfitBound::Slope(double q) const {
  if (HasLower() && HasUpper()) return Fixed() ? 0 : (Upper - Lower) * std::cos(q) / 2;
  if (HasLower()) return Scale * q / std::sqrt(q * q + 1);
  if (HasUpper()) return -Scale * q / std::sqrt(q * q + 1);
  return 1;
}

// ---- the model over all points

namespace {

// The residuals and the Jacobian of the model over the data, by parameter
// vector p (the one of TFitFuncParms): exact from the block program where it
// has derivatives, else by central differences of the model values.
class TNlfitModel {
public:
  TNlfitModel(TFitFuncParms& parms, const double* x, const double* y, int32_t n)
      : Parms(parms), X(x), Y(y), N(n), M(parms.M), Exact(parms.Vector && parms.Vector->Differentiable()),
        Block(TVectorModel::BlockSize) {
    // The solver asks for the Jacobian where it has just asked for the
    // values: a pass over the data records every step's values for the
    // backward pass, up to TapeLimit doubles (beyond, the Jacobian
    // evaluates the model again).
    const size_t blocks = (static_cast<size_t>(N) + TVectorModel::BlockSize - 1) / TVectorModel::BlockSize;
    if (Exact && blocks * Parms.Vector->TapeSize() <= TapeLimit) Tape.resize(blocks * Parms.Vector->TapeSize());
  }

  // The model values at the current parameters into out[0..n); false when
  // the run is to end (Break, or an error of the model).
  bool Values(double* out) {
    const bool record = Exact && !Tape.empty();
    bool recorded = record;
    for (int32_t first = 0; first < N; first += TVectorModel::BlockSize) {
      if (Ending()) return false;
      const int32_t count = std::min(TVectorModel::BlockSize, N - first);
      if (record) {
        Parms.Publish();
        double* tape = Tape.data() + static_cast<size_t>(first / TVectorModel::BlockSize) * Parms.Vector->TapeSize();
        if (Parms.Vector->Record(X + first, count, out + first, tape)) {
          // The variable holds the last point, as after evaluating point by point.
          Parms.X->SetNumber(X[first + count - 1]);
          continue;
        }
        recorded = false;
      } else if (Parms.Vector && TFitFuncParms::EvaluatePass(X + first, count, -1, out + first, nullptr, &Parms)) {
        continue;
      }
      for (int32_t t = 0; t < count; ++t) out[first + t] = TFitFuncParms::Evaluate(X[first + t], &Parms);
    }
    if (recorded) Recorded = Parms.Parameters;
    else Recorded.clear();
    return !Ending();
  }

  // The Jacobian d model(x_i) / d p_j into jac (n rows of m); a slope that
  // does not exist (not a finite number) counts as 0.
  bool Jacobian(double* jac) {
    const bool taped = Exact && !Recorded.empty() && Recorded == Parms.Parameters;
    if (!(taped ? TapedJacobian(jac) : Exact ? ExactJacobian(jac) : DifferenceJacobian(jac))) return false;
    std::replace_if(
        jac, jac + static_cast<size_t>(N) * M, [](double v) { return !std::isfinite(v); }, 0.0);
    return true;
  }

  bool Ending() const { return Parms.Info->Error || Parms.Info->Stopping(); }
  int32_t Points() const { return N; }
  const double* Data() const { return Y; }

private:
  TFitFuncParms& Parms;
  const double* X;
  const double* Y;
  int32_t N, M;
  bool Exact;
  std::vector<double> Block, Plus, Minus;
  static constexpr size_t TapeLimit = size_t(1) << 22;
  // The tapes of the last pass of Values over all blocks, and the
  // parameters it was at (empty: none to use).
  std::vector<double> Tape, Recorded;

  bool TapedJacobian(double* jac) {
    Parms.Publish();
    for (int32_t first = 0; first < N; first += TVectorModel::BlockSize) {
      if (Ending()) return false;
      const int32_t count = std::min(TVectorModel::BlockSize, N - first);
      const double* tape =
          Tape.data() + static_cast<size_t>(first / TVectorModel::BlockSize) * Parms.Vector->TapeSize();
      Parms.Vector->Derivatives(tape, count, M, jac + static_cast<size_t>(first) * M);
    }
    return true;
  }

  bool ExactJacobian(double* jac) {
    for (int32_t first = 0; first < N; first += TVectorModel::BlockSize) {
      if (Ending()) return false;
      const int32_t count = std::min(TVectorModel::BlockSize, N - first);
      Parms.Publish();
      if (!Parms.Vector->Gradient(X + first, count, M, Block.data(), jac + static_cast<size_t>(first) * M)) {
        // A variable without a number or an element outside its array: the
        // point-by-point evaluation raises the error the tree raises. A
        // variable holding a text is a number to the tree only: from here on
        // the model is differentiated by differences.
        for (int32_t t = 0; t < count; ++t) TFitFuncParms::Evaluate(X[first + t], &Parms);
        if (Ending()) return false;
        Exact = false;
        return DifferenceJacobian(jac);
      }
      Parms.X->SetNumber(X[first + count - 1]);
    }
    return true;
  }

  // Central differences with a step of the cube root of the rounding unit
  // relative to each parameter (absolute for a parameter of 0).
  bool DifferenceJacobian(double* jac) {
    Plus.resize(N);
    Minus.resize(N);
    static const double Step = std::cbrt(std::numeric_limits<double>::epsilon());
    for (int32_t j = 0; j < M; ++j) {
      double& a = Parms.Parameters[j];
      const double saved = a;
      const double h = Step * (saved != 0 ? std::fabs(saved) : 1.0);
      a = saved + h;
      const double up = a;
      bool ok = Values(Plus.data());
      a = saved - h;
      const double down = a;
      ok = ok && Values(Minus.data());
      a = saved;
      if (!ok) return false;
      const double width = up - down;  // the step as the doubles took it
      for (int32_t i = 0; i < N; ++i) jac[static_cast<size_t>(i) * M + j] = (Plus[i] - Minus[i]) / width;
    }
    return true;
  }
};

// The solver's view: the residuals model - y and the Jacobian by the
// internal variables q (the parameters through their limits).
struct TNlfitProblem {
  TNlfitModel* Model;
  TFitFuncParms* Parms;
  std::vector<TNlfitBound> Bounds;

  void SetParameters(const double* q) {
    for (size_t j = 0; j < Bounds.size(); ++j) Parms->Parameters[j] = Bounds[j].ToParameter(q[j]);
  }

  // Whether the last residuals held a value that is not a finite number.
  bool NotFinite = false;

  static int Residuals(const gsl_vector* q, void* user, gsl_vector* f) {
    auto* self = static_cast<TNlfitProblem*>(user);
    self->SetParameters(q->data);
    if (!self->Model->Values(f->data)) return GSL_EBADFUNC;
    const double* y = self->Model->Data();
    self->NotFinite = false;
    for (int32_t i = 0; i < self->Model->Points(); ++i) {
      double& r = f->data[i];
      r -= y[i];
      // The solver would take a point where the model is not a number for
      // an improvement: the largest residual makes it refuse the step.
      if (!std::isfinite(r)) {
        r = std::numeric_limits<double>::max();
        self->NotFinite = true;
      }
    }
    return GSL_SUCCESS;
  }

  static int Jacobian(const gsl_vector* q, void* user, gsl_matrix* jq) {
    auto* self = static_cast<TNlfitProblem*>(user);
    self->SetParameters(q->data);
    const size_t m = self->Bounds.size();
    if (!self->Model->Jacobian(jq->data)) return GSL_EBADFUNC;
    // The chain rule through the limits: column j times dp_j/dq_j.
    for (size_t j = 0; j < m; ++j) {
      const double slope = self->Bounds[j].Slope(q->data[j]);
      if (slope == 1) continue;
      for (size_t i = 0; i < jq->size1; ++i) jq->data[i * jq->tda + j] *= slope;
    }
    return GSL_SUCCESS;
  }
};

struct TWorkspaceFree {
  void operator()(gsl_multifit_nlinear_workspace* w) const { gsl_multifit_nlinear_free(w); }
};
struct TMatrixFree {
  void operator()(gsl_matrix* m) const { gsl_matrix_free(m); }
};

// MINPACK's scaling (gsl_multifit_nlinear_scale_more): D_j is the largest
// length the column j of J has had so far (1 for a zero column), here from
// one pass over the rows of J instead of a strided pass per column.
int UpdateMoreScale(const gsl_matrix* jac, gsl_vector* diag) {
  const size_t n = jac->size1, m = jac->size2;
  std::vector<double> sum(m, 0.0);
  for (size_t i = 0; i < n; ++i) {
    const double* row = jac->data + i * jac->tda;
    for (size_t j = 0; j < m; ++j) sum[j] += row[j] * row[j];
  }
  for (size_t j = 0; j < m; ++j) {
    double norm = std::sqrt(sum[j]);
    if (!std::isfinite(norm)) {
      gsl_vector_const_view column = gsl_matrix_const_column(jac, j);
      norm = gsl_blas_dnrm2(&column.vector);  // scaled against overflow
    }
    if (norm == 0.0) norm = 1.0;
    double* d = gsl_vector_ptr(diag, j);
    *d = std::max(*d, norm);
  }
  return GSL_SUCCESS;
}
int InitMoreScale(const gsl_matrix* jac, gsl_vector* diag) {
  gsl_vector_set_zero(diag);
  return UpdateMoreScale(jac, diag);
}
const gsl_multifit_nlinear_scale MoreScale = {"more", InitMoreScale, UpdateMoreScale};

// The solver's settings: MINPACK's scaling, the steps from a QR
// decomposition of J up to QRPoints points and beyond them from the normal
// equations (one pass over J per Jacobian: on 10 000 points more than twice
// as fast, at a digit or two less on the hardest NIST sets), and tight
// tolerances (the exact Jacobian allows them).
constexpr int32_t QRPoints = 1000;
constexpr double Tolerance = 1e-12;
// The orthogonality test's bound on the cosines: below it the Gauss-Newton
// step left is about that fraction of a standard error times sqrt(n).
constexpr double OrthogonalityTolerance = 1e-10;
// Columns of the scaled Jacobian that QR finds below this (relative to the
// largest) are taken as dependent.
constexpr double RankTolerance = 1e-12;
int32_t IterationLimit(int32_t m) { return 100 * (m + 1); }

// The standard errors of the parameters that their limits do not fix, from
// jac (n x m, by the parameters themselves, overwritten): the square roots
// of the diagonal of (J^T J)^-1 times variance; 0 for a fixed parameter. The
// columns are scaled to length 1 first, so that the rank test measures
// dependence, not units. False when a column is zero or depends on others.
bool StandardErrors(gsl_matrix* jac, const std::vector<bool>& fixed, double variance, std::vector<double>& errors) {
  const size_t n = jac->size1, m = jac->size2, stride = jac->tda;
  std::vector<size_t> free;
  for (size_t j = 0; j < m; ++j)
    if (!fixed[j]) free.push_back(j);
  std::fill(errors.begin(), errors.end(), 0.0);
  if (free.empty()) return true;
  const size_t k = free.size();
  std::vector<double> norm(k, 0.0);
  for (size_t i = 0; i < n; ++i) {
    const double* row = jac->data + i * stride;
    for (size_t c = 0; c < k; ++c) norm[c] += row[free[c]] * row[free[c]];
  }
  for (size_t c = 0; c < k; ++c) {
    norm[c] = std::sqrt(norm[c]);
    if (!(norm[c] > 0) || !std::isfinite(norm[c])) return false;
  }
  // The free columns, scaled, to the left of each row.
  for (size_t i = 0; i < n; ++i) {
    double* row = jac->data + i * stride;
    for (size_t c = 0; c < k; ++c) row[c] = row[free[c]] / norm[c];
  }
  gsl_matrix_view scaled = gsl_matrix_submatrix(jac, 0, 0, n, k);
  std::unique_ptr<gsl_matrix, TMatrixFree> covar(gsl_matrix_alloc(k, k));
  if (!covar) throw std::bad_alloc();
  gsl_multifit_nlinear_covar(&scaled.matrix, RankTolerance, covar.get());
  for (size_t c = 0; c < k; ++c) {
    const double v = gsl_matrix_get(covar.get(), c, c);
    if (!(v > 0) || !std::isfinite(v)) {
      std::fill(errors.begin(), errors.end(), 0.0);
      return false;
    }
    errors[free[c]] = std::sqrt(v * variance) / norm[c];
  }
  return true;
}

// MINPACK's orthogonality test, which GSL's tests lack: the cosine of the
// angle between the residuals f and every column of J at most tolerance.
// At the noise floor of a large data set it ends the run where only steps
// below the rounding of chi-square are left to try.
bool Orthogonal(const gsl_matrix* jac, const gsl_vector* f, double tolerance) {
  const size_t n = jac->size1, m = jac->size2;
  std::vector<double> dot(m, 0.0), norm(m, 0.0);
  double fnorm = 0;
  for (size_t i = 0; i < n; ++i) {
    const double* row = jac->data + i * jac->tda;
    const double r = f->data[i * f->stride];
    fnorm += r * r;
    for (size_t j = 0; j < m; ++j) {
      dot[j] += row[j] * r;
      norm[j] += row[j] * row[j];
    }
  }
  if (!std::isfinite(fnorm)) return false;
  for (size_t j = 0; j < m; ++j)
    if (norm[j] > 0 && !(std::fabs(dot[j]) <= tolerance * std::sqrt(norm[j] * fnorm))) return false;
  return true;
}

bool AllFinite(const double* v, int32_t n) {
  return std::all_of(v, v + n, [](double d) { return std::isfinite(d); });
}

}  // namespace

// ---- nlfit

bool TNlfit::CheckArguments() { return TFitBase::CheckArguments() && IsArrayArg(8); }

void TNlfit::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  TArrayEntry* xa = ArrayArg(0);
  TArrayEntry* ya = ArrayArg(1);
  TArrayEntry* pa = ArrayArg(2);
  TArrayEntry* perr = ArrayArg(8);
  if (!xa || !ya || !pa || !perr) return;
  const int32_t n = std::min(xa->Count, ya->Count);
  const int32_t m = pa->Count;
  if (n <= 0 || m <= 0 || m > n || m > MaxParameters) return;
  // Data or start values that are not finite numbers give no fit.
  if (!AllFinite(xa->Data, n) || !AllFinite(ya->Data, n) || !AllFinite(pa->Data, m)) return;
  // GSL reports its failures through status codes here, never by aborting.
  static const gsl_error_handler_t* const previous = gsl_set_error_handler_off();
  (void)previous;

  try {
    std::vector<double> xs(xa->Data, xa->Data + n), ys(ya->Data, ya->Data + n);
    TFitFuncParms parms;
    Prepare(parms, ci, pa, m);
    const std::vector<double> start = parms.Parameters;
    // Whatever ends the run early leaves p[] as it was.
    auto restore = [&] {
      parms.Parameters = start;
      parms.Publish();
    };

    TNlfitModel model(parms, xs.data(), ys.data(), n);
    TNlfitProblem problem{&model, &parms, {}};
    const std::vector<TFitParameter> limits = Limits(m);
    std::vector<double> q0(m);
    problem.Bounds.resize(m);
    for (int32_t j = 0; j < m; ++j) {
      problem.Bounds[j].Lower = limits[j].Lower;
      problem.Bounds[j].Upper = limits[j].Upper;
      q0[j] = problem.Bounds[j].Start(start[j]);
    }

    gsl_multifit_nlinear_fdf fdf{};
    fdf.f = TNlfitProblem::Residuals;
    fdf.df = TNlfitProblem::Jacobian;
    fdf.n = static_cast<size_t>(n);
    fdf.p = static_cast<size_t>(m);
    fdf.params = &problem;
    gsl_multifit_nlinear_parameters settings = gsl_multifit_nlinear_default_parameters();
    settings.trs = gsl_multifit_nlinear_trs_lm;
    settings.scale = &MoreScale;
    settings.solver = n <= QRPoints ? gsl_multifit_nlinear_solver_qr : gsl_multifit_nlinear_solver_cholesky;
    std::unique_ptr<gsl_multifit_nlinear_workspace, TWorkspaceFree> w(
        gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, &settings, fdf.n, fdf.p));
    if (!w) throw std::bad_alloc();

    // The start must give a finite chi-square, else nothing can be compared.
    gsl_vector_view q = gsl_vector_view_array(q0.data(), m);
    int status = gsl_multifit_nlinear_init(&q.vector, &fdf, w.get());
    const bool started = status == GSL_SUCCESS && !problem.NotFinite;
    bool converged = false;
    // The loop of gsl_multifit_nlinear_driver, with Break in between.
    for (int32_t iteration = 0; started && iteration < IterationLimit(m); ++iteration) {
      status = gsl_multifit_nlinear_iterate(w.get());
      if (model.Ending()) break;
      // No better point in reach of the start, or a failure of the solver.
      if ((status == GSL_ENOPROG && iteration == 0) || (status != GSL_SUCCESS && status != GSL_ENOPROG)) break;
      int info = 0;
      if (gsl_multifit_nlinear_test(Tolerance, Tolerance, Tolerance, &info, w.get()) == GSL_SUCCESS ||
          Orthogonal(
              gsl_multifit_nlinear_jac(w.get()), gsl_multifit_nlinear_residual(w.get()), OrthogonalityTolerance)) {
        converged = true;
        break;
      }
    }
    if (model.Ending()) {
      restore();
      TFunction::RaiseStopped(ci);
      return;
    }
    if (!started) {
      restore();
      return;
    }

    // The best point: the solver only ever moves to a smaller chi-square.
    problem.SetParameters(gsl_multifit_nlinear_position(w.get())->data);
    const gsl_vector* f = gsl_multifit_nlinear_residual(w.get());
    double chisq = 0;
    for (int32_t i = 0; i < n; ++i) chisq += f->data[i] * f->data[i];

    // The standard errors at the best point; a parameter the data do not
    // determine makes the fit fail.
    std::vector<double> errors(m, 0.0);
    // The solver's Jacobian is at the best point, by q: by the parameters
    // themselves when no limits change variables, else computed anew.
    gsl_matrix* jac = gsl_multifit_nlinear_jac(w.get());
    const bool identity = std::all_of(problem.Bounds.begin(), problem.Bounds.end(), [](const TNlfitBound& b) {
      return !b.HasLower() && !b.HasUpper();
    });
    if (!identity && !model.Jacobian(jac->data)) {
      restore();
      TFunction::RaiseStopped(ci);
      return;
    }
    std::vector<bool> fixed(m);
    for (int32_t j = 0; j < m; ++j) fixed[j] = problem.Bounds[j].Fixed();
    const bool determined = StandardErrors(jac, fixed, n > m ? chisq / (n - m) : 0, errors);

    Chisq()->SetNumber(chisq);
    for (int32_t j = 0; j < m; ++j) pa->SetElement(j, parms.Parameters[j]);
    perr->SetLength(m);
    std::copy(errors.begin(), errors.end(), perr->Data);
    result.SetNumber(converged && determined ? -1 : 0);
  } catch (const std::bad_alloc&) {
    result.SetNumber(0);
  }
}

}  // namespace TernioParser
