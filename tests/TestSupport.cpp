#include "TestSupport.h"

#include "workbench/Libraries.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace TernioParser;

namespace OstraTest {

TCalculator::TCalculator() {
  Main.reset(new TGUIParser(&Globals, StandardLayers()));
  Global.reset(static_cast<TParser*>(Main->Clone()));
  Main->SetRegistry(Global->Registry);
  Thread = std::make_unique<TAutoParserThread>(Main.get(), Global.get(), this);
  Thread->CalcInfo.Host.Output = &Sink;
  Thread->CalcInfo.Host.Plot = &Plots;
  Thread->Resume();
}

TCalculator::~TCalculator() {
  Thread.reset();
  Main.reset();
  Global.reset();
}

void TCalculator::RunFinished(const TReturnValue* result) {
  std::lock_guard<std::mutex> g(Lock);
  Result = result;
  Done = true;
  Changed.notify_all();
}

bool TCalculator::Start(const std::string& program, const std::string& global) {
  Pending = TRun();
  // Like the editors, a text is handed over and parsed only when it changed;
  // the panel is parsed again after the Global panel changed.
  std::vector<TParser*> changed;
  if (!Parsed || global != LastGlobal) {
    Global->SetText(global);
    changed.push_back(Global.get());
  }
  if (!changed.empty() || program != LastMain) {
    Main->SetText(program);
    changed.push_back(Main.get());
  }
  Parsed = true;
  LastGlobal = global;
  LastMain = program;
  for (TParser* e : changed) e->Parse(nullptr);
  for (TParser* e : {Global.get(), Main.get()}) {
    if (e->Error) {
      Pending.ParseOk = false;
      Pending.ParseMessage = e->Message;
      Pending.ErrorPos = e->ErrorPos;
      Pending.TokenStart = e->TokenStart;
      return false;
    }
  }
  Global->Prepare();
  Main->Prepare();
  Sink.Text.clear();
  Done = false;
  Thread->PostMessage(TAutoParserThread::RunRequest);
  return true;
}

TRun TCalculator::Finish() {
  if (!Pending.ParseOk) return Pending;
  std::unique_lock<std::mutex> g(Lock);
  Changed.wait(g, [&] { return Done; });
  TRun r = Pending;
  r.Error = Thread->CalcInfo.Error;
  r.Message = Thread->CalcInfo.Message;
  r.Result = *Result;
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

std::vector<double> ArrayOf(TCalculator& calc, const std::string& name) {
  TVarEntryBase* e = calc.Main->Vars.Find(name);
  if (!e || e->Kind() != 1) {
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
}  // namespace OstraTest
