// Documents of the main window: new, open, save, the macro file format in
// both forms, panels added, deleted and renamed, the save prompt, dropped
// files and the command line.

#include <QDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "engine/qt/CodePage.h"
#include "workbench/qt/EditPanel.h"
#include "workbench/qt/MainForm.h"
#include "workbench/qt/RenameForm.h"
#include "workbench/qt/SyntaxColouring.h"

namespace {

struct TQuestion {
  QMessageBox::Icon Icon;
  QString Title, Text;
};

// A main window whose message boxes and file dialogs are answered from a
// script.
struct TWindow {
  std::unique_ptr<TMainForm> Form;
  QList<TQuestion> Questions;
  QList<QMessageBox::StandardButton> Answers;
  QStringList Files;  // answers of the file dialogs; empty: cancelled
  int Dialogs = 0;

  TWindow() : Form(new TMainForm) {
    Form->Ask = [this](
                    QMessageBox::Icon icon, const QString& title, const QString& text, QMessageBox::StandardButtons) {
      Questions.append({icon, title, text});
      return Answers.isEmpty() ? QMessageBox::Cancel : Answers.takeFirst();
    };
    Form->ChooseFile = [this](bool) {
      ++Dialogs;
      return Files.isEmpty() ? QString() : Files.takeFirst();
    };
    Form->OpenUrl = [](const QUrl&) { return true; };
  }
  TEditPanel* Panel(int i) const { return Form->Panel(i); }
  QString Text(int i) const { return Panel(i)->Text(); }
  void SetText(int i, const QString& text) { Panel(i)->MemoEdit->setPlainText(text); }
  QStringList Names() const {
    QStringList n;
    for (int i = 0; i < Form->PanelCount(); ++i) n << Form->PanelName(i);
    return n;
  }
};

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

// Answers the next modal dialog (the rename dialog) once it is shown.
void AnswerRename(const QString& text, bool ok, QString* label = nullptr) {
  QTimer::singleShot(0, [=] {
    auto* dlg = qobject_cast<TRenameForm*>(QApplication::activeModalWidget());
    if (!dlg) return;
    if (label) *label = dlg->Label->text();
    dlg->Edit->setText(text);
    (ok ? dlg->BtnOk : dlg->BtnCancel)->click();
  });
}

}  // namespace

class DocumentTest : public QObject {
  Q_OBJECT
  QTemporaryDir DataHome;
  QTemporaryDir Dir;

private slots:
  void initTestCase() {
    qputenv("XDG_DATA_HOME", DataHome.path().toLocal8Bit());
    qputenv("XDG_DATA_DIRS", DataHome.filePath("none").toLocal8Bit());
  }

  void newDocument() {
    TWindow w;
    TMainForm& f = *w.Form;
    w.SetText(0, "$g=1");
    f.AddCalculatorPanel();
    w.Answers = {QMessageBox::No};
    f.ActionNewExecute();
    QCOMPARE(w.Names(), QStringList({"Global", "Calculator 1"}));
    QCOMPARE(f.PageControl->currentIndex(), 1);
    QVERIFY(w.Text(0).isEmpty() && w.Text(1).isEmpty());
    QVERIFY(w.Panel(0)->ResultPanel->isHidden());
    QVERIFY(!f.Modified() && !f.HasFileName);
    QCOMPARE(f.windowTitle(), QString("The Ostra Calculator"));
    QCOMPARE(f.StatusPanel0->text(), QString());
  }

  // An empty Global panel and one calculator panel: the file is the text.
  void singlePanelForm() {
    TWindow w;
    TMainForm& f = *w.Form;
    w.SetText(1, "a=2,\nprintln(a^10),\na*3");
    QVERIFY(f.Modified());
    QVERIFY(f.ActionSave->isEnabled());
    const QString path = Dir.filePath("single.sma");
    w.Files = {path};
    QVERIFY(f.ActionSaveExecute());  // unnamed: becomes Save as
    QCOMPARE(w.Dialogs, 1);
    QCOMPARE(ReadFile(path), QByteArray("a=2,\r\nprintln(a^10),\r\na*3"));
    QVERIFY(!f.Modified());
    QCOMPARE(f.windowTitle(), QString("The Ostra Calculator - single.sma"));
    QCOMPARE(f.DisplayName, QString("single.sma"));

    TWindow again;
    QVERIFY(again.Form->OpenDocument(path));
    QCOMPARE(again.Names(), QStringList({"Global", "Calculator 1"}));
    QCOMPARE(again.Text(1), QString("a=2,\nprintln(a^10),\na*3"));
    QCOMPARE(again.Form->PageControl->currentIndex(), 1);
    QVERIFY(!again.Form->Modified());
    // Saving again under the file name needs no dialog.
    again.SetText(1, "1");
    QVERIFY(again.Form->ActionSaveExecute());
    QCOMPARE(again.Dialogs, 0);
    QCOMPARE(ReadFile(path), QByteArray("1"));
  }

