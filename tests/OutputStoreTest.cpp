// The output window's text store: line rules, bounded memory with the spool
// file, reading back in order, the export of everything, Clear, and a disk
// that refuses to take the spool.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "output/OutputStore.h"

using TernioParser::TOutputStore;
using OstraTest::TTempDir;

namespace {

std::vector<std::string> Lines(const TOutputStore& s, uint64_t first = 0, uint64_t count = UINT64_MAX) {
  std::vector<std::string> out;
  EXPECT_TRUE(s.ReadLines(first, count, [&](std::string_view l) { out.emplace_back(l); }));
  return out;
}

std::string Exported(const TOutputStore& s, uint64_t lines = UINT64_MAX) {
  std::string out;
  EXPECT_TRUE(s.Export(lines, [&](std::string_view b) {
    out.append(b);
    return true;
  }));
  return out;
}

bool Exists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

// What the store may hold in memory with the given limit after `written`
// bytes: the limit, the chunk being filled, and the index of the chunks.
uint64_t MemoryBound(uint64_t limit, uint64_t written) {
  const uint64_t chunk = limit / 16;
  return limit + chunk + (written / chunk + 2) * 128;
}

std::string LineText(int i) { return "line " + std::to_string(i) + " of the long run"; }

// Writes n numbered lines.
void WriteNumbered(TOutputStore& s, int n) {
  for (int i = 0; i < n; ++i) s.Write(LineText(i), true);
}

// Whether lines [first, first+count) read back as the numbered lines.
void ExpectNumbered(const TOutputStore& s, uint64_t first, uint64_t count) {
  const std::vector<std::string> got = Lines(s, first, count);
  ASSERT_EQ(got.size(), count);
  for (uint64_t i = 0; i < count; ++i)
    ASSERT_EQ(got[i], LineText(static_cast<int>(first + i))) << "line " << first + i;
}

}  // namespace

// Operations: "p<text>" print, "l<text>" println, "c" Clear; "|" separates.
TEST(OutputStore, LineRules) {
  struct TCase {
    const char* Ops;
    std::vector<std::string> Lines;
    bool Complete;
  };
  const TCase cases[] = {
      {"lx", {"x"}, true},
      {"lx|py", {"x", "y"}, false},
      {"pa|pa", {"aa"}, false},
      {"pa|pb|lc|pd", {"abc", "d"}, false},
      {"la|lb", {"a", "b"}, true},
      {"pa|c|pb", {"b"}, false},
      {"pa|c", {}, false},
      {"la|c|pb", {"b"}, false},
      {"l", {""}, true},
      {"p", {""}, false},
      {"lx|p", {"x", ""}, false},
      {"la|l|pb", {"a", "", "b"}, false},
      {"px\r\ny\nz\rw|l!", {"x", "y", "z", "w!"}, true},
      {"pa\r|lb", {"a", "b"}, true},
      {"c", {}, true},
  };
  for (const TCase& c : cases) {
    TTempDir dir;
    TOutputStore s(dir.Path);
    std::string ops = c.Ops;
    for (size_t at = 0; at <= ops.size();) {
      size_t bar = ops.find('|', at);
      if (bar == std::string::npos) bar = ops.size();
      const std::string op = ops.substr(at, bar - at);
      if (op[0] == 'c') s.Clear();
      else s.Write(op.substr(1), op[0] == 'l');
      at = bar + 1;
    }
    EXPECT_EQ(Lines(s), c.Lines) << c.Ops;
    EXPECT_EQ(s.LineCount(), c.Lines.size()) << c.Ops;
    EXPECT_EQ(s.LineComplete(), c.Complete) << c.Ops;
    std::string text;
    for (const std::string& l : c.Lines) text += l + "\r\n";
    EXPECT_EQ(Exported(s), text) << c.Ops;
  }
}

