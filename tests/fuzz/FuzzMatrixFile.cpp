// The matrix and text file readers on any file contents, through the
// functions a program calls: readmatrix fills an array whose length is a
// multiple of the line count it returns, fileread gives the bytes back as
// they are.

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzCheck.h"
#include "engine/Parser.h"
#include "workbench/Libraries.h"

using namespace TernioParser;

namespace {

// Runs program in a fresh engine on this thread.
TReturnValue Run(const std::string& program, TCalcInfo& ci) {
  TVarHandler::TGlobalList globals;
  TGUIParser engine(&globals, StandardLayers());
  engine.SetText(program);
  FUZZ_CHECK(engine.Parse(nullptr));
  engine.Prepare();
  ci.Reset();
  return engine.Evaluate(ci);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path =
      (std::filesystem::temp_directory_path() / ("ostra-fuzz-matrix-" + std::to_string(getpid()) + ".txt")).string();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  TCalcInfo ci;
  const TReturnValue checked =
      Run("n=readmatrix(a[];'" + path + "'), if(n>0; length(a[])-floor(length(a[])/n)*n; 0)", ci);
  FUZZ_CHECK(!ci.Error || !ci.Message.empty());
  if (!ci.Error) FUZZ_CHECK(checked.AsNumber() == 0);
  const TReturnValue text = Run("fileread('" + path + "')", ci);
  FUZZ_CHECK(!ci.Error);
  FUZZ_CHECK(text.AsString() == bytes);
  return 0;
}
