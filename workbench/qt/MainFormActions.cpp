// The main window's actions, menus and tool bar, the edit commands that follow
// the focused editor, and the GUI editor and about actions.

#include "workbench/qt/MainForm.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QUrl>

#include "engine/qt/Branding.h"
#include "panels/qt/ControlForm.h"
#include "panels/qt/UserForm.h"
#include "workbench/MacroFile.h"
#include "workbench/qt/AboutForm.h"
#include "workbench/qt/EditPanel.h"
#include "workbench/qt/FindBar.h"
#include "workbench/qt/RecentFiles.h"

using namespace TernioParser;

namespace {

// Sets the hint of an action: "short|long" gives the tool tip and the status
// bar text; a hint without bar serves as both.
void SetHint(QAction* a, const QString& hint) {
  int bar = hint.indexOf(u'|');
  a->setToolTip(bar < 0 ? hint : hint.left(bar));
  a->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

QAction* MakeAction(QObject* owner, const char* name, const QString& menuText, const QString& caption,
                    const QKeySequence& shortcut, const QString& hint) {
  auto* a = new QAction(menuText, owner);
  a->setObjectName(name);
  a->setIconText(caption);
  if (!shortcut.isEmpty()) a->setShortcut(shortcut);
  if (!hint.isEmpty()) SetHint(a, hint);
  return a;
}

}  // namespace

void TMainForm::CreateActions() {
  ActionNew = MakeAction(this, "ActionNew", tr("&New"), tr("New"), {}, tr("Start with an empty file"));
  FileOpen = MakeAction(
      this, "FileOpen", tr("&Open..."), tr("Open"), QKeySequence("Ctrl+O"), tr("Open|Open an existing file"));
  ActionSave = MakeAction(
      this, "ActionSave", tr("&Save"), tr("Save"), QKeySequence("Ctrl+S"), tr("Save|Save the current file"));
  FileSaveAs = MakeAction(
      this, "FileSaveAs", tr("Save &as..."), tr("Save as"), {}, tr("Save as|Save the active file under a new name"));
  Action3 = MakeAction(this, "Action3", tr("&Create / Edit GUI..."), tr("Create / Edit GUI..."), {}, {});
  FileExit1 = MakeAction(this, "FileExit1", tr("&Quit"), tr("Quit"), {}, tr("Quit|Quit the application"));
  EditUndo1 = MakeAction(this, "EditUndo1", tr("&Undo"), tr("Undo"), QKeySequence::Undo, {});
  EditRedo1 = MakeAction(this, "EditRedo1", tr("&Redo"), tr("Redo"), QKeySequence::Redo, {});
  EditCut1 = MakeAction(
      this, "EditCut1", tr("&Cut"), tr("Cut"), QKeySequence("Ctrl+X"), tr("Cut|Move the selection to the clipboard"));
  EditCopy1 = MakeAction(this,
                         "EditCopy1",
                         tr("C&opy"),
                         tr("Copy"),
                         QKeySequence("Ctrl+C"),
                         tr("Copy|Copy the selection to the clipboard"));
  EditPaste1 = MakeAction(this,
                          "EditPaste1",
                          tr("&Paste"),
                          tr("Paste"),
                          QKeySequence("Ctrl+V"),
                          tr("Paste|Insert the contents of the clipboard"));
  EditSelectAll1 = MakeAction(this,
                              "EditSelectAll1",
                              tr("&Select all"),
                              tr("Select all"),
                              QKeySequence("Ctrl+A"),
                              tr("Select all|Select the whole document"));
  EditFind = MakeAction(
      this, "EditFind", tr("&Find..."), tr("Find"), QKeySequence("Ctrl+F"), tr("Find|Find a text in the program"));
  EditFindNext = MakeAction(this,
                            "EditFindNext",
                            tr("Find &next"),
                            tr("Find next"),
                            QKeySequence(Qt::Key_F3),
                            tr("Find next|Find the next place of the text"));
  EditReplace = MakeAction(this,
                           "EditReplace",
                           tr("R&eplace..."),
                           tr("Replace"),
                           QKeySequence("Ctrl+H"),
                           tr("Replace|Replace a text in the program"));
  EditGoToLine = MakeAction(this,
                            "EditGoToLine",
                            tr("&Go to line..."),
                            tr("Go to line"),
                            QKeySequence("Ctrl+G"),
                            tr("Go to line|Move the caret to a line of the program"));
  Action4 = MakeAction(this, "Action4", tr("&Insert GUI Code..."), tr("Insert GUI Code..."), {}, {});
  ActionStart = MakeAction(
      this, "ActionStart", tr("&Start"), tr("Start"), QKeySequence(Qt::Key_F2), tr("Start the calculation"));
  ActionBreak = MakeAction(
      this, "ActionBreak", tr("&Break"), tr("Break"), QKeySequence(Qt::Key_F4), tr("Interrupt calculation"));
  ActNewPanel = MakeAction(this,
                           "ActNewPanel",
                           tr("New &panel"),
                           tr("New panel"),
                           QKeySequence("Ctrl+N"),
                           tr("Create a new expression window"));
  ActDelPanel = MakeAction(this,
                           "ActDelPanel",
                           tr("&Delete panel"),
                           tr("Delete panel"),
                           QKeySequence("Ctrl+D"),
                           tr("Delete the current expression window and the expression in it"));
  ActRename = MakeAction(
      this, "ActRename", tr("&Rename..."), tr("Rename..."), {}, tr("Rename the tabsheet label of the current panel"));
  Action1 =
      MakeAction(this, "Action1", tr("&User Manual..."), tr("User Manual..."), {}, tr("Display the PDF-Manual"));
  ActAbout = MakeAction(this, "ActAbout", tr("&About..."), tr("About..."), {}, {});
  ActShowOutput =
      MakeAction(this, "ActShowOutput", tr("&Output Window"), tr("Output Window"), {}, tr("Show the output window"));
  ActShowPlots = MakeAction(this, "ActShowPlots", tr("P&lots"), tr("Plots"), {}, tr("Show the plot window"));
  ActShowControls = MakeAction(this,
                               "ActShowControls",
                               tr("&Controls"),
                               tr("Controls"),
                               {},
                               tr("Show the control window of the panels a program has loaded"));


  // The desktop theme's icons; without a theme, style icons that do not
  // mislead (none for cut and paste: the button then shows its text).
  QStyle* st = style();
  const auto icon = [](const char* name, const QIcon& fallback = QIcon()) {
    return QIcon::fromTheme(name, fallback);
  };
  FileOpen->setIcon(icon("document-open", st->standardIcon(QStyle::SP_DialogOpenButton)));
  ActionSave->setIcon(icon("document-save", st->standardIcon(QStyle::SP_DialogSaveButton)));
  EditCopy1->setIcon(icon("edit-copy"));
  EditCut1->setIcon(icon("edit-cut"));
  EditPaste1->setIcon(icon("edit-paste"));
  ActionStart->setIcon(icon("media-playback-start", st->standardIcon(QStyle::SP_MediaPlay)));
  ActionBreak->setIcon(icon("media-playback-stop", st->standardIcon(QStyle::SP_MediaStop)));
  ActNewPanel->setIcon(icon("tab-new", st->standardIcon(QStyle::SP_FileDialogNewFolder)));
  ActDelPanel->setIcon(icon("edit-delete", st->standardIcon(QStyle::SP_TrashIcon)));

  // Shortcuts of the window work from every widget in it, also from the
  // result field and the help panel.
  for (QAction* a : {ActionStart, ActionBreak, ActNewPanel, ActDelPanel, FileOpen, ActionSave})
    a->setShortcutContext(Qt::WindowShortcut);

  connect(ActionNew, &QAction::triggered, this, &TMainForm::ActionNewExecute);
  connect(FileOpen, &QAction::triggered, this, &TMainForm::FileOpenExecute);
  connect(ActionSave, &QAction::triggered, this, [this] { ActionSaveExecute(); });
  connect(FileSaveAs, &QAction::triggered, this, [this] { FileSaveAsExecute(); });
  connect(FileExit1, &QAction::triggered, this, &QWidget::close);
  connect(EditUndo1, &QAction::triggered, this, [this] { EditCommand("undo"); });
  connect(EditRedo1, &QAction::triggered, this, [this] { EditCommand("redo"); });
  connect(EditCut1, &QAction::triggered, this, [this] { EditCommand("cut"); });
  connect(EditCopy1, &QAction::triggered, this, [this] { EditCommand("copy"); });
  connect(EditPaste1, &QAction::triggered, this, [this] { EditCommand("paste"); });
  connect(EditSelectAll1, &QAction::triggered, this, [this] { EditCommand("selectAll"); });
  // Find and go to line act in the editor of the active page.
  const auto inFindBar = [this](void (TFindBar::*step)()) {
    if (TEditPanel* p = CurrentPanel()) (p->FindBar->*step)();
  };
  connect(EditFind, &QAction::triggered, this, [inFindBar] { inFindBar(&TFindBar::ShowFind); });
  connect(EditFindNext, &QAction::triggered, this, [this] {
    if (TEditPanel* p = CurrentPanel()) p->FindBar->FindNext();
  });
  connect(EditReplace, &QAction::triggered, this, [inFindBar] { inFindBar(&TFindBar::ShowReplace); });
  connect(EditGoToLine, &QAction::triggered, this, [inFindBar] { inFindBar(&TFindBar::ShowGoToLine); });
  connect(ActionStart, &QAction::triggered, this, &TMainForm::ActionStartExecute);
  connect(ActionBreak, &QAction::triggered, this, &TMainForm::ActionBreakExecute);
  connect(ActNewPanel, &QAction::triggered, this, [this] { AddCalculatorPanel(); });
  connect(ActDelPanel, &QAction::triggered, this, &TMainForm::DeletePanel);
  connect(ActRename, &QAction::triggered, this, &TMainForm::ActRenameExecute);
  connect(Action1, &QAction::triggered, this, &TMainForm::Action1Execute);
  connect(ActAbout, &QAction::triggered, this, &TMainForm::ActAboutExecute);
  connect(Action3, &QAction::triggered, this, &TMainForm::Action3Execute);
  connect(Action4, &QAction::triggered, this, &TMainForm::Action4Execute);

  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->addActions({ActionNew, FileOpen});
  RecentMenu = file->addMenu(tr("Open &recent"));
  RecentMenu->setObjectName("RecentMenu");
  RecentFiles = new TRecentFiles(RecentMenu);
  RecentFiles->OnChosen = [this](const QString& path) { OpenRecent(path); };
  file->addActions({ActionSave, FileSaveAs});
  file->addSeparator();
  file->addAction(Action3);
  file->addSeparator();
  file->addAction(FileExit1);
  QMenu* edit = menuBar()->addMenu(tr("&Edit"));
  edit->addActions({EditUndo1, EditRedo1});
  edit->addSeparator();
  edit->addActions({EditCut1, EditCopy1, EditPaste1, EditSelectAll1});
  edit->addSeparator();
  edit->addActions({EditFind, EditFindNext, EditReplace, EditGoToLine});
  edit->addSeparator();
  edit->addAction(Action4);
  connect(edit, &QMenu::aboutToShow, this, &TMainForm::UpdateEditActions);
  QMenu* calc = menuBar()->addMenu(tr("&Calculation"));
  calc->addActions({ActionStart, ActionBreak});
  QMenu* panel = menuBar()->addMenu(tr("&Panel"));
  panel->addActions({ActNewPanel, ActDelPanel, ActRename});
  WindowMenu = menuBar()->addMenu(tr("&Window"));
  WindowMenu->setObjectName("WindowMenu");
  WindowMenu->addActions({ActShowOutput, ActShowPlots, ActShowControls});
  connect(WindowMenu, &QMenu::aboutToShow, this, [this] {
    ActShowOutput->setEnabled(OutputWindow);
    ActShowPlots->setEnabled(PlotWindow);
    ActShowControls->setEnabled(ControlForm && ControlForm->PageControl->count() > 0);
  });
  connect(ActShowOutput, &QAction::triggered, this, [this] { BringToFront(OutputWindow); });
  connect(ActShowPlots, &QAction::triggered, this, [this] { BringToFront(PlotWindow); });
  connect(ActShowControls, &QAction::triggered, this, [this] { BringToFront(ControlForm); });
  QMenu* help = menuBar()->addMenu(tr("&Help"));
  help->addActions({Action1, ActAbout});

  QToolBar* tools = addToolBar(tr("Tools"));
  tools->setObjectName("ToolBar");
  tools->setMovable(false);
  tools->setToolButtonStyle(Qt::ToolButtonIconOnly);
  tools->addActions({FileOpen, ActionSave});
  tools->addSeparator();
  tools->addActions({EditCopy1, EditCut1, EditPaste1});
  tools->addSeparator();
  tools->addActions({ActionStart, ActionBreak});
  tools->addSeparator();
  tools->addActions({ActNewPanel, ActDelPanel});
}

namespace {

bool IsEditControl(const QWidget* w) {
  return qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QLineEdit*>(w) ||
         qobject_cast<const QTextEdit*>(w);
}

}  // namespace

void TMainForm::EditFocusChanged(QWidget* now) {
  // Opening a menu (Alt+E, a click on the menu bar) moves the focus to the
  // menu bar or the menu; the Edit commands still mean the editor the user
  // was working in.
  if (IsEditControl(now) && now->window() == this) FEditTarget = now;
  else if (now && !qobject_cast<QMenuBar*>(now) && !qobject_cast<QMenu*>(now)) FEditTarget = nullptr;
  UpdateEditActions();
}

void TMainForm::UpdateEditActions() {
  // Like the standard edit actions: they follow the edit control in use.
  QWidget* w = FEditTarget.data();
  bool hasSelection = false, readOnly = true, hasText = false, canUndo = false, canRedo = false;
  if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
    hasSelection = e->textCursor().hasSelection();
    readOnly = e->isReadOnly();
    hasText = !e->document()->isEmpty();
    canUndo = e->document()->isUndoAvailable();
    canRedo = e->document()->isRedoAvailable();
  } else if (auto* l = qobject_cast<QLineEdit*>(w)) {
    hasSelection = l->hasSelectedText();
    readOnly = l->isReadOnly();
    hasText = !l->text().isEmpty();
    canUndo = l->isUndoAvailable();
    canRedo = l->isRedoAvailable();
  } else if (auto* t = qobject_cast<QTextEdit*>(w)) {
    hasSelection = t->textCursor().hasSelection();
    readOnly = t->isReadOnly();
    hasText = !t->document()->isEmpty();
    canUndo = t->document()->isUndoAvailable();
    canRedo = t->document()->isRedoAvailable();
  }
  const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
  EditUndo1->setEnabled(w && !readOnly && canUndo);
  EditRedo1->setEnabled(w && !readOnly && canRedo);
  EditCopy1->setEnabled(w && hasSelection);
  EditCut1->setEnabled(w && hasSelection && !readOnly);
  EditPaste1->setEnabled(w && !readOnly && clip && clip->hasText());
  EditSelectAll1->setEnabled(w && hasText);
}

