#include "output/qt/GraphicForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLocale>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRubberBand>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>
#include <atomic>
#include <chrono>

#include "engine/qt/CodePage.h"
#include "engine/qt/DialogFolder.h"
#include "engine/qt/WindowChannel.h"
#include "output/PlotExport.h"
#include "output/qt/ClipbForm.h"
#include "output/qt/PlotPainter.h"

using namespace TernioParser;

namespace {

// The decimal separator of the user's regional settings, where it is one
// 8-bit character.
char RegionalSeparator() {
  const QString s = QLocale().decimalPoint();
  return s.size() == 1 && s[0].unicode() < 0x80 ? static_cast<char>(s[0].unicode()) : '.';
}

}  // namespace

// ---- the curve panel on the screen

TFuncGraphicPanel::TFuncGraphicPanel(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(false);
}

void TFuncGraphicPanel::UpdateLayout() {
  if (!Panel) return;
  Ostra::TQtPlotCanvas measure(nullptr, logicalDpiY());
  Layout.Update(*Panel, width(), height(), measure, RegionalSeparator());
}

void TFuncGraphicPanel::Invalidate() {
  CacheValid = false;
  update();
}

// The plot is painted into a picture that is kept until the panel changes,
// so that exposing parts of the window (the rubber band moving over it)
// costs a copy, not a repaint of every curve.
void TFuncGraphicPanel::paintEvent(QPaintEvent* e) {
  if (!CacheValid || Cache.size() != size()) {
    Cache = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    Cache.fill(Qt::white);
    if (Panel) {
      QPainter p(&Cache);
      Ostra::TQtPlotCanvas canvas(&p, logicalDpiY());
      Layout.Update(*Panel, width(), height(), canvas, RegionalSeparator());
      PaintPanel(canvas, *Panel, Layout);
    }
    CacheValid = true;
  }
  QPainter p(this);
  p.drawImage(e->rect(), Cache, e->rect());
}

void TFuncGraphicPanel::resizeEvent(QResizeEvent*) {
  UpdateLayout();
  CacheValid = false;
}

QPoint TFuncGraphicPanel::ClampToPlot(QPoint p) const {
  return QPoint(std::clamp(p.x(), Layout.Left, std::max(Layout.Left, Layout.Right)),
                std::clamp(p.y(), Layout.Top, std::max(Layout.Top, Layout.Bottom)));
}

void TFuncGraphicPanel::mousePressEvent(QMouseEvent* e) {
  if (!Panel) return;
  UpdateLayout();
  const QPoint at = e->position().toPoint();
  if (e->button() == Qt::LeftButton) {
    PressPoint = CurrentPoint = ClampToPlot(at);
    Dragging = false;
  } else if (e->button() == Qt::RightButton && Layout.StrictlyInside(at.x(), at.y())) {
    Panel->AutoscaleX = Panel->AutoscaleY = true;
    Panel->RecomputeIntervals();
    Invalidate();
    emit ViewChanged();
  }
}

void TFuncGraphicPanel::mouseMoveEvent(QMouseEvent* e) {
  if (!Panel) return;
  const QPoint at = ClampToPlot(e->position().toPoint());
  if (!(e->buttons() & Qt::LeftButton)) {
    if (Dragging) EndDrag(at);
    return;
  }
  if (!Dragging) {
    const QPoint d = at - PressPoint;
    if (std::abs(d.x()) + std::abs(d.y()) <= 5) return;
    Dragging = true;
    CurrentPoint = PressPoint;
    if (!Band) Band = new QRubberBand(QRubberBand::Rectangle, this);
    Band->show();
  }
  CurrentPoint = at;
  Band->setGeometry(QRect(PressPoint, CurrentPoint).normalized());
}

void TFuncGraphicPanel::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && Dragging) EndDrag(ClampToPlot(e->position().toPoint()));
}