// Far more text than the limit: memory stays near it, the rest is in the
// spool file, and every line reads back in order from anywhere.
TEST(OutputStore, SpoolsBeyondTheLimitAndReadsBackInOrder) {
  TTempDir dir;
  const std::string folder = dir / "cache/ostracalc";  // made on demand
  const uint64_t limit = 256 << 10;
  TOutputStore s(folder, limit);
  const int n = 200000;  // about 6 MB
  WriteNumbered(s, n);
  s.Write("open", false);
  EXPECT_LE(s.MemoryBytes(), MemoryBound(limit, 6 << 20));
  EXPECT_GT(s.SpoolBytes(), 4u << 20);
  EXPECT_TRUE(Exists(s.SpoolPath()));
  EXPECT_EQ(s.SpoolPath().rfind(folder + "/output-", 0), 0u) << s.SpoolPath();
  EXPECT_TRUE(s.Problem().empty());
  ASSERT_EQ(s.LineCount(), uint64_t(n) + 1);

  for (uint64_t first : {0, 1, 777, 100000, 199990}) ExpectNumbered(s, first, std::min<uint64_t>(5000, n - first));
  EXPECT_EQ(Lines(s, n - 1, 10), (std::vector<std::string>{LineText(n - 1), "open"}));
  EXPECT_EQ(Lines(s, n + 1, 10), std::vector<std::string>{});

  std::string expected;
  for (int i = 0; i < n; ++i) expected += LineText(i) + "\r\n";
  EXPECT_EQ(Exported(s, n), expected);
  EXPECT_EQ(Exported(s), expected + "open\r\n");
  // An export that the file refuses stops.
  int blocks = 0;
  EXPECT_FALSE(s.Export(UINT64_MAX, [&](std::string_view) { return ++blocks < 3; }));
  EXPECT_EQ(blocks, 3);
}

// The newest lines that fit a budget of lines and bytes.
TEST(OutputStore, TailStart) {
  TTempDir dir;
  TOutputStore s(dir.Path, 64 << 10);
  for (int i = 0; i < 10000; ++i) s.Write(std::string(9, 'a' + i % 26), true);  // 10 bytes a line
  struct TCase {
    uint64_t Lines, Bytes, First;
  };
  for (const TCase& c : {TCase{100, 1 << 30, 9900},
                         {100, 500, 9950},
                         {100, 505, 9950},
                         {100, 510, 9949},
                         {1, 1, 9999},
                         {0, 1 << 30, 9999},
                         {20000, 1 << 30, 0},
                         {20000, 64000, 3600}})
    EXPECT_EQ(s.TailStart(c.Lines, c.Bytes), c.First) << c.Lines << " lines, " << c.Bytes << " bytes";
  s.Write("open", false);
  EXPECT_EQ(s.TailStart(2, 1 << 30), 9999u);
  EXPECT_EQ(s.TailStart(2, 4), 10000u);
  EXPECT_EQ(s.TailStart(2, 14), 9999u);
}

// One line far longer than a chunk, and one longer than the limit.
TEST(OutputStore, LongLines) {
  TTempDir dir;
  TOutputStore s(dir.Path, 64 << 10);
  std::string big;
  for (int i = 0; big.size() < (1 << 20); ++i) big += std::to_string(i) + ",";
  s.Write("before", true);
  s.Write(big, false);
  s.Write("!", true);
  s.Write("after", true);
  EXPECT_EQ(Lines(s), (std::vector<std::string>{"before", big + "!", "after"}));
  EXPECT_EQ(Lines(s, 1, 1), std::vector<std::string>{big + "!"});
  EXPECT_EQ(s.TailStart(10, 1000), 2u);
  EXPECT_LE(s.MemoryBytes(), MemoryBound(64 << 10, 1 << 20));
}

