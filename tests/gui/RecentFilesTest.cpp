// File > Open recent: the documents opened and saved last, newest first, at
// most eight, kept for the next start; a file that is gone leaves the list
// with a message.

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "ScriptedMainForm.h"

namespace {

bool Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The paths the menu offers, as it shows them when it opens.
QStringList Offered(TMainForm& f) {
  emit f.RecentMenu->aboutToShow();
  QStringList paths;
  for (QAction* a : f.RecentMenu->actions()) paths << a->text().section(' ', 1);
  return paths;
}

}  // namespace

class RecentFilesTest : public QObject {
  Q_OBJECT
private slots:
  void init() { QSettings().clear(); }

  void openedAndSavedFilesNewestFirst() {
    QTemporaryDir dir;
    QStringList paths;
    for (int i = 0; i < 10; ++i) {
      paths << dir.filePath(QString("p%1.sma").arg(i));
      QVERIFY(Write(paths.last(), QByteArray::number(i)));
    }
    {
      TScriptedMainForm w;
      QVERIFY(!w.Form->RecentMenu->isEnabled());
      for (const QString& p : paths) QVERIFY(w.Form->OpenDocument(p));
      // Opening one again moves it to the top instead of listing it twice.
      QVERIFY(w.Form->OpenDocument(paths[5]));
      QCOMPARE(Offered(*w.Form),
               QStringList({paths[5], paths[9], paths[8], paths[7], paths[6], paths[4], paths[3], paths[2]}));
      QVERIFY(w.Form->RecentMenu->isEnabled());
      // Save as puts the new name first.
      w.Files << dir.filePath("saved.sma");
      QVERIFY(w.Form->FileSaveAsExecute());
      QCOMPARE(Offered(*w.Form).first(), dir.filePath("saved.sma"));
      QCOMPARE(Offered(*w.Form).size(), 8);
    }
    // The next window finds the list.
    TScriptedMainForm again;
    QCOMPARE(Offered(*again.Form).first(), dir.filePath("saved.sma"));
  }

  void choosingOpensAfterTheSavePrompt() {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.sma");
    QVERIFY(Write(path, "1+41"));
    TScriptedMainForm w;
    QVERIFY(w.Form->OpenDocument(path));
    w.Form->NewDocument();
    w.SetText(1, QString("x = 'a long enough program to be worth asking about' ,2"));
    QVERIFY(w.Form->Modified());
    // Cancel in the save prompt keeps the document.
    emit w.Form->RecentMenu->aboutToShow();
    w.Form->RecentMenu->actions().first()->trigger();
    QCOMPARE(w.Questions.size(), 1);
    QVERIFY(w.Panel(1)->Text().startsWith("x = "));
    w.Answers << QMessageBox::No;
    w.Form->RecentMenu->actions().first()->trigger();
    QCOMPARE(w.Panel(1)->Text(), QString("1+41"));
    QCOMPARE(w.Form->FullPath, path);
    QVERIFY(!w.Form->Modified());
  }

  void missingFileLeavesTheList() {
    QTemporaryDir dir;
    const QString gone = dir.filePath("gone.sma"), kept = dir.filePath("kept.sma");
    QVERIFY(Write(gone, "1") && Write(kept, "2"));
    TScriptedMainForm w;
    QVERIFY(w.Form->OpenDocument(kept));
    QVERIFY(w.Form->OpenDocument(gone));
    QVERIFY(QFile::remove(gone));
    emit w.Form->RecentMenu->aboutToShow();
    w.Form->RecentMenu->actions().first()->trigger();
    QCOMPARE(w.Questions.size(), 1);
    QCOMPARE(w.Questions[0].Icon, QMessageBox::Warning);
    QVERIFY(w.Questions[0].Text.contains(QDir::toNativeSeparators(gone)));
    QCOMPARE(Offered(*w.Form), QStringList({kept}));
    // The document shown is untouched.
    QCOMPARE(w.Panel(1)->Text(), QString("1"));
  }
};

QTEST_MAIN(RecentFilesTest)
#include "RecentFilesTest.moc"
