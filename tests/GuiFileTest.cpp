// The .gui file: the five-state reader, the quoting writer, and the rows
// turned into controls and back.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "panels/GuiFile.h"

using namespace Ostra;
using Rows = std::vector<TGuiRow>;

namespace {

Rows Read(const std::string& bytes) {
  TCSVReadWrite t;
  t.Parse(bytes);
  return t.Rows;
}

std::string Write(const Rows& rows) {
  TCSVReadWrite t;
  t.Rows = rows;
  return t.Format();
}

}  // namespace

TEST(GuiFileReader, FiveStates) {
  struct {
    const char* Bytes;
    Rows Expected;
  } cases[] = {
      {"a,b,c\r\n", {{"a", "b", "c"}}},
      // Blanks before a field are skipped, blanks after it kept.
      {"  42,42  ,x\r\n", {{"42", "42  ", "x"}}},
      // Quoted: commas, blanks and line breaks belong to the field; "" is a quote.
      {"\"a, b\",\"line\r\nbreak\",\"say \"\"hi\"\"\"\r\n", {{"a, b", "line\r\nbreak", "say \"hi\""}}},
      // After the closing quote anything but a comma or a line end is ignored.
      {"\"ab\"cd,e\r\n", {{"ab", "e"}}},
      // A quote inside an unquoted field is an ordinary character.
      {"a\"b,c\r\n", {{"a\"b", "c"}}},
      // Empty fields, also at the end of a line.
      {",,x,\r\n", {{"", "", "x", ""}}},
      // Blank lines give no rows; CR or LF alone end lines too.
      {"\r\n\r\na\r\n\r\nb\nc\rd\r\n", {{"a"}, {"b"}, {"c"}, {"d"}}},
      // The last line without its line end loses its last field.
      {"a,b\r\nc,d", {{"a", "b"}, {"c"}}},
      {"a,b\r\nc", {{"a", "b"}}},
      {"a,b\r\n\"open", {{"a", "b"}}},
      // Bytes above 127 are characters like any other.
      {"caf\xe9,\xb5V\r\n", {{"caf\xe9", "\xb5V"}}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Read(c.Bytes), c.Expected) << c.Bytes;
}

TEST(GuiFileWriter, QuotesWhatTheReaderWouldSplitAndReadsBackUnchanged) {
  EXPECT_EQ(Write({{"0", "1", "2", "21", "4", "3", "Speed", "1"}}), "0,1,2,21,4,3,Speed,1\r\n");
  EXPECT_EQ(Write({{"Set point"}}), "\"Set point\"\r\n");
  EXPECT_EQ(Write({{"say \"hi\""}}), "\"say \"\"hi\"\"\"\r\n");
  EXPECT_EQ(Write({{"a,b", "", "x"}}), "\"a,b\",,x\r\n");

  const Rows texts = {{"plain",
                       "with blank",
                       "with,comma",
                       "line\r\nbreak",
                       "lf\nonly",
                       "cr\ronly",
                       "\"quoted\"",
                       "  leading",
                       "trailing  ",
                       "\xe9t\xe9 \x80",
                       "tab\there",
                       "x"}};
  EXPECT_EQ(Read(Write(texts)), texts);
}

TEST(GuiFileWriter, SavesThroughATemporaryFileAndFailsCleanly) {
  OstraTest::TTempDir dir;
  TCSVReadWrite t;
  t.Rows = {{"0", "1", "1", "21", "3", "1", "Speed", "0"}};
  ASSERT_TRUE(t.SaveToFile(dir / "p.gui"));
  EXPECT_EQ(OstraTest::ReadBytes(dir / "p.gui"), "0,1,1,21,3,1,Speed,0\r\n");
  // Nothing but the file is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path), {}), 1);

  TCSVReadWrite back;
  ASSERT_TRUE(back.LoadFromFile(dir / "p.gui"));
  EXPECT_EQ(back.Rows, t.Rows);

  // A folder that cannot be written: the save fails and the old file stays.
  chmod(dir.Path.c_str(), 0500);
  t.Rows = {{"x"}};
  const bool saved = t.SaveToFile(dir / "p.gui");
  chmod(dir.Path.c_str(), 0700);
  if (geteuid() != 0) {
    EXPECT_FALSE(saved);
    EXPECT_EQ(OstraTest::ReadBytes(dir / "p.gui"), "0,1,1,21,3,1,Speed,0\r\n");
  }
  EXPECT_FALSE(t.SaveToFile(dir / "no-such-folder/p.gui"));
  EXPECT_FALSE(back.LoadFromFile(dir / "missing.gui"));
  EXPECT_TRUE(back.Rows.empty());
}

TEST(GuiFileLoader, SkipsRowsThatDescribeNoControl) {
  TCSVReadWrite t;
  t.Parse(
      "9,0,0,5,5,1,x\r\n"            // type 9
      "0,a,0,5,5,1,x\r\n"            // left not an integer
      "0,0,0,5,5\r\n"                // five fields
      "-1,0,0,5,5,1,x\r\n"           // negative type
      "0,0,0,5,5,99999999999,x\r\n"  // ID out of range
      "4,1,2,16,6,7,Go\r\n"
      "0,1.5,0,5,5,1,x\r\n");
  TPanelControls panel;
  ASSERT_TRUE(panel.LoadRows(t));
  ASSERT_EQ(panel.Controls.size(), 1u);
  auto* b = dynamic_cast<TButtonObject*>(panel.Controls[0].get());
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->Bounds, (TGridRect{1, 2, 16, 6}));
  EXPECT_EQ(b->ID, 7);
  EXPECT_EQ(b->Caption, "Go");
}

