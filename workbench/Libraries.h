#pragma once
// The built-in libraries of the application put together: which library goes
// into which engine layer, the layers' end-of-run hooks, and the catalogue of
// every registered built-in that the help browser and the manual show.

#include <string_view>
#include <vector>

#include "engine/Parser.h"

namespace TernioParser {

// The layer tables every engine of the application is made with.
const TLayerTables& StandardLayers();
// The same without the libraries that reach outside the process (files,
// processes, instruments, panels), for running untrusted program text.
const TLayerTables& InProcessLayers();

// Every built-in of the three layers, in ascending byte order of the name.
const std::vector<const TBuiltinRow*>& Catalogue();
// The catalogue row of a built-in name, or null.
const TBuiltinRow* FindBuiltin(std::string_view name);

}  // namespace TernioParser
