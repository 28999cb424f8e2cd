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

// One token of the program text, for the syntax colouring.
struct TCodePosInfo {
  int32_t Position;  // offset of the token's first character
  int32_t Kind;      // 0 variable, 1 bracket or separator, 2 number or sign,
                     // 3 function name, 4 binary operator, 5 string, 6 comment
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
  std::list<TCodePosInfo>* CodePos = nullptr;
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

  virtual TOpFunction* CreateOperator(char code);
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
  char MatchOperator2(char c);
  static int Precedence(char code);
  bool ExpectChar(char c);
  void SetParseError(const std::string& message);
  void NoteToken(int kind);
  void MarkToken() { TokenStart = In->Offset(); }
  TParserAtom* ParseExpression(int minPrec);
  TParserAtom* ParsePrimary();
  TParserAtom* ParseCall(const std::string& name);
  TParserAtom* ParseDefinition();

  friend class TParser;
};

}  // namespace TernioParser
