// Completion of function names while typing, built-in and user-defined (in
// the panel and in the Global panel), and the signature shown while typing
// the arguments.

#include <QAbstractItemView>
#include <QCompleter>
#include <QPlainTextEdit>
#include <QToolTip>
#include <QtTest>
#include <memory>

#include "ScriptedMainForm.h"
#include "workbench/Libraries.h"
#include "workbench/qt/Completion.h"

namespace {

QStringList Offered(TCompletion* c) {
  QStringList names;
  QAbstractItemModel* m = c->Completer->completionModel();
  for (int i = 0; i < m->rowCount(); ++i) names << m->index(i, 0).data().toString();
  return names;
}

// The catalogue's signature of a built-in.
QString BuiltinSignature(const char* name) {
  const std::unique_ptr<TernioParser::TFunction> node(TernioParser::FindBuiltin(name)->Create());
  return QString(name) + QString::fromStdString(node->Signature());
}

}  // namespace

class CompletionTest : public QObject {
  Q_OBJECT
private slots:
  void builtinNameCompletesWithItsSignature() {
    TScriptedMainForm w;
    QPlainTextEdit* editor = w.ShowWithFocus(1);
    QVERIFY(editor);
    TCompletion* c = w.Panel(1)->Completion;
    QTest::keyClicks(editor, "x = sq");
    QTRY_VERIFY(c->Completer->popup()->isVisible());
    QVERIFY(Offered(c).contains("sqrt"));
    for (const QString& n : Offered(c)) QVERIFY2(n.startsWith("sq"), qPrintable(n));
    // Walk to sqrt in the list and take it.
    while (c->Completer->popup()->currentIndex().data().toString() != "sqrt")
      QTest::keyClick(c->Completer->popup(), Qt::Key_Down);
    QTest::keyClick(c->Completer->popup(), Qt::Key_Return);
    QCOMPARE(w.Panel(1)->Text(), QString("x = sqrt("));
    QVERIFY(!c->Completer->popup()->isVisible());
    QCOMPARE(c->ShownSignature(), BuiltinSignature("sqrt"));
    QTRY_COMPARE(QToolTip::text(), BuiltinSignature("sqrt"));
    // The signature stays while typing the arguments, and goes after the call.
    QTest::keyClicks(editor, "2");
    QTRY_COMPARE(c->ShownSignature(), BuiltinSignature("sqrt"));
    QTest::keyClicks(editor, ")");
    QTRY_COMPARE(c->ShownSignature(), QString());
    // One character is not enough to offer anything.
    QTest::keyClicks(editor, "+s");
    QTest::qWait(20);
    QVERIFY(!c->Completer->popup()->isVisible());
  }

  // The "(" that comes with a taken name is not doubled by the one the
  // user types next; later ones are typed as usual.
  void typedBracketStepsOverTheInsertedOne() {
    TScriptedMainForm w;
    QPlainTextEdit* editor = w.ShowWithFocus(1);
    QVERIFY(editor);
    TCompletion* c = w.Panel(1)->Completion;
    const auto take = [&](const QString& typed) {
      QTest::keyClicks(editor, typed);
      QTRY_VERIFY(c->Completer->popup()->isVisible());
      while (c->Completer->popup()->currentIndex().data().toString() != "sqrt")
        QTest::keyClick(c->Completer->popup(), Qt::Key_Down);
      QTest::keyClick(c->Completer->popup(), Qt::Key_Return);
    };
    take("x = sq");
    QTest::keyClicks(editor, "(");
    QCOMPARE(w.Panel(1)->Text(), QString("x = sqrt("));
    QCOMPARE(editor->textCursor().position(), 9);
    QTest::keyClicks(editor, "(");
    QCOMPARE(w.Panel(1)->Text(), QString("x = sqrt(("));
    // Moving away ends the step-over.
    QTest::keyClicks(editor, "1))+");
    take("sq");
    QTest::keyClick(editor, Qt::Key_Left);
    QTest::keyClick(editor, Qt::Key_Right);
    QTest::keyClicks(editor, "(");
    QCOMPARE(w.Panel(1)->Text(), QString("x = sqrt((1))+sqrt(("));
  }

  void userDefinedNamesOfPanelAndGlobal() {
    TScriptedMainForm w;
    w.SetText(0, "define(myglobal(a; b[]); a + b[0])");
    QPlainTextEdit* editor = w.ShowWithFocus(1);
    QVERIFY(editor);
    TCompletion* c = w.Panel(1)->Completion;
    w.SetText(1, "define(mylocal(x); x*2),\n");
    editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor, "my");
    QTRY_VERIFY(c->Completer->popup()->isVisible());
    QCOMPARE(Offered(c), QStringList({"myglobal", "mylocal"}));
    QTest::keyClick(c->Completer->popup(), Qt::Key_Escape);
    QVERIFY(!c->Completer->popup()->isVisible());
    QCOMPARE(w.Panel(1)->Text(), QString("define(mylocal(x); x*2),\nmy"));
    QTest::keyClicks(editor, "global(1;");
    QTRY_COMPARE(c->ShownSignature(), QString("myglobal(a;b[])"));
    // A definition in the panel comes before a built-in of the same name.
    QCOMPARE(TCompletion::SignatureOf("sqrt", "define(sqrt(v); v)"), QString("sqrt(v)"));
    QCOMPARE(TCompletion::SignatureOf("nosuchname", ""), QString());
  }
};

QTEST_MAIN(CompletionTest)
#include "CompletionTest.moc"
