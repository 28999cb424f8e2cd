#include "panels/PanelHost.h"

#include <filesystem>

#include "engine/CalcInfo.h"

namespace TernioParser {

std::string ResolvePanelFile(const std::string& name, const std::string& documentPath) {
  namespace fs = std::filesystem;
  if (name.empty() || name.find('/') != std::string::npos || documentPath.empty()) return name;
  std::error_code ec;
  if (fs::exists(name, ec)) return name;
  const fs::path beside = fs::path(documentPath).parent_path() / name;
  if (fs::exists(beside, ec)) return beside.string();
  return name;
}

bool SetPanelProperty(const Ostra::TPanelControls& panel, const TSetPropertyInfo& r) {
  Ostra::TEditObject* c = panel.Find(r.Control);
  if (!c) return false;
  TReturnValue v;
  if (r.IsString) v.SetString(r.Text);
  else v.SetNumber(r.Number);
  return c->SetProperty(r.Id, v);
}

bool GetPanelProperty(const Ostra::TPanelControls& panel, TSetPropertyInfo& r) {
  Ostra::TEditObject* c = panel.Find(r.Control);
  TReturnValue v;
  if (!c || !c->GetProperty(r.Id, v)) return false;
  r.IsString = v.IsString;
  r.Number = v.IsString ? 0 : v.Number;
  r.Text = v.IsString ? v.Text.Str() : std::string();
  return true;
}

bool TakePanelChange(const Ostra::TPanelControls& panel, int32_t control) {
  Ostra::TEditObject* c = panel.Find(control);
  if (!c || !c->Changed) return false;
  c->Changed = false;
  return true;
}

// ---- headless panels

bool THeadlessPanelHost::LoadPanel(std::unique_ptr<TCreatePanelInfo> request) {
  const int32_t n = request->Panel;
  if (!IsPanelNumber(n)) return false;
  auto panel = std::make_unique<Ostra::TPanelControls>();
  if (panel->LoadFile(ResolvePanelFile(request->FileName, DocumentPath)) == Ostra::TPanelLoad::Refused) return false;
  panel->BuildIndex();
  for (auto& c : panel->Controls) c->Changed = false;
  return Table.Put(n, std::move(panel));
}

void THeadlessPanelHost::CloseAllPanels() { Table.Clear(); }

void THeadlessPanelHost::NamePanel(int32_t panel, const std::string& name) { Table.Name(panel, name); }

bool THeadlessPanelHost::SetProperty(TSetPropertyInfo& request) {
  const Ostra::TPanelControls* p = Table.At(request.Panel);
  return p && SetPanelProperty(*p, request);
}

bool THeadlessPanelHost::GetProperty(TSetPropertyInfo& request) {
  const Ostra::TPanelControls* p = Table.At(request.Panel);
  return p && GetPanelProperty(*p, request);
}

bool THeadlessPanelHost::HasChanged(int32_t panel, int32_t control) {
  const Ostra::TPanelControls* p = Table.At(panel);
  return p && TakePanelChange(*p, control);
}

void ClosePanelsAfterRun(TCalcInfo& ci) {
  if (ci.Host.Panels) ci.Host.Panels->CloseAllPanels();
  // No panel is left to signal; an interaction after the last wait must not
  // wake the first wait of the next run.
  ci.PanelEvent.Reset();
}

}  // namespace TernioParser