  // Opening and saving again gives the same bytes.
  void roundTrip_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("three panels") << QByteArray(
                                         "/*$$panel:Global$$*/\n/*$$panel:A$$*/\n1+2/*$$panel:B$$*/\nx=3\r\nx*2")
                                  << QStringList({"Global", "A", "B"});
    QTest::newRow("global text") << QByteArray("/*$$panel:Global$$*/\n$k=2\r\n/*$$panel:Calculator 1$$*/\n$k*3\r\n")
                                 << QStringList({"Global", "Calculator 1"});
    QTest::newRow("names with blanks and 1252")
        << QByteArray("/*$$panel:My Global $$*/\n/*$$panel: r\xE9sum\xE9 \x80 $$*/\n'caf\xE9'/*$$panel:$$*/\n")
        << QStringList({"My Global ", QString::fromUtf8(" r\xC3\xA9sum\xC3\xA9 \xE2\x82\xAC "), ""});
    QTest::newRow("plain program") << QByteArray("/* comment */\r\nx=1,\r\n\r\n'\xA0\x81\xFF'\r\n")
                                   << QStringList({"Global", "Calculator 1"});
    QTest::newRow("empty file") << QByteArray() << QStringList({"Global", "Calculator 1"});
  }
  void roundTrip() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, names);
    const QString in = Dir.filePath("in.sma"), out = Dir.filePath("out.sma");
    WriteFile(in, file);
    TWindow w;
    QVERIFY(w.Form->OpenDocument(in));
    QCOMPARE(w.Names(), names);
    QVERIFY(!w.Form->Modified());
    QVERIFY(w.Form->HasFileName);
    w.Files = {out};
    QVERIFY(w.Form->FileSaveAsExecute());
    QCOMPARE(ReadFile(out), file);
    QVERIFY(w.Questions.isEmpty());
  }

  // Every panel of an opened document is coloured at once.
  void openedPanelsAreColoured() {
    TWindow w;
    w.Form->show();
    QVERIFY(w.Form->OpenDocument(QStringLiteral(OSTRA_SOURCE_DIR "/examples/demo.sma")));
    QCOMPARE(w.Names(), QStringList({"Global", "Tour", "Radix"}));
    QTest::qWait(2 * TSyntaxColourer::DelayMs);
    for (int page = 0; page < 3; ++page) {
      // Each panel's text begins with a comment.
      QTextBlock b = w.Panel(page)->MemoEdit->document()->firstBlock();
      const auto formats = b.layout()->formats();
      QVERIFY2(!formats.isEmpty(), qPrintable(w.Form->PanelName(page)));
      QCOMPARE(formats.first().start, 0);
      QCOMPARE(formats.first().format.foreground().color(), TSyntaxColourer::KindColours[6]);
    }
    // A run keeps the colours.
    QSignalSpy finished(w.Form.get(), &TMainForm::CalculationFinished);
    w.Form->ActionStartExecute();
    QVERIFY(finished.wait(10000));
    QTest::qWait(2 * TSyntaxColourer::DelayMs);
    QVERIFY(!w.Panel(1)->MemoEdit->document()->firstBlock().layout()->formats().isEmpty());
  }

  void openEdgeCases() {
    const QString path = Dir.filePath("edge.sma");
    {
      // The marker line ending in CR LF loses only its CR.
      WriteFile(path, "/*$$panel:Global$$*/\r\n$a=1/*$$panel:Calc$$*/\r\n$a+1");
      TWindow w;
      QVERIFY(w.Form->OpenDocument(path));
      QCOMPARE(w.Text(0), QString("\n$a=1"));
      QCOMPARE(w.Text(1), QString("\n$a+1"));
      QVERIFY(!w.Form->SyntaxError());
    }
    {
      // Two markers in a row give an empty panel; the first section always
      // lands on the Global page.
      WriteFile(path, "ignored/*$$panel:X$$*/\n/*$$panel:Empty$$*/\n/*$$panel:Last$$*/\n7");
      TWindow w;
      QVERIFY(w.Form->OpenDocument(path));
      QCOMPARE(w.Names(), QStringList({"X", "Empty", "Last"}));
      QCOMPARE(w.Text(0), QString());
      QCOMPARE(w.Text(1), QString());
      QCOMPARE(w.Text(2), QString("7"));
      QCOMPARE(w.Form->PageControl->currentIndex(), 1);
      QVERIFY(w.Panel(0)->ResultPanel->isHidden());
    }
    {
      // A single section keeps the new document's calculator panel.
      WriteFile(path, "/*$$panel:Global$$*/\n$x=1");
      TWindow w;
      QVERIFY(w.Form->OpenDocument(path));
      QCOMPARE(w.Names(), QStringList({"Global", "Calculator 1"}));
      QCOMPARE(w.Text(0), QString("$x=1"));
    }
    {
      // A marker that is never closed: what was read is kept, and the user
      // is told.
      WriteFile(path, "/*$$panel:Global$$*/\n1/*$$panel:A$$*/\n2/*$$panel:broken");
      TWindow w;
      QVERIFY(!w.Form->OpenDocument(path));
      QCOMPARE(w.Questions.size(), 1);
      QCOMPARE(w.Questions[0].Text, "Error opening file " + path);
      QCOMPARE(w.Questions[0].Icon, QMessageBox::Warning);
      QCOMPARE(w.Names(), QStringList({"Global", "A"}));
      QCOMPARE(w.Text(1), QString("2"));
    }
    {
      // Missing files and folders: false, no message, an empty document.
      TWindow w;
      w.SetText(1, "1");
      QVERIFY(!w.Form->OpenDocument(Dir.filePath("missing.sma")));
      QVERIFY(!w.Form->OpenDocument(Dir.path()));
      QVERIFY(w.Questions.isEmpty());
      QCOMPARE(w.Names(), QStringList({"Global", "Calculator 1"}));
      QVERIFY(w.Text(1).isEmpty());
      QVERIFY(!w.Form->HasFileName);
    }
  }

  void savingNeverLosesThePreviousFile() {
    TWindow w;
    TMainForm& f = *w.Form;
    const QString path = Dir.filePath("keep.sma");
    WriteFile(path, "old");
    QVERIFY(f.OpenDocument(path));
    w.SetText(1, "new");
    // A target that cannot be written: the error is shown, the document stays
    // modified and the old file untouched.
    f.FullPath = Dir.filePath("no-such-folder/keep.sma");
    QVERIFY(!f.ActionSaveExecute());
    QCOMPARE(w.Questions.size(), 1);
    QCOMPARE(w.Questions[0].Icon, QMessageBox::Critical);
    QVERIFY(f.Modified());
    QCOMPARE(ReadFile(path), QByteArray("old"));
    f.FullPath = path;
    QVERIFY(f.ActionSaveExecute());
    QCOMPARE(ReadFile(path), QByteArray("new"));
    // No temporary file is left behind.
    QCOMPARE(QDir(Dir.path()).entryList({"keep*"}, QDir::Files), QStringList({"keep.sma"}));
  }

  void savePrompt_data() {
    QTest::addColumn<int>("extraPanels");
    QTest::addColumn<int>("activePage");
    QTest::addColumn<int>("globalLength");
    QTest::addColumn<int>("calcLength");
    QTest::addColumn<bool>("asks");
    QTest::newRow("49 characters") << 0 << 1 << 20 << 29 << false;
    QTest::newRow("50 characters") << 0 << 1 << 20 << 30 << true;
    QTest::newRow("Global page active") << 0 << 0 << 0 << 5 << true;
    QTest::newRow("three pages") << 1 << 1 << 0 << 5 << true;
  }
  void savePrompt() {
    QFETCH(int, extraPanels);
    QFETCH(int, activePage);
    QFETCH(int, globalLength);
    QFETCH(int, calcLength);
    QFETCH(bool, asks);
    TWindow w;
    TMainForm& f = *w.Form;
    for (int i = 0; i < extraPanels; ++i) f.AddCalculatorPanel();
    w.SetText(0, QString(globalLength, u'1'));
    w.SetText(1, QString(calcLength, u'2'));
    f.PageControl->setCurrentIndex(activePage);
    QVERIFY(f.Modified());
    w.Answers = {QMessageBox::Cancel};
    QCOMPARE(f.QuerySaveChanges(), !asks);
    QCOMPARE(w.Questions.size(), asks ? 1 : 0);
    if (asks) {
      QCOMPARE(w.Questions[0].Text, QString("The current file has been modified, do you want to save it?"));
      QCOMPARE(w.Questions[0].Title, QString("The Ostra Calculator"));
    }
  }

  void savePromptAnswers() {
    const QString path = Dir.filePath("prompt.sma");
    TWindow w;
    TMainForm& f = *w.Form;
    const QString longText = "x = 1234567890 + 1234567890 + 1234567890 + 1234567890";
    w.SetText(1, longText);
    // Cancel: New does nothing.
    w.Answers = {QMessageBox::Cancel};
    f.ActionNewExecute();
    QCOMPARE(w.Text(1), longText);
    // Yes, then the save dialog is cancelled: the document stays.
    w.Answers = {QMessageBox::Yes};
    f.ActionNewExecute();
    QCOMPARE(w.Dialogs, 1);
    QCOMPARE(w.Text(1), longText);
    // Yes and a file: saved, then the new document.
    w.Answers = {QMessageBox::Yes};
    w.Files = {path};
    f.ActionNewExecute();
    QCOMPARE(ReadFile(path), longText.toLatin1());
    QVERIFY(w.Text(1).isEmpty());
    // No: discarded.
    w.SetText(1, longText);
    w.Answers = {QMessageBox::No};
    f.ActionNewExecute();
    QVERIFY(w.Text(1).isEmpty());
    QCOMPARE(ReadFile(path), longText.toLatin1());
    // The same prompt guards closing.
    w.SetText(1, longText);
    w.Answers = {QMessageBox::Cancel};
    f.show();
    QVERIFY(!f.close());
    QVERIFY(f.isVisible());
    w.Answers = {QMessageBox::No};
    QVERIFY(f.close());
  }

  void panels() {
    TWindow w;
    TMainForm& f = *w.Form;
    QVERIFY(!f.Modified());
    // New panels are numbered after the pages before them and do not
    // change the modified flag.
    TEditPanel* p = f.AddCalculatorPanel();
    QCOMPARE(f.PanelName(2), QString("Calculator 2"));
    QCOMPARE(f.PageControl->currentIndex(), 2);
    QCOMPARE(f.CurrentPanel(), p);
    QVERIFY(!f.Modified());
    f.ActNewPanel->trigger();
    QCOMPARE(w.Names(), QStringList({"Global", "Calculator 1", "Calculator 2", "Calculator 3"}));

    // An empty panel goes without a question; deleting does not mark the
    // document modified; the next page to the right becomes active.
    f.PageControl->setCurrentIndex(2);
    f.SetModified(false);
    f.ActDelPanel->trigger();
    QVERIFY(w.Questions.isEmpty());
    QCOMPARE(w.Names(), QStringList({"Global", "Calculator 1", "Calculator 3"}));
    QCOMPARE(f.PageControl->currentIndex(), 2);
    QVERIFY(!f.Modified());

    // A panel with text asks first.
    w.SetText(2, "1+1");
    w.Answers = {QMessageBox::No};
    f.DeletePanel();
    QCOMPARE(w.Questions.size(), 1);
    QCOMPARE(w.Questions[0].Title, QString("Calculator"));
    QCOMPARE(w.Questions[0].Text, QString("Panel is not empty, do you really want to delete it?"));
    QCOMPARE(f.PanelCount(), 3);
    w.Answers = {QMessageBox::Yes};
    f.DeletePanel();
    QCOMPARE(w.Names(), QStringList({"Global", "Calculator 1"}));
    QCOMPARE(f.PageControl->currentIndex(), 1);

    // The Global panel cannot be deleted or renamed.
    f.PageControl->setCurrentIndex(0);
    QVERIFY(!f.ActDelPanel->isEnabled() && !f.ActRename->isEnabled());
    f.DeletePanel();
    f.ActRenameExecute();
    QCOMPARE(w.Names(), QStringList({"Global", "Calculator 1"}));
  }

  void rename() {
    TWindow w;
    TMainForm& f = *w.Form;
    QString label;
    AnswerRename("Spectrum & fit ", true, &label);
    f.ActRenameExecute();
    QCOMPARE(label, QString("Rename panel Calculator 1 to:"));
    QCOMPARE(f.PanelName(1), QString("Spectrum & fit "));
    QVERIFY(f.Modified());
    QVERIFY(f.RenameForm);
    QCOMPARE(f.RenameForm->windowTitle(), QString("Rename Panel"));

    f.SetModified(false);
    AnswerRename("ignored", false);
    f.ActRenameExecute();
    QCOMPARE(f.PanelName(1), QString("Spectrum & fit "));
    QVERIFY(!f.Modified());

    AnswerRename("", true);
    f.ActRenameExecute();
    QCOMPARE(f.PanelName(1), QString());

    // The names are stored as typed.
    AnswerRename("A&B", true);
    f.ActRenameExecute();
    const QString path = Dir.filePath("renamed.sma");
    w.SetText(0, "$g=1");
    f.FullPath = path;
    QVERIFY(f.SaveDocument());
    QCOMPARE(ReadFile(path), QByteArray("/*$$panel:Global$$*/\n$g=1/*$$panel:A&B$$*/\n"));
  }

  void droppedFiles() {
    const QString first = Dir.filePath("drop one.sma"), second = Dir.filePath("drop2.sma");
    WriteFile(first, "'first'");
    WriteFile(second, "'second'");
    TWindow w;
    TMainForm& f = *w.Form;
    QVERIFY(f.acceptDrops());
    f.FilesDropped({first, second, second});
    QCOMPARE(f.FullPath, first);
    QCOMPARE(w.Text(1), QString("'first'"));
    QCOMPARE(f.windowTitle(), QString("The Ostra Calculator - drop one.sma"));
    // A modified document passes the save prompt first.
    w.SetText(1, "x = 1234567890 + 1234567890 + 1234567890 + 1234567890");
    w.Answers = {QMessageBox::Cancel};
    f.FilesDropped({second});
    QCOMPARE(w.Questions.size(), 1);
    QCOMPARE(f.FullPath, first);
    w.Answers = {QMessageBox::No};
    f.FilesDropped({second});
    QCOMPARE(f.FullPath, second);
    QCOMPARE(w.Text(1), QString("'second'"));

    // The way the desktop delivers a drop: enter and drop on the window, over
    // the editor, which must not take the files as text.
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QWidget* viewport = w.Panel(1)->MemoEdit->viewport();
    const QPoint at = viewport->mapTo(&f, viewport->rect().center());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.windowHandle(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.windowHandle(), &drop);
    QCOMPARE(f.FullPath, first);
    QCOMPARE(w.Text(1), QString("'first'"));
  }

  void commandLinePath_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("path");
    QTest::newRow("none") << QStringList() << QString();
    QTest::newRow("plain") << QStringList({"/tmp/a.sma"}) << "/tmp/a.sma";
    QTest::newRow("blank, unquoted") << QStringList({"/tmp/my", "file.sma"}) << "/tmp/my file.sma";
    QTest::newRow("blank, quoted") << QStringList({"\"/tmp/my file.sma\""}) << "/tmp/my file.sma";
    QTest::newRow("quoted in parts") << QStringList({"\"/tmp/my", "file.sma\""}) << "/tmp/my file.sma";
    QTest::newRow("one argument with a blank") << QStringList({"/tmp/my file.sma"}) << "/tmp/my file.sma";
  }
  void commandLinePath() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, path);
    QCOMPARE(TMainForm::CommandLinePath(arguments), path);
  }

  void commandLineOpens() {
    const QString path = Dir.filePath("with blank.sma");
    WriteFile(path, "/*$$panel:Global$$*/\n$a=5/*$$panel:Use$$*/\n$a*2");
    for (const QStringList& args : {QStringList{path}, QStringList{"\"" + path + "\""}, path.split(u' ')}) {
      TWindow w;
      w.Form->OpenCommandLine(args);
      QCOMPARE(w.Form->FullPath, path);
      QCOMPARE(w.Names(), QStringList({"Global", "Use"}));
      QVERIFY(!w.Form->Modified());
    }
    TWindow none;
    none.Form->OpenCommandLine({});
    QVERIFY(!none.Form->HasFileName);
    QVERIFY(!none.Form->Modified());
  }

  // The whole first use: type, run, save, reopen, run again.
  void typeRunSaveReopen() {
    const QString path = Dir.filePath("first.sma");
    {
      TWindow w;
      TMainForm& f = *w.Form;
      QTest::keyClicks(w.Panel(1)->MemoEdit, "a=2, println(a^10), a*3");
      QSignalSpy finished(&f, &TMainForm::CalculationFinished);
      f.ActionStart->trigger();
      QVERIFY(finished.wait(10000));
      QCOMPARE(w.Panel(1)->edtResult->text(), QString("6"));
      w.Files = {path};
      f.ActionSave->trigger();
      QVERIFY(!f.Modified());
    }
    TWindow w;
    QVERIFY(w.Form->OpenDocument(path));
    QCOMPARE(w.Text(1), QString("a=2, println(a^10), a*3"));
    QSignalSpy finished(w.Form.get(), &TMainForm::CalculationFinished);
    w.Form->ActionStart->trigger();
    QVERIFY(finished.wait(10000));
    QCOMPARE(w.Panel(1)->edtResult->text(), QString("6"));
  }
};

QTEST_MAIN(DocumentTest)
#include "DocumentTest.moc"
