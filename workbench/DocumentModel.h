#pragma once
// The macro document of the main window without its widgets: the editor
// panels by page (page 0 is the Global panel, the others calculator panels)
// with their names, the current page, whether the document is modified,
// whether the last parse failed, which panel has an edit not parsed yet,
// whether a run is going on, and the rules that follow from them: which
// actions are enabled, when an edit is parsed at once, where an opened
// file's sections go, when deleting a panel or closing the window asks
// first. The window shows it, keeps it up to date and shows the dialogs it
// asks for.

#include <functional>
#include <string>
#include <vector>

namespace Ostra {

struct TMacroDocument;

// Where one section of an opened file goes.
struct TSectionPage {
  // The section's index in the file.
  size_t Section = 0;
  // Page 0 or 1 of the new document, -1 for a page appended.
  int Page = -1;
  // The page takes the section's name.
  bool Named = true;
  bool operator==(const TSectionPage&) const = default;
};

// What deleting the current page does.
enum class TPanelDeletion {
  Refused,  // nothing: a run is going on, or the page is the Global one
  Confirm,  // asks "Panel is not empty, ..." first
  Delete,
};

// The questions closing the window may ask, answered by the window.
struct TCloseQuestions {
  // "Calculation running, do you want to kill it?": true for Yes.
  std::function<bool()> Kill;
  // Breaks the run and waits a while for it: true when it ended.
  std::function<bool()> EndRun;
  // The save prompt of a modified document: true to go on closing.
  std::function<bool()> SaveChanges;
};

enum class TCloseOutcome {
  Stay,   // the window stays open
  Close,  // the window closes
  Exit,   // it closes and the program leaves at once: the run would not end
};

// What the window's actions and editors allow.
struct TActionStates {
  bool New = false, Open = false, Recent = false, Save = false;
  bool Start = false, Break = false;
  bool NewPanel = false, DeletePanel = false, Rename = false, Replace = false;
  // The page tabs can be switched; the editors take input.
  bool SwitchPages = false, Editable = false;
  bool operator==(const TActionStates&) const = default;
};

class TDocumentModel {
public:
  // Texts up to this many characters are parsed on every edit (it takes well
  // under a millisecond); longer ones once typing has paused, so that no
  // keystroke waits for a parse.
  static constexpr int ImmediateParseLength = 20000;
  // Closing a new document whose two panels hold fewer characters than this
  // in all asks nothing.
  static constexpr size_t TrivialLength = 50;
  // The first page's name; panel names belong to the document (its file
  // keeps them) and are not translated.
  static constexpr const char* GlobalName = "Global";

  // ---- panels; names are UTF-8 as typed (the window converts at its edge)
  int PanelCount() const { return static_cast<int>(Names.size()); }
  const std::string& PanelName(int page) const { return Names.at(static_cast<size_t>(page)); }
  void SetPanelName(int page, std::string name) { Names.at(static_cast<size_t>(page)) = std::move(name); }
  // Appends a page; returns its index.
  int AddPanel(std::string name);
  // Removes a page; the pending and last parsed panels follow.
  void RemovePanel(int page);
  // No pages.
  void Clear();
  // The name of the next calculator panel.
  std::string NextCalculatorName() const { return "Calculator " + std::to_string(Names.size()); }

  // The current page, -1 for none.
  int Current() const { return FCurrent; }
  void SetCurrent(int page) { FCurrent = page; }
  bool OnCalculatorPage() const { return FCurrent > 0; }

  // ---- state
  bool Modified() const { return FModified; }
  // True when the value changed.
  bool SetModified(bool value);
  bool SyntaxError() const { return FSyntaxError; }
  void SetSyntaxError(bool error) { FSyntaxError = error; }
  bool Running() const { return FRunning; }
  void SetRunning(bool running) { FRunning = running; }
  // The calculation thread has finished for good: no run can be killed.
  bool ThreadEnded() const { return FThreadEnded; }
  void SetThreadEnded() { FThreadEnded = true; }
  // A run would not end when closing asked it to; it stays so.
  bool ThreadStuck() const { return FThreadStuck; }

  // The page whose latest edit is not parsed yet, -1 for none.
  int PendingParse() const { return FPending; }
  void SetPendingParse(int page) { FPending = page; }
  // The page parsed last (its tokens are the ones at hand), -1 for none.
  int LastParsed() const { return FLastParsed; }
  void SetLastParsed(int page) { FLastParsed = page; }

  // ---- rules
  // recentFiles: the recent files list has entries.
  TActionStates ActionStates(bool recentFiles) const;
  // A run can start from the current page (a pending edit is parsed first).
  bool CanStart() const { return !FRunning && OnCalculatorPage(); }
  // The current page can be deleted (the Global panel never).
  bool CanDeleteCurrent() const { return !FRunning && OnCalculatorPage(); }
  // Deleting the current page, whose panel holds no text when panelEmpty.
  TPanelDeletion DeletionOfCurrent(bool panelEmpty) const;
  // An edit of a text this long is parsed at once, not after a pause.
  static bool ParsesAtOnce(int characters) { return characters <= ImmediateParseLength; }
  // A modified document may be replaced or closed without asking: the new
  // document's two panels, the calculator one shown, together shorter than
  // TrivialLength characters.
  bool SkipsSavePrompt(size_t characters) const;
  // Closing the window: asks to kill a run the thread still serves, then
  // to save a modified document; a run that would not end makes the
  // program leave at once.
  TCloseOutcome Close(const TCloseQuestions& ask);
  // Where the sections of file, read as doc, go in a new document: a text
  // without markers fills page 1; otherwise the first two sections fill the
  // two pages (the second page keeps its new-document state when the file
  // has a single section) and each further one appends a page.
  static std::vector<TSectionPage> SectionPages(const std::string& file, const TMacroDocument& doc);
  // The page shown once a file is open.
  int OpenedPage() const { return PanelCount() >= 2 ? 1 : PanelCount() - 1; }
  // The name of a document as the title shows it: its path after the last
  // folder or drive separator.
  static std::string DisplayName(const std::string& path);
  // The file named by the command line's arguments joined by blanks: a
  // leading double quote drops the first and the last character.
  static std::string CommandLinePath(const std::string& joined);
  // A panel's editor text as the file holds it: line feeds become CR LF.
  static std::string FileText(const std::string& editorText);

private:
  std::vector<std::string> Names;
  int FCurrent = -1;
  bool FModified = false, FSyntaxError = false, FRunning = false;
  bool FThreadEnded = false, FThreadStuck = false;
  int FPending = -1, FLastParsed = -1;
};

}  // namespace Ostra
