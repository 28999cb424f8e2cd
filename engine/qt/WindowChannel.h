#pragma once
// Hand-offs from the calculation thread to a window on the user-interface
// thread.
//
// TBatchChannel carries a stream of items (texts, plot requests). The worker
// adds an item to a pending batch under a lock and returns at once; the window
// takes the whole batch over in one go (a queued call posted with the first
// item of each batch) and applies it. So the order of the items is kept and
// nothing is lost, while the window works once per batch instead of once per
// item. The worker waits only
//  - when the batch is full, until the window has taken it over (a program
//    never runs far ahead of its window), and
//  - when it asks to, until the window has applied its item.
// The user-interface thread must therefore keep processing events while a
// worker pushes. Items pushed on the window's own thread are applied at once.
// The pending state is shared with the workers, so a worker still waiting when
// the channel goes is released; later items are dropped.
//
// CallOnWindow runs one job on the window's thread and waits for it (queries
// whose answer the worker needs, and changes the worker must see done).

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

namespace Ostra {

// TBatch is default-constructible, movable and has empty() and clear(); it
// keeps its buffers over clear(), so that a batch allocates nothing once the
// buffers have grown.
template <class TBatch>
class TBatchChannel {
public:
  enum class TWait { UntilRoom, UntilApplied };

  // apply is called on target's thread with each batch taken over; full tells
  // when a pending batch makes the worker wait. The channel must not outlive
  // target (make it a member of the window).
  TBatchChannel(QObject* target, std::function<void(TBatch&)> apply, std::function<bool(const TBatch&)> full)
      : State(std::make_shared<TState>()) {
    State->Target = target;
    State->UiThread = target->thread();
    State->Apply = std::move(apply);
    State->Full = std::move(full);
  }
  ~TBatchChannel() {
    {
      std::lock_guard<std::mutex> g(State->Lock);
      State->Detached = true;
    }
    State->Changed.notify_all();
  }
  TBatchChannel(const TBatchChannel&) = delete;
  TBatchChannel& operator=(const TBatchChannel&) = delete;

  // Worker side: add(batch) puts one item into the pending batch. False when
  // the channel is gone and the item was dropped.
  template <class F>
  bool Push(F&& add, TWait wait = TWait::UntilRoom) {
    // A local reference keeps the state alive while this call waits, even if
    // the channel is destroyed meanwhile.
    std::shared_ptr<TState> s = State;
    std::unique_lock<std::mutex> g(s->Lock);
    if (s->Detached) return false;
    add(s->Pending);
    const uint64_t serial = ++s->Pushed;
    if (QThread::currentThread() == s->UiThread) {
      g.unlock();
      s->Drain();
      return true;
    }
    if (!s->DrainPosted) {
      s->DrainPosted = true;
      // Posted to the target, so the call is dropped with the target.
      QMetaObject::invokeMethod(
          s->Target, [s] { s->Drain(); }, Qt::QueuedConnection);
    }
    if (wait == TWait::UntilApplied) s->Changed.wait(g, [&] { return s->Detached || s->Applied >= serial; });
    else if (s->Full(s->Pending)) s->Changed.wait(g, [&] { return s->Detached || s->Taken >= serial; });
    return true;
  }

  // Window side: takes over and applies what is pending now.
  void Drain() { State->Drain(); }

private:
  // Pending and the counters are guarded by Lock; Taking belongs to the
  // window's thread.
  struct TState {
    std::mutex Lock;
    std::condition_variable Changed;
    QObject* Target = nullptr;
    QThread* UiThread = nullptr;
    std::function<void(TBatch&)> Apply;
    std::function<bool(const TBatch&)> Full;
    TBatch Pending;
    TBatch Taking;
    uint64_t Pushed = 0;   // items put into the channel so far
    uint64_t Taken = 0;    // items the window has taken over
    uint64_t Applied = 0;  // items the window has applied
    bool DrainPosted = false;
    bool Detached = false;
    // A drain reached from inside apply (a nested event loop) leaves the work
    // to the drain already running.
    bool Draining = false;
    bool DrainAgain = false;

    void Drain() {
      if (Draining) {
        DrainAgain = true;
        return;
      }
      Draining = true;
      do {
        DrainAgain = false;
        uint64_t serial;
        {
          std::lock_guard<std::mutex> g(Lock);
          DrainPosted = false;
          if (Detached || Pending.empty()) break;
          std::swap(Pending, Taking);
          serial = Taken = Pushed;
        }
        Changed.notify_all();
        Apply(Taking);
        Taking.clear();
        {
          std::lock_guard<std::mutex> g(Lock);
          Applied = serial;
        }
        Changed.notify_all();
      } while (DrainAgain);
      Draining = false;
    }
  };
  std::shared_ptr<TState> State;
};

// Runs job on target's thread and waits until it has run; runs it at once when
// called on that thread. False when target is null, or went before the job
// could run.
inline bool CallOnWindow(QObject* target, const std::function<void()>& job) {
  if (!target) return false;
  if (QThread::currentThread() == target->thread()) {
    job();
    return true;
  }
  bool ran = false;
  QMetaObject::invokeMethod(
      target,
      [&] {
        job();
        ran = true;
      },
      Qt::BlockingQueuedConnection);
  return ran;
}

}  // namespace Ostra
