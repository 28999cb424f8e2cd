#pragma once
// Functions that work on whole arrays: length, clearing, statistics, searching
// for extremes, appending, copying, sorting and scrolling buffers.
//
// Apart from length, these functions do not evaluate their array arguments:
// they look at the argument node and work on the array variable it names.

#include "engine/Function.h"

namespace TernioParser {

// Common helpers of the array functions.
class TArrayFunction : public TFunction {
public:
  bool AlwaysNumber() const override { return true; }

protected:
  // The array that argument i names, for the functions that change or fill an
  // array: `constant` when the argument is not a variable, `notArray` when it
  // is a variable without brackets or its name is bound to a scalar.
  TArrayEntry* TargetArray(TCalcInfo& ci, int i, const char* constant, const char* notArray) const;
  // Evaluates argument i into a temporary and returns its number.
  double NumberArg(TCalcInfo& ci, int i) const { return Args[i]->EvaluateNumber(ci); }
};

// The functions that make arrays grow: memory they cannot have becomes their
// error, and the arrays keep their contents.
class TGrowingArrayFunction : public TArrayFunction {
public:
  void Evaluate(TCalcInfo& ci, TReturnValue& result) final;

protected:
  virtual void Compute(TCalcInfo& ci, TReturnValue& result) = 0;
};

// length(x): bytes of a string, or elements of an array.
class TLength final : public TArrayFunction {
public:
  int ArgumentCount() const override { return 1; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

// clear(arr[]): removes every element.
class TClear final : public TArrayFunction {
public:
  int ArgumentCount() const override { return 1; }
  bool CheckArguments() override { return Args[0]->IsVariable(); }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TMean final : public TArrayFunction {
public:
  int ArgumentCount() const override { return 1; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

// Root mean square of the elements (about zero, not about the mean).
class TStdDev final : public TArrayFunction {
public:
  int ArgumentCount() const override { return 1; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TArrMin final : public TArrayFunction {
public:
  int ArgumentCount() const override { return 1; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TArrMax final : public TArrayFunction {
public:
  int ArgumentCount() const override { return 1; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

// Position of the first smallest element.
class TSeekMin final : public TArrayFunction {
public:
  int ArgumentCount() const override { return 1; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

// Position of the first largest element.
class TSeekMax final : public TArrayFunction {
public:
  int ArgumentCount() const override { return 1; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

// append(a[];b[]) appends a whole array, append(a[];x) one number.
class TAppend final : public TGrowingArrayFunction {
public:
  int ArgumentCount() const override { return 2; }
  bool CheckArguments() override { return Args[0]->IsVariable(); }
  void Compute(TCalcInfo& ci, TReturnValue& result) override;
};

// arraycopy(target[];src[];start;count): target becomes a slice of src.
class TArrayCopy final : public TGrowingArrayFunction {
public:
  int ArgumentCount() const override { return 4; }
  bool CheckArguments() override { return IsArrayArg(0) && IsArrayArg(1); }
  void Compute(TCalcInfo& ci, TReturnValue& result) override;
};

// sort(a[];b[]): b receives the positions of a's elements in ascending order
// of their values; a is left as it is.
class TSort final : public TGrowingArrayFunction {
public:
  int ArgumentCount() const override { return 2; }
  bool CheckArguments() override { return Args[0]->IsVariable() && Args[1]->IsVariable(); }
  void Compute(TCalcInfo& ci, TReturnValue& result) override;
};

// scroll(arr[];value;length): a buffer that keeps the newest `length` values,
// newest last.
class TScroll final : public TGrowingArrayFunction {
public:
  int ArgumentCount() const override { return 3; }
  void Compute(TCalcInfo& ci, TReturnValue& result) override;
};

// The rows of this library.
TLibrary ArrayLibrary();

}  // namespace TernioParser
