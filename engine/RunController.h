#pragma once
// What every host of runs owns and does: the application's global variables,
// the main engine and the Global panel's engine (a clone of it that holds the
// user-defined functions both share), and the calculation thread that runs
// them. The main window, the headless runner and the tests all drive their
// runs through it.

#include <memory>

#include "engine/CalcThread.h"
#include "engine/ResultFormat.h"

namespace TernioParser {

class TRunController {
public:
  // The thread tells the observer (on the calculation thread) when a run has
  // ended; it starts with Resume.
  TRunController(const TLayerTables& layers, TRunObserver* observer);
  // Ends the thread, then destroys the main engine and the global engine.
  ~TRunController();
  TRunController(const TRunController&) = delete;
  TRunController& operator=(const TRunController&) = delete;

  TVarHandler::TGlobalList Globals;
  std::unique_ptr<TGUIParser> Global;
  std::unique_ptr<TGUIParser> Main;
  std::unique_ptr<TAutoParserThread> Thread;

  // The context of the runs, and the services they may use.
  TCalcInfo& CalcInfo() { return Thread->CalcInfo; }
  THost& Host() { return Thread->CalcInfo.Host; }
  // The engine of a panel: page 0 is the Global panel.
  TGUIParser& EngineOf(int page) { return page == 0 ? *Global : *Main; }

  bool Resume() { return Thread->Resume(); }
  // Binds both programs (the Global panel's first) and asks the thread to run
  // them; false when either engine holds a parse error.
  bool Start();
  // Break: callable from any thread while a run is in progress.
  void Break() { Thread->Break(); }
  // For a thread that will not end: everything it uses is left alive.
  void Abandon();
};

}  // namespace TernioParser
