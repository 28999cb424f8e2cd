#include "TestSupport.h"

#include "workbench/Libraries.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <cmath>
#include <iterator>

using namespace TernioParser;

namespace OstraTest {

bool FastForms = true;

TCalculator::TCalculator() : Runs(StandardLayers()) {
  Runs.Main().Options.FastForms = Runs.Global().Options.FastForms = FastForms;
  Host().Output = &Sink;
  Host().Plot = &Plots;
  Runs.Resume();
}

bool TCalculator::Start(const std::string& program, const std::string& global) {
  Pending = TRun();
  // Like the editors, a text is handed over and parsed only when it changed;
  // the panel is parsed again after the Global panel changed.
  const bool globalChanged = !Parsed || global != LastGlobal;
  if (globalChanged) Runs.Parse(0, global);
  if (globalChanged || program != LastMain) Runs.Parse(1, program);
  Parsed = true;
  LastGlobal = global;
  LastMain = program;
  for (int page : {0, 1}) {
    const TParseResult& parsed = Runs.Parsed(page);
    if (!parsed.Ok) {
      Pending.ParseOk = false;
      Pending.ParseMessage = parsed.Message;
      return false;
    }
  }
  Sink.Text.clear();
  return Runs.Start();
}

TRun TCalculator::Finish() {
  if (!Pending.ParseOk) return Pending;
  const TRunOutcome outcome = Runs.Wait();
  TRun r = Pending;
  r.Error = outcome.Error();
  r.Message = outcome.Message;
  r.Result = outcome.Result();
  r.Output = Sink.Text;
  return r;
}

TRun TCalculator::Run(const std::string& program, const std::string& global) {
  Start(program, global);
  return Finish();
}

TRun RunProgram(const std::string& program, const std::string& global) {
  TCalculator c;
  return c.Run(program, global);
}

}  // namespace OstraTest

namespace OstraTest {
TTempDir::TTempDir() {
  char tmpl[] = "/tmp/ostra-test-XXXXXX";
  if (mkdtemp(tmpl)) Path = tmpl;
  else ADD_FAILURE() << "cannot make a temporary folder";
}

TTempDir::~TTempDir() {
  std::error_code ec;
  if (!Path.empty()) std::filesystem::remove_all(Path, ec);
}

void TWatchSink::Write(const std::string& text, bool newline) {
  {
    std::lock_guard<std::mutex> g(Lock);
    Text += text;
    if (newline) Text += '\n';
    Changed.notify_all();
  }
  if (OnWrite) OnWrite(text);
}

bool TWatchSink::WaitFor(const std::string& text, int ms) {
  std::unique_lock<std::mutex> g(Lock);
  return Changed.wait_for(g, std::chrono::milliseconds(ms), [&] { return Text.find(text) != std::string::npos; });
}

std::vector<double> ArrayOf(TCalculator& calc, const std::string& name) {
  TVarEntryBase* e = calc.Main().Vars.Find(name);
  if (!e || e->Kind() != TVarKind::Array) {
    ADD_FAILURE() << name << " is not an array";
    return {};
  }
  auto* a = static_cast<TArrayEntry*>(e);
  return std::vector<double>(a->Data, a->Data + a->Count);
}

std::string Num(double x) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", x);
  return buf;
}

