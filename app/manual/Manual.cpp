#include "Manual.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QUrl>
#include <memory>
#include <vector>

#include "engine/Function.h"
#include "engine/qt/CodePage.h"
#include "workbench/Libraries.h"
#include "workbench/qt/HelpBrowser.h"

using namespace TernioParser;

namespace Ostra {

namespace {

// A new block after the cursor holding a bold heading of the given size.
void InsertHeading(QTextCursor& c, QTextBlockFormat format, qreal pointSize, const QString& text) {
  QTextCharFormat font;
  font.setFontPointSize(pointSize);
  font.setFontWeight(QFont::Bold);
  c.insertBlock(format, font);
  c.insertText(text, font);
}

void AppendReference(QTextDocument& doc) {
  QTextCursor c(&doc);
  c.movePosition(QTextCursor::End);
  QTextBlockFormat chapter;
  chapter.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
  chapter.setHeadingLevel(2);
  chapter.setTopMargin(0);
  chapter.setBottomMargin(8);
  InsertHeading(c, chapter, 16, "Function reference");

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
  entry.setHeadingLevel(3);
  for (const TBuiltinRow* row : Catalogue()) {
    std::unique_ptr<TFunction> f(row->Create());
    // The space above an entry goes to its heading only: the lines of the
    // entry are made from the plain block format.
    c.insertBlock(QTextBlockFormat(), QTextCharFormat());
    const int headingBlock = c.blockNumber();
    THelpPanel::RenderEntry(c, FromCodePage(row->Name) + FromCodePage(f->Signature()), *f, 10);
    QTextCursor(doc.findBlockByNumber(headingBlock)).setBlockFormat(entry);
  }
}

std::vector<QTextBlock> Chapters(const QTextDocument& doc) {
  std::vector<QTextBlock> found;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
    if (b.blockFormat().headingLevel() == 2) found.push_back(b);
  return found;
}

// A line per chapter before the first one: the title, then the page number
// behind a right tab. The numbers are filled in once the pages are known.
std::vector<QTextBlock> InsertContents(QTextDocument& doc, qreal width) {
  const std::vector<QTextBlock> chapters = Chapters(doc);
  std::vector<QTextBlock> lines;
  if (chapters.empty()) return lines;
  // At the end of the block before the first chapter, so that the new
  // blocks take no text of the chapter with them.
  QTextCursor c(chapters.front().previous());
  c.movePosition(QTextCursor::EndOfBlock);
  QTextBlockFormat heading;
  heading.setTopMargin(24);
  heading.setBottomMargin(6);
  InsertHeading(c, heading, 14, "Contents");
  QTextBlockFormat line;
  line.setTabPositions({QTextOption::Tab(width, QTextOption::RightTab)});
  QTextCharFormat lineFont;
  lineFont.setFontPointSize(10);
  for (const QTextBlock& chapter : chapters) {
    c.insertBlock(line, lineFont);
    c.insertText(chapter.text() + "\t0", lineFont);
    lines.push_back(c.block());
  }
  // The tour's first chapter starts on a page of its own after the contents.
  QTextBlockFormat first = chapters.front().blockFormat();
  first.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
  QTextCursor(chapters.front()).setBlockFormat(first);
  return lines;
}

// Moves every heading that would be the last thing on its page to the next
// page; repeats until nothing moves (a move shifts what follows).
void KeepHeadingsWithText(QTextDocument& doc) {
  for (int pass = 0; pass < 20; ++pass) {
    bool moved = false;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
      if (b.blockFormat().headingLevel() == 0 || !b.next().isValid()) continue;
      if (PageOf(doc, b) == PageOf(doc, b.next())) continue;
      QTextBlockFormat f = b.blockFormat();
      if (f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore) continue;
      f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
      QTextCursor(b).setBlockFormat(f);
      // A change relays the document out from there only piece by piece;
      // the pages after it are needed at once.
      doc.markContentsDirty(b.position(), doc.characterCount() - b.position());
      moved = true;
    }
    if (!moved) break;
  }
}

}  // namespace

