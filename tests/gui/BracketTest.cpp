// The bracket pair at the caret: ( ) and [ ] of the code, the nesting
// comment brackets, brackets in strings and comments left alone, and the
// highlight in the editor as the caret moves.

#include <QPlainTextEdit>
#include <QtTest>

#include "ScriptedMainForm.h"
#include "workbench/qt/BracketMatch.h"

using Ostra::TBracketPair;

namespace {

// The highlighted ranges of the bracket layer as "start+length" and whether
// they are in the colour of a pair.
QStringList Highlights(QPlainTextEdit* editor, bool* matched) {
  QStringList marks;
  for (const QTextEdit::ExtraSelection& s : editor->extraSelections()) {
    const QColor c = s.format.background().color();
    if (c != TBracketMatcher::MatchColour && c != TBracketMatcher::MismatchColour) continue;
    *matched = c == TBracketMatcher::MatchColour;
    marks << QString("%1+%2").arg(s.cursor.selectionStart()).arg(s.cursor.selectionEnd() - s.cursor.selectionStart());
  }
  return marks;
}

}  // namespace

class BracketTest : public QObject {
  Q_OBJECT
private slots:
  void pairAtCaret_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("open");
    QTest::addColumn<int>("close");
    QTest::addColumn<int>("length");
    QTest::newRow("before an opening bracket") << "f(a[1])" << 1 << 1 << 6 << 1;
    QTest::newRow("after a closing bracket") << "f(a[1]+2)" << 6 << 3 << 5 << 1;
    QTest::newRow("the one after the caret first") << "(a)(b)" << 3 << 3 << 5 << 1;
    QTest::newRow("over lines") << "if(1;\n 2;\n 3)" << 2 << 2 << 12 << 1;
    QTest::newRow("string brackets are text") << "s=(')(' + \")\")" << 2 << 2 << 13 << 1;
    QTest::newRow("doubled quote stays in the string") << "('it'')s')" << 0 << 0 << 9 << 1;
    QTest::newRow("comment brackets are text") << "(1 /* ) */)" << 0 << 0 << 10 << 1;
    QTest::newRow("nested comment, outer") << "/* a /* b */ c */ 1" << 0 << 0 << 15 << 2;
    QTest::newRow("nested comment, inner, caret after it") << "/* a /* b */ c */ 1" << 12 << 5 << 10 << 2;
    QTest::newRow("caret inside a comment bracket") << "/* x */" << 1 << 0 << 5 << 2;
    QTest::newRow("no partner") << "(1+(2)" << 0 << 0 << -1 << 1;
    QTest::newRow("wrong partner") << "(1]" << 3 << -1 << 2 << 1;
    QTest::newRow("comment not closed") << "1 /* a /* b */" << 2 << 2 << -1 << 2;
    QTest::newRow("nothing at the caret") << "(1 + 2)" << 3 << -2 << -2 << 0;
    QTest::newRow("inside a string") << "'(a)'" << 1 << -2 << -2 << 0;
  }
  void pairAtCaret() {
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(int, open);
    QFETCH(int, close);
    QFETCH(int, length);
    const std::optional<TBracketPair> p = Ostra::BracketPairAtCaret(text, caret);
    if (open == -2) {
      QVERIFY(!p);
      return;
    }
    QVERIFY(p);
    QCOMPARE(p->Open, open);
    QCOMPARE(p->Close, close);
    QCOMPARE(p->Length, length);
  }

  // The editor highlights the pair while the caret moves over the text.
  void editorHighlightsThePair() {
    TScriptedMainForm w;
    QPlainTextEdit* editor = w.ShowWithFocus(1);
    QVERIFY(editor);
    QTest::keyClicks(editor, "f(a[1]");
    bool matched = false;
    // The caret after the ]: its pair.
    QCOMPARE(Highlights(editor, &matched), QStringList({"3+1", "5+1"}));
    QVERIFY(matched);
    QTest::keyClick(editor, Qt::Key_Home);
    QTest::keyClick(editor, Qt::Key_Right);
    // Before the ( that has no partner yet.
    QCOMPARE(Highlights(editor, &matched), QStringList({"1+1"}));
    QVERIFY(!matched);
    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClicks(editor, ")");
    QTest::keyClick(editor, Qt::Key_Home);
    QTest::keyClick(editor, Qt::Key_Right);
    QCOMPARE(Highlights(editor, &matched), QStringList({"1+1", "6+1"}));
    QVERIFY(matched);
    // Away from brackets: nothing.
    w.SetText(1, "a + b");
    editor->moveCursor(QTextCursor::End);
    QTest::keyClick(editor, Qt::Key_Left);
    QCOMPARE(Highlights(editor, &matched), QStringList());
  }
};

QTEST_MAIN(BracketTest)
#include "BracketTest.moc"
