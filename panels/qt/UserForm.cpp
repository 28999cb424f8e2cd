#include "panels/qt/UserForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "engine/qt/CodePage.h"
#include "engine/qt/DialogFolder.h"
#include "engine/qt/MessageBox.h"
#include "engine/qt/Recovery.h"
#include "engine/qt/WindowPlacement.h"
#include "panels/qt/PanelWidgets.h"
#include "panels/qt/ParmForms.h"

using namespace Ostra;

namespace {

QString OpenDialog(QWidget* parent, const QString& caption, bool mustExist) {
  QFileDialog dlg(parent, caption, DialogFolder(QString()));
  dlg.setNameFilter(TUserForm::tr("GUI Files (*.gui);;All Files (*.*)"));
  dlg.setDefaultSuffix("gui");
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  dlg.setFileMode(mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dlg.setOption(QFileDialog::ReadOnly, false);
  return dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty() ? dlg.selectedFiles().first() : QString();
}

QRect PixelRect(const TGridRect& r) {
  return QRect(QPoint(r.Left * GridSize, r.Top * GridSize), QPoint(r.Right * GridSize - 1, r.Bottom * GridSize - 1));
}

}  // namespace

TGuiDialogs& GuiDialogs() {
  static TGuiDialogs dialogs{
      [](QWidget* parent) { return OpenDialog(parent, TUserForm::tr("Open / Create GUI File"), false); },
      [](QWidget* parent) { return OpenDialog(parent, TUserForm::tr("Select GUI File to Insert"), true); },
      [](QWidget* parent, const QString& preset) {
        // A preset in a folder that cannot be listed safely (a layout named
        // in /proc) opens in the home folder, with the name kept.
        QFileDialog dlg(parent, TUserForm::tr("Save GUI file"), DialogFolder(preset));
        dlg.setNameFilter(TUserForm::tr("GUI Files (*.gui);;All Files (*.*)"));
        dlg.setDefaultSuffix("gui");
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        if (!preset.isEmpty()) dlg.selectFile(QFileInfo(preset).fileName());
        return dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty() ? dlg.selectedFiles().first()
                                                                                 : QString();
      },
      [](QWidget* parent,
         QMessageBox::Icon icon,
         const QString& title,
         const QString& text,
         QMessageBox::StandardButtons buttons) { return Ostra::AskUser(parent, icon, title, text, buttons); },
  };
  return dialogs;
}

// ---- drawing area

TPaintBox::TPaintBox(TUserForm* form, QWidget* parent) : QWidget(parent), Form(form) {
  setObjectName("PaintBox");
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPaintBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  Form->PaintBoxPaint(p);
}
void TPaintBox::mousePressEvent(QMouseEvent* e) { Form->FormMouseDown(e, false); }
void TPaintBox::mouseDoubleClickEvent(QMouseEvent* e) { Form->FormMouseDown(e, true); }
void TPaintBox::mouseMoveEvent(QMouseEvent* e) { Form->FormMouseMove(e); }
void TPaintBox::mouseReleaseEvent(QMouseEvent* e) { Form->FormMouseUp(e); }
void TPaintBox::leaveEvent(QEvent*) { Form->FormMouseLeave(); }

// ---- the form

TUserForm::TUserForm(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("TUserForm");
  setWindowTitle(tr("GUI Editor"));
  QFont f("Tahoma");
  f.setPointSize(8);
  setFont(f);
  resize(600, 450);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  PanelControl = new QWidget(this);
  PanelControl->setObjectName("PanelControl");
  PanelControl->setFixedHeight(57);
  auto* tools = new QHBoxLayout(PanelControl);
  tools->setContentsMargins(4, 4, 4, 4);
  auto* left = new QGridLayout;
  left->setSpacing(3);
  auto* right = new QGridLayout;
  right->setSpacing(3);
  tools->addLayout(left);
  tools->addStretch(1);
  tools->addLayout(right);

  BtnAddLabel = AddButton("BtnAddLabel", tr("New Label"), true);
  BtnAddDisplay = AddButton("BtnAddDisplay", tr("New Display"), true);
  BtnAddButton = AddButton("BtnAddButton", tr("New Button"), true);
  BtnAddEdit = AddButton("BtnAddEdit", tr("New Edit"), true);
  BtnAddScrollbar = AddButton("BtnAddScrollbar", tr("New Scrollbar"), true);
  BtnAddCheckbox = AddButton("BtnAddCheckbox", tr("New Checkbox"), true);
  BtnDupl = AddButton("BtnDupl", tr("Duplicate"), false);
  BtnDelete = AddButton("BtnDelete", tr("Delete"), false);
  BtnTest = AddButton("BtnTest", tr("Test"), true);
  BtnSave = AddButton("BtnSave", tr("Save"), false);
  QPushButton* news[] = {BtnAddLabel, BtnAddDisplay, BtnAddButton, BtnAddEdit, BtnAddScrollbar, BtnAddCheckbox};
  const int types[] = {LabelType, DisplayType, ButtonType, EditType, ScrollbarType, CheckboxType};
  // The designed sizes, wider where a caption needs it.
  const auto fit = [](QPushButton* b, int width) { b->setFixedSize(std::max(width, b->sizeHint().width()), 22); };
  for (int i = 0; i < 6; ++i) {
    fit(news[i], 82);
    left->addWidget(news[i], i / 3, i % 3);
    const TEditObjectCreator* creator = CreatorOf(types[i]);
    connect(news[i], &QPushButton::clicked, this, [this, creator] { StartPlacing(creator); });
  }
  QPushButton* rights[] = {BtnDupl, BtnTest, BtnDelete, BtnSave};
  for (int i = 0; i < 4; ++i) {
    fit(rights[i], 74);
    right->addWidget(rights[i], i % 2, i / 2);
  }
  connect(BtnDupl, &QPushButton::clicked, this, &TUserForm::Duplicate);
  connect(BtnDelete, &QPushButton::clicked, this, &TUserForm::DeleteSelection);
  connect(BtnTest, &QPushButton::clicked, this, &TUserForm::ToggleTest);
  connect(BtnSave, &QPushButton::clicked, this, &TUserForm::Save);
  column->addWidget(PanelControl);

  ControlPanel = new QWidget(this);
  ControlPanel->setObjectName("ControlPanel");
  auto* inner = new QVBoxLayout(ControlPanel);
  inner->setContentsMargins(0, 0, 0, 0);
  PaintBox = new TPaintBox(this, ControlPanel);
  inner->addWidget(PaintBox);
  column->addWidget(ControlPanel, 1);
  // Never so narrow that the tool bar's buttons are cut off.
  setMinimumWidth(std::max(345, minimumSizeHint().width()));
  UpdateButtons();
}

TUserForm::~TUserForm() {
  RemoveDialog();
  DestroyWidgets();
}

QPushButton* TUserForm::AddButton(const char* name, const QString& caption, bool toggle) {
  auto* b = new QPushButton(caption, PanelControl);
  b->setObjectName(name);
  b->setCheckable(toggle);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

void TUserForm::SetMode(TMode mode) {
  Mode = mode;
  UpdateButtons();
}

void TUserForm::UpdateButtons() {
  QPushButton* news[] = {BtnAddLabel, BtnAddDisplay, BtnAddScrollbar, BtnAddEdit, BtnAddButton, BtnAddCheckbox};
  const int types[] = {LabelType, DisplayType, ScrollbarType, EditType, ButtonType, CheckboxType};
  for (int i = 0; i < 6; ++i) news[i]->setChecked(Mode == Placing && Creator == CreatorOf(types[i]));
  BtnTest->setChecked(Mode == Testing);
  BtnDupl->setEnabled(Mode == Selecting);
  BtnDelete->setEnabled(Mode == Selecting);
}

// ---- files

TUserForm* TUserForm::OpenEditor(QWidget* owner) {
  auto* form = new TUserForm(owner);
  const QString path = GuiDialogs().OpenOrCreate(owner);
  if (path.isEmpty() || !form->LoadFile(QFileInfo(path).absoluteFilePath())) {
    delete form;
    return nullptr;
  }
  form->ShowEditor();
  return form;
}

TUserForm* TUserForm::RestoreEditor(QWidget* owner, const std::string& bytes, const QString& path) {
  auto* form = new TUserForm(owner);
  form->FileName = path;
  TCSVReadWrite table;
  table.Parse(bytes);
  form->Panel.LoadRows(table);
  form->setWindowTitle(tr("GUI Editor - %1").arg(path));
  // Whatever the file holds now, the restored layout is still to be saved.
  form->SavedBytes.reset();
  form->ShowEditor();
  form->UpdateRecoveryCopy();
  return form;
}

void TUserForm::ShowEditor() {
  setAttribute(Qt::WA_DeleteOnClose);
  // Beside the main window, clear of the other windows, where the user put
  // an editor last time.
  if (QWidget* owner = parentWidget()) new TWindowPlacement(this, owner->window(), "GuiEditor");
  RecoveryTimer = new QTimer(this);
  RecoveryTimer->setInterval(RecoveryInterval);
  connect(RecoveryTimer, &QTimer::timeout, this, &TUserForm::UpdateRecoveryCopy);
  RecoveryTimer->start();
  show();
}

std::string TUserForm::LayoutBytes() const {
  TCSVReadWrite table;
  Panel.WriteRows(table);
  return table.Format();
}

void TUserForm::UpdateRecoveryCopy() {
  if (Mode == Running) return;
  const std::string bytes = LayoutBytes();
  if (bytes == SavedBytes) {
    if (Recovery) Recovery->Remove();
    return;
  }
  if (!Recovery) Recovery = std::make_unique<TRecoveryStore>(TRecoveryStore::DefaultFolder());
  // A copy that cannot be written is tried again at the next check.
  Recovery->Write(bytes, TRecoveryStore::LayoutKind, FileName);
}

bool TUserForm::WriteAndNote(const QString& path) {
  if (!WriteFile(path)) return false;
  SavedBytes = LayoutBytes();
  if (Recovery) Recovery->Remove();
  return true;
}

bool TUserForm::LoadFile(const QString& path) {
  RemoveDialog();
  DestroyWidgets();
  FileName = path;
  Selection.clear();
  BandSet.clear();
  Drag = {};
  SetMode(Idle);
  const bool loaded = Panel.LoadFile(path.toStdString()) != TPanelLoad::Refused;
  SavedBytes = LayoutBytes();
  if (Recovery) Recovery->Remove();
  setWindowTitle(tr("GUI Editor - %1").arg(path));
  PaintBox->update();
  return loaded;
}

bool TUserForm::WriteFile(const QString& path) const { return Panel.SaveFile(path.toStdString()); }

bool TUserForm::Save() {
  if (WriteAndNote(FileName)) return true;
  GuiDialogs().Ask(this, QMessageBox::Warning, tr("Ostra Calculator"), tr("Error writing file!"), QMessageBox::Ok);
  return false;
}

void TUserForm::closeEvent(QCloseEvent* e) {
  if (Mode != Running) {
    // The panel is written without asking; when that fails, the user
    // chooses between closing and writing it elsewhere.
    QString target = FileName;
    while (!WriteAndNote(target)) {
      if (GuiDialogs().Ask(this,
                           QMessageBox::Warning,
                           tr("GUI Editor"),
                           tr("Cannot save file, close anyway?"),
                           QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok)
        break;
      target = GuiDialogs().SaveAs(this, target);
      if (target.isEmpty()) {
        e->ignore();
        return;
      }
    }
    // Written, or given up by the user: no copy is kept.
    if (Recovery) Recovery->Remove();
  }
  RemoveDialog();
  DestroyWidgets();
  e->accept();
}

void TUserForm::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Delete && BtnDelete->isEnabled()) {
    DeleteSelection();
    return;
  }
  QWidget::keyPressEvent(e);
}

// ---- run and test mode

void TUserForm::DestroyWidgets() {
  for (auto& c : Panel.Controls) c->DestroyControl();
}

void TUserForm::StartRunMode(TernioParser::TEvent* event) {
  PanelEvent = event;
  PanelControl->hide();
  Panel.BuildIndex();
  for (auto& c : Panel.Controls) {
    c->ChangeHandler = [this](TEditObject& control) {
      control.Changed = true;
      if (PanelEvent) PanelEvent->Set();
    };
    CreateControl(*c, ControlPanel);
    ControlWidget(*c)->raise();
    c->Changed = false;
  }
  SetMode(Running);
}

void TUserForm::StopRunMode() {
  DestroyWidgets();
  PanelEvent = nullptr;
}

void TUserForm::ToggleTest() {
  if (Mode == Running) return;
  if (Mode == Testing) {
    DestroyWidgets();
    SetMode(Idle);
  } else {
    RemoveDialog();
    for (auto& c : Panel.Controls) {
      c->ChangeHandler = [](TEditObject& control) { control.Changed = true; };
      CreateControl(*c, ControlPanel);
      ControlWidget(*c)->raise();
      c->Changed = false;
    }
    Selection.clear();
    BandSet.clear();
    SetMode(Testing);
  }
  PaintBox->update();
}

// ---- editing

void TUserForm::StartPlacing(const TEditObjectCreator* creator) {
  if (Mode != Idle && Mode != Selecting) {
    UpdateButtons();
    return;
  }
  Selection.clear();
  Creator = creator;
  Pointer = PaintBox->mapFromGlobal(QCursor::pos());
  SetMode(Placing);
  PaintBox->update();
}

void TUserForm::Duplicate() {
  if (Mode != Selecting) return;
  int32_t next = Panel.LargestID();
  std::vector<std::unique_ptr<TEditObject>> copies;
  for (const auto& c : Panel.Controls) {
    if (!Selection.count(c.get())) continue;
    auto copy = CreatorOf(c->GetTypeCode())->Create();
    copy->Bounds = c->Bounds;
    copy->ID = ++next;
    TGuiRow fields;
    c->WriteFields(fields);
    size_t pos = 0;
    copy->ReadFields(fields, pos);
    copies.push_back(std::move(copy));
  }
  Selection.clear();
  if (copies.empty()) {
    SetMode(Idle);
    return;
  }
  int32_t left = copies[0]->Bounds.Left, top = copies[0]->Bounds.Top;
  for (auto& c : copies) {
    left = std::min(left, c->Bounds.Left);
    top = std::min(top, c->Bounds.Top);
    Selection.insert(c.get());
    Panel.Controls.push_back(std::move(c));
  }
  Anchor = QPoint(left, top);
  SetMode(MovingSelection);
  PaintBox->setCursor(Qt::SizeAllCursor);
  PaintBox->update();
}

void TUserForm::DeleteSelection() {
  if (Mode != Selecting) return;
  RemoveDialog();
  std::erase_if(Panel.Controls, [&](const std::unique_ptr<TEditObject>& c) { return Selection.count(c.get()) > 0; });
  Selection.clear();
  SetMode(Idle);
  PaintBox->update();
}

void TUserForm::ShowParameterDialog(TEditObject& control, QPoint screen) {
  RemoveDialog();
  TParmForm* dlg = CreateParmForm(
      control, [this] { PaintBox->update(); }, this);
  OpenDialog = dlg;
  dlg->move(screen);
  dlg->show();
}

void TUserForm::RemoveDialog() {
  if (!OpenDialog) return;
  QWidget* dlg = OpenDialog;
  OpenDialog = nullptr;
  // Hiding writes the values back.
  dlg->hide();
  delete dlg;
}

// ---- hit test and drawing

int TUserForm::HitTest(const TEditObject& c, QPoint p) {
  static const int fx[8] = {0, 1, 2, 0, 2, 0, 1, 2}, fy[8] = {0, 0, 0, 1, 1, 2, 2, 2};
  const int l = c.Bounds.Left * GridSize, t = c.Bounds.Top * GridSize;
  const int r = c.Bounds.Right * GridSize, b = c.Bounds.Bottom * GridSize;
  for (int h = 0; h < 8; ++h) {
    const int cx = l + (r - l) * fx[h] / 2, cy = t + (b - t) * fy[h] / 2;
    if (cx - 3 <= p.x() && p.x() < cx + 3 && cy - 3 <= p.y() && p.y() < cy + 3) return h;
  }
  return l <= p.x() && p.x() < r && t <= p.y() && p.y() < b ? 8 : 9;
}

void TUserForm::PaintBoxPaint(QPainter& p) {
  p.fillRect(PaintBox->rect(), palette().color(QPalette::Button));
  if (Mode == Testing || Mode == Running) return;
  p.setPen(Qt::blue);
  for (int y = 0; y < PaintBox->height(); y += GridSize)
    for (int x = 0; x < PaintBox->width(); x += GridSize) p.drawPoint(x, y);
  for (const auto& c : Panel.Controls) {
    const QRect r = PixelRect(c->Bounds).normalized();
    const QColor frame = Selection.count(c.get()) || BandSet.count(c.get()) ? Qt::blue : Qt::black;
    const std::string text = c->GetDisplayText();
    QString label = QString::number(static_cast<uint32_t>(c->ID));
    if (!text.empty()) label += ": " + FromCodePage(text);
    p.setPen(Qt::black);
    p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, label.replace('\n', ' ').replace('\r', ' '));
    p.setPen(frame);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
    if (c->Hovered) {
      static const int fx[8] = {0, 1, 2, 0, 2, 0, 1, 2}, fy[8] = {0, 0, 0, 1, 1, 2, 2, 2};
      const int l = c->Bounds.Left * GridSize, t = c->Bounds.Top * GridSize;
      const int rr = c->Bounds.Right * GridSize, b = c->Bounds.Bottom * GridSize;
      for (int h = 0; h < 8; ++h) p.fillRect(l + (rr - l) * fx[h] / 2 - 3, t + (b - t) * fy[h] / 2 - 3, 6, 6, frame);
    }
  }
  if (Mode == Placing && Creator) {
    p.setPen(Qt::blue);
    p.drawRect(Pointer.x(), Pointer.y(), Creator->Width() * GridSize - 1, Creator->Height() * GridSize - 1);
  }
  if (Mode == RubberBand) {
    p.setPen(QPen(Qt::blue, 1, Qt::DashLine));
    p.drawRect(QRect(Anchor, BandCorner).normalized());
  }
}

