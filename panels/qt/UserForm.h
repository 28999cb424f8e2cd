#pragma once
// The GUI editor: places the six controls on the 7-pixel grid, moves and
// resizes them, selects, duplicates and deletes them, edits their parameters,
// tries the panel out and saves it as a .gui file. In run mode the same form
// hosts a loaded panel in the control window.

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/Events.h"
#include "panels/EditorModel.h"

class QPushButton;
class QTimer;
class TRecoveryStore;
class TUserForm;

// The dialogs and questions of the editor; tests replace them.
struct TGuiDialogs {
  // "Open / Create GUI File": an existing file or the name of a new one;
  // empty when cancelled.
  std::function<QString(QWidget* parent)> OpenOrCreate;
  // "Select GUI File to Insert": an existing file; empty when cancelled.
  std::function<QString(QWidget* parent)> SelectToInsert;
  // "Save GUI file", preset with a name; empty when cancelled.
  std::function<QString(QWidget* parent, const QString& preset)> SaveAs;
  std::function<QMessageBox::StandardButton(QWidget* parent, QMessageBox::Icon, const QString& title,
                                            const QString& text, QMessageBox::StandardButtons)>
      Ask;
};
TGuiDialogs& GuiDialogs();

// The drawing area: paints and forwards the pointer to the editor.
class TPaintBox final : public QWidget {
  Q_OBJECT
public:
  TPaintBox(TUserForm* form, QWidget* parent);

protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void leaveEvent(QEvent*) override;

private:
  TUserForm* Form;
};

class TUserForm : public QWidget {
  Q_OBJECT
public:
  explicit TUserForm(QWidget* parent = nullptr);
  ~TUserForm() override;

  // ---- visual parts
  QWidget* PanelControl;
  QWidget* ControlPanel;
  TPaintBox* PaintBox;
  QPushButton *BtnAddLabel, *BtnAddDisplay, *BtnAddButton, *BtnAddEdit, *BtnAddScrollbar, *BtnAddCheckbox;
  QPushButton *BtnDupl, *BtnDelete, *BtnTest, *BtnSave;

  // The layout and the editor's state; the window shows it.
  Ostra::TEditorModel& Model() { return FModel; }
  const Ostra::TEditorModel& Model() const { return FModel; }
  // Signalled by the run-time change handler; null in the editor.
  TernioParser::TEvent* PanelEvent = nullptr;
  QString FileName;

  // Opens an editor owned by owner through the open dialog; null when the
  // dialog was cancelled or the file was refused.
  static TUserForm* OpenEditor(QWidget* owner);
  // An editor for a layout taken from a recovery copy (the bytes of a .gui
  // file), to be saved to path.
  static TUserForm* RestoreEditor(QWidget* owner, const std::string& bytes, const QString& path);

  // While an editor's layout differs from its file, a recovery copy of it is
  // kept; it is brought up to date every RecoveryInterval ms and removed when
  // the layout is written.
  static constexpr int RecoveryInterval = 3000;
  std::unique_ptr<TRecoveryStore> Recovery;
  void UpdateRecoveryCopy();
  // Resets the editor and loads the file (a missing one gives an empty
  // panel); false when the file has too many rows.
  bool LoadFile(const QString& path);
  // "Save": writes, and says so when that fails.
  bool Save();
  void StartRunMode(TernioParser::TEvent* event);
  void StopRunMode();
  void ToggleTest();
  void StartPlacing(const Ostra::TEditObjectCreator* creator);
  void Duplicate();
  void DeleteSelection();

  // The parameter dialog of a control, at a screen position.
  void ShowParameterDialog(Ostra::TEditObject& control, QPoint screen);
  // The open parameter dialog, or null.
  QWidget* OpenDialog() const { return FOpenDialog.data(); }

  // ---- drawing area events
  void PaintBoxPaint(QPainter& painter);
  void FormMouseDown(QMouseEvent* e, bool doubleClick);
  void FormMouseMove(QMouseEvent* e);
  void FormMouseUp(QMouseEvent* e);
  void FormMouseLeave();

protected:
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

private:
  Ostra::TEditorModel FModel;
  QPointer<QWidget> FOpenDialog;
  QTimer* RecoveryTimer = nullptr;
  // The layout as its file holds it, and as it was last read or written
  // (none for a restored layout, which is still to be saved).
  std::string LayoutBytes() const;
  std::optional<std::string> SavedBytes;
  bool WriteAndNote(const QString& path);
  void ShowEditor();
  void UpdateButtons();
  // Carries out what a step of the model asks for; the global position is
  // where a parameter dialog opens.
  void Apply(const Ostra::TEditorModel::TEffect& effect, QPoint global = QPoint());
  void RemoveDialog();
  void CreateWidgets(const std::function<void(Ostra::TEditObject&)>& onChange);
  void DestroyWidgets();
  QPushButton* AddButton(const char* name, const QString& caption, bool toggle);
};
