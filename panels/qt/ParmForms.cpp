#include "panels/qt/ParmForms.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "engine/qt/CodePage.h"

using namespace Ostra;

namespace {

// The text as an integer, or fallback when it is none.
int32_t IntegerOr(const QLineEdit* e, int32_t fallback) {
  int32_t v = 0;
  return ReadInteger(e->text().toStdString(), v) ? v : fallback;
}

void SetText(QLineEdit* e, const std::string& text) { e->setText(FromCodePage(text)); }
void SetNumber(QLineEdit* e, int64_t n) { e->setText(QString::number(n)); }

// The text field of the control's type.
std::string* TextOf(TEditObject& c) {
  if (auto* l = dynamic_cast<TLabelObject*>(&c)) return &l->Text;
  if (auto* e = dynamic_cast<TEditControlObject*>(&c)) return &e->Text;
  if (auto* b = dynamic_cast<TButtonObject*>(&c)) return &b->Caption;
  if (auto* b = dynamic_cast<TCheckboxObject*>(&c)) return &b->Caption;
  return nullptr;
}
int32_t* AlignmentOf(TEditObject& c) {
  if (auto* l = dynamic_cast<TLabelObject*>(&c)) return &l->Alignment;
  if (auto* e = dynamic_cast<TEditControlObject*>(&c)) return &e->Alignment;
  return nullptr;
}

}  // namespace

TParmForm::TParmForm(const QString& caption, std::function<void()> applied, QWidget* parent)
    : QWidget(parent, Qt::Tool), Applied(std::move(applied)) {
  setWindowTitle(caption);
  setAttribute(Qt::WA_DeleteOnClose, false);
  QFont f("Tahoma");
  f.setPointSize(8);
  setFont(f);
  // Wide enough for the caption in the title bar (with the window's icon
  // and buttons beside it).
  setMinimumWidth(QFontMetrics(QApplication::font()).horizontalAdvance(caption) + 140);
  Grid = new QGridLayout(this);
  BtnOk = new QPushButton(tr("OK"), this);
  BtnOk->setObjectName("BtnOk");
  BtnOk->setDefault(true);
  connect(BtnOk, &QPushButton::clicked, this, &QWidget::hide);
}

void TParmForm::hideEvent(QHideEvent* e) {
  QWidget::hideEvent(e);
  if (Applying) return;
  Applying = true;
  Apply();
  if (Applied) Applied();
  Applying = false;
}

QLineEdit* TParmForm::AddField(const char* name, const QString& label) {
  const int row = Grid->rowCount();
  auto* edit = new QLineEdit(this);
  edit->setObjectName(name);
  auto* l = new QLabel(label, this);
  l->setBuddy(edit);
  Grid->addWidget(l, row, 0);
  Grid->addWidget(edit, row, 1);
  return edit;
}

QButtonGroup* TParmForm::AddRadioGroup(const char* name, const QString& title, const QStringList& items,
                                       int columns) {
  auto* box = new QGroupBox(title, this);
  box->setObjectName(name);
  auto* layout = new QGridLayout(box);
  auto* group = new QButtonGroup(box);
  group->setObjectName(name);
  for (int i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(items[i], box);
    group->addButton(b, i);
    layout->addWidget(b, i / columns, i % columns);
  }
  Grid->addWidget(box, Grid->rowCount(), 0, 1, 2);
  return group;
}

void TParmForm::ApplyId(TEditObject& c) const {
  int32_t id = 0;
  if (!ReadInteger(edtId->text().toStdString(), id)) id = 0;
  if (id >= 0) c.ID = id;
}

// ---- label and edit

TLabelParmForm::TLabelParmForm(TEditObject& control, std::function<void()> applied, QWidget* parent,
                               const QString& caption)
    : TParmForm(caption.isEmpty() ? tr("Label Parameters") : caption, std::move(applied), parent), Control(control) {
  edtId = AddField("edtId", tr("ID:"));
  RGAlign = AddRadioGroup("RGAlign", tr("Alignment"), {tr("Left"), tr("Center"), tr("Right")}, 3);
  edtText = AddField("edtText", tr("Text:"));
  Grid->addWidget(BtnOk, Grid->rowCount(), 1, Qt::AlignRight);
  SetNumber(edtId, static_cast<uint32_t>(control.ID));
  SetText(edtText, *TextOf(control));
  if (auto* b = RGAlign->button(*AlignmentOf(control))) b->setChecked(true);
}

void TLabelParmForm::Apply() {
  ApplyId(Control);
  *TextOf(Control) = ToCodePage(edtText->text());
  if (RGAlign->checkedId() >= 0) *AlignmentOf(Control) = RGAlign->checkedId();
}

// ---- display