// ---- pointer

void TUserForm::UpdatePointerShape(QPoint p) {
  int hit = 9;
  for (const auto& c : Panel.Controls)
    if (c->Hovered) hit = HitTest(*c, p);
  static const Qt::CursorShape shapes[10] = {Qt::SizeFDiagCursor,
                                             Qt::SizeVerCursor,
                                             Qt::SizeBDiagCursor,
                                             Qt::SizeHorCursor,
                                             Qt::SizeHorCursor,
                                             Qt::SizeBDiagCursor,
                                             Qt::SizeVerCursor,
                                             Qt::SizeFDiagCursor,
                                             Qt::SizeAllCursor,
                                             Qt::ArrowCursor};
  PaintBox->setCursor(shapes[hit]);
}

void TUserForm::UpdateDragTarget(QPoint p) {
  TEditObject* c = Drag.Control;
  if (!c) return;
  if (Drag.Handle == 8) {
    const int dx = (p.x() - Anchor.x()) / GridSize, dy = (p.y() - Anchor.y()) / GridSize;
    c->Bounds = {Drag.Before.Left + dx, Drag.Before.Top + dy, Drag.Before.Right + dx, Drag.Before.Bottom + dy};
  } else {
    const int h = Drag.Handle;
    if (h == 0 || h == 3 || h == 5) c->Bounds.Left = p.x() / GridSize;
    if (h == 0 || h == 1 || h == 2) c->Bounds.Top = p.y() / GridSize;
    if (h == 2 || h == 4 || h == 7) c->Bounds.Right = p.x() / GridSize;
    if (h == 5 || h == 6 || h == 7) c->Bounds.Bottom = p.y() / GridSize;
  }
  PaintBox->update();
}

