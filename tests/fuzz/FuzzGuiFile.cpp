// The .gui reader on any bytes: the rows it reads make controls (or are
// refused as a whole), and the controls written out read back as the same
// file.

#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "panels/GuiFile.h"

using namespace Ostra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TCSVReadWrite table;
  table.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
  TPanelControls panel;
  if (!panel.LoadRows(table)) {
    FUZZ_CHECK(table.Rows.size() > MaxGuiRows);
    return 0;
  }
  panel.BuildIndex();
  TCSVReadWrite written;
  panel.WriteRows(written);
  const std::string bytes = written.Format();
  // The writer's form is a fixed point: read and written again, it stays.
  TCSVReadWrite reread;
  reread.Parse(bytes);
  TPanelControls again;
  FUZZ_CHECK(again.LoadRows(reread));
  TCSVReadWrite rewritten;
  again.WriteRows(rewritten);
  FUZZ_CHECK(rewritten.Format() == bytes);
  return 0;
}
