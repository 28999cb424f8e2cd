// The function help panel: the list of built-ins, the rendered entry, the
// welcome text, the history behind Back, the copy buttons and the F1 lookup.

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QFileInfo>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>
#include <cstring>
#include <deque>

#include "engine/Function.h"
#include "engine/Parser.h"
#include "workbench/Libraries.h"
#include "workbench/qt/EditPanel.h"
#include "workbench/qt/FixedFont.h"
#include "workbench/qt/HelpBrowser.h"

using namespace TernioParser;

namespace {

const THelpEntry DemoHelp = {"panel;name",
                             "Loads <name> as\npanel <panel>.",
                             "loadgui(0;'c:\\mygui.gui'),\n {x}=1\n",
                             "This loads a panel.",
                             "plain(a), other(b)"};

// A function with every help text, one with none.
class TDemo final : public TFunction {
public:
  int ArgumentCount() const override { return 2; }
  const THelpEntry* Help() const override { return &DemoHelp; }
};
class TPlain final : public TFunction {
public:
  int ArgumentCount() const override { return 3; }
};
TFunction* NoFunction() { return nullptr; }

// A name table of the given functions; the rows live as long as the test program.
THelpPanel::TBuiltins Table(const std::vector<std::pair<const char*, TFunctionFactory>>& rows) {
  static std::deque<TBuiltinRow> storage;
  THelpPanel::TBuiltins map;
  for (const auto& r : rows) map[r.first] = &storage.emplace_back(TBuiltinRow{r.first, r.second, {}});
  return map;
}

QStringList Items(const THelpPanel& panel) {
  QStringList items;
  for (int i = 0; i < panel.csFunctions->count(); ++i) items << panel.csFunctions->itemText(i);
  return items;
}

const char* const ManyNames[20] = {"f00", "f01", "f02", "f03", "f04", "f05", "f06", "f07", "f08", "f09",
                                   "f10", "f11", "f12", "f13", "f14", "f15", "f16", "f17", "f18", "f19"};

}  // namespace

class HelpBrowserTest : public QObject {
  Q_OBJECT
private slots:
  void listOfRegisteredBuiltins();
  void generalInfo();
  void formattedEntry();
  void entryWithoutTexts();
  void zeroFunctionEndsTheList();
  void historyOfFifteen();
  void copyButtons();
  void f1Rules_data();
  void f1Rules();
  void f1InEditorKeepsCaretAndSelection();
  void manualHasEveryFunction();
};

void HelpBrowserTest::listOfRegisteredBuiltins() {
  TVarHandler::TGlobalList globals;
  TGUIParser engine(&globals, StandardLayers());
  // A user-defined function is known to the engine but has no help entry.
  engine.SetText("define(square(x);x*x), square(3)");
  QVERIFY(engine.Parse(nullptr));
  THelpPanel panel;
  QVERIFY(panel.BuildFunctionList(engine.Builtins));
  const QStringList items = Items(panel);
  QCOMPARE(items.size(), static_cast<qsizetype>(engine.Builtins.size() + 1));
  QCOMPARE(items.first(), QString("[General Info]"));
  for (int i = 2; i < items.size(); ++i) {
    const QByteArray a = items[i - 1].left(items[i - 1].indexOf('(')).toLatin1();
    const QByteArray b = items[i].left(items[i].indexOf('(')).toLatin1();
    QVERIFY2(std::strcmp(a.constData(), b.constData()) < 0, qPrintable(items[i - 1] + " / " + items[i]));
  }
  for (const char* expected :
       {"if(cond;expr1;expr2)", "for(init;cond;incr;expr)", "println(s)", "cleartext()", "define(func;expr)"})
    QVERIFY2(items.contains(expected), expected);
  // Every item is the name followed by the object's signature.
  int i = 1;
  for (const auto& [name, row] : engine.Builtins) {
    std::unique_ptr<TFunction> f(row->Create());
    QCOMPARE(items[i++], QString::fromLatin1(name) + QString::fromStdString(f->Signature()));
  }
  for (const QString& item : items) QVERIFY(!item.startsWith("square("));
  QCOMPARE(panel.csFunctions->currentIndex(), 0);
  QVERIFY(!panel.btnBack->isEnabled());
}

