// No unsaved text is lost: the recovery copy of the modified document, its
// removal, the offer to restore the copies of a killed program, and saves
// that fail.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <cstring>

#include "ScriptedMainForm.h"
#include "engine/qt/Recovery.h"
#include "panels/qt/UserForm.h"

namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QStringList CopiesIn(const QString& folder) { return QDir(folder).entryList({"*.sma"}, QDir::Files); }

// A text with characters outside ASCII, as the editor holds it.
const QString Unsaved = QString::fromUtf8(
    "t=25 /* \xc2\xb0"
    "C */,\nt*2");

// The child process: opens the document, types into it, waits for the
// recovery copy and then dies as a killed program does.
int LeaveCopyAndDie(const QString& document) {
  TMainForm form;
  form.Ask = [](QMessageBox::Icon, const QString&, const QString&, QMessageBox::StandardButtons) {
    return QMessageBox::No;
  };
  if (!form.OpenDocument(document)) return 2;
  form.Panel(1)->MemoEdit->setPlainText(Unsaved);
  QTest::qWait(TMainForm::RecoveryDelay + 500);
  if (!QFile::exists(form.Recovery->DataPath())) return 3;
  std::raise(SIGKILL);
  return 4;
}

}  // namespace

class RecoveryTest : public QObject {
  Q_OBJECT
  QTemporaryDir Home;
  QString Folder;

private slots:
  void initTestCase() {
    qputenv("XDG_DATA_HOME", Home.filePath("data").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", Home.filePath("config").toLocal8Bit());
    Folder = TRecoveryStore::DefaultFolder();
    QVERIFY(Folder.startsWith(Home.path()));
  }

  void init() { QDir(Folder).removeRecursively(); }

  // The copy appears a few seconds after the last change, holds exactly the
  // bytes a save writes and goes when the document is saved.
  void copyFollowsChangesAndGoesOnSave() {
    QTemporaryDir dir;
    TScriptedMainForm w;
    TMainForm& f = *w.Form;
    const QString copy = f.Recovery->DataPath();
    w.SetText(1, Unsaved);
    f.AddCalculatorPanel();
    w.SetText(2, "1+1");
    QVERIFY(f.RecoveryTimer->isActive());
    QCOMPARE(f.RecoveryTimer->interval(), TMainForm::RecoveryDelay);
    QVERIFY(!QFile::exists(copy));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(copy), TMainForm::RecoveryDelay + 2000);
    const QByteArray copied = ReadAll(copy);

    w.Files << dir.filePath("saved.sma");
    QVERIFY(f.ActionSaveExecute());
    QVERIFY(!QFile::exists(copy));
    QCOMPARE(copied, ReadAll(dir.filePath("saved.sma")));
    QVERIFY(
        copied.contains("t=25 /* \xb0"
                        "C */,\r\nt*2"));
    QVERIFY(CopiesIn(Folder).isEmpty());

    // Each change restarts the wait; the copy follows the latest text.
    w.SetText(2, "2+2");
    f.WriteRecoveryCopy();
    QVERIFY(ReadAll(copy).endsWith("2+2"));
    // New discards the changes (after the prompt), and the copy with them.
    w.Answers << QMessageBox::No;
    f.ActionNewExecute();
    QVERIFY(!QFile::exists(copy));
    QVERIFY(!f.RecoveryTimer->isActive());
  }

  void closingRemovesTheCopyOnlyAfterTheUsersChoice() {
    TScriptedMainForm w;
    TMainForm& f = *w.Form;
    const QString copy = f.Recovery->DataPath();
    w.SetText(1, "x = 1, /* long enough for the save prompt to appear */ x*2");
    f.WriteRecoveryCopy();
    QVERIFY(QFile::exists(copy));
    w.Answers << QMessageBox::Cancel;
    QVERIFY(!f.close());
    QVERIFY(QFile::exists(copy));
    w.Answers << QMessageBox::No;
    QVERIFY(f.close());
    QVERIFY(!QFile::exists(copy));
  }

