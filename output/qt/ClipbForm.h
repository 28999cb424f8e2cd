#pragma once
// The size dialog of "To Clipboard": the picture's width and height in
// millimetres.

#include <QDialog>
#include <optional>

class QLineEdit;
class QLabel;
class QGroupBox;
class QPushButton;

class TClipbForm : public QDialog {
  Q_OBJECT
public:
  explicit TClipbForm(QWidget* parent = nullptr);

  QGroupBox* GroupBox1;
  QLabel* Label1;
  QLabel* Label3;
  QLineEdit* edWidth;
  QLineEdit* edHeight;
  QLabel* px1;
  QLabel* px2;
  QPushButton* BitBtn1;

  // Shows width and height, runs the dialog until both fields hold integers
  // (beeping and asking again otherwise) and returns them; nothing when the
  // dialog is closed other than with OK.
  std::optional<QSize> AskSize(int width, int height);
  // Reads both fields as integers.
  std::optional<QSize> FieldSize() const;
};
