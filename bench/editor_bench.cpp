// Typing in a long program: a 5 000-line program (95 000 tokens) in the main
// window's calculator panel, 800 x 600, offscreen. Measures per keystroke the
// time from the key event to the repainted editor, the parse once typing
// pauses, and the colouring that follows: the lines on screen, every line,
// the longest time the colouring keeps the event loop from the keys, and the
// whole text at once as after loading a document.

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QtTest>
#include <QTextBlock>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "workbench/qt/EditPanel.h"
#include "workbench/qt/MainForm.h"
#include "workbench/qt/SyntaxColouring.h"

namespace {

QString LongProgram() {
  QString program;
  for (int i = 0; i < 5000; ++i)
    program += QString("v%1 = %1 * 2.5 + (%1 - 3) / 7, s = 'line %1', /* note */\n").arg(i);
  return program + "4999";
}

void Report(const char* what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  std::printf(
      "%-34s median %6.2f ms   max %6.2f ms   (%zu samples)\n", what, ms[ms.size() / 2], ms.back(), ms.size());
}

double Ms(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  TMainForm form;
  form.Ask = [](QMessageBox::Icon, const QString&, const QString&, QMessageBox::StandardButtons) {
    return QMessageBox::No;
  };
  form.resize(800, 600);
  form.show();
  TEditPanel* panel = form.Panel(1);
  QPlainTextEdit* editor = panel->MemoEdit;
  editor->setFocus();
  panel->SetText(LongProgram());
  form.CheckPanelText(panel);
  QTest::qWait(400);

  // Typing in the middle of the visible part of the program.
  QTextCursor c = editor->textCursor();
  c.setPosition(editor->document()->findBlockByNumber(10).position() + 4);
  editor->setTextCursor(c);
  QTest::qWait(50);
  std::vector<double> keys;
  for (int i = 0; i < 40; ++i) {
    QElapsedTimer t;
    t.start();
    QTest::keyClick(editor, i % 2 ? Qt::Key_Backspace : Qt::Key_Space);
    QCoreApplication::processEvents();
    editor->viewport()->repaint();
    keys.push_back(Ms(t));
    QTest::qWait(30);  // a fast typist
  }
  Report("keystroke to screen", keys);

  // Once typing pauses: the parse, then the colouring of the lines on screen
  // and of the rest in slices between which the editor takes keys.
  std::vector<double> parse, visible, all, slice, whole;
  auto* colourer = editor->findChild<TSyntaxColourer*>();
  for (int i = 0; i < 10; ++i) {
    QElapsedTimer t;
    t.start();
    form.CheckPanelText(panel);
    parse.push_back(Ms(t));
    colourer->HighlightTimer->stop();
    QElapsedTimer total;
    total.start();
    colourer->StartColouring();
    editor->viewport()->repaint();
    visible.push_back(Ms(total));
    double longest = 0;
    while (colourer->ColouringPending()) {
      t.restart();
      QCoreApplication::processEvents();
      longest = std::max(longest, Ms(t));
    }
    all.push_back(Ms(total));
    slice.push_back(longest);
    t.restart();
    colourer->ColourNow(form.Tokens);
    editor->viewport()->repaint();
    whole.push_back(Ms(t));
    QTest::qWait(20);
  }
  Report("parse of the whole program", parse);
  Report("colouring on screen, repainted", visible);
  Report("colouring of every line", all);
  Report("longest colouring slice", slice);
  Report("colouring all at once, repainted", whole);
  form.SetModified(false);
  return 0;
}
