// Typing into long programs: the parse waits until typing pauses, everything
// that needs the parse state gets the latest text, and the colouring does the
// lines on screen first and the rest between the keys.

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

#include "ScriptedMainForm.h"
#include "workbench/qt/SyntaxColouring.h"

namespace {

// 5 000 lines, 95 000 tokens; the value is 4999.
QString LongProgram() {
  QString program;
  for (int i = 0; i < 5000; ++i)
    program += QString("v%1 = %1 * 2.5 + (%1 - 3) / 7, s = 'line %1', /* note */\n").arg(i);
  return program + "4999";
}

bool Coloured(QPlainTextEdit* editor, int line) {
  return !editor->document()->findBlockByNumber(line).layout()->formats().isEmpty();
}

void TypeAtEnd(QPlainTextEdit* editor, const QString& keys) {
  editor->moveCursor(QTextCursor::End);
  QTest::keyClicks(editor, keys);
}

}  // namespace

class TypingTest : public QObject {
  Q_OBJECT
private slots:
  // A key in a long program is not parsed with the key; the parse follows the
  // pause and then shows the error and its mark.
  void parseFollowsThePause() {
    TScriptedMainForm w;
    TMainForm& f = *w.Form;
    QPlainTextEdit* editor = w.ShowWithFocus(1);
    QVERIFY(editor);
    w.SetText(1, LongProgram());
    f.CheckPanelText(w.Panel(1));
    QVERIFY(!f.SyntaxError());
    TypeAtEnd(editor, "+");
    QCOMPARE(f.ParsePendingPanel(), w.Panel(1));
    QVERIFY(!f.SyntaxError());
    QVERIFY(f.Modified());
    QTRY_VERIFY_WITH_TIMEOUT(f.SyntaxError(), 3000);
    QCOMPARE(f.ParsePendingPanel(), nullptr);
    QVERIFY(w.Panel(1)->MemoEdit->HasError());
    QCOMPARE(f.PanelError->text(), QString("Error"));
  }

  // Start right after the last key runs (or refuses) the text as typed.
  void startTakesTheLatestText() {
    TScriptedMainForm w;
    TMainForm& f = *w.Form;
    QPlainTextEdit* editor = w.ShowWithFocus(1);
    QVERIFY(editor);
    w.SetText(1, LongProgram() + "+");
    f.CheckPanelText(w.Panel(1));
    QVERIFY(f.SyntaxError());
    QVERIFY(!f.ActionStart->isEnabled());
    // The fix is not parsed yet, but F2 is already there for it.
    editor->moveCursor(QTextCursor::End);
    QTest::keyClick(editor, Qt::Key_Backspace);
    TypeAtEnd(editor, "*2");
    QVERIFY(f.ParsePendingPanel());
    QVERIFY(f.ActionStart->isEnabled());
    f.ActionStart->trigger();
    QVERIFY(f.Running() || !f.SyntaxError());
    QVERIFY(w.WaitIdle(30000));
    QCOMPARE(w.Panel(1)->edtResult->text(), QString("9998"));
    // A new error typed just before Start is refused at once.
    TypeAtEnd(editor, ")");
    f.ActionStartExecute();
    QVERIFY(!f.Running());
    QVERIFY(f.SyntaxError());
    QVERIFY(!f.ActionStart->isEnabled());
  }

  // An unparsed edit of the Global panel reaches its engine before the other
  // panel is parsed and run.
  void pendingGlobalEditGoesFirst() {
    TScriptedMainForm w;
    TMainForm& f = *w.Form;
    QPlainTextEdit* global = w.ShowWithFocus(0);
    QVERIFY(global);
    w.SetText(0, LongProgram() + ", define(k(); 1)");
    f.CheckPanelText(w.Panel(0));
    QVERIFY(!f.SyntaxError());
    global->moveCursor(QTextCursor::End);
    QTest::keyClick(global, Qt::Key_Backspace);
    QTest::keyClick(global, Qt::Key_Backspace);
    QTest::keyClicks(global, "7)");
    QCOMPARE(f.ParsePendingPanel(), w.Panel(0));
    f.PageControl->setCurrentIndex(1);
    QCOMPARE(f.ParsePendingPanel(), nullptr);
    w.SetText(1, "k()");
    f.ActionStartExecute();
    QVERIFY(w.WaitIdle(30000));
    QCOMPARE(w.Panel(1)->edtResult->text(), QString("7"));
  }

  // The lines on screen are coloured at once, the others from the event loop;
  // an edit in between leaves the rest for the next parse.
  void screenFirstThenTheRest() {
    TScriptedMainForm w;
    TMainForm& f = *w.Form;
    QPlainTextEdit* editor = w.ShowWithFocus(1);
    QVERIFY(editor);
    w.SetText(1, LongProgram());
    f.CheckPanelText(w.Panel(1));
    auto* colourer = editor->findChild<TSyntaxColourer*>();
    QVERIFY(colourer);
    colourer->HighlightTimer->stop();
    QSignalSpy done(colourer, &TSyntaxColourer::Coloured);
    colourer->StartColouring();
    QVERIFY(Coloured(editor, 0) && Coloured(editor, 5));
    QVERIFY(!Coloured(editor, 4000));
    QVERIFY(colourer->ColouringPending());
    QVERIFY(done.wait(5000));
    QVERIFY(Coloured(editor, 4000) && Coloured(editor, 5000));
    QVERIFY(!colourer->ColouringPending());

    // Again on a text with fresh blocks: the first key ends the slices.
    w.SetText(1, LongProgram());
    f.CheckPanelText(w.Panel(1));
    colourer->HighlightTimer->stop();
    colourer->StartColouring();
    TypeAtEnd(editor, " ");
    QVERIFY(!colourer->ColouringPending());
    QTest::qWait(50);
    QVERIFY(!Coloured(editor, 4000));
    QCOMPARE(done.count(), 1);
  }
};

QTEST_MAIN(TypingTest)
#include "TypingTest.moc"
