#include "output/PlotExport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "engine/CodePage.h"

namespace TernioParser {

namespace {

void AppendNumber(std::string& s, double x, int digits) {
  char buf[40];
  auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, digits);
  s.append(buf, r.ptr);
}

// A JSON number that reads back as the same double; null where JSON has none.
void AppendJsonNumber(std::string& s, double x) {
  if (!std::isfinite(x)) {
    s += "null";
    return;
  }
  char buf[40];
  auto r = std::to_chars(buf, buf + sizeof buf, x);
  s.append(buf, r.ptr);
}

void AppendJsonString(std::string& s, const std::string& text) {
  s += '"';
  for (unsigned char c : text) {
    const char32_t cp = CodePageChar(c);
    if (cp == '"' || cp == '\\') {
      s += '\\';
      s += static_cast<char>(cp);
    } else if (cp < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(cp));
      s += buf;
    } else if (cp < 0x80) {
      s += static_cast<char>(cp);
    } else if (cp < 0x800) {
      s += static_cast<char>(0xC0 | (cp >> 6));
      s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      s += static_cast<char>(0xE0 | (cp >> 12));
      s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      s += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  s += '"';
}

void AppendAxis(std::string& s, double min, double max, bool autoscale, const std::optional<std::string>& title) {
  s += "{\"min\": ";
  AppendJsonNumber(s, min);
  s += ", \"max\": ";
  AppendJsonNumber(s, max);
  s += ", \"autoscale\": ";
  s += autoscale ? "true" : "false";
  s += ", \"title\": ";
  if (title) AppendJsonString(s, *title);
  else s += "null";
  s += '}';
}

}  // namespace

std::string ColourText(TColour c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  return buf;
}

std::string CurvesAsText(const TPlotPanel& panel) {
  int32_t rows = 0;
  for (const auto& c : panel.Curves)
    if (c) rows = std::max(rows, c->Count());
  std::string s;
  for (int32_t i = 0; i < rows; ++i) {
    bool firstGroup = true;
    for (const auto& c : panel.Curves) {
      if (!c) continue;
      if (!firstGroup) s += '\t';
      firstGroup = false;
      if (c->Count() > i) {
        AppendNumber(s, c->X[i], 10);
        s += '\t';
        AppendNumber(s, c->Y[i], 10);
      } else {
        s += '\t';
      }
    }
    s += "\r\n";
  }
  return s;
}

std::string PlotsAsJson(const TPlotModel& model) {
  std::string s = "{\"tabs\": [";
  for (size_t k = 0; k < model.Tabs.size(); ++k) {
    const TPlotTab& tab = model.Tabs[k];
    s += k ? ",\n  " : "\n  ";
    s += "{\"index\": " + std::to_string(k) + ", \"caption\": ";
    AppendJsonString(s, tab.Caption);
    s += ", \"empty\": ";
    s += tab.Panel ? "false" : "true";
    if (const TPlotPanel* p = tab.Panel.get()) {
      s += ",\n   \"x\": ";
      AppendAxis(s, p->XMin, p->XMax, p->AutoscaleX, p->XTitle);
      s += ",\n   \"y\": ";
      AppendAxis(s, p->YMin, p->YMax, p->AutoscaleY, p->YTitle);
      s += ",\n   \"curves\": [";
      bool first = true;
      for (size_t n = 0; n < p->Curves.size(); ++n) {
        const TGraphicFunc* c = p->Curves[n].get();
        if (!c) continue;
        s += first ? "\n    " : ",\n    ";
        first = false;
        s += "{\"number\": " + std::to_string(n) + ", \"points\": " + std::to_string(c->Count()) +
             ", \"colour\": \"" + ColourText(c->Colour) + "\", \"thickness\": " + std::to_string(c->Thickness) +
             ", \"connected\": " + (c->Connected ? "true" : "false") + "}";
      }
      s += first ? "]" : "\n   ]";
    }
    s += '}';
  }
  s += model.Tabs.empty() ? "]}\n" : "\n]}\n";
  return s;
}

}  // namespace TernioParser