void TUserForm::MoveSelection(QPoint p) {
  const QPoint cell(p.x() / GridSize, p.y() / GridSize);
  if (cell == Anchor) return;
  const int dx = cell.x() - Anchor.x(), dy = cell.y() - Anchor.y();
  for (TEditObject* c : Selection)
    c->Bounds = {c->Bounds.Left + dx, c->Bounds.Top + dy, c->Bounds.Right + dx, c->Bounds.Bottom + dy};
  Anchor = cell;
  PaintBox->update();
}

void TUserForm::FormMouseDown(QMouseEvent* e, bool doubleClick) {
  if (Mode == Testing || Mode == Running) return;
  RemoveDialog();
  const QPoint p = e->position().toPoint();
  const bool leftButton = e->button() == Qt::LeftButton;
  if (Mode == Placing) {
    if (leftButton) {
      auto c = Creator->Create();
      c->ID = Panel.SmallestFreeID();
      c->Bounds.Left = p.x() / GridSize;
      c->Bounds.Top = p.y() / GridSize;
      c->Bounds.Right = c->Bounds.Left + Creator->Width();
      c->Bounds.Bottom = c->Bounds.Top + Creator->Height();
      Panel.Controls.push_back(std::move(c));
    }
    SetMode(Idle);
    PaintBox->update();
    return;
  }
  if (Mode == Selecting && leftButton) {
    if (doubleClick && Selection.size() == 1 && HitTest(**Selection.begin(), p) != 9) {
      TEditObject* c = *Selection.begin();
      Selection.clear();
      SetMode(Idle);
      PaintBox->update();
      ShowParameterDialog(*c, e->globalPosition().toPoint());
      return;
    }
    const QPoint cell(p.x() / GridSize, p.y() / GridSize);
    for (TEditObject* c : Selection) {
      const TGridRect r = c->Bounds;
      if (r.Left <= cell.x() && cell.x() < r.Right && r.Top <= cell.y() && cell.y() < r.Bottom) {
        Anchor = cell;
        SetMode(MovingSelection);
        PaintBox->setCursor(Qt::SizeAllCursor);
        return;
      }
    }
    Selection.clear();
    SetMode(Idle);
    PaintBox->update();
  }
  if (Mode == Idle && leftButton) {
    for (const auto& c : Panel.Controls) {
      const int hit = HitTest(*c, p);
      if (hit == 9) continue;
      Drag.Control = c.get();
      Drag.Before = c->Bounds;
      Drag.Handle = hit;
      Anchor = p;
      SetMode(hit == 8 ? PressedOnControl : ResizingControl);
      return;
    }
    Selection.clear();
    Anchor = p;
    SetMode(PressedOnEmpty);
    PaintBox->update();
  }
}

