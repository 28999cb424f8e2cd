// Find, find next, replace and go to line in the editor panels, through
// their shortcuts and the find bar's fields.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QtTest>

#include "ScriptedMainForm.h"
#include "workbench/qt/FindBar.h"
#include "workbench/qt/Translation.h"

class FindTest : public QObject {
  Q_OBJECT
private slots:
  void editMenuHasTheCommands() {
    TScriptedMainForm w;
    QMenu* edit = nullptr;
    for (QAction* a : w.Form->menuBar()->actions())
      if (a->text() == "&Edit") edit = a->menu();
    QVERIFY(edit);
    QStringList keys;
    for (QAction* a : edit->actions())
      if (a == w.Form->EditFind || a == w.Form->EditFindNext || a == w.Form->EditReplace || a == w.Form->EditGoToLine)
        keys << a->shortcut().toString();
    QCOMPARE(keys, QStringList({"Ctrl+F", "F3", "Ctrl+H", "Ctrl+G"}));
  }

  // The editor's new commands and fields speak German with the German
  // translation.
  void germanTexts() {
    QVERIFY(Ostra::InstallTranslation(QLocale(QLocale::German, QLocale::Germany)));
    {
      TScriptedMainForm w;
      QCOMPARE(w.Form->EditFind->text(), QString("&Suchen..."));
      QCOMPARE(w.Form->EditGoToLine->statusTip(), QString("Die Schreibmarke in eine Zeile des Programms setzen"));
      QCOMPARE(w.Form->RecentMenu->title(), QString::fromUtf8("&Zuletzt geöffnet"));
      TFindBar* bar = w.Panel(1)->FindBar;
      QCOMPARE(bar->BtnReplaceAll->text(), QString("Alle ersetzen"));
      w.SetText(1, "a a a");
      bar->FindEdit->setText("a");
      bar->ReplaceEdit->setText("b");
      QCOMPARE(bar->ReplaceAll(), 3);
      QCOMPARE(bar->Note->text(), QString("3 ersetzt"));
    }
    Ostra::InstallTranslation(QLocale(QLocale::English));
  }

  void findAndFindNextWrapAround() {
    TScriptedMainForm w;
    QPlainTextEdit* editor = w.ShowWithFocus(1);
    QVERIFY(editor);
    TFindBar* bar = w.Panel(1)->FindBar;
    w.SetText(1, "a=1, b=a+1,\nA+a");
    QVERIFY(!bar->isVisible());
    QTest::keyClick(editor, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(bar->isVisible());
    QVERIFY(bar->FindEdit->hasFocus());
    QVERIFY(!bar->ReplaceEdit->isVisible());
    // Off at first, as in other editors; asked for, case matters.
    QVERIFY(!bar->MatchCase->isChecked());
    bar->MatchCase->setChecked(true);
    QTest::keyClicks(bar->FindEdit, "a");
    QTest::keyClick(bar->FindEdit, Qt::Key_Return);
    QList<int> found{editor->textCursor().selectionStart()};
    for (int i = 0; i < 3; ++i) {
      QTest::keyClick(bar->FindEdit, Qt::Key_F3);
      found << editor->textCursor().selectionStart();
    }
    // Case matters, and the search starts over.
    QCOMPARE(found, QList<int>({0, 7, 14, 0}));
    QCOMPARE(editor->textCursor().selectedText(), QString("a"));
    bar->MatchCase->setChecked(false);
    editor->moveCursor(QTextCursor::End);
    QVERIFY(bar->FindNext());
    QCOMPARE(editor->textCursor().selectionStart(), 0);
    QVERIFY(bar->FindNext());
    QCOMPARE(editor->textCursor().selectionStart(), 7);
    QVERIFY(bar->FindNext());
    QCOMPARE(editor->textCursor().selectionStart(), 12);
    // Nowhere: the bar says so and the selection stays.
    bar->FindEdit->setText("zz");
    QTest::keyClick(bar->FindEdit, Qt::Key_Return);
    QCOMPARE(bar->Note->text(), QString("Not found"));
    QCOMPARE(editor->textCursor().selectionStart(), 12);
    // Escape goes back to the editor.
    QTest::keyClick(bar->FindEdit, Qt::Key_Escape);
    QVERIFY(!bar->isVisible());
    QVERIFY(editor->hasFocus());
  }

  void replaceOneAndAll() {
    TScriptedMainForm w;
    TMainForm& f = *w.Form;
    QPlainTextEdit* editor = w.ShowWithFocus(1);
    QVERIFY(editor);
    TFindBar* bar = w.Panel(1)->FindBar;
    w.SetText(1, "a=1, b=a+1, a");
    QTest::keyClick(editor, Qt::Key_H, Qt::ControlModifier);
    QVERIFY(bar->ReplaceEdit->isVisible());
    QTest::keyClicks(bar->FindEdit, "a");
    QTest::keyClicks(bar->ReplaceEdit, "xy");
    // Replace finds first, then replaces the found place and finds the next.
    QTest::mouseClick(bar->BtnReplace, Qt::LeftButton);
    QCOMPARE(w.Panel(1)->Text(), QString("a=1, b=a+1, a"));
    QTest::mouseClick(bar->BtnReplace, Qt::LeftButton);
    QCOMPARE(w.Panel(1)->Text(), QString("xy=1, b=a+1, a"));
    QCOMPARE(editor->textCursor().selectedText(), QString("a"));
    QTest::mouseClick(bar->BtnReplaceAll, Qt::LeftButton);
    QCOMPARE(w.Panel(1)->Text(), QString("xy=1, b=xy+1, xy"));
    QCOMPARE(bar->Note->text(), QString("2 replaced"));
    QVERIFY(f.Modified());
    // Replace all is one step to undo.
    editor->undo();
    QCOMPARE(w.Panel(1)->Text(), QString("xy=1, b=a+1, a"));
  }

  void goToLineMovesAndScrolls() {
    TScriptedMainForm w;
    QPlainTextEdit* editor = w.ShowWithFocus(1);
    QVERIFY(editor);
    TFindBar* bar = w.Panel(1)->FindBar;
    w.SetText(1, QString("x=1,\n").repeated(300) + "x");
    editor->moveCursor(QTextCursor::Start);
    QTest::keyClick(editor, Qt::Key_G, Qt::ControlModifier);
    QVERIFY(bar->LineEdit->hasFocus());
    QCOMPARE(bar->LineEdit->text(), QString("1"));
    QTest::keyClicks(bar->LineEdit, "250");
    QTest::keyClick(bar->LineEdit, Qt::Key_Return);
    QCOMPARE(editor->textCursor().blockNumber(), 249);
    QCOMPARE(editor->textCursor().positionInBlock(), 0);
    QVERIFY(editor->viewport()->rect().contains(editor->cursorRect()));
    QVERIFY(!bar->isVisible());
    QVERIFY(editor->hasFocus());
    // Beyond the end: the last line.
    bar->GoToLine(9999);
    QCOMPARE(editor->textCursor().blockNumber(), 300);
  }
};

QTEST_MAIN(FindTest)
#include "FindTest.moc"
