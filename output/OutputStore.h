#pragma once
// The text of the output window as plain bytes, in bounded memory.
//
// print and println append to one byte stream in which every line ends with
// a line feed (CR LF and lone CR of the texts become line feeds too); the
// stream is cut into chunks of a fixed size. While the chunks in memory hold
// more than the limit, the oldest go to a spool file in the given folder, so
// that memory stays near the limit however long a program prints, while every
// line can still be read back (the window's scroll-back, Save As Text). Clear
// and the destructor remove the spool file.
//
// A spool file that cannot be written (a full disk) keeps its chunks in
// memory and says so in Problem(); only beyond twice the limit are the oldest
// chunks dropped, and the text read back marks the gap. Nothing here throws
// on a failing disk.
//
// Used on one thread; no locks.

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

namespace TernioParser {

class TOutputStore {
public:
  static constexpr uint64_t DefaultLimit = uint64_t(256) << 20;
  static constexpr uint64_t MinimumLimit = uint64_t(64) << 10;

  // spoolFolder is created when the first chunk has to go there.
  explicit TOutputStore(std::string spoolFolder, uint64_t limit = DefaultLimit);
  ~TOutputStore();
  TOutputStore(const TOutputStore&) = delete;
  TOutputStore& operator=(const TOutputStore&) = delete;

  // print (newline false) and println (newline true).
  void Write(std::string_view text, bool newline);
  // Drops all text and the spool file. LineComplete stays as it is.
  void Clear();

  // Bytes of text kept in memory before the oldest part is spooled (at least
  // MinimumLimit). Lowering it spools at once.
  void SetLimit(uint64_t bytes);
  uint64_t Limit() const { return LimitBytes; }

  // The lines written since the last Clear; the last one may be open.
  uint64_t LineCount() const { return Newlines + (LastLineOpen() ? 1 : 0); }
  bool LastLineOpen() const { return Started && !Complete; }
  // True when the next text starts a new line (false after print).
  bool LineComplete() const { return Complete; }
  // Counts the Clears, so that a view can tell its lines are gone.
  uint64_t Generation() const { return Clears; }

  // Calls line() for the lines first .. first+count-1 (fewer at the end), in
  // order, each without its line end. False when the spool file could not be
  // read back (the lines up to there have been delivered).
  bool ReadLines(uint64_t first, uint64_t count, const std::function<void(std::string_view)>& line) const;
  // The first line of the newest lines that hold at most maxLines lines and
  // maxBytes bytes together (at least the last line).
  uint64_t TailStart(uint64_t maxLines, uint64_t maxBytes) const;
  // The first `lines` lines as Save As Text writes them, each ended by CR LF,
  // handed to out in blocks; false when out refused a block or the spool
  // file could not be read.
  bool Export(uint64_t lines, const std::function<bool(std::string_view)>& out) const;

  // Text held in memory (storage reserved for it), and in the spool file.
  uint64_t MemoryBytes() const { return InMemory + Chunks.size() * sizeof(TChunk); }
  uint64_t SpoolBytes() const { return SpoolSize; }
  // The spool file's path; empty while there is none.
  const std::string& SpoolPath() const { return Path; }
  // Why spooling failed, empty while it works.
  const std::string& Problem() const { return Trouble; }
  // Lines dropped because the spool file could not be written.
  uint64_t LostLines() const { return Lost; }

  // Removes spool files in folder left behind by processes that no longer
  // run (a crash, a kill).
  static void RemoveStaleSpoolFiles(const std::string& folder);

private:
  enum class TWhere { Memory, Spooled, Dropped };
  struct TChunk {
    std::string Bytes;    // while in memory
    uint64_t Offset = 0;  // in the spool file, once there
    uint64_t Size = 0;
    uint64_t FirstLine = 0;  // line feeds before the chunk
    uint64_t Newlines = 0;   // line feeds in the chunk
    TWhere Where = TWhere::Memory;
  };

  std::string Folder;
  uint64_t LimitBytes;
  size_t ChunkBytes;
  std::deque<TChunk> Chunks;
  size_t FirstInMemory = 0;  // chunks before it are spooled or dropped
  uint64_t TotalBytes = 0;
  uint64_t Newlines = 0;
  uint64_t InMemory = 0;
  uint64_t SpoolSize = 0;
  uint64_t Lost = 0;
  uint64_t Clears = 0;
  bool Started = false;  // a line exists since the last Clear
  bool Complete = true;
  int Fd = -1;
  std::string Path;
  std::string Trouble;

  void Append(std::string_view bytes);
  void StartChunk();
  void Spool();
  bool SpoolChunk(TChunk& c);
  void DropSpoolFile();
  // The bytes of a chunk, read back from the spool file when needed (into
  // buffer); false when that fails.
  bool ChunkText(const TChunk& c, std::string& buffer, std::string_view& text) const;
};

}  // namespace TernioParser
