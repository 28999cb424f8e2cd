#include "functions/Regexp.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace TernioParser {

namespace {

// Compiled item codes. Bytes 0..127 stand for themselves (a literal).
enum : unsigned char {
  OpHighLiteral = 0x80,  // followed by a literal byte of 128 or more
  OpAny = 0x81,
  OpClass = 0x82,  // followed by 16 bytes: the bit set over codes 0..127
  OpBegin = 0x83,
  OpEnd = 0x84,
  OpStar = 0x85,
  OpPlus = 0x86,
  OpOptional = 0x87,
};
constexpr int ClassBytes = 16;

int ItemSize(unsigned char op) {
  if (op == OpHighLiteral) return 2;
  if (op == OpClass) return 1 + ClassBytes;
  return 1;
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
unsigned HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}
bool IsOctal(char c) { return c >= '0' && c <= '7'; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Reads the escape that starts with the backslash at p[i]; advances i past
// it and returns its value (low 8 bits).
unsigned ReadEscape(std::string_view p, size_t& i) {
  const size_t n = p.size();
  if (i + 1 >= n) {  // a backslash at the very end stands for itself
    ++i;
    return '\\';
  }
  const char d = p[i + 1];
  i += 2;
  switch (Upper(d)) {
    case 'B': return 8;
    case 'E': return 27;
    case 'F': return 12;
    case 'N': return 10;
    case 'R': return 13;
    case 'S': return 32;
    case 'T': return 9;
    default: break;
  }
  if (d == 'x') {
    unsigned v = 0;
    for (int k = 0; k < 3 && i < n && IsHex(p[i]); ++k, ++i) v = v * 16 + HexValue(p[i]);
    return v & 0xFF;
  }
  if (d == '^') {
    if (i >= n) return '^';
    const unsigned char c = static_cast<unsigned char>(Upper(p[i]));
    ++i;
    return (c - 64u) & 0xFF;
  }
  if (IsOctal(d)) {
    unsigned v = d - '0';
    for (int k = 1; k < 3 && i < n && IsOctal(p[i]); ++k, ++i) v = v * 8 + (p[i] - '0');
    return v & 0xFF;
  }
  return static_cast<unsigned char>(d);
}

void AddToClass(unsigned char* bits, unsigned code) {
  code &= 127;
  bits[code >> 3] |= static_cast<unsigned char>(1u << (code & 7));
}

bool InClass(const unsigned char* bits, unsigned char c) {
  const unsigned code = c & 127u;
  return (bits[code >> 3] >> (code & 7)) & 1u;
}

}  // namespace

TRegexp::TRegexp(std::string_view pattern) { Compile(pattern); }

bool TRegexp::Emit(const unsigned char* bytes, int n) {
  // One byte of the 128 stays reserved for the terminating zero.
  if (Length + n > MaxCompiled - 1) {
    Stat = PatternTooLong;
    return false;
  }
  std::memcpy(Code + Length, bytes, n);
  Length += n;
  return true;
}

bool TRegexp::EmitLiteral(unsigned value) {
  const unsigned char b[2] = {OpHighLiteral, static_cast<unsigned char>(value)};
  if (value >= 128) return Emit(b, 2);
  return Emit(b + 1, 1);
}

void TRegexp::Compile(std::string_view pattern) {
  size_t n = 0;
  while (n < pattern.size() && pattern[n] != '\0' && pattern[n] != '\n') ++n;
  const std::string_view p = pattern.substr(0, n);
  if (n == 0) {
    Stat = EmptyPattern;
    return;
  }
  // Offset of the last item a repetition may apply to; -1 when there is
  // none (start of pattern, after an anchor or after a repetition).
  int last = -1;
  size_t i = 0;
  while (i < n && Stat == Ok) {
    const char c = p[i];
    const int here = Length;
    if (c == '^' && i == 0) {
      const unsigned char op = OpBegin;
      Emit(&op, 1);
      last = -1;
      ++i;
    } else if (c == '$' && i == n - 1) {
      const unsigned char op = OpEnd;
      Emit(&op, 1);
      last = -1;
      ++i;
    } else if (c == '*' || c == '+' || c == '?') {
      if (last < 0) {
        Stat = MisplacedRepeat;
        break;
      }
      if (Length + 1 > MaxCompiled - 1) {
        Stat = PatternTooLong;
        break;
      }
      std::memmove(Code + last + 1, Code + last, Length - last);
      Code[last] = c == '*' ? OpStar : c == '+' ? OpPlus : OpOptional;
      ++Length;
      last = -1;
      ++i;
    } else if (c == '.') {
      const unsigned char op = OpAny;
      Emit(&op, 1);
      last = here;
      ++i;
    } else if (c == '[') {
      unsigned char item[1 + ClassBytes] = {OpClass};
      unsigned char* bits = item + 1;
      ++i;
      bool negate = false;
      if (i < n && p[i] == '^') {
        negate = true;
        ++i;
      }
      if (i < n && p[i] == '-') {
        AddToClass(bits, '-');
        ++i;
      }
      while (i < n && p[i] != ']') {
        const char m = p[i];
        if (m == '-' && i + 1 < n && p[i + 1] != ']') {
          // A range between the raw characters on either side, in either order.
          unsigned a = static_cast<unsigned char>(p[i - 1]);
          unsigned b = static_cast<unsigned char>(p[i + 1]);
          if (a > b) std::swap(a, b);
          for (unsigned k = a; k <= b; ++k) AddToClass(bits, k);
          i += 2;
        } else if (m == '\\') {
          AddToClass(bits, ReadEscape(p, i));
        } else {
          AddToClass(bits, static_cast<unsigned char>(m));
          ++i;
        }
      }
      if (i < n) ++i;  // the closing ]
      if (negate)
        for (int k = 0; k < ClassBytes; ++k) bits[k] = static_cast<unsigned char>(~bits[k]);
      Emit(item, sizeof item);
      last = here;
    } else if (c == '\\') {
      EmitLiteral(ReadEscape(p, i));
      last = here;
    } else {
      EmitLiteral(static_cast<unsigned char>(c));
      last = here;
      ++i;
    }
  }
  if (Stat != Ok) Length = 0;
  Code[Length] = 0;
}

// The state of one search: the subject, a step counter, and a record of the
// (item, position) pairs already known to fail, set up only when a search
// backtracks a lot, so that nested repetitions cannot blow up exponentially.
struct TRegexpMatcher {
  const TRegexp& Re;
  const unsigned char* S;
  size_t N;
  const std::atomic<bool>* Stop;
  bool Stopped = false;
  uint64_t Steps = 0;
  std::vector<uint64_t> Failed;  // 128 bits per subject position

