#include "output/OutputStore.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace TernioParser {

namespace {

// Spool files are named output-<pid>-<random>.spool.
constexpr const char* SpoolPrefix = "output-";
constexpr const char* SpoolSuffix = ".spool";

// What a chunk that could not be spooled reads as.
constexpr std::string_view LostMarker = "*** output lost here: the spool file could not be written ***";

size_t ChunkSizeFor(uint64_t limit) {
  return static_cast<size_t>(std::clamp<uint64_t>(limit / 16, 4 << 10, 1 << 20));
}

uint64_t CountNewlines(std::string_view s) { return static_cast<uint64_t>(std::count(s.begin(), s.end(), '\n')); }

// mkdir -p; errors show when the file is created.
void MakeFolders(const std::string& folder) {
  for (size_t i = 1; i <= folder.size(); ++i) {
    if (i == folder.size() || folder[i] == '/') ::mkdir(folder.substr(0, i).c_str(), 0700);
  }
}

}  // namespace

TOutputStore::TOutputStore(std::string spoolFolder, uint64_t limit)
    : Folder(std::move(spoolFolder)), LimitBytes(std::max(limit, MinimumLimit)),
      ChunkBytes(ChunkSizeFor(LimitBytes)) {}

TOutputStore::~TOutputStore() { DropSpoolFile(); }

void TOutputStore::Write(std::string_view text, bool newline) {
  Started = true;
  // Line breaks of every kind become line feeds.
  size_t from = 0;
  for (size_t cr; (cr = text.find('\r', from)) != std::string_view::npos;) {
    Append(text.substr(from, cr - from));
    Append("\n");
    from = cr + 1;
    if (from < text.size() && text[from] == '\n') ++from;
  }
  Append(text.substr(from));
  if (newline) Append("\n");
  Complete = newline;
}

void TOutputStore::Append(std::string_view bytes) {
  while (!bytes.empty()) {
    if (Chunks.empty() || Chunks.back().Where != TWhere::Memory || Chunks.back().Size >= ChunkBytes) StartChunk();
    TChunk& c = Chunks.back();
    const std::string_view piece = bytes.substr(0, ChunkBytes - c.Size);
    const uint64_t lines = CountNewlines(piece);
    const size_t capacity = c.Bytes.capacity();
    c.Bytes.append(piece);
    InMemory += c.Bytes.capacity() - capacity;
    c.Size += piece.size();
    TotalBytes += piece.size();
    c.Newlines += lines;
    Newlines += lines;
    bytes.remove_prefix(piece.size());
  }
}

void TOutputStore::StartChunk() {
  Spool();
  TChunk c;
  c.FirstLine = Newlines;
  c.Bytes.reserve(ChunkBytes);
  InMemory += c.Bytes.capacity();
  Chunks.push_back(std::move(c));
}

// Moves the oldest chunks in memory to the spool file while memory holds more
// than the limit. When the file refuses, the chunks stay in memory up to
// twice the limit; beyond, the oldest are dropped.
void TOutputStore::Spool() {
  for (; FirstInMemory < Chunks.size() && InMemory > LimitBytes; ++FirstInMemory) {
    TChunk& c = Chunks[FirstInMemory];
    if (SpoolChunk(c)) {
      Trouble.clear();
    } else if (InMemory > 2 * LimitBytes) {
      c.Where = TWhere::Dropped;
      Lost += c.Newlines;
    } else {
      return;  // kept in memory; tried again with the next chunk
    }
    InMemory -= c.Bytes.capacity();
    std::string().swap(c.Bytes);
  }
}

bool TOutputStore::SpoolChunk(TChunk& c) {
  if (Fd < 0) {
    MakeFolders(Folder);
    std::string name = Folder + "/" + SpoolPrefix + std::to_string(::getpid()) + "-XXXXXX" + SpoolSuffix;
    const int fd = ::mkostemps(name.data(), static_cast<int>(strlen(SpoolSuffix)), O_CLOEXEC);
    if (fd < 0) {
      Trouble = "The output spool file cannot be created in " + Folder + ": " + strerror(errno);
      return false;
    }
    Fd = fd;
    Path = name;
  }
  const char* p = c.Bytes.data();
  uint64_t done = 0;
  while (done < c.Size) {
    const ssize_t w = ::pwrite(Fd, p + done, c.Size - done, static_cast<off_t>(SpoolSize + done));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      Trouble = "The output cannot be written to " + Path + ": " + strerror(w < 0 ? errno : ENOSPC);
      return false;
    }
    done += static_cast<uint64_t>(w);
  }
  c.Offset = SpoolSize;
  c.Where = TWhere::Spooled;
  SpoolSize += c.Size;
  return true;
}

void TOutputStore::DropSpoolFile() {
  if (Fd >= 0) {
    ::close(Fd);
    ::unlink(Path.c_str());
  }
  Fd = -1;
  Path.clear();
  SpoolSize = 0;
}

