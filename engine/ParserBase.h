#pragma once
// The engine object: parses a program into a tree, holds its variables and
// evaluates it. The layers (TParser, TCommParser, TGUIParser) add their
// built-in functions.

#include <cstring>
#include <list>
#include <map>
#include <memory>
#include <string>

#include "engine/Function.h"
#include "engine/UserFunctions.h"

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

struct ltstr {
  bool operator()(const char* a, const char* b) const { return std::strcmp(a, b) < 0; }
};

class TParserBase {
public:
  explicit TParserBase(TVarHandler::TGlobalList* globals);
  TParserBase(const TParserBase&) = delete;
  TParserBase& operator=(const TParserBase&) = delete;
  virtual ~TParserBase();

  TGlobalFuncHandler* Registry = nullptr;
  bool OwnsRegistry = false;
  // The registered built-ins by name.
  using TBuiltins = std::map<const char*, const TBuiltinRow*, ltstr>;
  TBuiltins Builtins;
  TParserAtom* Root = nullptr;
  // Where the token records go: the caller's list, whose elements are
  // overwritten in order and which is cut to length at the end, so that a
  // parse after a keystroke (about as many records as the one before)
  // allocates next to nothing for them.
  struct TTokenSink {
    std::list<TCodePosInfo>* List = nullptr;
    std::list<TCodePosInfo>::iterator Next;
  };
  TTokenSink* CodePos = nullptr;
  std::string Message;
  bool Error = false;
  int32_t ErrorPos = 0;
  int32_t TokenStart = 0;
  TVarHandler Vars;
  // The engine holds the body of a user-defined function.
  bool IsBody = false;

  // The deepest nesting of expressions the parser accepts; deeper text is a
  // parse error rather than a risk to the stack of the thread that parses.
  static constexpr int MaxNesting = 3000;

  // A binary operator: its text, its precedence (higher binds more tightly)
  // and how its node is made.
  struct TOperatorRow {
    const char* Text;
    int Precedence;
    TOpFunction* (*Create)();
  };
  static const TOperatorRow Operators[];

  virtual TOpFunction* CreateOperator(const TOperatorRow& op) { return op.Create(); }
  // A user-defined function of the registry, else a built-in; null if none.
  virtual TFunction* CreateFunction(const std::string& name);
  virtual void Prepare();
  virtual void Clear();
  // A new engine of the same class on the same global variables, with its own
  // registry.
  virtual TParserBase* Clone() const = 0;

  void SetRegistry(TGlobalFuncHandler* r);
  // The plain evaluation: a fresh value (the number 0), the error flag
  // cleared, the tree evaluated into it.
  TReturnValue PlainEvaluate(TCalcInfo& ci);

protected:
  void AddLibraries(const std::vector<TLibrary>& libraries);
  // Parses text as a whole program into Root; true when it is valid.
  bool ParseText(const std::string& text, std::list<TCodePosInfo>* list);

private:
  // The text being parsed, read character by character. Once a read has gone
  // past the end, positions read as -1.
  struct TStream {
    const std::string* Text = nullptr;
    int32_t Pos = 0;
    bool AtEnd = false;
    int Depth = 0;
    int Peek() {
      if (Pos >= static_cast<int32_t>(Text->size())) {
        AtEnd = true;
        return -1;
      }
      return static_cast<unsigned char>((*Text)[Pos]);
    }
    int Get() {
      int c = Peek();
      if (c >= 0) ++Pos;
      return c;
    }
    void Unget() {
      AtEnd = false;
      if (Pos > 0) --Pos;
    }
    int32_t Offset() const { return AtEnd ? -1 : Pos; }
  };
  TStream* In = nullptr;

  enum class TOperandKind { None, Name, String, Number };
  struct TOperandText {
    TOperandKind Kind = TOperandKind::None;
    std::string Text;
    double Number = 0;
  };

  void SkipSpace();
  bool SkipComments();
  TOperandText ReadOperand();
  bool ReadNumber(TOperandText& out);
  // The operator that starts with the character just read (a two-character
  // one when the next character completes it, which is then consumed); null
  // when no operator starts with it.
  const TOperatorRow* MatchOperator(int c);
  bool ExpectChar(char c);
  void SetParseError(const std::string& message);
  void NoteToken(TTokenKind kind);
  void MarkToken() { TokenStart = In->Offset(); }
  TParserAtom* ParseExpression(int minPrec);
  TParserAtom* ParsePrimary();
  TParserAtom* ParseCall(const std::string& name);
  TParserAtom* ParseDefinition();

  friend class TParser;
};

}  // namespace TernioParser
