// The output window: line rules of print, println and cleartext (directly and
// from programs on the real calculation thread), the text export, printing
// into a PDF file, and the speed of a program that prints a lot.

#include <QClipboard>
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
#include <QTimer>
#include <QtTest>
#include <atomic>
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
  QTest::newRow("number") << QByteArray("print(5)") << QStringList{"5"} << "1" << "";
  QTest::newRow("fifteen digits") << QByteArray("println(1/3)") << QStringList{"0.333333333333333"} << "1" << "";
  QTest::newRow("result is one") << QByteArray("a=print('x'), a") << QStringList{"x"} << "1" << "";
  QTest::newRow("order with cleartext") << QByteArray("println('a'), print('b'), cleartext(), print('c'), println('d'), print('e')")
                                        << QStringList{"cd", "e"} << "1" << "";
  QTest::newRow("loop") << QByteArray("for(i=0;i<5;i+=1;print(i))") << QStringList{"01234"} << "1" << "";
  QTest::newRow("unassigned variable still writes 0")
      << QByteArray("print(v)") << QStringList{"0"} << "" << "Variable v has no value";
  QTest::newRow("high bytes") << QByteArray("print('\xe4\x80')") << QStringList{QString::fromUtf8("ä€")} << "1" << "";
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
  QCOMPARE(QString::fromStdString(runner.Thread->CalcInfo.Message), error);
  QCOMPARE(runner.Thread->CalcInfo.Error, !error.isEmpty());
  if (error.isEmpty()) QCOMPARE(QString::fromStdString(runner.Result.AsString()), result);
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
        static_cast<long long>(elapsed), static_cast<long long>(longestGap));
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
      if (viaClear)
        sink->Clear();
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

QTEST_MAIN(OutputWindowTest)
#include "OutputWindowTest.moc"
