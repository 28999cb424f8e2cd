// The GUI editor's pointer modes, selection, rubber band, drag and resize,
// without a window.

#include <gtest/gtest.h>

#include "panels/EditorModel.h"

using namespace Ostra;
using M = TEditorModel;

namespace {

// A label at the grid rectangle with the ID.
std::unique_ptr<TEditObject> Label(TGridRect r, int32_t id) {
  auto c = CreatorOf(LabelType)->Create();
  c->Bounds = r;
  c->ID = id;
  return c;
}

class EditorModel : public ::testing::Test {
protected:
  TEditorModel Model;
  TEditObject& At(size_t i) { return *Model.Panel.Controls.at(i); }
  void Add(TGridRect r, int32_t id) { Model.Panel.Controls.push_back(Label(r, id)); }

  // One step of the pointer: p press, m move with the button down, h hover
  // (move without it), r release, l leave.
  struct TStep {
    char Kind;
    TPixel At;
    M::TMode After;
  };
  void Play(const std::vector<TStep>& steps) {
    for (size_t i = 0; i < steps.size(); ++i) {
      const TStep& s = steps[i];
      switch (s.Kind) {
        case 'p': Model.Press(s.At, true, false); break;
        case 'm': Model.Move(s.At, true); break;
        case 'h': Model.Move(s.At, false); break;
        case 'r': Model.Release(s.At); break;
        case 'l': Model.Leave(); break;
      }
      ASSERT_EQ(Model.Mode(), s.After) << "step " << i << " '" << s.Kind << "'";
    }
  }
};

TEST(EditorHitTest, HandlesInsideAndOutside) {
  // Pixels 14..154 x 14..28: handles are 6 pixels square around the corners
  // and the middles of the sides.
  const auto c = Label({2, 2, 22, 4}, 1);
  const struct {
    TPixel At;
    int Hit;
  } cases[] = {{{14, 14}, 0},
               {{11, 11}, 0},
               {{10, 10}, HitOutside},
               {{84, 14}, 1},
               {{154, 14}, 2},
               {{14, 21}, 3},
               {{154, 21}, 4},
               {{14, 28}, 5},
               {{84, 27}, 6},
               {{156, 30}, 7},
               {{50, 20}, 8},
               {{153, 17}, 8},
               {{200, 20}, 9},
               {{17, 10}, HitOutside}};
  for (const auto& k : cases) EXPECT_EQ(M::HitTest(*c, k.At), k.Hit) << k.At.X << "," << k.At.Y;
  // An inverted control (dragged past its own edge) still has its handles
  // where its corners are, but no inside.
  const auto inverted = Label({2, 2, 0, 4}, 1);
  EXPECT_EQ(M::HitTest(*inverted, {0, 14}), 2);
  EXPECT_EQ(M::HitTest(*inverted, {7, 20}), HitOutside);
}

TEST_F(EditorModel, ClickSelectsDragMovesByWholeCells) {
  Add({2, 2, 22, 4}, 1);
  Play({{'p', {50, 20}, M::PressedOnControl},
        {'m', {52, 22}, M::PressedOnControl},  // under the drag distance
        {'r', {52, 22}, M::Selecting}});
  EXPECT_TRUE(Model.Selection().count(&At(0)));
  EXPECT_TRUE(Model.CanEditSelection());
  // A press outside the selection clears it and starts over.
  Play({{'p', {300, 300}, M::PressedOnEmpty}, {'r', {300, 300}, M::Idle}});
  EXPECT_TRUE(Model.Selection().empty());
  Play({{'p', {50, 20}, M::PressedOnControl},
        {'m', {60, 20}, M::MovingControl},
        {'m', {70, 34}, M::MovingControl},
        {'r', {70, 34}, M::Idle}});
  EXPECT_EQ(At(0).Bounds, (TGridRect{4, 4, 24, 6}));
  EXPECT_TRUE(Model.Selection().empty());
}

TEST_F(EditorModel, ResizeSnapsToTheGridAndLeavingRestores) {
  Add({2, 2, 22, 4}, 1);
  Play({{'p', {154, 21}, M::ResizingControl}, {'m', {3, 21}, M::ResizingControl}, {'r', {3, 21}, M::Idle}});
  EXPECT_EQ(At(0).Bounds, (TGridRect{2, 2, 0, 4}));
  // Bottom left handle of the inverted box; out of the area it snaps back.
  Play({{'p', {14, 28}, M::ResizingControl}, {'m', {100, 100}, M::ResizingControl}});
  EXPECT_EQ(At(0).Bounds, (TGridRect{14, 2, 0, 14}));
  Play({{'l', {}, M::Idle}});
  EXPECT_EQ(At(0).Bounds, (TGridRect{2, 2, 0, 4}));
  // A move with the button up (released outside) ends the drag there.
  Play({{'p', {7, 28}, M::ResizingControl}, {'h', {7, 42}, M::Idle}});
  EXPECT_EQ(At(0).Bounds, (TGridRect{2, 2, 0, 6}));
}

TEST_F(EditorModel, RubberBandTakesWhollyEnclosedControls) {
  Add({2, 2, 10, 4}, 1);
  Add({2, 6, 10, 8}, 2);
  Add({8, 2, 30, 4}, 3);  // reaches out of the band
  Play({{'p', {5, 5}, M::PressedOnEmpty}, {'m', {8, 7}, M::RubberBand}});
  EXPECT_TRUE(Model.BandSet().empty());
  Play({{'m', {80, 60}, M::RubberBand}});
  EXPECT_EQ(Model.BandSet(), (std::set<TEditObject*>{&At(0), &At(1)}));
  EXPECT_TRUE(Model.Highlighted(&At(0)));
  EXPECT_FALSE(Model.Highlighted(&At(2)));
  // Dragged back up and left past the anchor: the band is normalised.
  Play({{'m', {0, 0}, M::RubberBand}});
  EXPECT_TRUE(Model.BandSet().empty());
  Play({{'m', {80, 60}, M::RubberBand}, {'r', {80, 60}, M::Selecting}});
  EXPECT_EQ(Model.Selection().size(), 2u);
  EXPECT_TRUE(Model.BandSet().empty());
  // The selection moves together, cell by cell.
  Play({{'p', {30, 20}, M::MovingSelection}, {'m', {44, 20}, M::MovingSelection}, {'r', {44, 27}, M::Selecting}});
  EXPECT_EQ(At(0).Bounds, (TGridRect{4, 3, 12, 5}));
  EXPECT_EQ(At(1).Bounds, (TGridRect{4, 7, 12, 9}));
  EXPECT_EQ(At(2).Bounds, (TGridRect{8, 2, 30, 4}));
}

TEST_F(EditorModel, PlacingTakesTheSmallestFreeIdOrIsCancelled) {
  Add({0, 0, 10, 2}, 1);
  Add({0, 4, 10, 6}, 3);
  const TEditObjectCreator* button = CreatorOf(ButtonType);
  ASSERT_TRUE(Model.StartPlacing(button, {10, 10}));
  EXPECT_TRUE(Model.PlacingWith(button));
  TPixel a, b;
  ASSERT_TRUE(Model.PlacingOutline(a, b));
  EXPECT_EQ(a, (TPixel{10, 10}));
  EXPECT_EQ(b, (TPixel{10 + 15 * GridSize - 1, 10 + 4 * GridSize - 1}));
  Model.Move({50, 60}, false);
  ASSERT_TRUE(Model.PlacingOutline(a, b));
  EXPECT_EQ(a, (TPixel{50, 60}));
  EXPECT_EQ(Model.Press({50, 60}, true, false).Repaint, true);
  EXPECT_EQ(Model.Mode(), M::Idle);
  ASSERT_EQ(Model.Panel.Controls.size(), 3u);
  EXPECT_EQ(At(2).ID, 2);
  EXPECT_EQ(At(2).Bounds, (TGridRect{7, 8, 22, 12}));
  // Another button or leaving the area cancels.
  ASSERT_TRUE(Model.StartPlacing(button, {}));
  Model.Press({50, 60}, false, false);
  EXPECT_EQ(Model.Mode(), M::Idle);
  ASSERT_TRUE(Model.StartPlacing(button, {}));
  Model.Leave();
  EXPECT_EQ(Model.Mode(), M::Idle);
  EXPECT_EQ(Model.Panel.Controls.size(), 3u);
  // Not in the middle of a drag.
  Play({{'p', {30, 7}, M::PressedOnControl}});
  EXPECT_FALSE(Model.StartPlacing(button, {}));
  EXPECT_FALSE(Model.PlacingWith(button));
}

TEST_F(EditorModel, DoubleClickOnTheSelectedControlAsksForItsParameters) {
  Add({2, 2, 22, 4}, 1);
  Add({30, 0, 35, 25}, 2);
  Play({{'p', {60, 20}, M::PressedOnControl}, {'r', {60, 20}, M::Selecting}});
  const M::TEffect fx = Model.Press({60, 20}, true, true);
  EXPECT_EQ(fx.Parameters, &At(0));
  EXPECT_EQ(Model.Mode(), M::Idle);
  EXPECT_TRUE(Model.Selection().empty());
  // Not for a double click beside it.
  Play({{'p', {60, 20}, M::PressedOnControl}, {'r', {60, 20}, M::Selecting}});
  EXPECT_EQ(Model.Press({400, 300}, true, true).Parameters, nullptr);
}

TEST_F(EditorModel, DuplicateCopiesWithNewIdsAndFollowsThePointer) {
  Add({0, 0, 10, 2}, 3);
  Add({0, 4, 15, 8}, 8);
  Add({20, 20, 30, 22}, 5);
  EXPECT_EQ(Model.Duplicate().Repaint, false);  // nothing selected
  Play({{'p', {120, 100}, M::PressedOnEmpty},
        {'m', {60, 50}, M::RubberBand},
        {'m', {0, 0}, M::RubberBand},
        {'r', {0, 0}, M::Selecting}});
  const M::TEffect fx = Model.Duplicate();
  EXPECT_EQ(fx.Pointer, HitInside);
  EXPECT_EQ(Model.Mode(), M::MovingSelection);
  ASSERT_EQ(Model.Panel.Controls.size(), 5u);
  EXPECT_EQ(At(3).ID, 9);
  EXPECT_EQ(At(4).ID, 10);
  EXPECT_EQ(Model.Selection(), (std::set<TEditObject*>{&At(3), &At(4)}));
  Model.Move({70, 140}, false);
  EXPECT_EQ(At(3).Bounds, (TGridRect{10, 20, 20, 22}));
  EXPECT_EQ(At(4).Bounds, (TGridRect{10, 24, 25, 28}));
  EXPECT_EQ(Model.Release({70, 140}).Pointer, HitOutside);
  EXPECT_EQ(Model.Mode(), M::Selecting);
  EXPECT_EQ(At(0).Bounds, (TGridRect{0, 0, 10, 2}));
  Model.DeleteSelection();
  EXPECT_EQ(Model.Mode(), M::Idle);
  ASSERT_EQ(Model.Panel.Controls.size(), 3u);
  EXPECT_EQ(At(2).ID, 5);
}

TEST_F(EditorModel, HoverShowsHandlesAndPicksThePointerShape) {
  Add({2, 2, 22, 4}, 1);
  const struct {
    TPixel At;
    bool Hovered;
    int Pointer;
  } cases[] = {{{11, 11}, true, 0},
               {{10, 10}, false, HitOutside},
               {{156, 30}, true, 7},
               {{157, 31}, false, 9},
               {{50, 20}, true, 8},
               {{156, 20}, true, 4},
               {{156, 17}, true, 9},
               {{157, 20}, false, 9}};
  for (const auto& k : cases) {
    EXPECT_EQ(Model.Move(k.At, false).Pointer, k.Pointer) << k.At.X << "," << k.At.Y;
    EXPECT_EQ(At(0).Hovered, k.Hovered) << k.At.X << "," << k.At.Y;
  }
  // Over a selection only the move shape shows.
  Play({{'p', {50, 20}, M::PressedOnControl}, {'r', {50, 20}, M::Selecting}});
  EXPECT_FALSE(At(0).Hovered);
  EXPECT_EQ(Model.Move({14, 14}, false).Pointer, HitInside);
  EXPECT_EQ(Model.Move({300, 14}, false).Pointer, HitOutside);
}

TEST_F(EditorModel, TestAndRunModesLeaveTheLayoutAlone) {
  Add({2, 2, 22, 4}, 1);
  Play({{'p', {50, 20}, M::PressedOnControl}, {'r', {50, 20}, M::Selecting}});
  EXPECT_EQ(Model.ToggleTest(), M::Testing);
  EXPECT_TRUE(Model.Selection().empty());
  EXPECT_FALSE(Model.EditsLayout());
  Play(
      {{'p', {50, 20}, M::Testing}, {'m', {90, 40}, M::Testing}, {'r', {90, 40}, M::Testing}, {'l', {}, M::Testing}});
  EXPECT_EQ(At(0).Bounds, (TGridRect{2, 2, 22, 4}));
  EXPECT_FALSE(Model.StartPlacing(CreatorOf(LabelType), {}));
  EXPECT_EQ(Model.ToggleTest(), M::Idle);
  Model.StartRunning();
  EXPECT_EQ(Model.ToggleTest(), M::Running);
  Play({{'p', {50, 20}, M::Running}, {'r', {50, 20}, M::Running}});
  EXPECT_TRUE(Model.Selection().empty());
  Model.Reset();
  EXPECT_EQ(Model.Mode(), M::Idle);
}

}  // namespace
