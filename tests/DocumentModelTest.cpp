// The main window's document without widgets: its panels, its state and the
// rules that enable the actions.

#include <gtest/gtest.h>

#include "workbench/DocumentModel.h"

using namespace Ostra;

namespace {

// A new document: the Global panel and one calculator panel, the latter shown.
TDocumentModel NewDocument() {
  TDocumentModel d;
  d.AddPanel("Global");
  d.AddPanel(d.NextCalculatorName());
  d.SetCurrent(1);
  return d;
}

TEST(DocumentModel, ActionStatesFollowRunPageSyntaxAndPendingParse) {
  // One row per state; the columns are the states the window shows.
  const struct {
    const char* Name;
    bool Running, Modified, SyntaxError, Pending;
    int Current;
    bool Recent;
    TActionStates Expected;
  } cases[] = {
      // clang-format off
      // New Open Recent Save | Start Break | NewPanel Delete Rename Replace | Switch Editable
      {"idle on a calculator page", false, false, false, false, 1, true,
       {true, true, true, false, true, false, true, true, true, true, true, true}},
      {"no recent files", false, false, false, false, 1, false,
       {true, true, false, false, true, false, true, true, true, true, true, true}},
      {"modified", false, true, false, false, 1, true,
       {true, true, true, true, true, false, true, true, true, true, true, true}},
      {"on the Global page", false, false, false, false, 0, true,
       {true, true, true, false, false, false, true, false, false, true, true, true}},
      {"no page", false, false, false, false, -1, true,
       {true, true, true, false, false, false, true, false, false, false, true, true}},
      {"syntax error", false, false, true, false, 1, true,
       {true, true, true, false, false, false, true, true, true, true, true, true}},
      // Start parses the pending edit first: the error may be gone.
      {"syntax error, edit pending", false, false, true, true, 1, true,
       {true, true, true, false, true, false, true, true, true, true, true, true}},
      {"running", true, true, false, false, 1, true,
       {false, false, false, true, false, true, false, false, true, false, false, false}},
      // clang-format on
  };
  for (const auto& c : cases) {
    TDocumentModel d = NewDocument();
    d.AddPanel("Calculator 2");
    d.SetCurrent(c.Current);
    d.SetRunning(c.Running);
    d.SetModified(c.Modified);
    d.SetSyntaxError(c.SyntaxError);
    d.SetPendingParse(c.Pending ? 2 : -1);
    EXPECT_EQ(d.ActionStates(c.Recent), c.Expected) << c.Name;
    EXPECT_EQ(d.CanStart(), !c.Running && c.Current > 0) << c.Name;
    EXPECT_EQ(d.CanDeleteCurrent(), c.Expected.DeletePanel) << c.Name;
  }
}

TEST(DocumentModel, PanelsKeepTheirNamesAndTheParseMarksFollowADeletion) {
  TDocumentModel d = NewDocument();
  EXPECT_EQ(d.PanelName(1), "Calculator 1");
  EXPECT_EQ(d.NextCalculatorName(), "Calculator 2");
  EXPECT_EQ(d.AddPanel(d.NextCalculatorName()), 2);
  EXPECT_EQ(d.AddPanel("Spectrum & fit \xc3\xa9"), 3);
  // The marks on a later page move down, the one on the deleted page goes.
  d.SetPendingParse(3);
  d.SetLastParsed(2);
  d.RemovePanel(2);
  EXPECT_EQ(d.PanelCount(), 3);
  EXPECT_EQ(d.PanelName(2), "Spectrum & fit \xc3\xa9");
  EXPECT_EQ(d.PendingParse(), 2);
  EXPECT_EQ(d.LastParsed(), -1);
  d.SetLastParsed(1);
  d.RemovePanel(2);
  EXPECT_EQ(d.PendingParse(), -1);
  EXPECT_EQ(d.LastParsed(), 1);
  d.RemovePanel(7);
  EXPECT_EQ(d.PanelCount(), 2);
  d.SetPanelName(1, "");
  EXPECT_EQ(d.PanelName(1), "");
  d.Clear();
  EXPECT_EQ(d.PanelCount(), 0);
  EXPECT_EQ(d.Current(), -1);
  EXPECT_EQ(d.PendingParse(), -1);
}

TEST(DocumentModel, ModifiedReportsAChangeOnlyOnce) {
  TDocumentModel d;
  EXPECT_FALSE(d.SetModified(false));
  EXPECT_TRUE(d.SetModified(true));
  EXPECT_FALSE(d.SetModified(true));
  EXPECT_TRUE(d.Modified());
  EXPECT_TRUE(d.SetModified(false));
}

TEST(DocumentModel, OnlyATinyNewDocumentClosesWithoutAsking) {
  TDocumentModel d = NewDocument();
  EXPECT_TRUE(d.SkipsSavePrompt(0));
  EXPECT_TRUE(d.SkipsSavePrompt(TDocumentModel::TrivialLength - 1));
  EXPECT_FALSE(d.SkipsSavePrompt(TDocumentModel::TrivialLength));
  d.SetCurrent(0);
  EXPECT_FALSE(d.SkipsSavePrompt(0));
  d.SetCurrent(1);
  d.AddPanel("Calculator 2");
  EXPECT_FALSE(d.SkipsSavePrompt(0));
}

TEST(DocumentModel, ParseAtOnceUpToTheLimitAndDisplayNames) {
  EXPECT_TRUE(TDocumentModel::ParsesAtOnce(TDocumentModel::ImmediateParseLength));
  EXPECT_FALSE(TDocumentModel::ParsesAtOnce(TDocumentModel::ImmediateParseLength + 1));
  const struct {
    const char* Path;
    const char* Name;
  } names[] = {{"/home/lab/run.sma", "run.sma"},
               {"C:\\data\\fit.sma", "fit.sma"},
               {"A:short.sma", "short.sma"},
               {"plain.sma", "plain.sma"},
               {"/folder/", ""},
               {"/home/m\xc3\xbcller/\xc3\xa9.sma", "\xc3\xa9.sma"}};
  for (const auto& n : names) EXPECT_EQ(TDocumentModel::DisplayName(n.Path), n.Name) << n.Path;
}

TEST(DocumentModel, CommandLinePathsAndFileText) {
  const struct {
    const char* Joined;
    const char* Path;
  } lines[] = {{"/data/run.sma", "/data/run.sma"},
               {"\"/data/my run.sma\"", "/data/my run.sma"},
               {"\"/data/open", "/data/ope"},
               {"\"", ""},
               {"\"\"", ""},
               {"", ""},
               {"a \"b\"", "a \"b\""}};
  for (const auto& l : lines) EXPECT_EQ(TDocumentModel::CommandLinePath(l.Joined), l.Path) << l.Joined;
  EXPECT_EQ(TDocumentModel::FileText("a\nb\n\nc"), "a\r\nb\r\n\r\nc");
  EXPECT_EQ(TDocumentModel::FileText(""), "");
}

}  // namespace