  TRegexpMatcher(const TRegexp& re, std::string_view subject, const std::atomic<bool>* stop)
      : Re(re), S(reinterpret_cast<const unsigned char*>(subject.data())), N(subject.size()), Stop(stop) {}

  static constexpr uint64_t MemoAfterSteps = 1u << 14;
  static constexpr size_t MemoMaxSubject = size_t(1) << 20;

  // Does the consuming item at offset off take the byte at position p?
  bool One(int off, size_t p) const {
    if (p >= N) return false;
    const unsigned char c = S[p];
    const unsigned char op = Re.Code[off];
    if (op < 0x80) return c == op;
    switch (op) {
      case OpHighLiteral: return c == Re.Code[off + 1];
      case OpAny: return c != '\n';
      case OpClass: return InClass(Re.Code + off + 1, c);
      default: return false;  // anchors consume nothing and cannot repeat
    }
  }

  bool KnownFailure(int off, size_t p) const {
    if (Failed.empty()) return false;
    const size_t bit = p * 128 + off;
    return (Failed[bit >> 6] >> (bit & 63)) & 1u;
  }
  void NoteFailure(int off, size_t p) {
    if (Failed.empty()) {
      if (Steps < MemoAfterSteps || N > MemoMaxSubject) return;
      Failed.assign((N + 1) * 2, 0);
    }
    const size_t bit = p * 128 + off;
    Failed[bit >> 6] |= uint64_t(1) << (bit & 63);
  }

  // Matches the items from offset off on at position p. Returns the position
  // after the last byte consumed, or -1.
  std::ptrdiff_t Here(int off, size_t p) {
    if ((++Steps & 0xFFF) == 0 && Stop && Stop->load(std::memory_order_relaxed)) Stopped = true;
    if (Stopped) return -1;
    while (off < Re.Length) {
      const unsigned char op = Re.Code[off];
      if (op == OpStar || op == OpPlus) {
        const int item = off + 1;
        const int next = item + ItemSize(Re.Code[item]);
        size_t q = p;
        while (One(item, q)) ++q;
        const size_t least = op == OpPlus ? 1 : 0;
        if (q - p < least) return -1;
        if (next >= Re.Length) return static_cast<std::ptrdiff_t>(q);
        for (size_t k = q - p + 1; k-- > least;) {
          if (KnownFailure(next, p + k)) continue;
          const std::ptrdiff_t r = Here(next, p + k);
          if (r >= 0) return r;
          if (Stopped) return -1;
          NoteFailure(next, p + k);
        }
        return -1;
      }
      if (op == OpOptional) {
        const int item = off + 1;
        if (One(item, p)) ++p;
        off = item + ItemSize(Re.Code[item]);
        continue;
      }
      if (op == OpBegin) {
        if (p != 0) return -1;
        ++off;
        continue;
      }
      if (op == OpEnd) {
        if (p != N && S[p] != '\n') return -1;
        ++off;
        continue;
      }
      if (!One(off, p)) return -1;
      ++p;
      off += ItemSize(op);
    }
    return static_cast<std::ptrdiff_t>(p);
  }
};

std::ptrdiff_t TRegexp::Find(std::string_view subject, size_t start, size_t& length,
                             const std::atomic<bool>* stop) const {
  length = 0;
  if (Stat != Ok) return -1;
  if (subject.empty()) {
    // Only the bare anchors match an empty subject.
    const bool anchorsOnly = (Length == 1 && (Code[0] == OpBegin || Code[0] == OpEnd)) ||
                             (Length == 2 && Code[0] == OpBegin && Code[1] == OpEnd);
    return (start == 0 && anchorsOnly) ? 0 : -1;
  }
  TRegexpMatcher m(*this, subject, stop);
  for (size_t pos = start; pos < subject.size(); ++pos) {
    const std::ptrdiff_t end = m.Here(0, pos);
    if (end >= 0) {
      length = static_cast<size_t>(end) - pos;
      return static_cast<std::ptrdiff_t>(pos);
    }
    if (m.Stopped) return -1;
  }
  return -1;
}

}  // namespace TernioParser
