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

QString FileDialog(QWidget* parent, const QString& caption, bool mustExist) {
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

QPoint ToQt(TPixel p) { return QPoint(p.X, p.Y); }
TPixel ToModel(QPoint p) { return {p.x(), p.y()}; }

}  // namespace

TGuiDialogs& GuiDialogs() {
  static TGuiDialogs dialogs{
      [](QWidget* parent) { return FileDialog(parent, TUserForm::tr("Open / Create GUI File"), false); },
      [](QWidget* parent) { return FileDialog(parent, TUserForm::tr("Select GUI File to Insert"), true); },
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

void TUserForm::UpdateButtons() {
  QPushButton* news[] = {BtnAddLabel, BtnAddDisplay, BtnAddScrollbar, BtnAddEdit, BtnAddButton, BtnAddCheckbox};
  const int types[] = {LabelType, DisplayType, ScrollbarType, EditType, ButtonType, CheckboxType};
  for (int i = 0; i < 6; ++i) news[i]->setChecked(FModel.PlacingWith(CreatorOf(types[i])));
  BtnTest->setChecked(FModel.Mode() == TEditorModel::Testing);
  BtnDupl->setEnabled(FModel.CanEditSelection());
  BtnDelete->setEnabled(FModel.CanEditSelection());
}

void TUserForm::Apply(const TEditorModel::TEffect& fx, QPoint global) {
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
  if (fx.Pointer >= 0) PaintBox->setCursor(shapes[fx.Pointer]);
  UpdateButtons();
  if (fx.Repaint) PaintBox->update();
  if (fx.Parameters) ShowParameterDialog(*fx.Parameters, global);
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
  form->FModel.Panel.LoadRows(table);
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
  FModel.Panel.WriteRows(table);
  return table.Format();
}

void TUserForm::UpdateRecoveryCopy() {
  if (FModel.Mode() == TEditorModel::Running) return;
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
  if (!FModel.Panel.SaveFile(path.toStdString())) return false;
  SavedBytes = LayoutBytes();
  if (Recovery) Recovery->Remove();
  return true;
}

bool TUserForm::LoadFile(const QString& path) {
  RemoveDialog();
  DestroyWidgets();
  FileName = path;
  FModel.Reset();
  UpdateButtons();
  const bool loaded = FModel.Panel.LoadFile(path.toStdString()) != TPanelLoad::Refused;
  SavedBytes = LayoutBytes();
  if (Recovery) Recovery->Remove();
  setWindowTitle(tr("GUI Editor - %1").arg(path));
  PaintBox->update();
  return loaded;
}

bool TUserForm::Save() {
  if (WriteAndNote(FileName)) return true;
  GuiDialogs().Ask(this, QMessageBox::Warning, tr("Ostra Calculator"), tr("Error writing file!"), QMessageBox::Ok);
  return false;
}

void TUserForm::closeEvent(QCloseEvent* e) {
  if (FModel.Mode() != TEditorModel::Running) {
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
  if (e->key() == Qt::Key_Delete && FModel.CanEditSelection()) {
    DeleteSelection();
    return;
  }
  QWidget::keyPressEvent(e);
}

// ---- run and test mode

void TUserForm::CreateWidgets(const std::function<void(TEditObject&)>& onChange) {
  for (auto& c : FModel.Panel.Controls) {
    c->ChangeHandler = onChange;
    CreateControl(*c, ControlPanel);
    ControlWidget(*c)->raise();
    c->Changed = false;
  }
}

void TUserForm::DestroyWidgets() {
  for (auto& c : FModel.Panel.Controls) c->DestroyControl();
}

void TUserForm::StartRunMode(TernioParser::TEvent* event) {
  PanelEvent = event;
  PanelControl->hide();
  FModel.Panel.BuildIndex();
  CreateWidgets([this](TEditObject& control) {
    control.Changed = true;
    if (PanelEvent) PanelEvent->Set();
  });
  FModel.StartRunning();
  UpdateButtons();
}

void TUserForm::StopRunMode() {
  DestroyWidgets();
  PanelEvent = nullptr;
}

void TUserForm::ToggleTest() {
  const TEditorModel::TMode before = FModel.Mode();
  const TEditorModel::TMode now = FModel.ToggleTest();
  if (now == before) return;
  if (now == TEditorModel::Testing) {
    RemoveDialog();
    CreateWidgets([](TEditObject& control) { control.Changed = true; });
  } else {
    DestroyWidgets();
  }
  UpdateButtons();
  PaintBox->update();
}

// ---- editing

void TUserForm::StartPlacing(const TEditObjectCreator* creator) {
  // A refused start unchecks the button again.
  const bool started = FModel.StartPlacing(creator, ToModel(PaintBox->mapFromGlobal(QCursor::pos())));
  UpdateButtons();
  if (started) PaintBox->update();
}

void TUserForm::Duplicate() { Apply(FModel.Duplicate()); }

void TUserForm::DeleteSelection() {
  // The dialog writes its values back to a control that may be deleted.
  if (FModel.CanEditSelection()) RemoveDialog();
  Apply(FModel.DeleteSelection());
}

void TUserForm::ShowParameterDialog(TEditObject& control, QPoint screen) {
  RemoveDialog();
  TParmForm* dlg = CreateParmForm(
      control, [this] { PaintBox->update(); }, this);
  FOpenDialog = dlg;
  dlg->move(screen);
  dlg->show();
}

void TUserForm::RemoveDialog() {
  if (!FOpenDialog) return;
  QWidget* dlg = FOpenDialog;
  FOpenDialog = nullptr;
  // Hiding writes the values back.
  dlg->hide();
  delete dlg;
}

// ---- drawing

void TUserForm::PaintBoxPaint(QPainter& p) {
  p.fillRect(PaintBox->rect(), palette().color(QPalette::Button));
  const TEditorModel::TMode mode = FModel.Mode();
  if (mode == TEditorModel::Testing || mode == TEditorModel::Running) return;
  p.setPen(Qt::blue);
  for (int y = 0; y < PaintBox->height(); y += GridSize)
    for (int x = 0; x < PaintBox->width(); x += GridSize) p.drawPoint(x, y);
  for (const auto& c : FModel.Panel.Controls) {
    const QRect r = PixelRect(c->Bounds).normalized();
    const QColor frame = FModel.Highlighted(c.get()) ? Qt::blue : Qt::black;
    const std::string text = c->GetDisplayText();
    QString label = QString::number(static_cast<uint32_t>(c->ID));
    if (!text.empty()) label += ": " + FromCodePage(text);
    p.setPen(Qt::black);
    p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, label.replace('\n', ' ').replace('\r', ' '));
    p.setPen(frame);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
    if (c->Hovered) {
      for (int h = 0; h < 8; ++h) {
        const TPixel centre = TEditorModel::HandleCentre(*c, h);
        p.fillRect(centre.X - HandleSize / 2, centre.Y - HandleSize / 2, HandleSize, HandleSize, frame);
      }
    }
  }
  TPixel topLeft, bottomRight;
  if (FModel.PlacingOutline(topLeft, bottomRight)) {
    p.setPen(Qt::blue);
    p.drawRect(topLeft.X, topLeft.Y, bottomRight.X - topLeft.X, bottomRight.Y - topLeft.Y);
  }
  if (mode == TEditorModel::RubberBand) {
    p.setPen(QPen(Qt::blue, 1, Qt::DashLine));
    p.drawRect(QRect(ToQt(FModel.BandAnchor()), ToQt(FModel.BandCorner())).normalized());
  }
}

// ---- pointer

void TUserForm::FormMouseDown(QMouseEvent* e, bool doubleClick) {
  // The dialog writes its values back before the press is looked at.
  if (FModel.EditsLayout()) RemoveDialog();
  Apply(FModel.Press(ToModel(e->position().toPoint()), e->button() == Qt::LeftButton, doubleClick),
        e->globalPosition().toPoint());
}

void TUserForm::FormMouseMove(QMouseEvent* e) {
  Apply(FModel.Move(ToModel(e->position().toPoint()), e->buttons() & Qt::LeftButton));
}

void TUserForm::FormMouseUp(QMouseEvent* e) { Apply(FModel.Release(ToModel(e->position().toPoint()))); }

void TUserForm::FormMouseLeave() { Apply(FModel.Leave()); }
