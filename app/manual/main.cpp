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
#include <cstdio>

#include "Manual.h"
#include "workbench/Libraries.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "Usage: ostracalc-manual TOUR.html OUTPUT.pdf\n");
    return 2;
  }
  // No display is needed: the manual is only laid out and printed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  QPdfWriter pdf(QString::fromLocal8Bit(argv[2]));
  pdf.setTitle("The Ostra Calculator - User Manual");
  pdf.setCreator("ostracalc-manual");
  pdf.setResolution(300);
  pdf.setPageLayout(QPageLayout(
      QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter));
  auto doc = Ostra::BuildManual(QString::fromLocal8Bit(argv[1]), OSTRA_VERSION, Ostra::ManualPageSize(pdf));
  if (!doc) {
    std::fprintf(stderr, "ostracalc-manual: cannot read %s\n", argv[1]);
    return 1;
  }
  if (!Ostra::PrintManual(*doc, pdf) || !QFile::exists(QString::fromLocal8Bit(argv[2]))) {
    std::fprintf(stderr, "ostracalc-manual: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("ostracalc-manual: %zu function entries on %d pages written to %s\n",
              TernioParser::Catalogue().size(),
              doc->pageCount(),
              argv[2]);
  return 0;
}
