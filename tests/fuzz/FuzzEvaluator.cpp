// Any program text that parses is run the way the application runs it: on
// the calculation thread, as the active panel. The functions that reach
// outside the process (files, processes, instruments, panels) are left out.
// A run that is still going after a moment gets Break; it must then end
// promptly, whatever it was doing, and with a message.

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

#include "FuzzCheck.h"
#include "engine/RunController.h"
#include "output/PlotHost.h"
#include "workbench/Libraries.h"

using namespace TernioParser;

namespace {

// Output is counted, not kept.
class TCountingSink final : public TOutputSink {
public:
  size_t Bytes = 0;
  void Write(const std::string& text, bool) override { Bytes += text.size(); }
  void Clear() override {}
};

class TFuzzRunner final {
public:
  TFuzzRunner() : Runs(InProcessLayers()) {
    Runs.Host().Output = &Sink;
    Runs.Host().Plot = &Plots;
    Runs.Resume();
  }

  void Run(const std::string& program) {
    // A fresh Global panel: nothing defined by an earlier input.
    if (!Runs.Parse(0, "").Ok || !Runs.Parse(1, program).Ok) return;
    {
      std::lock_guard<std::mutex> g(Plots.Lock);
      Plots.Model = TPlotModel();
    }
    FUZZ_CHECK(Runs.Start());
    if (Runs.WaitFor(std::chrono::milliseconds(300))) return;
    Runs.Break();
    // Break reaches every loop and wait within milliseconds; the bound
    // leaves room for a loaded machine and the sanitizers' slower memory.
    FUZZ_CHECK(Runs.WaitFor(std::chrono::seconds(5)).has_value());
  }

private:
  TCountingSink Sink;
  TModelPlotHost Plots;
  TRunController Runs;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Longer programs add nothing a shorter one could not reach.
  if (size > 4096) return 0;
  static TFuzzRunner* runner = new TFuzzRunner;  // lives as long as the process
  runner->Run(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
