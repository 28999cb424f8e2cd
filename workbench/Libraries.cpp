#include "workbench/Libraries.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "engine/ControlFlow.h"
#include "functions/Arrays.h"
#include "functions/Files.h"
#include "functions/Fitting.h"
#include "functions/Numeric.h"
#include "functions/Spectral.h"
#include "functions/Strings.h"
#include "instruments/Gpib.h"
#include "instruments/Serial.h"
#include "instruments/Udp.h"
#include "instruments/Visa.h"
#include "output/Plot.h"
#include "output/TextOutput.h"
#include "panels/PanelFunctions.h"
#include "panels/PanelHost.h"

namespace TernioParser {

const TLayerTables& StandardLayers() {
  static const TLayerTables layers = {
      .Core = {{NumericLibrary(),
                ControlFlowLibrary(),
                StringLibrary(),
                ArrayLibrary(),
                FileLibrary(),
                FittingLibrary(),
                SpectralLibrary()}},
      .Comm = {{TextOutputLibrary(), PlotLibrary(), SerialLibrary(), GpibLibrary(), UdpLibrary(), VisaLibrary()},
               CloseInstrumentsAfterRun},
      .GUI = {{PanelLibrary()}, ClosePanelsAfterRun},
  };
  return layers;
}

const TLayerTables& InProcessLayers() {
  // The libraries of files, instruments and panels, with their end-of-run
  // hooks, are left out.
  static const TLayerTables layers = [] {
    const TLibrary outside[] = {FileLibrary(), SerialLibrary(), GpibLibrary(), UdpLibrary(), VisaLibrary()};
    auto inside = [&](const TLayerTable& layer) {
      TLayerTable kept;
      for (TLibrary library : layer.Libraries)
        if (std::none_of(
                std::begin(outside), std::end(outside), [&](TLibrary o) { return o.data() == library.data(); }))
          kept.Libraries.push_back(library);
      return kept;
    };
    const TLayerTables& all = StandardLayers();
    return TLayerTables{.Core = inside(all.Core), .Comm = inside(all.Comm), .GUI = {}};
  }();
  return layers;
}

const std::vector<const TBuiltinRow*>& Catalogue() {
  static const std::vector<const TBuiltinRow*> rows = [] {
    std::vector<const TBuiltinRow*> all;
    const TLayerTables& layers = StandardLayers();
    for (const TLayerTable* layer : {&layers.Core, &layers.Comm, &layers.GUI})
      for (TLibrary library : layer->Libraries)
        for (const TBuiltinRow& row : library) all.push_back(&row);
    std::sort(all.begin(), all.end(), [](const TBuiltinRow* a, const TBuiltinRow* b) {
      return std::strcmp(a->Name, b->Name) < 0;
    });
    return all;
  }();
  return rows;
}

const TBuiltinRow* FindBuiltin(std::string_view name) {
  const auto& rows = Catalogue();
  auto it = std::lower_bound(
      rows.begin(), rows.end(), name, [](const TBuiltinRow* r, std::string_view n) { return r->Name < n; });
  return it != rows.end() && (*it)->Name == name ? *it : nullptr;
}

}  // namespace TernioParser
