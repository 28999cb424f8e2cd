#pragma once
// Runs a program on the calling thread with every library, for the
// benchmarks that time programs without a calculation thread.

#include <cstdio>
#include <string>

#include "workbench/Libraries.h"

namespace OstraBench {

// The program's result as a number; -1 (with the message on stderr) when it
// does not parse or ends with an error.
inline double Run(const std::string& program) {
  using namespace TernioParser;
  TVarHandler::TGlobalList globals;
  TGUIParser engine(&globals, StandardLayers());
  engine.SetText(program);
  if (!engine.Parse(nullptr)) {
    std::fprintf(stderr, "parse error: %s\n", engine.Message.c_str());
    return -1;
  }
  engine.Prepare();
  TCalcInfo ci;
  TReturnValue r = engine.Evaluate(ci);
  if (ci.Error) {
    std::fprintf(stderr, "error: %s\n", ci.Message.c_str());
    return -1;
  }
  return r.AsNumber();
}

}  // namespace OstraBench
