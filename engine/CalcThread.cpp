#include "engine/CalcThread.h"

#include <new>

namespace TernioParser {

// ---- TLargeStackThread

TLargeStackThread::~TLargeStackThread() { WaitFor(); }

bool TLargeStackThread::Resume() {
  if (Started) return true;
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  // The stack is mapped, not committed: memory is used only as deep as the
  // recursion of a program actually goes.
  pthread_attr_setstacksize(&attr, StackSize);
  Started = pthread_create(&Handle, &attr, &Procedure, this) == 0;
  pthread_attr_destroy(&attr);
  return Started;
}

void TLargeStackThread::WaitFor() {
  if (Started) {
    pthread_join(Handle, nullptr);
    Started = false;
  }
}

void* TLargeStackThread::Procedure(void* self) {
  auto* t = static_cast<TLargeStackThread*>(self);
  t->Execute();
  if (t->OnTerminate) t->OnTerminate();
  return nullptr;
}

// ---- TRunOutcome

TReturnValue TRunOutcome::Result() const {
  TReturnValue v;
  if (IsString) v.SetString(Text);
  else v.SetNumber(Number);
  return v;
}

TRunOutcome TRunOutcome::Of(const TCalcInfo& ci, const TReturnValue& result) {
  TRunOutcome o;
  if (ci.Error) {
    // The value of a failed run is not shown; it may be the very text that
    // exhausted the memory.
    o.Status = ci.Stopping() ? TRunStatus::Stopped : TRunStatus::Failed;
    o.Message = ci.Message;
    return o;
  }
  o.IsString = result.IsString;
  o.Number = result.Number;
  // The text is copied: the engine's value may share it with variables.
  try {
    if (result.IsString) o.Text = result.Text.Str();
  } catch (const std::bad_alloc&) {
    o = TRunOutcome();
    o.Status = TRunStatus::Failed;
    o.Message = "not enough memory for the result";
  }
  return o;
}

// ---- TAutoParserThread

TAutoParserThread::TAutoParserThread(TParser& mainEngine, TParser& globalEngine, TFinished finished)
    : TLargeStackThread(StackReservation), MainEngine(mainEngine), GlobalEngine(globalEngine),
      Finished(std::move(finished)) {}

TAutoParserThread::~TAutoParserThread() {
  RequestQuit();
  WaitFor();
}

void TAutoParserThread::RequestRun() {
  CalcInfo.ClearStop();
  Post(RunRequest);
}

void TAutoParserThread::RequestQuit() { Post(Quit); }

void TAutoParserThread::Post(TMessage message) {
  {
    std::lock_guard<std::mutex> g(QueueLock);
    Queue.push_back(message);
  }
  QueueChanged.notify_one();
}

TAutoParserThread::TMessage TAutoParserThread::GetMessage() {
  std::unique_lock<std::mutex> g(QueueLock);
  QueueChanged.wait(g, [&] { return !Queue.empty(); });
  TMessage m = Queue.front();
  Queue.pop_front();
  return m;
}

void TAutoParserThread::Execute() {
  TReturnValue result;
  while (GetMessage() == RunRequest) {
    // The stop request belongs to the poster of the request (see RequestRun).
    CalcInfo.ClearError();
    result = GlobalEngine.Evaluate(CalcInfo);
    NoticeLateStop();
    if (!CalcInfo.Error) result = MainEngine.Evaluate(CalcInfo);
    NoticeLateStop();
    if (Finished) Finished(TRunOutcome::Of(CalcInfo, result));
  }
}

// A program notices Break at its commas, loops and calls; one that came
// during the last call of a program has nothing left to notice it, and
// stops the run here.
void TAutoParserThread::NoticeLateStop() {
  if (!CalcInfo.Error && CalcInfo.Stopping()) CalcInfo.SetError("Stopped");
}

}  // namespace TernioParser