void TFuncGraphicPanel::EndDrag(QPoint at) {
  Dragging = false;
  if (Band) Band->hide();
  if (!Panel) return;
  const double x1 = Layout.DataX(PressPoint.x()), x2 = Layout.DataX(at.x());
  const double y1 = Layout.DataY(PressPoint.y()), y2 = Layout.DataY(at.y());
  Panel->AutoscaleX = Panel->AutoscaleY = false;
  Panel->SetView(x1, x2, y1, y2);
  Invalidate();
  emit ViewChanged();
}

// ---- the hand-off from the calculation thread

// Requests go through a batch channel, so that a program drawing point by
// point is neither slowed down by a call per point nor runs far ahead of the
// window; the counting queries first apply what is pending. Requests are
// numbered as they are handed over, and each batch applied says up to which
// number the window has come, for the plot functions that wait for it.
class TGraphicForm::THost final : public TPlotHost {
public:
  static constexpr size_t MaxPendingRequests = 4000;
  static constexpr size_t MaxPendingPoints = 1 << 20;

  explicit THost(TGraphicForm* form)
      : Form(form),
        Channel(
            form,
            [this](TBatch& b) {
              for (TPlotRequest& r : b.Requests) Form->Apply(r);
              Applied = b.Last;
              AppliedEvent.Set();
            },
            [](const TBatch& b) { return b.Requests.size() >= MaxPendingRequests || b.Points >= MaxPendingPoints; }) {
  }

  bool Post(TPlotRequest request) override {
    return Channel.Push([&](TBatch& b) {
      b.Points += request.X.size();
      b.Requests.push_back(std::move(request));
      b.Last = ++Posted;
    });
  }
  int32_t TabCount() override {
    return Ask([](TGraphicForm* f) { return f->Model.TabCount(); });
  }
  int32_t CurveCount(int32_t tab) override {
    return Ask([tab](TGraphicForm* f) {
      const int32_t n = f->Model.CurveCount(tab);
      // The query may have made tabs.
      f->SyncTabs();
      f->UpdateButtons();
      return n;
    });
  }
  bool WaitApplied(TEvent& stop, int64_t timeoutMs) override {
    const uint64_t wanted = Posted;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Applied < wanted) {
      const int64_t left =
          std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
      if (left <= 0 || TEvent::WaitAny({&stop, &AppliedEvent}, left) == 0) return false;
    }
    return true;
  }

private:
  struct TBatch {
    std::vector<TPlotRequest> Requests;
    size_t Points = 0;
    uint64_t Last = 0;  // the number of its last request
    bool empty() const { return Requests.empty(); }
    void clear() {
      Requests.clear();
      Points = 0;
    }
  };
  TGraphicForm* Form;
  // Requests handed over and applied so far; a batch applied sets the event.
  std::atomic<uint64_t> Posted{0}, Applied{0};
  TEvent AppliedEvent{false};
  Ostra::TBatchChannel<TBatch> Channel;

  template <class F>
  int32_t Ask(F f) {
    int32_t answer = 0;
    Ostra::CallOnWindow(Form, [&] {
      Channel.Drain();
      answer = f(Form);
    });
    return answer;
  }
};

// ---- the window

