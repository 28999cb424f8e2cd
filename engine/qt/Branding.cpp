#include "engine/qt/Branding.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace Ostra {

const char* const WebSiteAddress = "https://ostra-instruments.example.org/";
const char* const MakerName = "Ostra Instruments";
const char* const MakerLine = QT_TRANSLATE_NOOP("Ostra", "Scanning probe microscopy tools for the lab");

QString VersionCaption(const QString& version, bool preRelease) {
  return "Version " + (version.isEmpty() ? QString("?") : version) + (preRelease ? " PreRelease" : "");
}

QString BuildVersionCaption() {
#ifdef OSTRA_VERSION
  const QString version = OSTRA_VERSION;
#else
  const QString version;
#endif
#ifdef OSTRA_PRERELEASE
  return VersionCaption(version, true);
#else
  return VersionCaption(version, false);
#endif
}

QPixmap MakerLogo(int height) {
  // A probe tip over a scanned surface line, inside a dark blue disc.
  const int h = height;
  QPixmap pm(h, h);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(20, 50, 110));
  p.drawEllipse(QRectF(0.5, 0.5, h - 1.0, h - 1.0));
  QPainterPath surface;
  const double base = h * 0.68;
  for (int x = 0; x <= h; ++x) {
    double y = base - h * 0.08 * std::sin(x * 6.2831853 / h * 2.0);
    if (x == 0) surface.moveTo(x, y);
    else surface.lineTo(x, y);
  }
  p.setClipRegion(QRegion(0, 0, h, h, QRegion::Ellipse));
  p.setPen(QPen(QColor(120, 220, 255), std::max(1.5, h / 16.0)));
  p.setBrush(Qt::NoBrush);
  p.drawPath(surface);
  QPolygonF tip;
  tip << QPointF(h * 0.36, h * 0.16) << QPointF(h * 0.64, h * 0.16) << QPointF(h * 0.5, h * 0.52);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 200, 40));
  p.drawPolygon(tip);
  return pm;
}

}  // namespace Ostra

void Ostra::TClickLabel::Click() {
  LastClick.start();
  if (Clicked) Clicked();
}

void Ostra::TClickLabel::mouseReleaseEvent(QMouseEvent* e) {
  QLabel::mouseReleaseEvent(e);
  if (SkipRelease) SkipRelease = false;
  else Click();
}

// A double click that did not start with a click of its own (the first
// release came too long ago, or never) counts as one.
void Ostra::TClickLabel::mouseDoubleClickEvent(QMouseEvent* e) {
  QLabel::mouseDoubleClickEvent(e);
  SkipRelease = true;
  if (!LastClick.isValid() || LastClick.elapsed() > QApplication::doubleClickInterval()) Click();
}
