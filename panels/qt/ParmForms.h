#pragma once
// The parameter dialogs of the six control types: small tool windows, opened
// filled with the control's values, that write their values back to the
// control whenever they are hidden (OK or the close box).

#include <QButtonGroup>
#include <QWidget>
#include <functional>

#include "panels/EditObject.h"

class QLineEdit;
class QGridLayout;
class QPushButton;

class TParmForm : public QWidget {
  Q_OBJECT
public:
  // applied runs after the values were written back.
  TParmForm(const QString& caption, std::function<void()> applied, QWidget* parent);
  QLineEdit* edtId = nullptr;
  QLineEdit* edtText = nullptr;
  QPushButton* BtnOk;
  // Writes the dialog's values to the control.
  virtual void Apply() = 0;

protected:
  void hideEvent(QHideEvent* e) override;
  QLineEdit* AddField(const char* name, const QString& label);
  QButtonGroup* AddRadioGroup(const char* name, const QString& title, const QStringList& items, int columns);
  // ID := the text as an integer (0 when it is none); a negative number is
  // refused and the ID stays.
  void ApplyId(Ostra::TEditObject& control) const;
  QGridLayout* Grid;

private:
  std::function<void()> Applied;
  bool Applying = false;
};

class TLabelParmForm : public TParmForm {
  Q_OBJECT
public:
  // For a label, and with the edit's caption for an edit control.
  TLabelParmForm(Ostra::TEditObject& control, std::function<void()> applied, QWidget* parent,
                 const QString& caption = QString());
  QButtonGroup* RGAlign;
  void Apply() override;

private:
  Ostra::TEditObject& Control;
};

class TEditParmForm final : public TLabelParmForm {
  Q_OBJECT
public:
  TEditParmForm(Ostra::TEditControlObject& control, std::function<void()> applied, QWidget* parent)
      : TLabelParmForm(control, std::move(applied), parent, tr("Edit Parameters")) {}
};

class TDisplayParmForm final : public TParmForm {
  Q_OBJECT
public:
  TDisplayParmForm(Ostra::TDisplayObject& control, std::function<void()> applied, QWidget* parent);
  QButtonGroup* RGAlign;
  QLineEdit* edtFontSize;
  void Apply() override;

private:
  Ostra::TDisplayObject& Control;
};

class TScrollbarParmForm final : public TParmForm {
  Q_OBJECT
public:
  TScrollbarParmForm(Ostra::TScrollbarObject& control, std::function<void()> applied, QWidget* parent);
  QButtonGroup* RGOrient;
  QLineEdit *EdtMin, *EdtMax, *EdtValue, *EdtLineSize, *EdtPageSize;
  void Apply() override;

private:
  Ostra::TScrollbarObject& Control;
};

// For buttons and checkboxes.
class TButtonParmForm final : public TParmForm {
  Q_OBJECT
public:
  TButtonParmForm(Ostra::TEditObject& control, std::function<void()> applied, QWidget* parent);
  void Apply() override;

private:
  Ostra::TEditObject& Control;
};

// The dialog of a control's type.
TParmForm* CreateParmForm(Ostra::TEditObject& control, std::function<void()> applied, QWidget* parent);
