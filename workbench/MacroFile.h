#pragma once
// The macro document format (.sma): every editor panel with its name and
// program text, as 8-bit text. Used by the desktop application and by the
// headless runner.

#include <string>
#include <vector>

namespace Ostra {

struct TMacroPanel {
  std::string Name;
  // The program text as the file holds it (line breaks as CR LF).
  std::string Text;
  // Byte offset of Text within the file.
  size_t Offset = 0;
};

struct TMacroDocument {
  // Page 0 is the Global panel; there is always at least one calculator panel.
  std::vector<TMacroPanel> Panels;
  // False when the file's sections could not all be read; Panels then holds
  // what was read up to that point.
  bool Complete = true;
};

extern const char* const PanelMarker;     // "/*$$panel:"
extern const char* const PanelMarkerEnd;  // "$$*/"

// Distributes a file's text over the pages of a new document: a text without
// markers goes to page 1; otherwise each marker starts a page (the first one
// always lands on the Global page).
TMacroDocument ReadMacroText(const std::string& file);

// The file text of a document; a document of just an empty Global panel and one
// calculator panel is stored as that panel's text alone.
std::string WriteMacroText(const std::vector<TMacroPanel>& panels);

}  // namespace Ostra
