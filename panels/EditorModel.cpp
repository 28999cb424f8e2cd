#include "panels/EditorModel.h"

#include <algorithm>
#include <cstdlib>

namespace Ostra {

namespace {

// The handles' places along each side: 0 start, 1 middle, 2 end.
constexpr int HandleX[8] = {0, 1, 2, 0, 2, 0, 1, 2}, HandleY[8] = {0, 0, 0, 1, 1, 2, 2, 2};

// A press becomes a drag once the pointer has gone this far (pixels, along
// both axes together).
constexpr int DragDistance = 5;

TPixel Cell(TPixel p) { return {p.X / GridSize, p.Y / GridSize}; }

bool InCell(const TGridRect& r, TPixel cell) {
  return r.Left <= cell.X && cell.X < r.Right && r.Top <= cell.Y && cell.Y < r.Bottom;
}

// One axis of a control's frame (first and last pixel, the last one before
// the first for an inverted control) grown by the handles' reach: the
// closed span of pixels where the pointer shows the handles.
void HoverSpan(int first, int last, int& from, int& to) {
  if (last < first) {
    const int f = first;
    first = last + 1;
    last = f - 1;
  }
  first -= HandleSize / 2;
  last += HandleSize / 2;
  if (last < first - 1) {
    from = last + 1;
    to = first - 1;
  } else {
    from = first;
    to = last;
  }
}

bool InHoverArea(const TEditObject& c, TPixel p) {
  int l, r, t, b;
  HoverSpan(c.Bounds.Left * GridSize, c.Bounds.Right * GridSize - 1, l, r);
  HoverSpan(c.Bounds.Top * GridSize, c.Bounds.Bottom * GridSize - 1, t, b);
  return l <= p.X && p.X <= r && t <= p.Y && p.Y <= b;
}

}  // namespace

TPixel TEditorModel::HandleCentre(const TEditObject& c, int handle) {
  const int l = c.Bounds.Left * GridSize, t = c.Bounds.Top * GridSize;
  const int r = c.Bounds.Right * GridSize, b = c.Bounds.Bottom * GridSize;
  return {l + (r - l) * HandleX[handle] / 2, t + (b - t) * HandleY[handle] / 2};
}

int TEditorModel::HitTest(const TEditObject& c, TPixel p) {
  const int half = HandleSize / 2;
  for (int h = 0; h < 8; ++h) {
    const TPixel centre = HandleCentre(c, h);
    if (centre.X - half <= p.X && p.X < centre.X + half && centre.Y - half <= p.Y && p.Y < centre.Y + half) return h;
  }
  const int l = c.Bounds.Left * GridSize, t = c.Bounds.Top * GridSize;
  const int r = c.Bounds.Right * GridSize, b = c.Bounds.Bottom * GridSize;
  return l <= p.X && p.X < r && t <= p.Y && p.Y < b ? HitInside : HitOutside;
}

bool TEditorModel::PlacingOutline(TPixel& topLeft, TPixel& bottomRight) const {
  if (FMode != Placing || !FCreator) return false;
  topLeft = FPointer;
  bottomRight = {FPointer.X + FCreator->Width() * GridSize - 1, FPointer.Y + FCreator->Height() * GridSize - 1};
  return true;
}

void TEditorModel::Reset() {
  FSelection.clear();
  FBandSet.clear();
  FDrag = {};
  FMode = Idle;
}

// ---- the pointer

TEditorModel::TEffect TEditorModel::Press(TPixel p, bool leftButton, bool doubleClick) {
  TEffect fx;
  if (!EditsLayout()) return fx;
  if (FMode == Placing) {
    if (leftButton) {
      auto c = FCreator->Create();
      c->ID = Panel.SmallestFreeID();
      c->Bounds.Left = p.X / GridSize;
      c->Bounds.Top = p.Y / GridSize;
      c->Bounds.Right = c->Bounds.Left + FCreator->Width();
      c->Bounds.Bottom = c->Bounds.Top + FCreator->Height();
      Panel.Controls.push_back(std::move(c));
    }
    FMode = Idle;
    fx.Repaint = true;
    return fx;
  }
  if (FMode == Selecting && leftButton) {
    if (doubleClick && FSelection.size() == 1 && HitTest(**FSelection.begin(), p) != HitOutside) {
      fx.Parameters = *FSelection.begin();
      FSelection.clear();
      FMode = Idle;
      fx.Repaint = true;
      return fx;
    }
    const TPixel cell = Cell(p);
    for (TEditObject* c : FSelection) {
      if (InCell(c->Bounds, cell)) {
        FAnchor = cell;
        FMode = MovingSelection;
        fx.Pointer = HitInside;
        return fx;
      }
    }
    FSelection.clear();
    FMode = Idle;
    fx.Repaint = true;
  }
  if (FMode == Idle && leftButton) {
    for (const auto& c : Panel.Controls) {
      const int hit = HitTest(*c, p);
      if (hit == HitOutside) continue;
      FDrag.Control = c.get();
      FDrag.Before = c->Bounds;
      FDrag.Handle = hit;
      FAnchor = p;
      FMode = hit == HitInside ? PressedOnControl : ResizingControl;
      return fx;
    }
    FSelection.clear();
    FAnchor = p;
    FMode = PressedOnEmpty;
    fx.Repaint = true;
  }
  return fx;
}

TEditorModel::TEffect TEditorModel::Move(TPixel p, bool leftDown) {
  TEffect fx;
  FPointer = p;
  const int distance = std::abs(p.X - FAnchor.X) + std::abs(p.Y - FAnchor.Y);
  switch (FMode) {
    case Idle: {
      int hit = HitOutside;
      for (const auto& c : Panel.Controls) {
        const bool hover = InHoverArea(*c, p);
        fx.Repaint = fx.Repaint || hover != c->Hovered;
        c->Hovered = hover;
        // Where hovered controls overlap, the last one decides the shape.
        if (hover) hit = HitTest(*c, p);
      }
      fx.Pointer = hit;
      break;
    }
    case Placing: fx.Repaint = true; break;
    case PressedOnControl:
      if (leftDown && distance >= DragDistance) {
        FMode = MovingControl;
        DragTo(p);
        fx.Repaint = true;
      }
      break;
    case MovingControl:
    case ResizingControl:
      // The button went up outside the drawing area.
      if (!leftDown) return Release(p);
      DragTo(p);
      fx.Repaint = true;
      break;
    case PressedOnEmpty:
      if (distance >= DragDistance) {
        FBandCorner = p;
        FMode = RubberBand;
        fx.Repaint = true;
      }
      break;
    case RubberBand: {
      FBandCorner = p;
      FBandSet.clear();
      const int minX = std::min(FAnchor.X, FBandCorner.X) / GridSize;
      const int minY = std::min(FAnchor.Y, FBandCorner.Y) / GridSize;
      const int maxX = std::max(FAnchor.X, FBandCorner.X) / GridSize;
      const int maxY = std::max(FAnchor.Y, FBandCorner.Y) / GridSize;
      for (const auto& c : Panel.Controls)
        if (c->Bounds.Left >= minX && c->Bounds.Top >= minY && c->Bounds.Right <= maxX && c->Bounds.Bottom <= maxY)
          FBandSet.insert(c.get());
      fx.Repaint = true;
      break;
    }
    case Selecting: {
      bool over = false;
      for (const auto& c : Panel.Controls) over = over || HitTest(*c, p) != HitOutside;
      fx.Pointer = over ? HitInside : HitOutside;
      break;
    }
    case MovingSelection:
      MoveSelection(p);
      fx.Repaint = true;
      break;
    default: break;
  }
  return fx;
}

TEditorModel::TEffect TEditorModel::Release(TPixel p) {
  TEffect fx;
  switch (FMode) {
    case PressedOnControl: {
      TEditObject* hit = nullptr;
      for (const auto& c : Panel.Controls)
        if (!hit && HitTest(*c, p) != HitOutside) hit = c.get();
      for (const auto& c : Panel.Controls) c->Hovered = false;
      if (hit) {
        FSelection.insert(hit);
        FMode = Selecting;
      } else {
        FMode = Idle;
      }
      FDrag = {};
      fx.Repaint = true;
      break;
    }
    case MovingControl:
    case ResizingControl:
      DragTo(p);
      FDrag = {};
      FMode = Idle;
      fx.Repaint = true;
      break;
    case PressedOnEmpty: FMode = Idle; break;
    case RubberBand:
      FSelection = FBandSet;
      FBandSet.clear();
      FMode = Selecting;
      fx.Repaint = true;
      break;
    case MovingSelection:
      MoveSelection(p);
      FMode = Selecting;
      fx.Repaint = true;
      fx.Pointer = HitOutside;
      break;
    default: break;
  }
  return fx;
}

TEditorModel::TEffect TEditorModel::Leave() {
  TEffect fx;
  if (FMode == Placing) {
    FMode = Idle;
    fx.Repaint = true;
  } else if (FMode == MovingControl || FMode == ResizingControl) {
    // Dragged out of the drawing area: the control goes back.
    if (FDrag.Control) FDrag.Control->Bounds = FDrag.Before;
    FDrag = {};
    FMode = Idle;
    fx.Repaint = true;
  }
  return fx;
}

void TEditorModel::DragTo(TPixel p) {
  TEditObject* c = FDrag.Control;
  if (!c) return;
  const TGridRect& before = FDrag.Before;
  if (FDrag.Handle == HitInside) {
    const int dx = (p.X - FAnchor.X) / GridSize, dy = (p.Y - FAnchor.Y) / GridSize;
    c->Bounds = {before.Left + dx, before.Top + dy, before.Right + dx, before.Bottom + dy};
    return;
  }
  const int h = FDrag.Handle;
  if (HandleX[h] == 0) c->Bounds.Left = p.X / GridSize;
  if (HandleY[h] == 0) c->Bounds.Top = p.Y / GridSize;
  if (HandleX[h] == 2) c->Bounds.Right = p.X / GridSize;
  if (HandleY[h] == 2) c->Bounds.Bottom = p.Y / GridSize;
}

void TEditorModel::MoveSelection(TPixel p) {
  const TPixel cell = Cell(p);
  if (cell == FAnchor) return;
  const int dx = cell.X - FAnchor.X, dy = cell.Y - FAnchor.Y;
  for (TEditObject* c : FSelection)
    c->Bounds = {c->Bounds.Left + dx, c->Bounds.Top + dy, c->Bounds.Right + dx, c->Bounds.Bottom + dy};
  FAnchor = cell;
}

// ---- commands

bool TEditorModel::StartPlacing(const TEditObjectCreator* creator, TPixel pointer) {
  if (FMode != Idle && FMode != Selecting) return false;
  FSelection.clear();
  FCreator = creator;
  FPointer = pointer;
  FMode = Placing;
  return true;
}

TEditorModel::TEffect TEditorModel::Duplicate() {
  TEffect fx;
  if (FMode != Selecting) return fx;
  int32_t next = Panel.LargestID();
  std::vector<std::unique_ptr<TEditObject>> copies;
  for (const auto& c : Panel.Controls) {
    if (!FSelection.count(c.get())) continue;
    auto copy = CreatorOf(c->GetTypeCode())->Create();
    copy->Bounds = c->Bounds;
    copy->ID = ++next;
    TGuiRow fields;
    c->WriteFields(fields);
    size_t pos = 0;
    copy->ReadFields(fields, pos);
    copies.push_back(std::move(copy));
  }
  FSelection.clear();
  if (copies.empty()) {
    FMode = Idle;
    return fx;
  }
  int32_t left = copies[0]->Bounds.Left, top = copies[0]->Bounds.Top;
  for (auto& c : copies) {
    left = std::min(left, c->Bounds.Left);
    top = std::min(top, c->Bounds.Top);
    FSelection.insert(c.get());
    Panel.Controls.push_back(std::move(c));
  }
  // The copies' top left corner is where the pointer takes them from.
  FAnchor = {left, top};
  FMode = MovingSelection;
  fx.Repaint = true;
  fx.Pointer = HitInside;
  return fx;
}

TEditorModel::TEffect TEditorModel::DeleteSelection() {
  TEffect fx;
  if (FMode != Selecting) return fx;
  std::erase_if(Panel.Controls, [&](const std::unique_ptr<TEditObject>& c) { return FSelection.count(c.get()) > 0; });
  FSelection.clear();
  FMode = Idle;
  fx.Repaint = true;
  return fx;
}

TEditorModel::TMode TEditorModel::ToggleTest() {
  if (FMode == Running) return FMode;
  if (FMode == Testing) {
    FMode = Idle;
  } else {
    FSelection.clear();
    FBandSet.clear();
    FMode = Testing;
  }
  return FMode;
}

}  // namespace Ostra
