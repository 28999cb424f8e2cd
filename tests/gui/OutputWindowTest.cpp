// The output window: line rules of print, println and cleartext (directly and
// from programs on the real calculation thread), the text export, printing
// into a PDF file, the speed of a program that prints a lot, and the bounded
// memory of a very long run with its spool file.

#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <fstream>
#include <memory>
#include <thread>

#include "WindowRunner.h"
#include "output/qt/OutputForm.h"
#include "workbench/Libraries.h"

using namespace TernioParser;

namespace {

// The calculation thread writing into the given output window.
class TRunner : public TWindowRunner {
public:
  explicit TRunner(TOutputForm& form) { Host().Output = form.Sink(); }
};

// Number of pages of a PDF file written by Qt.
int PdfPages(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return -1;
  const QByteArray data = f.readAll();
  return static_cast<int>(QString::fromLatin1(data).count(QRegularExpression("/Type\\s*/Page\\b(?!s)")));
}

// Resident memory of this process in bytes.
uint64_t ResidentBytes() {
  std::ifstream f("/proc/self/statm");
  uint64_t pages = 0, resident = 0;
  f >> pages >> resident;
  return resident * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

std::string LongLine(uint64_t i) { return "reading " + std::to_string(i) + " of a long unattended run"; }

// The action of a menu or its submenus with the given text (without its
// shortcut marks and keys).
QAction* FindAction(QMenu* menu, const QString& text) {
  for (QAction* a : menu->actions()) {
    if (a->text().section('\t', 0, 0).remove('&') == text) return a;
    if (a->menu())
      if (QAction* found = FindAction(a->menu(), text)) return found;
  }
  return nullptr;
}

}  // namespace

class OutputWindowTest : public QObject {
  Q_OBJECT
private slots:
  void windowParts();
  void lineRules_data();
  void lineRules();
  void showsOnFirstTextAndHidesOnClose();
  void userEditsAndScrolling();
  void programsOnCalculationThread_data();
  void programsOnCalculationThread();
  void exportBytes();
  void saveReplacesFileAndReportsFailure();
  void copyToClipboard();
  void printPageBreaks();
  void manyPrintlnsFromProgram();
  void sinkReleasesWritersOnDestruction();
  void writerWaitsOnlyForFullBufferOrClear();
  void tenMillionLinesInBoundedMemory();
  void spoolRemovedOnClearAndExit();
  void spoolProblemIsAClearMessage();
  void limitInContextMenuIsRemembered();
};

void OutputWindowTest::windowParts() {
  TOutputForm form;
  QCOMPARE(form.windowTitle(), QString("Output Window"));
  QCOMPARE(form.btnClear->text(), QString("Clear"));
  QCOMPARE(form.btnSave->text(), QString("Save As Text"));
  QCOMPARE(form.btnCopy->text(), QString("To Clipboard"));
  QCOMPARE(form.btnPrint->text(), QString("Print"));
  QCOMPARE(form.Panel1->height(), 33);
  QVERIFY(!form.Memo->isReadOnly());
  QCOMPARE(form.Memo->lineWrapMode(), QPlainTextEdit::NoWrap);
  QVERIFY(form.LineComplete);
  QVERIFY(!form.isVisible());
  QVERIFY(form.windowFlags() & Qt::Tool);
}

// Operations: "p<text>" print, "l<text>" println, "c" cleartext, "C" the
// Clear button, "|" separates the operations.
void OutputWindowTest::lineRules_data() {
  QTest::addColumn<QString>("ops");
  QTest::addColumn<QStringList>("lines");
  QTest::addColumn<bool>("lineComplete");
  QTest::newRow("println into fresh window") << "lx" << QStringList{"x"} << true;
  QTest::newRow("print after println starts a line") << "lx|py" << QStringList{"x", "y"} << false;
  QTest::newRow("two prints share a line") << "pa|pa" << QStringList{"aa"} << false;
  QTest::newRow("print print println print") << "pa|pb|lc|pd" << QStringList{"abc", "d"} << false;
  QTest::newRow("println adds no empty line") << "la|lb" << QStringList{"a", "b"} << true;
  QTest::newRow("cleartext with open line") << "pa|c|pb" << QStringList{"b"} << false;
  QTest::newRow("cleartext keeps line state") << "pa|c" << QStringList{} << false;
  QTest::newRow("cleartext after complete line") << "la|c|pb" << QStringList{"b"} << false;
  QTest::newRow("Clear button") << "la|pq|C|pb" << QStringList{"b"} << false;
  QTest::newRow("empty println is a line") << "l" << QStringList{""} << true;
  QTest::newRow("empty lines between") << "la|l|pb" << QStringList{"a", "", "b"} << false;
  QTest::newRow("line breaks inside text") << "px\r\ny\nz\rw|l!" << QStringList{"x", "y", "z", "w!"} << true;
  QTest::newRow("only cleartext") << "c" << QStringList{} << true;
}

void OutputWindowTest::lineRules() {
  QFETCH(QString, ops);
  QFETCH(QStringList, lines);
  QFETCH(bool, lineComplete);
  TOutputForm form;
  TOutputSink* sink = form.Sink();
  for (const QString& op : ops.split('|')) {
    const std::string text = op.mid(1).toStdString();
    switch (op[0].toLatin1()) {
      case 'p': sink->Write(text, false); break;
      case 'l': sink->Write(text, true); break;
      case 'c': sink->Clear(); break;
      case 'C': form.btnClearClick(); break;
      default: QFAIL("bad operation in table");
    }
  }
  QCOMPARE(form.Lines(), lines);
  QCOMPARE(form.LineComplete, lineComplete);
}

void OutputWindowTest::showsOnFirstTextAndHidesOnClose() {
  TOutputForm form;
  form.Sink()->Clear();
  QVERIFY(!form.isVisible());
  form.Sink()->Write("a", false);
  QVERIFY(form.isVisible());
  form.close();
  QVERIFY(!form.isVisible());
  QCOMPARE(form.Lines(), QStringList{"a"});
  QVERIFY(!form.LineComplete);
  form.Sink()->Write("b", true);
  QVERIFY(form.isVisible());
  QCOMPARE(form.Lines(), QStringList{"ab"});
  // Text that a cleartext of the same batch removes again still shows the
  // window.
  form.close();
  std::thread writer([&] {
    form.Sink()->Write("gone", true);
    form.Sink()->Clear();
  });
  QTRY_VERIFY_WITH_TIMEOUT(form.isVisible(), 5000);
  writer.join();
  QCOMPARE(form.Lines(), QStringList{});
}

// The text area is editable: what the user typed counts as lines, and an
// area the user emptied takes the next text as its first line. New text
// scrolls the view only when it was showing the end.
void OutputWindowTest::userEditsAndScrolling() {
  TOutputForm form;
  form.Memo->insertPlainText("typed");
  form.Sink()->Write("x", true);
  QCOMPARE(form.Lines(), (QStringList{"typed", "x"}));
  form.Memo->selectAll();
  form.Memo->textCursor().removeSelectedText();
  QCOMPARE(form.Lines(), QStringList{});
  form.Sink()->Write("y", false);
  QCOMPARE(form.Lines(), QStringList{"y"});

  form.resize(300, 200);
  for (int i = 0; i < 300; ++i) form.Sink()->Write("line", true);
  QScrollBar* bar = form.Memo->verticalScrollBar();
  QVERIFY(bar->maximum() > 0);
  QCOMPARE(bar->value(), bar->maximum());
  bar->setValue(10);
  form.Sink()->Write("more", true);
  QCOMPARE(bar->value(), 10);
  bar->setValue(bar->maximum());
  form.Sink()->Write("and more", true);
  QCOMPARE(bar->value(), bar->maximum());
  QCOMPARE(form.Lines().last(), QString("and more"));
}

void OutputWindowTest::programsOnCalculationThread_data() {
  QTest::addColumn<QByteArray>("program");
  QTest::addColumn<QStringList>("lines");
  QTest::addColumn<QString>("result");
  QTest::addColumn<QString>("error");
  QTest::newRow("number") << QByteArray("print(5)") << QStringList{"5"} << "1"
                          << "";
  QTest::newRow("fifteen digits") << QByteArray("println(1/3)") << QStringList{"0.333333333333333"} << "1"
                                  << "";
  QTest::newRow("result is one") << QByteArray("a=print('x'), a") << QStringList{"x"} << "1"
                                 << "";
  QTest::newRow("order with cleartext")
      << QByteArray("println('a'), print('b'), cleartext(), print('c'), println('d'), print('e')")
      << QStringList{"cd", "e"} << "1"
      << "";
  QTest::newRow("loop") << QByteArray("for(i=0;i<5;i+=1;print(i))") << QStringList{"01234"} << "1"
                        << "";
  QTest::newRow("unassigned variable still writes 0") << QByteArray("print(v)") << QStringList{"0"} << ""
                                                      << "Variable v has no value";
  QTest::newRow("high bytes") << QByteArray("print('\xe4\x80')") << QStringList{QString::fromUtf8("ä€")} << "1"
                              << "";
}

void OutputWindowTest::programsOnCalculationThread() {
  QFETCH(QByteArray, program);
  QFETCH(QStringList, lines);
  QFETCH(QString, result);
  QFETCH(QString, error);
  TOutputForm form;
  TRunner runner(form);
  QVERIFY(runner.Run(program.toStdString()));
  QCOMPARE(form.Lines(), lines);
  QCOMPARE(QString::fromStdString(runner.Last.Message), error);
  QCOMPARE(runner.Last.Error(), !error.isEmpty());
  if (error.isEmpty()) QCOMPARE(QString::fromStdString(runner.Last.Result().AsString()), result);
  QVERIFY(form.isVisible());
}

void OutputWindowTest::exportBytes() {
  TOutputForm form;
  form.Sink()->Write("\x80uro \xe4", true);
  form.Sink()->Write("", true);
  form.Sink()->Write(std::string("a\0b", 3), false);
  std::string expected("\x80uro \xe4\r\n\r\na\0b\r\n", 15);
  QCOMPARE(QByteArray::fromStdString(form.ExportText()), QByteArray::fromStdString(expected));
  // Text the user typed that the code page cannot hold.
  form.Memo->appendPlainText(QString::fromUtf8("\u4e2d\U0001F600x"));
  QVERIFY(QByteArray::fromStdString(form.ExportText()).endsWith(QByteArray("a\0b\r\n??x\r\n", 10)));
  TOutputForm empty;
  QCOMPARE(empty.ExportText(), std::string());
}

void OutputWindowTest::saveReplacesFileAndReportsFailure() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString path = dir.filePath("out.txt");
  {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("old content that is longer than the new one\r\n");
  }
  TOutputForm form;
  form.Sink()->Write("1", true);
  form.Sink()->Write("2", false);
  QString error;
  QVERIFY(form.SaveToFile(path, &error));
  QFile f(path);
  QVERIFY(f.open(QIODevice::ReadOnly));
  QCOMPARE(f.readAll(), QByteArray("1\r\n2\r\n"));
  QVERIFY(!form.SaveToFile(dir.filePath("missing/out.txt"), &error));
  QVERIFY(!error.isEmpty());
  QCOMPARE(form.Lines(), (QStringList{"1", "2"}));
}

