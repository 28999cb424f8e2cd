// The recovery copy of the main window's unsaved document, and the offer to
// restore the copies that ended programs left behind.

#include "workbench/qt/MainForm.h"

#include <QDir>
#include <QTimer>

#include "engine/qt/Recovery.h"
#include "panels/qt/UserForm.h"

void TMainForm::WriteRecoveryCopy() {
  RecoveryTimer->stop();
  if (!Doc.Modified() || PanelCount() == 0) {
    Recovery->Remove();
    return;
  }
  // A copy that cannot be written leaves the document as it is; the next
  // change tries again.
  Recovery->Write(DocumentBytes(), TRecoveryStore::MacroKind, HasFileName ? FullPath : QString());
}

bool TMainForm::OfferRecovery() {
  if (Doc.Running()) return false;
  for (const TRecoveryStore::TCopy& copy : Recovery->Orphans()) {
    if (copy.Kind == TRecoveryStore::LayoutKind) {
      // Layouts open in editors of their own, so every one can come back.
      const QString text = tr("The GUI editor ended without saving the layout %1.\n"
                              "Do you want to restore it? (No discards it.)")
                               .arg(QDir::toNativeSeparators(copy.OriginalPath));
      if (Ask(QMessageBox::Question, tr(AppTitle), text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes) {
        TUserForm* editor = TUserForm::RestoreEditor(this, copy.Bytes, copy.OriginalPath);
        // The changes are safe in the editor's own copy before the old one goes.
        if (!editor->Recovery || !editor->Recovery->HasCopy()) continue;
      }
      Recovery->Discard(copy);
      continue;
    }
    if (copy.Kind != TRecoveryStore::MacroKind) continue;
    const QString text = copy.OriginalPath.isEmpty()
                             ? tr("The Ostra Calculator ended without saving the changes of an unnamed document.\n"
                                  "Do you want to restore them? (No discards them.)")
                             : tr("The Ostra Calculator ended without saving the changes of the document %1.\n"
                                  "Do you want to restore them? (No discards them.)")
                                   .arg(QDir::toNativeSeparators(copy.OriginalPath));
    const auto answer = Ask(QMessageBox::Question, tr(AppTitle), text, QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) {
      Recovery->Discard(copy);
      continue;
    }
    NewDocument();
    LoadDocumentBytes(copy.Bytes);
    if (!copy.OriginalPath.isEmpty()) {
      FullPath = copy.OriginalPath;
      SetFileName();
    }
    ShowLoadedDocument();
    SetModified(true);
    // The changes are safe in this window's own copy before the old one goes.
    WriteRecoveryCopy();
    if (Recovery->HasCopy()) Recovery->Discard(copy);
    return true;
  }
  return false;
}
