// Any program text that parses is run the way the application runs it: on
// the calculation thread, as the active panel. The functions that reach
// outside the process (files, processes, instruments, panels) are left out.
// A run that is still going after a moment gets Break; it must then end
// promptly, whatever it was doing, and with a message.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "FuzzCheck.h"
#include "engine/ControlFlow.h"
#include "engine/RunController.h"
#include "functions/Arrays.h"
#include "functions/Fitting.h"
#include "functions/Numeric.h"
#include "functions/Spectral.h"
#include "functions/Strings.h"
#include "output/Plot.h"
#include "output/PlotHost.h"
#include "output/TextOutput.h"

using namespace TernioParser;

namespace {

const TLayerTables& InProcessLayers() {
  static const TLayerTables layers = {
      .Core = {{NumericLibrary(),
                ControlFlowLibrary(),
                StringLibrary(),
                ArrayLibrary(),
                FittingLibrary(),
                SpectralLibrary()}},
      .Comm = {{TextOutputLibrary(), PlotLibrary()}},
      .GUI = {},
  };
  return layers;
}

// Output is counted, not kept.
class TCountingSink final : public TOutputSink {
public:
  size_t Bytes = 0;
  void Write(const std::string& text, bool) override { Bytes += text.size(); }
  void Clear() override {}
};

class TFuzzRunner final : public TRunObserver {
public:
  TFuzzRunner() : Runs(InProcessLayers(), this) {
    Runs.Host().Output = &Sink;
    Runs.Host().Plot = &Plots;
    Runs.Resume();
  }

  void Run(const std::string& program) {
    Runs.Global->SetText("");
    Runs.Main->SetText(program);
    if (!Runs.Global->Parse(nullptr) || !Runs.Main->Parse(nullptr)) return;
    {
      std::lock_guard<std::mutex> g(Plots.Lock);
      Plots.Model = TPlotModel();
    }
    std::unique_lock<std::mutex> g(Lock);
    Done = false;
    FUZZ_CHECK(Runs.Start());
    if (!Changed.wait_for(g, std::chrono::milliseconds(300), [&] { return Done; })) {
      Runs.Break();
      // Break reaches every loop and wait within milliseconds; the bound
      // leaves room for a loaded machine and the sanitizers' slower memory.
      FUZZ_CHECK(Changed.wait_for(g, std::chrono::seconds(5), [&] { return Done; }));
    }
  }

private:
  TCountingSink Sink;
  TModelPlotHost Plots;
  std::mutex Lock;
  std::condition_variable Changed;
  bool Done = false;
  TRunController Runs;

  void RunFinished(const TReturnValue*) override {
    std::lock_guard<std::mutex> g(Lock);
    Done = true;
    Changed.notify_all();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Longer programs add nothing a shorter one could not reach.
  if (size > 4096) return 0;
  static TFuzzRunner* runner = new TFuzzRunner;  // lives as long as the process
  runner->Run(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
