// Syntax colouring of the editor from the parser's token list: colours per
// token kind, the 200 ms delay, the editor state it must leave alone, and
// text that does not parse.

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>
#include <list>

#include "engine/Parser.h"
#include "workbench/Libraries.h"
#include "engine/qt/CodePage.h"
#include "workbench/qt/SyntaxColouring.h"

using namespace TernioParser;

namespace {

// The colour the layout shows at a document position; invalid when the
// character carries no colour.
QColor ColourAt(QPlainTextEdit& editor, int position) {
  const QTextBlock b = editor.document()->findBlock(position);
  const int offset = position - b.position();
  for (const QTextLayout::FormatRange& r : b.layout()->formats())
    if (offset >= r.start && offset < r.start + r.length) return r.format.foreground().color();
  return QColor();
}

// Mask letters: G dark green, M maroon, B blue, K black, R grey, - no
// colour, . not checked (line breaks).
QColor MaskColour(QChar c) {
  switch (c.toLatin1()) {
    case 'G': return QColor(0, 128, 0);
    case 'M': return QColor(128, 0, 0);
    case 'B': return QColor(0, 0, 255);
    case 'K': return QColor(0, 0, 0);
    case 'R': return QColor(128, 128, 128);
    default: return QColor();
  }
}

QString ColourMask(QPlainTextEdit& editor) {
  QString mask;
  const int n = editor.document()->characterCount() - 1;
  for (int i = 0; i < n; ++i) {
    if (editor.document()->characterAt(i) == QChar::ParagraphSeparator) {
      mask += '.';
      continue;
    }
    const QColor c = ColourAt(editor, i);
    QChar letter = '-';
    for (char l : {'G', 'M', 'B', 'K', 'R'})
      if (c.isValid() && c == MaskColour(QChar(l))) letter = QChar(l);
    mask += letter;
  }
  return mask;
}

// Parses the editor's text the way the main window does; ok tells whether it
// parsed.
struct TParse {
  TVarHandler::TGlobalList Globals;
  TGUIParser Engine{&Globals, StandardLayers()};
  std::list<TCodePosInfo> Tokens;
  bool Parse(QPlainTextEdit& editor) {
    Tokens.clear();
    Engine.SetText(Ostra::ToCodePage(editor.toPlainText()));
    return Engine.Parse(&Tokens);
  }
};

}  // namespace

class ColouringTest : public QObject {
  Q_OBJECT
private slots:
  void coloursPerKind_data();
  void coloursPerKind();
  void colouringWaitsForQuietTyping();
  void leavesEditorStateAlone();
  void noColouringWhileTextDoesNotParse();
  void typingKeepsColoursInPlace();
  void largeDocument();
};

void ColouringTest::coloursPerKind_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("mask");
  QTest::newRow("assignment") << "a=1"
                              << "GKB";
  QTest::newRow("blanks take the token's colour") << "a = 10 * b"
                                                  << "GGKKBBBKKG";
  QTest::newRow("leading blank lines take the first colour") << "  \n\na=1"
                                                             << "GG..GKB";
  QTest::newRow("string with backslash and braces") << "s='c:\\{x}'"
                                                    << "GKBBBBBBBB";
  QTest::newRow("comment grey up to next token") << "/* note */ a=1"
                                                 << "RRRRRRRRRRRGKB";
  QTest::newRow("array and sign") << "b[0]=-3"
                                  << "GMBMKBB";
  QTest::newRow("function call") << "if(1;x;'s')"
                                 << "KKMBMGMBBBM";
  QTest::newRow("across lines") << "x=1,\n y=2"
                                << "GKBK.KGKB";
  QTest::newRow("character outside 16 bits") << QString::fromUtf8("s='\U0001F600', a=1") << "GKBBBBKKGKB";
}

void ColouringTest::coloursPerKind() {
  QFETCH(QString, text);
  QFETCH(QString, mask);
  QPlainTextEdit editor;
  editor.setPlainText(text);
  TSyntaxColourer colourer(&editor);
  TParse p;
  QVERIFY(p.Parse(editor));
  colourer.ColourNow(p.Tokens);
  QCOMPARE(ColourMask(editor), mask);
  QCOMPARE(editor.toPlainText(), text);
}

void ColouringTest::colouringWaitsForQuietTyping() {
  QPlainTextEdit editor;
  TSyntaxColourer colourer(&editor);
  TParse p;
  editor.setPlainText("a=1");
  QVERIFY(p.Parse(editor));
  colourer.TokensParsed(p.Tokens);
  QCOMPARE(ColourMask(editor), QString("---"));
  QVERIFY(colourer.HighlightTimer->isActive());
  QCOMPARE(colourer.HighlightTimer->interval(), 200);
  QVERIFY(colourer.HighlightTimer->isSingleShot());
  // Another parse before the delay is over restarts it. (No events are
  // processed while sleeping, so the timer cannot fire meanwhile.)
  QTest::qSleep(120);
  QVERIFY(colourer.HighlightTimer->remainingTime() <= 90);
  colourer.TokensParsed(p.Tokens);
  QVERIFY(colourer.HighlightTimer->remainingTime() > 150);
  QCOMPARE(ColourMask(editor), QString("---"));
  QTRY_COMPARE_WITH_TIMEOUT(ColourMask(editor), QString("GKB"), 1000);
  QVERIFY(!colourer.HighlightTimer->isActive());
}

