// The recovery copy of the main window's unsaved document, and the offer to
// restore the copies that ended programs left behind.

#include "workbench/qt/MainForm.h"

#include <QDir>
#include <QTimer>

#include "workbench/qt/Recovery.h"

void TMainForm::WriteRecoveryCopy() {
  RecoveryTimer->stop();
  if (!FModified || PanelCount() == 0) {
    Recovery->Remove();
    return;
  }
  // A copy that cannot be written leaves the document as it is; the next
  // change tries again.
  Recovery->Write(DocumentBytes(), TRecoveryStore::MacroKind, HasFileName ? FullPath : QString());
}

bool TMainForm::OfferRecovery() {
  if (FRunning) return false;
  for (const TRecoveryStore::TCopy& copy : Recovery->Orphans()) {
    if (copy.Kind != TRecoveryStore::MacroKind) continue;
    const QString text =
        copy.OriginalPath.isEmpty()
            ? tr("The Ostra Calculator ended without saving the changes of an unnamed document.\n"
                 "Do you want to restore them? (No discards them.)")
            : tr("The Ostra Calculator ended without saving the changes of the document %1.\n"
                 "Do you want to restore them? (No discards them.)")
                  .arg(QDir::toNativeSeparators(copy.OriginalPath));
    const auto answer = Ask(QMessageBox::Question, AppTitle, text, QMessageBox::Yes | QMessageBox::No);
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