void OutputWindowTest::copyToClipboard() {
  TOutputForm form;
  form.Sink()->Write("first", true);
  form.Sink()->Write("second", true);
  form.btnCopyClick();
  QCOMPARE(QGuiApplication::clipboard()->text(), QString("first\nsecond"));
  QCOMPARE(form.Memo->textCursor().selectedText().size(), QString("first\nsecond").size());
}

// Rows per page follow from the printer font: line height h, top margin 5h;
// a page takes rows while r*h + 2t still fits the page height.
void OutputWindowTest::printPageBreaks() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  auto print = [&](int lineCount, const QString& name, int* perPage) {
    TOutputForm form;
    for (int i = 0; i < lineCount; ++i) form.Sink()->Write("line " + std::to_string(i), true);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A5));
    printer.setOutputFileName(dir.filePath(name));
    QPainter probe(&printer);
    const QFontMetrics fm = probe.fontMetrics();
    probe.end();
    const int h = fm.height(), t = 5 * h;
    // Smallest row count r with page height < r*h + 2t.
    *perPage = (printer.height() - 2 * t) / h + 1;
    printer.setOutputFileName(dir.filePath(name));
    if (!form.PrintTo(printer)) return -1;
    return PdfPages(dir.filePath(name));
  };
  int perPage = 0;
  QCOMPARE(print(1, "one.pdf", &perPage), 1);
  QVERIFY2(perPage > 5 && perPage < 200, qPrintable(QString::number(perPage)));
  QCOMPARE(print(perPage, "full.pdf", &perPage), 1);
  QCOMPARE(print(perPage + 1, "over.pdf", &perPage), 2);
  QCOMPARE(print(2 * perPage, "two.pdf", &perPage), 2);
  QCOMPARE(print(2 * perPage + 1, "three.pdf", &perPage), 3);
  QCOMPARE(print(0, "empty.pdf", &perPage), 1);
}

