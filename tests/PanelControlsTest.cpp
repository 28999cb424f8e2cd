// The six control types: creators, initial values and the property rules of
// setproperty and getproperty.

#include <gtest/gtest.h>

#include <string>

#include "panels/EditObject.h"

using namespace Ostra;
using TernioParser::TReturnValue;

namespace {

TReturnValue Num(double x) {
  TReturnValue v;
  v.SetNumber(x);
  return v;
}
TReturnValue Str(const std::string& s) {
  TReturnValue v;
  v.SetString(s);
  return v;
}
// A property as text: its number, a string in quotes, or "fail".
std::string Get(const TEditObject& c, int32_t id) {
  TReturnValue v;
  if (!c.GetProperty(id, v)) return "fail";
  return v.IsString ? "'" + v.Text.Str() + "'" : v.AsString();
}

// Counts the times the fields were copied into the widget.
class TCountingWidget final : public TLiveControl {
public:
  explicit TCountingWidget(int& applied) : Applied(applied) {}
  void Apply(const TEditObject&) override { ++Applied; }
  int& Applied;
};

}  // namespace

TEST(PanelControls, CreatorsGiveTheDefaultSizesAndInitialValues) {
  struct {
    int32_t Width, Height;
    const char* Display;
  } expected[TypeCount] = {
      {20, 2, "<no text entered>"},
      {20, 5, "<no text entered>"},
      {5, 25, ""},
      {30, 3, "<no text>"},
      {15, 4, "Button"},
      {15, 2, "CheckBox"},
  };
  for (int32_t t = 0; t < TypeCount; ++t) {
    SCOPED_TRACE(t);
    const TEditObjectCreator* creator = CreatorOf(t);
    ASSERT_NE(creator, nullptr);
    EXPECT_EQ(creator->Width(), expected[t].Width);
    EXPECT_EQ(creator->Height(), expected[t].Height);
    auto c = creator->Create();
    EXPECT_EQ(c->GetTypeCode(), t);
    EXPECT_EQ(c->Bounds, TGridRect{});
    EXPECT_EQ(c->ID, 0);
    EXPECT_FALSE(c->Changed);
    EXPECT_FALSE(c->Hovered);
    EXPECT_EQ(c->GetControl(), nullptr);
    EXPECT_EQ(c->GetDisplayText(), expected[t].Display);
  }
  EXPECT_EQ(CreatorOf(-1), nullptr);
  EXPECT_EQ(CreatorOf(6), nullptr);

  TDisplayObject d;
  EXPECT_EQ(d.FontSize, 20);
  EXPECT_EQ(d.Alignment, 0);
  TScrollbarObject s;
  EXPECT_EQ(std::vector<int32_t>({s.Min, s.Max, s.PageSize, s.LineSize, s.Value, s.Orientation}),
            std::vector<int32_t>({0, 100, 10, 1, 50, 0}));
  EXPECT_FALSE(TCheckboxObject().Checked);
  EXPECT_FALSE(TButtonObject().Pressed);
}