void TUserForm::FormMouseMove(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  Pointer = p;
  const bool leftDown = e->buttons() & Qt::LeftButton;
  const int distance = std::abs(p.x() - Anchor.x()) + std::abs(p.y() - Anchor.y());
  switch (Mode) {
    case Idle: {
      bool changed = false;
      for (const auto& c : Panel.Controls) {
        const QRect grown = PixelRect(c->Bounds).normalized().adjusted(-3, -3, 3, 3);
        const bool hover = grown.contains(p);
        changed = changed || hover != c->Hovered;
        c->Hovered = hover;
      }
      if (changed) PaintBox->update();
      UpdatePointerShape(p);
      break;
    }
    case Placing: PaintBox->update(); break;
    case PressedOnControl:
      if (leftDown && distance >= 5) {
        SetMode(MovingControl);
        UpdateDragTarget(p);
      }
      break;
    case MovingControl:
    case ResizingControl:
      if (leftDown) UpdateDragTarget(p);
      else FormMouseUp(e);
      break;
    case PressedOnEmpty:
      if (distance >= 5) {
        BandCorner = p;
        SetMode(RubberBand);
        PaintBox->update();
      }
      break;
    case RubberBand: {
      BandCorner = p;
      BandSet.clear();
      const int minX = std::min(Anchor.x(), BandCorner.x()) / GridSize;
      const int minY = std::min(Anchor.y(), BandCorner.y()) / GridSize;
      const int maxX = std::max(Anchor.x(), BandCorner.x()) / GridSize;
      const int maxY = std::max(Anchor.y(), BandCorner.y()) / GridSize;
      for (const auto& c : Panel.Controls)
        if (c->Bounds.Left >= minX && c->Bounds.Top >= minY && c->Bounds.Right <= maxX && c->Bounds.Bottom <= maxY)
          BandSet.insert(c.get());
      PaintBox->update();
      break;
    }
    case Selecting: {
      bool over = false;
      for (const auto& c : Panel.Controls) over = over || HitTest(*c, p) != 9;
      PaintBox->setCursor(over ? Qt::SizeAllCursor : Qt::ArrowCursor);
      break;
    }
    case MovingSelection: MoveSelection(p); break;
    default: break;
  }
}