TGraphicForm::TGraphicForm(QWidget* parent) : QWidget(parent, Qt::Tool), HostObject(new THost(this)) {
  setObjectName("GraphicForm");
  setWindowTitle(tr("Plots"));
  QFont uiFont = font();
  uiFont.setPointSize(8);
  setFont(uiFont);

  Panel1 = new QWidget(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFixedHeight(33);
  // At least the designed widths, wider where a translated caption needs it;
  // the desktop theme's icon, else a style icon.
  auto button =
      [this](const char* name, const QString& text, int width, const char* icon, QStyle::StandardPixmap fallback) {
        auto* b = new QPushButton(QIcon::fromTheme(icon, style()->standardIcon(fallback)), text, Panel1);
        b->setObjectName(name);
        b->setFixedSize(std::max(width, b->sizeHint().width()), 25);
        return b;
      };
  btnDelete = button("btnDelete", tr("Delete"), 75, "edit-delete", QStyle::SP_TrashIcon);
  btnSave = button("btnSave", tr("Save As Text"), 102, "document-save", QStyle::SP_DialogSaveButton);
  btnCopy = button("btnCopy", tr("To Clipboard"), 94, "edit-copy", QStyle::SP_FileDialogContentsView);
  btnPrint = button("btnPrint", tr("Print"), 80, "document-print", QStyle::SP_FileIcon);
  btnPicture = button("btnPicture", tr("Save Picture"), 94, "image-x-generic", QStyle::SP_DesktopIcon);
  btnPicture->setToolTip(tr("Save the plot as a picture: PNG, SVG or PDF"));
  CbAutoRange = new QCheckBox(tr("Auto-Range"), Panel1);
  CbAutoRange->setObjectName("CbAutoRange");
  CbAutoRange->setChecked(true);
  auto* strip = new QHBoxLayout(Panel1);
  strip->setContentsMargins(4, 4, 4, 4);
  for (QWidget* w : {static_cast<QWidget*>(btnDelete),
                     static_cast<QWidget*>(btnSave),
                     static_cast<QWidget*>(btnCopy),
                     static_cast<QWidget*>(btnPrint),
                     static_cast<QWidget*>(btnPicture),
                     static_cast<QWidget*>(CbAutoRange)})
    strip->addWidget(w);
  strip->addStretch(1);

  PageControl = new QTabWidget(this);
  PageControl->setObjectName("PageControl");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Panel1);
  layout->addWidget(PageControl, 1);

  connect(btnDelete, &QPushButton::clicked, this, &TGraphicForm::btnDeleteClick);
  connect(btnSave, &QPushButton::clicked, this, &TGraphicForm::btnSaveClick);
  connect(btnCopy, &QPushButton::clicked, this, &TGraphicForm::btnCopyClick);
  connect(btnPrint, &QPushButton::clicked, this, &TGraphicForm::btnPrintClick);
  connect(btnPicture, &QPushButton::clicked, this, &TGraphicForm::btnPictureClick);
  // The buttons follow the tab shown.
  connect(PageControl, &QTabWidget::currentChanged, this, &TGraphicForm::UpdateButtons);
  connect(CbAutoRange, &QCheckBox::clicked, this, &TGraphicForm::CbAutoRangeClick);

  resize(std::max(495, Panel1->sizeHint().width()), 311);
  move(642, 362);
  UpdateButtons();
}

TGraphicForm::~TGraphicForm() = default;

TPlotHost* TGraphicForm::Host() { return HostObject.get(); }

TFuncGraphicPanel* TGraphicForm::PanelWidget(int tab) const {
  return qobject_cast<TFuncGraphicPanel*>(PageControl->widget(tab));
}

void TGraphicForm::SyncTabs() {
  const int n = Model.TabCount();
  while (PageControl->count() > n) {
    QWidget* w = PageControl->widget(PageControl->count() - 1);
    PageControl->removeTab(PageControl->count() - 1);
    delete w;
  }
  while (PageControl->count() < n) {
    auto* w = new TFuncGraphicPanel;
    // A zoom with the mouse switches autoscaling off (or on again).
    connect(w, &TFuncGraphicPanel::ViewChanged, this, &TGraphicForm::UpdateButtons);
    PageControl->addTab(w, QString());
  }
  for (int i = 0; i < n; ++i) {
    QString caption = Ostra::FromCodePage(Model.Tabs[i].Caption);
    caption.replace('&', "&&");
    if (PageControl->tabText(i) != caption) PageControl->setTabText(i, caption);
    TFuncGraphicPanel* w = PanelWidget(i);
    if (w->Panel != Model.Tabs[i].Panel.get()) {
      w->Panel = Model.Tabs[i].Panel.get();
      w->Invalidate();
    }
  }
}

void TGraphicForm::Apply(TPlotRequest& request) {
  const TPlotChange c = Model.Apply(request);
  SyncTabs();
  if (c.Tab >= 0 && c.Tab < PageControl->count()) {
    TFuncGraphicPanel* w = PanelWidget(c.Tab);
    w->UpdateLayout();
    w->Invalidate();
    if (c.AutoRange && w->Panel) SetAutoRangeBox(w->Panel->AutoscaleX && w->Panel->AutoscaleY);
  }
  if (c.Buttons) UpdateButtons();
  if (c.Show && !isVisible()) show();
}

