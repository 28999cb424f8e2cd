#pragma once
// The live widgets of the six controls: made on a parent widget, placed on
// the 7-pixel grid, showing the control's fields and reporting the user's
// operations through the control's change handler.

#include <QPointer>
#include <QWidget>

#include "panels/EditObject.h"

class QLineEdit;
class QToolButton;

// Gives the control a widget on parent (or, when it has one, only applies its
// fields), placed at its grid rectangle and visible.
void CreateControl(Ostra::TEditObject& control, QWidget* parent);
// The control's widget, or null.
QWidget* ControlWidget(const Ostra::TEditObject& control);
// Places the widget at the control's grid rectangle.
void PlaceControl(Ostra::TEditObject& control);

// The edit control's widget: a borderless small form with the edit field and
// an "Ok" button at its right that takes the text over.
class TEditCtrlForm : public QWidget {
  Q_OBJECT
public:
  TEditCtrlForm(Ostra::TEditControlObject& control, QWidget* parent);
  QLineEdit* Edit;
  QToolButton* BtnOk;
  // Copies the control's text and alignment in and disables "Ok".
  void ApplyProperties();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void BtnOkClick();
  Ostra::TEditControlObject& Control;
};
