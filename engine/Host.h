#pragma once
// The interfaces through which running programs reach the world outside the
// engine. The desktop application implements them with calls into its windows;
// the headless runner implements them directly.

#include <string>

namespace TernioParser {

// Receives the text of print, println and cleartext, in program order. Each
// call returns only when the text has been taken over.
class TOutputSink {
public:
  virtual ~TOutputSink() = default;
  // Appends text; newline closes the line afterwards.
  virtual void Write(const std::string& text, bool newline) = 0;
  virtual void Clear() = 0;
};

// Declared by the subsystems that offer them (the plot window's requests in
// output/, the control window's in panels/).
class TPlotHost;
class TPanelHost;

// The services a run may use; any of them may be missing.
struct THost {
  TOutputSink* Output = nullptr;
  TPlotHost* Plot = nullptr;
  TPanelHost* Panels = nullptr;
};

}  // namespace TernioParser
