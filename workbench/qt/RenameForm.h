#pragma once
// The small dialog that renames the tab of a calculator panel.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TRenameForm : public QDialog {
  Q_OBJECT
public:
  explicit TRenameForm(QWidget* parent = nullptr);

  QLabel* Label;
  QLineEdit* Edit;
  QPushButton* BtnOk;
  QPushButton* BtnCancel;

  // Shows the dialog for the panel named name, centred on the parent window;
  // true and the new name (taken unchanged, may be empty) on OK.
  bool Execute(const QString& name, QString& newName);
};
