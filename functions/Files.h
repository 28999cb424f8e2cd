#pragma once
// Text files and matrix text files.
//
// Files are handled as raw bytes: what a program writes is what lands on disk,
// line ends and zero bytes included. File names are used as given; relative
// names resolve against the current directory.
//
// The matrix text format: one line per row, fields separated by one tab, every
// line ended by CR LF, numbers with 10 significant digits. The array is stored
// column by column: with n elements and c columns there are ceil(n / c) rows,
// the first rows elements form the first column, and only the last columns can
// be short (their missing fields are empty).

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/Function.h"

namespace TernioParser {

// Base of the file functions: evaluates the arguments the function reads and
// empties the value slots afterwards, so that no copy of a (possibly long)
// text outlives the call.
class TFileFunction : public TFunction {
public:
  void Evaluate(TCalcInfo& ci, TReturnValue& result) final;

protected:
  // Runs after the arguments have been evaluated without an error; result is
  // the number 0 on entry.
  virtual void Run(TCalcInfo& ci, TReturnValue& result) = 0;
  // Arguments that name an array are inspected, never evaluated.
  virtual bool Evaluated(int /*i*/) const { return true; }
};

// fileread(fname): the whole file as a string.
class TFileRead final : public TFileFunction {
public:
  int ArgumentCount() const override { return 1; }

protected:
  void Run(TCalcInfo& ci, TReturnValue& result) override;
};

// filewrite(fname;s): creates or empties the file and writes s.
class TFileWrite final : public TFileFunction {
public:
  int ArgumentCount() const override { return 2; }
  bool AlwaysNumber() const override { return true; }

protected:
  void Run(TCalcInfo& ci, TReturnValue& result) override;
};

// fileappend(fname;s): writes s at the end of the file, creating it if needed.
class TFileAppend final : public TFileFunction {
public:
  int ArgumentCount() const override { return 2; }
  bool AlwaysNumber() const override { return true; }

protected:
  void Run(TCalcInfo& ci, TReturnValue& result) override;
};

// fileexists(fname): 1 for an existing file, 0 otherwise (directories too).
class TFileExists final : public TFileFunction {
public:
  int ArgumentCount() const override { return 1; }
  bool AlwaysNumber() const override { return true; }

protected:
  void Run(TCalcInfo& ci, TReturnValue& result) override;
};

// readmatrix(arr[];fname): reads a matrix text file into an array, column by
// column; the result is the number of lines.
//
// Any byte that cannot be part of a number separates numbers, so header words
// and units need no special treatment (their letters e and E do read as the
// number 0, though). A carriage return between two numbers starts a new line;
// several in a row count as one, and a line feed alone does not end a line.
class TMatrixReader final : public TFileFunction {
public:
  int ArgumentCount() const override { return 2; }
  bool AlwaysNumber() const override { return true; }
  bool CheckArguments() override { return IsArrayArg(0); }

protected:
  void Run(TCalcInfo& ci, TReturnValue& result) override;
  bool Evaluated(int i) const override { return i != 0; }
};

// writematrix(file;data[];cols): writes an array as a matrix text file.
class TMatrixWriter final : public TFileFunction {
public:
  int ArgumentCount() const override { return 3; }
  bool AlwaysNumber() const override { return true; }
  bool CheckArguments() override { return IsArrayArg(1); }

protected:
  void Run(TCalcInfo& ci, TReturnValue& result) override;
  bool Evaluated(int i) const override { return i != 1; }
};

// The rows of this library.
TLibrary FileLibrary();

}  // namespace TernioParser
