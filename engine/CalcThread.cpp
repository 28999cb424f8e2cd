#include "engine/CalcThread.h"

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
  if (t->OnTerminate) t->OnTerminate(t);
  return nullptr;
}

// ---- TAutoParserThread

TAutoParserThread::TAutoParserThread(TParser* mainEngine, TParser* globalEngine, TRunObserver* form)
    : TLargeStackThread(StackReservation), MainEngine(mainEngine), GlobalEngine(globalEngine), Form(form) {}

TAutoParserThread::~TAutoParserThread() {
  PostMessage(Quit);
  WaitFor();
}

bool TAutoParserThread::PostMessage(TMessage message) {
  // A run starts without a stop request; one made after this post (even
  // before the thread takes the request up) stops that run.
  if (message == RunRequest) {
    CalcInfo.StopRequested.store(false, std::memory_order_relaxed);
    CalcInfo.StopEvent.Reset();
  }
  {
    std::lock_guard<std::mutex> g(QueueLock);
    Queue.push_back(message);
  }
  QueueChanged.notify_one();
  return true;
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
  for (TMessage m; (m = GetMessage()) != Quit;) {
    if (m != RunRequest) continue;
    const bool stop = CalcInfo.Stopping();
    CalcInfo.Reset();
    if (stop) CalcInfo.RequestStop();
    result = GlobalEngine->Evaluate(CalcInfo);
    NoticeLateStop();
    if (!CalcInfo.Error) result = MainEngine->Evaluate(CalcInfo);
    NoticeLateStop();
    if (Form) Form->RunFinished(&result);
  }
}

// A program notices Break at its commas, loops and calls; one that came
// during the last call of a program has nothing left to notice it, and
// stops the run here.
void TAutoParserThread::NoticeLateStop() {
  if (!CalcInfo.Error && CalcInfo.Stopping()) CalcInfo.SetError("Stopped");
}

}  // namespace TernioParser
