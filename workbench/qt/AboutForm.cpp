#include "workbench/qt/AboutForm.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <functional>

namespace Ostra {

const char* const WebSiteAddress = "https://ostra-instruments.example.org/";
const char* const MakerName = "Ostra Instruments";
const char* const MakerLine = "Scanning probe microscopy tools for the lab";

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

namespace {

const char* const AboutText =
    "Copyright (C) Ostra Instruments. All rights reserved.\n"
    "\n"
    "The Ostra Calculator is provided \"as is\", without warranty of any kind, "
    "express or implied, including but not limited to the warranties of "
    "merchantability, fitness for a particular purpose and non-infringement. "
    "In no event shall the authors be liable for any claim, damages or other "
    "liability arising from the use of the software, including damage to "
    "instruments or samples driven by its programs.\n"
    "\n"
    "Check every program that controls an instrument with the instrument in a "
    "safe state before running it on a sample.";

}  // namespace

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

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle("About Ostra Calculator");
  setObjectName("AboutForm");

  auto* logo = new QLabel(this);
  logo->setPixmap(Ostra::MakerLogo(36));
  logo->setAlignment(Qt::AlignCenter);
  auto* maker = new QLabel(QString(Ostra::MakerName) + " - " + Ostra::MakerLine, this);
  maker->setAlignment(Qt::AlignCenter);
  auto* title = new QLabel("This is the Ostra Calculator", this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  title->setAlignment(Qt::AlignCenter);
  lblVersion = new QLabel(Ostra::BuildVersionCaption(), this);
  lblVersion->setObjectName("lblVersion");
  lblVersion->setFont(bold);
  lblVersion->setAlignment(Qt::AlignCenter);

  Memo = new QPlainTextEdit(this);
  Memo->setReadOnly(true);
  Memo->setFrameShape(QFrame::NoFrame);
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo->setPlainText(AboutText);
  QPalette pal = Memo->palette();
  pal.setColor(QPalette::Base, palette().color(QPalette::Window));
  Memo->setPalette(pal);

  BtnOk = new QPushButton("OK", this);
  BtnOk->setDefault(true);
  connect(BtnOk, &QPushButton::clicked, this, &QDialog::accept);

  auto* visit = new QLabel("Visit our web site at", this);
  auto* link = new Ostra::TClickLabel(this);
  link->setText(QString("<span style=\"color:#0000ff; text-decoration:underline\">%1</span>")
                    .arg(QString(Ostra::WebSiteAddress).toHtmlEscaped()));
  link->setCursor(Qt::PointingHandCursor);
  link->Clicked = [this] { emit WebSiteRequested(); };
  LinkLabel = link;

  auto* linkColumn = new QVBoxLayout;
  linkColumn->setSpacing(0);
  linkColumn->addWidget(visit, 0, Qt::AlignRight);
  linkColumn->addWidget(link, 0, Qt::AlignRight);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(BtnOk, 0, Qt::AlignBottom);
  bottom->addStretch(1);
  bottom->addLayout(linkColumn);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(8, 6, 8, 6);
  column->setSpacing(2);
  column->addWidget(logo);
  column->addWidget(maker);
  column->addWidget(title);
  column->addWidget(lblVersion);
  column->addWidget(Memo, 1);
  column->addLayout(bottom);
  setFixedSize(375, 241);
}