void HelpBrowserTest::generalInfo() {
  THelpPanel panel;
  QVERIFY(panel.BuildFunctionList(Table({{"demo", MakeFunction<TDemo>}})));
  const QString expected =
      "Welcome to the advanced calculator!\n"
      "Enter a matematical expression in the editor window and press the large Enter key on the numeric key pad. "
      "The result of the expression will be displayed in the result window below the editor.\n\n"
      "To view a short description of a function use the selection list above. In the descriptions, function "
      "parameters are enclosed by <angle brackets> to separate it from the normal text. Use the 'copy to "
      "clipboard' button to copy and paste a selected function into the editor window. Use 0xnnn to enter "
      "hexadecimal numbers like 0x12ab or 0bnnn to enter binary numbers.\n\n"
      "To view the full capability of this calculator, have a look in the online function help or the user "
      "manual.\n";
  QCOMPARE(panel.edtHelp->toPlainText(), expected);
  QVERIFY(!panel.BtnInsFunc->isEnabled());
  QVERIFY(!panel.BtnInsExample->isEnabled());
  // Coming back to it from a function disables both again.
  panel.csFunctionsChange(1);
  QVERIFY(panel.BtnInsFunc->isEnabled());
  QVERIFY(panel.BtnInsExample->isEnabled());
  panel.csFunctionsChange(0);
  QCOMPARE(panel.edtHelp->toPlainText(), expected);
  QVERIFY(!panel.BtnInsFunc->isEnabled());
  QVERIFY(!panel.BtnInsExample->isEnabled());
}

void HelpBrowserTest::formattedEntry() {
  THelpPanel panel;
  QVERIFY(panel.BuildFunctionList(Table({{"demo", MakeFunction<TDemo>}, {"plain", MakeFunction<TPlain>}})));
  QCOMPARE(Items(panel), (QStringList{"[General Info]", "demo(panel;name)", "plain(a;b;c)"}));
  panel.csFunctionsChange(1);
  const QString text = panel.edtHelp->toPlainText();
  QCOMPARE(text,
           QString("demo(panel;name)\n"
                   "Loads <name> as\npanel <panel>.\n"
                   "Example:\n"
                   "loadgui(0;'c:\\mygui.gui'),\n {x}=1\n\n"
                   "This loads a panel.\n"
                   "See also:\n"
                   "plain(a), other(b)"));
  QTextDocument* doc = panel.edtHelp->document();
  const auto formatAt = [&](const QString& piece) {
    const int pos = text.indexOf(piece);
    QTextCursor c(doc);
    c.setPosition(pos + 1);
    return c.charFormat();
  };
  QCOMPARE(formatAt("demo(").fontWeight(), static_cast<int>(QFont::Bold));
  QVERIFY(formatAt("Loads").fontWeight() != QFont::Bold);
  QVERIFY(formatAt("Example:").fontItalic());
  QCOMPARE(formatAt("See also:").fontWeight(), static_cast<int>(QFont::Bold));
  QVERIFY(formatAt("plain(a)").fontWeight() != QFont::Bold);
  const QTextCharFormat example = formatAt("loadgui");
  QVERIFY(example.fontFixedPitch());
  // Monospaced by its glyphs, whatever fonts the machine has, and the same
  // font as the editor's; the description is not.
  QVERIFY(Ostra::IsMonospaced(example.font()));
  QVERIFY(!Ostra::IsMonospaced(formatAt("Loads").font()));
  TEditPanel editor;
  QVERIFY(Ostra::IsMonospaced(editor.MemoEdit->font()));
  QCOMPARE(QFontInfo(example.font()).family(), QFontInfo(editor.MemoEdit->font()).family());
  QCOMPARE(panel.Example(), QString("loadgui(0;'c:\\mygui.gui'),\n {x}=1\n"));
  QVERIFY(panel.BtnInsExample->isEnabled());
}

void HelpBrowserTest::entryWithoutTexts() {
  THelpPanel panel;
  QVERIFY(panel.BuildFunctionList(Table({{"demo", MakeFunction<TDemo>}, {"plain", MakeFunction<TPlain>}})));
  panel.csFunctionsChange(1);
  panel.csFunctionsChange(2);
  QCOMPARE(panel.edtHelp->toPlainText(), QString("plain(a;b;c)\nNo Description available.\n"));
  QVERIFY(!panel.BtnInsExample->isEnabled());
  QVERIFY(panel.BtnInsFunc->isEnabled());
  QCOMPARE(panel.Example(), QString());
}