// 100 000 println calls of a running program: all arrive, in order, while
// the user-interface thread stays responsive.
void OutputWindowTest::manyPrintlnsFromProgram() {
  TOutputForm form;
  form.Sink()->Write("before", false);
  TRunner runner(form);
  QElapsedTimer ticks;
  qint64 lastTick = 0, longestGap = 0;
  QTimer timer;
  timer.setInterval(5);
  connect(&timer, &QTimer::timeout, [&] {
    const qint64 now = ticks.elapsed();
    longestGap = std::max(longestGap, now - lastTick);
    lastTick = now;
  });
  QElapsedTimer clock;
  clock.start();
  ticks.start();
  timer.start();
  QVERIFY(runner.Run("for(i=0;i<100000;i+=1;println(i))"));
  const qint64 elapsed = clock.elapsed();
  timer.stop();
  const QStringList lines = form.Lines();
  QCOMPARE(lines.size(), 100000);
  QCOMPARE(lines.first(), QString("before0"));
  for (int i = 1; i < lines.size(); ++i)
    if (lines[i] != QString::number(i)) QFAIL(qPrintable(QString("line %1 reads %2").arg(i).arg(lines[i])));
  QVERIFY(form.LineComplete);
  QVERIFY(form.Memo->verticalScrollBar()->value() == form.Memo->verticalScrollBar()->maximum());
  qInfo("100000 println: %lld ms until all text is in the window; longest pause of the UI thread %lld ms",
        static_cast<long long>(elapsed),
        static_cast<long long>(longestGap));
  QVERIFY2(elapsed < 20000, "printing is far too slow");
}