int PageOf(const QTextDocument& doc, const QTextBlock& block) {
  const qreal top = doc.documentLayout()->blockBoundingRect(block).top();
  // The first line decides: a block starts where its first line is.
  const QTextLayout* layout = block.layout();
  const qreal first = layout && layout->lineCount() > 0 ? top + layout->lineAt(0).y() : top;
  return static_cast<int>(first / doc.pageSize().height()) + 1;
}

namespace {

// Document units per inch, as the text layout measures fonts.
constexpr qreal Dpi = 96;
// The page number's strip below the text, in document units.
constexpr qreal FooterHeight = 32;

}  // namespace

QSizeF ManualPageSize(const QPagedPaintDevice& printer) {
  const QSizeF area = printer.pageLayout().paintRect(QPageLayout::Inch).size() * Dpi;
  return QSizeF(area.width(), area.height() - FooterHeight);
}

bool PrintManual(QTextDocument& doc, QPagedPaintDevice& printer) {
  QPainter p(&printer);
  if (!p.isActive()) return false;
  const QSizeF page = doc.pageSize();
  const qreal scale = printer.width() / page.width();
  // In document units, as the painter is scaled to them.
  QFont numberFont = doc.defaultFont();
  numberFont.setPixelSize(12);
  for (int i = 0; i < doc.pageCount(); ++i) {
    if (i > 0 && !printer.newPage()) return false;
    p.save();
    p.scale(scale, scale);
    p.translate(0, -i * page.height());
    doc.drawContents(&p, QRectF(0, i * page.height(), page.width(), page.height()));
    p.restore();
    p.save();
    p.scale(scale, scale);
    p.setFont(numberFont);
    p.drawText(QRectF(0, page.height(), page.width(), FooterHeight),
               Qt::AlignHCenter | Qt::AlignBottom,
               QString::number(i + 1));
    p.restore();
  }
  return p.end();
}

std::unique_ptr<QTextDocument> BuildManual(const QString& tourPath, const QString& version, QSizeF pageSize) {
  QFile tourFile(tourPath);
  if (!tourFile.open(QIODevice::ReadOnly)) return nullptr;
  QString tour = QString::fromUtf8(tourFile.readAll());
  tour.replace("@VERSION@", version);

  auto doc = std::make_unique<QTextDocument>();
  QFont base = doc->defaultFont();
  base.setPointSize(10);
  doc->setDefaultFont(base);
  doc->setBaseUrl(QUrl::fromLocalFile(QFileInfo(tourPath).absolutePath() + "/"));
  doc->setHtml(tour);
  AppendReference(*doc);
  const std::vector<QTextBlock> contents = InsertContents(*doc, pageSize.width() - 2 * doc->documentMargin());
  // The pictures are loaded before the layout: loading one in the middle of
  // a paged layout ends that layout early.
  for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
    for (auto it = b.begin(); !it.atEnd(); ++it)
      if (it.fragment().charFormat().isImageFormat())
        doc->resource(QTextDocument::ImageResource, QUrl(it.fragment().charFormat().toImageFormat().name()));
  // Paged only now: laid out into pages at once, not piece by piece while
  // the text grows.
  doc->setPageSize(pageSize);
  KeepHeadingsWithText(*doc);
  // Page numbers have a digit or two: filling them in moves nothing.
  const std::vector<QTextBlock> chapters = Chapters(*doc);
  for (size_t i = 0; i < contents.size() && i < chapters.size(); ++i) {
    QTextCursor c(contents[i]);
    c.movePosition(QTextCursor::EndOfBlock);
    c.deletePreviousChar();
    c.insertText(QString::number(PageOf(*doc, chapters[i])));
  }
  return doc;
}

}  // namespace Ostra
