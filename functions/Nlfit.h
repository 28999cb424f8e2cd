#pragma once
// nlfit: the non-linear least-squares fit of a user expression with a
// trust-region Levenberg-Marquardt solver (GSL's multifit_nlinear), exact
// derivatives from the model's expression tree, bounds by a change of
// variables, convergence reported only when a convergence test is met, and
// the standard errors of the parameters.

#include <cstdint>
#include <vector>

#include "engine/Function.h"
#include "functions/Fitting.h"

namespace TernioParser {

// The limits of one parameter as the solver sees them: a parameter with
// limits is fitted through an unbounded variable q that maps into them
// (both limits: lo + (hi-lo)(sin q + 1)/2; one limit: lo + s(sqrt(q^2+1)-1)
// or hi - s(sqrt(q^2+1)-1), with s the parameter's scale); a parameter
// without limits is q itself, so an unbounded fit is untouched by this.
struct TNlfitBound {
  double Lower = -1e255, Upper = 1e255;
  double Scale = 1;
  bool HasLower() const { return Lower > -1e255; }
  bool HasUpper() const { return Upper < 1e255; }
  // Limits that leave no room (lower >= upper) fix the parameter at the lower one.
  bool Fixed() const { return HasLower() && HasUpper() && !(Upper > Lower); }
  // The start value moved strictly inside the limits (a variable on a limit
  // has no slope and could never leave it), and its q.
  double Start(double p);
  double ToInternal(double p) const;
  double ToParameter(double q) const;
  // dp/dq at q.
  double Slope(double q) const;
};

// nlfit(xdata[];ydata[];p[];x;func;minvals[];maxvals[];chisq;perr[])
class TNlfit final : public TFitBase {
public:
  int ArgumentCount() const override { return 9; }
  bool CheckArguments() override;
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
  bool AlwaysNumber() const override { return true; }
};

}  // namespace TernioParser
