#include "panels/PanelFunctions.h"

#include "engine/CalcInfo.h"
#include "panels/PanelHost.h"

namespace TernioParser {

double TGUILoader::Calculate(TCalcInfo& ci) {
  const int32_t panel = IntArg(0);
  if (!ci.Host.Panels || !IsPanelNumber(panel)) return 0;
  auto request = std::make_unique<TCreatePanelInfo>();
  request->Panel = panel;
  request->FileName = Results[1].AsString();
  request->Event = &ci.PanelEvent;
  return ci.Host.Panels->LoadPanel(std::move(request)) ? -1 : 0;
}

double TPanelName::Calculate(TCalcInfo& ci) {
  const int32_t panel = IntArg(0);
  if (ci.Host.Panels && IsPanelNumber(panel)) ci.Host.Panels->NamePanel(panel, Results[1].AsString());
  return 0;
}

double TSetProperty::Calculate(TCalcInfo& ci) {
  TSetPropertyInfo r;
  r.Panel = IntArg(0);
  if (!ci.Host.Panels || !IsPanelNumber(r.Panel)) return 0;
  r.Control = IntArg(1);
  r.Id = IntArg(2);
  r.IsString = Results[3].IsString;
  if (r.IsString) r.Text = Results[3].Text.Str();
  else r.Number = Results[3].Number;
  return ci.Host.Panels->SetProperty(r) ? -1 : 0;
}

void TGetProperty::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (!EvaluateArguments(ci)) return;
  TSetPropertyInfo r;
  r.Panel = IntArg(0);
  if (!ci.Host.Panels || !IsPanelNumber(r.Panel)) return;
  r.Control = IntArg(1);
  r.Id = IntArg(2);
  if (!ci.Host.Panels->GetProperty(r)) return;
  if (r.IsString) result.SetString(r.Text);
  else result.SetNumber(r.Number);
}

double THasChanged::Calculate(TCalcInfo& ci) {
  const int32_t panel = IntArg(0);
  if (!ci.Host.Panels || !IsPanelNumber(panel)) return 0;
  return ci.Host.Panels->HasChanged(panel, IntArg(1)) ? -1 : 0;
}

void TWaitGUIEvent::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  if (ci.Error) return;
  Args[0]->Evaluate(ci, Results[0]);
  if (ci.Error) {
    result.SetNumber(1);
    return;
  }
  // 0 waits without limit; so does a negative time-out, which as an unsigned
  // count of milliseconds lasts weeks.
  const int32_t timeout = IntArg(0);
  const int hit = TEvent::WaitAny({&ci.PanelEvent, &ci.StopEvent}, timeout > 0 ? timeout : -1);
  if (hit == 0) {
    result.SetNumber(-1);
  } else if (hit == 1) {
    // Break: the run ends here, also when the wait is the last thing the
    // program does.
    RaiseStopped(ci);
  }
}

}  // namespace TernioParser