void TUserForm::FormMouseUp(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  switch (Mode) {
    case PressedOnControl: {
      TEditObject* hit = nullptr;
      for (const auto& c : Panel.Controls)
        if (!hit && HitTest(*c, p) != 9) hit = c.get();
      for (const auto& c : Panel.Controls) c->Hovered = false;
      if (hit) {
        Selection.insert(hit);
        SetMode(Selecting);
      } else {
        SetMode(Idle);
      }
      Drag = {};
      PaintBox->update();
      break;
    }
    case MovingControl:
    case ResizingControl:
      UpdateDragTarget(p);
      Drag = {};
      SetMode(Idle);
      break;
    case PressedOnEmpty: SetMode(Idle); break;
    case RubberBand:
      Selection = BandSet;
      BandSet.clear();
      SetMode(Selecting);
      PaintBox->update();
      break;
    case MovingSelection:
      MoveSelection(p);
      SetMode(Selecting);
      PaintBox->setCursor(Qt::ArrowCursor);
      break;
    default: break;
  }
}

void TUserForm::FormMouseLeave() {
  if (Mode == Placing) {
    SetMode(Idle);
    PaintBox->update();
  } else if (Mode == MovingControl || Mode == ResizingControl) {
    if (Drag.Control) Drag.Control->Bounds = Drag.Before;
    Drag = {};
    SetMode(Idle);
    PaintBox->update();
  }
}