TDisplayParmForm::TDisplayParmForm(TDisplayObject& control, std::function<void()> applied, QWidget* parent)
    : TParmForm(tr("Display Parameters"), std::move(applied), parent), Control(control) {
  RGAlign = AddRadioGroup("RGAlign", tr("Alignment"), {tr("Left"), tr("Center"), tr("Right")}, 1);
  edtId = AddField("edtId", tr("ID:"));
  edtFontSize = AddField("edtFontSize", tr("Font Size:"));
  edtText = AddField("edtText", tr("Text:"));
  Grid->addWidget(BtnOk, Grid->rowCount(), 1, Qt::AlignRight);
  SetNumber(edtId, static_cast<uint32_t>(control.ID));
  SetNumber(edtFontSize, control.FontSize);
  SetText(edtText, control.Text);
  if (auto* b = RGAlign->button(control.Alignment)) b->setChecked(true);
}

void TDisplayParmForm::Apply() {
  ApplyId(Control);
  Control.FontSize = IntegerOr(edtFontSize, Control.FontSize);
  Control.Text = ToCodePage(edtText->text());
  if (RGAlign->checkedId() >= 0) Control.Alignment = RGAlign->checkedId();
}

// ---- scrollbar

TScrollbarParmForm::TScrollbarParmForm(TScrollbarObject& control, std::function<void()> applied, QWidget* parent)
    : TParmForm(tr("Scrollbar Properties"), std::move(applied), parent), Control(control) {
  edtId = AddField("edtId", tr("ID:"));
  RGOrient = AddRadioGroup("RGOrient", tr("Orientation"), {tr("Vertical"), tr("Horizontal")}, 2);
  EdtMin = AddField("EdtMin", tr("Minimum:"));
  EdtMax = AddField("EdtMax", tr("Maximum:"));
  EdtValue = AddField("EdtValue", tr("Value:"));
  EdtLineSize = AddField("EdtLineSize", tr("Line Size:"));
  EdtPageSize = AddField("EdtPageSize", tr("Page Size:"));
  Grid->addWidget(BtnOk, Grid->rowCount(), 1, Qt::AlignRight);
  SetNumber(edtId, static_cast<uint32_t>(control.ID));
  SetNumber(EdtMin, control.Min);
  SetNumber(EdtMax, control.Max);
  SetNumber(EdtValue, control.Value);
  SetNumber(EdtLineSize, control.LineSize);
  SetNumber(EdtPageSize, control.PageSize);
  if (auto* b = RGOrient->button(control.Orientation)) b->setChecked(true);
}

void TScrollbarParmForm::Apply() {
  // The ID of a scrollbar stays when its text is no number.
  int32_t id = 0;
  if (ReadInteger(edtId->text().toStdString(), id) && id >= 0) Control.ID = id;
  Control.Min = IntegerOr(EdtMin, Control.Min);
  Control.Max = IntegerOr(EdtMax, Control.Max);
  Control.Value = IntegerOr(EdtValue, Control.Value);
  Control.PageSize = IntegerOr(EdtPageSize, Control.PageSize);
  Control.LineSize = IntegerOr(EdtLineSize, Control.LineSize);
  if (RGOrient->checkedId() >= 0) Control.Orientation = RGOrient->checkedId();
}

// ---- button and checkbox

TButtonParmForm::TButtonParmForm(TEditObject& control, std::function<void()> applied, QWidget* parent)
    : TParmForm(control.GetTypeCode() == CheckboxType ? tr("Checkbox Parameters") : tr("Button Parameters"),
                std::move(applied), parent),
      Control(control) {
  edtId = AddField("edtId", tr("ID:"));
  edtText = AddField("edtText", tr("Label:"));
  Grid->addWidget(BtnOk, Grid->rowCount(), 1, Qt::AlignRight);
  SetNumber(edtId, static_cast<uint32_t>(control.ID));
  SetText(edtText, *TextOf(control));
}

void TButtonParmForm::Apply() {
  ApplyId(Control);
  *TextOf(Control) = ToCodePage(edtText->text());
}

TParmForm* CreateParmForm(TEditObject& c, std::function<void()> applied, QWidget* parent) {
  switch (c.GetTypeCode()) {
    case LabelType: return new TLabelParmForm(c, std::move(applied), parent);
    case DisplayType: return new TDisplayParmForm(static_cast<TDisplayObject&>(c), std::move(applied), parent);
    case ScrollbarType: return new TScrollbarParmForm(static_cast<TScrollbarObject&>(c), std::move(applied), parent);
    case EditType: return new TEditParmForm(static_cast<TEditControlObject&>(c), std::move(applied), parent);
    case ButtonType:
    case CheckboxType: return new TButtonParmForm(c, std::move(applied), parent);
  }
  return nullptr;
}
