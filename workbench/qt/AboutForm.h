#pragma once
// The about box.

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TAboutForm : public QDialog {
  Q_OBJECT
public:
  explicit TAboutForm(QWidget* parent = nullptr);

  QLabel* lblVersion;
  QPlainTextEdit* Memo;
  QPushButton* BtnOk;
  QLabel* LinkLabel;

signals:
  // The link label was clicked.
  void WebSiteRequested();
};
