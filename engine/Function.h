#pragma once
// Built-in function nodes: argument slots, default evaluation, help texts and
// the name tables through which each engine layer registers its functions.

#include <string>
#include <vector>

#include "engine/Atoms.h"

namespace TernioParser {

// Help texts of a built-in function; any text may be null.
struct THelpEntry {
  const char* Name;
  const char* ParameterList;  // argument names separated by ; (a trailing [] marks an array)
  const char* Description;
  const char* Example;
  const char* ExampleNote;
  const char* SeeAlso;  // related functions as signatures, separated by commas
};

// The catalogue entry of a built-in name, or null.
const THelpEntry* FindHelpEntry(const char* name);

class TFunction : public TParserAtom {
public:
  ~TFunction() override;

  // Argument nodes (owned) and one value slot per argument, kept between
  // evaluations.
  int Count = 0;
  std::vector<TParserAtom*> Args;
  std::vector<TReturnValue> Results;

  // Creates the argument slots (the parser calls this before filling Args).
  void CreateSlots();

  void Bind(TVarHandler& vars) override;
  // Default evaluation: every argument into its slot (until an error is
  // raised), then result = Calculate().
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
  // The function's numeric result from its value slots; errors go to ci.
  virtual double Calculate(TCalcInfo& ci);

  std::string Signature() const;
  const char* ParameterList() const;
  const char* Description() const;
  const char* Example() const;
  const char* ExampleNote() const;
  const char* SeeAlso() const;
  // Parse-time check of the argument nodes.
  virtual bool CheckArguments() { return true; }
  virtual int ArgumentCount() const = 0;
  // The help entry of the function's class; null: the defaults apply.
  virtual const THelpEntry* Help() const { return nullptr; }

protected:
  // Evaluates every argument into its slot; false when that raised an error.
  bool EvaluateArguments(TCalcInfo& ci);
  // The array an argument names (null when it names none, or a scalar).
  TArrayEntry* ArrayArg(int i) const { return Args[i]->ArrayEntry(); }
  // True when argument i is an array reference a[] or a[i].
  bool IsArrayArg(int i) const;
};

// Gives a built-in class the help entry the catalogue holds for its name.
#define OSTRA_HELP(name)                                          \
  const ::TernioParser::THelpEntry* Help() const override {       \
    static const ::TernioParser::THelpEntry* entry =              \
        ::TernioParser::FindHelpEntry(name);                      \
    return entry;                                                 \
  }

// The leading minus sign of a primary: -(number of the argument).
class TNeg final : public TFunction {
public:
  int ArgumentCount() const override { return 1; }
  double Calculate(TCalcInfo&) override { return -Results[0].AsNumber(); }
  double EvaluateNumber(TCalcInfo& ci) override;
  bool AlwaysNumber() const override { return true; }
  const THelpEntry* Help() const override;
};

using TFunctionFactory = TFunction* (*)();

template <class T>
TFunction* MakeFunction() {
  return new T;
}

struct TNameRow {
  const char* Name;
  TFunctionFactory Factory;
};

// The name tables of the three engine layers.
const std::vector<TNameRow>& CoreNameTable();
const std::vector<TNameRow>& CommNameTable();
const std::vector<TNameRow>& GUINameTable();

}  // namespace TernioParser
