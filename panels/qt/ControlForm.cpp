#include "panels/qt/ControlForm.h"

#include <QCloseEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "engine/qt/CodePage.h"
#include "engine/qt/WindowChannel.h"
#include "engine/qt/WindowPlacement.h"
#include "panels/qt/UserForm.h"

using namespace TernioParser;

TControlForm::TControlForm(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("TControlForm");
  setWindowTitle(tr("Ostra Calculator Controls"));
  QFont f("Tahoma");
  f.setPointSize(8);
  setFont(f);
  resize(492, 394);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  PageControl = new QTabWidget(this);
  PageControl->setObjectName("PageControl");
  layout->addWidget(PageControl);
  // Beside the main window, where the user put it last time.
  if (parent) new TWindowPlacement(this, parent->window(), "ControlWindow");
}

TControlForm::~TControlForm() { CloseAllPanels(); }

void TControlForm::closeEvent(QCloseEvent* e) {
  // Closing only hides the window; the panels stay until the run ends.
  e->ignore();
  hide();
}

void TControlForm::ShowPages(int32_t page) {
  const std::vector<std::string>& pages = Table.Pages();
  while (static_cast<size_t>(PageControl->count()) < pages.size()) {
    auto* tab = new QWidget;
    auto* l = new QVBoxLayout(tab);
    l->setContentsMargins(0, 0, 0, 0);
    PageControl->addTab(tab, Ostra::FromCodePage(pages[PageControl->count()]));
  }
  PageControl->setTabText(page, Ostra::FromCodePage(pages[page]));
}

TUserForm* TControlForm::Panel(int32_t panel) const { return Table.At(panel); }

bool TControlForm::LoadPanel(std::unique_ptr<TCreatePanelInfo> request) {
  const int32_t n = request->Panel;
  if (!IsPanelNumber(n)) return false;
  const std::string document = DocumentPath ? DocumentPath().toStdString() : std::string();
  const std::string file = ResolvePanelFile(request->FileName, document);
  auto form = std::make_unique<TUserForm>(this);
  form->PanelEvent = request->Event;
  if (!form->LoadFile(Ostra::FromCodePage(file))) return false;
  form->setWindowFlags(Qt::Widget);
  TUserForm* shown = form.get();
  Table.Put(n, std::move(form));
  ShowPages(n);
  PageControl->widget(n)->layout()->addWidget(shown);
  PageControl->tabBar()->setVisible(Table.SlotCount() != 1);
  shown->show();
  PageControl->setCurrentIndex(n);
  if (!isVisible()) show();
  shown->StartRunMode(request->Event);
  return true;
}

void TControlForm::CloseAllPanels() {
  // The forms go before the pages that hold them.
  Table.Clear();
  while (PageControl->count() > 0) {
    QWidget* page = PageControl->widget(0);
    PageControl->removeTab(0);
    delete page;
  }
  hide();
}

void TControlForm::NamePanel(int32_t panel, const std::string& name) {
  if (Table.Name(panel, name)) ShowPages(panel);
}

bool TControlForm::SetProperty(const TSetPropertyInfo& request) {
  TUserForm* p = Panel(request.Panel);
  return p && SetPanelProperty(p->Model().Panel, request);
}

bool TControlForm::GetProperty(TSetPropertyInfo& request) {
  TUserForm* p = Panel(request.Panel);
  return p && GetPanelProperty(p->Model().Panel, request);
}

bool TControlForm::HasChanged(int32_t panel, int32_t control) {
  TUserForm* p = Panel(panel);
  return p && TakePanelChange(p->Model().Panel, control);
}

// ---- the host

void TControlWindowHost::Call(const std::function<void()>& job) { Ostra::CallOnWindow(Form.data(), job); }

bool TControlWindowHost::LoadPanel(std::unique_ptr<TCreatePanelInfo> request) {
  bool ok = false;
  Call([&] { ok = Form && Form->LoadPanel(std::move(request)); });
  return ok;
}

void TControlWindowHost::CloseAllPanels() {
  Call([&] {
    if (Form) Form->CloseAllPanels();
  });
}

void TControlWindowHost::NamePanel(int32_t panel, const std::string& name) {
  Call([&] {
    if (Form) Form->NamePanel(panel, name);
  });
}

bool TControlWindowHost::SetProperty(TSetPropertyInfo& request) {
  bool ok = false;
  Call([&] { ok = Form && Form->SetProperty(request); });
  return ok;
}

bool TControlWindowHost::GetProperty(TSetPropertyInfo& request) {
  bool ok = false;
  Call([&] { ok = Form && Form->GetProperty(request); });
  return ok;
}

bool TControlWindowHost::HasChanged(int32_t panel, int32_t control) {
  bool ok = false;
  Call([&] { ok = Form && Form->HasChanged(panel, control); });
  return ok;
}
