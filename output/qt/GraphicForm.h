#pragma once
// The plot window "Plots": one tab per tab of the plot model, each showing
// its curve panel, and the commands Delete, Save As Text, To Clipboard,
// Print and Auto-Range.
//
// Hand-off from the calculation thread: Host() is the TPlotHost the plot
// functions use. Requests are queued calls into the window and the two
// counting queries blocking queued calls, all through the window's one event
// queue, so they are applied in the order the program made them and a query
// sees every request before it. The user-interface thread must keep
// processing events during a run; calls on the user-interface thread itself
// are applied at once.

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "output/PlotDrawing.h"
#include "output/PlotHost.h"

class QCheckBox;
class QPushButton;
class QTabWidget;
class QPrinter;
class QRubberBand;
class TClipbForm;

// One curve panel on the screen: paints the model's panel and zooms with
// the mouse (left drag: a rectangle becomes the view; right click:
// autoscale).
class TFuncGraphicPanel : public QWidget {
  Q_OBJECT
public:
  explicit TFuncGraphicPanel(QWidget* parent = nullptr);
  // The panel of the model shown; null for an empty tab.
  TernioParser::TPlotPanel* Panel = nullptr;
  // The layout of the last paint (for the mouse).
  TernioParser::TPlotLayout Layout;
  // Lays out for the current size.
  void UpdateLayout();
  // The panel changed: paint it anew.
  void Invalidate();

signals:
  void ViewChanged();

protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;

private:
  QPoint PressPoint, CurrentPoint;
  bool Dragging = false;
  QRubberBand* Band = nullptr;
  QImage Cache;
  bool CacheValid = false;
  QPoint ClampToPlot(QPoint p) const;
  void EndDrag(QPoint at);
};

class TGraphicForm : public QWidget {
  Q_OBJECT
public:
  explicit TGraphicForm(QWidget* parent = nullptr);
  ~TGraphicForm() override;

  QWidget* Panel1;
  QPushButton* btnDelete;
  QPushButton* btnSave;
  QPushButton* btnCopy;
  QPushButton* btnPrint;
  QPushButton* btnPicture;
  QCheckBox* CbAutoRange;
  QTabWidget* PageControl;
  // The size dialog of To Clipboard (made on first use if not given).
  TClipbForm* ClipbForm = nullptr;

  TernioParser::TPlotModel Model;

  TernioParser::TPlotHost* Host();
  // Applies one request (user-interface thread).
  void Apply(TernioParser::TPlotRequest& request);
  // The panel widget of a tab.
  TFuncGraphicPanel* PanelWidget(int tab) const;

  // Button state update.
  void UpdateButtons();
  // The commands on the active tab.
  void btnDeleteClick();
  void btnSaveClick();
  void btnCopyClick();
  void btnPrintClick();
  void btnPictureClick();
  void CbAutoRangeClick();

  // The parts of the commands below their dialogs.
  bool SaveTabAsText(int tab, const QString& path) const;
  // Puts the tab's picture of the given size (millimetres) on the clipboard,
  // as SVG and as an image.
  void CopyToClipboard(int tab, int widthMm, int heightMm);
  // Writes the tab's picture at the size in pixels as PNG, SVG or PDF (by
  // the file name's ending), drawn as the headless runner draws it. Returns
  // the problem, or empty.
  QString SavePicture(int tab, const QString& path, QSize size) const;
  // Prints the tab on the printer as a job titled "Calculator Plot".
  bool PrintTab(int tab, QPrinter& printer);
  // Pixels of the reference screen for a size in millimetres.
  static QSize PixelsForMillimetres(int widthMm, int heightMm);

  // Seams for tests: the file name chosen in the save dialog of the text
  // and of the picture (empty: cancelled), the size of the picture (none:
  // cancelled), the message shown on a failed save.
  std::function<QString()> ChooseSaveFile;
  std::function<QString()> ChoosePictureFile;
  std::function<std::optional<QSize>()> ChoosePictureSize;
  std::function<void(const QString& text, const QString& caption)> Warn;

protected:
  void closeEvent(QCloseEvent*) override;
  void hideEvent(QHideEvent*) override;

private:
  class THost;
  std::unique_ptr<THost> HostObject;
  // True except while the window itself sets the Auto-Range box.
  bool AutoRangeGuard = true;
  void SyncTabs();
  void SetAutoRangeBox(bool checked);
  TernioParser::TPlotPanel* ActivePanel() const;
  std::optional<std::string> CaptionOf(int tab) const;
};