TEST(GuiFileLoader, MissingAndMalformedFieldsGiveTheReadingDefaults) {
  TCSVReadWrite t;
  t.Parse(
      "2,0,0,5,25,1\r\n"
      "2,0,0,5,25,2,-5,x,y,z,w,7\r\n"
      "2,0,0,5,25,3,1,2,3,4,5,1\r\n"
      "0,0,0,20,2,4,Hi,3\r\n"
      "0,0,0,20,2,5,Hi,2\r\n"
      "1,0,0,20,5,6,Hot,1,big\r\n"
      "1,0,0,20,5,7\r\n"
      "3,0,0,30,3,8,text,x\r\n"
      "5,0,0,15,2,9,Box,checked\r\n"
      "5,0,0,15,2,10,Box,Checked\r\n"
      "4,0,0,15,4,11\r\n");
  TPanelControls panel;
  ASSERT_TRUE(panel.LoadRows(t));
  ASSERT_EQ(panel.Controls.size(), 11u);
  auto fields = [&](int i) {
    auto& s = dynamic_cast<TScrollbarObject&>(*panel.Controls[i]);
    return std::vector<int32_t>({s.Min, s.Max, s.PageSize, s.LineSize, s.Value, s.Orientation});
  };
  EXPECT_EQ(fields(0), std::vector<int32_t>({0, 10, 5, 1, 0, 0}));
  EXPECT_EQ(fields(1), std::vector<int32_t>({-5, 10, 5, 1, -5, 0}));
  EXPECT_EQ(fields(2), std::vector<int32_t>({1, 2, 3, 4, 5, 1}));
  EXPECT_EQ(dynamic_cast<TLabelObject&>(*panel.Controls[3]).Alignment, 0);
  EXPECT_EQ(dynamic_cast<TLabelObject&>(*panel.Controls[4]).Alignment, 2);
  auto& hot = dynamic_cast<TDisplayObject&>(*panel.Controls[5]);
  EXPECT_EQ(hot.Text, "Hot");
  EXPECT_EQ(hot.Alignment, 1);
  EXPECT_EQ(hot.FontSize, 16);
  auto& bare = dynamic_cast<TDisplayObject&>(*panel.Controls[6]);
  EXPECT_EQ(bare.Text, "");
  EXPECT_EQ(bare.FontSize, 16);
  EXPECT_EQ(dynamic_cast<TEditControlObject&>(*panel.Controls[7]).Alignment, 0);
  EXPECT_TRUE(dynamic_cast<TCheckboxObject&>(*panel.Controls[8]).Checked);
  EXPECT_FALSE(dynamic_cast<TCheckboxObject&>(*panel.Controls[9]).Checked);
  EXPECT_EQ(dynamic_cast<TButtonObject&>(*panel.Controls[10]).Caption, "");
}

