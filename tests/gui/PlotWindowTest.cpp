// The plot window: requests of programs on the real calculation thread in
// program order, the tab rules of Delete and hiding, Save As Text, the size
// dialog, the clipboard, printing into a PDF file, pictures saved as PNG,
// SVG and PDF (drawn as the headless runner draws them), Auto-Range and the
// mouse, and the buttons following the tab shown.

#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "WindowRunner.h"
#include "output/qt/ClipbForm.h"
#include "output/qt/GraphicForm.h"
#include "workbench/Libraries.h"

using namespace TernioParser;

namespace {

// The plot requests of the runs going to the given window.
class TRunner : public TWindowRunner {
public:
  explicit TRunner(TGraphicForm& form) { Host().Plot = form.Host(); }
};

void AddCurve(TGraphicForm& form, uint32_t tab, uint32_t number, std::vector<double> x, std::vector<double> y) {
  TPlotRequest r;
  r.Kind = TPlotRequestKind::AddCurve;
  r.Word = tab, r.Long = number;
  r.X = std::move(x), r.Y = std::move(y);
  form.Host()->Post(std::move(r));
}

std::vector<double> Range(int n) {
  std::vector<double> v(n);
  for (int i = 0; i < n; ++i) v[i] = i + 1;
  return v;
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
  QMouseEvent e(type, at, w->mapToGlobal(at), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

}  // namespace

class PlotWindowTest : public QObject {
  Q_OBJECT
private slots:
  void windowParts();
  void programsDrawInProgramOrder();
  void deleteMiddleThenLastTab();
  void hidingDiscardsAllPlots();
  void buttonStates();
  void saveAsTextWritesEveryPoint();
  void saveAsTextReportsFailure();
  void sizeDialogAsksAgainOnNonIntegers();
  void copyPutsSvgAndImageOnTheClipboard();
  void printIntoPdf();
  void autoRangeBoxAndGuard();
  void mouseZoomAndRightClick();
  void buttonsFollowTheTabShown();
  void picturesAsTheRunnerDrawsThem();
  void pictureButtonAndItsFailures();
  void panelShowsEveryChange();
  void plotOfManyPointsIsDrawnQuickly();
  void drawingCallsWaitUntilTheWindowApplied();
};

void PlotWindowTest::windowParts() {
  TGraphicForm form;
  QCOMPARE(form.windowTitle(), QString("Plots"));
  QCOMPARE(form.btnDelete->text(), QString("Delete"));
  QCOMPARE(form.btnSave->text(), QString("Save As Text"));
  QCOMPARE(form.btnCopy->text(), QString("To Clipboard"));
  QCOMPARE(form.btnPrint->text(), QString("Print"));
  QCOMPARE(form.CbAutoRange->text(), QString("Auto-Range"));
  QVERIFY(form.CbAutoRange->isChecked());
  QCOMPARE(form.Panel1->height(), 33);
  QVERIFY(!form.isVisible());
  QCOMPARE(form.PageControl->count(), 0);
  TClipbForm size;
  QCOMPARE(size.windowTitle(), QString("Size setting"));
  QCOMPARE(size.px1->text(), QString("mm"));
  // The designed size at least, and room for the group's whole title.
  QVERIFY(size.width() >= 204 && size.height() >= 165);
  QVERIFY(size.GroupBox1->width() >= size.GroupBox1->fontMetrics().horizontalAdvance(size.GroupBox1->title()));
}

void PlotWindowTest::programsDrawInProgramOrder() {
  TGraphicForm form;
  TRunner run(form);
  // Creating tabs does not show the window; a curve does.
  QVERIFY(run.Run("plotcurvecount(2)"));
  QCOMPARE(form.PageControl->count(), 3);
  QVERIFY(!form.isVisible());
  QVERIFY(
      run.Run("plotcleartabs(), plot(0;0;x;sin(x);0;2*pi();200), plot(1;0;x;x;0;1;10), a=plottabs(), "
              "plotcleartab(1), b=plottabs(), plottitle(0;'Sine'), string(a)+string(b)+string(plotcurvecount(0))"));
  QCOMPARE(run.Last.Result().AsString(), std::string("211"));
  QVERIFY(form.isVisible());
  QCOMPARE(form.PageControl->count(), 1);
  QCOMPARE(form.PageControl->tabText(0), QString("Sine"));
  QVERIFY(form.PanelWidget(0)->Panel == form.Model.Panel(0));
  QCOMPARE(form.Model.Panel(0)->Curves[0]->Count(), 200);
}

void PlotWindowTest::deleteMiddleThenLastTab() {
  TGraphicForm form;
  for (uint32_t t = 0; t < 3; ++t) AddCurve(form, t, 0, {0, 1}, {0, 1});
  QCOMPARE(form.PageControl->count(), 3);
  form.PageControl->setCurrentIndex(1);
  form.btnDelete->click();
  QCOMPARE(form.PageControl->count(), 3);
  QVERIFY(form.PanelWidget(1)->Panel == nullptr);
  QVERIFY(form.Model.Panel(1) == nullptr);
  // Delete on an empty tab does nothing.
  form.btnDelete->click();
  QCOMPARE(form.PageControl->count(), 3);
  form.PageControl->setCurrentIndex(2);
  form.btnDelete->click();
  QCOMPARE(form.PageControl->count(), 1);
  QCOMPARE(form.Model.TabCount(), 1);
  form.PageControl->setCurrentIndex(0);
  form.btnDelete->click();
  QCOMPARE(form.PageControl->count(), 0);
  QVERIFY(!form.btnDelete->isEnabled());
}

void PlotWindowTest::hidingDiscardsAllPlots() {
  TGraphicForm form;
  AddCurve(form, 3, 0, {0, 1}, {0, 1});
  QVERIFY(form.isVisible());
  QCOMPARE(form.PageControl->count(), 4);
  form.close();
  QCOMPARE(form.PageControl->count(), 0);
  QCOMPARE(form.Model.TabCount(), 0);
  AddCurve(form, 0, 0, {0, 1}, {0, 1});
  QVERIFY(form.isVisible());
  QCOMPARE(form.PageControl->count(), 1);
  QCOMPARE(form.PageControl->tabText(0), QString("Plot 1"));
}

void PlotWindowTest::buttonStates() {
  TGraphicForm form;
  QVERIFY(!form.btnDelete->isEnabled());
  QVERIFY(!form.btnSave->isEnabled());
  QVERIFY(form.btnPrint->isEnabled());
  AddCurve(form, 0, 0, {0, 1}, {0, 1});
  QVERIFY(form.btnDelete->isEnabled());
  QVERIFY(form.btnSave->isEnabled() && form.btnCopy->isEnabled() && form.CbAutoRange->isEnabled());
  TPlotRequest clear;
  clear.Kind = TPlotRequestKind::ClearCurve;
  form.Host()->Post(std::move(clear));
  QCOMPARE(form.PageControl->count(), 1);
  QVERIFY(!form.btnSave->isEnabled() && !form.btnCopy->isEnabled() && !form.CbAutoRange->isEnabled());
  QVERIFY(form.btnDelete->isEnabled() && form.btnPrint->isEnabled());
}

void PlotWindowTest::saveAsTextWritesEveryPoint() {
  QTemporaryDir dir;
  TGraphicForm form;
  AddCurve(form, 0, 0, Range(3), {10, 20, 30});
  AddCurve(form, 0, 2, Range(5), {0.5, 1.5, 2.5, 3.5, 1.0 / 3});
  const QString path = dir.filePath("curves.txt");
  form.ChooseSaveFile = [&] { return path; };
  form.btnSave->click();
  QCOMPARE(ReadAll(path),
           QByteArray("1\t10\t1\t0.5\r\n"
                      "2\t20\t2\t1.5\r\n"
                      "3\t30\t3\t2.5\r\n"
                      "\t\t4\t3.5\r\n"
                      "\t\t5\t0.3333333333\r\n"));
  // The longer curve first: nothing is lost either.
  AddCurve(form, 1, 0, Range(5), Range(5));
  AddCurve(form, 1, 1, Range(3), Range(3));
  form.PageControl->setCurrentIndex(1);
  form.btnSave->click();
  const QList<QByteArray> lines = ReadAll(path).split('\n');
  QCOMPARE(lines.size(), 6);
  QCOMPARE(lines[3], QByteArray("4\t4\t\t\r"));
  QCOMPARE(lines[4], QByteArray("5\t5\t\t\r"));
  // Cancelled: nothing written.
  QFile::remove(path);
  form.ChooseSaveFile = [] { return QString(); };
  form.btnSave->click();
  QVERIFY(!QFile::exists(path));
}

void PlotWindowTest::saveAsTextReportsFailure() {
  QTemporaryDir dir;
  TGraphicForm form;
  AddCurve(form, 0, 0, Range(3), Range(3));
  const QString path = dir.filePath("no/such/folder/x.txt");
  form.ChooseSaveFile = [&] { return path; };
  QString text, caption;
  form.Warn = [&](const QString& t, const QString& c) { text = t, caption = c; };
  form.btnSave->click();
  QCOMPARE(text, "Error creating file " + path);
  QCOMPARE(caption, QString("Save As ASCII file"));
}

void PlotWindowTest::sizeDialogAsksAgainOnNonIntegers() {
  TClipbForm dialog;
  int shown = 0;
  // Each time the dialog shows: first "abc" (asks again, the text kept),
  // then a valid size.
  std::function<void()> answer = [&] {
    if (!dialog.isVisible()) {
      QTimer::singleShot(10, answer);
      return;
    }
    ++shown;
    if (shown == 1) {
      QCOMPARE(dialog.edWidth->text(), QString("100"));
      QCOMPARE(dialog.edHeight->text(), QString("75"));
      dialog.edWidth->setText("abc");
    } else {
      QCOMPARE(dialog.edWidth->text(), QString("abc"));
      dialog.edWidth->setText("120");
    }
    dialog.BitBtn1->click();
    if (shown == 1) QTimer::singleShot(10, answer);
  };
  QTimer::singleShot(10, answer);
  const auto size = dialog.AskSize(100, 75);
  QCOMPARE(shown, 2);
  QVERIFY(size.has_value());
  QCOMPARE(*size, QSize(120, 75));
  // Closed without OK: cancelled.
  QTimer::singleShot(10, &dialog, [&] { dialog.reject(); });
  QVERIFY(!dialog.AskSize(100, 75).has_value());
  for (const char* bad : {"", "1.5", "-3", "0", "99999"}) {
    dialog.edWidth->setText(bad);
    dialog.edHeight->setText("10");
    QVERIFY2(!dialog.FieldSize().has_value(), bad);
  }
}

void PlotWindowTest::copyPutsSvgAndImageOnTheClipboard() {
  TGraphicForm form;
  AddCurve(form, 0, 0, Range(10), Range(10));
  form.CopyToClipboard(0, 100, 75);
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  QVERIFY(data);
  QVERIFY(data->hasImage());
  const QSize size = TGraphicForm::PixelsForMillimetres(100, 75);
  QCOMPARE(qvariant_cast<QImage>(data->imageData()).size(), size);
  const QByteArray svg = data->data("image/svg+xml");
  QVERIFY(svg.contains("<svg"));
  // The tab caption heads the picture.
  QVERIFY(svg.contains("Plot 1"));
}

void PlotWindowTest::printIntoPdf() {
  QTemporaryDir dir;
  TGraphicForm form;
  AddCurve(form, 0, 0, Range(10), Range(10));
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  const QString path = dir.filePath("plot.pdf");
  printer.setOutputFileName(path);
  QVERIFY(form.PrintTab(0, printer));
  QCOMPARE(printer.docName(), QString("Calculator Plot"));
  const QByteArray pdf = ReadAll(path);
  QVERIFY(pdf.startsWith("%PDF"));
  QCOMPARE(QString::fromLatin1(pdf).count(QRegularExpression("/Type\\s*/Page\\b(?!s)")), 1);
  // The job title is the document's title (UTF-16 in the information
  // dictionary).
  QByteArray utf16("/Title (\xFE\xFF", 10);
  for (char c : QByteArray("Calculator Plot")) utf16 += QByteArray(1, '\0') + c;
  QVERIFY(pdf.contains(utf16));
  QVERIFY(!form.PrintTab(5, printer));
}

void PlotWindowTest::autoRangeBoxAndGuard() {
  TGraphicForm form;
  AddCurve(form, 0, 0, {0, 10}, {0, 5});
  TPlotPanel* p = form.Model.Tabs[0].Panel.get();
  // A user click switches both flags; on again recomputes the intervals.
  p->SetView(2, 3, 2, 3);
  form.CbAutoRange->click();
  QVERIFY(!form.CbAutoRange->isChecked());
  QVERIFY(!p->AutoscaleX && !p->AutoscaleY);
  QCOMPARE(p->XMax, 3.0);
  form.CbAutoRange->click();
  QVERIFY(p->AutoscaleX && p->AutoscaleY);
  QCOMPARE(p->XMax, 10.0);
  // plotautoscale sets the box without acting on it.
  TPlotRequest r;
  r.Kind = TPlotRequestKind::Autoscale;
  r.Long = 1;  // x on, y off
  form.Host()->Post(std::move(r));
  QVERIFY(!form.CbAutoRange->isChecked());
  QVERIFY(p->AutoscaleX && !p->AutoscaleY);
}

void PlotWindowTest::mouseZoomAndRightClick() {
  TGraphicForm form;
  AddCurve(form, 0, 0, {0, 10}, {0, 10});
  form.resize(600, 450);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  TFuncGraphicPanel* w = form.PanelWidget(0);
  TPlotPanel* p = w->Panel;
  w->UpdateLayout();
  const TPlotLayout& l = w->Layout;
  const QPoint a(l.Left + 50, l.Top + 40), b(l.Left + 150, l.Top + 120);
  // Five pixels are not a drag.
  Mouse(w, QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton);
  Mouse(w, QEvent::MouseMove, a + QPoint(3, 2), Qt::NoButton, Qt::LeftButton);
  Mouse(w, QEvent::MouseButtonRelease, a + QPoint(3, 2), Qt::LeftButton, Qt::NoButton);
  QVERIFY(p->AutoscaleX && p->AutoscaleY);
  QCOMPARE(p->XMax, 10.0);
  // A drag chooses the new view.
  Mouse(w, QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton);
  Mouse(w, QEvent::MouseMove, a + QPoint(10, 10), Qt::NoButton, Qt::LeftButton);
  Mouse(w, QEvent::MouseMove, b, Qt::NoButton, Qt::LeftButton);
  Mouse(w, QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
  QVERIFY(!p->AutoscaleX && !p->AutoscaleY);
  QVERIFY(!form.CbAutoRange->isChecked());
  QCOMPARE(p->XMin, l.DataX(a.x()));
  QCOMPARE(p->XMax, l.DataX(b.x()));
  QCOMPARE(p->YMin, l.DataY(b.y()));
  QCOMPARE(p->YMax, l.DataY(a.y()));
  // Right click outside the plot rectangle: nothing; inside: autoscale.
  Mouse(w, QEvent::MouseButtonPress, QPoint(1, 1), Qt::RightButton, Qt::RightButton);
  QVERIFY(!p->AutoscaleX);
  w->UpdateLayout();
  Mouse(w, QEvent::MouseButtonPress, QPoint(w->Layout.Left + 5, w->Layout.Top + 5), Qt::RightButton, Qt::RightButton);
  QVERIFY(p->AutoscaleX && p->AutoscaleY);
  QVERIFY(form.CbAutoRange->isChecked());
  QCOMPARE(p->XMax, 10.0);
}

void PlotWindowTest::buttonsFollowTheTabShown() {
  TGraphicForm form;
  for (uint32_t t = 0; t < 3; ++t) AddCurve(form, t, 0, {0, 1}, {0, 1});
  // Tab 2 scales y by hand.
  TPlotRequest r;
  r.Kind = TPlotRequestKind::Autoscale;
  r.Word = 2;
  r.Long = 1;  // x on, y off
  form.Host()->Post(std::move(r));
  form.PageControl->setCurrentIndex(1);
  form.btnDelete->click();
  QList<QWidget*> curveButtons{form.btnSave, form.btnCopy, form.btnPicture, form.CbAutoRange};
  const auto enabled = [&] {
    int n = 0;
    for (QWidget* b : curveButtons) n += b->isEnabled();
    return n;
  };
  QCOMPARE(enabled(), 0);
  form.PageControl->setCurrentIndex(0);
  QCOMPARE(enabled(), 4);
  QVERIFY(form.CbAutoRange->isChecked());
  form.PageControl->setCurrentIndex(2);
  QCOMPARE(enabled(), 4);
  QVERIFY(!form.CbAutoRange->isChecked());
  form.PageControl->setCurrentIndex(1);
  QCOMPARE(enabled(), 0);
}

// The picture files of a tab are those of ostracalc-cli --plots for the same
// program: the same pixels, the same SVG; the PDF page has the size asked for.
void PlotWindowTest::picturesAsTheRunnerDrawsThem() {
  const std::string program = "plottitle(0;'Sine'), plot(0;0;x;5e6*sin(x);0;2*pi();200), plot(0;1;x;x^2;-1;3;50)";
  TGraphicForm form;
  TRunner run(form);
  QVERIFY(run.Run(program));
  QTemporaryDir dir;
  for (const char* name : {"tab0.png", "tab0.svg", "tab0.pdf"})
    QCOMPARE(form.SavePicture(0, dir.filePath(name), QSize(800, 600)), QString());
  QProcess cli;
  cli.start(OSTRA_BINARY_DIR "/bin/ostracalc-cli",
            {"--plots", dir.filePath("runner"), "-e", QString::fromStdString(program)});
  QVERIFY(cli.waitForFinished(30000));
  QCOMPARE(cli.exitCode(), 0);
  const QImage ours(dir.filePath("tab0.png")), theirs(dir.filePath("runner/tab0.png"));
  QCOMPARE(ours.size(), QSize(800, 600));
  QCOMPARE(ours.convertToFormat(QImage::Format_RGB32), theirs.convertToFormat(QImage::Format_RGB32));
  QCOMPARE(ReadAll(dir.filePath("tab0.svg")), ReadAll(dir.filePath("runner/tab0.svg")));
  const QByteArray pdf = ReadAll(dir.filePath("tab0.pdf"));
  QVERIFY(pdf.startsWith("%PDF-"));
  // 800 x 600 pixels at 96 per inch: 600 x 450 points.
  const QRegularExpressionMatch box = QRegularExpression("/MediaBox \\[([^\\]]*)\\]").match(QString::fromLatin1(pdf));
  QVERIFY(box.hasMatch());
  QStringList corners = box.captured(1).simplified().split(' ');
  QCOMPARE(corners.size(), 4);
  QCOMPARE(QSizeF(corners[2].toDouble(), corners[3].toDouble()), QSizeF(600, 450));
  // Another size is drawn anew for that size, not scaled.
  QCOMPARE(form.SavePicture(0, dir.filePath("small.png"), QSize(320, 200)), QString());
  QCOMPARE(QImage(dir.filePath("small.png")).size(), QSize(320, 200));
}

void PlotWindowTest::pictureButtonAndItsFailures() {
  TGraphicForm form;
  AddCurve(form, 0, 0, {0, 1, 2}, {0, 1, 4});
  QTemporaryDir dir;
  QString path = dir.filePath("chosen.svg");
  std::optional<QSize> size = QSize(300, 200);
  int sizeAsked = 0;
  QString warned, caption;
  form.ChoosePictureFile = [&] { return path; };
  form.ChoosePictureSize = [&] {
    ++sizeAsked;
    return size;
  };
  form.Warn = [&](const QString& t, const QString& c) { warned = t, caption = c; };
  form.btnPicture->click();
  QVERIFY(ReadAll(path).contains("<svg"));
  QVERIFY(warned.isEmpty());
  // Cancelled in the file dialog: no size asked, nothing written.
  path.clear();
  form.btnPicture->click();
  QCOMPARE(sizeAsked, 1);
  // Cancelled in the size dialog.
  path = dir.filePath("cancelled.png");
  size.reset();
  form.btnPicture->click();
  QVERIFY(!QFile::exists(path));
  // A name of no picture format, a folder that is not there: said so.
  size = QSize(300, 200);
  for (const QString& bad : {dir.filePath("plot.bmp"), dir.filePath("missing/plot.png")}) {
    path = bad;
    warned.clear();
    form.btnPicture->click();
    QVERIFY2(warned.contains(bad), qPrintable(warned));
    QCOMPARE(caption, QString("Save Picture"));
    QVERIFY(!QFile::exists(bad));
  }
}

void PlotWindowTest::panelShowsEveryChange() {
  TGraphicForm form;
  AddCurve(form, 0, 0, {0, 1}, {0, 1});
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  TFuncGraphicPanel* w = form.PanelWidget(0);
  const QImage rising = w->grab().toImage();
  AddCurve(form, 0, 0, {0, 1}, {1, 0});
  const QImage falling = w->grab().toImage();
  QVERIFY(rising != falling);
  TPlotRequest parms;
  parms.Kind = TPlotRequestKind::CurveParms;
  parms.Long = 1 | 1 << 8 | 1 << 16;
  form.Host()->Post(std::move(parms));
  QVERIFY(w->grab().toImage() != falling);
  AddCurve(form, 0, 0, {0, 1}, {0, 1});
  w->resize(w->size() + QSize(0, 10));
  QCOMPARE(w->grab().toImage().height(), rising.height() + 10);
}

void PlotWindowTest::plotOfManyPointsIsDrawnQuickly() {
  TGraphicForm form;
  form.resize(800, 600);
  TRunner run(form);
  QElapsedTimer t;
  QVERIFY(run.Run("for(i=0;i<100000;i+=1; y[i]=sin(i/1000)+random()), plotxy(0;0;0;y[])"));
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  t.start();
  form.PanelWidget(0)->Invalidate();
  form.PanelWidget(0)->repaint();
  qInfo("100000 points painted in %lld ms", static_cast<long long>(t.elapsed()));
  QVERIFY(t.elapsed() < 1000);
  QCOMPARE(form.Model.Panel(0)->Curves[0]->Count(), 100000);
  // Repainting a curve of a million points.
  QVERIFY(run.Run("for(i=0;i<1000000;i+=1; y[i]=sin(i/10000)+random()), plotxy(0;0;0;y[])"));
  t.restart();
  for (int k = 0; k < 10; ++k) {
    form.PanelWidget(0)->Invalidate();
    form.PanelWidget(0)->repaint();
  }
  qInfo("repaint of 1000000 points: %.1f ms", t.elapsed() / 10.0);
  QVERIFY(t.elapsed() < 10 * 1000);
  // Uncovering part of the panel (the rubber band) copies the kept picture.
  t.restart();
  for (int k = 0; k < 10; ++k) form.PanelWidget(0)->repaint(QRect(100, 100, 200, 150));
  qInfo("repaint of a part, from the kept picture: %.1f ms", t.elapsed() / 10.0);
}

// The plot functions that draw wait until the window has applied their
// request, for at most the time they give, and no longer than a Break.
void PlotWindowTest::drawingCallsWaitUntilTheWindowApplied() {
  using TClock = std::chrono::steady_clock;
  TGraphicForm form;
  TPlotHost* host = form.Host();
  TEvent stop(true);
  auto post = [&](uint32_t curve) {
    TPlotRequest r;
    r.Kind = TPlotRequestKind::AddCurve;
    r.Word = 0, r.Long = curve;
    r.X = {0, 1}, r.Y = {0, 1};
    host->Post(std::move(r));
  };
  // The window takes events: the wait ends when the curve is in place.
  std::atomic<bool> done{false};
  bool applied = false;
  size_t curves = 0;
  std::thread worker([&] {
    post(0);
    applied = host->WaitApplied(stop, 10000);
    curves = form.Model.Panel(0) ? form.Model.Panel(0)->Curves.size() : 0;
    done = true;
  });
  QTRY_VERIFY_WITH_TIMEOUT(done, 10000);
  worker.join();
  QVERIFY(applied);
  QCOMPARE(curves, size_t(1));

  // The window takes no events meanwhile: the wait gives up after its time.
  double waitedMs = 0;
  worker = std::thread([&] {
    post(1);
    const auto start = TClock::now();
    applied = host->WaitApplied(stop, 10);
    waitedMs = std::chrono::duration<double, std::milli>(TClock::now() - start).count();
  });
  worker.join();
  QVERIFY(!applied);
  QVERIFY2(waitedMs >= 10 && waitedMs < 10 + 1000, qPrintable(QString::number(waitedMs)));
  // The request stays in order and is applied with the next events.
  QTRY_COMPARE_WITH_TIMEOUT(form.Model.Panel(0)->Curves.size(), size_t(2), 10000);

  // A Break ends a wait at once.
  TClock::time_point returned;
  worker = std::thread([&] {
    post(2);
    applied = host->WaitApplied(stop, 60000);
    returned = TClock::now();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const auto breakAt = TClock::now();
  stop.Set();
  worker.join();
  QVERIFY(!applied);
  QVERIFY(returned - breakAt < std::chrono::milliseconds(500));
}

QTEST_MAIN(PlotWindowTest)
#include "PlotWindowTest.moc"
