#include "output/qt/ClipbForm.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TClipbForm::TClipbForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Size setting");
  setObjectName("ClipbForm");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  GroupBox1 = new QGroupBox("Target size for clipboard graphic", this);
  Label1 = new QLabel("Width:", GroupBox1);
  Label3 = new QLabel("Height:", GroupBox1);
  edWidth = new QLineEdit(GroupBox1);
  edWidth->setObjectName("edWidth");
  edHeight = new QLineEdit(GroupBox1);
  edHeight->setObjectName("edHeight");
  px1 = new QLabel("mm", GroupBox1);
  px2 = new QLabel("mm", GroupBox1);
  auto* grid = new QGridLayout(GroupBox1);
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(edWidth, 0, 1);
  grid->addWidget(px1, 0, 2);
  grid->addWidget(Label3, 1, 0);
  grid->addWidget(edHeight, 1, 1);
  grid->addWidget(px2, 1, 2);
  BitBtn1 = new QPushButton("OK", this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(GroupBox1);
  layout->addWidget(BitBtn1, 0, Qt::AlignHCenter);
  setFixedSize(204, 165);
}

std::optional<QSize> TClipbForm::FieldSize() const {
  bool okW = false, okH = false;
  const int w = edWidth->text().trimmed().toInt(&okW);
  const int h = edHeight->text().trimmed().toInt(&okH);
  // Sizes the picture cannot have count as wrong input too.
  if (!okW || !okH || w < 1 || h < 1 || w > 2000 || h > 2000) return std::nullopt;
  return QSize(w, h);
}

std::optional<QSize> TClipbForm::AskSize(int width, int height) {
  edWidth->setText(QString::number(width));
  edHeight->setText(QString::number(height));
  px1->setText("mm");
  px2->setText("mm");
  for (;;) {
    if (exec() != QDialog::Accepted) return std::nullopt;
    if (auto size = FieldSize()) return size;
    QApplication::beep();
  }
}
