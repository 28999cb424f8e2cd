#include "engine/Grammar.h"

#include <cstdio>

#include "engine/ParserBase.h"

namespace TernioParser {

namespace {

std::string WithChar(const char* format, int c) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, static_cast<char>(c));
  return buf;
}

// Keeps the nesting count in step with the recursion.
struct TDepth {
  int& Depth;
  explicit TDepth(int& d) : Depth(d) { ++Depth; }
  ~TDepth() { --Depth; }
};

}  // namespace

TParseSession::TParseSession(TParserBase& engine, const std::string& text, std::list<TCodePosInfo>* records)
    : Text(text), Lex(text, records), Engine(&engine) {}

void TParseSession::Fail(const std::string& message) {
  if (Error) return;  // the first message stays
  ErrorOffset = Lex.Offset();
  Error = true;
  ErrorMessage = message;
}

bool TParseSession::Expect(char c) {
  if (Lex.Expect(c)) return true;
  Fail(WithChar("'%c' expected", c));
  return false;
}

TParserAtom* TParseSession::ParseProgram() {
  if (Text.empty()) return nullptr;
  if (!Lex.SkipBlanks()) {
    Fail("Comment not closed");
    return nullptr;
  }
  if (Lex.Peek() < 0) return nullptr;
  TParserAtom* root = ParseExpression(0);
  if (!root) {
    Error = true;
    return nullptr;
  }
  Lex.SkipSpace();
  if (Lex.Peek() < 0) return root;
  Fail("End of expression expected");
  return nullptr;
}

TParserAtom* TParseSession::ParseExpression(int minPrec) {
  TDepth depth(Depth);
  if (Depth > MaxNesting) {
    Fail("Expression nested too deeply");
    return nullptr;
  }
  if (!Lex.SkipBlanks()) {
    Fail("Comment not closed");
    return nullptr;
  }

  // The sign of the primary.
  const bool negate = Lex.Peek() == '-';
  if (Lex.Take('-') || Lex.Take('+')) Lex.Note(tkNumber);
  Lex.Mark();
  if (Lex.Peek() < 0) {
    Fail("Expression or identifier expected");
    return nullptr;
  }
  TParserAtom* tree = ParsePrimary();
  if (!tree) {
    Error = true;
    return nullptr;
  }
  TNodeStore& nodes = Engine->Nodes;
  if (negate) {
    TNeg* neg = nodes.Make<TNeg>();
    neg->CreateSlots();
    neg->Args[0] = tree;
    tree = neg;
  }

  for (;;) {
    if (!Lex.SkipBlanks()) {
      Fail("Comment not closed");
      break;
    }
    const int c = Lex.Peek();
    if (c < 0 || c == ')' || c == ']' || c == ';') return tree;
    int first;
    const TOperatorRow* op = Lex.ReadOperator(first);
    if (!op) {
      Fail(WithChar("Unknown operator '%c'", first));
      break;
    }
    if (op->Precedence <= minPrec) {
      if (Lex.Peek() < 0) {
        Fail("Unexpected end of expression");
        break;
      }
      Lex.Unread(*op);
      return tree;
    }
    Lex.NoteAndMark(tkOperator);
    TParserAtom* right = ParseExpression(op->Precedence);
    if (!right) break;
    TOpFunction* node = nodes.Adopt(op->Create());
    node->Left = tree;
    node->Right = right;
    node->Attached(Engine->Options.FastForms);
    tree = node;
    if (!node->CheckOperands()) {
      Fail("Illegal operator");
      break;
    }
  }
  Error = true;
  return nullptr;
}

