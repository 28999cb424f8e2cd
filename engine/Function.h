#pragma once
// Built-in function nodes: argument slots, default evaluation, help texts and
// the name tables through which each engine layer registers its functions.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Atoms.h"

namespace TernioParser {

// Help texts of a built-in function; any text may be null.
struct THelpEntry {
  const char* ParameterList;  // argument names separated by ; (a trailing [] marks an array)
  const char* Description;
  const char* Example;
  const char* ExampleNote;
  const char* SeeAlso;  // related functions as signatures, separated by commas
};

// The argument values of function nodes put aside while a recursive call
// runs the body holding them.
struct TAside {
  std::vector<TReturnValue> Values;
  std::vector<TArrayEntry::TStorage> Arrays;
};

class TFunction : public TParserAtom {
public:
  // Argument nodes (owned by the tree's node store) and one value slot per
  // argument, kept between evaluations.
  int Count = 0;
  std::vector<TParserAtom*> Args;
  std::vector<TReturnValue> Results;
  // Set by the parser before the check of the arguments: false when the node
  // takes its general form only (no fast path prepared at parse time).
  bool FastForms = true;

  // Creates the argument slots (the parser calls this before filling Args).
  void CreateSlots();

  void Bind(TVarHandler& vars) override;
  // Default evaluation: every argument into its slot (until an error is
  // raised), then result = Calculate(); memory Calculate cannot have becomes
  // the function's error.
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
  // The function's numeric result from its value slots; errors go to ci.
  virtual double Calculate(TCalcInfo& ci);

  std::string Signature() const;
  const char* ParameterList() const;
  const char* Description() const;
  const char* Example() const;
  const char* ExampleNote() const;
  const char* SeeAlso() const;
  // A node in the body of a user-defined function that keeps argument values
  // in its slots while it evaluates an argument holding a call may be
  // evaluated anew by a recursive call before it has used them: the call puts
  // the values aside first and gives them back after. Control flow evaluates
  // into its caller's value and keeps none. PutAside changes nothing when it
  // throws.
  virtual bool KeepsArgumentValues() const { return true; }
  virtual void PutAside(TAside& aside);
  virtual void TakeBack(TAside& aside) noexcept;

  // The function of one number the node computes when its value depends on
  // nothing else (sin, exp, ...); null for every other function.
  using TMap = double (*)(double);
  virtual TMap PureMap() const { return nullptr; }

  // Parse-time check of the argument nodes.
  virtual bool CheckArguments() { return true; }
  virtual int ArgumentCount() const = 0;
  // The help entry of the function; null: the defaults apply.
  virtual const THelpEntry* Help() const { return HelpEntry; }
  // Set from the row the function is registered with.
  const THelpEntry* HelpEntry = nullptr;
  const char* Name = "function";

protected:
  // Evaluates every argument into its slot; false when that raised an error.
  bool EvaluateArguments(TCalcInfo& ci);
  // The array an argument names (null when it names none, or a scalar).
  TArrayEntry* ArrayArg(int i) const { return Args[i]->ArrayEntry(); }
  // True when argument i is an array reference a[] or a[i].
  bool IsArrayArg(int i) const;

  // ---- Argument helpers: every library checks its arguments and the stop
  // request through these, so that the checks and their messages agree.
public:
  // What RequireArray raises when argument i is an array reference whose
  // name holds a scalar (x[] after x=1).
  enum class TScalarName {
    Same,   // the message given for any argument that names no array
    Named,  // that message with the reference put in: "... x[] is not an array"
    Bare,   // the error state without a message
  };
  // The array argument i names; null after raising `message` when the
  // argument is no array reference, and what `scalar` says when its name
  // holds a scalar. A Named message ends in " is not an array".
  TArrayEntry* RequireArray(TCalcInfo& ci, int i, std::string_view message,
                            TScalarName scalar = TScalarName::Same) const;
  // The number in value slot i cut to a 32-bit integer.
  int32_t IntArg(int i) const { return IntegerValue(Results[i].AsNumber()); }
  // Argument i evaluated now and cut to a 32-bit integer, for functions that
  // evaluate their arguments themselves.
  int32_t EvaluateIntArg(TCalcInfo& ci, int i) const;
  // True, with RaiseStopped, when the run is to stop.
  static bool StopIfRequested(TCalcInfo& ci);
  // Ends the run with "Stopped", unless an error stands already.
  static void RaiseStopped(TCalcInfo& ci);
  // The first n elements of an array (all when n is larger) as bytes: each
  // element cut to an integer and its lowest 8 bits, so 300 is 44.
  static std::string ArrayBytes(const TArrayEntry& a, int32_t n = INT32_MAX);
  // The array becomes the bytes, one element of 0..255 each, and reads as 0
  // beyond them. Memory it cannot have throws and leaves it as it was.
  static void StoreBytes(TArrayEntry& a, std::string_view bytes);
};

// The leading minus sign of a primary: -(number of the argument).
class TNeg final : public TFunction {
public:
  int ArgumentCount() const override { return 1; }
  double Calculate(TCalcInfo&) override { return -Results[0].AsNumber(); }
  TNeg();
  double EvaluateNumber(TCalcInfo& ci) override;
  bool AlwaysNumber() const override { return true; }
};

using TFunctionFactory = TFunction* (*)();

template <class T>
TFunction* MakeFunction() {
  return new T;
}

// One built-in of a library: the name it is registered under, how to make it
// and its help.
struct TBuiltinRow {
  const char* Name;
  TFunctionFactory Factory;
  THelpEntry Help;
  // A new node of the function, carrying its help.
  TFunction* Create() const;
};

// The rows of one library, as the library's table function returns them.
using TLibrary = std::span<const TBuiltinRow>;

}  // namespace TernioParser
