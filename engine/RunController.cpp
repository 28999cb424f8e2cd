#include "engine/RunController.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace TernioParser {

TTextPlace PlaceOf(const std::string& text, size_t offset) {
  TTextPlace place;
  const size_t end = std::min(offset, text.size());
  for (size_t i = 0; i < end; ++i) {
    if (text[i] == '\n') ++place.Line, place.Column = 1;
    else if (text[i] != '\r') ++place.Column;
  }
  return place;
}

namespace {

TParseResult ResultOf(const TParser& engine, bool ok) {
  TParseResult r;
  r.Ok = ok;
  if (ok) return r;
  r.Message = engine.Message;
  const auto size = static_cast<int32_t>(engine.Text.size());
  const int32_t at = engine.TokenStart >= 0 ? engine.TokenStart : engine.ErrorPos;
  r.Start = at < 0 ? size : std::min(at, size);
  r.End = engine.ErrorPos < 0 ? size : std::clamp(engine.ErrorPos, r.Start, size);
  const TTextPlace place = PlaceOf(engine.Text, static_cast<size_t>(r.Start));
  r.Line = place.Line;
  r.Column = place.Column;
  return r;
}

}  // namespace

// Everything the thread uses, in one block that Abandon can leave behind.
struct TRunController::TParts {
  enum TState { Idle, Running, Ended };

  TVarHandler::TGlobalList Globals;
  std::unique_ptr<TGUIParser> Global;
  std::unique_ptr<TGUIParser> Main;
  TParseResult Parsed[2];
  std::unique_ptr<TAutoParserThread> Thread;
  TRunEvents Events;

  mutable std::mutex Lock;
  std::condition_variable Changed;
  TState State = Idle;
  TRunOutcome Outcome;
  bool Abandoned = false;
  bool ThreadEnded = false;

  // On the calculation thread.
  void Finish(TRunOutcome outcome) {
    {
      std::lock_guard<std::mutex> g(Lock);
      Outcome = outcome;
      State = Ended;
      if (Abandoned) return;
    }
    Changed.notify_all();
    if (Events.Finished) Events.Finished(outcome);
  }
  void Terminated() {
    {
      std::lock_guard<std::mutex> g(Lock);
      ThreadEnded = true;
      if (Abandoned) return;
    }
    if (Events.ThreadEnded) Events.ThreadEnded();
  }
};

TRunController::TRunController(const TLayerTables& layers, TRunEvents events) : Parts(std::make_unique<TParts>()) {
  TParts& p = *Parts;
  p.Events = std::move(events);
  p.Main = std::make_unique<TGUIParser>(&p.Globals, layers);
  p.Global.reset(static_cast<TGUIParser*>(p.Main->Clone()));
  p.Main->SetRegistry(p.Global->Registry);
  p.Thread = std::make_unique<TAutoParserThread>(
      *p.Main, *p.Global, [parts = Parts.get()](TRunOutcome o) { parts->Finish(std::move(o)); });
  p.Thread->OnTerminate = [parts = Parts.get()] { parts->Terminated(); };
}

TRunController::~TRunController() {
  if (!Parts) return;
  // The thread first: it uses the engines and the parts.
  Parts->Thread.reset();
}

TCalcInfo& TRunController::CalcInfo() { return Parts->Thread->CalcInfo; }

TGUIParser& TRunController::EngineOf(int page) { return page == 0 ? *Parts->Global : *Parts->Main; }

bool TRunController::Resume() { return Parts->Thread->Resume(); }

TParseResult TRunController::Parse(int page, const std::string& text, std::list<TCodePosInfo>* tokens) {
  TGUIParser& engine = EngineOf(page);
  engine.SetText(text);
  const bool ok = engine.Parse(tokens);
  return Parts->Parsed[page == 0 ? 0 : 1] = ResultOf(engine, ok);
}

const TParseResult& TRunController::Parsed(int page) const { return Parts->Parsed[page == 0 ? 0 : 1]; }

bool TRunController::Start() {
  TParts& p = *Parts;
  std::unique_lock<std::mutex> g(p.Lock);
  if (p.State == TParts::Running) return false;
  // A refused start still ends in an outcome, so that no waiter hangs.
  std::string refusal;
  for (const TParseResult& r : p.Parsed)
    if (!r.Ok && refusal.empty()) refusal = r.Message;
  if (refusal.empty() && p.ThreadEnded) refusal = "The calculation thread has ended";
  if (!refusal.empty()) {
    p.Outcome = TRunOutcome();
    p.Outcome.Status = TRunStatus::Failed;
    p.Outcome.Message = refusal;
    p.State = TParts::Ended;
    return false;
  }
  p.State = TParts::Running;
  g.unlock();
  p.Global->Prepare();
  p.Main->Prepare();
  p.Thread->RequestRun();
  return true;
}

bool TRunController::Running() const {
  std::lock_guard<std::mutex> g(Parts->Lock);
  return Parts->State == TParts::Running;
}

TRunOutcome TRunController::Wait() {
  std::unique_lock<std::mutex> g(Parts->Lock);
  Parts->Changed.wait(g, [&] { return Parts->State != TParts::Running; });
  return Parts->Outcome;
}

std::optional<TRunOutcome> TRunController::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> g(Parts->Lock);
  if (!Parts->Changed.wait_for(g, timeout, [&] { return Parts->State != TParts::Running; })) return std::nullopt;
  return Parts->Outcome;
}

void TRunController::Break() { Parts->Thread->Break(); }

void TRunController::EndThread() {
  Parts->Thread->RequestQuit();
  Parts->Thread->WaitFor();
}

void TRunController::Abandon() {
  {
    std::lock_guard<std::mutex> g(Parts->Lock);
    Parts->Abandoned = true;
  }
  (void)Parts.release();
}

}  // namespace TernioParser
