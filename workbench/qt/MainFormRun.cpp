// The main window's calculation control: starting a run, Break, the finished
// notification, and ending a run when the window closes.

#include "workbench/qt/MainForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QThread>
#include <QTimer>

#include "engine/qt/CodePage.h"
#include "workbench/MacroFile.h"
#include "workbench/qt/EditPanel.h"
#include "engine/qt/Recovery.h"

using namespace TernioParser;

// ---- calculation

void TMainForm::ActionStartExecute() {
  if (!Doc.CanStart()) return;
  ParsePending();
  if (Run->Main->Error || Run->Global->Error) return;
  Doc.SetRunning(true);
  FRunDone = false;
  UpdateActionStates();
  StatusPanel1->setText(tr("Running..."));
  // The previous run's result must not pass for this one's.
  if (TEditPanel* p = CurrentPanel()) p->ShowResult(QString());
  if (FThreadEnded || !Run->Start()) {
    Doc.SetRunning(false);
    UpdateActionStates();
  }
}

void TMainForm::ActionBreakExecute() {
  if (!Doc.Running()) return;
  StatusPanel1->setText(tr("Breaking..."));
  Run->Break();
  // A break that arrives before the thread has taken up the run request
  // would be reset by the start of the run; repeat it until the run ends.
  BreakRepeater->start();
}

void TMainForm::RunFinished(const TReturnValue* result) {
  QMetaObject::invokeMethod(
      this, [this, result] { ShowCalculationResult(result); }, Qt::QueuedConnection);
  FRunDone = true;
}

void TMainForm::ShowCalculationResult(const TReturnValue* result) {
  const TCalcInfo& ci = Run->CalcInfo();
  if (TEditPanel* p = CurrentPanel()) {
    if (ci.Error) p->ShowResult(tr("Error: %1").arg(Ostra::FromCodePage(ci.Message)));
    else if (result) p->ShowResult(Ostra::FromCodePage(FormatResult(*result, p->Radix())));
  }
  StatusPanel1->setText(ci.Error ? tr("Calculation terminated") : tr("Calculation finished"));
  BreakRepeater->stop();
  Doc.SetRunning(false);
  UpdateActionStates();
  if (TEditPanel* p = CurrentPanel()) p->MemoEdit->setFocus();
  emit CalculationFinished();
}

void TMainForm::ThreadTerminated() {
  if (!FClosing.load())
    Ask(QMessageBox::Critical,
        tr(AppTitle),
        tr("Macro thread terminated unexpectedly, maybe the connection to the RIR program is lost. "
           "Please restart the program."),
        QMessageBox::Ok);
  FThreadEnded = true;
}

void TMainForm::BtnShowErrorClick() {
  ParsePending();
  TEditPanel* p = CurrentPanel();
  if (!p) return;
  TGUIParser* engine = EngineOf(p);
  if (!engine->Error) {
    SetSyntaxState(false);
    return;
  }
  // The marked place: the last parse of the panel made it.
  if (!p->MemoEdit->HasError()) MarkParseError(p);
  StatusPanel1->setText(p->MemoEdit->ErrorMessage());
  const QTextCursor c = p->MemoEdit->ErrorRange();
  p->MemoEdit->setTextCursor(c);
  p->MemoEdit->setFocus();
}

void TMainForm::DeferredStart() {
  FStartPending = false;
  ParsePending();
  if (ActionStart->isEnabled()) ActionStartExecute();
}

bool TMainForm::EndCalculation() {
  ActionBreakExecute();
  QElapsedTimer t;
  t.start();
  // Keep serving the window messages the run may wait for (output, panels).
  while (Doc.Running() && t.elapsed() < 1000) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    if (FRunDone.load()) continue;
    Run->Break();
    QThread::msleep(5);
  }
  return !Doc.Running();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (Doc.Running() && !FThreadEnded) {
    if (Ask(QMessageBox::Question,
            tr(AppTitle),
            tr("Calculation running, do you want to kill it?"),
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
      event->ignore();
      return;
    }
    if (!EndCalculation()) FThreadStuck = true;
  }
  if (Doc.Modified() && !QuerySaveChanges()) {
    event->ignore();
    return;
  }
  event->accept();
  // The user has saved or discarded the changes.
  RecoveryTimer->stop();
  Recovery->Remove();
  if (FThreadStuck) {
    // The calculation is blocked somewhere Break cannot reach, and a thread
    // cannot be killed: leave at once instead of waiting for it forever.
    for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    ForceExit();
  }
}
