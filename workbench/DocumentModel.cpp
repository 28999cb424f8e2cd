#include "workbench/DocumentModel.h"

#include "workbench/MacroFile.h"

namespace Ostra {

int TDocumentModel::AddPanel(std::string name) {
  Names.push_back(std::move(name));
  return PanelCount() - 1;
}

void TDocumentModel::RemovePanel(int page) {
  if (page < 0 || page >= PanelCount()) return;
  Names.erase(Names.begin() + page);
  const auto follow = [page](int& index) {
    if (index == page) index = -1;
    else if (index > page) --index;
  };
  follow(FPending);
  follow(FLastParsed);
}

void TDocumentModel::Clear() {
  Names.clear();
  FCurrent = FPending = FLastParsed = -1;
}

bool TDocumentModel::SetModified(bool value) {
  if (value == FModified) return false;
  FModified = value;
  return true;
}

TActionStates TDocumentModel::ActionStates(bool recentFiles) const {
  const bool idle = !FRunning, calculator = OnCalculatorPage();
  TActionStates s;
  s.New = s.Open = s.NewPanel = s.SwitchPages = s.Editable = idle;
  s.Recent = idle && recentFiles;
  s.Save = FModified;
  // Start parses a pending edit first and refuses a text that fails.
  s.Start = idle && (!FSyntaxError || FPending >= 0) && calculator;
  s.Break = FRunning;
  s.DeletePanel = idle && calculator;
  s.Rename = calculator;
  s.Replace = idle && FCurrent >= 0;
  return s;
}

bool TDocumentModel::SkipsSavePrompt(size_t characters) const {
  return PanelCount() == 2 && FCurrent == 1 && characters < TrivialLength;
}

TPanelDeletion TDocumentModel::DeletionOfCurrent(bool panelEmpty) const {
  if (!CanDeleteCurrent()) return TPanelDeletion::Refused;
  return panelEmpty ? TPanelDeletion::Delete : TPanelDeletion::Confirm;
}

TCloseOutcome TDocumentModel::Close(const TCloseQuestions& ask) {
  if (FRunning && !FThreadEnded) {
    if (!ask.Kill()) return TCloseOutcome::Stay;
    if (!ask.EndRun()) FThreadStuck = true;
  }
  if (FModified && !ask.SaveChanges()) return TCloseOutcome::Stay;
  return FThreadStuck ? TCloseOutcome::Exit : TCloseOutcome::Close;
}

std::vector<TSectionPage> TDocumentModel::SectionPages(const std::string& file, const TMacroDocument& doc) {
  if (file.find(PanelMarker) == std::string::npos) return {{1, 1, false}};
  std::vector<TSectionPage> pages;
  for (size_t k = 0; k < doc.Panels.size(); ++k) {
    if (k == 1 && doc.Panels[k].Offset == 0) continue;
    pages.push_back({k, k < 2 ? int(k) : -1, true});
  }
  return pages;
}

std::string TDocumentModel::DisplayName(const std::string& path) {
  const size_t cut = path.find_last_of("/\\:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string TDocumentModel::CommandLinePath(const std::string& joined) {
  if (joined.empty() || joined[0] != '"') return joined;
  return joined.size() < 2 ? std::string() : joined.substr(1, joined.size() - 2);
}

std::string TDocumentModel::FileText(const std::string& editorText) {
  std::string out;
  out.reserve(editorText.size() + editorText.size() / 16);
  for (char c : editorText) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace Ostra
