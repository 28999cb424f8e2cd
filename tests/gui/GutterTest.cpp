// The gutter of the editor panels: line numbers, and the mark of a failed
// parse in the gutter and in the text with the parser's message as tool tip.

#include <QHelpEvent>
#include <QImage>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QToolTip>
#include <QtTest>

#include "ScriptedMainForm.h"
#include "workbench/qt/LineGutter.h"

namespace {

// The tool tip a resting mouse gets at pos of widget.
QString ToolTipAt(QWidget* widget, QPoint pos) {
  QToolTip::hideText();
  for (int i = 0; i < 100 && QToolTip::isVisible(); ++i) QTest::qWait(10);
  QHelpEvent help(QEvent::ToolTip, pos, widget->mapToGlobal(pos));
  QApplication::sendEvent(widget, &help);
  return QToolTip::isVisible() ? QToolTip::text() : QString();
}

int LineCentre(TCodeEditor* editor, int line) {
  return int(editor->BlockRect(editor->document()->findBlockByNumber(line)).center().y());
}

// Whether the gutter painted anything but its background between two heights.
bool PaintedBetween(const QImage& gutter, int top, int bottom) {
  const QRgb background = gutter.pixel(gutter.width() - 1, top);
  for (int y = std::max(0, top); y < std::min(bottom, gutter.height()); ++y)
    for (int x = 0; x < gutter.width(); ++x)
      if (gutter.pixel(x, y) != background) return true;
  return false;
}

}  // namespace

class GutterTest : public QObject {
  Q_OBJECT
private slots:
  void lineNumbersBesideTheText() {
    TScriptedMainForm w;
    QVERIFY(w.ShowWithFocus(1));
    TCodeEditor* editor = w.Panel(1)->MemoEdit;
    TLineGutter* gutter = editor->Gutter();
    QTest::keyClicks(editor, "a=1,");
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, "b=2");
    QVERIFY(gutter->isVisible());
    // The text starts right of the gutter.
    QVERIFY(editor->viewport()->geometry().left() >= gutter->geometry().right());
    QCOMPARE(gutter->LineAt(LineCentre(editor, 0)), 0);
    QCOMPARE(gutter->LineAt(LineCentre(editor, 1)), 1);
    QCOMPARE(gutter->LineAt(LineCentre(editor, 1) + 200), -1);
    const QImage image = gutter->grab().toImage();
    const int h = editor->fontMetrics().height();
    QVERIFY(PaintedBetween(image, LineCentre(editor, 1) - h / 3, LineCentre(editor, 1) + h / 3));
    QVERIFY(!PaintedBetween(image, LineCentre(editor, 1) + h, LineCentre(editor, 1) + 2 * h));
    // Longer programs widen the gutter for their numbers.
    const int narrow = gutter->width();
    w.SetText(1, QString("1,\n").repeated(12000) + "1");
    QVERIFY(gutter->width() > narrow);
    QCOMPARE(gutter->width(), gutter->WidthNeeded());
  }

  // The mark sits where the error is: an error found after the last
  // character on the last line (not over the whole program), an unknown
  // function on its name, which the message names.
  void errorMarkedWithItsMessage_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("marked");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("message");  // empty: the engine's
    QTest::newRow("token on the second line") << "a=1,\n1 2"
                                              << "2" << 1 << "";
    QTest::newRow("operand missing at the end") << "1+"
                                                << "+" << 0 << "";
    QTest::newRow("comment not closed") << "1 /* open"
                                        << "/* open" << 0 << "";
    QTest::newRow("call open at the end") << "a = 1,\nb = 2,\nc = sin("
                                          << "(" << 2 << "";
    QTest::newRow("call open after 31 lines") << QString("a=1,\n").repeated(30) + "plotaxis("
                                              << "(" << 30 << "";
    QTest::newRow("unknown function") << "x = foo(3) + 1"
                                      << "foo" << 0 << "Unknown function foo";
    QTest::newRow("unknown function, blank before (") << "a=2,\nx = bar (3)"
                                                      << "bar" << 1 << "Unknown function bar";
  }
  void errorMarkedWithItsMessage() {
    QFETCH(QString, text);
    QFETCH(QString, marked);
    QFETCH(int, line);
    QFETCH(QString, message);
    TScriptedMainForm w;
    TMainForm& f = *w.Form;
    QVERIFY(w.ShowWithFocus(1));
    TCodeEditor* editor = w.Panel(1)->MemoEdit;
    for (const QString& part : text.split('\n')) {
      if (part.data() != text.data() && !editor->document()->isEmpty()) QTest::keyClick(editor, Qt::Key_Return);
      QTest::keyClicks(editor, part);
    }
    // Completion lists may have taken keys; the text is set as typed.
    if (w.Panel(1)->Text() != text) w.SetText(1, text);
    QCOMPARE(w.Panel(1)->Text(), text);
    QVERIFY(f.SyntaxError());
    if (message.isEmpty()) message = QString::fromStdString(f.Run->Main().Message);
    QVERIFY(editor->HasError());
    QCOMPARE(editor->ErrorRange().selectedText(), marked);
    QCOMPARE(editor->ErrorLine(), line);
    // In the text: a red wavy underline over exactly those characters.
    bool underlined = false;
    for (const QTextEdit::ExtraSelection& s : editor->extraSelections())
      underlined |= s.format.underlineStyle() == QTextCharFormat::WaveUnderline &&
                    s.cursor.selectionStart() == editor->ErrorRange().selectionStart() &&
                    s.cursor.selectionEnd() == editor->ErrorRange().selectionEnd();
    QVERIFY(underlined);
    // The message on the mark in the gutter and on the marked text, not
    // elsewhere.
    QCOMPARE(ToolTipAt(editor->Gutter(), QPoint(4, LineCentre(editor, line))), message);
    QTextCursor c(editor->document());
    c.setPosition(editor->ErrorRange().selectionStart());
    QCOMPARE(ToolTipAt(editor->viewport(), editor->cursorRect(c).center() + QPoint(2, 0)), message);
    if (line > 0) QCOMPARE(ToolTipAt(editor->Gutter(), QPoint(4, LineCentre(editor, 0))), QString());
    // A text that parses clears the mark.
    w.SetText(1, "1+2");
    QVERIFY(!editor->HasError());
    QCOMPARE(editor->ErrorLine(), -1);
    QVERIFY(editor->extraSelections().isEmpty() ||
            editor->extraSelections().first().format.underlineStyle() != QTextCharFormat::WaveUnderline);
  }
};

QTEST_MAIN(GutterTest)
#include "GutterTest.moc"
