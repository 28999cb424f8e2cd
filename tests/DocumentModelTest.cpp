// The main window's document without widgets: its panels, its state and the
// rules that enable the actions.

#include <gtest/gtest.h>

#include "workbench/DocumentModel.h"

#include <string>
#include <vector>

#include "workbench/MacroFile.h"

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

TEST(DocumentModel, SectionsOfAnOpenedFileFillTheFirstTwoPagesThenAppend) {
  using P = std::vector<TSectionPage>;
  const struct {
    const char* Name;
    std::string File;
    P Pages;
  } cases[] = {
      {"no marker: all on page 1, its name kept", "x := 1\r\ny := 2", {{1, 1, false}}},
      {"empty file", "", {{1, 1, false}}},
      {"one section: the Global page only", "/*$$panel:Setup$$*/\nf(x) := x", {{0, 0, true}}},
      {"two sections", "/*$$panel:G$$*/\na\r\n/*$$panel:Fit$$*/\nb", {{0, 0, true}, {1, 1, true}}},
      {"four sections",
       "/*$$panel:G$$*/\n/*$$panel:A$$*/\n/*$$panel:B$$*/\n/*$$panel:C$$*/\n",
       {{0, 0, true}, {1, 1, true}, {2, -1, true}, {3, -1, true}}},
      // What was read before a broken marker still opens.
      {"broken second marker", "/*$$panel:G$$*/\na/*$$panel:unterminated", {{0, 0, true}}},
      {"broken third marker", "/*$$panel:G$$*/\na/*$$panel:B$$*/\nb/*$$panel:C", {{0, 0, true}, {1, 1, true}}},
  };
  for (const auto& c : cases) {
    const TMacroDocument doc = ReadMacroText(c.File);
    EXPECT_EQ(TDocumentModel::SectionPages(c.File, doc), c.Pages) << c.Name;
  }
  // A saved document opens onto the same pages under the same names.
  const std::vector<TMacroPanel> saved = {{"Global", "g\r\n", 0}, {"Calculator 1", "a", 0}, {"Spectrum", "s", 0}};
  const std::string file = WriteMacroText(saved);
  const TMacroDocument doc = ReadMacroText(file);
  const P pages = TDocumentModel::SectionPages(file, doc);
  ASSERT_EQ(pages.size(), saved.size());
  for (size_t k = 0; k < pages.size(); ++k) {
    EXPECT_EQ(doc.Panels[pages[k].Section].Name, saved[k].Name);
    EXPECT_EQ(doc.Panels[pages[k].Section].Text, saved[k].Text);
  }
}

TEST(DocumentModel, TheOpenedFileShowsItsFirstCalculatorPage) {
  TDocumentModel d;
  EXPECT_EQ(d.OpenedPage(), -1);
  d.AddPanel(TDocumentModel::GlobalName);
  EXPECT_EQ(d.OpenedPage(), 0);
  d.AddPanel(d.NextCalculatorName());
  EXPECT_EQ(d.OpenedPage(), 1);
  d.AddPanel("More");
  EXPECT_EQ(d.OpenedPage(), 1);
  EXPECT_EQ(NewDocument().PanelName(0), TDocumentModel::GlobalName);
}

TEST(DocumentModel, DeletingAPanelWithTextAsksFirst) {
  const struct {
    const char* Name;
    bool Running;
    int Current;
    bool Empty;
    TPanelDeletion Expected;
  } cases[] = {
      {"empty calculator panel", false, 1, true, TPanelDeletion::Delete},
      {"calculator panel with text", false, 2, false, TPanelDeletion::Confirm},
      {"the Global page", false, 0, true, TPanelDeletion::Refused},
      {"the Global page with text", false, 0, false, TPanelDeletion::Refused},
      {"no page", false, -1, true, TPanelDeletion::Refused},
      {"running", true, 1, true, TPanelDeletion::Refused},
      {"running, text", true, 1, false, TPanelDeletion::Refused},
  };
  for (const auto& c : cases) {
    TDocumentModel d = NewDocument();
    d.AddPanel("Calculator 2");
    d.SetCurrent(c.Current);
    d.SetRunning(c.Running);
    EXPECT_EQ(d.DeletionOfCurrent(c.Empty), c.Expected) << c.Name;
  }
}