// A program waiting for the window (a full buffer, or cleartext) is released
// when the window goes away, instead of waiting for ever.
void OutputWindowTest::sinkReleasesWritersOnDestruction() {
  for (bool viaClear : {false, true}) {
    auto form = std::make_unique<TOutputForm>();
    TOutputSink* sink = form->Sink();
    std::atomic<bool> finished{false};
    std::thread writer([&] {
      // No event is processed meanwhile, so the last call waits.
      if (viaClear) sink->Clear();
      else
        for (size_t i = 0; i <= TOutputForm::MaxPendingWrites; ++i) sink->Write("x", true);
      finished = true;
    });
    QTest::qSleep(300);
    QVERIFY(!finished);
    form.reset();
    writer.join();
    QVERIFY(finished);
  }
}

// A program runs ahead of the window until the buffer is full; then it waits
// until the window has taken the text over. cleartext waits until the text
// area is empty.
void OutputWindowTest::writerWaitsOnlyForFullBufferOrClear() {
  TOutputForm form;
  TOutputSink* sink = form.Sink();
  std::atomic<int> written{0};
  std::atomic<bool> cleared{false};
  std::thread writer([&] {
    for (size_t i = 0; i < 2 * TOutputForm::MaxPendingWrites; ++i) {
      sink->Write(std::to_string(i), true);
      ++written;
    }
    sink->Clear();
    cleared = true;
  });
  // Without the window taking text over (no events are processed here), the
  // writer stops at the limit and stays there.
  for (int waited = 0; waited < 10000 && written < static_cast<int>(TOutputForm::MaxPendingWrites); waited += 10)
    QTest::qSleep(10);
  QTest::qSleep(200);
  QCOMPARE(written.load(), static_cast<int>(TOutputForm::MaxPendingWrites));
  QVERIFY(form.Lines().isEmpty());
  QTRY_VERIFY_WITH_TIMEOUT(cleared.load(), 10000);
  writer.join();
  QCOMPARE(written.load(), static_cast<int>(2 * TOutputForm::MaxPendingWrites));
  QVERIFY(form.Lines().isEmpty());
  QVERIFY(form.LineComplete);
}

