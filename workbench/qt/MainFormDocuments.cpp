// Macro documents in the main window: new, open, save, the save prompt, the
// panels of a document and the file named on the command line.

#include "workbench/qt/MainForm.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

#include "engine/qt/AtomicFile.h"
#include "engine/qt/CodePage.h"
#include "workbench/MacroFile.h"
#include "workbench/qt/Completion.h"
#include "workbench/qt/RecentFiles.h"
#include "workbench/qt/EditPanel.h"
#include "workbench/qt/RenameForm.h"
#include "workbench/qt/SyntaxColouring.h"

using namespace TernioParser;

// ---- documents

void TMainForm::NewDocument() {
  HasFileName = false;
  FullPath.clear();
  FLoading = true;
  for (int i = PageControl->count() - 1; i >= 0; --i) {
    QWidget* w = PageControl->widget(i);
    PageControl->removeTab(i);
    delete w;
  }
  Doc.Clear();
  FLoading = false;
  TEditPanel* global = AddPanel(Ostra::TDocumentModel::GlobalName);
  if (!global) return;
  global->ResultPanel->hide();
  TEditPanel* calc = AddCalculatorPanel();
  CheckPanelText(global);
  CheckPanelText(calc);
  UpdateCaption();
  SetModified(false);
}

TEditPanel* TMainForm::AddPanel(const QString& name) {
  if (Doc.Running()) return nullptr;
  auto* panel = new TEditPanel;
  panel->OnChange = [this](TEditPanel* p) { PanelEdited(p); };
  panel->OnHelpKey = [this](TEditPanel* p) { ShowHelpForCaret(p); };
  // Functions the Global panel defines complete in every panel.
  panel->Completion->GlobalText = [this, panel] {
    TEditPanel* global = PanelCount() > 0 ? Panel(0) : nullptr;
    return global && global != panel ? global->Text() : QString();
  };
  new TSyntaxColourer(panel->MemoEdit);
  connect(panel->MemoEdit, &QPlainTextEdit::selectionChanged, this, &TMainForm::UpdateEditActions);
  connect(panel->MemoEdit, &QPlainTextEdit::textChanged, this, &TMainForm::UpdateEditActions);
  connect(panel->MemoEdit, &QPlainTextEdit::undoAvailable, this, &TMainForm::UpdateEditActions);
  connect(panel->MemoEdit, &QPlainTextEdit::redoAvailable, this, &TMainForm::UpdateEditActions);
  connect(panel->edtResult, &QLineEdit::selectionChanged, this, &TMainForm::UpdateEditActions);
  const bool loading = FLoading;
  FLoading = true;
  Doc.AddPanel(name.toStdString());
  const int index = PageControl->addTab(panel, QString());
  SetPanelName(index, name);
  PageControl->setCurrentIndex(index);
  FLoading = loading;
  UpdateActionStates();
  return panel;
}

TEditPanel* TMainForm::AddCalculatorPanel() {
  const bool modified = Doc.Modified();
  TEditPanel* p = AddPanel(QString::fromStdString(Doc.NextCalculatorName()));
  if (!p) return nullptr;
  CheckPanelText(p);
  SetModified(modified);
  if (p->isVisible()) p->MemoEdit->setFocus();
  return p;
}