TEST(DocumentModel, ClosingAsksToKillARunThenToSave) {
  // The answers the window gives; a question not asked leaves its mark unset.
  const struct {
    const char* Name;
    bool Running, ThreadEnded, Modified;
    bool Kill, RunEnds, Save;
    bool AsksKill, Ends, AsksSave;
    TCloseOutcome Outcome;
  } cases[] = {
      // clang-format off
      //                                  run    ended  mod    | kill   ends   save  | asks: kill end save
      {"idle, saved",                     false, false, false,   true,  true,  true,   false, false, false, TCloseOutcome::Close},
      {"idle, modified, save or discard", false, false, true,    true,  true,  true,   false, false, true,  TCloseOutcome::Close},
      {"idle, modified, cancel",          false, false, true,    true,  true,  false,  false, false, true,  TCloseOutcome::Stay},
      {"running, keep it",                true,  false, true,    false, true,  true,   true,  false, false, TCloseOutcome::Stay},
      {"running, killed",                 true,  false, false,   true,  true,  true,   true,  true,  false, TCloseOutcome::Close},
      {"running, killed, then save",      true,  false, true,    true,  true,  true,   true,  true,  true,  TCloseOutcome::Close},
      {"running, killed, then cancel",    true,  false, true,    true,  true,  false,  true,  true,  true,  TCloseOutcome::Stay},
      {"running, stuck",                  true,  false, false,   true,  false, true,   true,  true,  false, TCloseOutcome::Exit},
      {"running, stuck, then save",       true,  false, true,    true,  false, true,   true,  true,  true,  TCloseOutcome::Exit},
      {"running, stuck, then cancel",     true,  false, true,    true,  false, false,  true,  true,  true,  TCloseOutcome::Stay},
      // The thread is gone: there is nothing to kill.
      {"thread ended mid-run",            true,  true,  false,   false, false, true,   false, false, false, TCloseOutcome::Close},
      {"thread ended mid-run, modified",  true,  true,  true,    false, false, true,   false, false, true,  TCloseOutcome::Close},
      // clang-format on
  };
  for (const auto& c : cases) {
    TDocumentModel d = NewDocument();
    d.SetRunning(c.Running);
    d.SetModified(c.Modified);
    if (c.ThreadEnded) d.SetThreadEnded();
    bool askedKill = false, ended = false, askedSave = false;
    const TCloseQuestions ask{[&] {
                                askedKill = true;
                                return c.Kill;
                              },
                              [&] {
                                ended = true;
                                return c.RunEnds;
                              },
                              [&] {
                                askedSave = true;
                                return c.Save;
                              }};
    EXPECT_EQ(d.Close(ask), c.Outcome) << c.Name;
    EXPECT_EQ(askedKill, c.AsksKill) << c.Name;
    EXPECT_EQ(ended, c.Ends) << c.Name;
    EXPECT_EQ(askedSave, c.AsksSave) << c.Name;
    EXPECT_EQ(d.ThreadStuck(), c.Ends && !c.RunEnds) << c.Name;
  }
}

TEST(DocumentModel, AStuckRunStaysStuckAcrossCloseAttempts) {
  TDocumentModel d = NewDocument();
  d.SetRunning(true);
  d.SetModified(true);
  int kills = 0;
  bool save = false;
  const TCloseQuestions ask{[&] {
                              ++kills;
                              return true;
                            },
                            [] { return false; },
                            [&] { return save; }};
  // Cancelled at the save prompt: the window stays, the run is still stuck.
  EXPECT_EQ(d.Close(ask), TCloseOutcome::Stay);
  EXPECT_TRUE(d.ThreadStuck());
  // The next attempt asks again and leaves at once.
  save = true;
  EXPECT_EQ(d.Close(ask), TCloseOutcome::Exit);
  EXPECT_EQ(kills, 2);
  EXPECT_TRUE(d.ThreadStuck());
}

}  // namespace
