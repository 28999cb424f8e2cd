// The main window: calculation control, result display, syntax status,
// keyboard handling, closing, the about box, the file association and the
// code-page conversion.

#include <QClipboard>
#include <QComboBox>
#include <QTextBlock>
#include <QTextLayout>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <condition_variable>
#include <mutex>

#include "output/qt/OutputForm.h"
#include "workbench/qt/AboutForm.h"
#include "engine/qt/Branding.h"
#include "engine/qt/CodePage.h"
#include "workbench/qt/EditPanel.h"
#include "workbench/qt/FileAssociation.h"
#include "workbench/qt/HelpBrowser.h"
#include "workbench/qt/MainForm.h"
#include "workbench/qt/SyntaxColouring.h"

#include "ScriptedMainForm.h"

using TernioParser::TOutputSink;

namespace {

// Collects the output of a run; optionally blocks every write until released,
// like a window that no longer answers.
class TTestSink : public TOutputSink {
public:
  void Write(const std::string& text, bool newline) override {
    std::unique_lock<std::mutex> g(Lock);
    if (Blocking) {
      Blocked = true;
      Released.wait(g, [&] { return !Blocking; });
    }
    Text += text;
    if (newline) Text += '\n';
  }
  void Clear() override {
    std::lock_guard<std::mutex> g(Lock);
    Text.clear();
  }
  std::string Get() {
    std::lock_guard<std::mutex> g(Lock);
    return Text;
  }
  void Block() {
    std::lock_guard<std::mutex> g(Lock);
    Blocking = true;
  }
  bool IsBlocked() {
    std::lock_guard<std::mutex> g(Lock);
    return Blocked;
  }
  void Release() {
    {
      std::lock_guard<std::mutex> g(Lock);
      Blocking = false;
    }
    Released.notify_all();
  }

private:
  std::mutex Lock;
  std::condition_variable Released;
  std::string Text;
  bool Blocking = false;
  bool Blocked = false;
};

// The scripted main window with the output of its runs collected.
struct TWindow : TScriptedMainForm {
  TTestSink Sink;

  TWindow() { Form->SetOutputSink(&Sink); }
  // A run still going ends before the sink goes.
  ~TWindow() {
    Sink.Release();
    if (Form->Running()) Form->ActionBreakExecute();
    WaitIdle(5000);
  }
  QString Result(int i = 1) const { return Panel(i)->edtResult->text(); }
  // Starts the calculator panel on page i and waits for its result.
  bool Run(int i, const QString& program) {
    Form->PageControl->setCurrentIndex(i);
    SetText(i, program);
    Form->ActionStartExecute();
    return WaitIdle();
  }
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
  QTemporaryDir DataHome;

private slots:
  void initTestCase() {
    // The window registers the file association in the user's data folder;
    // keep it inside the test's own folder.
    qputenv("XDG_DATA_HOME", DataHome.path().toLocal8Bit());
    qputenv("XDG_DATA_DIRS", DataHome.filePath("none").toLocal8Bit());
  }

  void initialState() {
    TWindow w;
    TMainForm& f = *w.Form;
    QCOMPARE(f.windowTitle(), QString("The Ostra Calculator"));
    QCOMPARE(f.PanelCount(), 2);
    QCOMPARE(f.PanelName(0), QString("Global"));
    QCOMPARE(f.PanelName(1), QString("Calculator 1"));
    QCOMPARE(f.PageControl->currentIndex(), 1);
    QVERIFY(w.Panel(0)->ResultPanel->isHidden());
    QVERIFY(!w.Panel(1)->ResultPanel->isHidden());
    QCOMPARE(w.Panel(1)->cbRadix->currentText(), QString("Decimal"));
    QCOMPARE(f.PanelError->text(), QString("Ok"));
    QVERIFY(!f.BtnShowError->isEnabled());
    QVERIFY(!f.Modified());
    QVERIFY(!f.ActionSave->isEnabled());
    QVERIFY(f.ActionStart->isEnabled());
    QVERIFY(!f.ActionBreak->isEnabled());
    QVERIFY(f.Action3->isEnabled() && f.Action4->isEnabled());
    QCOMPARE(f.ActionStart->shortcut(), QKeySequence(Qt::Key_F2));
    QCOMPARE(f.ActionBreak->shortcut(), QKeySequence(Qt::Key_F4));
    QCOMPARE(f.FileOpen->toolTip(), QString("Open"));
    QCOMPARE(f.FileOpen->statusTip(), QString("Open an existing file"));
    QCOMPARE(f.minimumSize(), QSize(500, 420));
  }