TEST(GuiFileLoader, RefusesMoreThan4096Rows) {
  OstraTest::TTempDir dir;
  std::string rows;
  for (int i = 0; i < 4096; ++i) rows += "0,0," + std::to_string(i) + ",20," + std::to_string(i + 2) + ",1,x,0\r\n";
  OstraTest::WriteBytes(dir / "4096.gui", rows);
  OstraTest::WriteBytes(dir / "4097.gui", rows + "\r\n\r\n4,0,0,15,4,2,Go\r\n");
  // Blank lines are no rows: 4096 rows and some blank lines still load.
  OstraTest::WriteBytes(dir / "blank.gui", "\r\n" + rows + "\r\n\r\n");
  TPanelControls panel;
  EXPECT_EQ(panel.LoadFile(dir / "4096.gui"), TPanelLoad::Loaded);
  EXPECT_EQ(panel.Controls.size(), 4096u);
  EXPECT_EQ(panel.LoadFile(dir / "4097.gui"), TPanelLoad::Refused);
  EXPECT_TRUE(panel.Controls.empty());
  EXPECT_EQ(panel.LoadFile(dir / "blank.gui"), TPanelLoad::Loaded);
  EXPECT_EQ(panel.Controls.size(), 4096u);
  EXPECT_EQ(panel.LoadFile(dir / "missing.gui"), TPanelLoad::Unreadable);
  EXPECT_TRUE(panel.Controls.empty());
}

TEST(GuiFileLoader, EveryTypeRoundTripsThroughItsRow) {
  const std::string file =
      "0,1,2,21,4,3,\"Set point\",1\r\n"
      "1,0,5,20,10,4,\"12,5 \"\"mV\"\"\",2,28\r\n"
      "2,30,0,35,25,5,-10,10,2,1,-3,1\r\n"
      "3,0,12,30,15,6,\"two\r\nlines\",1\r\n"
      "4,0,16,15,20,4294967295,\"\xc4nderung \x80\"\r\n"
      "5,0,20,15,22,8,Heater,checked\r\n"
      "5,0,22,15,24,9,Fan,unchecked\r\n";
  TCSVReadWrite in;
  in.Parse(file);
  TPanelControls panel;
  ASSERT_TRUE(panel.LoadRows(in));
  ASSERT_EQ(panel.Controls.size(), 7u);
  // IDs are written in unsigned decimal: 4294967295 is the ID -1, and it is
  // written back as it was.
  EXPECT_EQ(panel.Controls[4]->ID, -1);
  TCSVReadWrite out;
  panel.WriteRows(out);
  EXPECT_EQ(out.Format(), file);
  // A signed ID reads as well and is written in the unsigned form.
  TCSVReadWrite negative;
  negative.Parse("0,1,2,21,4,-3,Speed,1\r\n");
  TPanelControls signedId;
  ASSERT_TRUE(signedId.LoadRows(negative));
  ASSERT_EQ(signedId.Controls.size(), 1u);
  TCSVReadWrite written;
  signedId.WriteRows(written);
  EXPECT_EQ(written.Format(), "0,1,2,21,4,4294967293,Speed,1\r\n");
  EXPECT_EQ(dynamic_cast<TLabelObject&>(*panel.Controls[1]).Text, "12,5 \"mV\"");
}

TEST(GuiFileLoader, IdsAreWrittenUnsigned) {
  TButtonObject b;
  b.ID = -1;
  EXPECT_EQ(RowOf(b)[5], "4294967295");
  b.ID = 2147483647;
  EXPECT_EQ(RowOf(b)[5], "2147483647");
}

TEST(PanelIndex, LastControlOfAnIdWinsAndFreeIdsFillGaps) {
  TCSVReadWrite t;
  t.Parse("0,0,0,20,2,3,first,0\r\n0,0,0,20,2,1,one,0\r\n0,0,0,20,2,3,second,0\r\n");
  TPanelControls panel;
  ASSERT_TRUE(panel.LoadRows(t));
  EXPECT_EQ(dynamic_cast<TLabelObject*>(panel.Find(3))->Text, "second");
  panel.BuildIndex();
  EXPECT_EQ(dynamic_cast<TLabelObject*>(panel.Find(3))->Text, "second");
  EXPECT_EQ(panel.Find(2), nullptr);
  EXPECT_EQ(panel.SmallestFreeID(), 2);
  EXPECT_EQ(panel.LargestID(), 3);
  TPanelControls empty;
  EXPECT_EQ(empty.SmallestFreeID(), 1);
  EXPECT_EQ(empty.LargestID(), 1);
}