void ColouringTest::leavesEditorStateAlone() {
  QPlainTextEdit editor;
  editor.resize(200, 120);
  QString text;
  for (int i = 0; i < 200; ++i) text += QString("x%1 = %1 * 2 + 'text',\n").arg(i);
  text += "1";
  editor.setPlainText(text);
  editor.show();
  QVERIFY(QTest::qWaitForWindowExposed(&editor));
  editor.document()->setModified(false);
  QTextCursor c = editor.textCursor();
  c.setPosition(1000);
  c.setPosition(1040, QTextCursor::KeepAnchor);
  editor.setTextCursor(c);
  editor.verticalScrollBar()->setValue(57);
  editor.horizontalScrollBar()->setValue(editor.horizontalScrollBar()->maximum());
  const int vscroll = editor.verticalScrollBar()->value(), hscroll = editor.horizontalScrollBar()->value();
  QVERIFY(vscroll == 57);

  TSyntaxColourer colourer(&editor);
  TParse p;
  QVERIFY(p.Parse(editor));
  QSignalSpy textChanged(&editor, &QPlainTextEdit::textChanged);
  QSignalSpy contentsChange(editor.document(), &QTextDocument::contentsChange);
  colourer.ColourNow(p.Tokens);
  QCoreApplication::processEvents();
  QCOMPARE(ColourAt(editor, 0), QColor(0, 128, 0));
  QCOMPARE(ColourAt(editor, text.size() - 1), QColor(0, 0, 255));
  QCOMPARE(editor.textCursor().anchor(), 1000);
  QCOMPARE(editor.textCursor().position(), 1040);
  QCOMPARE(editor.verticalScrollBar()->value(), vscroll);
  QCOMPARE(editor.horizontalScrollBar()->value(), hscroll);
  QVERIFY(!editor.document()->isModified());
  QVERIFY(!editor.document()->isUndoAvailable());
  QCOMPARE(textChanged.count(), 0);
  QCOMPARE(contentsChange.count(), 0);
  QCOMPARE(editor.toPlainText(), text);
}

void ColouringTest::noColouringWhileTextDoesNotParse() {
  QPlainTextEdit editor;
  TSyntaxColourer colourer(&editor);
  TParse p;
  editor.setPlainText("a=1");
  QVERIFY(p.Parse(editor));
  colourer.TokensParsed(p.Tokens);
  // The user goes on typing into a text that no longer parses: no new token
  // list arrives, and the stale one must not be applied to the new text.
  editor.moveCursor(QTextCursor::End);
  editor.insertPlainText("+(");
  QVERIFY(!p.Parse(editor));
  QTest::qWait(400);
  QCOMPARE(ColourMask(editor), QString("-----"));
  // Once it parses again, it is coloured.
  editor.insertPlainText("2)");
  QVERIFY(p.Parse(editor));
  colourer.TokensParsed(p.Tokens);
  QTRY_COMPARE_WITH_TIMEOUT(ColourMask(editor), QString("GKBKMBM"), 1000);
  // An empty token list colours nothing.
  QPlainTextEdit empty;
  TSyntaxColourer none(&empty);
  none.ColourNow({});
  QCOMPARE(empty.document()->firstBlock().layout()->formats().size(), 0);
}

void ColouringTest::typingKeepsColoursInPlace() {
  QPlainTextEdit editor;
  editor.setPlainText("abc=12");
  TSyntaxColourer colourer(&editor);
  TParse p;
  QVERIFY(p.Parse(editor));
  colourer.ColourNow(p.Tokens);
  QCOMPARE(ColourMask(editor), QString("GGGKBB"));
  QTextCursor c(editor.document());
  c.setPosition(1);
  c.insertText("xy");  // inside the name: takes its colour
  QCOMPARE(ColourMask(editor), QString("GGGGGKBB"));
  c.setPosition(0);
  c.insertText("q");  // at the start: takes the first colour
  QCOMPARE(ColourMask(editor), QString("GGGGGGKBB"));
  c.setPosition(6);
  c.setPosition(7, QTextCursor::KeepAnchor);
  c.insertText("==");  // replaces the operator: takes its colour
  QCOMPARE(ColourMask(editor), QString("GGGGGGKKBB"));
  c.setPosition(1);
  c.setPosition(3, QTextCursor::KeepAnchor);
  c.removeSelectedText();
  QCOMPARE(editor.toPlainText(), QString("qybc==12"));
  QCOMPARE(ColourMask(editor), QString("GGGGKKBB"));
}

void ColouringTest::largeDocument() {
  QPlainTextEdit editor;
  QString text;
  for (int i = 0; i < 5000; ++i) text += QString("v%1[%1] = sin%1 + '%1' * (2 - 3),\n").arg(i);
  text += "0";
  editor.setPlainText(text);
  TSyntaxColourer colourer(&editor);
  TParse p;
  QVERIFY(p.Parse(editor));
  QElapsedTimer t;
  t.start();
  colourer.ColourNow(p.Tokens);
  qInfo("colouring %d lines with %zu tokens: %lld ms",
        editor.document()->blockCount(),
        p.Tokens.size(),
        static_cast<long long>(t.elapsed()));
  const QTextBlock last = editor.document()->lastBlock().previous();
  QCOMPARE(ColourAt(editor, last.position()), QColor(0, 128, 0));
  QCOMPARE(ColourAt(editor, last.position() + 5), QColor(128, 0, 0));
}

QTEST_MAIN(ColouringTest)
#include "ColouringTest.moc"
