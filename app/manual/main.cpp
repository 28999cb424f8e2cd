// ostracalc-manual: writes the user manual ostracalc.pdf at build time. The
// manual is the tour of the language (docs/manual/tour.html) followed by the
// help entry of every built-in function, taken from the function objects
// themselves, so the reference always matches the program it ships with.
//
// Usage: ostracalc-manual TOUR.html OUTPUT.pdf

#include <QApplication>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <cstdio>
#include <memory>

#include "engine/Function.h"
#include "engine/Parser.h"
#include "workbench/Libraries.h"
#include "engine/qt/CodePage.h"
#include "workbench/qt/HelpBrowser.h"

using namespace TernioParser;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "Usage: ostracalc-manual TOUR.html OUTPUT.pdf\n");
    return 2;
  }
  // No display is needed: the manual is only laid out and printed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  QFile tourFile(QString::fromLocal8Bit(argv[1]));
  if (!tourFile.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "ostracalc-manual: cannot read %s\n", argv[1]);
    return 1;
  }
  QString tour = QString::fromUtf8(tourFile.readAll());
  tour.replace("@VERSION@", OSTRA_VERSION);

  QTextDocument doc;
  QFont base = doc.defaultFont();
  base.setPointSize(10);
  doc.setDefaultFont(base);
  doc.setHtml(tour);

  QTextCursor c(&doc);
  c.movePosition(QTextCursor::End);
  QTextBlockFormat chapter;
  chapter.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
  chapter.setTopMargin(0);
  chapter.setBottomMargin(8);
  QTextCharFormat chapterFont;
  chapterFont.setFontPointSize(16);
  chapterFont.setFontWeight(QFont::Bold);
  c.insertBlock(chapter, chapterFont);
  c.insertText("Function reference", chapterFont);

  QTextBlockFormat intro;
  intro.setBottomMargin(6);
  QTextCharFormat text;
  text.setFontPointSize(10);
  c.insertBlock(intro, text);
  c.insertText(
      "Every built-in function with its parameters, description, example and related functions, in "
      "alphabetical order. Parameters are written in angle brackets, such as <a>; arrays are passed as "
      "name[].",
      text);

  QTextBlockFormat entry;
  entry.setTopMargin(14);
  int entries = 0;
  for (const TBuiltinRow* row : Catalogue()) {
    const char* name = row->Name;
    std::unique_ptr<TFunction> f(row->Create());
    if (!f) {
      std::fprintf(stderr, "ostracalc-manual: the function %s cannot be created\n", name);
      return 1;
    }
    // The space above an entry goes to its heading only: the lines of the
    // entry are made from the plain block format.
    c.insertBlock(QTextBlockFormat(), QTextCharFormat());
    const int headingBlock = c.blockNumber();
    THelpPanel::RenderEntry(c, Ostra::FromCodePage(name) + Ostra::FromCodePage(f->Signature()), *f, 10);
    QTextCursor(doc.findBlockByNumber(headingBlock)).setBlockFormat(entry);
    ++entries;
  }

  QPdfWriter pdf(QString::fromLocal8Bit(argv[2]));
  pdf.setTitle("The Ostra Calculator - User Manual");
  pdf.setCreator("ostracalc-manual");
  pdf.setResolution(300);
  pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20),
                                QPageLayout::Millimeter));
  doc.print(&pdf);
  if (!QFile::exists(QString::fromLocal8Bit(argv[2]))) {
    std::fprintf(stderr, "ostracalc-manual: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("ostracalc-manual: %d function entries written to %s\n", entries, argv[2]);
  return 0;
}
