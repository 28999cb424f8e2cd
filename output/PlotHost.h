#pragma once
// How the plot functions reach the plot window: requests are handed over in
// the order the program makes them (the window applies them on its own
// thread), and the two counting queries wait for their answer, which reflects
// every request made before them.

#include <cstdint>
#include <mutex>

#include "engine/Events.h"
#include "engine/Host.h"
#include "output/PlotModel.h"

namespace TernioParser {

class TPlotHost {
public:
  virtual ~TPlotHost() = default;
  // Hands a request over; false when it could not be queued.
  virtual bool Post(TPlotRequest request) = 0;
  // The number of tabs.
  virtual int32_t TabCount() = 0;
  // The curve list length of a tab (creating the tabs up to it).
  virtual int32_t CurveCount(int32_t tab) = 0;
  // Waits until every request handed over so far has been applied, for at
  // most timeoutMs, and no longer once stop is set. True when they have
  // been applied.
  virtual bool WaitApplied(TEvent& stop, int64_t timeoutMs) = 0;
};

// A host that applies every request at once to a model of its own: the
// headless runner's and the tests', so nothing waits for it. The model may be
// read from another thread while no run is going on, or under Lock.
class TModelPlotHost final : public TPlotHost {
public:
  TPlotModel Model;
  std::mutex Lock;

  bool Post(TPlotRequest request) override {
    std::lock_guard<std::mutex> g(Lock);
    Model.Apply(request);
    return true;
  }
  int32_t TabCount() override {
    std::lock_guard<std::mutex> g(Lock);
    return Model.TabCount();
  }
  int32_t CurveCount(int32_t tab) override {
    std::lock_guard<std::mutex> g(Lock);
    return Model.CurveCount(tab);
  }
  bool WaitApplied(TEvent&, int64_t) override { return true; }
};

}  // namespace TernioParser