void HelpBrowserTest::zeroFunctionEndsTheList() {
  THelpPanel panel;
  QStringList reported;
  panel.ReportError = [&](const QString& m) { reported << m; };
  QVERIFY(!panel.BuildFunctionList(
      Table({{"alpha", MakeFunction<TPlain>}, {"beta", NoFunction}, {"gamma", MakeFunction<TDemo>}})));
  QCOMPARE(reported, QStringList{"Zero function"});
  QCOMPARE(Items(panel), (QStringList{"[General Info]", "alpha(a;b;c)"}));
  QCOMPARE(panel.edtHelp->toPlainText(), QString());
}

// After 17 choices, Back shows the 16th, 15th, ... down to the 3rd, then
// does nothing more.
void HelpBrowserTest::historyOfFifteen() {
  std::vector<std::pair<const char*, TFunctionFactory>> rows;
  for (const char* name : ManyNames) rows.emplace_back(name, MakeFunction<TPlain>);
  const THelpPanel::TBuiltins many = Table(rows);
  THelpPanel panel;
  QVERIFY(panel.BuildFunctionList(many));
  QVERIFY(!panel.btnBack->isEnabled());
  panel.btnBackClick();  // nothing to go back to
  QCOMPARE(panel.csFunctions->currentIndex(), 0);
  for (int i = 1; i <= 17; ++i) panel.csFunctionsChange(i);
  QCOMPARE(panel.History().size(), size_t(15));
  QCOMPARE(panel.History().front(), 17);
  QCOMPARE(panel.History().back(), 3);
  QVERIFY(panel.btnBack->isEnabled());
  for (int expected = 16; expected >= 3; --expected) {
    QVERIFY(panel.btnBack->isEnabled());
    panel.btnBackClick();
    QCOMPARE(panel.csFunctions->currentIndex(), expected);
    QVERIFY(panel.edtHelp->toPlainText().startsWith(QString("f%1(").arg(expected - 1, 2, 10, QChar('0'))));
  }
  QVERIFY(!panel.btnBack->isEnabled());
  panel.btnBackClick();
  QCOMPARE(panel.csFunctions->currentIndex(), 3);
  QCOMPARE(panel.History().size(), size_t(1));
  // A new choice enables Back again.
  panel.csFunctionsChange(5);
  QVERIFY(panel.btnBack->isEnabled());
  panel.btnBackClick();
  QCOMPARE(panel.csFunctions->currentIndex(), 3);
}

void HelpBrowserTest::copyButtons() {
  THelpPanel panel;
  QVERIFY(panel.BuildFunctionList(Table({{"demo", MakeFunction<TDemo>}, {"plain", MakeFunction<TPlain>}})));
  QSignalSpy focus(&panel, &THelpPanel::EditorFocusWanted);
  panel.csFunctionsChange(1);
  panel.BtnInsFunc->click();
  QCOMPARE(QGuiApplication::clipboard()->text(), QString("demo(panel;name)"));
  panel.BtnInsExample->click();
  QCOMPARE(QGuiApplication::clipboard()->text(), QString("loadgui(0;'c:\\mygui.gui'),\n {x}=1\n"));
  QCOMPARE(focus.count(), 2);
}

void HelpBrowserTest::f1Rules_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("caret");
  QTest::addColumn<QString>("selected");  // empty: nothing found
  QTest::newRow("directly after the bracket") << "a=sin(" << 6 << "sin(a)";
  QTest::newRow("inside the name") << "arctan(1)" << 3 << "arctan(a)";
  QTest::newRow("after the name") << "x=sinh(2)" << 6 << "sinh(a)";
  QTest::newRow("before the name") << "x = sin(1)" << 4 << "sin(a)";
  QTest::newRow("at the very start") << "sin(1)" << 0 << "";
  QTest::newRow("digits split the name") << "dez2hex(1)" << 8 << "";
  QTest::newRow("case matters") << "SIN(1)" << 4 << "";
  QTest::newRow("no function") << "a=b+c" << 3 << "";
  QTest::newRow("second line") << "a=1,\nsin(2)" << 8 << "sin(a)";
  QTest::newRow("long text, window of 40") << QString(30, 'a') + "+arctan(" << 38 << "arctan(a)";
  QTest::newRow("letters beyond the window") << QString(30, 'q') + "sin(" << 34 << "";
  QTest::newRow("caret beyond the text") << "sin" << 99 << "sin(a)";
}

