#pragma once
// A small regular-expression matcher for the match function.
//
// A pattern compiles into at most 128 bytes (the last one a terminating zero)
// of items: literal bytes, any-character (.), character classes over the 128
// codes 0..127, start of string (^), end of string ($), and the repetition
// markers *, + and ? placed in front of the item they repeat. Matching is a
// leftmost, greedy backtracking search; ? takes its item when it can and is
// never retried without it.

#include <atomic>
#include <cstddef>
#include <string_view>

namespace TernioParser {

class TRegexp {
public:
  enum TStatus {
    Ok = 0,
    EmptyPattern = 1,     // nothing before the first zero byte or newline
    MisplacedRepeat = 2,  // *, + or ? at the start, after ^, $ or another repetition
    PatternTooLong = 3,   // the compiled form would exceed 128 bytes
  };
  static constexpr int MaxCompiled = 128;

  // Compiles the pattern; it ends at its first zero byte or newline.
  explicit TRegexp(std::string_view pattern);

  TStatus Status() const { return Stat; }
  // The size of the compiled form, terminating zero included (0 when invalid).
  int CompiledSize() const { return Stat == Ok ? Length + 1 : 0; }

  // Searches subject from start on. Returns the position of the first match
  // and its length through length, or -1 (length 0) when nothing matches,
  // the pattern is invalid or stop became true during a long search.
  std::ptrdiff_t Find(std::string_view subject, std::size_t start, std::size_t& length,
                      const std::atomic<bool>* stop = nullptr) const;

private:
  friend struct TRegexpMatcher;
  unsigned char Code[MaxCompiled] = {};
  int Length = 0;  // bytes of compiled items (the terminating zero not counted)
  TStatus Stat = Ok;

  void Compile(std::string_view pattern);
  bool Emit(const unsigned char* bytes, int n);
  bool EmitLiteral(unsigned value);
};

}  // namespace TernioParser
