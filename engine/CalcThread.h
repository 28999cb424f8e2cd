#pragma once
// The calculation thread: runs the programs of the Global panel and of the
// active panel on request, on a thread with a very large stack, and hands the
// end of each run over as one outcome by value.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <pthread.h>
#include <string>

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
  std::function<void()> OnTerminate;

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

enum class TRunStatus {
  Finished,  // both programs ran to their end
  Failed,    // a run-time error ended the run
  Stopped,   // Break ended the run
};

// How a run ended. It shares nothing with the engines, so it may be kept and
// read on any thread.
struct TRunOutcome {
  TRunStatus Status = TRunStatus::Finished;
  std::string Message;  // the error; empty when finished
  // The value of the last program run: a text when IsString, else a number.
  bool IsString = false;
  double Number = 0;
  std::string Text;

  bool Error() const { return Status != TRunStatus::Finished; }
  // The value as the engine's type (a fresh one, owned by the caller).
  TReturnValue Result() const;
  // The outcome of a run that left the engines with ci and result.
  static TRunOutcome Of(const TCalcInfo& ci, const TReturnValue& result);
};

class TAutoParserThread final : public TLargeStackThread {
public:
  static constexpr size_t StackReservation = 0x20000000;  // 512 MiB
  // Called on the calculation thread at the end of each run.
  using TFinished = std::function<void(TRunOutcome)>;

  TAutoParserThread(TParser& mainEngine, TParser& globalEngine, TFinished finished);
  // Ends the thread after the run in progress.
  ~TAutoParserThread() override;

  TCalcInfo CalcInfo;

  // Asks for one run of both programs. The stop request is cleared here and
  // nowhere else, so a Break from now on stops that run, even one made
  // before the thread takes the request up.
  void RequestRun();
  // Asks the thread to end once the run in progress (if any) is over.
  void RequestQuit();
  // Break: callable from any thread.
  void Break() { CalcInfo.RequestStop(); }

protected:
  void Execute() override;

private:
  enum TMessage { RunRequest, Quit };
  TParser& MainEngine;
  TParser& GlobalEngine;
  TFinished Finished;
  std::mutex QueueLock;
  std::condition_variable QueueChanged;
  std::deque<TMessage> Queue;
  void Post(TMessage message);
  TMessage GetMessage();
  void NoticeLateStop();
};

}  // namespace TernioParser