  // The real thing: a program killed with unsaved changes, and the next start.
  void restoreAfterKill() {
    QTemporaryDir dir;
    const QString document = dir.filePath("my run.sma");
    QVERIFY(WriteAll(document, "/*$$panel:Global$$*/\n$g=2/*$$panel:Calculator 1$$*/\n$g*3"));
    QProcess child;
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments({"--leave-copy-and-die", document});
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start();
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QCOMPARE(CopiesIn(Folder).size(), 1);
    const QByteArray copied = ReadAll(QDir(Folder).filePath(CopiesIn(Folder).first()));
    QCOMPARE(ReadAll(document), QByteArray("/*$$panel:Global$$*/\n$g=2/*$$panel:Calculator 1$$*/\n$g*3"));

    TScriptedMainForm w;
    TMainForm& f = *w.Form;
    w.Answers << QMessageBox::Yes;
    QVERIFY(f.OfferRecovery());
    QCOMPARE(w.Questions.size(), 1);
    QCOMPARE(w.Questions[0].Icon, QMessageBox::Question);
    QVERIFY(w.Questions[0].Text.contains(document));
    // Back as it was when the program died: text, panels, name and path,
    // still to be saved.
    QCOMPARE(f.PanelCount(), 2);
    QCOMPARE(w.Panel(0)->Text(), QString("$g=2"));
    QCOMPARE(w.Panel(1)->Text(), Unsaved);
    QVERIFY(f.Modified());
    QCOMPARE(f.FullPath, document);
    QVERIFY(f.windowTitle().endsWith("my run.sma"));
    // The dead program's copy has become this window's own.
    QCOMPARE(CopiesIn(Folder), QStringList{QFileInfo(f.Recovery->DataPath()).fileName()});
    QCOMPARE(ReadAll(f.Recovery->DataPath()), copied);

    QVERIFY(f.ActionSaveExecute());
    QCOMPARE(ReadAll(document), copied);
    QVERIFY(CopiesIn(Folder).isEmpty());
    QVERIFY(!f.OfferRecovery());
    QCOMPARE(w.Questions.size(), 1);
  }

  // Copies as a killed program leaves them, unnamed document; refused ones
  // are discarded, copies of a running window are not offered.
  void refusedAndLiveCopies() {
    QDir().mkpath(Folder);
    QVERIFY(WriteAll(QDir(Folder).filePath("999999-1.sma"), "1+\r\n2"));
    QVERIFY(WriteAll(QDir(Folder).filePath("999999-1.info"), "kind=macro\npath=\n"));
    TScriptedMainForm other;
    other.SetText(1, "live");
    other.Form->WriteRecoveryCopy();
    QCOMPARE(CopiesIn(Folder).size(), 2);

    TScriptedMainForm w;
    w.Answers << QMessageBox::No;
    QVERIFY(!w.Form->OfferRecovery());
    QCOMPARE(w.Questions.size(), 1);
    QVERIFY(w.Questions[0].Text.contains("unnamed"));
    QVERIFY(!w.Form->Modified());
    QCOMPARE(CopiesIn(Folder), QStringList{QFileInfo(other.Form->Recovery->DataPath()).fileName()});

    // Accepted, an unnamed copy stays unnamed.
    QVERIFY(WriteAll(QDir(Folder).filePath("999999-2.sma"), "(1+\r\n2"));
    QVERIFY(WriteAll(QDir(Folder).filePath("999999-2.info"), "kind=macro\npath=\n"));
    w.Answers << QMessageBox::Yes;
    QVERIFY(w.Form->OfferRecovery());
    QCOMPARE(w.Panel(1)->Text(), QString("(1+\n2"));
    QVERIFY(!w.Form->HasFileName);
    QVERIFY(w.Form->Modified());
    // The engine holds the restored text: its error shows.
    QVERIFY(w.Form->SyntaxError());
  }

