// The parser on any program text: it ends, with a tree or an error whose
// position lies inside the text (-1: the error came at its end), and
// colouring positions inside the text with known kinds.

#include <cstdint>
#include <list>
#include <string>

#include "FuzzCheck.h"
#include "engine/Parser.h"
#include "workbench/Libraries.h"

using namespace TernioParser;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TVarHandler::TGlobalList globals;
  static TGUIParser engine(&globals, StandardLayers());
  const std::string text(reinterpret_cast<const char*>(data), size);
  engine.SetText(text);
  std::list<TCodePosInfo> colours;
  const bool ok = engine.Parse(&colours);
  // The engine keeps the text without CR.
  const int32_t length = static_cast<int32_t>(engine.Text.size());
  if (!ok) {
    FUZZ_CHECK(engine.Error);
    FUZZ_CHECK(!engine.Message.empty());
    FUZZ_CHECK(engine.ErrorPos >= -1 && engine.ErrorPos <= length);
  }
  for (const TCodePosInfo& c : colours) {
    FUZZ_CHECK(c.Position >= -1 && c.Position <= length);
    FUZZ_CHECK(c.Kind >= 0 && c.Kind < TokenKindCount);
  }
  engine.Clear();
  return 0;
}