TEST(PanelControls, PropertyTablePerType) {
  struct TCase {
    int32_t Type;
    int32_t Id;
    TReturnValue Value;
    bool SetOk;
    std::string After;  // the property read back after the set
  };
  const TCase cases[] = {
      // label and display: 0 text, 1 alignment 0..2
      {LabelType, 0, Str("Speed"), true, "'Speed'"},
      {LabelType, 0, Num(2.5), true, "'2.5'"},
      {LabelType, 1, Num(2), true, "2"},
      {LabelType, 1, Num(1.9), true, "1"},
      {LabelType, 1, Str("1"), true, "1"},
      {LabelType, 1, Num(3), false, "0"},
      {LabelType, 1, Num(-1), false, "0"},
      {LabelType, 2, Num(1), false, "fail"},
      {DisplayType, 0, Str("12 mV"), true, "'12 mV'"},
      {DisplayType, 1, Num(1), true, "1"},
      {DisplayType, 2, Num(30), false, "fail"},
      // scrollbar: 0 value, 1 minimum, 2 maximum, 3 page, 4 line; any integer
      {ScrollbarType, 0, Num(-7.9), true, "-7"},
      {ScrollbarType, 1, Num(-100), true, "-100"},
      {ScrollbarType, 2, Str("250"), true, "250"},
      {ScrollbarType, 3, Num(20), true, "20"},
      {ScrollbarType, 4, Num(5), true, "5"},
      {ScrollbarType, 5, Num(1), false, "fail"},
      {ScrollbarType, -1, Num(1), false, "fail"},
      // edit: 0 text, 1 alignment
      {EditType, 0, Str("abc"), true, "'abc'"},
      {EditType, 1, Num(2), true, "2"},
      {EditType, 1, Num(7), false, "0"},
      {EditType, 2, Num(0), false, "fail"},
      // button: 0 caption; 1 pressed, read only
      {ButtonType, 0, Str("Go"), true, "'Go'"},
      {ButtonType, 1, Num(1), false, "0"},
      {ButtonType, 2, Num(1), false, "fail"},
      // checkbox: 0 caption, 1 checked (any non-zero number checks)
      {CheckboxType, 0, Str("Heater"), true, "'Heater'"},
      {CheckboxType, 1, Num(5), true, "-1"},
      {CheckboxType, 1, Num(0.5), true, "0"},
      {CheckboxType, 1, Str("x"), true, "0"},
      {CheckboxType, 2, Num(1), false, "fail"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Type) + " id " + std::to_string(c.Id) + " = " + c.Value.AsString());
    auto control = CreatorOf(c.Type)->Create();
    int applied = 0;
    control->SetControl(std::make_unique<TCountingWidget>(applied));
    applied = 0;
    EXPECT_EQ(control->SetProperty(c.Id, c.Value), c.SetOk);
    EXPECT_EQ(applied, c.SetOk ? 1 : 0);
    EXPECT_EQ(Get(*control, c.Id), c.After);
  }
}

TEST(PanelControls, StatesReadAsTheirNumbers) {
  TButtonObject b;
  EXPECT_EQ(Get(b, 1), "0");
  b.Pressed = true;
  EXPECT_EQ(Get(b, 1), "1");
  TCheckboxObject box;
  box.Checked = true;
  EXPECT_EQ(Get(box, 1), "-1");
  // Orientation and font size are no properties.
  TScrollbarObject s;
  s.Orientation = 1;
  EXPECT_EQ(Get(s, 5), "fail");
  TDisplayObject d;
  EXPECT_EQ(Get(d, 2), "fail");
}

TEST(PanelControls, RefusedAlignmentLeavesTheLabelAsItWas) {
  TLabelObject l;
  ASSERT_TRUE(l.SetProperty(1, Num(2)));
  EXPECT_FALSE(l.SetProperty(1, Num(3)));
  EXPECT_EQ(l.Alignment, 2);
  EXPECT_EQ(l.Text, "<no text entered>");
}

TEST(PanelControls, SettingAnEditTextClearsItsChangedFlag) {
  TEditControlObject e;
  e.Changed = true;
  ASSERT_TRUE(e.SetProperty(1, Num(1)));
  EXPECT_TRUE(e.Changed);
  ASSERT_TRUE(e.SetProperty(0, Str("new")));
  EXPECT_FALSE(e.Changed);
  // Other controls keep theirs.
  TLabelObject l;
  l.Changed = true;
  l.SetProperty(0, Str("x"));
  EXPECT_TRUE(l.Changed);
}

TEST(PanelControls, ChangeHandlerRunsOnNotify) {
  TButtonObject b;
  b.NotifyChange();  // no handler: nothing happens
  int calls = 0;
  b.ChangeHandler = [&](TEditObject& c) {
    ++calls;
    c.Changed = true;
  };
  b.NotifyChange();
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(b.Changed);
}

TEST(PanelControls, ReadIntegerTakesSignedDecimalsOnly) {
  struct {
    const char* Text;
    bool Ok;
    int32_t Value;
  } cases[] = {{"42", true, 42},
               {"  42", true, 42},
               {"-7", true, -7},
               {"+3", true, 3},
               {"42  ", false, 0},
               {"4a", false, 0},
               {"", false, 0},
               {"-", false, 0},
               {"1.5", false, 0},
               {"2147483647", true, 2147483647},
               {"-2147483648", true, INT32_MIN},
               {"2147483648", false, 0},
               {"99999999999999999999", false, 0}};
  for (const auto& c : cases) {
    int32_t v = 0;
    EXPECT_EQ(ReadInteger(c.Text, v), c.Ok) << c.Text;
    if (c.Ok) {
      EXPECT_EQ(v, c.Value) << c.Text;
    }
  }
}