std::string Fill(const std::string& name, const std::vector<double>& values) {
  std::string s;
  for (size_t i = 0; i < values.size(); ++i) s += name + "[" + std::to_string(i) + "]=" + Num(values[i]) + ", ";
  return s;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Describe(const TRun& r) {
  if (!r.ParseOk) return "#" + r.ParseMessage;
  if (r.Error) return "!" + r.Message;
  return r.Result.IsString ? "'" + r.Result.Text.Str() + "'" : r.Result.AsString();
}

std::string Outcome(const std::string& program, const std::string& global) {
  return Describe(RunProgram(program, global));
}

namespace {

std::string Shown(double x) { return NumberToText(x); }
std::string Quoted(const std::string& text) { return "'" + text + "'"; }
std::string Truth(double x) { return IntegerValue(x) != 0 ? "1" : "0"; }

}  // namespace

std::vector<TContextCase> InEveryContext(const std::string& program, const TRun& plain) {
  std::vector<TContextCase> cases;
  if (!plain.ParseOk) return cases;
  {
    // A text of nothing but blanks and comments is no expression.
    TVarHandler::TGlobalList globals;
    TParser probe(&globals, StandardLayers());
    probe.SetText(program);
    if (!probe.Parse(nullptr) || !probe.Root) return cases;
  }
  const std::string p = "(" + program + ")";
  const std::string plainOutcome = Describe(plain);
  const bool failed = plain.Error;
  const bool text = !failed && plain.Result.IsString;
  const double n = plain.Result.AsNumber();
  // The outcome of a context: the program's error, else what its value gives.
  auto add = [&](std::string context, std::string expect) {
    cases.push_back({std::move(context), failed ? plainOutcome : std::move(expect)});
  };
  const std::string stop = "!Variable zqstop has no value";

  // The value as it is.
  add("zqr=" + p + ", zqr", plainOutcome);
  add("0, " + p, plainOutcome);
  add("for(zqk=0;zqk<1;zqk+=1;" + p + ")", plainOutcome);
  add("zqk=1, while(zqk; zqk=0, " + p + ")", plainOutcome);
  add("if(1;" + p + ";0)", plainOutcome);
  add("define(zqf(zqv);zqv), zqf(" + p + ")", plainOutcome);
  // The value as a number.
  add("0+" + p, Shown(0 + n));
  add(p + "*1", Shown(n * 1));
  add(p + "-0", Shown(n - 0));
  add("-" + p, Shown(-n));
  add(p + "<1e308", Shown(n < 1e308 ? 1 : 0));
  add("abs" + p, Shown(std::fabs(n)));
  add("zqa[0]=" + p + ", zqa[0]", Shown(n));
  add("zqr=1, zqr*=" + p, Shown(1 * n));
  add("zqr=0, zqr+=" + p, text ? Quoted("0" + plain.Result.Text.Str()) : Shown(0 + n));
  if (!text && std::isfinite(n)) add("if(" + p + "==" + Num(n) + ";1;0)", "1");
  // The value as a truth value.
  add("if(" + p + ";1;0)", Truth(n));
  add("for(0;" + p + ";0;zqstop)", n != 0 ? stop : "0");
  add("while(" + p + ";zqstop)", n != 0 ? stop : "0");
  // The value as an index: reading, and storing (where an error in the index
  // only makes the store fail).
  const int32_t i = IntegerValue(n);
  add("zqi[0]=10, zqi[1]=11, zqi[2]=12, zqi[" + program + "]",
      i >= 0 && i <= 2 ? Shown(10 + i) : "!Illegal array element access in array zqi");
  const std::string refused = "!= operator: error setting a value (maybe negative array index)";
  if (failed || i < 0) cases.push_back({"zqi[" + program + "]=7", refused});
  else if (i <= 1000) cases.push_back({"zqi[" + program + "]=7, zqi[" + std::to_string(i) + "]", "7"});
  // The value as a text.
  add(p + "+''", text ? plainOutcome : Shown(n + 0));
  if (text) add("length" + p, Shown(static_cast<double>(plain.Result.Text.View().size())));
  return cases;
}

void ExpectInEveryContext(const std::string& program, const TRun& plain, const std::string& global) {
  for (const TContextCase& c : InEveryContext(program, plain))
    EXPECT_EQ(Outcome(c.Program, global), c.Expect) << "program: " << c.Program;
}

void ExpectEverywhere(const std::string& program, const std::string& expect, const std::string& global) {
  const TRun plain = RunProgram(program, global);
  EXPECT_EQ(Describe(plain), expect) << "program: " << program;
  ExpectInEveryContext(program, plain, global);
}

}  // namespace OstraTest
