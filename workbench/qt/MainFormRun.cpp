// The main window's calculation control: starting a run, Break, the finished
// notification, and ending a run when the window closes.

#include "workbench/qt/MainForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>
#include <chrono>

#include "engine/qt/CodePage.h"
#include "workbench/Libraries.h"
#include "workbench/MacroFile.h"
#include "workbench/qt/EditPanel.h"
#include "engine/qt/Recovery.h"

using namespace TernioParser;

// ---- calculation

void TMainForm::CreateRun() {
  TRunEvents events;
  events.Finished = [this](const TRunOutcome& outcome) {
    QMetaObject::invokeMethod(
        this, [this, outcome] { ShowCalculationResult(outcome); }, Qt::QueuedConnection);
  };
  events.ThreadEnded = [this] {
    if (!FClosing.load()) QMetaObject::invokeMethod(this, &TMainForm::ThreadTerminated, Qt::QueuedConnection);
  };
  Run = std::make_unique<TRunController>(StandardLayers(), std::move(events));
}

void TMainForm::ActionStartExecute() {
  if (!Doc.CanStart()) return;
  ParsePending();
  if (!Run->CanStart()) return;
  Doc.SetRunning(true);
  UpdateActionStates();
  StatusPanel1->setText(tr("Running..."));
  // The previous run's result must not pass for this one's.
  if (TEditPanel* p = CurrentPanel()) p->ShowResult(QString());
  if (Doc.ThreadEnded() || !Run->Start()) {
    Doc.SetRunning(false);
    UpdateActionStates();
  }
}

void TMainForm::ActionBreakExecute() {
  if (!Doc.Running()) return;
  StatusPanel1->setText(tr("Breaking..."));
  Run->Break();
}

void TMainForm::ShowCalculationResult(const TRunOutcome& outcome) {
  if (TEditPanel* p = CurrentPanel()) {
    if (outcome.Error()) p->ShowResult(tr("Error: %1").arg(Ostra::FromCodePage(outcome.Message)));
    else p->ShowResult(Ostra::FromCodePage(FormatResult(outcome.Result(), p->Radix())));
  }
  StatusPanel1->setText(outcome.Error() ? tr("Calculation terminated") : tr("Calculation finished"));
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
  Doc.SetThreadEnded();
}

void TMainForm::BtnShowErrorClick() {
  ParsePending();
  TEditPanel* p = CurrentPanel();
  if (!p) return;
  if (Run->Parsed(PageControl->indexOf(p)).Ok) {
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
  // Keep serving the window messages the run may wait for (output, panels),
  // and the one that shows its end.
  while (Doc.Running() && t.elapsed() < 1000) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    if (Doc.Running()) Run->WaitFor(std::chrono::milliseconds(5));
  }
  return !Doc.Running();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  const Ostra::TCloseOutcome outcome = Doc.Close({
      [this] {
        return Ask(QMessageBox::Question,
                   tr(AppTitle),
                   tr("Calculation running, do you want to kill it?"),
                   QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
      },
      [this] { return EndCalculation(); },
      [this] { return QuerySaveChanges(); },
  });
  if (outcome == Ostra::TCloseOutcome::Stay) {
    event->ignore();
    return;
  }
  event->accept();
  // The user has saved or discarded the changes.
  RecoveryTimer->stop();
  Recovery->Remove();
  if (outcome == Ostra::TCloseOutcome::Exit) {
    // The calculation is blocked somewhere Break cannot reach, and a thread
    // cannot be killed: leave at once instead of waiting for it forever.
    for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    ForceExit();
  }
}
