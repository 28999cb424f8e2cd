#pragma once
// The grammar of the language: one parse session reads a program text
// through its lexer and builds the tree into the engine's node store.
//
//   program    = [expression]
//   expression = ["+" | "-"] primary {operator expression}   (by precedence)
//   primary    = "(" expression ")" | operand | name "[" [expression] "]"
//              | name "(" expression {";" expression} ")"
//              | "define" "(" name "(" [param {";" param}] ")" ";" expression ")"
//   param      = name ["[" "]"]

#include <list>
#include <string>

#include "engine/Lexer.h"

namespace TernioParser {

class TParserAtom;
class TParserBase;

class TParseSession {
public:
  // engine receives the tree; records (may be null) the colouring records.
  TParseSession(TParserBase& engine, const std::string& text, std::list<TCodePosInfo>* records);

  // The text as one expression: its root, null for a text of nothing but
  // blanks and comments and when the text is not valid.
  TParserAtom* ParseProgram();

  bool Failed() const { return Error; }
  // The first error found, and the offset it was found at (-1: the end).
  const std::string& Message() const { return ErrorMessage; }
  int32_t ErrorPos() const { return ErrorOffset; }
  // Where the token being read when the parse ended starts.
  int32_t TokenStart() const { return Lex.TokenStart(); }

  // The deepest nesting of expressions accepted; deeper text is a parse
  // error rather than a risk to the stack of the thread that parses.
  static constexpr int MaxNesting = 3000;

private:
  const std::string& Text;
  TLexer Lex;
  // The engine whose tree is being built: the session's own, or that of the
  // definition whose body is being parsed.
  TParserBase* Engine;
  int Depth = 0;
  bool Error = false;
  std::string ErrorMessage;
  int32_t ErrorOffset = 0;

  // Records the error (the first one stays) at the lexer's offset.
  void Fail(const std::string& message);
  // Reads c; else the error "'c' expected".
  bool Expect(char c);
  TParserAtom* ParseExpression(int minPrec);
  TParserAtom* ParsePrimary();
  TParserAtom* ParseCall(const std::string& name);
  TParserAtom* ParseDefinition();
};

}  // namespace TernioParser
