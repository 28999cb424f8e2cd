#pragma once
// The GUI editor without its window: the controls of the layout, the pointer
// mode, the selection, the rubber band, the drag of one control (move or
// resize by one of its eight handles) and of the selection. The window feeds
// it the pointer in pixels of the drawing area and carries out the effect each
// step returns; everything the editor decides is decided here.

#include <set>

#include "panels/GuiFile.h"

namespace Ostra {

// A pixel of the drawing area.
struct TPixel {
  int X = 0, Y = 0;
  bool operator==(const TPixel&) const = default;
};

// The hit codes of a control at a pixel: 0..7 a handle (left to right, top
// to bottom: 0 top left, 1 top, 2 top right, 3 left, 4 right, 5 bottom left,
// 6 bottom, 7 bottom right), inside, outside.
constexpr int HitInside = 8;
constexpr int HitOutside = 9;
// Handles are this many pixels square around their centre.
constexpr int HandleSize = 6;

class TEditorModel {
public:
  enum TMode {
    Idle = 0,
    Placing = 1,
    PressedOnControl = 2,
    MovingControl = 3,
    ResizingControl = 4,
    Testing = 5,
    PressedOnEmpty = 6,
    RubberBand = 7,
    Selecting = 8,
    MovingSelection = 9,
    Running = 10,
  };

  // What the window does after a step.
  struct TEffect {
    // The drawing is out of date.
    bool Repaint = false;
    // The pointer shape to show, as the hit code it stands for; -1 keeps it.
    int Pointer = -1;
    // The control whose parameter dialog is to be opened, or null.
    TEditObject* Parameters = nullptr;
  };

  TPanelControls Panel;

  TMode Mode() const { return FMode; }
  const std::set<TEditObject*>& Selection() const { return FSelection; }
  // The controls inside the rubber band while it is drawn.
  const std::set<TEditObject*>& BandSet() const { return FBandSet; }
  // True for a control drawn as selected (selected or inside the band).
  bool Highlighted(const TEditObject* control) const {
    return FSelection.count(const_cast<TEditObject*>(control)) || FBandSet.count(const_cast<TEditObject*>(control));
  }
  // True while a control made by creator waits to be placed.
  bool PlacingWith(const TEditObjectCreator* creator) const { return FMode == Placing && FCreator == creator; }
  // The pointer edits the layout: not in test or run mode. An open
  // parameter dialog is closed (its values written back) before a press.
  bool EditsLayout() const { return FMode != Testing && FMode != Running; }
  // Duplicate and Delete act on the selection.
  bool CanEditSelection() const { return FMode == Selecting; }
  // The outline of the control to be placed, in pixels (left, top, right,
  // bottom, all inclusive); only while placing.
  bool PlacingOutline(TPixel& topLeft, TPixel& bottomRight) const;
  // The rubber band's corners; only in RubberBand mode.
  TPixel BandAnchor() const { return FAnchor; }
  TPixel BandCorner() const { return FBandCorner; }

  // The centre of a handle (0..7) of a control.
  static TPixel HandleCentre(const TEditObject& control, int handle);
  static int HitTest(const TEditObject& control, TPixel p);

  // Back to Idle with nothing selected or dragged (a layout was loaded).
  void Reset();

  // ---- the pointer over the drawing area
  TEffect Press(TPixel p, bool leftButton, bool doubleClick);
  TEffect Move(TPixel p, bool leftDown);
  TEffect Release(TPixel p);
  TEffect Leave();

  // ---- commands
  // Waits for a click that places a new control of the creator's type;
  // refused (false) unless idle or selecting. pointer: where the pointer is.
  bool StartPlacing(const TEditObjectCreator* creator, TPixel pointer);
  // Copies the selection with new IDs; the copies follow the pointer until
  // the next click.
  TEffect Duplicate();
  TEffect DeleteSelection();
  // Test mode on or off (never while running); returns the new mode.
  TMode ToggleTest();
  // The layout is a loaded panel of a run; it stays so.
  void StartRunning() { FMode = Running; }

private:
  TMode FMode = Idle;
  std::set<TEditObject*> FSelection, FBandSet;
  const TEditObjectCreator* FCreator = nullptr;
  // Press position (pixels), or the grid cell the selection was moved to.
  TPixel FAnchor;
  TPixel FBandCorner, FPointer;
  struct {
    TEditObject* Control = nullptr;
    TGridRect Before;
    int Handle = HitOutside;
  } FDrag;

  void DragTo(TPixel p);
  void MoveSelection(TPixel p);
};

}  // namespace Ostra
