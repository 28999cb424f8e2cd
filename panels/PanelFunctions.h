#pragma once
// loadgui, panelname, setproperty, getproperty, haschanged and waitguievent:
// the panel functions. They reach the control window through the run's panel
// host; without one, nothing is loaded and every request answers 0.

#include "engine/Function.h"

namespace TernioParser {

class TGUILoader final : public TFunction {
public:
  int ArgumentCount() const override { return 2; }
  double Calculate(TCalcInfo& ci) override;
};

class TPanelName final : public TFunction {
public:
  int ArgumentCount() const override { return 2; }
  double Calculate(TCalcInfo& ci) override;
};

class TSetProperty final : public TFunction {
public:
  int ArgumentCount() const override { return 4; }
  double Calculate(TCalcInfo& ci) override;
};

// The result is the property's value, a number or a text.
class TGetProperty final : public TFunction {
public:
  int ArgumentCount() const override { return 3; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class THasChanged final : public TFunction {
public:
  int ArgumentCount() const override { return 2; }
  double Calculate(TCalcInfo& ci) override;
};

// Waits for a user interaction with a panel of the run, Break or the time-out.
class TWaitGUIEvent final : public TFunction {
public:
  int ArgumentCount() const override { return 1; }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

// The rows of this library.
TLibrary PanelLibrary();

}  // namespace TernioParser
