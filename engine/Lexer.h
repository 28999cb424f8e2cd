#pragma once
// The lexical level of the language: blanks and nested comments, operands
// (names, quoted names, strings, numbers), the operators of Operators() and
// the punctuation ( ) [ ] ;. The grammar asks for the token it expects next
// and says what each token is; the lexer keeps its position to itself and
// writes the colouring records.

#include <cstdint>
#include <list>
#include <string>

#include "engine/Operators.h"

namespace TernioParser {

// The kinds of tokens the colouring tells apart; the values are those of the
// token records.
enum TTokenKind : int32_t {
  tkVariable = 0,  // a variable name, also a quoted one and a parameter name
  tkBracket = 1,   // ( ) [ ] and the ; of calls and definitions
  tkNumber = 2,    // a number constant and the sign of a primary
  tkFunction = 3,  // a function name, define and the name being defined
  tkOperator = 4,  // a binary operator
  tkString = 5,    // a string constant
  tkComment = 6,
  TokenKindCount = 7
};

// One token of the program text, for the syntax colouring.
struct TCodePosInfo {
  int32_t Position;  // offset of the token's first character
  int32_t Kind;      // a TTokenKind
  bool operator==(const TCodePosInfo& o) const { return Position == o.Position && Kind == o.Kind; }
};

// An operand as the lexer read it.
struct TOperandToken {
  enum class TKind { None, Name, String, Number } Kind = TKind::None;
  std::string Text;  // a name (also a quoted one) or a string's bytes
  double Number = 0;
};

class TLexer {
public:
  // records (may be null) receives the colouring records: its elements are
  // overwritten in order and the list is cut to length when the lexer goes,
  // so that a parse after a keystroke (about as many records as the one
  // before) allocates next to nothing for them.
  TLexer(const std::string& text, std::list<TCodePosInfo>* records);
  ~TLexer();
  TLexer(const TLexer&) = delete;
  TLexer& operator=(const TLexer&) = delete;

  // Where an error found now is reported: the offset of the next character,
  // -1 once a read has gone past the end.
  int32_t Offset() const { return AtEnd ? -1 : Pos; }
  // Where the next colouring record starts.
  int32_t TokenStart() const { return Start; }
  // The next record starts at the next character.
  void Mark() { Start = Offset(); }
  // A record of kind for the token that starts at TokenStart().
  void Note(TTokenKind kind);
  // Note(kind), then Mark().
  void NoteAndMark(TTokenKind kind) {
    Note(kind);
    Mark();
  }

  void SkipSpace();
  // Blanks and comments (each comment gets a record) up to the next token,
  // where the next record starts; false when a comment is not closed.
  bool SkipBlanks();
  // The first character of the next token without reading it; -1 at the end.
  int Peek();
  // Reads the next character when it is c.
  bool Take(char c);
  // Reads the next character; true when it is c.
  bool Expect(char c);

  // The operand at the next non-blank character; None when there is none or
  // it is malformed (an unclosed quote, a bad number, a name of 50 or more
  // characters).
  TOperandToken ReadOperand();

  // The operator that starts at the next character, which is read as *first
  // (a two-character operator when the character after completes it, which
  // is then read too); null when no operator starts with it.
  const TOperatorRow* ReadOperator(int& first);
  // Gives back the operator just read.
  void Unread(const TOperatorRow& op);

private:
  const std::string& Text;
  int32_t Pos = 0;
  bool AtEnd = false;
  int32_t Start = 0;
  std::list<TCodePosInfo>* Records;
  std::list<TCodePosInfo>::iterator NextRecord;

  int Get();
  void Unget();
  bool ReadNumber(TOperandToken& out);
};

}  // namespace TernioParser