// Clear drops the text and the spool file; the destructor removes the file
// too; a lower limit spools at once.
TEST(OutputStore, ClearLimitAndExitRemoveTheSpool) {
  TTempDir dir;
  std::string path;
  {
    TOutputStore s(dir.Path, 1 << 20);
    WriteNumbered(s, 20000);
    EXPECT_EQ(s.SpoolBytes(), 0u);
    s.SetLimit(64 << 10);
    EXPECT_EQ(s.Limit(), 64u << 10);
    EXPECT_GT(s.SpoolBytes(), 0u);
    EXPECT_LE(s.MemoryBytes(), MemoryBound(64 << 10, 1 << 20) + (1 << 20) / 16);
    ExpectNumbered(s, 0, 20000);
    const uint64_t generation = s.Generation();
    path = s.SpoolPath();
    EXPECT_TRUE(Exists(path));
    s.Clear();
    EXPECT_FALSE(Exists(path));
    EXPECT_EQ(s.LineCount(), 0u);
    EXPECT_EQ(s.SpoolBytes(), 0u);
    EXPECT_EQ(s.SpoolPath(), "");
    EXPECT_EQ(Exported(s), "");
    EXPECT_EQ(s.Generation(), generation + 1);
    WriteNumbered(s, 20000);
    ExpectNumbered(s, 0, 20000);
    path = s.SpoolPath();
    EXPECT_TRUE(Exists(path));
    s.SetLimit(1);
    EXPECT_EQ(s.Limit(), TOutputStore::MinimumLimit);
  }
  EXPECT_FALSE(Exists(path));
}

// A spool file that cannot be created keeps the text in memory, says why,
// and beyond twice the limit drops the oldest text with a mark where it was.
TEST(OutputStore, SpoolFolderThatCannotBeMade) {
  TTempDir dir;
  OstraTest::WriteBytes(dir / "file", "x");
  const uint64_t limit = 64 << 10;
  TOutputStore s(dir / "file/cache", limit);
  WriteNumbered(s, 2000);  // about 60 kB: below the limit
  EXPECT_TRUE(s.Problem().empty());
  WriteNumbered(s, 3000);  // beyond the limit, below twice of it
  EXPECT_NE(s.Problem().find("cannot be created"), std::string::npos) << s.Problem();
  EXPECT_EQ(s.LostLines(), 0u);
  EXPECT_EQ(s.SpoolPath(), "");
  EXPECT_EQ(Lines(s).size(), 5000u);
  for (int i = 0; i < 20; ++i) WriteNumbered(s, 1000);
  EXPECT_LE(s.MemoryBytes(), MemoryBound(2 * limit, 1 << 20));
  EXPECT_GT(s.LostLines(), 0u);
  const std::vector<std::string> lines = Lines(s);
  ASSERT_EQ(lines.size(), 25000u);
  EXPECT_NE(lines[0].find("output lost here"), std::string::npos) << lines[0];
  EXPECT_EQ(lines.back(), LineText(999));
  EXPECT_NE(Exported(s).find("output lost here"), std::string::npos);
}

// A disk that fills up while spooling: what was spooled stays readable, the
// rest stays in memory, and the problem is told.
TEST(OutputStore, DiskThatRefusesWrites) {
  TTempDir dir;
  const uint64_t limit = 64 << 10;
  TOutputStore s(dir.Path, limit);
  // The file-size limit makes writes beyond 16 kB fail as on a full disk.
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit small{16 << 10, old.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  WriteNumbered(s, 4000);  // about 120 kB
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_NE(s.Problem().find("cannot be written"), std::string::npos) << s.Problem();
  EXPECT_GT(s.SpoolBytes(), 0u);
  EXPECT_LE(s.SpoolBytes(), 16u << 10);
  EXPECT_EQ(s.LostLines(), 0u);
  ExpectNumbered(s, 0, 4000);
  // Room again: spooling goes on and the problem is gone.
  WriteNumbered(s, 4000);
  EXPECT_TRUE(s.Problem().empty()) << s.Problem();
  EXPECT_LE(s.MemoryBytes(), MemoryBound(limit, 1 << 20));
  ExpectNumbered(s, 0, 4000);
}

TEST(OutputStore, RemovesStaleSpoolFilesOnly) {
  TTempDir dir;
  const std::string mine = dir / ("output-" + std::to_string(getpid()) + "-abcdef.spool");
  const std::string stale = dir / "output-2147483000-abcdef.spool";
  const std::string other = dir / "notes.txt";
  for (const std::string& p : {mine, stale, other}) OstraTest::WriteBytes(p, "x");
  TOutputStore::RemoveStaleSpoolFiles(dir.Path);
  EXPECT_TRUE(Exists(mine));
  EXPECT_FALSE(Exists(stale));
  EXPECT_TRUE(Exists(other));
  TOutputStore::RemoveStaleSpoolFiles(dir / "missing");
}