void HelpBrowserTest::f1Rules() {
  QFETCH(QString, text);
  QFETCH(int, caret);
  QFETCH(QString, selected);
  THelpPanel panel;
  QVERIFY(panel.BuildFunctionList(Table({{"arctan", MakeFunction<TPlain>},
                                         {"dez2hex", MakeFunction<TPlain>},
                                         {"hexa", MakeFunction<TPlain>},
                                         {"sin", MakeFunction<TPlain>},
                                         {"sinh", MakeFunction<TPlain>}})));
  // The table's functions have three arguments; show them with one.
  for (int i = 1; i < panel.csFunctions->count(); ++i)
    panel.csFunctions->setItemText(i, panel.csFunctions->itemText(i).replace("(a;b;c)", "(a)"));
  const bool found = panel.ShowHelpFor(text, caret);
  QCOMPARE(found, !selected.isEmpty());
  if (found) {
    QCOMPARE(panel.csFunctions->currentText(), selected);
    QCOMPARE(panel.History().size(), size_t(1));
    QCOMPARE(panel.History().front(), panel.csFunctions->currentIndex());
  } else {
    QCOMPARE(panel.csFunctions->currentIndex(), 0);
    QVERIFY(panel.History().empty());
  }
}

void HelpBrowserTest::f1InEditorKeepsCaretAndSelection() {
  THelpPanel panel;
  QVERIFY(panel.BuildFunctionList(Table({{"demo", MakeFunction<TDemo>}, {"plain", MakeFunction<TPlain>}})));
  QPlainTextEdit editor;
  editor.setPlainText("x = 1,\ny = plain(1;2;3) + demo(4;5)");
  QTextCursor c = editor.textCursor();
  c.setPosition(29);  // "dem" selected backwards: the caret is before "demo"
  c.setPosition(26, QTextCursor::KeepAnchor);
  editor.setTextCursor(c);
  QVERIFY(panel.ShowHelpFor(&editor));
  QCOMPARE(panel.csFunctions->currentText(), QString("demo(panel;name)"));
  QCOMPARE(editor.textCursor().anchor(), 29);
  QCOMPARE(editor.textCursor().position(), 26);
  // At the very start nothing happens and the caret stays.
  c.setPosition(0);
  editor.setTextCursor(c);
  QVERIFY(!panel.ShowHelpFor(&editor));
  QCOMPARE(editor.textCursor().position(), 0);
  QCOMPARE(panel.csFunctions->currentText(), QString("demo(panel;name)"));
  // Inside "plain" on the second line.
  c.setPosition(13);
  editor.setTextCursor(c);
  QVERIFY(panel.ShowHelpFor(&editor));
  QCOMPARE(panel.csFunctions->currentText(), QString("plain(a;b;c)"));
  QCOMPARE(editor.textCursor().position(), 13);
  QCOMPARE(panel.History().size(), size_t(2));
}

// The user manual is written by a tool at build time from the same help
// entries; run it and check that every registered function went in.
void HelpBrowserTest::manualHasEveryFunction() {
  const QString tool = QString(OSTRA_BINARY_DIR) + "/app/manual/ostracalc-manual";
  if (!QFileInfo::exists(tool)) QSKIP("the manual tool is not built (target ostracalc-manual)");
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString pdf = dir.filePath("manual.pdf");
  QProcess p;
  p.start(tool, {QString(OSTRA_SOURCE_DIR) + "/docs/manual/tour.html", pdf});
  QVERIFY(p.waitForFinished(120000));
  QCOMPARE(p.exitStatus(), QProcess::NormalExit);
  QCOMPARE(p.exitCode(), 0);
  TVarHandler::TGlobalList globals;
  TGUIParser engine(&globals, StandardLayers());
  const QString said = QString::fromLocal8Bit(p.readAllStandardOutput());
  QVERIFY2(said.contains(QString(" %1 function entries ").arg(engine.Builtins.size())), qPrintable(said));
  QFile f(pdf);
  QVERIFY(f.open(QIODevice::ReadOnly));
  const QByteArray data = f.readAll();
  QVERIFY(data.startsWith("%PDF"));
  const auto pages = QString::fromLatin1(data).count(QRegularExpression("/Type\\s*/Page\\b(?!s)"));
  QVERIFY2(pages >= 6, qPrintable(QString::number(pages)));
  // A missing tour is an error, not an empty manual.
  QProcess bad;
  bad.start(tool, {dir.filePath("missing.html"), dir.filePath("bad.pdf")});
  QVERIFY(bad.waitForFinished(60000));
  QVERIFY(bad.exitCode() != 0);
  QVERIFY(!QFileInfo::exists(dir.filePath("bad.pdf")));
}

QTEST_MAIN(HelpBrowserTest)
#include "HelpBrowserTest.moc"
