// Windows-1252: one table for the windows and the exports.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/CodePage.h"
#include "output/PlotExport.h"

using namespace TernioParser;

namespace {

// The characters of a UTF-8 text (well-formed, at most three bytes each).
std::u32string FromUtf8(const std::string& s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = s[i];
    const int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : 2;
    char32_t cp = extra == 0 ? c : extra == 1 ? c & 0x1F : c & 0x0F;
    for (int k = 1; k <= extra; ++k) cp = cp << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out += cp;
    i += 1 + extra;
  }
  return out;
}

}  // namespace

TEST(CodePage, EveryByteComesBackFromItsCharacter) {
  for (int b = 0; b < 256; ++b) EXPECT_EQ(CodePageByte(CodePageChar(static_cast<unsigned char>(b))), b) << b;
}

TEST(CodePage, Characters) {
  const struct {
    unsigned char Byte;
    char32_t Char;
  } cases[] = {
      {0x00, 0x0000},
      {0x41, 0x0041},
      {0x7F, 0x007F},
      {0x80, 0x20AC},
      {0x8A, 0x0160},
      {0x96, 0x2013},
      {0x9F, 0x0178},
      {0xA0, 0x00A0},
      {0xB5, 0x00B5},
      {0xE4, 0x00E4},
      {0xFF, 0x00FF},
      // unassigned in the code page: the control character of the same value
      {0x81, 0x0081},
      {0x8D, 0x008D},
      {0x8F, 0x008F},
      {0x90, 0x0090},
      {0x9D, 0x009D},
  };
  for (const auto& c : cases) EXPECT_EQ(CodePageChar(c.Byte), c.Char) << int(c.Byte);
  // Characters the code page cannot hold, among them those whose place the
  // table gives to another character (0x80 is the euro sign).
  for (char32_t c : {0x0080, 0x009F, 0x0100, 0x20AD, 0xFFFD, 0x1F600}) EXPECT_EQ(CodePageByte(c), -1) << uint32_t(c);
}

// The plot description writes every byte of a caption as the character of
// the table, the unassigned ones included.
TEST(CodePage, JsonExportUsesTheTable) {
  std::string caption;
  std::u32string expect;
  for (int b = 0x20; b < 256; ++b) {
    if (b == '"' || b == '\\') continue;
    caption += static_cast<char>(b);
    expect += CodePageChar(static_cast<unsigned char>(b));
  }
  TPlotModel m;
  TPlotRequest curve;
  curve.Kind = TPlotRequestKind::AddCurve;
  curve.X = curve.Y = {0};
  m.Apply(curve);
  TPlotRequest title;
  title.Kind = TPlotRequestKind::Title;
  title.Text = caption;
  m.Apply(title);
  const std::string json = PlotsAsJson(m);
  const std::string key = "\"caption\": \"";
  const size_t from = json.find(key) + key.size();
  ASSERT_NE(from, std::string::npos + key.size());
  EXPECT_EQ(FromUtf8(json.substr(from, json.find('"', from) - from)), expect);
}
