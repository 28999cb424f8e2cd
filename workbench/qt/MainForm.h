#pragma once
// The main window: the editor panels of the document, the calculation
// control, the syntax status and the result display. It owns the two engines
// and the calculation thread and is the only party talking to that thread.

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <string>

#include "engine/RunController.h"
#include "workbench/DocumentModel.h"

class QAction;
class QLabel;
class QPushButton;
class QTabWidget;
class QTimer;
class TEditPanel;
class TRenameForm;
class TAboutForm;
class THelpPanel;
class TControlForm;
class TControlWindowHost;
class TRecoveryStore;
class TRecentFiles;
class QMenu;

class TMainForm : public QMainWindow {
  Q_OBJECT
public:
  // In English; tr(AppTitle) is the title of the interface's language.
  static constexpr const char* AppTitle = QT_TR_NOOP("The Ostra Calculator");
  explicit TMainForm(QWidget* parent = nullptr);
  ~TMainForm() override;

  // ---- actions
  QAction* ActionNew;
  QAction* FileOpen;
  QAction* ActionSave;
  QAction* Action3;  // Create / Edit GUI
  QAction* EditUndo1;
  QAction* EditRedo1;
  QAction* EditCut1;
  QAction* EditCopy1;
  QAction* EditPaste1;
  QAction* EditSelectAll1;
  QAction* EditFind;      // Ctrl+F
  QAction* EditFindNext;  // F3
  QAction* EditReplace;   // Ctrl+H
  QAction* EditGoToLine;  // Ctrl+G
  QAction* Action4;       // Insert GUI Code
  QAction* ActionStart;
  QAction* ActionBreak;
  QAction* ActNewPanel;
  QAction* ActDelPanel;
  QAction* ActRename;
  QAction* Action1;  // User Manual
  // The Window menu: brings the other windows back to the front.
  QMenu* WindowMenu = nullptr;
  QAction* ActShowOutput;
  QAction* ActShowPlots;
  QAction* ActShowControls;
  // The output and plot windows of the runs (set by the application).
  QPointer<QWidget> OutputWindow, PlotWindow;
  // The size of a first start: most of the screen's height, so that a good
  // part of a program shows, and on the screen.
  void ResizeToDefault();

  // ---- the documents opened and saved last (File > Open recent)
  QMenu* RecentMenu = nullptr;

  // ---- visual parts
  QTabWidget* PageControl;
  THelpPanel* HelpPanel = nullptr;
  QLabel* Logo;
  QLabel* PanelError;
  QPushButton* BtnShowError;
  QLabel* StatusPanel0;  // "Changed"
  QLabel* StatusPanel1;  // run state and messages
  TRenameForm* RenameForm = nullptr;
  TAboutForm* AboutForm = nullptr;
  // The control window of the panels loaded by programs.
  TControlForm* ControlForm = nullptr;

  // ---- the calculation
  // The engines and the calculation thread.
  std::unique_ptr<TernioParser::TRunController> Run;
  std::list<TernioParser::TCodePosInfo> Tokens;

  // ---- document state
  QString FullPath;
  QString DisplayName;
  bool HasFileName = false;

  // ---- recovery copy of the unsaved document
  // Time from the last change to the copy.
  static constexpr int RecoveryDelay = 3000;
  std::unique_ptr<TRecoveryStore> Recovery;
  QTimer* RecoveryTimer = nullptr;
  // Writes the copy of the modified document now (removes it when the
  // document is unchanged); the timer calls it.
  void WriteRecoveryCopy();
  // Offers each copy that a program left behind when it ended without
  // saving or discarding (newest first) and restores the first one the user
  // accepts, marked modified; refused copies are discarded. True when one was
  // restored.
  bool OfferRecovery();

  // ---- hooks through which the window meets the user and the desktop; tests
  // replace them.
  // A message box: icon, title, text and buttons; returns the button chosen.
  std::function<QMessageBox::StandardButton(QMessageBox::Icon, const QString&, const QString&,
                                            QMessageBox::StandardButtons)>
      Ask;
  // The open (save == false) or save dialog; an empty path when cancelled.
  std::function<QString(bool save)> ChooseFile;
  // Hands a document or web address to the desktop; false when no
  // application took it.
  std::function<bool(const QUrl&)> OpenUrl;
  // The user manual (beside the program).
  QString ManualPath;
  // Ends the process at once; used when closing while the calculation thread
  // does not react to Break.
  std::function<void()> ForceExit;

  // Where print, println and cleartext of a run go; call while not running.
  void SetOutputSink(TernioParser::TOutputSink* sink);
  // Where the plot functions of a run send their requests; call while not
  // running.
  void SetPlotHost(TernioParser::TPlotHost* host);

