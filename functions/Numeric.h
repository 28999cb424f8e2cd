#pragma once
// Numeric, logical and conversion functions of the core language: bit
// operations, number/text conversions, the elementary functions, random
// numbers, sleeping and the millisecond clock.

#include <cstdint>

#include "engine/Function.h"

namespace TernioParser {

// Base of the functions whose value is always a number computed by Calculate
// from the evaluated arguments.
class TNumericFunction : public TFunction {
public:
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
  double EvaluateNumber(TCalcInfo& ci) override;
  bool AlwaysNumber() const override { return true; }

protected:
  // Drops the texts the argument slots hold, so that they keep no second
  // reference to a variable's text (which would make appending to it copy).
  void ReleaseTexts() noexcept {
    for (TReturnValue& r : Results)
      if (r.IsString) r.Text.Clear();
  }
};

// ---- bit functions on 32-bit integer values

class TLogShl final : public TNumericFunction {
public:
  int ArgumentCount() const override { return 2; }
  double Calculate(TCalcInfo& ci) override;
};

class TLogShr final : public TNumericFunction {
public:
  int ArgumentCount() const override { return 2; }
  double Calculate(TCalcInfo& ci) override;
};

class TLogAnd final : public TNumericFunction {
public:
  int ArgumentCount() const override { return 2; }
  double Calculate(TCalcInfo& ci) override;
};

class TLogOr final : public TNumericFunction {
public:
  int ArgumentCount() const override { return 2; }
  double Calculate(TCalcInfo& ci) override;
};

class TLogXor final : public TNumericFunction {
public:
  int ArgumentCount() const override { return 2; }
  double Calculate(TCalcInfo& ci) override;
};

// ---- conversions

class TNumber final : public TNumericFunction {
public:
  int ArgumentCount() const override { return 1; }
  double Calculate(TCalcInfo& ci) override;
};

// The text form of the argument, as a string.
class TString final : public TFunction {
public:
  int ArgumentCount() const override { return 1; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

// Upper-case hexadecimal digits of the 32-bit integer value.
class TDezHex final : public TFunction {
public:
  int ArgumentCount() const override { return 1; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

// The signed 32-bit value of a hexadecimal text.
class THexDez final : public TFunction {
public:
  int ArgumentCount() const override { return 1; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

// Reads a hexadecimal number the way scanf's %X does: leading white space,
// an optional sign and an optional 0x prefix, then hexadecimal digits up to
// the first other byte. Only the low 32 bits are kept; no digits give 0.
int32_t ScanHex(std::string_view text) noexcept;

// ---- elementary functions

class TPi final : public TNumericFunction {
public:
  int ArgumentCount() const override { return 0; }
  double Calculate(TCalcInfo&) override { return 3.141592653589793; }
};

// A function of one number that depends on nothing else: Map is applied to
// the numeric value (fit applies it to many points at once).
class TPureUnary : public TNumericFunction {
public:
  explicit TPureUnary(double (*map)(double)) : Map(map) {}
  double (*const Map)(double);
  TMap PureMap() const override { return Map; }
};

// A function of one number; F is applied to the numeric value.
template <double (*F)(double)>
class TUnaryMath : public TPureUnary {
public:
  TUnaryMath() : TPureUnary(F) {}
  int ArgumentCount() const override { return 1; }
  double Calculate(TCalcInfo&) override { return F(Results[0].AsNumber()); }
  double EvaluateNumber(TCalcInfo& ci) override {
    Args[0]->Evaluate(ci, Results[0]);
    const double x = F(Results[0].AsNumber());
    if (Results[0].IsString) Results[0].Text.Clear();
    return x;
  }
};

namespace Math {
double Sin(double x);
double Cos(double x);
double Tan(double x);
double Sinh(double x);
double Cosh(double x);
double Tanh(double x);
double Asin(double x);
double Acos(double x);
double Atan(double x);
double Exp(double x);
double Log(double x);
double Abs(double x);
double Sig(double x);
double Floor(double x);
double Ceil(double x);
double Not(double x);
}  // namespace Math

class TSin final : public TUnaryMath<Math::Sin> {};
class TCos final : public TUnaryMath<Math::Cos> {};
class TTan final : public TUnaryMath<Math::Tan> {};
class TSinh final : public TUnaryMath<Math::Sinh> {};
class TCosh final : public TUnaryMath<Math::Cosh> {};
class TTanh final : public TUnaryMath<Math::Tanh> {};
class TAsin final : public TUnaryMath<Math::Asin> {};
class TAcos final : public TUnaryMath<Math::Acos> {};
class TAtan final : public TUnaryMath<Math::Atan> {};
class TExpFunc final : public TUnaryMath<Math::Exp> {};
class TLogFunc final : public TUnaryMath<Math::Log> {};
class TAbsFunc final : public TUnaryMath<Math::Abs> {};
class TSigFunc final : public TUnaryMath<Math::Sig> {};
class TFloor final : public TUnaryMath<Math::Floor> {};
class TCeil final : public TUnaryMath<Math::Ceil> {};
class TNot final : public TUnaryMath<Math::Not> {};

class TModFunc final : public TNumericFunction {
public:
  int ArgumentCount() const override { return 2; }
  double Calculate(TCalcInfo& ci) override;
};

// Square root; a negative (or not-a-number) argument is an error.
class TSqrt final : public TNumericFunction {
public:
  int ArgumentCount() const override { return 1; }
  double Calculate(TCalcInfo& ci) override;
};

// ---- run-time functions

// Pseudo-random numbers 0..1 from a linear congruential generator; one
// sequence per thread, starting at state 1.
class TRandom final : public TNumericFunction {
public:
  int ArgumentCount() const override { return 0; }
  double Calculate(TCalcInfo& ci) override;
};

// Waits the given number of milliseconds (an unsigned 32-bit count); a
// Break ends the wait early.
class TSleep final : public TNumericFunction {
public:
  int ArgumentCount() const override { return 1; }
  double Calculate(TCalcInfo& ci) override;
};

// Milliseconds since program start, wrapping after 2^32.
class TCurTime final : public TNumericFunction {
public:
  int ArgumentCount() const override { return 0; }
  double Calculate(TCalcInfo& ci) override;
};

// The millisecond counter gettime reports differences of: a monotonic clock,
// cut to 32 bits.
uint32_t TickCount() noexcept;

// The rows of this library.
TLibrary NumericLibrary();

}  // namespace TernioParser