TParserAtom* TParseSession::ParsePrimary() {
  TNodeStore& nodes = Engine->Nodes;
  if (Lex.Take('(')) {
    Lex.NoteAndMark(tkBracket);
    TParserAtom* e = ParseExpression(0);
    if (!e || !Expect(')')) return nullptr;
    Lex.NoteAndMark(tkBracket);
    return e;
  }

  using TKind = TOperandToken::TKind;
  TOperandToken a = Lex.ReadOperand();
  if (a.Kind == TKind::None) {
    Fail("Expression or identifier expected");
    return nullptr;
  }
  Lex.SkipSpace();
  const int c = Lex.Peek();
  if (c != '(' && c != '[') {
    switch (a.Kind) {
      case TKind::Name: Lex.NoteAndMark(tkVariable); return nodes.Make<TOperand>(std::move(a.Text));
      case TKind::String: Lex.NoteAndMark(tkString); return nodes.Make<TConstOperand>(std::string_view(a.Text));
      default: Lex.NoteAndMark(tkNumber); return nodes.Make<TConstOperand>(a.Number);
    }
  }
  if (c == '[') {
    Lex.NoteAndMark(tkVariable);
    Lex.Take('[');
    Lex.NoteAndMark(tkBracket);
    if (a.Kind != TKind::Name) {
      Fail("Operator expected");
      return nullptr;
    }
    TParserAtom* index;
    if (Lex.Take(']')) {
      Lex.NoteAndMark(tkBracket);
      index = nodes.Make<TConstOperand>(0.0);
    } else {
      index = ParseExpression(0);
      if (!index || !Expect(']')) return nullptr;
      Lex.NoteAndMark(tkBracket);
    }
    return nodes.Make<TOpArray>(std::move(a.Text), index);
  }
  Lex.NoteAndMark(tkFunction);
  Lex.Take('(');
  Lex.NoteAndMark(tkBracket);
  if (a.Kind != TKind::Name) {
    Fail("Syntax error");
    return nullptr;
  }
  if (a.Text == "define") return ParseDefinition();
  return ParseCall(a.Text);
}

TParserAtom* TParseSession::ParseCall(const std::string& name) {
  std::unique_ptr<TFunction> made(Engine->CreateFunction(name));
  if (!made) {
    Fail("Unknown function");
    return nullptr;
  }
  TFunction* f = Engine->Nodes.Adopt(std::move(made));
  f->CreateSlots();
  f->FastForms = Engine->Options.FastForms;
  for (int i = 0; i < f->Count; ++i) {
    if (!(f->Args[i] = ParseExpression(0))) return nullptr;
    if (i < f->Count - 1) {
      if (!Expect(';')) return nullptr;
      Lex.NoteAndMark(tkBracket);
    }
  }
  if (!f->CheckArguments()) {
    Fail("Illegal argument");
    return nullptr;
  }
  if (!Expect(')')) return nullptr;
  Lex.NoteAndMark(tkBracket);
  return f;
}

TParserAtom* TParseSession::ParseDefinition() {
  using TKind = TOperandToken::TKind;
  Lex.SkipSpace();
  TOperandToken n = Lex.ReadOperand();
  if (n.Kind == TKind::None) {
    Fail("Function identifier expected");
    return nullptr;
  }
  if (n.Kind != TKind::Name) {
    Fail("Function name expected");
    return nullptr;
  }
  Lex.Note(tkFunction);
  // The bracket gets a record of its own, so that the name keeps its colour.
  Lex.Mark();
  if (!Expect('(')) return nullptr;
  Lex.NoteAndMark(tkBracket);
  Lex.SkipSpace();

  // The definition node owns the body from here on, so that the body goes
  // with the tree whatever fails below.
  auto body = std::make_shared<TFunctionBody>(n.Text, Engine->NewBodyEngine());
  TFunctionDef* def = Engine->Nodes.Make<TFunctionDef>(body);
  while (Lex.Peek() != ')') {
    TOperandToken p = Lex.ReadOperand();
    if (p.Kind == TKind::None) {
      Fail("Variable identifier expected");
      return nullptr;
    }
    Lex.SkipSpace();
    Lex.NoteAndMark(tkVariable);
    if (p.Kind != TKind::Name) {
      Fail("Variable identifier expected");
      return nullptr;
    }
    if (Lex.Take('[')) {
      Lex.SkipSpace();
      if (!Expect(']')) return nullptr;
      body->Params.push_back(std::make_unique<TArrayEntry>(p.Text));
      Lex.Note(tkBracket);
    } else {
      body->Params.push_back(std::make_unique<TVarEntry>(p.Text));
    }
    Lex.SkipSpace();
    if (!Lex.Take(';')) break;
    Lex.NoteAndMark(tkBracket);
    if (Lex.Peek() == ')') break;
  }
  if (!Expect(')') || !Expect(';')) return nullptr;
  Lex.NoteAndMark(tkBracket);
  Engine->Registry->Register(def);

  // The body's nodes go to the definition's own engine.
  TParserBase* outer = Engine;
  Engine = body->Engine.get();
  Engine->Root = ParseExpression(0);
  Engine = outer;
  if (!body->Engine->Root || !Expect(')')) return nullptr;
  Lex.NoteAndMark(tkBracket);
  return def;
}

}  // namespace TernioParser