void TMainForm::EditCommand(const char* method) {
  if (QWidget* w = FEditTarget.data()) QMetaObject::invokeMethod(w, method);
}

void TMainForm::BringToFront(QWidget* window) {
  if (!window) return;
  if (window->isMinimized()) window->showNormal();
  else window->show();
  window->raise();
  window->activateWindow();
}

void TMainForm::ResizeToDefault() {
  QSize size(640, 760);
  if (const QScreen* s = screen()) {
    // Room for the frame and the desktop's panels.
    const QRect free = s->availableGeometry();
    size = size.boundedTo(free.size() - QSize(40, 60)).expandedTo(minimumSize());
    resize(size);
    move(free.topLeft() + QPoint(20, 20));
    return;
  }
  resize(size);
}

// ---- GUI editor

void TMainForm::Action3Execute() { TUserForm::OpenEditor(this); }

void TMainForm::Action4Execute() {
  TEditPanel* panel = CurrentPanel();
  if (!panel || Doc.Running()) return;
  const QString path = GuiDialogs().SelectToInsert(this);
  if (path.isEmpty()) return;
  // One edit, undone in one step.
  panel->MemoEdit->textCursor().insertText("loadgui(0;'" + QFileInfo(path).absoluteFilePath() +
                                           "'),\nwhile(waitguievent(0);\n println('GUI Event...')\n)\n");
}

void TMainForm::ActAboutExecute() {
  if (!AboutForm) AboutForm = new TAboutForm(this);
  connect(AboutForm, &TAboutForm::WebSiteRequested, this, &TMainForm::OpenWebSite, Qt::UniqueConnection);
  AboutForm->exec();
}

void TMainForm::Action1Execute() {
  // When the manual cannot be shown the user learns where it is (or should
  // be) and can open it some other way.
  const QString manual = QDir::toNativeSeparators(ManualPath);
  if (!QFileInfo::exists(ManualPath))
    Ask(QMessageBox::Information,
        tr(AppTitle),
        tr("The user manual is not installed. It belongs here:\n%1").arg(manual),
        QMessageBox::Ok);
  else if (!OpenUrl(QUrl::fromLocalFile(ManualPath)))
    Ask(QMessageBox::Information,
        tr(AppTitle),
        tr("No application could show the user manual. You find it here:\n%1").arg(manual),
        QMessageBox::Ok);
}

void TMainForm::OpenWebSite() { OpenUrl(QUrl(Ostra::WebSiteAddress)); }
