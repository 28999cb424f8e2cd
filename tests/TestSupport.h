#pragma once
// Runs programs the way the application does: a Global and a main engine,
// the calculation thread, text output collected in a string.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "engine/RunController.h"
#include "output/PlotHost.h"

namespace OstraTest {

// A build with the sanitizers: their shadow memory does not fit an
// address-space limit, and the code runs several times slower, so time
// bounds meant for the real build are scaled by SanitizerSlowdown.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
constexpr double SanitizerSlowdown = 5;
#else
constexpr bool Sanitized = false;
constexpr double SanitizerSlowdown = 1;
#endif

struct TRun {
  bool ParseOk = true;
  std::string ParseMessage;
  bool Error = false;
  std::string Message;
  TernioParser::TReturnValue Result;
  std::string Output;  // print/println text; println ends a line with \n

  double Number() const { return Result.Number; }
  std::string Text() const { return Result.AsString(); }
};

class TCollectSink : public TernioParser::TOutputSink {
public:
  std::string Text;
  void Write(const std::string& text, bool newline) override {
    Text += text;
    if (newline) Text += '\n';
  }
  void Clear() override { Text.clear(); }
};

// The application's engines and calculation thread (a run controller), with
// text output collected in a string.
class TCalculator {
public:
  TCalculator();

  // Parses both programs (Global first), binds and runs them.
  TRun Run(const std::string& program, const std::string& global = "");
  // Starts a run and returns at once; Finish waits for it.
  bool Start(const std::string& program, const std::string& global = "");
  TRun Finish();
  // Break, from any thread.
  void Break() { Runs.Break(); }

  TernioParser::THost& Host() { return Runs.Host(); }
  TernioParser::TGUIParser& Main() { return Runs.Main(); }

  TCollectSink Sink;
  // The plot requests go into a model, as in the headless runner.
  TernioParser::TModelPlotHost Plots;

private:
  // Declared after the services of the runs: its thread ends before they go.
  TernioParser::TRunController Runs;
  bool Parsed = false;
  std::string LastGlobal, LastMain;
  TRun Pending;
};

// One-shot helper.
TRun RunProgram(const std::string& program, const std::string& global = "");

// Whether the engines of calculators made from now on build fast forms; the
// tables that must agree both ways run once with each setting.
extern bool FastForms;
// General forms only while it lives.
class TGeneralFormsOnly {
public:
  TGeneralFormsOnly() { FastForms = false; }
  ~TGeneralFormsOnly() { FastForms = true; }
  TGeneralFormsOnly(const TGeneralFormsOnly&) = delete;
  TGeneralFormsOnly& operator=(const TGeneralFormsOnly&) = delete;
};

}  // namespace OstraTest

namespace OstraTest {
// A fresh folder under /tmp, removed with everything in it at the end.
class TTempDir {
public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  std::string Path;
  std::string operator/(const std::string& name) const { return Path + "/" + name; }
};

// Text output that a test can wait on while the run goes on: WaitFor
// returns once the text has arrived (false after ms milliseconds without).
// OnWrite, when set, runs on the calculation thread after each write.
class TWatchSink : public TernioParser::TOutputSink {
public:
  void Write(const std::string& text, bool newline) override;
  void Clear() override {}
  bool WaitFor(const std::string& text, int ms);
  std::function<void(const std::string& text)> OnWrite;

private:
  std::mutex Lock;
  std::condition_variable Changed;
  std::string Text;
};

// The elements of an array variable of the main panel after a run (the
// variables stay bound until the next run).
std::vector<double> ArrayOf(TCalculator& calc, const std::string& name);
// A number written with all the digits a double holds.
std::string Num(double x);
// Program text that fills the array name with values: name[0]=..., name[1]=...,
std::string Fill(const std::string& name, const std::vector<double>& values);

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

// The outcome of a run as one text: a number as its text (12), a string in
// quotes ('12'), "!" + message for a run-time error, "#" + message for a
// parse error.
std::string Describe(const TRun& run);
// Runs a program and describes its outcome.
std::string Outcome(const std::string& program, const std::string& global = "");

// A program that uses the value of another one, with the outcome that follows
// from the other program's outcome.
struct TContextCase {
  std::string Program;
  std::string Expect;
};
// The program placed in every context that can use its value: as an operand
// of the operators, a condition of if, for and while, an array index to read
// and to store, the value stored by an assignment and a compound assignment,
// an array element, the last value of a loop body, the argument of a built-in
// and of a user-defined function, and (for a text) the operand of a
// concatenation and of length. Each case expects what the plain outcome
// implies; none for a program that does not parse.
std::vector<TContextCase> InEveryContext(const std::string& program, const TRun& plain);
// Checks the outcome of the program in every context against its plain
// outcome; each run has an engine of its own.
void ExpectInEveryContext(const std::string& program, const TRun& plain, const std::string& global = "");
// Checks the plain outcome of the program, then its outcome in every context.
void ExpectEverywhere(const std::string& program, const std::string& expect, const std::string& global = "");
}  // namespace OstraTest
