#pragma once
// The engine object: holds a program's tree (parsed by a parse session, see
// Grammar.h), its variables, the built-in functions of its layers and the
// registry of user-defined functions it shares, and evaluates the tree. The
// layers (TParser, TCommParser, TGUIParser) add their built-in functions.

#include <cstring>
#include <list>
#include <map>
#include <memory>
#include <string>

#include "engine/Function.h"
#include "engine/Lexer.h"
#include "engine/UserFunctions.h"

namespace TernioParser {

struct ltstr {
  bool operator()(const char* a, const char* b) const { return std::strcmp(a, b) < 0; }
};

// How an engine builds its trees.
struct TParseOptions {
  // False: only the general form of every node, no fast form (the compiled
  // bodies of user-defined functions, the fit's block program, the operand
  // and condition shortcuts), so that tests can run the same text both ways.
  bool FastForms = true;
};

class TParserBase {
public:
  explicit TParserBase(TVarHandler::TGlobalList* globals);
  TParserBase(const TParserBase&) = delete;
  TParserBase& operator=(const TParserBase&) = delete;
  virtual ~TParserBase();

  TGlobalFuncHandler* Registry = nullptr;
  // The registered built-ins by name.
  using TBuiltins = std::map<const char*, const TBuiltinRow*, ltstr>;
  TBuiltins Builtins;
  TParseOptions Options;
  // The tree of the program (null when there is none); Nodes owns it.
  TParserAtom* Root = nullptr;
  TNodeStore Nodes;
  // The outcome of the last parse: the error flag and message, where the
  // error was found (-1: at the end of the text) and where the token being
  // read then starts.
  std::string Message;
  bool Error = false;
  int32_t ErrorPos = 0;
  int32_t TokenStart = 0;
  TVarHandler Vars;

  // A new node (the caller owns it) of a user-defined function of the
  // registry, else of a built-in; null if none.
  virtual TFunction* CreateFunction(const std::string& name);
  // The engine for the body of a function defined in this engine's text: the
  // same class, registry and options.
  std::unique_ptr<TParserBase> NewBodyEngine() const;
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
  std::unique_ptr<TGlobalFuncHandler> OwnRegistry;
  // The engine holds the body of a user-defined function: calls in it do not
  // keep their definitions alive.
  bool IsBody = false;
  // Forgets the tree and the outcome of the last parse.
  void ClearTree();
};

}  // namespace TernioParser