  // The document's panels and state, and the rules the window follows.
  const Ostra::TDocumentModel& Document() const { return Doc; }
  bool Modified() const { return Doc.Modified(); }
  bool Running() const { return Doc.Running(); }
  bool SyntaxError() const { return Doc.SyntaxError(); }
  bool ThreadEnded() const { return Doc.ThreadEnded(); }

  void SetModified(bool value);
  TEditPanel* CurrentPanel() const;
  TEditPanel* Panel(int index) const;
  int PanelCount() const;
  QString PanelName(int index) const;
  void SetPanelName(int index, const QString& name);
  // Parses the panel's text into its engine; a text that parses is coloured
  // colourDelayMs later (200 ms, the colouring's delay).
  void CheckPanelText(TEditPanel* panel, int colourDelayMs = 200);
  // The panel whose latest edit is not parsed yet, or null.
  TEditPanel* ParsePendingPanel() const;
  TEditPanel* LastParsedPanel() const { return Panel(Doc.LastParsed()); }

  // ---- documents
  void NewDocument();
  bool OpenDocument(const QString& path);
  bool SaveDocument();
  bool QuerySaveChanges();
  TEditPanel* AddPanel(const QString& name);
  TEditPanel* AddCalculatorPanel();
  void DeletePanel();
  // Opens the file named by the command line's arguments (joined by blanks);
  // a leading double quote drops the first and the last character.
  void OpenCommandLine(const QStringList& arguments);
  // Files dropped on the window: the first one is opened, after the save
  // prompt; the others are ignored.
  void FilesDropped(const QStringList& files);
  static QString CommandLinePath(const QStringList& arguments);

  // ---- action handlers
  void ActionNewExecute();
  bool ActionSaveExecute();
  bool FileSaveAsExecute();
  void ActionStartExecute();
  void ActionBreakExecute();
  void ActRenameExecute();
  void BtnShowErrorClick();

signals:
  // A run has ended and its result is shown.
  void CalculationFinished();

protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  Ostra::TDocumentModel Doc;
  QAction* FileSaveAs;
  QAction* FileExit1;
  QAction* ActAbout;
  // Shows the window, raised and active, also when it was closed or
  // minimised.
  static void BringToFront(QWidget* window);
  TRecentFiles* RecentFiles = nullptr;
  // Opens a recent file after the save prompt; one that is gone is taken off
  // the list with a message.
  void OpenRecent(const QString& path);
  QWidget* BottomPanel;
  std::unique_ptr<TControlWindowHost> PanelHost;
  void UpdateActionStates();
  void SetSyntaxState(bool error);
  // ---- parsing while typing: a long text is parsed once typing has paused
  // for ParseDelay ms.
  static constexpr int ParseDelay = 150;
  QTimer* ParseTimer = nullptr;
  // The change hook of every panel: parses now or after the pause.
  void PanelEdited(TEditPanel* panel);
  // Parses the panel with a pending edit now; whatever needs the exact parse
  // state (Start, Show error, another panel's parse) calls it first.
  void ParsePending();
  void SetFileName();
  void FileOpenExecute();
  void ActAboutExecute();
  void Action3Execute();  // Create / Edit GUI
  void Action4Execute();  // Insert GUI Code
  void Action1Execute();
  void OpenWebSite();
  std::atomic<bool> FClosing{false};
  bool FStartPending = false;
  bool FLoading = false;

  void CreateActions();
  void CreateLayout();
  void UpdateCaption();
  void PageControlChange(int index);
  // Makes the run controller; its events come back to this window's thread.
  void CreateRun();
  void ShowCalculationResult(const TernioParser::TRunOutcome& outcome);
  void ThreadTerminated();
  void DeferredStart();
  // The edit control the Edit commands act on: the focused one, or the one
  // that had the focus before the menu bar or a menu took it.
  QPointer<QWidget> FEditTarget;
  void EditFocusChanged(QWidget* now);
  void EditCommand(const char* method);
  void UpdateEditActions();
  void ShowHelpForCaret(TEditPanel* panel);
  void ColourNow(TEditPanel* panel);
  // Marks the parse error of the panel's engine in its editor.
  void MarkParseError(TEditPanel* panel);
  TernioParser::TGUIParser* EngineOf(const TEditPanel* panel) const;
  // The document as its file holds it: 8-bit code-page text with CR LF.
  std::string DocumentBytes() const;
  // Writes the document to path; a failure is reported and returns false.
  bool WriteDocument(const QString& path);
  // Puts the panels of a macro file's bytes into the new document; false when
  // they could not all be taken over.
  bool LoadDocumentBytes(const std::string& bytes);
  // After loading: the first calculator page is shown, parsed and focused.
  void ShowLoadedDocument();
  // Break, then wait up to about a second for the run to end.
  bool EndCalculation();
};
