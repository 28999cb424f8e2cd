#include "engine/CalcThread.h"

#include <cmath>
#include <cstdio>

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
  if (Started) Suspended = false;
  return Started;
}

int TLargeStackThread::WaitFor() {
  if (Started) {
    pthread_join(Handle, nullptr);
    Started = false;
  }
  return ReturnValue;
}

void* TLargeStackThread::Procedure(void* self) {
  auto* t = static_cast<TLargeStackThread*>(self);
  t->Execute();
  if (t->OnTerminate) t->OnTerminate(t);
  t->Finished = true;
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
    if (!CalcInfo.Error) result = MainEngine->Evaluate(CalcInfo);
    if (Form) Form->RunFinished(&result);
  }
}

// ---- result display

std::string FormatResult(const TReturnValue& value, TRadix radix) {
  if (value.IsString || radix == TRadix::Decimal) return value.AsString();
  double x = value.Number;
  if (!(x <= 2147483647.0 && x >= -2147483648.0)) return "Number too large, display in decimal mode";
  uint32_t n = static_cast<uint32_t>(static_cast<int32_t>(x));
  if (radix == TRadix::Hexadecimal) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", n);
    return buf;
  }
  std::string bits;
  for (int b = 31; b >= 0; --b)
    if (!bits.empty() || (n >> b) & 1u) bits += ((n >> b) & 1u) ? '1' : '0';
  return bits.empty() ? "0" : bits;
}

}  // namespace TernioParser
