#include "workbench/qt/RenameForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TRenameForm::TRenameForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Rename Panel"));
  setObjectName("RenameForm");
  Label = new QLabel(this);
  Edit = new QLineEdit(this);
  BtnOk = new QPushButton(tr("OK"), this);
  BtnCancel = new QPushButton(tr("Cancel"), this);
  BtnOk->setDefault(true);
  connect(BtnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(BtnOk);
  buttons->addWidget(BtnCancel);
  auto* column = new QVBoxLayout(this);
  column->addWidget(Label);
  column->addWidget(Edit);
  column->addLayout(buttons);
  setFixedSize(300, 110);
}

bool TRenameForm::Execute(const QString& name, QString& newName) {
  Label->setText(tr("Rename panel %1 to:").arg(name));
  Edit->setText(name);
  Edit->selectAll();
  Edit->setFocus();
  if (QWidget* owner = parentWidget()) {
    QRect r = owner->window()->frameGeometry();
    move(r.center() - rect().center());
  }
  if (exec() != QDialog::Accepted) return false;
  newName = Edit->text();
  return true;
}
