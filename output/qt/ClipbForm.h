#pragma once
// The size dialog: the width and height of the picture of "To Clipboard" in
// millimetres, and of "Save Picture" in pixels.

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
  // The same for the pixels of a picture file.
  std::optional<QSize> AskPictureSize(int width, int height);
  // Reads both fields as integers, 1 up to the largest size asked for.
  std::optional<QSize> FieldSize() const;

private:
  int Maximum = 2000;
  void FitSize();
  std::optional<QSize> Ask(int width, int height, const QString& title, const QString& unit, int maximum);
};
