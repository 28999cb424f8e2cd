#pragma once
// The controls of a user control panel: labels, displays, scrollbars, edit
// fields, buttons and checkboxes, laid out on a grid of 7 x 7 pixel cells.
// The same objects are edited in the GUI editor, stored in .gui files and,
// given a live widget, shown in the control window. Texts are Windows-1252
// byte strings; the widgets convert them at their edge.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/ReturnValue.h"

namespace Ostra {

// One grid cell is this many pixels wide and high.
constexpr int GridSize = 7;

// A rectangle in grid units; right and bottom are exclusive.
struct TGridRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TGridRect&) const = default;
};

// One row of a .gui file: its fields as byte strings.
using TGuiRow = std::vector<std::string>;

class TEditObject;

// The widget a control is shown with; made by the desktop's panels (a control
// without one is being edited or stored).
class TLiveControl {
public:
  virtual ~TLiveControl() = default;
  // Copies the control's fields into the widget.
  virtual void Apply(const TEditObject& control) = 0;
};

enum TTypeCode : int32_t { LabelType = 0, DisplayType, ScrollbarType, EditType, ButtonType, CheckboxType };
constexpr int32_t TypeCount = 6;

class TEditObject {
public:
  TGridRect Bounds;
  int32_t ID = 0;
  // The pointer is over the control in the editor (its handles are drawn).
  bool Hovered = false;
  // Set by a user interaction at run time; read and cleared by haschanged.
  bool Changed = false;
  // Called after every user interaction with the live widget.
  std::function<void(TEditObject&)> ChangeHandler;

  virtual ~TEditObject();
  virtual TTypeCode GetTypeCode() const = 0;

  TLiveControl* GetControl() const { return Live.get(); }
  // Gives the control its widget (which then shows the fields) or, with
  // null, takes it away.
  void SetControl(std::unique_ptr<TLiveControl> widget);
  void DestroyControl() { Live.reset(); }
  // Reports a user interaction: the change handler, if any.
  void NotifyChange() {
    if (ChangeHandler) ChangeHandler(*this);
  }

  // Reads the type's fields from a .gui row from field pos on, advancing pos;
  // missing or malformed fields give the reading defaults.
  virtual bool ReadFields(const TGuiRow& row, size_t& pos);
  virtual void WriteFields(TGuiRow& row) const;
  // Property access of setproperty and getproperty: false for an unknown id
  // or a refused value.
  virtual bool SetProperty(int32_t id, const TernioParser::TReturnValue& value);
  virtual bool GetProperty(int32_t id, TernioParser::TReturnValue& result) const;
  // The text the editor shows in the control's rectangle.
  virtual std::string GetDisplayText() const { return {}; }
  void ApplyProperties() {
    if (Live) Live->Apply(*this);
  }

protected:
  std::unique_ptr<TLiveControl> Live;
};

class TLabelObject : public TEditObject {
public:
  std::string Text = "<no text entered>";
  int32_t Alignment = 0;  // 0 left, 1 centred, 2 right
  TTypeCode GetTypeCode() const override { return LabelType; }
  bool ReadFields(const TGuiRow& row, size_t& pos) override;
  void WriteFields(TGuiRow& row) const override;
  bool SetProperty(int32_t id, const TernioParser::TReturnValue& value) override;
  bool GetProperty(int32_t id, TernioParser::TReturnValue& result) const override;
  std::string GetDisplayText() const override { return Text; }
};

// A label in yellow on black with a font size of its own.
class TDisplayObject final : public TLabelObject {
public:
  int32_t FontSize = 20;  // points
  TTypeCode GetTypeCode() const override { return DisplayType; }
  bool ReadFields(const TGuiRow& row, size_t& pos) override;
  void WriteFields(TGuiRow& row) const override;
};

class TScrollbarObject final : public TEditObject {
public:
  int32_t Min = 0, Max = 100, PageSize = 10, LineSize = 1, Value = 50;
  int32_t Orientation = 0;  // 0 vertical, 1 horizontal
  TTypeCode GetTypeCode() const override { return ScrollbarType; }
  bool ReadFields(const TGuiRow& row, size_t& pos) override;
  void WriteFields(TGuiRow& row) const override;
  bool SetProperty(int32_t id, const TernioParser::TReturnValue& value) override;
  bool GetProperty(int32_t id, TernioParser::TReturnValue& result) const override;
};

class TEditControlObject final : public TEditObject {
public:
  std::string Text = "<no text>";
  int32_t Alignment = 0;
  TTypeCode GetTypeCode() const override { return EditType; }
  bool ReadFields(const TGuiRow& row, size_t& pos) override;
  void WriteFields(TGuiRow& row) const override;
  bool SetProperty(int32_t id, const TernioParser::TReturnValue& value) override;
  bool GetProperty(int32_t id, TernioParser::TReturnValue& result) const override;
  std::string GetDisplayText() const override { return Text; }
};

class TButtonObject final : public TEditObject {
public:
  std::string Caption = "Button";
  // The mouse button is held down on the widget.
  bool Pressed = false;
  TTypeCode GetTypeCode() const override { return ButtonType; }
  bool ReadFields(const TGuiRow& row, size_t& pos) override;
  void WriteFields(TGuiRow& row) const override;
  bool SetProperty(int32_t id, const TernioParser::TReturnValue& value) override;
  bool GetProperty(int32_t id, TernioParser::TReturnValue& result) const override;
  std::string GetDisplayText() const override { return Caption; }
};

class TCheckboxObject final : public TEditObject {
public:
  std::string Caption = "CheckBox";
  bool Checked = false;
  TTypeCode GetTypeCode() const override { return CheckboxType; }
  bool ReadFields(const TGuiRow& row, size_t& pos) override;
  void WriteFields(TGuiRow& row) const override;
  bool SetProperty(int32_t id, const TernioParser::TReturnValue& value) override;
  bool GetProperty(int32_t id, TernioParser::TReturnValue& result) const override;
  std::string GetDisplayText() const override { return Caption; }
};

// Makes controls of one type with their initial values (bounds and ID zero).
class TEditObjectCreator {
public:
  virtual ~TEditObjectCreator() = default;
  // Default size in grid units.
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  virtual std::unique_ptr<TEditObject> Create() const = 0;
};

template <class T, int32_t W, int32_t H>
class TObjectCreator final : public TEditObjectCreator {
public:
  int32_t Width() const override { return W; }
  int32_t Height() const override { return H; }
  std::unique_ptr<TEditObject> Create() const override { return std::make_unique<T>(); }
};

using TLabelObjectCreator = TObjectCreator<TLabelObject, 20, 2>;
using TDisplayObjectCreator = TObjectCreator<TDisplayObject, 20, 5>;
using TScrollbarObjectCreator = TObjectCreator<TScrollbarObject, 5, 25>;
using TEditControlObjectCreator = TObjectCreator<TEditControlObject, 30, 3>;
using TButtonObjectCreator = TObjectCreator<TButtonObject, 15, 4>;
using TCheckboxObjectCreator = TObjectCreator<TCheckboxObject, 15, 2>;

// The creator of a type code, or null outside 0..5.
const TEditObjectCreator* CreatorOf(int32_t typeCode);

// A field of a .gui file as a signed 32-bit decimal integer (optional blanks
// and sign before the digits, nothing after them); false when it is none.
bool ReadInteger(const std::string& field, int32_t& value);

}  // namespace Ostra