  // The first use: type a program, press F2, see the output and the result.
  void typeAndStartWithF2() {
    TWindow w;
    TMainForm& f = *w.Form;
    QPlainTextEdit* editor = w.ShowWithFocus(1);
    QVERIFY(editor);
    QTest::keyClicks(editor, "a=2, println(a^10), a*3");
    QVERIFY(f.Modified());
    QCOMPARE(f.StatusPanel0->text(), QString("Changed"));
    QSignalSpy finished(&f, &TMainForm::CalculationFinished);
    QTest::keyClick(editor, Qt::Key_F2);
    QVERIFY(finished.wait(10000));
    QCOMPARE(w.Sink.Get(), std::string("1024\n"));
    QCOMPARE(w.Result(), QString("6"));
    QCOMPARE(w.Status(), QString("Calculation finished"));
    QVERIFY(f.ActionStart->isEnabled());
    QVERIFY(!editor->isReadOnly());
  }

  // The same with the real output window, as the application wires it.
  void outputWindowShowsRunText() {
    TWindow w;
    TMainForm& f = *w.Form;
    auto* output = new TOutputForm(&f);
    f.SetOutputSink(output->Sink());
    QVERIFY(!output->isVisible());
    f.show();
    QVERIFY(w.Run(1, "a=2, println(a^10), print('x'), a*3"));
    QCOMPARE(w.Result(), QString("6"));
    output->Flush();
    QCOMPARE(output->Lines(), QStringList({"1024", "x"}));
    QVERIFY(output->isVisible());
    // cleartext empties it on the next run.
    QVERIFY(w.Run(1, "cleartext(), println('again'), 0"));
    output->Flush();
    QCOMPARE(output->Lines(), QStringList({"again"}));
  }

  // While running, everything that would touch the engines is locked; Break
  // ends an endless loop with "Stopped".
  void runningLocksAndBreakStops() {
    TWindow w;
    TMainForm& f = *w.Form;
    f.PageControl->setCurrentIndex(1);
    w.SetText(1, "i=0, while(1; i+=1)");
    f.ActionStartExecute();
    QVERIFY(f.Running());
    QCOMPARE(w.Status(), QString("Running..."));
    for (QAction* a : {f.ActionStart, f.ActionNew, f.FileOpen, f.ActNewPanel, f.ActDelPanel})
      QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
    QVERIFY(f.ActionBreak->isEnabled());
    QVERIFY(!f.PageControl->tabBar()->isEnabled());
    QVERIFY(w.Panel(0)->MemoEdit->isReadOnly() && w.Panel(1)->MemoEdit->isReadOnly());
    QVERIFY(f.AddPanel("x") == nullptr);
    f.DeletePanel();
    QCOMPARE(f.PanelCount(), 2);
    QVERIFY(!f.OpenDocument(QStringLiteral(OSTRA_SOURCE_DIR "/examples/demo.sma")));
    QTest::qWait(100);
    QVERIFY(f.Running());

    QElapsedTimer t;
    t.start();
    f.ActionBreakExecute();
    QCOMPARE(w.Status(), QString("Breaking..."));
    QVERIFY(w.WaitIdle(5000));
    QVERIFY2(t.elapsed() < 2000, "Break took too long");
    QCOMPARE(w.Result(), QString("Error: Stopped"));
    QCOMPARE(w.Status(), QString("Calculation terminated"));
    QVERIFY(f.ActionStart->isEnabled() && !f.ActionBreak->isEnabled());
    QVERIFY(f.PageControl->tabBar()->isEnabled());
    QVERIFY(!w.Panel(1)->MemoEdit->isReadOnly());
    // The next run starts clean.
    QVERIFY(w.Run(1, "7*6"));
    QCOMPARE(w.Result(), QString("42"));
    QCOMPARE(w.Status(), QString("Calculation finished"));
  }

