// The argument helpers of the function base that the libraries share.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Function.h"

using namespace TernioParser;

namespace {

std::vector<double> Elements(const TArrayEntry& a) { return std::vector<double>(a.Data, a.Data + a.Count); }

}  // namespace

TEST(FunctionHelpers, ArrayBytesCutEachElementToItsLowestByte) {
  TArrayEntry a("a");
  for (double x : {65.0, 256.0, -1.0, 127.9, 300.0}) a.SetElement(a.Count, x);
  const struct {
    int32_t Count;
    std::string Bytes;
  } cases[] = {
      {INT32_MAX, std::string("\x41\x00\xFF\x7F\x2C", 5)},
      {2, std::string("\x41\x00", 2)},
      {0, ""},
      {-3, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TFunction::ArrayBytes(a, c.Count), c.Bytes) << c.Count;
  EXPECT_EQ(TFunction::ArrayBytes(TArrayEntry("empty")), "");
}

// The bytes replace everything the array held: elements beyond them read 0
// when the array grows again, however many it had before.
TEST(FunctionHelpers, StoreBytesReplacesTheWholeArray) {
  TArrayEntry a("a");
  for (int i = 0; i < 300; ++i) a.SetElement(i, 7);
  TFunction::StoreBytes(a, std::string("\x00\xFF\x80", 3));
  EXPECT_EQ(Elements(a), (std::vector<double>{0, 255, 128}));
  a.SetElement(200, 1);
  std::vector<double> grown(201, 0.0);
  grown[1] = 255;
  grown[2] = 128;
  grown[200] = 1;
  EXPECT_EQ(Elements(a), grown);

  TFunction::StoreBytes(a, "");
  EXPECT_EQ(a.Count, 0);
  a.SetElement(5, 2);
  EXPECT_EQ(Elements(a), (std::vector<double>{0, 0, 0, 0, 0, 2}));
}
