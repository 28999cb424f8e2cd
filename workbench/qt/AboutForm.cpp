#include "workbench/qt/AboutForm.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/qt/Branding.h"

namespace {

const char* const AboutText =
    QT_TRANSLATE_NOOP("TAboutForm",
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
                      "safe state before running it on a sample.");

}  // namespace

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("About Ostra Calculator"));
  setObjectName("AboutForm");

  auto* logo = new QLabel(this);
  logo->setPixmap(Ostra::MakerLogo(36));
  logo->setAlignment(Qt::AlignCenter);
  // The maker's name and description each on their own line, wrapped
  // rather than cut off when a font is wider than expected.
  auto* maker = new QLabel(Ostra::MakerName, this);
  maker->setAlignment(Qt::AlignCenter);
  auto* makerLine = new QLabel(QCoreApplication::translate("Ostra", Ostra::MakerLine), this);
  makerLine->setAlignment(Qt::AlignCenter);
  makerLine->setWordWrap(true);
  auto* title = new QLabel(tr("This is the Ostra Calculator"), this);
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
  Memo->setPlainText(tr(AboutText));
  QPalette pal = Memo->palette();
  pal.setColor(QPalette::Base, palette().color(QPalette::Window));
  Memo->setPalette(pal);

  BtnOk = new QPushButton(tr("OK"), this);
  BtnOk->setDefault(true);
  connect(BtnOk, &QPushButton::clicked, this, &QDialog::accept);

  auto* visit = new QLabel(tr("Visit our web site at"), this);
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
  column->addWidget(makerLine);
  column->addWidget(title);
  column->addWidget(lblVersion);
  column->addWidget(Memo, 1);
  column->addLayout(bottom);
  setFixedSize(375, 241);
}
