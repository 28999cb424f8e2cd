#include "workbench/qt/MainForm.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdlib>

#include "workbench/Libraries.h"
#include "workbench/MacroFile.h"
#include "workbench/qt/AboutForm.h"
#include "engine/qt/CodePage.h"
#include "workbench/qt/EditPanel.h"
#include "workbench/qt/RenameForm.h"
#include "workbench/qt/HelpBrowser.h"
#include "workbench/qt/SyntaxColouring.h"
#include "panels/qt/ControlForm.h"
#include "panels/qt/UserForm.h"

using namespace TernioParser;

namespace {

const char* const AppTitle = "The Ostra Calculator";

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

// Tab captions treat '&' as a mnemonic marker; panel names are shown as typed.
QString TabCaption(const QString& name) {
  QString c = name;
  return c.replace(u'&', QLatin1String("&&"));
}

QString NameOfCaption(const QString& caption) {
  QString n;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&' && i + 1 < caption.size() && caption[i + 1] == u'&') ++i;
    n += caption[i];
  }
  return n;
}

// Line feeds of the editor text become the file's CR LF.
std::string FileText(const std::string& editorText) {
  std::string out;
  out.reserve(editorText.size() + editorText.size() / 16);
  for (char c : editorText) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName("MainForm");
  Ask = [this](QMessageBox::Icon icon, const QString& title, const QString& text,
               QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, title, text, buttons, this);
    return static_cast<QMessageBox::StandardButton>(box.exec());
  };
  ChooseFile = [this](bool save) {
    QFileDialog dlg(this, save ? "Save as" : "Open");
    dlg.setNameFilters({"RIR macro files (*.sma)", "All files (*.*)"});
    dlg.setDefaultSuffix("sma");
    if (save) {
      dlg.setAcceptMode(QFileDialog::AcceptSave);
      dlg.setFileMode(QFileDialog::AnyFile);
    } else {
      dlg.setAcceptMode(QFileDialog::AcceptOpen);
      dlg.setFileMode(QFileDialog::ExistingFile);
    }
    if (!FullPath.isEmpty()) dlg.setDirectory(QFileInfo(FullPath).absolutePath());
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return QString();
    return dlg.selectedFiles().first();
  };
  OpenUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  ForceExit = [] { std::_Exit(0); };

  CreateActions();
  CreateLayout();
  setAcceptDrops(true);
  resize(538, 545 + menuBar()->sizeHint().height());
  setMinimumSize(500, 420);

  BreakRepeater = new QTimer(this);
  BreakRepeater->setInterval(50);
  connect(BreakRepeater, &QTimer::timeout, this, [this] {
    if (FRunning) Run->Break();
    else BreakRepeater->stop();
  });

  // FormCreate.
  UpdateCaption();
  UpdateActionStates();
  Run = std::make_unique<TRunController>(StandardLayers(), this);
  Run->Thread->OnTerminate = [this](TLargeStackThread*) {
    if (!FClosing.load()) QMetaObject::invokeMethod(this, &TMainForm::ThreadTerminated, Qt::QueuedConnection);
  };
  // The control window; programs reach it through the panel host.
  ControlForm = new TControlForm(this);
  ControlForm->DocumentPath = [this] { return HasFileName ? FullPath : QString(); };
  PanelHost = std::make_unique<TControlWindowHost>(ControlForm);
  Run->Host().Panels = PanelHost.get();
  if (!Run->Resume()) FThreadEnded = true;
  NewDocument();
  HelpPanel->BuildFunctionList(Run->Main->Builtins);
  if (TEditPanel* p = CurrentPanel()) p->MemoEdit->setFocus();
  qApp->installEventFilter(this);
  connect(qApp, &QApplication::focusChanged, this, &TMainForm::UpdateEditActions);
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &TMainForm::UpdateEditActions);
  UpdateEditActions();
}

TMainForm::~TMainForm() {
  qApp->removeEventFilter(this);
  // The child widgets still report focus, selection and page changes while
  // the base class deletes them; this part of the window is gone by then.
  QObject::disconnect(qApp, nullptr, this, nullptr);
  QObject::disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
  for (QObject* child : findChildren<QObject*>()) QObject::disconnect(child, nullptr, this, nullptr);
  FClosing = true;
  // The thread may never return; the engines it uses must outlive it.
  if (FThreadStuck) Run->Abandon();
  Run.reset();
}

