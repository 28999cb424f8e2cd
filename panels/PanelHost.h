#pragma once
// How a running program reaches the control window: the six requests of the
// panel functions. The desktop delivers each to the window's thread and waits
// for the answer; the headless runner answers them on the calculation thread
// from the same panel model without widgets.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/CalcInfo.h"
#include "panels/GuiFile.h"
#include "panels/PanelTable.h"

namespace TernioParser {

// The load request of loadgui.
struct TCreatePanelInfo {
  int32_t Panel = 0;
  std::string FileName;  // as the program gave it
  // Signalled whenever the user operates a control of the panel.
  TEvent* Event = nullptr;
};

// The property request of setproperty and getproperty. The value is plain
// data, so that it can cross to the window's thread.
struct TSetPropertyInfo {
  int32_t Panel = 0, Control = 0, Id = 0;
  double Number = 0;
  std::string Text;
  bool IsString = false;
};

class TPanelHost {
public:
  virtual ~TPanelHost() = default;
  // Shows the file as the panel; false when it is refused (too many rows)
  // or the panel number is out of range.
  virtual bool LoadPanel(std::unique_ptr<TCreatePanelInfo> request) = 0;
  virtual void CloseAllPanels() = 0;
  virtual void NamePanel(int32_t panel, const std::string& name) = 0;
  // False when there is no such panel or control, the property number is
  // unknown or the value refused.
  virtual bool SetProperty(TSetPropertyInfo& request) = 0;
  // Fills in the value on success.
  virtual bool GetProperty(TSetPropertyInfo& request) = 0;
  // True when the control was changed by the user since the last question;
  // asking clears the flag.
  virtual bool HasChanged(int32_t panel, int32_t control) = 0;
};

// Where loadgui looks for a file: a name without a folder part is taken as
// it is when it exists relative to the current folder, else from the
// document's folder when it exists there; otherwise it stays as given.
// documentPath is the full path of the macro document, empty when it has
// none.
std::string ResolvePanelFile(const std::string& name, const std::string& documentPath);

// The property requests applied to a panel's model.
bool SetPanelProperty(const Ostra::TPanelControls& panel, const TSetPropertyInfo& request);
bool GetPanelProperty(const Ostra::TPanelControls& panel, TSetPropertyInfo& request);
bool TakePanelChange(const Ostra::TPanelControls& panel, int32_t control);

// The panels of the headless runner: the same loading, naming and property
// rules as the control window, without widgets. No user operates them, so
// they never change and their event is never signalled.
class THeadlessPanelHost final : public TPanelHost {
public:
  explicit THeadlessPanelHost(std::string documentPath = "") : DocumentPath(std::move(documentPath)) {}

  bool LoadPanel(std::unique_ptr<TCreatePanelInfo> request) override;
  void CloseAllPanels() override;
  void NamePanel(int32_t panel, const std::string& name) override;
  bool SetProperty(TSetPropertyInfo& request) override;
  bool GetProperty(TSetPropertyInfo& request) override;
  bool HasChanged(int32_t panel, int32_t control) override;

  // Full path of the macro document, for the resolution of file names.
  std::string DocumentPath;
  TPanelTable<Ostra::TPanelControls> Table;
};

// The panel layer's end-of-run hook: closes every panel of the run.
void ClosePanelsAfterRun(TCalcInfo& ci);

}  // namespace TernioParser
