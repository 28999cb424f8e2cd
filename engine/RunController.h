#pragma once
// The one owner of the runs of a host (the main window, the headless runner,
// the tests): the application's global variables, the main engine and the
// Global panel's engine (a clone of it that holds the user-defined functions
// both share), and the calculation thread that runs them.
//
// A run, top to bottom: Parse hands a panel's text to its engine and answers
// with a parse result; Start binds both programs and posts the run request;
// the thread runs the Global panel's program, then the panel's, and hands
// the outcome back by value: to Wait/WaitFor on the host's side, and to the
// host's Finished handler on the calculation thread. Break is the only way
// to stop a run, and no Break made after Start is lost.

#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>

#include "engine/CalcThread.h"
#include "engine/ResultFormat.h"

namespace TernioParser {

// A place in a text: line and column, both from 1. Lines end at line feeds;
// carriage returns take no column.
struct TTextPlace {
  int Line = 1, Column = 1;
};
// The place of the byte at offset (the end of the text when offset is past it).
TTextPlace PlaceOf(const std::string& text, size_t offset);

// What parsing a panel's text gave.
struct TParseResult {
  bool Ok = true;
  std::string Message;
  // The error's byte offsets into the engine's text (carriage returns
  // removed): from the token it began with to where reading stopped; an
  // error found past the last character ends at the end of the text.
  int32_t Start = 0, End = 0;
  // The place of Start in the engine's text.
  int Line = 1, Column = 1;
};

// What the host is told on the calculation thread. Set before Resume.
struct TRunEvents {
  // A run has ended (Wait and WaitFor see it before this is called).
  std::function<void(const TRunOutcome&)> Finished;
  // The calculation thread has ended.
  std::function<void()> ThreadEnded;
};

class TRunController {
public:
  explicit TRunController(const TLayerTables& layers, TRunEvents events = {});
  // Ends the thread, then destroys the engines.
  ~TRunController();
  TRunController(const TRunController&) = delete;
  TRunController& operator=(const TRunController&) = delete;

  // The context of the runs, and the services they may use.
  TCalcInfo& CalcInfo();
  THost& Host() { return CalcInfo().Host; }
  // The engine of a panel: page 0 is the Global panel, any other the main
  // engine.
  TGUIParser& EngineOf(int page);
  TGUIParser& Main() { return EngineOf(1); }
  TGUIParser& Global() { return EngineOf(0); }

  // Starts the calculation thread; false when it could not be started.
  bool Resume();

  // Hands the text of a panel to its engine and parses it; tokens (may be
  // null) receive the colouring records. Not while a run is in progress.
  TParseResult Parse(int page, const std::string& text, std::list<TCodePosInfo>* tokens = nullptr);
  // The result of the last parse of the page's engine.
  const TParseResult& Parsed(int page) const;
  // Both engines hold a program that parsed.
  bool CanStart() const { return Parsed(0).Ok && Parsed(1).Ok; }

  // Binds both programs and asks the thread to run them. False (and the
  // outcome a failure, so that no waiter hangs) when a program does not
  // parse or the thread is not running.
  bool Start();
  // From Start to the end of the run.
  bool Running() const;
  // Waits for the end of the run that Start began and gives its outcome.
  TRunOutcome Wait();
  // The same, giving up after timeout.
  std::optional<TRunOutcome> WaitFor(std::chrono::milliseconds timeout);

  // Break: callable from any thread; stops the run in progress, or the one
  // being started.
  void Break();
  // Ends the calculation thread after the run in progress and waits for it;
  // no run starts afterwards.
  void EndThread();
  // For a thread that will not end: everything it uses is left alive, and
  // the host is told nothing more.
  void Abandon();

private:
  struct TParts;
  std::unique_ptr<TParts> Parts;
};

}  // namespace TernioParser