void TGraphicForm::SetAutoRangeBox(bool checked) {
  AutoRangeGuard = false;
  CbAutoRange->setChecked(checked);
  AutoRangeGuard = true;
}

TPlotPanel* TGraphicForm::ActivePanel() const {
  const int tab = PageControl->currentIndex();
  return tab >= 0 && tab < Model.TabCount() ? Model.Tabs[tab].Panel.get() : nullptr;
}

std::optional<std::string> TGraphicForm::CaptionOf(int tab) const {
  if (tab < 0 || tab >= Model.TabCount()) return std::nullopt;
  return Model.Tabs[tab].Caption;
}

void TGraphicForm::UpdateButtons() {
  btnDelete->setEnabled(Model.TabCount() > 0);
  const TPlotPanel* p = ActivePanel();
  if (p) SetAutoRangeBox(p->AutoscaleX && p->AutoscaleY);
  const bool curves = p && p->HasCurves();
  for (QWidget* w : {static_cast<QWidget*>(btnSave),
                     static_cast<QWidget*>(btnCopy),
                     static_cast<QWidget*>(btnPicture),
                     static_cast<QWidget*>(CbAutoRange)})
    w->setEnabled(curves);
}

void TGraphicForm::btnDeleteClick() {
  if (!ActivePanel()) return;
  Model.ClearTab(static_cast<size_t>(PageControl->currentIndex()));
  SyncTabs();
  UpdateButtons();
}

void TGraphicForm::CbAutoRangeClick() {
  if (!AutoRangeGuard) return;
  TPlotPanel* p = ActivePanel();
  if (!p) return;
  const bool on = CbAutoRange->isChecked();
  p->SetAutoscale(on, on);
  if (TFuncGraphicPanel* w = PanelWidget(PageControl->currentIndex())) w->Invalidate();
}

bool TGraphicForm::SaveTabAsText(int tab, const QString& path) const {
  const TPlotPanel* p = tab >= 0 && tab < Model.TabCount() ? Model.Panel(tab) : nullptr;
  if (!p) return false;
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  const std::string text = CurvesAsText(*p);
  return f.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
}

void TGraphicForm::btnSaveClick() {
  if (!ActivePanel()) return;
  QString path;
  if (ChooseSaveFile) {
    path = ChooseSaveFile();
  } else {
    QFileDialog dlg(this, tr("Save plot as text file"), Ostra::DialogFolder(QString()));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setDefaultSuffix("txt");
    dlg.setNameFilters({tr("Text files (*.txt)"), tr("All files (*.*)")});
    dlg.setOption(QFileDialog::ReadOnly, false);
    if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty()) path = dlg.selectedFiles().first();
  }
  if (path.isEmpty()) return;
  if (!SaveTabAsText(PageControl->currentIndex(), path)) {
    const QString text = tr("Error creating file %1").arg(path);
    if (Warn) Warn(text, tr("Save As ASCII file"));
    else QMessageBox::warning(this, tr("Save As ASCII file"), text);
  }
}

QSize TGraphicForm::PixelsForMillimetres(int widthMm, int heightMm) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSizeF mm = screen ? screen->physicalSize() : QSizeF();
  const QSize px = screen ? screen->size() : QSize();
  if (mm.width() < 1 || mm.height() < 1 || px.isEmpty()) {
    // Without a screen to ask: 96 pixels per inch.
    return QSize(static_cast<int>(widthMm * 96LL * 10 / 254), static_cast<int>(heightMm * 96LL * 10 / 254));
  }
  return QSize(
      static_cast<int>(static_cast<long long>(widthMm) * px.width() / static_cast<long long>(mm.width())),
      static_cast<int>(static_cast<long long>(heightMm) * px.height() / static_cast<long long>(mm.height())));
}