void TOutputStore::Clear() {
  Chunks.clear();
  DropSpoolFile();
  Newlines = InMemory = TotalBytes = Lost = 0;
  FirstInMemory = 0;
  Started = false;
  Trouble.clear();
  ++Clears;
}

void TOutputStore::SetLimit(uint64_t bytes) {
  LimitBytes = std::max(bytes, MinimumLimit);
  // New chunks take the size for the new limit; the ones there keep theirs.
  ChunkBytes = ChunkSizeFor(LimitBytes);
  Spool();
}

bool TOutputStore::ChunkText(const TChunk& c, std::string& buffer, std::string_view& text) const {
  switch (c.Where) {
    case TWhere::Memory: text = c.Bytes; return true;
    case TWhere::Dropped:
      buffer.assign(LostMarker);
      buffer.append(c.Newlines, '\n');
      text = buffer;
      return true;
    case TWhere::Spooled: break;
  }
  buffer.resize(c.Size);
  uint64_t done = 0;
  while (done < c.Size) {
    const ssize_t r = ::pread(Fd, buffer.data() + done, c.Size - done, static_cast<off_t>(c.Offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    done += static_cast<uint64_t>(r);
  }
  text = buffer;
  return true;
}

bool TOutputStore::ReadLines(uint64_t first, uint64_t count,
                             const std::function<void(std::string_view)>& line) const {
  const uint64_t total = LineCount();
  if (first >= total || count == 0) return true;
  count = std::min(count, total - first);
  // The chunk holding the line feed that ends line first-1 (line 0 starts
  // the first chunk).
  size_t ci = 0;
  if (first > 0) {
    auto it = std::partition_point(
        Chunks.begin(), Chunks.end(), [&](const TChunk& c) { return c.FirstLine + c.Newlines < first; });
    ci = static_cast<size_t>(it - Chunks.begin());
  }
  std::string buffer, current;
  uint64_t skip = first > 0 ? first - Chunks[ci].FirstLine : 0;  // line feeds to pass first
  for (; ci < Chunks.size(); ++ci) {
    std::string_view text;
    if (!ChunkText(Chunks[ci], buffer, text)) return false;
    size_t at = 0;
    while (skip > 0) {
      at = text.find('\n', at) + 1;
      --skip;
    }
    while (at < text.size()) {
      const size_t end = text.find('\n', at);
      if (end == std::string_view::npos) {
        current.append(text.substr(at));
        break;
      }
      if (current.empty()) {
        line(text.substr(at, end - at));
      } else {
        current.append(text.substr(at, end - at));
        line(current);
        current.clear();
      }
      at = end + 1;
      if (--count == 0) return true;
    }
  }
  // The open last line.
  if (count > 0 && LastLineOpen()) line(current);
  return true;
}

uint64_t TOutputStore::TailStart(uint64_t maxLines, uint64_t maxBytes) const {
  const uint64_t total = LineCount();
  if (total == 0) return 0;
  uint64_t first = total > maxLines ? total - maxLines : 0;
  if (TotalBytes > maxBytes) {
    // Line s starts after the s-th line feed; the tail's first line is the
    // first that starts at or after byte p.
    const uint64_t p = TotalBytes - maxBytes;
    uint64_t start = TotalBytes;
    size_t ci = Chunks.size();
    while (ci-- > 0) {
      start -= Chunks[ci].Size;
      if (start <= p - 1) break;
    }
    const TChunk& c = Chunks[ci];
    std::string buffer;
    std::string_view text;
    if (!ChunkText(c, buffer, text)) return total - 1;
    const size_t upto = static_cast<size_t>(std::min<uint64_t>(p - 1 - start, text.size()));
    first = std::max(first, c.FirstLine + CountNewlines(text.substr(0, upto)) + 1);
  }
  return std::min(first, total - 1);
}

bool TOutputStore::Export(uint64_t lines, const std::function<bool(std::string_view)>& out) const {
  constexpr size_t Block = 1 << 16;
  std::string block;
  block.reserve(Block + 2);
  bool ok = true;
  const bool read = ReadLines(0, lines, [&](std::string_view line) {
    if (!ok) return;
    block.append(line);
    block.append("\r\n");
    if (block.size() >= Block) {
      ok = out(block);
      block.clear();
    }
  });
  if (ok && !block.empty()) ok = out(block);
  return read && ok;
}

void TOutputStore::RemoveStaleSpoolFiles(const std::string& folder) {
  DIR* d = ::opendir(folder.c_str());
  if (!d) return;
  const size_t prefix = strlen(SpoolPrefix), suffix = strlen(SpoolSuffix);
  while (dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name.size() <= prefix + suffix || name.compare(0, prefix, SpoolPrefix) != 0 ||
        name.compare(name.size() - suffix, suffix, SpoolSuffix) != 0)
      continue;
    const long pid = strtol(name.c_str() + prefix, nullptr, 10);
    if (pid <= 0 || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH))
      ::unlink((folder + "/" + name).c_str());
  }
  ::closedir(d);
}

}  // namespace TernioParser
