#pragma once
// The control window: one page per panel number, each showing a loaded panel
// with its live widgets. Programs reach it through TControlWindowHost, which
// hands each request to the window's thread and waits for the answer.

#include <QPointer>
#include <QWidget>
#include <functional>

#include "panels/PanelHost.h"

class QTabWidget;
class TUserForm;

class TControlForm : public QWidget {
  Q_OBJECT
public:
  explicit TControlForm(QWidget* parent = nullptr);
  ~TControlForm() override;

  QTabWidget* PageControl;
  // Full path of the current macro document (empty: none), for the
  // resolution of the file names of loadgui.
  std::function<QString()> DocumentPath;

  // The requests, on the window's thread.
  bool LoadPanel(std::unique_ptr<TernioParser::TCreatePanelInfo> request);
  void CloseAllPanels();
  // name: code-page bytes.
  void NamePanel(int32_t panel, const std::string& name);
  bool SetProperty(const TernioParser::TSetPropertyInfo& request);
  bool GetProperty(TernioParser::TSetPropertyInfo& request);
  bool HasChanged(int32_t panel, int32_t control);

  TUserForm* Panel(int32_t panel) const;

protected:
  void closeEvent(QCloseEvent* e) override;

private:
  // The forms of the panels; the tabs show its pages.
  TernioParser::TPanelTable<TUserForm> Table;
  // Adds the tabs of new pages and sets the caption of page.
  void ShowPages(int32_t page);
};

// The panel host of the desktop: every request is carried out by the control
// window on its thread while the calculation thread waits (called on the
// window's own thread, it is carried out at once).
class TControlWindowHost final : public TernioParser::TPanelHost {
public:
  explicit TControlWindowHost(TControlForm* form) : Form(form) {}
  bool LoadPanel(std::unique_ptr<TernioParser::TCreatePanelInfo> request) override;
  void CloseAllPanels() override;
  void NamePanel(int32_t panel, const std::string& name) override;
  bool SetProperty(TernioParser::TSetPropertyInfo& request) override;
  bool GetProperty(TernioParser::TSetPropertyInfo& request) override;
  bool HasChanged(int32_t panel, int32_t control) override;

private:
  // Runs job on the window's thread and waits for it.
  void Call(const std::function<void()>& job);
  QPointer<TControlForm> Form;
};
