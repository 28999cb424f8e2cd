#include "workbench/qt/MainForm.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
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
#include "panels/qt/ControlForm.h"
#include "workbench/Libraries.h"
#include "workbench/MacroFile.h"
#include "workbench/qt/EditPanel.h"
#include "workbench/qt/HelpBrowser.h"
#include "workbench/qt/SyntaxColouring.h"

using namespace TernioParser;

namespace {

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

