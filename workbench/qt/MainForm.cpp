#include "workbench/qt/MainForm.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdlib>

#include "engine/qt/Branding.h"
#include "engine/qt/CodePage.h"
#include "engine/qt/DialogFolder.h"
#include "engine/qt/MessageBox.h"
#include "panels/qt/ControlForm.h"
#include "workbench/Libraries.h"
#include "workbench/MacroFile.h"
#include "workbench/qt/EditPanel.h"
#include "workbench/qt/ErrorPlace.h"
#include "workbench/qt/HelpBrowser.h"
#include "engine/qt/Recovery.h"
#include "workbench/qt/SyntaxColouring.h"

using namespace TernioParser;

namespace {

// The user manual: beside the program in a build, else in the documentation
// folder of an installation (OSTRA_DOC_FROM_BIN, relative to the program's
// folder); where neither has it, the place beside the program.
QString ManualLocation() {
  const QDir bin(QCoreApplication::applicationDirPath());
  const QString beside = bin.filePath("ostracalc.pdf");
  const QString installed = QDir::cleanPath(bin.filePath(OSTRA_DOC_FROM_BIN "/ostracalc.pdf"));
  if (!QFileInfo::exists(beside) && QFileInfo::exists(installed)) return installed;
  return beside;
}

// Tab captions treat '&' as a mnemonic marker; panel names are shown as typed.
QString TabCaption(const QString& name) {
  QString c = name;
  return c.replace(u'&', QLatin1String("&&"));
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName("MainForm");
  Ask = [this](
            QMessageBox::Icon icon, const QString& title, const QString& text, QMessageBox::StandardButtons buttons) {
    return Ostra::AskUser(this, icon, title, text, buttons);
  };
  ChooseFile = [this](bool save) {
    QFileDialog dlg(this,
                    save ? tr("Save as") : tr("Open"),
                    Ostra::DialogFolder(FullPath.isEmpty() ? QString() : QFileInfo(FullPath).absolutePath()));
    dlg.setNameFilters({tr("RIR macro files (*.sma)"), tr("All files (*.*)")});
    dlg.setDefaultSuffix("sma");
    if (save) {
      dlg.setAcceptMode(QFileDialog::AcceptSave);
      dlg.setFileMode(QFileDialog::AnyFile);
    } else {
      dlg.setAcceptMode(QFileDialog::AcceptOpen);
      dlg.setFileMode(QFileDialog::ExistingFile);
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return QString();
    return dlg.selectedFiles().first();
  };
  OpenUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
  ForceExit = [] { std::_Exit(0); };
  ManualPath = ManualLocation();

  CreateActions();
  CreateLayout();
  setAcceptDrops(true);
  resize(538, 545 + menuBar()->sizeHint().height());
  setMinimumSize(500, 420);

  // A copy of the unsaved document, a few seconds after the last change.
  Recovery = std::make_unique<TRecoveryStore>(TRecoveryStore::DefaultFolder());
  RecoveryTimer = new QTimer(this);
  RecoveryTimer->setSingleShot(true);
  RecoveryTimer->setInterval(RecoveryDelay);
  connect(RecoveryTimer, &QTimer::timeout, this, &TMainForm::WriteRecoveryCopy);
  ParseTimer = new QTimer(this);
  ParseTimer->setSingleShot(true);
  ParseTimer->setInterval(ParseDelay);
  connect(ParseTimer, &QTimer::timeout, this, [this] {
    TEditPanel* panel = ParsePendingPanel();
    // Typing has paused already: the colouring follows sooner.
    if (panel) CheckPanelText(panel, std::max(0, TSyntaxColourer::DelayMs - ParseDelay));
  });

  // FormCreate.
  UpdateCaption();
  UpdateActionStates();
  CreateRun();
  // The control window; programs reach it through the panel host.
  ControlForm = new TControlForm(this);
  ControlForm->DocumentPath = [this] { return HasFileName ? FullPath : QString(); };
  PanelHost = std::make_unique<TControlWindowHost>(ControlForm);
  Run->Host().Panels = PanelHost.get();
  if (!Run->Resume()) Doc.SetThreadEnded();
  NewDocument();
  HelpPanel->BuildFunctionList(Run->Main().Builtins);
  if (TEditPanel* p = CurrentPanel()) p->MemoEdit->setFocus();
  qApp->installEventFilter(this);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { EditFocusChanged(now); });
  EditFocusChanged(QApplication::focusWidget());
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &TMainForm::UpdateEditActions);
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
  if (Doc.ThreadStuck()) Run->Abandon();
  Run.reset();
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
  const QString makerLine = QCoreApplication::translate("Ostra", Ostra::MakerLine);
  auto* makerText = new QLabel(QString("<b>%1</b><br>%2").arg(Ostra::MakerName, makerLine), BottomPanel);
  row->addWidget(makerText, 1);

  BtnShowError = new QPushButton(tr("Show error"), BottomPanel);
  BtnShowError->setObjectName("BtnShowError");
  BtnShowError->setToolTip(tr("Display the reason why the status is red"));
  BtnShowError->setEnabled(false);
  connect(BtnShowError, &QPushButton::clicked, this, &TMainForm::BtnShowErrorClick);
  row->addWidget(BtnShowError, 0, Qt::AlignBottom);

  auto* statusGroup = new QGroupBox(tr("Status"), BottomPanel);
  auto* sl = new QHBoxLayout(statusGroup);
  sl->setContentsMargins(4, 0, 4, 2);
  PanelError = new QLabel(tr("Ok"), statusGroup);
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
  if (!Doc.Running()) Run->Host().Output = sink;
}

void TMainForm::SetPlotHost(TPlotHost* host) {
  if (!Doc.Running()) Run->Host().Plot = host;
}

