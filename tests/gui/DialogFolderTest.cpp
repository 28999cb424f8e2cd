// File dialogs never open in a folder they cannot list safely: a pseudo file
// system (/proc, /sys, /dev) or a folder that is gone gives way to the home
// folder. Checked for the folder choice itself and for the GUI editor's save
// dialog after a layout named in /proc could not be written.

#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "engine/qt/DialogFolder.h"
#include "panels/qt/UserForm.h"

class DialogFolderTest : public QObject {
  Q_OBJECT
  QTemporaryDir Dir;

private slots:
  void folderChoice_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");  // "home", "temp" or "current"
    QTest::newRow("file in /proc") << "/proc/test.gui"
                                   << "home";
    QTest::newRow("/proc itself") << "/proc"
                                  << "home";
    QTest::newRow("folder in /sys") << "/sys/kernel"
                                    << "home";
    QTest::newRow("device file") << "/dev/null"
                                 << "home";
    QTest::newRow("folder that is gone") << "/nonexistent-folder/a.gui"
                                         << "home";
    QTest::newRow("new file in a real folder") << "TEMP/new.gui"
                                               << "temp";
    QTest::newRow("real folder") << "TEMP"
                                 << "temp";
    QTest::newRow("no preset") << ""
                               << "current";
  }
  void folderChoice() {
    QFETCH(QString, path);
    QFETCH(QString, folder);
    path.replace("TEMP", Dir.path());
    const QString expected = folder == "home"   ? QDir::homePath()
                             : folder == "temp" ? Dir.path()
                                                : QDir::currentPath();
    QCOMPARE(QDir(Ostra::DialogFolder(path)).canonicalPath(), QDir(expected).canonicalPath());
  }

  void currentFolderInProc() {
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent("/proc"));
    const QString chosen = Ostra::DialogFolder(QString());
    QDir::setCurrent(before);
    QCOMPARE(chosen, QDir::homePath());
  }

  // File > Create / Edit GUI with /proc/test.gui: closing cannot write the
  // layout; Cancel on "close anyway?" brings up the save dialog, which
  // opens in the home folder with the name kept.
  void editorSaveDialogAfterFailedWrite() {
    TGuiDialogs saved = GuiDialogs();
    int asked = 0;
    GuiDialogs().Ask =
        [&](QWidget*, QMessageBox::Icon, const QString&, const QString&, QMessageBox::StandardButtons) {
          return ++asked == 1 ? QMessageBox::Cancel : QMessageBox::Ok;
        };
    QString dialogFolder, dialogName;
    bool sawDialog = false;
    QTimer probe;
    probe.setInterval(20);
    connect(&probe, &QTimer::timeout, this, [&] {
      auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dlg) return;
      sawDialog = true;
      dialogFolder = dlg->directory().absolutePath();
      dialogName = dlg->selectedFiles().value(0);
      dlg->reject();
    });
    probe.start();
    {
      TUserForm editor;
      editor.LoadFile("/proc/test.gui");
      editor.show();
      QVERIFY(!editor.close());  // the save dialog was cancelled: the editor stays
      QVERIFY(editor.isVisible());
      QVERIFY(editor.close());  // "close anyway?" answered OK
    }
    probe.stop();
    GuiDialogs() = saved;
    QVERIFY(sawDialog);
    QCOMPARE(QDir(dialogFolder).canonicalPath(), QDir(QDir::homePath()).canonicalPath());
    QCOMPARE(QFileInfo(dialogName).fileName(), QString("test.gui"));
  }
};

QTEST_MAIN(DialogFolderTest)
#include "DialogFolderTest.moc"