// 10^7 lines (about 350 MB of text) from another thread with a limit of
// 4 MB: the store holds about its limit, the view its last lines, the
// process grows by far less than the text, the newest line is visible at
// once, and Save As Text writes every line.
void OutputWindowTest::tenMillionLinesInBoundedMemory() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  TOutputForm form(nullptr, dir.filePath("cache"));
  const uint64_t limit = 4 << 20;
  form.SetLimit(limit);
  constexpr uint64_t Count = 10000000;
  form.Sink()->Write(LongLine(0), true);
  form.Flush();
  const uint64_t rssBefore = ResidentBytes();
  uint64_t rssMax = 0, storeMax = 0;
  int blocksMax = 0;
  QTimer sample;
  connect(&sample, &QTimer::timeout, [&] {
    rssMax = std::max(rssMax, ResidentBytes());
    storeMax = std::max(storeMax, form.Store().MemoryBytes());
    blocksMax = std::max(blocksMax, form.Memo->document()->blockCount());
  });
  sample.start(20);
  std::atomic<bool> done{false};
  QElapsedTimer clock;
  clock.start();
  std::thread writer([&] {
    for (uint64_t i = 1; i < Count; ++i) form.Sink()->Write(LongLine(i), true);
    done = true;
  });
  while (!done) QTest::qWait(5);
  writer.join();
  form.Flush();
  const qint64 elapsed = clock.elapsed();
  sample.stop();
  qInfo("10^7 lines: %lld ms; process grew by %llu MB at most; store %llu kB at most, spool %llu MB",
        elapsed,
        static_cast<unsigned long long>((rssMax - std::min(rssMax, rssBefore)) >> 20),
        static_cast<unsigned long long>(storeMax >> 10),
        static_cast<unsigned long long>(form.Store().SpoolBytes() >> 20));
  QCOMPARE(form.Store().LineCount(), Count);
  QVERIFY(form.Store().SpoolBytes() > 300u << 20);
  QVERIFY2(storeMax < 2 * limit, qPrintable(QString::number(storeMax)));
  QVERIFY(blocksMax <= TOutputForm::DisplayLines);
  QVERIFY2(rssMax < rssBefore + (64u << 20), qPrintable(QString::number((rssMax - rssBefore) >> 20)));
  // The newest lines are in view, the notice tells where the rest is.
  QCOMPARE(form.Memo->document()->lastBlock().text(), QString::fromStdString(LongLine(Count - 1)));
  QCOMPARE(form.Memo->verticalScrollBar()->value(), form.Memo->verticalScrollBar()->maximum());
  QCOMPARE(form.FirstShownLine() + form.Memo->document()->blockCount(), Count);
  QVERIFY(!form.Notice->isHidden());
  QVERIFY2(form.Notice->text().contains("Save As Text writes all of it"), qPrintable(form.Notice->text()));
  QVERIFY(form.Notice->text().contains(QString::fromStdString(form.Store().SpoolPath()).toHtmlEscaped()));

  const QString saved = dir.filePath("all.txt");
  QString error;
  QVERIFY2(form.SaveToFile(saved, &error), qPrintable(error));
  std::ifstream in(saved.toStdString(), std::ios::binary);
  std::string line;
  uint64_t n = 0;
  while (std::getline(in, line)) {
    if (line != LongLine(n) + "\r") QFAIL(qPrintable(QString("line %1 reads %2").arg(n).arg(line.c_str())));
    ++n;
  }
  QCOMPARE(n, Count);
  QVERIFY(elapsed < 60000);
}

