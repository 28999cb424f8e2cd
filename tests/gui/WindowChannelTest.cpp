// The hand-offs from a worker thread to a window: batches keep the order,
// workers wait only for a full batch or when asked to, and a channel or
// window that goes releases every worker.
#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "engine/qt/WindowChannel.h"

using Ostra::TBatchChannel;

namespace {

constexpr size_t Limit = 50;

// A window stand-in that records every item and the size of each batch.
struct TRecorder {
  QObject Target;
  std::vector<int> Items;
  std::vector<size_t> Batches;
  // Called inside apply, before the batch is recorded (a nested event loop).
  std::function<void()> DuringApply;
  TBatchChannel<std::vector<int>> Channel{&Target,
                                          [this](std::vector<int>& b) {
                                            Batches.push_back(b.size());
                                            if (DuringApply) DuringApply();
                                            Items.insert(Items.end(), b.begin(), b.end());
                                          },
                                          [](const std::vector<int>& b) { return b.size() > Limit; }};

  bool Push(int i, TBatchChannel<std::vector<int>>::TWait wait = TBatchChannel<std::vector<int>>::TWait::UntilRoom) {
    return Channel.Push([i](std::vector<int>& b) { b.push_back(i); }, wait);
  }
};

void WaitFor(const std::atomic<int>& value, int target) {
  for (int waited = 0; waited < 10000 && value < target; waited += 5) QTest::qSleep(5);
}

}  // namespace

class WindowChannelTest : public QObject {
  Q_OBJECT
private slots:
  void keepsOrderInBatches_data();
  void keepsOrderInBatches();
  void waitsOnlyForFullBatchOrApplied();
  void goingChannelReleasesWorkers();
  void callOnWindowRunsThereAndSurvivesItsEnd();
};

void WindowChannelTest::keepsOrderInBatches_data() {
  QTest::addColumn<bool>("nested");
  QTest::newRow("drained by the event loop") << false;
  // The window runs a nested event loop while it applies a batch.
  QTest::newRow("nested drain") << true;
}

void WindowChannelTest::keepsOrderInBatches() {
  QFETCH(bool, nested);
  TRecorder r;
  constexpr int N = 20000;
  if (nested) r.DuringApply = [] { QCoreApplication::processEvents(); };
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int i = 0; i < N; ++i) r.Push(i);
    done = true;
  });
  QTRY_VERIFY_WITH_TIMEOUT(done.load(), 20000);
  worker.join();
  r.Channel.Drain();
  QCOMPARE(r.Items.size(), size_t(N));
  for (int i = 0; i < N; ++i) QCOMPARE(r.Items[i], i);
  for (size_t n : r.Batches) QVERIFY(n <= Limit + 1);
  // On the window's own thread an item is applied at once.
  r.Push(-1);
  QCOMPARE(r.Items.back(), -1);
}

void WindowChannelTest::waitsOnlyForFullBatchOrApplied() {
  TRecorder r;
  std::atomic<int> pushed{0};
  std::atomic<bool> applied{false};
  std::thread worker([&] {
    for (size_t i = 0; i < 2 * Limit; ++i) {
      r.Push(int(i));
      ++pushed;
    }
    r.Push(-1, TBatchChannel<std::vector<int>>::TWait::UntilApplied);
    applied = true;
  });
  // No event is processed here: the worker runs up to the limit and stays.
  WaitFor(pushed, int(Limit));
  QTest::qSleep(100);
  QCOMPARE(pushed.load(), int(Limit));
  QVERIFY(r.Items.empty());
  QTRY_VERIFY_WITH_TIMEOUT(applied.load(), 10000);
  worker.join();
  QCOMPARE(r.Items.size(), 2 * Limit + 1);
  QCOMPARE(r.Items.back(), -1);
}

void WindowChannelTest::goingChannelReleasesWorkers() {
  for (bool untilApplied : {false, true}) {
    auto r = std::make_unique<TRecorder>();
    std::atomic<bool> finished{false};
    std::thread worker([&, channel = r.get()] {
      if (untilApplied) channel->Push(0, TBatchChannel<std::vector<int>>::TWait::UntilApplied);
      else
        for (size_t i = 0; i <= Limit; ++i) channel->Push(int(i));
      finished = true;
    });
    QTest::qSleep(200);
    QVERIFY(!finished);
    r.reset();
    worker.join();
    QVERIFY(finished);
  }
}

void WindowChannelTest::callOnWindowRunsThereAndSurvivesItsEnd() {
  auto target = std::make_unique<QObject>();
  std::atomic<bool> ranHere{false}, result{false};
  std::thread worker([&] {
    result = Ostra::CallOnWindow(target.get(), [&] { ranHere = QThread::currentThread() == qApp->thread(); });
  });
  QTRY_VERIFY_WITH_TIMEOUT(result.load(), 10000);
  worker.join();
  QVERIFY(ranHere);

  // The window goes while a call waits for it: the call returns false.
  std::atomic<bool> returned{false}, ran{false};
  std::thread waiter([&, t = target.get()] {
    result = Ostra::CallOnWindow(t, [&] { ran = true; });
    returned = true;
  });
  QTest::qSleep(200);
  QVERIFY(!returned);
  target.reset();
  waiter.join();
  QVERIFY(!result);
  QVERIFY(!ran);
  QVERIFY(!Ostra::CallOnWindow(nullptr, [] {}));
}

QTEST_MAIN(WindowChannelTest)
#include "WindowChannelTest.moc"