  void runtimeErrorShown() {
    TWindow w;
    QVERIFY(w.Run(1, "x = y + 1"));
    QVERIFY(w.Result().startsWith("Error: "));
    QVERIFY(w.Result().size() > 7);
    QCOMPARE(w.Status(), QString("Calculation terminated"));
    // Memory a program cannot have is an error of the run too; the window,
    // its document and the next run go on.
    QVERIFY(w.Run(1, "a[2147483647]=1"));
    QCOMPARE(w.Result(), QString("Error: = operator: not enough memory for 2147483648 elements of array a"));
    QCOMPARE(w.Panel(1)->Text(), QString("a[2147483647]=1"));
    QVERIFY(w.Run(1, "6*7"));
    QCOMPARE(w.Result(), QString("42"));
  }

  void resultRadix_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("radix");
    QTest::addColumn<QString>("shown");
    const QString tooLarge = "Number too large, display in decimal mode";
    QTest::newRow("dec fraction") << "0.1+0.2" << 0 << "0.3";
    QTest::newRow("dec large") << "2^40" << 0 << "1099511627776";
    QTest::newRow("hex 255") << "255" << 1 << "FF";
    QTest::newRow("hex -1") << "-1" << 1 << "FFFFFFFF";
    QTest::newRow("hex 3.9") << "3.9" << 1 << "3";
    QTest::newRow("hex -3.9") << "-3.9" << 1 << "FFFFFFFD";
    QTest::newRow("hex 0") << "0" << 1 << "0";
    QTest::newRow("hex 2^31") << "2147483648" << 1 << tooLarge;
    QTest::newRow("hex -2^31") << "-2147483648" << 1 << "80000000";
    QTest::newRow("hex -2^31-1") << "-2147483649" << 1 << tooLarge;
    QTest::newRow("bin 0") << "0" << 2 << "0";
    QTest::newRow("bin 6") << "6" << 2 << "110";
    QTest::newRow("bin -1") << "-1" << 2 << QString(32, u'1');
    QTest::newRow("bin too large") << "1e10" << 2 << tooLarge;
    QTest::newRow("string in hex") << "'abc'" << 1 << "abc";
    QTest::newRow("string in bin") << "'12'" << 2 << "12";
  }
  void resultRadix() {
    QFETCH(QString, program);
    QFETCH(int, radix);
    QFETCH(QString, shown);
    TWindow w;
    w.Panel(1)->cbRadix->setCurrentIndex(radix);
    QVERIFY(w.Run(1, program));
    QCOMPARE(w.Result(), shown);
  }

  void radixChangeTakesEffectWithNextResult() {
    TWindow w;
    QVERIFY(w.Run(1, "255"));
    QCOMPARE(w.Result(), QString("255"));
    w.Panel(1)->cbRadix->setCurrentIndex(1);
    QCOMPARE(w.Result(), QString("255"));
    w.Form->ActionStartExecute();
    QVERIFY(w.WaitIdle());
    QCOMPARE(w.Result(), QString("FF"));
  }