  // A GUI editor keeps a copy of its layout while the layout differs from
  // its file; the copy a killed program left comes back in an editor of its
  // own, which writes it to the file it came from.
  void layoutCopies() {
    QTemporaryDir dir;
    const QString path = dir.filePath("my panel.gui");
    const QByteArray saved = "0,1,2,21,4,3,Speed,1\r\n";
    const QByteArray changed = saved + "0,1,6,21,8,4,Set,1\r\n";
    QVERIFY(WriteAll(path, saved));
    {
      TUserForm editor;
      QVERIFY(editor.LoadFile(path));
      editor.UpdateRecoveryCopy();
      QVERIFY(CopiesIn(Folder).isEmpty());
      editor.Model().Panel.Controls.push_back(Ostra::ControlOf({"0", "1", "6", "21", "8", "4", "Set", "1"}));
      editor.UpdateRecoveryCopy();
      QCOMPARE(CopiesIn(Folder).size(), 1);
      QCOMPARE(ReadAll(editor.Recovery->DataPath()), changed);
      QVERIFY(editor.Save());
      QVERIFY(CopiesIn(Folder).isEmpty());
      QCOMPARE(ReadAll(path), changed);
    }

    QVERIFY(WriteAll(path, saved));
    QVERIFY(WriteAll(QDir(Folder).filePath("999999-3.sma"), changed));
    QVERIFY(WriteAll(QDir(Folder).filePath("999999-3.info"),
                     "kind=layout\npath=" + path.toUtf8().toPercentEncoding() + "\n"));
    TScriptedMainForm w;
    w.Answers << QMessageBox::Yes;
    QVERIFY(!w.Form->OfferRecovery());  // the document in the main window stays as it is
    QCOMPARE(w.Questions.size(), 1);
    QVERIFY(w.Questions[0].Text.contains(path));
    TUserForm* editor = w.Form->findChild<TUserForm*>();
    QVERIFY(editor);
    QVERIFY(editor->isVisible());
    QCOMPARE(editor->FileName, path);
    QCOMPARE(editor->Model().Panel.Controls.size(), size_t(2));
    QCOMPARE(CopiesIn(Folder), QStringList{QFileInfo(editor->Recovery->DataPath()).fileName()});
    QVERIFY(editor->close());
    QCOMPARE(ReadAll(path), changed);
    QVERIFY(CopiesIn(Folder).isEmpty());
  }

  // A save that fails says why and leaves the document modified under its
  // old name.
  void failedSaveKeepsTheDocumentUnsaved() {
    QTemporaryDir dir;
    TScriptedMainForm w;
    TMainForm& f = *w.Form;
    const QString first = dir.filePath("first.sma");
    w.SetText(1, "1");
    w.Files << first;
    QVERIFY(f.FileSaveAsExecute());
    w.SetText(1, "2");
    w.Files << dir.filePath("missing folder/second.sma");
    QVERIFY(!f.FileSaveAsExecute());
    QCOMPARE(w.Questions.size(), 1);
    QCOMPARE(w.Questions[0].Icon, QMessageBox::Critical);
    QVERIFY(w.Questions[0].Text.contains("second.sma"));
    QVERIFY(f.Modified());
    QCOMPARE(f.FullPath, first);
    QVERIFY(f.windowTitle().endsWith(" - first.sma"));
    QVERIFY(f.ActionSave->isEnabled());
    QCOMPARE(ReadAll(first), QByteArray("1"));
    // The file itself becomes unwritable: Save fails the same way.
    QVERIFY(QFile::remove(first));
    QVERIFY(QDir().mkdir(first));
    QVERIFY(!f.ActionSaveExecute());
    QCOMPARE(w.Questions.size(), 2);
    QVERIFY(f.Modified());
    QCOMPARE(f.FullPath, first);
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc == 3 && std::strcmp(argv[1], "--leave-copy-and-die") == 0) return LeaveCopyAndDie(argv[2]);
  RecoveryTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "RecoveryTest.moc"
