#include "engine/Lexer.h"

#include <array>

#include "engine/ReturnValue.h"

namespace TernioParser {

namespace {

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(int c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
// The value of a hexadecimal (or binary) digit.
uint32_t DigitValue(char c) {
  if (c >= 'a') return static_cast<uint32_t>(c - 'a' + 10);
  if (c >= 'A') return static_cast<uint32_t>(c - 'A' + 10);
  return static_cast<uint32_t>(c - '0');
}
bool IsNameChar(int c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == '$';
}

}  // namespace

TLexer::TLexer(const std::string& text, std::list<TCodePosInfo>* records) : Text(text), Records(records) {
  if (Records) NextRecord = Records->begin();
}

TLexer::~TLexer() {
  if (Records) Records->erase(NextRecord, Records->end());
}

int TLexer::Peek() {
  if (Pos >= static_cast<int32_t>(Text.size())) {
    AtEnd = true;
    return -1;
  }
  return static_cast<unsigned char>(Text[Pos]);
}

int TLexer::Get() {
  int c = Peek();
  if (c >= 0) ++Pos;
  return c;
}

void TLexer::Unget() {
  AtEnd = false;
  if (Pos > 0) --Pos;
}

bool TLexer::Take(char c) {
  if (Peek() != static_cast<unsigned char>(c)) return false;
  Get();
  return true;
}

bool TLexer::Expect(char c) { return Get() == static_cast<unsigned char>(c); }

void TLexer::Note(TTokenKind kind) {
  if (!Records) return;
  const TCodePosInfo token{Start, kind};
  if (NextRecord != Records->end()) *NextRecord++ = token;
  else Records->push_back(token);
}

void TLexer::SkipSpace() {
  while (IsSpace(Peek())) Get();
}

bool TLexer::SkipBlanks() {
  SkipSpace();
  for (;;) {
    // A comment's record starts where the blanks before it start.
    Mark();
    SkipSpace();
    if (Peek() != '/') break;
    Get();
    if (Peek() != '*') {
      Unget();
      break;
    }
    Get();
    int depth = 1;
    while (depth > 0) {
      int c = Get();
      if (c < 0) break;
      if (c == '/' && Peek() == '*') {
        Get();
        ++depth;
      } else if (c == '*' && Peek() == '/') {
        Get();
        --depth;
      }
    }
    if (depth > 0) return false;
    Note(tkComment);
  }
  SkipSpace();
  Mark();
  return true;
}

bool TLexer::ReadNumber(TOperandToken& out) {
  enum { Start, Integer, AfterZero, Fraction, Exponent, ExpSign, ExpDigits, Hex, Binary } st = Start;
  bool valid = false;
  std::string kept;
  for (;;) {
    int c = Peek();
    if (c < 0 || c == ' ') break;
    bool accept = true;
    switch (st) {
      case Start:
        if (c == '0') st = AfterZero, valid = true;
        else if (IsDigit(c)) st = Integer, valid = true;
        else if (c == '.') st = Fraction;
        else accept = false;
        break;
      case Integer:
        if (IsDigit(c)) valid = true;
        else if (c == '.') st = Fraction;
        else if (c == 'e' || c == 'E') st = Exponent;
        else accept = false;
        break;
      case Fraction:
        if (IsDigit(c)) valid = true;
        else if (c == 'e' || c == 'E') st = Exponent;
        else accept = false;
        break;
      case Exponent:
        if (c == '+' || c == '-') st = ExpSign;
        else if (IsDigit(c)) st = ExpDigits;
        else accept = valid = false;
        break;
      case ExpSign:
        if (IsDigit(c)) st = ExpDigits;
        else accept = valid = false;
        break;
      case ExpDigits:
        if (!IsDigit(c)) accept = false;
        break;
      case AfterZero:
        if (IsDigit(c)) valid = true;
        else if (c == '.') st = Fraction;
        else if (c == 'e' || c == 'E') st = Exponent;
        else if (c == 'x' || c == 'X') st = Hex, valid = false;
        else if (c == 'b' || c == 'B') st = Binary, valid = false;
        else accept = false;
        break;
      case Hex:
        if (IsHexDigit(c)) valid = true;
        else accept = false;
        break;
      case Binary:
        if (c == '0' || c == '1') valid = true;
        else accept = false;
        break;
    }
    if (!accept) break;
    kept += static_cast<char>(Get());
  }
  if (!valid) return false;
  out.Kind = TOperandToken::TKind::Number;
  if (st == Hex || st == Binary) {
    // The digits after the x or b (leading zeros before it are allowed, as
    // in 00x1F), as a 32-bit two's-complement integer.
    const size_t first = kept.find_first_of(st == Hex ? "xX" : "bB") + 1;
    if (kept.size() - first > (st == Hex ? 8u : 32u)) return false;
    uint32_t bits = 0;
    for (size_t i = first; i < kept.size(); ++i) bits = (bits << (st == Hex ? 4 : 1)) | DigitValue(kept[i]);
    out.Number = static_cast<int32_t>(bits);
  } else if ((st == Integer || st == AfterZero) && kept.size() <= 15) {
    // Digits only: the integer is exact, as strtod would give it.
    double v = 0;
    for (char d : kept) v = v * 10 + (d - '0');
    out.Number = v;
  } else {
    out.Number = TextToNumber(kept);
  }
  return true;
}

TOperandToken TLexer::ReadOperand() {
  using TKind = TOperandToken::TKind;
  TOperandToken op;
  SkipSpace();
  int c = Peek();
  if (c < 0) return op;
  if (c == '\'' || c == '"') {
    Get();
    for (;;) {
      int d = Get();
      if (d < 0) return TOperandToken();
      if (d == c) {
        if (Peek() != c) break;
        Get();
      }
      op.Text += static_cast<char>(d);
    }
    op.Kind = c == '\'' ? TKind::String : TKind::Name;
    return op;
  }
  if (IsDigit(c) || c == '.') {
    if (!ReadNumber(op)) return TOperandToken();
    return op;
  }
  int n = 0;
  while (n < 50 && IsNameChar(Peek())) {
    op.Text += static_cast<char>(Get());
    ++n;
  }
  if (n == 0 || n == 50) return TOperandToken();
  op.Kind = TKind::Name;
  return op;
}

const TOperatorRow* TLexer::ReadOperator(int& first) {
  // The rows by first character: the one-character operator and those of
  // two characters.
  struct TByFirst {
    const TOperatorRow* Single = nullptr;
    const TOperatorRow* Double[2] = {nullptr, nullptr};
  };
  static const auto table = [] {
    std::array<TByFirst, 256> t{};
    for (const TOperatorRow& op : Operators()) {
      TByFirst& f = t[static_cast<unsigned char>(op.Text[0])];
      if (!op.Text[1]) f.Single = &op;
      else f.Double[f.Double[0] ? 1 : 0] = &op;
    }
    return t;
  }();
  first = Get();
  if (first < 0) return nullptr;
  const TByFirst& f = table[static_cast<size_t>(first)];
  for (const TOperatorRow* op : f.Double) {
    if (op && Peek() == static_cast<unsigned char>(op->Text[1])) {
      Get();
      return op;
    }
  }
  return f.Single;
}

void TLexer::Unread(const TOperatorRow& op) {
  for (const char* t = op.Text; *t; ++t) Unget();
}

}  // namespace TernioParser
