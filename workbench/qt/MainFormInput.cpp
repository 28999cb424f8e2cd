// The main window's keyboard handling (numeric keypad, F1, the Calculator
// hot keys) and files dropped onto it.

#include "workbench/qt/MainForm.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>

#include "workbench/qt/EditPanel.h"
#include "workbench/qt/HelpBrowser.h"

using namespace TernioParser;

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* k = static_cast<QKeyEvent*>(event);
      // Break is wanted from every window of the program: a panel, the
      // output and plot windows, a GUI editor, its dialogs, a message box or
      // a file dialog (also a modal one). In this window the action's
      // shortcut takes F4 before it becomes a key press.
      if (k->key() == Qt::Key_F4 && (k->modifiers() | Qt::KeypadModifier) == Qt::KeypadModifier && Doc.Running()) {
        ActionBreakExecute();
        return true;
      }
      if (!(k->modifiers() & Qt::KeypadModifier)) break;
      if (k->key() == Qt::Key_Period || k->key() == Qt::Key_Comma) {
        // The keypad's decimal key always types a point, whatever the
        // keyboard layout's decimal separator is.
        if (k->text() != ".") {
          // Delivered at once, so that it keeps its place among the keys.
          QKeyEvent point(QEvent::KeyPress, Qt::Key_Period, Qt::NoModifier, ".");
          QCoreApplication::sendEvent(watched, &point);
          return true;
        }
        break;
      }
      if (k->key() == Qt::Key_Enter) {
        // The keypad's Enter: the focused editor gets its line break as
        // usual, then the calculation starts.
        if (!FStartPending) {
          FStartPending = true;
          QMetaObject::invokeMethod(this, &TMainForm::DeferredStart, Qt::QueuedConnection);
        }
      }
      break;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* d = static_cast<QDropEvent*>(event);
      auto* w = qobject_cast<QWidget*>(watched);
      if (w && w->window() == this && d->mimeData()->hasUrls() &&
          !d->mimeData()->urls().first().toLocalFile().isEmpty()) {
        d->acceptProposedAction();
        return true;
      }
      break;
    }
    case QEvent::Drop: {
      auto* d = static_cast<QDropEvent*>(event);
      auto* w = qobject_cast<QWidget*>(watched);
      if (w && w->window() == this && d->mimeData()->hasUrls()) {
        QStringList files;
        for (const QUrl& u : d->mimeData()->urls())
          if (u.isLocalFile()) files << u.toLocalFile();
        if (!files.isEmpty()) {
          d->acceptProposedAction();
          FilesDropped(files);
          return true;
        }
      }
      break;
    }
    default: break;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMainForm::FilesDropped(const QStringList& files) {
  if (files.isEmpty()) return;
  const QString first = files.first();
  if (Doc.Modified() && !QuerySaveChanges()) return;
  OpenDocument(first);
}

void TMainForm::ShowHelpForCaret(TEditPanel* panel) {
  if (HelpPanel && panel) HelpPanel->ShowHelpFor(panel->MemoEdit);
}