void TGraphicForm::CopyToClipboard(int tab, int widthMm, int heightMm) {
  const TPlotPanel* p = tab >= 0 && tab < Model.TabCount() ? Model.Panel(tab) : nullptr;
  if (!p) return;
  const QSize size = PixelsForMillimetres(widthMm, heightMm);
  auto* data = new QMimeData;
  data->setData("image/svg+xml", Ostra::PlotSvg(*p, size.width(), size.height(), CaptionOf(tab)));
  data->setImageData(Ostra::PlotImage(*p, size.width(), size.height(), CaptionOf(tab)));
  QGuiApplication::clipboard()->setMimeData(data);
}

void TGraphicForm::btnCopyClick() {
  if (!ActivePanel()) return;
  if (!ClipbForm) ClipbForm = new TClipbForm(this);
  if (auto size = ClipbForm->AskSize(100, 75))
    CopyToClipboard(PageControl->currentIndex(), size->width(), size->height());
}

bool TGraphicForm::PrintTab(int tab, QPrinter& printer) {
  const TPlotPanel* p = tab >= 0 && tab < Model.TabCount() ? Model.Panel(tab) : nullptr;
  if (!p) return false;
  printer.setDocName("Calculator Plot");
  const QSize picture = PixelsForMillimetres(150, 112);
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const int pw = painter.device()->width(), ph = painter.device()->height();
  int w, h;
  if (pw < ph) {
    w = pw * 9 / 10;
    h = w * 3 / 4;
  } else {
    w = pw * 9 / 10;
    h = ph * 9 / 10;
  }
  painter.setViewport((pw - w) / 2, (ph - h) / 2, w, h);
  painter.setWindow(0, 0, picture.width(), picture.height());
  Ostra::PaintPlot(painter, *p, picture.width(), picture.height(), CaptionOf(tab));
  return painter.end();
}

void TGraphicForm::btnPrintClick() {
  if (!ActivePanel()) return;
  QPrinter printer;
  QPrintDialog dlg(&printer, this);
  if (dlg.exec() != QDialog::Accepted) return;
  PrintTab(PageControl->currentIndex(), printer);
}

QString TGraphicForm::SavePicture(int tab, const QString& path, QSize size) const {
  const TPlotPanel* p = tab >= 0 && tab < Model.TabCount() ? Model.Panel(tab) : nullptr;
  if (!p) return tr("There is no plot on this tab.");
  return QString::fromStdString(Ostra::SavePlotPicture(*p, size.width(), size.height(), path));
}

void TGraphicForm::btnPictureClick() {
  if (!ActivePanel()) return;
  QString path;
  if (ChoosePictureFile) {
    path = ChoosePictureFile();
  } else {
    QFileDialog dlg(this, tr("Save plot as picture"), Ostra::DialogFolder(QString()));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    const QStringList filters{tr("PNG image (*.png)"), tr("SVG drawing (*.svg)"), tr("PDF document (*.pdf)")};
    const QStringList suffixes{"png", "svg", "pdf"};
    dlg.setNameFilters(filters);
    dlg.setDefaultSuffix("png");
    connect(&dlg, &QFileDialog::filterSelected, &dlg, [&](const QString& f) {
      dlg.setDefaultSuffix(suffixes.value(int(filters.indexOf(f)), "png"));
    });
    if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty()) path = dlg.selectedFiles().first();
  }
  if (path.isEmpty()) return;
  std::optional<QSize> size;
  if (ChoosePictureSize) {
    size = ChoosePictureSize();
  } else {
    if (!ClipbForm) ClipbForm = new TClipbForm(this);
    // The size of the headless runner's pictures.
    size = ClipbForm->AskPictureSize(800, 600);
  }
  if (!size) return;
  const QString problem = SavePicture(PageControl->currentIndex(), path, *size);
  if (problem.isEmpty()) return;
  if (Warn) Warn(problem, tr("Save Picture"));
  else QMessageBox::warning(this, tr("Save Picture"), problem);
}

void TGraphicForm::closeEvent(QCloseEvent* e) {
  e->accept();
  Model.ClearAll();
  SyncTabs();
  UpdateButtons();
}

void TGraphicForm::hideEvent(QHideEvent* e) {
  if (e->spontaneous()) return;
  Model.ClearAll();
  SyncTabs();
  UpdateButtons();
}