void TMainForm::CreateActions() {
  ActionNew = MakeAction(this, "ActionNew", "&New", "New", {}, "Start with an empty file");
  FileOpen = MakeAction(this, "FileOpen", "&Open...", "Open", QKeySequence("Ctrl+O"),
                        "Öffnen|Vorhandene Datei öffnen");
  ActionSave = MakeAction(this, "ActionSave", "&Save", "Save", QKeySequence("Ctrl+S"),
                          "Speichern|Aktuelle Datei speichern");
  FileSaveAs = MakeAction(this, "FileSaveAs", "Save &as...", "Save as", {},
                          "Speichern unter|Aktive Datei unter einem neuen Namen speichern");
  Action3 = MakeAction(this, "Action3", "&Create / Edit GUI...", "Create / Edit GUI...", {}, {});
  FileExit1 = MakeAction(this, "FileExit1", "&Quit", "Quit", {}, "Beenden|Anwendung beenden");
  EditCut1 = MakeAction(this, "EditCut1", "&Cut", "Cut", QKeySequence("Ctrl+X"),
                        "Ausschneiden|Markiertes Objekt in die Zwischenablage verschieben");
  EditCopy1 = MakeAction(this, "EditCopy1", "C&opy", "Copy", QKeySequence("Ctrl+C"),
                         "Kopieren|Markiertes Objekt in die Zwischenablage kopieren");
  EditPaste1 = MakeAction(this, "EditPaste1", "&Paste", "Paste", QKeySequence("Ctrl+V"),
                          "Einfügen|Inhalt der Zwischenablage einfügen");
  EditSelectAll1 = MakeAction(this, "EditSelectAll1", "&Select all", "Select all", QKeySequence("Ctrl+A"),
                              "Alles markieren|Gesamtes Dokument markieren");
  Action4 = MakeAction(this, "Action4", "&Insert GUI Code...", "Insert GUI Code...", {}, {});
  ActionStart = MakeAction(this, "ActionStart", "&Start", "Start", QKeySequence(Qt::Key_F2), "Start the calculation");
  ActionBreak = MakeAction(this, "ActionBreak", "&Break", "Break", QKeySequence(Qt::Key_F4), "Interrupt calculation");
  ActNewPanel = MakeAction(this, "ActNewPanel", "New &panel", "New panel", QKeySequence("Ctrl+N"),
                           "Create a new expression window");
  ActDelPanel = MakeAction(this, "ActDelPanel", "&Delete panel", "Delete panel", QKeySequence("Ctrl+D"),
                           "Delete the current expression window and the expression in it");
  ActRename = MakeAction(this, "ActRename", "&Rename...", "Rename...", {},
                         "Rename the tabsheet label of the current panel");
  Action1 = MakeAction(this, "Action1", "&User Manual...", "User Manual...", {}, "Display the PDF-Manual");
  ActAbout = MakeAction(this, "ActAbout", "&About...", "About...", {}, {});


  QStyle* st = style();
  FileOpen->setIcon(st->standardIcon(QStyle::SP_DialogOpenButton));
  ActionSave->setIcon(st->standardIcon(QStyle::SP_DialogSaveButton));
  EditCopy1->setIcon(QIcon::fromTheme("edit-copy", st->standardIcon(QStyle::SP_FileDialogDetailedView)));
  EditCut1->setIcon(QIcon::fromTheme("edit-cut", st->standardIcon(QStyle::SP_DialogDiscardButton)));
  EditPaste1->setIcon(QIcon::fromTheme("edit-paste", st->standardIcon(QStyle::SP_FileDialogContentsView)));
  ActionStart->setIcon(st->standardIcon(QStyle::SP_MediaPlay));
  ActionBreak->setIcon(st->standardIcon(QStyle::SP_MediaStop));
  ActNewPanel->setIcon(st->standardIcon(QStyle::SP_FileDialogNewFolder));
  ActDelPanel->setIcon(st->standardIcon(QStyle::SP_TrashIcon));

  // Shortcuts of the window work from every widget in it, also from the
  // result field and the help panel.
  for (QAction* a : {ActionStart, ActionBreak, ActNewPanel, ActDelPanel, FileOpen, ActionSave})
    a->setShortcutContext(Qt::WindowShortcut);

  connect(ActionNew, &QAction::triggered, this, &TMainForm::ActionNewExecute);
  connect(FileOpen, &QAction::triggered, this, &TMainForm::FileOpenExecute);
  connect(ActionSave, &QAction::triggered, this, [this] { ActionSaveExecute(); });
  connect(FileSaveAs, &QAction::triggered, this, [this] { FileSaveAsExecute(); });
  connect(FileExit1, &QAction::triggered, this, &QWidget::close);
  connect(EditCut1, &QAction::triggered, this, [this] { EditCommand("cut"); });
  connect(EditCopy1, &QAction::triggered, this, [this] { EditCommand("copy"); });
  connect(EditPaste1, &QAction::triggered, this, [this] { EditCommand("paste"); });
  connect(EditSelectAll1, &QAction::triggered, this, [this] { EditCommand("selectAll"); });
  connect(ActionStart, &QAction::triggered, this, &TMainForm::ActionStartExecute);
  connect(ActionBreak, &QAction::triggered, this, &TMainForm::ActionBreakExecute);
  connect(ActNewPanel, &QAction::triggered, this, [this] { AddCalculatorPanel(); });
  connect(ActDelPanel, &QAction::triggered, this, &TMainForm::DeletePanel);
  connect(ActRename, &QAction::triggered, this, &TMainForm::ActRenameExecute);
  connect(Action1, &QAction::triggered, this, &TMainForm::Action1Execute);
  connect(ActAbout, &QAction::triggered, this, &TMainForm::ActAboutExecute);
  connect(Action3, &QAction::triggered, this, &TMainForm::Action3Execute);
  connect(Action4, &QAction::triggered, this, &TMainForm::Action4Execute);

  QMenu* file = menuBar()->addMenu("&File");
  file->addActions({ActionNew, FileOpen, ActionSave, FileSaveAs});
  file->addSeparator();
  file->addAction(Action3);
  file->addSeparator();
  file->addAction(FileExit1);
  QMenu* edit = menuBar()->addMenu("&Edit");
  edit->addActions({EditCut1, EditCopy1, EditPaste1, EditSelectAll1});
  edit->addSeparator();
  edit->addAction(Action4);
  connect(edit, &QMenu::aboutToShow, this, &TMainForm::UpdateEditActions);
  QMenu* calc = menuBar()->addMenu("&Calculation");
  calc->addActions({ActionStart, ActionBreak});
  QMenu* panel = menuBar()->addMenu("&Panel");
  panel->addActions({ActNewPanel, ActDelPanel, ActRename});
  QMenu* help = menuBar()->addMenu("&Help");
  help->addActions({Action1, ActAbout});

  QToolBar* tools = addToolBar("Tools");
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

void TMainForm::CreateLayout() {
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  PageControl = new QTabWidget(central);
  PageControl->setObjectName("PageControl");
  PageControl->setDocumentMode(false);
  connect(PageControl, &QTabWidget::currentChanged, this, &TMainForm::PageControlChange);
  column->addWidget(PageControl, 1);

  HelpPanel = new THelpPanel(central);
  HelpPanel->setFixedHeight(129);
  connect(HelpPanel, &THelpPanel::EditorFocusWanted, this, [this] {
    if (TEditPanel* p = CurrentPanel()) p->MemoEdit->setFocus();
  });
  column->addWidget(HelpPanel, 0);

  BottomPanel = new QWidget(central);
  BottomPanel->setObjectName("BottomPanel");
  BottomPanel->setFixedHeight(55);
  auto* row = new QHBoxLayout(BottomPanel);
  row->setContentsMargins(4, 2, 4, 2);
  // The maker's logo: a click or a double click opens the web site.
  auto* logo = new Ostra::TClickLabel(BottomPanel);
  logo->setPixmap(Ostra::MakerLogo(44));
  logo->setCursor(Qt::PointingHandCursor);
  logo->setToolTip(Ostra::WebSiteAddress);
  logo->Clicked = [this] { OpenWebSite(); };
  Logo = logo;
  row->addWidget(Logo);
  auto* makerText = new QLabel(QString("<b>%1</b><br>%2").arg(Ostra::MakerName, Ostra::MakerLine), BottomPanel);
  row->addWidget(makerText, 1);

  BtnShowError = new QPushButton("Show error", BottomPanel);
  BtnShowError->setObjectName("BtnShowError");
  BtnShowError->setToolTip("Display the reason why the status is red");
  BtnShowError->setEnabled(false);
  connect(BtnShowError, &QPushButton::clicked, this, &TMainForm::BtnShowErrorClick);
  row->addWidget(BtnShowError, 0, Qt::AlignBottom);

  auto* statusGroup = new QGroupBox("Status", BottomPanel);
  auto* sl = new QHBoxLayout(statusGroup);
  sl->setContentsMargins(4, 0, 4, 2);
  PanelError = new QLabel("Ok", statusGroup);
  PanelError->setObjectName("PanelError");
  PanelError->setAlignment(Qt::AlignCenter);
  PanelError->setFixedSize(60, 20);
  PanelError->setAutoFillBackground(true);
  sl->addWidget(PanelError);
  row->addWidget(statusGroup, 0);
  column->addWidget(BottomPanel, 0);
  setCentralWidget(central);

  StatusPanel0 = new QLabel(this);
  StatusPanel0->setObjectName("StatusPanel0");
  StatusPanel0->setFixedWidth(60);
  StatusPanel1 = new QLabel(this);
  StatusPanel1->setObjectName("StatusPanel1");
  statusBar()->addWidget(StatusPanel0, 0);
  statusBar()->addWidget(StatusPanel1, 1);
  SetSyntaxState(false);
}

// ---- state

void TMainForm::SetOutputSink(TOutputSink* sink) {
  if (!FRunning) Run->Host().Output = sink;
}

void TMainForm::SetPlotHost(TPlotHost* host) {
  if (!FRunning) Run->Host().Plot = host;
}

void TMainForm::UpdateActionStates() {
  const bool calculatorPage = PageControl && PageControl->currentIndex() > 0;
  ActionNew->setEnabled(!FRunning);
  FileOpen->setEnabled(!FRunning);
  ActionSave->setEnabled(FModified);
  ActionStart->setEnabled(!FRunning && !FSyntaxError && calculatorPage);
  ActionBreak->setEnabled(FRunning);
  ActNewPanel->setEnabled(!FRunning);
  ActDelPanel->setEnabled(!FRunning && calculatorPage);
  ActRename->setEnabled(calculatorPage);
  if (!PageControl) return;
  PageControl->tabBar()->setEnabled(!FRunning);
  for (int i = 0; i < PanelCount(); ++i) Panel(i)->MemoEdit->setReadOnly(FRunning);
  UpdateEditActions();
}

void TMainForm::SetModified(bool value) {
  if (value == FModified) return;
  FModified = value;
  UpdateActionStates();
  StatusPanel0->setText(value ? "Changed" : "");
}

void TMainForm::SetSyntaxState(bool error) {
  FSyntaxError = error;
  QPalette pal = PanelError->palette();
  pal.setColor(QPalette::Window, error ? QColor(255, 0, 0) : QColor(0, 255, 0));
  pal.setColor(QPalette::WindowText, Qt::black);
  PanelError->setPalette(pal);
  PanelError->setText(error ? "Error" : "Ok");
  if (!error) StatusPanel1->clear();
  BtnShowError->setEnabled(error);
  UpdateActionStates();
}

TEditPanel* TMainForm::Panel(int index) const {
  return qobject_cast<TEditPanel*>(PageControl->widget(index));
}

int TMainForm::PanelCount() const { return PageControl->count(); }

TEditPanel* TMainForm::CurrentPanel() const {
  int i = PageControl->currentIndex();
  return i < 0 ? nullptr : Panel(i);
}

QString TMainForm::PanelName(int index) const { return NameOfCaption(PageControl->tabText(index)); }

void TMainForm::SetPanelName(int index, const QString& name) { PageControl->setTabText(index, TabCaption(name)); }

TGUIParser* TMainForm::EngineOf(const TEditPanel* panel) const {
  return &Run->EngineOf(PageControl->indexOf(const_cast<TEditPanel*>(panel)));
}

void TMainForm::CheckPanelText(TEditPanel* panel) {
  if (FRunning || PageControl->count() == 0 || !panel) return;
  SetModified(true);
  TGUIParser* engine = EngineOf(panel);
  engine->SetText(panel->Text8());
  Tokens.clear();
  const bool ok = engine->Parse(&Tokens);
  SetSyntaxState(!ok);
  FLastParsedPanel = panel;
  if (ok) {
    if (auto* c = panel->MemoEdit->findChild<TSyntaxColourer*>(QString(), Qt::FindDirectChildrenOnly))
      c->TokensParsed(Tokens);
  }
}

void TMainForm::ColourNow(TEditPanel* panel) {
  if (!panel || panel != FLastParsedPanel || FSyntaxError) return;
  if (auto* c = panel->MemoEdit->findChild<TSyntaxColourer*>(QString(), Qt::FindDirectChildrenOnly))
    c->ColourNow(Tokens);
}

void TMainForm::PageControlChange(int index) {
  if (FLoading || index < 0) return;
  const bool modified = FModified;
  CheckPanelText(Panel(index));
  SetModified(modified);
  UpdateActionStates();
}

void TMainForm::UpdateCaption() {
  QString title = AppTitle;
  if (HasFileName) title += " - " + DisplayName;
  setWindowTitle(title);
}

// ---- calculation

void TMainForm::ActionStartExecute() {
  if (FRunning || PageControl->currentIndex() <= 0) return;
  if (Run->Main->Error || Run->Global->Error) return;
  FRunning = true;
  FRunDone = false;
  UpdateActionStates();
  StatusPanel1->setText("Running...");
  if (FThreadEnded || !Run->Start()) {
    FRunning = false;
    UpdateActionStates();
  }
}

void TMainForm::ActionBreakExecute() {
  if (!FRunning) return;
  StatusPanel1->setText("Breaking...");
  Run->Break();
  // A break that arrives before the thread has taken up the run request
  // would be reset by the start of the run; repeat it until the run ends.
  BreakRepeater->start();
}

void TMainForm::RunFinished(const TReturnValue* result) {
  QMetaObject::invokeMethod(this, [this, result] { ShowCalculationResult(result); }, Qt::QueuedConnection);
  FRunDone = true;
}

void TMainForm::ShowCalculationResult(const TReturnValue* result) {
  const TCalcInfo& ci = Run->CalcInfo();
  if (TEditPanel* p = CurrentPanel()) {
    if (ci.Error)
      p->ShowResult("Error: " + Ostra::FromCodePage(ci.Message));
    else if (result)
      p->ShowResult(Ostra::FromCodePage(FormatResult(*result, p->Radix())));
  }
  StatusPanel1->setText(ci.Error ? "Calculation terminated" : "Calculation finished");
  BreakRepeater->stop();
  FRunning = false;
  UpdateActionStates();
  if (TEditPanel* p = CurrentPanel()) p->MemoEdit->setFocus();
  emit CalculationFinished();
}

void TMainForm::ThreadTerminated() {
  if (!FClosing.load())
    Ask(QMessageBox::Critical, AppTitle,
        "Macro thread terminated unexpectedly, maybe the connection to the RIR program is lost. "
        "Please restart the program.",
        QMessageBox::Ok);
  FThreadEnded = true;
}

void TMainForm::BtnShowErrorClick() {
  TEditPanel* p = CurrentPanel();
  if (!p) return;
  TGUIParser* engine = EngineOf(p);
  if (!engine->Error) {
    SetSyntaxState(false);
    return;
  }
  StatusPanel1->setText(Ostra::FromCodePage(engine->Message));
  const QString text = p->Text();
  const int start = Ostra::TextPosition(text, std::max<int32_t>(engine->TokenStart, 0));
  const int end = engine->ErrorPos < 0 ? text.size() : Ostra::TextPosition(text, engine->ErrorPos);
  QTextCursor c = p->MemoEdit->textCursor();
  c.setPosition(std::min(start, int(text.size())));
  c.setPosition(std::max(start, end), QTextCursor::KeepAnchor);
  p->MemoEdit->setTextCursor(c);
  p->MemoEdit->setFocus();
}

void TMainForm::DeferredStart() {
  FStartPending = false;
  if (ActionStart->isEnabled()) ActionStartExecute();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* k = static_cast<QKeyEvent*>(event);
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
      if (w && w->window() == this && d->mimeData()->hasUrls() && !d->mimeData()->urls().first().toLocalFile().isEmpty()) {
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
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMainForm::FilesDropped(const QStringList& files) {
  if (files.isEmpty()) return;
  const QString first = files.first();
  if (FModified && !QuerySaveChanges()) return;
  OpenDocument(first);
}

void TMainForm::UpdateEditActions() {
  // Like the standard edit actions: they follow the focused edit control.
  QWidget* w = QApplication::focusWidget();
  bool hasSelection = false, readOnly = true, hasText = false, isEdit = true;
  if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
    hasSelection = e->textCursor().hasSelection();
    readOnly = e->isReadOnly();
    hasText = !e->document()->isEmpty();
  } else if (auto* l = qobject_cast<QLineEdit*>(w)) {
    hasSelection = l->hasSelectedText();
    readOnly = l->isReadOnly();
    hasText = !l->text().isEmpty();
  } else if (auto* t = qobject_cast<QTextEdit*>(w)) {
    hasSelection = t->textCursor().hasSelection();
    readOnly = t->isReadOnly();
    hasText = !t->document()->isEmpty();
  } else {
    isEdit = false;
  }
  const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
  EditCopy1->setEnabled(isEdit && hasSelection);
  EditCut1->setEnabled(isEdit && hasSelection && !readOnly);
  EditPaste1->setEnabled(isEdit && !readOnly && clip && clip->hasText());
  EditSelectAll1->setEnabled(isEdit && hasText);
}

void TMainForm::EditCommand(const char* method) {
  if (QWidget* w = QApplication::focusWidget()) QMetaObject::invokeMethod(w, method);
}

void TMainForm::ShowHelpForCaret(TEditPanel* panel) {
  if (HelpPanel && panel) HelpPanel->ShowHelpFor(panel->MemoEdit);
}

bool TMainForm::EndCalculation() {
  ActionBreakExecute();
  QElapsedTimer t;
  t.start();
  // Keep serving the window messages the run may wait for (output, panels).
  while (FRunning && t.elapsed() < 1000) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    if (FRunDone.load()) continue;
    Run->Break();
    QThread::msleep(5);
  }
  return !FRunning;
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (FRunning && !FThreadEnded) {
    if (Ask(QMessageBox::Question, AppTitle, "Calculation running, do you want to kill it?",
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
      event->ignore();
      return;
    }
    if (!EndCalculation()) FThreadStuck = true;
  }
  if (FModified && !QuerySaveChanges()) {
    event->ignore();
    return;
  }
  event->accept();
  if (FThreadStuck) {
    // The calculation is blocked somewhere Break cannot reach, and a thread
    // cannot be killed: leave at once instead of waiting for it forever.
    for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    ForceExit();
  }
}

// ---- GUI editor

void TMainForm::Action3Execute() { TUserForm::OpenEditor(this); }

void TMainForm::Action4Execute() {
  TEditPanel* panel = CurrentPanel();
  if (!panel || FRunning) return;
  const QString path = GuiDialogs().SelectToInsert(this);
  if (path.isEmpty()) return;
  // One edit, undone in one step.
  panel->MemoEdit->textCursor().insertText("loadgui(0;'" + QFileInfo(path).absoluteFilePath() +
                                           "'),\nwhile(waitguievent(0);\n println('GUI Event...')\n)\n");
}

// ---- documents

void TMainForm::NewDocument() {
  HasFileName = false;
  FullPath.clear();
  FLoading = true;
  for (int i = PageControl->count() - 1; i >= 0; --i) {
    QWidget* w = PageControl->widget(i);
    PageControl->removeTab(i);
    delete w;
  }
  FLastParsedPanel = nullptr;
  FLoading = false;
  TEditPanel* global = AddPanel("Global");
  if (!global) return;
  global->ResultPanel->hide();
  TEditPanel* calc = AddCalculatorPanel();
  CheckPanelText(global);
  CheckPanelText(calc);
  UpdateCaption();
  SetModified(false);
}

TEditPanel* TMainForm::AddPanel(const QString& name) {
  if (FRunning) return nullptr;
  auto* panel = new TEditPanel;
  panel->OnChange = [this](TEditPanel* p) { CheckPanelText(p); };
  panel->OnHelpKey = [this](TEditPanel* p) { ShowHelpForCaret(p); };
  new TSyntaxColourer(panel->MemoEdit);
  connect(panel->MemoEdit, &QPlainTextEdit::selectionChanged, this, &TMainForm::UpdateEditActions);
  connect(panel->MemoEdit, &QPlainTextEdit::textChanged, this, &TMainForm::UpdateEditActions);
  connect(panel->edtResult, &QLineEdit::selectionChanged, this, &TMainForm::UpdateEditActions);
  const bool loading = FLoading;
  FLoading = true;
  const int index = PageControl->addTab(panel, TabCaption(name));
  PageControl->setCurrentIndex(index);
  FLoading = loading;
  UpdateActionStates();
  return panel;
}

TEditPanel* TMainForm::AddCalculatorPanel() {
  const bool modified = FModified;
  TEditPanel* p = AddPanel("Calculator " + QString::number(PageControl->count()));
  if (!p) return nullptr;
  CheckPanelText(p);
  SetModified(modified);
  if (p->isVisible()) p->MemoEdit->setFocus();
  return p;
}

void TMainForm::DeletePanel() {
  if (FRunning) return;
  TEditPanel* p = CurrentPanel();
  const int index = PageControl->currentIndex();
  if (!p || index <= 0) {
    UpdateActionStates();
    return;
  }
  if (!p->IsEmpty() &&
      Ask(QMessageBox::Question, "Calculator", "Panel is not empty, do you really want to delete it?",
          QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  FLoading = true;
  PageControl->removeTab(index);
  if (FLastParsedPanel == p) FLastParsedPanel = nullptr;
  delete p;
  PageControl->setCurrentIndex(std::min(index, PageControl->count() - 1));
  FLoading = false;
  const bool modified = FModified;
  CheckPanelText(CurrentPanel());
  SetModified(modified);
  UpdateActionStates();
}

void TMainForm::SetFileName() {
  QString name = FullPath;
  const qsizetype cut = std::max({name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'), name.lastIndexOf(u':')});
  DisplayName = cut < 0 ? name : name.mid(cut + 1);
  HasFileName = true;
  UpdateCaption();
}

bool TMainForm::QuerySaveChanges() {
  if (PageControl->count() == 2 && PageControl->currentIndex() == 1 &&
      Panel(1)->Text().size() + Panel(0)->Text().size() < 50)
    return true;
  raise();
  activateWindow();
  switch (Ask(QMessageBox::Question, AppTitle, "The current file has been modified, do you want to save it?",
              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
      // Go on only when the document is safe on disk.
      return ActionSaveExecute();
    case QMessageBox::No:
      return true;
    default:
      return false;
  }
}

bool TMainForm::OpenDocument(const QString& path) {
  if (FRunning) return false;
  NewDocument();
  FullPath = path;
  if (QFileInfo(path).isDir()) return false;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray data = file.readAll();
  const bool readOk = file.error() == QFileDevice::NoError;
  file.close();
  auto fail = [&] {
    Ask(QMessageBox::Warning, AppTitle, "Error opening file " + FullPath, QMessageBox::Ok);
    return false;
  };
  if (!readOk) return fail();

  const std::string bytes(data.constData(), static_cast<size_t>(data.size()));
  const Ostra::TMacroDocument doc = Ostra::ReadMacroText(bytes);
  FLoading = true;
  auto load = [&](TEditPanel* panel, const std::string& text) {
    panel->Notifications = false;
    panel->SetText(Ostra::FromCodePage(text));
    panel->Notifications = true;
    CheckPanelText(panel);
    ColourNow(panel);
  };
  if (bytes.find(Ostra::PanelMarker) == std::string::npos) {
    load(Panel(1), doc.Panels[1].Text);
  } else {
    for (size_t k = 0; k < doc.Panels.size(); ++k) {
      const Ostra::TMacroPanel& section = doc.Panels[k];
      // The second page keeps its new-document state when the file has a
      // single section.
      if (k == 1 && section.Offset == 0) continue;
      const QString name = Ostra::FromCodePage(section.Name);
      TEditPanel* panel;
      if (k < 2) {
        panel = Panel(int(k));
        SetPanelName(int(k), name);
      } else {
        panel = AddPanel(name);
      }
      if (!panel) break;
      load(panel, section.Text);
    }
  }
  FLoading = false;
  if (!doc.Complete) return fail();

  PageControl->setCurrentIndex(PageControl->count() >= 2 ? 1 : PageControl->count() - 1);
  SetFileName();
  UpdateActionStates();
  if (TEditPanel* p = CurrentPanel()) {
    p->MemoEdit->setFocus();
    CheckPanelText(p);
  }
  QCoreApplication::processEvents();
  SetModified(false);
  return true;
}

bool TMainForm::SaveDocument() {
  const int n = PageControl->count();
  if (n == 0) return true;
  std::vector<Ostra::TMacroPanel> panels;
  panels.reserve(size_t(n));
  for (int i = 0; i < n; ++i)
    panels.push_back({Ostra::ToCodePage(PanelName(i)), FileText(Panel(i)->Text8()), 0});
  const std::string text = Ostra::WriteMacroText(panels);
  // The previous file is replaced only once the new one is completely written.
  QSaveFile file(FullPath);
  bool ok = file.open(QIODevice::WriteOnly);
  if (ok) ok = file.write(text.data(), qint64(text.size())) == qint64(text.size());
  if (ok) ok = file.commit();
  else file.cancelWriting();
  if (!ok) {
    Ask(QMessageBox::Critical, AppTitle, "Cannot save " + FullPath + ": " + file.errorString(), QMessageBox::Ok);
    return false;
  }
  return true;
}

void TMainForm::ActionNewExecute() {
  if (FRunning) return;
  if (FModified && !QuerySaveChanges()) return;
  NewDocument();
}

void TMainForm::FileOpenExecute() {
  if (FRunning) return;
  const QString path = ChooseFile(false);
  if (path.isEmpty()) return;
  if (FModified && !QuerySaveChanges()) return;
  OpenDocument(path);
}

bool TMainForm::ActionSaveExecute() {
  if (!HasFileName) return FileSaveAsExecute();
  if (!SaveDocument()) return false;
  SetModified(false);
  return true;
}

bool TMainForm::FileSaveAsExecute() {
  const QString path = ChooseFile(true);
  if (path.isEmpty()) return false;
  FullPath = path;
  SetFileName();
  if (!SaveDocument()) return false;
  SetModified(false);
  return true;
}

void TMainForm::ActRenameExecute() {
  TEditPanel* p = CurrentPanel();
  const int index = PageControl->currentIndex();
  if (!p || index <= 0) return;
  if (!RenameForm) RenameForm = new TRenameForm(this);
  QString name;
  if (!RenameForm->Execute(PanelName(index), name)) return;
  SetPanelName(index, name);
  SetModified(true);
}

void TMainForm::ActAboutExecute() {
  if (!AboutForm) AboutForm = new TAboutForm(this);
  connect(AboutForm, &TAboutForm::WebSiteRequested, this, &TMainForm::OpenWebSite, Qt::UniqueConnection);
  AboutForm->exec();
}

void TMainForm::Action1Execute() {
  // The manual lives next to the program; nothing is reported when it or a
  // viewer is missing.
  const QString manual = QDir(QCoreApplication::applicationDirPath()).filePath("ostracalc.pdf");
  if (QFileInfo::exists(manual)) OpenUrl(QUrl::fromLocalFile(manual));
}

void TMainForm::OpenWebSite() { OpenUrl(QUrl(Ostra::WebSiteAddress)); }

QString TMainForm::CommandLinePath(const QStringList& arguments) {
  QString s = arguments.join(u' ');
  if (s.startsWith(u'"')) s = s.mid(1, s.size() - 2);
  return s;
}

void TMainForm::OpenCommandLine(const QStringList& arguments) {
  const QString path = CommandLinePath(arguments);
  if (!path.isEmpty()) OpenDocument(path);
  SetModified(false);
}
