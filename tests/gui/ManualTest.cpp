// The user manual: a table of contents whose page numbers are right, the
// screenshots in place, no heading left alone at the bottom of a page, and a
// PDF of its pages.

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextLayout>
#include <QTextBlock>
#include <QtTest>
#include <vector>

#include "Manual.h"

class ManualTest : public QObject {
  Q_OBJECT
private slots:
  void contentsPicturesAndPages() {
    QTemporaryDir dir;
    const QString path = dir.filePath("manual.pdf");
    QPdfWriter pdf(path);
    pdf.setResolution(300);
    pdf.setPageLayout(QPageLayout(
        QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter));
    auto doc = Ostra::BuildManual(OSTRA_SOURCE_DIR "/docs/manual/tour.html", "1.0", Ostra::ManualPageSize(pdf));
    QVERIFY(doc);

    std::vector<QTextBlock> chapters;
    QTextBlock contents;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
      if (b.blockFormat().headingLevel() == 2) chapters.push_back(b);
      if (b.text() == "Contents") contents = b;
      // Every line is laid out on a page (a paged layout can stop early).
      if (!b.text().isEmpty()) QVERIFY2(b.layout()->lineCount() > 0, qPrintable(b.text()));
      // A heading shares its page with the text that follows it.
      if (b.blockFormat().headingLevel() > 0 && b.next().isValid())
        QVERIFY2(Ostra::PageOf(*doc, b) == Ostra::PageOf(*doc, b.next()), qPrintable(b.text()));
    }
    QCOMPARE(chapters.size(), size_t(14));  // the tour's chapters and the function reference
    QCOMPARE(chapters.back().text(), QString("Function reference"));
    QVERIFY(contents.isValid());
    QCOMPARE(Ostra::PageOf(*doc, contents), 1);
    QTextBlock line = contents.next();
    for (const QTextBlock& chapter : chapters) {
      QCOMPARE(line.text(), chapter.text() + "\t" + QString::number(Ostra::PageOf(*doc, chapter)));
      line = line.next();
    }
    QCOMPARE(Ostra::PageOf(*doc, chapters.front()), 2);
    QVERIFY(Ostra::PageOf(*doc, chapters.back()) > Ostra::PageOf(*doc, chapters[12]));

    int pictures = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
      for (auto it = b.begin(); !it.atEnd(); ++it)
        if (it.fragment().charFormat().isImageFormat()) {
          const QString name = it.fragment().charFormat().toImageFormat().name();
          QVERIFY2(!doc->resource(QTextDocument::ImageResource, QUrl(name)).isNull(), qPrintable(name));
          ++pictures;
        }
    QCOMPARE(pictures, 6);

    QVERIFY(Ostra::PrintManual(*doc, pdf));
    QFile out(path);
    QVERIFY(out.open(QIODevice::ReadOnly));
    const QByteArray bytes = out.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    QCOMPARE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "),
             qsizetype(doc->pageCount()));
  }
};

QTEST_MAIN(ManualTest)
#include "ManualTest.moc"