void OutputWindowTest::spoolRemovedOnClearAndExit() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  QString path;
  {
    TOutputForm form(nullptr, dir.filePath("cache"));
    form.SetLimit(TOutputStore::MinimumLimit);
    for (int i = 0; i < 20000; ++i) form.Sink()->Write(LongLine(i), true);
    path = QString::fromStdString(form.Store().SpoolPath());
    QVERIFY(QFile::exists(path));
    form.btnClearClick();
    QVERIFY(!QFile::exists(path));
    QVERIFY(form.Lines().isEmpty());
    QVERIFY(form.Notice->isHidden());
    for (int i = 0; i < 20000; ++i) form.Sink()->Write(LongLine(i), true);
    path = QString::fromStdString(form.Store().SpoolPath());
    QVERIFY(QFile::exists(path));
    // cleartext of a program does the same.
    form.Sink()->Clear();
    QVERIFY(!QFile::exists(path));
    for (int i = 0; i < 20000; ++i) form.Sink()->Write(LongLine(i), true);
    path = QString::fromStdString(form.Store().SpoolPath());
    QVERIFY(QFile::exists(path));
    const QStringList lines = form.Lines();
    QCOMPARE(lines.size(), 20000);
    QCOMPARE(lines[12345], QString::fromStdString(LongLine(12345)));
    form.SetLimit(TOutputStore::DefaultLimit);
  }
  QVERIFY(!QFile::exists(path));
  QCOMPARE(QDir(dir.filePath("cache")).entryList(QDir::Files), QStringList{});
}

// A spool folder that cannot be made stands for a disk that refuses: the
// window says so and keeps the text.
void OutputWindowTest::spoolProblemIsAClearMessage() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  {
    QFile f(dir.filePath("file"));
    QVERIFY(f.open(QIODevice::WriteOnly));
  }
  TOutputForm form(nullptr, dir.filePath("file/cache"));
  form.SetLimit(TOutputStore::MinimumLimit);
  for (int i = 0; i < 3000; ++i) form.Sink()->Write(LongLine(i), true);
  form.Flush();
  QVERIFY(!form.Notice->isHidden());
  QVERIFY2(form.Notice->text().contains("spool file cannot be created"), qPrintable(form.Notice->text()));
  QVERIFY(form.Notice->text().contains("kept in memory"));
  QCOMPARE(form.Lines().size(), 3000);
  form.SetLimit(TOutputStore::DefaultLimit);
}

void OutputWindowTest::limitInContextMenuIsRemembered() {
  {
    TOutputForm form;
    QCOMPARE(form.Store().Limit(), TOutputStore::DefaultLimit);
    std::unique_ptr<QMenu> menu(form.CreateContextMenu());
    QAction* small = FindAction(menu.get(), "16 MB");
    QVERIFY(small);
    QVERIFY(FindAction(menu.get(), "256 MB")->isChecked());
    small->trigger();
    QCOMPARE(form.Store().Limit(), uint64_t(16) << 20);
  }
  TOutputForm again;
  QCOMPARE(again.Store().Limit(), uint64_t(16) << 20);
  std::unique_ptr<QMenu> menu(again.CreateContextMenu());
  QVERIFY(FindAction(menu.get(), "16 MB")->isChecked());
  QVERIFY(FindAction(menu.get(), "Copy"));  // the standard entries stay
  FindAction(menu.get(), "256 MB")->trigger();
  QCOMPARE(TOutputForm().Store().Limit(), TOutputStore::DefaultLimit);
}

QTEST_MAIN(OutputWindowTest)
#include "OutputWindowTest.moc"