void TMainForm::UpdateActionStates() {
  const Ostra::TActionStates s = Doc.ActionStates(!RecentMenu->actions().isEmpty());
  ActionNew->setEnabled(s.New);
  FileOpen->setEnabled(s.Open);
  RecentMenu->setEnabled(s.Recent);
  ActionSave->setEnabled(s.Save);
  ActionStart->setEnabled(s.Start);
  ActionBreak->setEnabled(s.Break);
  ActNewPanel->setEnabled(s.NewPanel);
  ActDelPanel->setEnabled(s.DeletePanel);
  ActRename->setEnabled(s.Rename);
  EditReplace->setEnabled(s.Replace);
  if (!PageControl) return;
  PageControl->tabBar()->setEnabled(s.SwitchPages);
  for (int i = 0; i < PanelCount(); ++i) Panel(i)->MemoEdit->setReadOnly(!s.Editable);
  UpdateEditActions();
}

void TMainForm::SetModified(bool value) {
  if (!value) {
    // Saved, or replaced by another document: nothing left to recover.
    RecoveryTimer->stop();
    Recovery->Remove();
  }
  if (!Doc.SetModified(value)) return;
  UpdateActionStates();
  StatusPanel0->setText(value ? tr("Changed") : QString());
}

void TMainForm::SetSyntaxState(bool error) {
  Doc.SetSyntaxError(error);
  QPalette pal = PanelError->palette();
  pal.setColor(QPalette::Window, error ? QColor(255, 0, 0) : QColor(0, 255, 0));
  pal.setColor(QPalette::WindowText, Qt::black);
  PanelError->setPalette(pal);
  PanelError->setText(error ? tr("Error") : tr("Ok"));
  if (!error) StatusPanel1->clear();
  BtnShowError->setEnabled(error);
  UpdateActionStates();
}

TEditPanel* TMainForm::Panel(int index) const { return qobject_cast<TEditPanel*>(PageControl->widget(index)); }

int TMainForm::PanelCount() const { return PageControl->count(); }

TEditPanel* TMainForm::CurrentPanel() const {
  int i = PageControl->currentIndex();
  return i < 0 ? nullptr : Panel(i);
}

QString TMainForm::PanelName(int index) const { return QString::fromStdString(Doc.PanelName(index)); }

void TMainForm::SetPanelName(int index, const QString& name) {
  Doc.SetPanelName(index, name.toStdString());
  PageControl->setTabText(index, TabCaption(name));
}

TGUIParser* TMainForm::EngineOf(const TEditPanel* panel) const {
  return &Run->EngineOf(PageControl->indexOf(const_cast<TEditPanel*>(panel)));
}

void TMainForm::PanelEdited(TEditPanel* panel) {
  if (Doc.Running() || PageControl->count() == 0 || !panel) return;
  if (Ostra::TDocumentModel::ParsesAtOnce(panel->MemoEdit->document()->characterCount())) {
    CheckPanelText(panel);
    return;
  }
  SetModified(true);
  RecoveryTimer->start();
  if (ParsePendingPanel() != panel) {
    ParsePending();
    Doc.SetPendingParse(PageControl->indexOf(panel));
    UpdateActionStates();
  }
  ParseTimer->start();
}

TEditPanel* TMainForm::ParsePendingPanel() const { return Panel(Doc.PendingParse()); }

void TMainForm::ParsePending() {
  if (TEditPanel* p = ParsePendingPanel()) CheckPanelText(p);
}

void TMainForm::CheckPanelText(TEditPanel* panel, int colourDelayMs) {
  if (Doc.Running() || PageControl->count() == 0 || !panel) return;
  // An unparsed edit of another panel goes first: its engine must hold it.
  if (TEditPanel* pending = ParsePendingPanel()) {
    Doc.SetPendingParse(-1);
    ParseTimer->stop();
    if (pending != panel) CheckPanelText(pending);
  }
  SetModified(true);
  RecoveryTimer->start();
  const bool ok = Run->Parse(PageControl->indexOf(panel), panel->Text8(), &Tokens).Ok;
  SetSyntaxState(!ok);
  Doc.SetLastParsed(PageControl->indexOf(panel));
  if (ok) {
    panel->MemoEdit->ClearError();
    if (auto* c = panel->MemoEdit->findChild<TSyntaxColourer*>(QString(), Qt::FindDirectChildrenOnly))
      c->TokensParsed(Tokens, colourDelayMs);
  } else {
    MarkParseError(panel);
  }
}

void TMainForm::MarkParseError(TEditPanel* panel) {
  // The place Show error selects, marked until the next parse.
  const TGUIParser* engine = EngineOf(panel);
  const Ostra::TErrorPlace place = Ostra::ErrorPlace(engine->Text, *engine, Tokens);
  const QString text = panel->Text();
  panel->MemoEdit->MarkError(Ostra::TextPosition(text, place.Start),
                             Ostra::TextPosition(text, place.End),
                             Ostra::FromCodePage(place.Message));
}

void TMainForm::ColourNow(TEditPanel* panel) {
  if (!panel || panel != LastParsedPanel() || Doc.SyntaxError()) return;
  if (auto* c = panel->MemoEdit->findChild<TSyntaxColourer*>(QString(), Qt::FindDirectChildrenOnly))
    c->ColourNow(Tokens);
}

void TMainForm::PageControlChange(int index) {
  Doc.SetCurrent(index);
  if (FLoading || index < 0) return;
  const bool modified = Doc.Modified();
  CheckPanelText(Panel(index));
  SetModified(modified);
  UpdateActionStates();
}

void TMainForm::UpdateCaption() {
  QString title = tr(AppTitle);
  if (HasFileName) title += " - " + DisplayName;
  setWindowTitle(title);
}
