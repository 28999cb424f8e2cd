// The .sma reader on any bytes: it ends with the panels it could read, each
// panel's text lies inside the file at its offset, and what the writer makes
// of the panels reads back as the same panels (in the single-panel form, an
// empty Global panel and one calculator panel, only the texts are kept).

#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "workbench/MacroFile.h"

using namespace Ostra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  const TMacroDocument doc = ReadMacroText(file);
  for (const TMacroPanel& p : doc.Panels) {
    FUZZ_CHECK(p.Offset <= file.size() && p.Text.size() <= file.size() - p.Offset);
    FUZZ_CHECK(file.compare(p.Offset, p.Text.size(), p.Text) == 0);
  }
  if (!doc.Complete || doc.Panels.empty()) return 0;
  const std::string written = WriteMacroText(doc.Panels);
  const TMacroDocument again = ReadMacroText(written);
  FUZZ_CHECK(again.Complete);
  FUZZ_CHECK(again.Panels.size() == doc.Panels.size());
  const bool singlePanel = doc.Panels.size() == 2 && doc.Panels[0].Text.empty();
  for (size_t i = 0; i < doc.Panels.size(); ++i) {
    if (!singlePanel) FUZZ_CHECK(again.Panels[i].Name == doc.Panels[i].Name);
    FUZZ_CHECK(again.Panels[i].Text == doc.Panels[i].Text);
  }
  return 0;
}
