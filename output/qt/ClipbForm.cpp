#include "output/qt/ClipbForm.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TClipbForm::TClipbForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Size setting"));
  setObjectName("ClipbForm");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  GroupBox1 = new QGroupBox(tr("Target size for clipboard graphic"), this);
  Label1 = new QLabel(tr("Width:"), GroupBox1);
  Label3 = new QLabel(tr("Height:"), GroupBox1);
  edWidth = new QLineEdit(GroupBox1);
  edWidth->setObjectName("edWidth");
  edHeight = new QLineEdit(GroupBox1);
  edHeight->setObjectName("edHeight");
  px1 = new QLabel(tr("mm"), GroupBox1);
  px2 = new QLabel(tr("mm"), GroupBox1);
  auto* grid = new QGridLayout(GroupBox1);
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(edWidth, 0, 1);
  grid->addWidget(px1, 0, 2);
  grid->addWidget(Label3, 1, 0);
  grid->addWidget(edHeight, 1, 1);
  grid->addWidget(px2, 1, 2);
  BitBtn1 = new QPushButton(tr("OK"), this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(GroupBox1);
  layout->addWidget(BitBtn1, 0, Qt::AlignHCenter);
  FitSize();
}

void TClipbForm::FitSize() {
  // The designed size, made as large as the texts need in the language and
  // font at hand (the group's title is not cut off).
  layout()->activate();
  setFixedSize(sizeHint().expandedTo(minimumSizeHint()).expandedTo(QSize(204, 165)));
}

std::optional<QSize> TClipbForm::FieldSize() const {
  bool okW = false, okH = false;
  const int w = edWidth->text().trimmed().toInt(&okW);
  const int h = edHeight->text().trimmed().toInt(&okH);
  // Sizes the picture cannot have count as wrong input too.
  if (!okW || !okH || w < 1 || h < 1 || w > Maximum || h > Maximum) return std::nullopt;
  return QSize(w, h);
}

std::optional<QSize> TClipbForm::AskSize(int width, int height) {
  return Ask(width, height, tr("Target size for clipboard graphic"), tr("mm"), 2000);
}

std::optional<QSize> TClipbForm::AskPictureSize(int width, int height) {
  return Ask(width, height, tr("Picture size"), tr("pixels"), 10000);
}

std::optional<QSize> TClipbForm::Ask(int width, int height, const QString& title, const QString& unit, int maximum) {
  GroupBox1->setTitle(title);
  Maximum = maximum;
  edWidth->setText(QString::number(width));
  edHeight->setText(QString::number(height));
  px1->setText(unit);
  px2->setText(unit);
  FitSize();
  for (;;) {
    if (exec() != QDialog::Accepted) return std::nullopt;
    if (auto size = FieldSize()) return size;
    QApplication::beep();
  }
}
