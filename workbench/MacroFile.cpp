#include "workbench/MacroFile.h"

#include <algorithm>

namespace Ostra {

const char* const PanelMarker = "/*$$panel:";
const char* const PanelMarkerEnd = "$$*/";

TMacroDocument ReadMacroText(const std::string& file) {
  TMacroDocument doc;
  doc.Panels = {TMacroPanel{"Global", "", 0}, TMacroPanel{"Calculator 1", "", 0}};
  const std::string marker = PanelMarker;
  size_t pos = file.find(marker);
  if (pos == std::string::npos) {
    doc.Panels[1].Text = file;
    return doc;
  }
  for (size_t k = 0; pos != std::string::npos; ++k) {
    size_t nameStart = pos + marker.size();
    size_t nameEnd = file.find(PanelMarkerEnd, nameStart);
    if (nameEnd == std::string::npos) {
      doc.Complete = false;
      break;
    }
    std::string name = file.substr(nameStart, nameEnd - nameStart);
    // The marker line's end: one character after the closing "$$*/".
    size_t textStart = std::min(file.size(), nameEnd + 4 + 1);
    size_t next = file.find(marker, textStart);
    size_t textEnd = next == std::string::npos ? file.size() : next;
    TMacroPanel panel{name, file.substr(textStart, textEnd - textStart), textStart};
    if (k < 2) doc.Panels[k] = panel;
    else doc.Panels.push_back(panel);
    pos = next;
  }
  return doc;
}

std::string WriteMacroText(const std::vector<TMacroPanel>& panels) {
  if (panels.size() == 2 && panels[0].Text.empty()) return panels[1].Text;
  std::string out;
  for (const TMacroPanel& p : panels) {
    out += PanelMarker;
    out += p.Name;
    out += PanelMarkerEnd;
    out += '\n';
    out += p.Text;
  }
  return out;
}

}  // namespace Ostra
