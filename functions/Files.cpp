#include "functions/Files.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <new>
#include <vector>

namespace TernioParser {

namespace {

// A file descriptor closed when the holder goes.
class TFd {
public:
  explicit TFd(int fd) : Fd(fd) {}
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  ~TFd() {
    if (Fd >= 0) ::close(Fd);
  }
  int Get() const { return Fd; }
  bool Valid() const { return Fd >= 0; }
  // Closes now; false when closing reports an error (a write that failed late).
  bool Close() {
    int fd = Fd;
    Fd = -1;
    return fd < 0 || ::close(fd) == 0;
  }

private:
  int Fd;
};

// Opens a file by the name a program gave. A name with a zero byte inside
// cannot name a file (the system would cut it there and open another one).
// O_NONBLOCK keeps the open itself from waiting on a FIFO; it is switched off
// again at once.
int OpenFile(const std::string& name, int flags) {
  if (name.find('\0') != std::string::npos) {
    errno = ENOENT;
    return -1;
  }
  int fd;
  do {
    fd = ::open(name.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  int fl = ::fcntl(fd, F_GETFL);
  if (fl >= 0) ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
  return fd;
}

bool WriteAll(int fd, const char* p, size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (w == 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

enum class TReadStatus { Ok, OpenFailed, TooLarge, ReadFailed, Stopped };

// Reads go in pieces of this size, with a look at the stop request between.
constexpr size_t ReadPiece = size_t(16) << 20;

// Reads a whole file into `out`. Files of 4 GiB or more are refused.
TReadStatus ReadWholeFile(const std::string& name, std::string& out, const TCalcInfo& ci) {
  TFd fd(OpenFile(name, O_RDONLY));
  if (!fd.Valid()) return TReadStatus::OpenFailed;
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0) return TReadStatus::OpenFailed;
  if (S_ISDIR(st.st_mode)) return TReadStatus::OpenFailed;
  // Devices and pipes report no size: as with an empty file nothing is read,
  // so that reading them can never block the run.
  const uint64_t size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
  if (size >> 32) return TReadStatus::TooLarge;
  try {
    out.clear();
    out.reserve(size);
  } catch (const std::bad_alloc&) {
    return TReadStatus::TooLarge;
  }
  // The buffer grows with the reads, so that no piece is touched twice.
  size_t done = 0;
  while (done < size) {
    if (ci.Stopping()) return TReadStatus::Stopped;
    out.resize(std::max(out.size(), done + std::min<uint64_t>(size - done, ReadPiece)));
    ssize_t r = ::read(fd.Get(), out.data() + done, out.size() - done);
    if (r < 0) {
      if (errno == EINTR) continue;
      return TReadStatus::ReadFailed;
    }
    if (r == 0) return TReadStatus::ReadFailed;  // the file shrank meanwhile
    done += static_cast<size_t>(r);
  }
  return TReadStatus::Ok;
}

// Writes a whole text to a file opened with the given flags. 1: done,
// 0: the file cannot be opened, -1: the write fell short.
int WriteFile(const std::string& name, int flags, std::string_view text) {
  TFd fd(OpenFile(name, flags));
  if (!fd.Valid()) return 0;
  if (!WriteAll(fd.Get(), text.data(), text.size())) return -1;
  return fd.Close() ? 1 : -1;
}

bool IsNumberChar(unsigned char c) {
  return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e';
}

// Walks the numbers of a matrix text in file order, calling
// visit(first, last, column) for each. A number is a maximal run of number
// characters; a carriage return in the gap before a number starts a new line
// (column 0), otherwise the column rises by one. Returns the number of lines,
// 0 when there is no number, -1 when the run is to stop.
template <class F>
int64_t ScanMatrix(const char* p, const char* end, const TCalcInfo& ci, F&& visit) {
  while (p < end && !IsNumberChar(static_cast<unsigned char>(*p))) ++p;
  if (p == end) return 0;
  int64_t lines = 1, column = 0;
  for (uint32_t numbers = 1;; ++numbers) {
    if (numbers % (1 << 16) == 0 && ci.Stopping()) return -1;
    const char* q = p;
    while (q < end && IsNumberChar(static_cast<unsigned char>(*q))) ++q;
    visit(p, q, column);
    bool lineEnd = false;
    while (q < end && !IsNumberChar(static_cast<unsigned char>(*q))) {
      if (*q == '\r') lineEnd = true;
      ++q;
    }
    if (q == end) return lines;
    if (lineEnd) {
      ++lines;
      column = 0;
    } else {
      ++column;
    }
    p = q;
  }
}

// The largest element count an array can take.
constexpr int64_t MaxElements = INT32_MAX / 128 * 128;

}  // namespace

void TFileFunction::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  for (int i = 0; i < Count && !ci.Error; ++i) {
    if (Evaluated(i)) Args[i]->Evaluate(ci, Results[i]);
  }
  if (!ci.Error) Run(ci, result);
  for (TReturnValue& v : Results) v.SetNumber(0);
}

void TFileRead::Run(TCalcInfo& ci, TReturnValue& result) {
  const std::string name = Results[0].AsString();
  TText text;
  switch (ReadWholeFile(name, text.Mutable(), ci)) {
    case TReadStatus::Ok: result.SetText(text); break;
    case TReadStatus::OpenFailed: ci.SetError("FileRead: Error opening file '" + name + "'."); break;
    case TReadStatus::TooLarge: ci.SetError("FileRead: File '" + name + "' is too large."); break;
    case TReadStatus::ReadFailed: ci.SetError("FileRead: Error reading file '" + name + "'."); break;
    case TReadStatus::Stopped: RaiseStopped(ci); break;
  }
}

void TFileWrite::Run(TCalcInfo& ci, TReturnValue& result) {
  const std::string name = Results[0].AsString();
  const TReturnValue& s = Results[1];
  const std::string numberText = s.IsString ? std::string() : NumberToText(s.Number);
  const std::string_view text = s.IsString ? s.Text.View() : std::string_view(numberText);
  if (WriteFile(name, O_WRONLY | O_CREAT | O_TRUNC, text) != 1) {
    ci.SetError("FileWrite: Error writing to file '" + name + "'.");
    return;
  }
  result.SetNumber(1);
}

void TFileAppend::Run(TCalcInfo& ci, TReturnValue& result) {
  const std::string name = Results[0].AsString();
  const TReturnValue& s = Results[1];
  const std::string numberText = s.IsString ? std::string() : NumberToText(s.Number);
  const std::string_view text = s.IsString ? s.Text.View() : std::string_view(numberText);
  switch (WriteFile(name, O_WRONLY | O_CREAT | O_APPEND, text)) {
    case 1: result.SetNumber(1); break;
    case 0: ci.SetError("FileAppend: Error writing to file +'" + name + "'."); break;
    default: ci.SetError("FileAppend: Error writing to file '" + name + "'."); break;
  }
}

void TFileExists::Run(TCalcInfo&, TReturnValue& result) {
  const std::string name = Results[0].AsString();
  struct stat st;
  if (name.find('\0') == std::string::npos && ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
    result.SetNumber(1);
}

void TMatrixReader::Run(TCalcInfo& ci, TReturnValue& result) {
  if (!Results[1].IsString) {
    ci.SetError("ReadMatrix: 2nd parameter is not a string.");
    return;
  }
  if (!Args[0]->IsVariable()) {
    ci.SetError("ReadMatrix: 1st parameter is not a variable.");
    return;
  }
  TArrayEntry* a = RequireArray(ci, 0, "ReadMatrix: 1st parameter is not an array.");
  if (!a) return;
  const std::string name = Results[1].AsString();
  std::string bytes;
  switch (ReadWholeFile(name, bytes, ci)) {
    case TReadStatus::Ok: break;
    case TReadStatus::OpenFailed: ci.SetError("ReadMatrix: File '" + name + "' not found."); return;
    case TReadStatus::TooLarge: ci.SetError("ReadMatrix: Input file too large."); return;
    case TReadStatus::ReadFailed: ci.SetError("ReadMatrix: I/O error reading file."); return;
    case TReadStatus::Stopped: RaiseStopped(ci); return;
  }

  const char* const begin = bytes.data();
  const char* const end = begin + bytes.size();
  // First pass: the shape. Second pass: the values, each into its column,
  // in a matrix of their own, so that a Break leaves the array as it was.
  int64_t lastColumn = 0;
  const int64_t lines = ScanMatrix(
      begin, end, ci, [&](const char*, const char*, int64_t column) { lastColumn = std::max(lastColumn, column); });
  if (lines < 0) {
    RaiseStopped(ci);
    return;
  }
  if (lines == 0) {
    // No number at all: nothing is stored.
    result.SetNumber(1);
    return;
  }
  const int64_t cols = lastColumn + 1;
  const int64_t total = lines * cols;
  if (total > MaxElements) {
    ci.SetError("ReadMatrix: Matrix too large.");
    return;
  }
  std::vector<int32_t> next;
  std::vector<double> matrix;
  try {
    next.assign(static_cast<size_t>(cols), 0);
    matrix.reserve(static_cast<size_t>(total));
    while (matrix.size() < static_cast<size_t>(total)) {
      if (StopIfRequested(ci)) return;
      matrix.insert(matrix.end(), std::min<size_t>(total - matrix.size(), ReadPiece / sizeof(double)), 0.0);
    }
  } catch (const std::bad_alloc&) {
    ci.SetError("ReadMatrix: Matrix too large.");
    return;
  }
  // The k-th number of column c goes to element k + c * lines.
  if (ScanMatrix(begin, end, ci, [&](const char* first, const char* last, int64_t column) {
        matrix[next[column]++ + column * lines] =
            TextToNumber(std::string_view(first, static_cast<size_t>(last - first)));
      }) < 0) {
    RaiseStopped(ci);
    return;
  }
  try {
    if (a->Count < total) a->SetLength(static_cast<int32_t>(total));
  } catch (const std::bad_alloc&) {
    ci.SetError("ReadMatrix: Matrix too large.");
    return;
  }
  std::copy(matrix.begin(), matrix.end(), a->Data);
  result.SetNumber(static_cast<double>(lines));
}

enum class TWriteStatus { Done, Failed, Stopped };

// Writes n elements in `cols` columns as matrix text. With a stop request
// given (stop not null), the text goes out in blocks with a look at it
// between them.
static TWriteStatus WriteMatrixText(int fd, const double* data, int32_t n, int32_t cols, const TCalcInfo* stop) {
  if (n <= 0 || cols < 1) return TWriteStatus::Done;
  // Integer arithmetic: a rounded quotient could drop the last elements.
  const int64_t rows = (static_cast<int64_t>(n) + cols - 1) / cols;
  // The text goes out in blocks, so that a huge matrix needs no huge buffer.
  constexpr size_t Block = 1 << 16;
  std::string out;
  out.reserve(Block + 64);
  char buf[64];
  for (int64_t i = 0; i < rows; ++i) {
    for (int64_t j = 0; j < cols; ++j) {
      if (j > 0) out += '\t';
      const int64_t k = i + j * rows;
      if (k < n) {
        auto r = std::to_chars(buf, buf + sizeof buf, data[k], std::chars_format::general, 10);
        out.append(buf, r.ptr);
      }
      if (out.size() >= Block) {
        if (!WriteAll(fd, out.data(), out.size())) return TWriteStatus::Failed;
        out.clear();
        if (stop && stop->Stopping()) return TWriteStatus::Stopped;
      }
    }
    out += "\r\n";
  }
  return WriteAll(fd, out.data(), out.size()) ? TWriteStatus::Done : TWriteStatus::Failed;
}

namespace {

// Where writematrix puts its text so that a Break or a failed write leaves
// the file as it was. An existing regular file (the file a link leads to)
// gets a new file beside it, renamed over it once complete, with its mode
// and owner; a file made anew is removed again unless complete. A file with
// more names (hard links), one in a folder that takes no new file, and what
// is no regular file (a FIFO, a device) are written in place, completely.
class TMatrixFile {
public:
  explicit TMatrixFile(const std::string& name) : Name(name) {}
  TMatrixFile(const TMatrixFile&) = delete;
  TMatrixFile& operator=(const TMatrixFile&) = delete;
  ~TMatrixFile() {
    if (Fd >= 0) ::close(Fd);
    if (Done) return;
    if (How == THow::Replace) ::unlink(Temp.c_str());
    if (How == THow::Fresh) ::unlink(Name.c_str());
  }

  // Opens where the text goes; false when the file cannot be made.
  bool Open() {
    struct stat st;
    if (Name.find('\0') != std::string::npos) return InPlace();
    if (::lstat(Name.c_str(), &st) != 0) {
      Fd = OpenFile(Name, O_WRONLY | O_CREAT | O_EXCL);
      if (Fd < 0) return InPlace();
      How = THow::Fresh;
      return true;
    }
    Target = Name;
    if (S_ISLNK(st.st_mode)) {
      char* real = ::realpath(Name.c_str(), nullptr);
      if (!real) return InPlace();
      Target = real;
      std::free(real);
      if (::stat(Target.c_str(), &st) != 0) return InPlace();
    }
    if (!S_ISREG(st.st_mode) || st.st_nlink > 1) return InPlace();
    Temp = Target + ".XXXXXX";
    Fd = ::mkostemp(Temp.data(), O_CLOEXEC);
    if (Fd < 0) return InPlace();
    How = THow::Replace;
    ::fchmod(Fd, st.st_mode & 07777);
    // Another owner's file keeps its owner where the system allows it.
    const bool owned = ::fchown(Fd, st.st_uid, st.st_gid) == 0;
    (void)owned;
    return true;
  }
  int Get() const { return Fd; }
  // True when a Break may end the writing: the file then stays as it was.
  bool Breakable() const { return How != THow::InPlace; }
  // Closes the text and puts it in place; false when that fails.
  bool Commit() {
    const int fd = Fd;
    Fd = -1;
    if (::close(fd) != 0) return false;
    Done = How != THow::Replace || ::rename(Temp.c_str(), Target.c_str()) == 0;
    return Done;
  }

private:
  bool InPlace() {
    Fd = OpenFile(Name, O_WRONLY | O_CREAT | O_TRUNC);
    return Fd >= 0;
  }
  enum class THow { InPlace, Fresh, Replace };
  const std::string& Name;
  THow How = THow::InPlace;
  int Fd = -1;
  std::string Target, Temp;
  bool Done = false;
};

}  // namespace

void TMatrixWriter::Run(TCalcInfo& ci, TReturnValue&) {
  if (!Results[0].IsString) {
    ci.SetError("WriteMatrix: 1st parameter not a string");
    return;
  }
  if (!Args[1]->IsVariable()) {
    ci.SetError("WriteMatrix: 2nd parameter not a variable");
    return;
  }
  TArrayEntry* a = RequireArray(ci, 1, "WriteMatrix: 2nd parameter not an array");
  if (!a) return;
  const int32_t cols = IntArg(2);
  if (cols < 1) {
    ci.SetError("WriteMatrix: Illegal column count " + Results[2].AsString());
    return;
  }
  const std::string name = Results[0].AsString();
  TMatrixFile file(name);
  if (!file.Open()) {
    ci.SetError("WriteMatrix: unable to create file " + name);
    return;
  }
  switch (WriteMatrixText(file.Get(), a->Data, a->Count, cols, file.Breakable() ? &ci : nullptr)) {
    case TWriteStatus::Done:
      if (file.Commit()) return;
      [[fallthrough]];
    case TWriteStatus::Failed: ci.SetError("WriteMatrix: Error writing to file " + name); return;
    case TWriteStatus::Stopped: RaiseStopped(ci); return;
  }
}

}  // namespace TernioParser
