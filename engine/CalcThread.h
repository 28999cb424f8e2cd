#pragma once
// The calculation thread: runs the programs of the Global panel and of the
// active panel on request, on a thread with a very large stack.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <pthread.h>

#include "engine/Parser.h"

namespace TernioParser {

// A thread with a reserved (not committed) stack of the given size. It starts
// when Resume is called, so that the derived object is complete by then.
class TLargeStackThread {
public:
  explicit TLargeStackThread(size_t stackSize) : StackSize(stackSize) {}
  TLargeStackThread(const TLargeStackThread&) = delete;
  TLargeStackThread& operator=(const TLargeStackThread&) = delete;
  // Waits for the thread to end. Derived classes make it end first.
  virtual ~TLargeStackThread();

  // Called on the thread itself after Execute returns.
  std::function<void(TLargeStackThread*)> OnTerminate;

  // Starts the thread; false when it could not be started.
  bool Resume();
  void WaitFor();

protected:
  virtual void Execute() = 0;

private:
  size_t StackSize;
  pthread_t Handle{};
  bool Started = false;
  static void* Procedure(void* self);
};

// Told on the calculation thread when a run has ended. The result stays valid
// until the next run request.
class TRunObserver {
public:
  virtual ~TRunObserver() = default;
  virtual void RunFinished(const TReturnValue* result) = 0;
};

class TAutoParserThread final : public TLargeStackThread {
public:
  static constexpr size_t StackReservation = 0x20000000;  // 512 MiB
  enum TMessage { RunRequest = 0x8001, Quit = 0x0012 };

  TAutoParserThread(TParser* mainEngine, TParser* globalEngine, TRunObserver* form);
  ~TAutoParserThread() override;

  TParser* MainEngine;
  TParser* GlobalEngine;
  TCalcInfo CalcInfo;
  TRunObserver* Form;

  // Puts a message into the thread's queue.
  bool PostMessage(TMessage message);
  // Break: callable from any thread while a run is in progress.
  void Break() { CalcInfo.RequestStop(); }

protected:
  void Execute() override;

private:
  std::mutex QueueLock;
  std::condition_variable QueueChanged;
  std::deque<TMessage> Queue;
  TMessage GetMessage();
  void NoticeLateStop();
};

}  // namespace TernioParser
