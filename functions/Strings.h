#pragma once
// String functions of the core language: number formatting, cutting,
// joining, searching, comparing and matching byte strings.

#include <string>
#include <string_view>

#include "functions/Numeric.h"

namespace TernioParser {

// Base of the functions whose value is a string built from the evaluated
// arguments. After an argument error the value is the number 0.
class TStringFunction : public TFunction {
public:
  void Evaluate(TCalcInfo& ci, TReturnValue& result) final;

protected:
  virtual void Compute(TCalcInfo& ci, TReturnValue& result) = 0;
};

// ---- number formatting (printf-style, independent of the process locale)

// Formats x with the C conversion conv ('g' or 'f'), the field width and the
// precision (negative: 6) as "%*.*" conv does, cut to 255 bytes, into buf.
// With leadingZeros every leading blank becomes the digit 0.
using TFormatBuffer = char[256];
std::string_view FormatNumber(TFormatBuffer& buf, char conv, double x, int32_t width, int32_t precision,
                              bool leadingZeros);

class TStr final : public TStringFunction {
public:
  int ArgumentCount() const override { return 3; }

protected:
  void Compute(TCalcInfo& ci, TReturnValue& result) override;
};

class TStrZero final : public TStringFunction {
public:
  int ArgumentCount() const override { return 3; }

protected:
  void Compute(TCalcInfo& ci, TReturnValue& result) override;
};

class TStrBlank final : public TStringFunction {
public:
  int ArgumentCount() const override { return 3; }

protected:
  void Compute(TCalcInfo& ci, TReturnValue& result) override;
};

// ---- cutting, joining, searching

class TSubStr final : public TStringFunction {
public:
  int ArgumentCount() const override { return 3; }

protected:
  void Compute(TCalcInfo& ci, TReturnValue& result) override;
};

class TConcat final : public TStringFunction {
public:
  int ArgumentCount() const override { return 2; }

protected:
  void Compute(TCalcInfo& ci, TReturnValue& result) override;
};

class TFindStr final : public TNumericFunction {
public:
  int ArgumentCount() const override { return 2; }
  double Calculate(TCalcInfo& ci) override;
};

// ---- single bytes

class TAsc final : public TNumericFunction {
public:
  int ArgumentCount() const override { return 1; }
  double Calculate(TCalcInfo& ci) override;
};

class TChr final : public TStringFunction {
public:
  int ArgumentCount() const override { return 1; }

protected:
  void Compute(TCalcInfo& ci, TReturnValue& result) override;
};

// ---- comparing

class TStrCmp final : public TNumericFunction {
public:
  int ArgumentCount() const override { return 2; }
  double Calculate(TCalcInfo& ci) override;
};

class TStrICmp final : public TNumericFunction {
public:
  int ArgumentCount() const override { return 2; }
  double Calculate(TCalcInfo& ci) override;
};

// Byte-wise comparisons of two texts (unsigned bytes): the difference of the
// first differing pair, else -1/1 when one text is a prefix of the other.
// The case-blind one upper-cases ASCII letters and, like C's stricmp, counts
// the end of the shorter text as a zero byte.
int CompareBytes(std::string_view a, std::string_view b) noexcept;
int CompareBytesNoCase(std::string_view a, std::string_view b) noexcept;

// Exclusive or of all bytes, as a signed 8-bit number.
class TXorStr final : public TNumericFunction {
public:
  int ArgumentCount() const override { return 1; }
  double Calculate(TCalcInfo& ci) override;
};

// ---- regular expressions

// The part of s matched by the pattern; empty when nothing (or nothing but an
// empty text) matches, or when the pattern is invalid.
class TMatch final : public TStringFunction {
public:
  int ArgumentCount() const override { return 2; }

protected:
  void Compute(TCalcInfo& ci, TReturnValue& result) override;
};

// The rows of this library.
TLibrary StringLibrary();

}  // namespace TernioParser
