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

class TWindowRunner {
public:
  // The caller sets the services of the runs in Host().
  TWindowRunner() : Runs(TernioParser::StandardLayers(), Events()) { Runs.Resume(); }
  virtual ~TWindowRunner() = default;

  TernioParser::THost& Host() { return Runs.Host(); }
  TernioParser::TCalcInfo& CalcInfo() { return Runs.CalcInfo(); }
  void Break() { Runs.Break(); }
  // Ends the calculation thread, for a derived runner whose services must
  // outlive it.
  void EndThread() { Runs.EndThread(); }

  // Parses the program as the panel's and starts it; false on a parse error.
  bool Start(const std::string& program) {
    Done = false;
    return Runs.Parse(1, program).Ok && Runs.Start();
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
    if (Last.Error()) return "!" + QString::fromStdString(Last.Message);
    return QString::fromStdString(Last.Result().AsString());
  }

  // How the last run ended, once Done.
  TernioParser::TRunOutcome Last;
  bool Done = false;

private:
  QEventLoop* Waiting = nullptr;
  TernioParser::TRunEvents Events() {
    TernioParser::TRunEvents events;
    events.Finished = [this](const TernioParser::TRunOutcome& outcome) {
      QMetaObject::invokeMethod(
          qApp,
          [this, outcome] {
            Last = outcome;
            Done = true;
            if (Waiting) Waiting->quit();
          },
          Qt::QueuedConnection);
    };
    return events;
  }
  TernioParser::TRunController Runs;
};
