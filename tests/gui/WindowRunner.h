#pragma once
// The engines and the calculation thread as the main window has them, for the
// tests of windows that running programs drive. The finished notification is
// queued to the test's thread behind the run's requests to the windows, as
// the main window receives it.

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QString>
#include <QTimer>
#include <string>

#include "engine/RunController.h"
#include "workbench/Libraries.h"

class TWindowRunner : public TernioParser::TRunObserver, public TernioParser::TRunController {
public:
  // The caller sets the services of the runs in Host().
  TWindowRunner() : TRunController(TernioParser::StandardLayers(), this) { Resume(); }
  ~TWindowRunner() override { Thread.reset(); }

  void RunFinished(const TernioParser::TReturnValue* result) override {
    TernioParser::TReturnValue copy = *result;
    QMetaObject::invokeMethod(
        qApp,
        [this, copy] {
          Result = copy;
          Done = true;
          if (Waiting) Waiting->quit();
        },
        Qt::QueuedConnection);
  }

  // Parses the program as the panel's and starts it; false on a parse error.
  bool Start(const std::string& program) {
    Done = false;
    Main->SetText(program);
    if (!Main->Parse(nullptr)) return false;
    return TRunController::Start();
  }
  // Waits in an event loop, so that the windows answer the program's requests
  // meanwhile; false when the run has not ended in time.
  bool Wait(int timeoutMs = 30000) {
    if (!Done) {
      QEventLoop loop;
      Waiting = &loop;
      QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
      loop.exec();
      Waiting = nullptr;
    }
    return Done;
  }
  bool Run(const std::string& program) { return Start(program) && Wait(); }
  // The outcome of the last run: the result's text, or "!" and the error.
  QString Outcome() const {
    const TernioParser::TCalcInfo& ci = Thread->CalcInfo;
    if (ci.Error) return "!" + QString::fromStdString(ci.Message);
    return QString::fromStdString(Result.AsString());
  }

  TernioParser::TReturnValue Result;
  bool Done = false;

private:
  QEventLoop* Waiting = nullptr;
};