  // Every edit parses; the status follows; Show error selects the faulty part.
  void syntaxStatusAndShowError_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("status");  // empty: the engine's message
    QTest::newRow("at the end") << "1+"
                                << "+"
                                << "";
    QTest::newRow("one token") << "1 2"
                               << "2"
                               << "";
    QTest::newRow("second line") << "a=1,\n1 2"
                                 << "2"
                                 << "";
    QTest::newRow("after a pair") << QString::fromUtf8("a='\xF0\x9F\x98\x80',\n1 2") << "2"
                                  << "";
    QTest::newRow("unknown function") << "x = foo(3) + 1"
                                      << "foo"
                                      << "Unknown function foo";
  }
  void syntaxStatusAndShowError() {
    QFETCH(QString, text);
    QFETCH(QString, selected);
    QFETCH(QString, status);
    TWindow w;
    TMainForm& f = *w.Form;
    w.SetText(1, text);
    QVERIFY(f.SyntaxError());
    QCOMPARE(f.PanelError->text(), QString("Error"));
    QCOMPARE(f.PanelError->palette().color(QPalette::Window), QColor(255, 0, 0));
    QVERIFY(f.BtnShowError->isEnabled());
    QVERIFY(!f.ActionStart->isEnabled());
    f.ActionStartExecute();
    QVERIFY(!f.Running());

    QTest::mouseClick(f.BtnShowError, Qt::LeftButton);
    QCOMPARE(w.Panel(1)->MemoEdit->textCursor().selectedText(), selected);
    QCOMPARE(w.Status(), status.isEmpty() ? QString::fromStdString(f.Run->Main().Message) : status);
    QVERIFY(!w.Status().isEmpty());

    w.SetText(1, "1+2");
    QVERIFY(!f.SyntaxError());
    QCOMPARE(f.PanelError->text(), QString("Ok"));
    QCOMPARE(f.PanelError->palette().color(QPalette::Window), QColor(0, 255, 0));
    QVERIFY(!f.BtnShowError->isEnabled());
    QVERIFY(w.Status().isEmpty());
    QVERIFY(f.ActionStart->isEnabled());
  }

  void globalPanelRules() {
    TWindow w;
    TMainForm& f = *w.Form;
    // The Global panel cannot be started.
    f.PageControl->setCurrentIndex(0);
    QVERIFY(!f.ActionStart->isEnabled());
    QVERIFY(!f.ActDelPanel->isEnabled() && !f.ActRename->isEnabled());
    f.ActionStartExecute();
    QVERIFY(!f.Running());
    // Its functions are callable from every calculator panel, in their
    // latest definition.
    w.SetText(0, "define(sq(x); x*x), $base = 10");
    QVERIFY(w.Run(1, "sq(7) + $base"));
    QCOMPARE(w.Result(), QString("59"));
    f.PageControl->setCurrentIndex(0);
    w.SetText(0, "define(sq(x); x*x*x), $base = 0");
    f.PageControl->setCurrentIndex(1);
    f.ActionStartExecute();
    QVERIFY(w.WaitIdle());
    QCOMPARE(w.Result(), QString("343"));
    // A syntax error in the Global panel refuses every start, although the
    // status shows the calculator panel's state.
    w.SetText(1, "1+1");
    f.PageControl->setCurrentIndex(0);
    w.SetText(0, "define(sq(x); x*x");
    QVERIFY(f.SyntaxError());
    f.PageControl->setCurrentIndex(1);
    QVERIFY(!f.SyntaxError());
    QVERIFY(f.ActionStart->isEnabled());
    f.ActionStartExecute();
    QVERIFY(!f.Running());
    QCOMPARE(w.Result(), QString("343"));
  }

  void tabChangeKeepsModifiedFlag() {
    TWindow w;
    TMainForm& f = *w.Form;
    QVERIFY(!f.Modified());
    f.PageControl->setCurrentIndex(0);
    f.PageControl->setCurrentIndex(1);
    QVERIFY(!f.Modified());
    QCOMPARE(f.LastParsedPanel(), w.Panel(1));
  }

  void keypadKeys() {
    TWindow w;
    TMainForm& f = *w.Form;
    QPlainTextEdit* editor = w.Panel(1)->MemoEdit;
    editor->setFocus();
    // The decimal key types a point also where the layout gives a comma.
    QTest::keyClicks(editor, "1");
    QTest::keyClick(editor, Qt::Key_Comma, Qt::KeypadModifier);
    QTest::keyClick(editor, Qt::Key_Period, Qt::KeypadModifier);
    QTest::keyClicks(editor, "5");
    QTRY_COMPARE(w.Panel(1)->Text(), QString("1..5"));
    w.SetText(1, "1.5*2");
    QTextCursor c = editor->textCursor();
    c.movePosition(QTextCursor::End);
    editor->setTextCursor(c);
    // The keypad's Enter gives the editor its line break, then starts.
    QSignalSpy finished(&f, &TMainForm::CalculationFinished);
    QTest::keyClick(editor, Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(finished.wait(10000));
    QCOMPARE(w.Panel(1)->Text(), QString("1.5*2\n"));
    QCOMPARE(w.Result(), QString("3"));
    // The main Return key only breaks the line.
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::qWait(50);
    QVERIFY(!f.Running());
    QCOMPARE(finished.count(), 1);
    // On the Global page the keypad Enter does not start.
    f.PageControl->setCurrentIndex(0);
    QTest::keyClick(w.Panel(0)->MemoEdit, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::qWait(50);
    QVERIFY(!f.Running());
    QCOMPARE(finished.count(), 1);
  }

  // Cut, copy, paste and select all act on the focused edit control and
  // follow its state.
  void editActions() {
    TWindow w;
    TMainForm& f = *w.Form;
    QPlainTextEdit* editor = w.ShowWithFocus(1);
    QVERIFY(editor);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor));
    QVERIFY(!f.EditCopy1->isEnabled() && !f.EditCut1->isEnabled() && !f.EditSelectAll1->isEnabled());
    QTest::keyClicks(editor, "12+34");
    QVERIFY(f.EditSelectAll1->isEnabled());
    f.EditSelectAll1->trigger();
    QCOMPARE(editor->textCursor().selectedText(), QString("12+34"));
    QVERIFY(f.EditCopy1->isEnabled() && f.EditCut1->isEnabled());
    f.EditCut1->trigger();
    QCOMPARE(w.Panel(1)->Text(), QString());
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("12+34"));
    QVERIFY(f.EditPaste1->isEnabled());
    f.EditPaste1->trigger();
    f.EditPaste1->trigger();
    QCOMPARE(w.Panel(1)->Text(), QString("12+3412+34"));
    // The read-only result field can be copied from, not cut or pasted into.
    QVERIFY(w.Run(1, "6*7"));
    w.Panel(1)->edtResult->setFocus();
    w.Panel(1)->edtResult->selectAll();
    QTRY_VERIFY(f.EditCopy1->isEnabled());
    QVERIFY(!f.EditCut1->isEnabled() && !f.EditPaste1->isEnabled());
    f.EditCopy1->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("42"));
  }

  void closeWhileRunning() {
    TWindow w;
    TMainForm& f = *w.Form;
    f.show();
    w.SetText(1, "while(1; 0)");
    w.Panel(1)->Notifications = false;  // keep the document unmodified for the close
    f.SetModified(false);
    f.ActionStartExecute();
    QVERIFY(f.Running());
    // No keeps the window and the calculation.
    w.Answers = {QMessageBox::No};
    QVERIFY(!f.close());
    QCOMPARE(w.Questions.size(), 1);
    QCOMPARE(w.Questions[0].Text, QString("Calculation running, do you want to kill it?"));
    QCOMPARE(w.Questions[0].Title, QString("The Ostra Calculator"));
    QCOMPARE(w.Questions[0].Icon, QMessageBox::Question);
    QVERIFY(f.isVisible() && f.Running());
    // Yes ends it and closes.
    w.Answers = {QMessageBox::Yes};
    QVERIFY(f.close());
    QVERIFY(!f.Running());
    QCOMPARE(w.ForcedExits, 0);
  }

  void closeWhileBlockedEndsTheProcess() {
    TWindow w;
    TMainForm& f = *w.Form;
    f.show();
    w.Sink.Block();
    w.SetText(1, "println('stuck')");
    f.SetModified(false);
    f.ActionStartExecute();
    QTRY_VERIFY(w.Sink.IsBlocked());
    w.Answers = {QMessageBox::Yes};
    QElapsedTimer t;
    t.start();
    f.close();
    QCOMPARE(w.ForcedExits, 1);
    QVERIFY2(t.elapsed() < 3000, "closing waited too long");
    // Let the thread finish so that the test can clean up.
    w.Sink.Release();
    QTRY_VERIFY(!f.Running());
  }

  void threadEndReported() {
    TWindow w;
    TMainForm& f = *w.Form;
    f.Run->EndThread();
    QTRY_VERIFY(f.ThreadEnded());
    QCOMPARE(w.Questions.size(), 1);
    QCOMPARE(w.Questions[0].Icon, QMessageBox::Critical);
    QVERIFY(w.Questions[0].Text.startsWith("Macro thread terminated unexpectedly"));
    // Closing no longer asks about the calculation.
    f.SetModified(false);
    QVERIFY(f.close());
    QCOMPARE(w.Questions.size(), 1);
  }

  void aboutBoxAndLinks() {
    QCOMPARE(Ostra::VersionCaption("4.0.0.3", false), QString("Version 4.0.0.3"));
    QCOMPARE(Ostra::VersionCaption("4.0.0.3", true), QString("Version 4.0.0.3 PreRelease"));
    QCOMPARE(Ostra::VersionCaption("", false), QString("Version ?"));
    TWindow w;
    TMainForm& f = *w.Form;
    TAboutForm about(&f);
    QCOMPARE(about.windowTitle(), QString("About Ostra Calculator"));
    QCOMPARE(about.size(), QSize(375, 241));
    QCOMPARE(about.lblVersion->text(), QString("Version " OSTRA_VERSION));
    QSignalSpy link(&about, &TAboutForm::WebSiteRequested);
    QTest::mouseClick(about.LinkLabel, Qt::LeftButton);
    QCOMPARE(link.count(), 1);
    QTest::mouseClick(f.Logo, Qt::LeftButton);
    QCOMPARE(w.Opened.size(), 1);
    QCOMPARE(w.Opened[0], QUrl(Ostra::WebSiteAddress));
    // A double click (well after the click above) opens the site once.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseDClick(f.Logo, Qt::LeftButton);
    QCOMPARE(w.Opened.size(), 2);
    w.Opened.removeLast();
    // The manual beside the program opens when present; otherwise the user
    // is told where it belongs.
    const QString manual = QDir(QCoreApplication::applicationDirPath()).filePath("ostracalc.pdf");
    f.Action1->trigger();
    if (QFile::exists(manual)) {
      QCOMPARE(w.Opened.size(), 2);
      QCOMPARE(w.Opened[1], QUrl::fromLocalFile(manual));
      QVERIFY(w.Questions.isEmpty());
    } else {
      QCOMPARE(w.Opened.size(), 1);
      QCOMPARE(w.Questions.size(), 1);
      QVERIFY(w.Questions[0].Text.contains(manual));
    }
  }

  // The application itself: start-up with a command-line document holding a
  // blank in its path, the association, a run and the screenshots.
  void applicationStartsAndRunsTheDemo() {
    QTemporaryDir dir;
    const QString doc = dir.filePath("my demo.sma");
    QVERIFY(QFile::copy(OSTRA_SOURCE_DIR "/examples/demo.sma", doc));
    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_DATA_HOME", dir.filePath("data"));
    env.insert("XDG_DATA_DIRS", dir.filePath("none"));
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    app.setProcessEnvironment(env);
    app.start(OSTRA_BINARY_DIR "/bin/ostracalc", {"--screenshot", dir.filePath("shots"), doc});
    QVERIFY(app.waitForFinished(60000));
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QCOMPARE(app.exitCode(), 0);
    QImage main(dir.filePath("shots/main-window.png"));
    QImage output(dir.filePath("shots/output-window.png"));
    QVERIFY(!main.isNull() && !output.isNull());
    QVERIFY(main.width() >= 500 && main.height() >= 420);
    QFile entry(dir.filePath("data/applications/ostracalc.desktop"));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    QVERIFY(entry.readAll().contains("Exec=\"" OSTRA_BINARY_DIR "/bin/ostracalc\" %f"));
  }

  void fileAssociation() {
    QTemporaryDir home, system;
    const QString exe = "/opt/Ostra Calc/bin/ostracalc";
    QVERIFY(Ostra::RegisterFileAssociation(home.path(), {system.path()}, exe, false));
    QFile desktop(home.filePath("applications/ostracalc.desktop"));
    QVERIFY(desktop.open(QIODevice::ReadOnly));
    const QString entry = QString::fromUtf8(desktop.readAll());
    desktop.close();
    QVERIFY(entry.contains("\nExec=\"/opt/Ostra Calc/bin/ostracalc\" %f\n"));
    QVERIFY(entry.contains("\nMimeType=application/x-rir-macro;\n"));
    QFile mime(home.filePath("mime/packages/ostracalc-sma.xml"));
    QVERIFY(mime.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(mime.readAll()), Ostra::MimePackageText());
    QVERIFY(Ostra::MimePackageText().contains("<glob pattern=\"*.sma\"/>"));

    // An existing association is never rewritten.
    QVERIFY(desktop.open(QIODevice::WriteOnly));
    desktop.write("[Desktop Entry]\nExec=other %f\n");
    desktop.close();
    QVERIFY(!Ostra::RegisterFileAssociation(home.path(), {}, "/usr/bin/ostracalc", false));
    QVERIFY(desktop.open(QIODevice::ReadOnly));
    QCOMPARE(desktop.readAll(), QByteArray("[Desktop Entry]\nExec=other %f\n"));
    desktop.close();

    // One installed system-wide counts as existing too.
    QTemporaryDir fresh;
    QVERIFY(QDir().mkpath(system.filePath("applications")));
    QFile installed(system.filePath("applications/ostracalc.desktop"));
    QVERIFY(installed.open(QIODevice::WriteOnly));
    installed.close();
    QVERIFY(!Ostra::RegisterFileAssociation(fresh.path(), {system.path()}, exe, false));
    QVERIFY(!QFile::exists(fresh.filePath("applications/ostracalc.desktop")));

    // The files installed by make install describe the same type.
    QFile installedMime(OSTRA_SOURCE_DIR "/app/gui/ostracalc-sma.xml");
    QVERIFY(installedMime.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(installedMime.readAll()), Ostra::MimePackageText());
  }

  void desktopExecQuoting_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("quoted");
    QTest::newRow("plain") << "/usr/bin/ostracalc"
                           << "\"/usr/bin/ostracalc\"";
    QTest::newRow("blank") << "/a b/x"
                           << "\"/a b/x\"";
    QTest::newRow("dollar") << "/a$b"
                            << "\"/a\\\\$b\"";
    QTest::newRow("quote") << "/a\"b"
                           << "\"/a\\\\\"b\"";
    QTest::newRow("backslash") << "/a\\b"
                               << "\"/a\\\\\\\\b\"";
    QTest::newRow("percent") << "/100%"
                             << "\"/100%%\"";
  }
  void desktopExecQuoting() {
    QFETCH(QString, path);
    QFETCH(QString, quoted);
    QCOMPARE(Ostra::DesktopExecQuote(path), quoted);
  }

  // The colouring follows a successful parse and leaves the document state
  // alone; F1 looks up the function at the caret.
  void colouringAndHelpFollowTheEditor() {
    TWindow w;
    TMainForm& f = *w.Form;
    QPlainTextEdit* editor = w.Panel(1)->MemoEdit;
    QTest::keyClicks(editor, "abc=1");
    f.SetModified(false);
    auto colourAt = [&](int pos) -> QColor {
      QTextBlock b = editor->document()->findBlock(pos);
      for (const QTextLayout::FormatRange& r : b.layout()->formats())
        if (pos - b.position() >= r.start && pos - b.position() < r.start + r.length)
          return r.format.foreground().color();
      return QColor();
    };
    QTRY_COMPARE(colourAt(0), TSyntaxColourer::KindColours[0]);
    QCOMPARE(colourAt(4), TSyntaxColourer::KindColours[2]);
    QVERIFY(!f.Modified());
    QCOMPARE(w.Panel(1)->Text(), QString("abc=1"));
    // Text that does not parse is not recoloured.
    w.SetText(1, "1+");
    QTest::qWait(2 * TSyntaxColourer::DelayMs);
    QCOMPARE(colourAt(0), QColor());

    QVERIFY(f.HelpPanel);
    QCOMPARE(f.HelpPanel->height(), 129);
    w.SetText(1, "println(1)");
    QTextCursor c = editor->textCursor();
    c.setPosition(8);
    editor->setTextCursor(c);
    QTest::keyClick(editor, Qt::Key_F1);
    QVERIFY(f.HelpPanel->csFunctions->currentText().startsWith("println("));
    QCOMPARE(editor->textCursor().position(), 8);
  }

  // Typing into a long program: every keystroke parses the whole text, the
  // colouring follows once typing pauses. Logs the measured times.
  void longProgramStaysResponsive() {
    TWindow w;
    TMainForm& f = *w.Form;
    f.resize(700, 600);
    f.show();
    QString program;
    for (int i = 0; i < 5000; ++i)
      program += QString("v%1 = %1 * 2.5 + (v%1 - 3) / 7, s = 'line %1', /* note */\n").arg(i);
    program += "v4999";
    QElapsedTimer t;
    t.start();
    w.SetText(1, program);
    const qint64 load = t.elapsed();
    QVERIFY(!f.SyntaxError());
    QCOMPARE(w.Panel(1)->MemoEdit->document()->blockCount(), 5001);

    QPlainTextEdit* editor = w.Panel(1)->MemoEdit;
    QTextCursor c = editor->textCursor();
    c.setPosition(program.size() / 2);
    editor->setTextCursor(c);
    const int keys = 20;
    t.restart();
    for (int i = 0; i < keys; ++i) QTest::keyClick(editor, i % 2 ? Qt::Key_Backspace : Qt::Key_Space);
    const double perKey = double(t.elapsed()) / keys;
    QCOMPARE(w.Panel(1)->Text(), program);

    t.restart();
    f.CheckPanelText(w.Panel(1));
    const qint64 parse = t.elapsed();
    auto* colourer = editor->findChild<TSyntaxColourer*>();
    QVERIFY(colourer);
    t.restart();
    colourer->ColourNow(f.Tokens);
    const qint64 colour = t.elapsed();
    qInfo("5001-line program: set %lld ms, keystroke incl. parse %.1f ms, parse %lld ms, colouring %lld ms",
          load,
          perKey,
          parse,
          colour);
    // Generous bounds: a loaded machine must still feel responsive.
    QVERIFY2(perKey < 300, "a keystroke takes too long");
    QVERIFY2(colour < 3000, "colouring takes too long");
  }

  void codePage() {
    // Every byte survives the round trip through the editor's text.
    std::string all;
    for (int b = 0; b < 256; ++b) all += char(b);
    const QString text = Ostra::FromCodePage(all);
    QCOMPARE(text.size(), qsizetype(256));
    QCOMPARE(Ostra::ToCodePage(text), all);
    QCOMPARE(text[0x80], QChar(0x20AC));
    QCOMPARE(text[0x9F], QChar(0x0178));
    QCOMPARE(text[0xE9], QChar(0x00E9));
    QCOMPARE(text[0x81], QChar(0x0081));
    // Characters outside the code page become one '?' each.
    QCOMPARE(Ostra::ToCodePage(QString::fromUtf8("a\xCE\xA9"
                                                 "b\xF0\x9F\x98\x80"
                                                 "c€")),
             std::string("a?b?c\x80"));
    const QString pair = QString::fromUtf8("x\xF0\x9F\x98\x80yz");
    QCOMPARE(Ostra::TextPosition(pair, 0), 0);
    QCOMPARE(Ostra::TextPosition(pair, 1), 1);
    QCOMPARE(Ostra::TextPosition(pair, 2), 3);
    QCOMPARE(Ostra::TextPosition(pair, 3), 4);
    QCOMPARE(Ostra::TextPosition(pair, 99), 5);
  }

  void editorKeepsEveryCharacter() {
    TWindow w;
    // A non-breaking space and a C1 byte are program text like any other.
    const std::string program =
        "'a\xA0"
        "b\x81'";
    w.SetText(1, Ostra::FromCodePage(program));
    QCOMPARE(w.Panel(1)->Text8(), program);
    w.SetText(1, "1\r\n2\r3");
    QCOMPARE(w.Panel(1)->Text(), QString("1\n2\n3"));
  }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