void TMainForm::DeletePanel() {
  TEditPanel* p = CurrentPanel();
  switch (Doc.DeletionOfCurrent(!p || p->IsEmpty())) {
    case Ostra::TPanelDeletion::Refused: UpdateActionStates(); return;
    case Ostra::TPanelDeletion::Confirm:
      if (Ask(QMessageBox::Question,
              tr("Calculator"),
              tr("Panel is not empty, do you really want to delete it?"),
              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
      break;
    case Ostra::TPanelDeletion::Delete: break;
  }
  const int index = PageControl->currentIndex();
  FLoading = true;
  PageControl->removeTab(index);
  Doc.RemovePanel(index);
  delete p;
  PageControl->setCurrentIndex(std::min(index, PageControl->count() - 1));
  FLoading = false;
  // Messages about the deleted panel (its error, its run) no longer apply.
  StatusPanel1->clear();
  const bool modified = Doc.Modified();
  CheckPanelText(CurrentPanel());
  SetModified(modified);
  UpdateActionStates();
}

void TMainForm::SetFileName() {
  DisplayName = QString::fromStdString(Ostra::TDocumentModel::DisplayName(FullPath.toStdString()));
  HasFileName = true;
  UpdateCaption();
}

bool TMainForm::QuerySaveChanges() {
  const auto length = [this](int page) {
    const TEditPanel* p = Panel(page);
    return p ? size_t(p->Text().size()) : size_t(0);
  };
  if (Doc.SkipsSavePrompt(length(0) + length(1))) return true;
  raise();
  activateWindow();
  switch (Ask(QMessageBox::Question,
              tr(AppTitle),
              tr("The current file has been modified, do you want to save it?"),
              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
      // Go on only when the document is safe on disk.
      return ActionSaveExecute();
    case QMessageBox::No: return true;
    default: return false;
  }
}

bool TMainForm::OpenDocument(const QString& path) {
  if (Doc.Running()) return false;
  NewDocument();
  FullPath = path;
  if (QFileInfo(path).isDir()) return false;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray data = file.readAll();
  const bool readOk = file.error() == QFileDevice::NoError;
  file.close();
  auto fail = [&] {
    Ask(QMessageBox::Warning, tr(AppTitle), tr("Error opening file %1").arg(FullPath), QMessageBox::Ok);
    return false;
  };
  if (!readOk) return fail();

  if (!LoadDocumentBytes(std::string(data.constData(), static_cast<size_t>(data.size())))) return fail();

  SetFileName();
  RecentFiles->Add(path);
  ShowLoadedDocument();
  QCoreApplication::processEvents();
  SetModified(false);
  return true;
}

void TMainForm::OpenRecent(const QString& path) {
  if (Doc.Running()) return;
  if (!QFileInfo::exists(path)) {
    RecentFiles->Remove(path);
    Ask(QMessageBox::Warning,
        tr(AppTitle),
        tr("The file %1 no longer exists; it has been removed from the recent files.")
            .arg(QDir::toNativeSeparators(path)),
        QMessageBox::Ok);
    return;
  }
  if (Doc.Modified() && !QuerySaveChanges()) return;
  OpenDocument(path);
}

bool TMainForm::LoadDocumentBytes(const std::string& bytes) {
  const Ostra::TMacroDocument doc = Ostra::ReadMacroText(bytes);
  FLoading = true;
  auto load = [&](TEditPanel* panel, const std::string& text) {
    panel->Notifications = false;
    panel->SetText(Ostra::FromCodePage(text));
    panel->Notifications = true;
    CheckPanelText(panel);
    ColourNow(panel);
  };
  for (const Ostra::TSectionPage& place : Ostra::TDocumentModel::SectionPages(bytes, doc)) {
    const Ostra::TMacroPanel& section = doc.Panels[place.Section];
    const QString name = Ostra::FromCodePage(section.Name);
    TEditPanel* panel = place.Page >= 0 ? Panel(place.Page) : AddPanel(name);
    if (!panel) break;
    if (place.Page >= 0 && place.Named) SetPanelName(place.Page, name);
    load(panel, section.Text);
  }
  FLoading = false;
  return doc.Complete;
}

void TMainForm::ShowLoadedDocument() {
  PageControl->setCurrentIndex(Doc.OpenedPage());
  UpdateActionStates();
  if (TEditPanel* p = CurrentPanel()) {
    p->MemoEdit->setFocus();
    CheckPanelText(p);
  }
}

std::string TMainForm::DocumentBytes() const {
  const int n = PageControl->count();
  std::vector<Ostra::TMacroPanel> panels;
  panels.reserve(size_t(n));
  for (int i = 0; i < n; ++i)
    panels.push_back({Ostra::ToCodePage(PanelName(i)), Ostra::TDocumentModel::FileText(Panel(i)->Text8()), 0});
  return Ostra::WriteMacroText(panels);
}

bool TMainForm::SaveDocument() { return WriteDocument(FullPath); }

bool TMainForm::WriteDocument(const QString& path) {
  if (PageControl->count() == 0) return true;
  QString error;
  const std::string bytes = DocumentBytes();
  if (!Ostra::WriteFileAtomically(path, QByteArray(bytes.data(), qsizetype(bytes.size())), &error)) {
    Ask(QMessageBox::Critical, tr(AppTitle), tr("Cannot save %1: %2").arg(path, error), QMessageBox::Ok);
    return false;
  }
  return true;
}

void TMainForm::ActionNewExecute() {
  if (Doc.Running()) return;
  if (Doc.Modified() && !QuerySaveChanges()) return;
  NewDocument();
}

void TMainForm::FileOpenExecute() {
  if (Doc.Running()) return;
  const QString path = ChooseFile(false);
  if (path.isEmpty()) return;
  if (Doc.Modified() && !QuerySaveChanges()) return;
  OpenDocument(path);
}

bool TMainForm::ActionSaveExecute() {
  if (!HasFileName) return FileSaveAsExecute();
  if (!SaveDocument()) return false;
  SetModified(false);
  return true;
}

bool TMainForm::FileSaveAsExecute() {
  const QString path = ChooseFile(true);
  if (path.isEmpty()) return false;
  // A failed save keeps the document's old name: it is still unsaved there.
  if (!WriteDocument(path)) return false;
  FullPath = path;
  SetFileName();
  RecentFiles->Add(path);
  SetModified(false);
  return true;
}

void TMainForm::ActRenameExecute() {
  TEditPanel* p = CurrentPanel();
  const int index = PageControl->currentIndex();
  if (!p || index <= 0) return;
  if (!RenameForm) RenameForm = new TRenameForm(this);
  QString name;
  if (!RenameForm->Execute(PanelName(index), name)) return;
  SetPanelName(index, name);
  SetModified(true);
  RecoveryTimer->start();
}

QString TMainForm::CommandLinePath(const QStringList& arguments) {
  return QString::fromStdString(Ostra::TDocumentModel::CommandLinePath(arguments.join(u' ').toStdString()));
}

void TMainForm::OpenCommandLine(const QStringList& arguments) {
  const QString path = CommandLinePath(arguments);
  if (!path.isEmpty()) OpenDocument(path);
  SetModified(false);
}
