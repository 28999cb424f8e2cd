// The macro document format.

#include <gtest/gtest.h>

#include "workbench/MacroFile.h"

using namespace Ostra;

TEST(MacroFile, SinglePanelFormHoldsTheTextAlone) {
  std::vector<TMacroPanel> panels = {{"Global", ""}, {"Calculator 1", "1+2\r\nx"}};
  std::string file = WriteMacroText(panels);
  EXPECT_EQ(file, "1+2\r\nx");
  TMacroDocument doc = ReadMacroText(file);
  ASSERT_EQ(doc.Panels.size(), 2u);
  EXPECT_EQ(doc.Panels[0].Name, "Global");
  EXPECT_EQ(doc.Panels[1].Name, "Calculator 1");
  EXPECT_EQ(doc.Panels[1].Text, "1+2\r\nx");
}

TEST(MacroFile, MultiPanelFormIsByteExact) {
  std::vector<TMacroPanel> panels = {{"Global", ""}, {"A", "1+2"}, {"B", "x=3\r\nx*2"}};
  std::string file = WriteMacroText(panels);
  EXPECT_EQ(file, "/*$$panel:Global$$*/\n/*$$panel:A$$*/\n1+2/*$$panel:B$$*/\nx=3\r\nx*2");
  TMacroDocument doc = ReadMacroText(file);
  ASSERT_EQ(doc.Panels.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(doc.Panels[i].Name, panels[i].Name);
    EXPECT_EQ(doc.Panels[i].Text, panels[i].Text);
  }
  EXPECT_EQ(WriteMacroText(doc.Panels), file);
}

TEST(MacroFile, ReadingRules) {
  // The first section lands on the Global page, whatever its name.
  auto doc = ReadMacroText("ignored/*$$panel:X$$*/\nglobal text/*$$panel:With blanks $$*/\nbody");
  ASSERT_EQ(doc.Panels.size(), 2u);
  EXPECT_EQ(doc.Panels[0].Name, "X");
  EXPECT_EQ(doc.Panels[0].Text, "global text");
  EXPECT_EQ(doc.Panels[1].Name, "With blanks ");
  EXPECT_EQ(doc.Panels[1].Text, "body");
  // A marker line ending in CR LF loses only the CR.
  doc = ReadMacroText("/*$$panel:G$$*/\r\nx");
  EXPECT_EQ(doc.Panels[0].Text, "\nx");
  // Two markers in a row give an empty panel; a lone Global section leaves
  // page 1 as the new document's empty calculator panel.
  doc = ReadMacroText("/*$$panel:G$$*/\n/*$$panel:E$$*/\n/*$$panel:F$$*/\nf");
  ASSERT_EQ(doc.Panels.size(), 3u);
  EXPECT_EQ(doc.Panels[1].Text, "");
  EXPECT_EQ(doc.Panels[2].Text, "f");
  doc = ReadMacroText("/*$$panel:Global$$*/\n");
  ASSERT_EQ(doc.Panels.size(), 2u);
  EXPECT_EQ(doc.Panels[1].Name, "Calculator 1");
  // An unclosed marker ends the reading with what was read so far.
  doc = ReadMacroText("/*$$panel:G$$*/\na/*$$panel:broken");
  EXPECT_FALSE(doc.Complete);
  EXPECT_EQ(doc.Panels[0].Text, "a");
  // Offsets point at each text within the file.
  std::string file = "/*$$panel:G$$*/\nab/*$$panel:P$$*/\ncd";
  doc = ReadMacroText(file);
  EXPECT_EQ(file.substr(doc.Panels[1].Offset, 2), "cd");
}

TEST(MacroFile, GlobalTextForcesTheMultiPanelForm) {
  std::vector<TMacroPanel> panels = {{"G", "1"}, {"P", "2"}, {"Q", ""}};
  EXPECT_EQ(WriteMacroText(panels), "/*$$panel:G$$*/\n1/*$$panel:P$$*/\n2/*$$panel:Q$$*/\n");
}
