#include "engine/ParserBase.h"

#include <array>
#include <cstdio>

#include "engine/StackGuard.h"

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

std::string WithChar(const char* format, int c) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, static_cast<char>(c));
  return buf;
}

// Keeps the nesting count of the stream in step with the recursion.
struct TDepth {
  int& Depth;
  explicit TDepth(int& d) : Depth(d) { ++Depth; }
  ~TDepth() { --Depth; }
};

}  // namespace

TParserBase::TParserBase(TVarHandler::TGlobalList* globals)
    : Registry(new TGlobalFuncHandler), OwnsRegistry(true), Vars(globals) {}

TParserBase::~TParserBase() {
  delete Root;
  Root = nullptr;
  Vars.Release();
  if (OwnsRegistry) delete Registry;
}

void TParserBase::AddLibraries(const std::vector<TLibrary>& libraries) {
  for (TLibrary library : libraries)
    for (const TBuiltinRow& row : library) Builtins[row.Name] = &row;
}

void TParserBase::SetRegistry(TGlobalFuncHandler* r) {
  if (r) {
    if (r == Registry) return;
    if (OwnsRegistry) delete Registry;
    Registry = r;
    OwnsRegistry = false;
  } else if (!OwnsRegistry) {
    Registry = new TGlobalFuncHandler;
    OwnsRegistry = true;
  }
}

namespace {
template <class T>
TOpFunction* MakeOperator() {
  return new T;
}
}  // namespace

// All operators associate to the left; a two-character operator stands after
// the one-character operator it begins with.
const TParserBase::TOperatorRow TParserBase::Operators[] = {
    {",", 1, MakeOperator<TSep>},     {"|", 2, MakeOperator<TOr>},
    {"&", 3, MakeOperator<TAnd>},     {"<", 4, MakeOperator<TRelL>},
    {"<=", 4, MakeOperator<TRelLE>},  {">", 4, MakeOperator<TRelG>},
    {">=", 4, MakeOperator<TRelGE>},  {"==", 4, MakeOperator<TRelE>},
    {"!=", 4, MakeOperator<TRelU>},   {"=", 5, MakeOperator<TEq>},
    {"+=", 5, MakeOperator<TPlusEq>}, {"-=", 5, MakeOperator<TMinusEq>},
    {"*=", 5, MakeOperator<TMultEq>}, {"/=", 5, MakeOperator<TDivEq>},
    {"+", 6, MakeOperator<TAdd>},     {"-", 6, MakeOperator<TSub>},
    {"*", 7, MakeOperator<TMult>},    {"/", 7, MakeOperator<TDiv>},
    {"^", 8, MakeOperator<TExp>},     {nullptr, 0, nullptr},
};

TFunction* TParserBase::CreateFunction(const std::string& name) {
  if (TFunctionDef* def = Registry->Find(name)) return new TFunctionCall(def->Body, !IsBody);
  auto it = Builtins.find(name.c_str());
  return it == Builtins.end() ? nullptr : it->second->Create();
}

void TParserBase::Prepare() {
  Vars.Release();
  TVarHandler::TBinding binding(Vars);
  if (Root) Root->Bind(Vars);
}

void TParserBase::Clear() {
  delete Root;
  Root = nullptr;
  Message.clear();
  Error = false;
  ErrorPos = 0;
  Vars.Release();
}

TReturnValue TParserBase::PlainEvaluate(TCalcInfo& ci) {
  TReturnValue value;
  ci.SetErrorFlag(false);
  if (Root) Root->Evaluate(ci, value);
  return value;
}

// ---- lexical level

void TParserBase::SkipSpace() {
  while (IsSpace(In->Peek())) In->Get();
}

bool TParserBase::SkipComments() {
  for (;;) {
    MarkToken();
    SkipSpace();
    if (In->Peek() != '/') return true;
    In->Get();
    if (In->Peek() != '*') {
      In->Unget();
      return true;
    }
    In->Get();
    int depth = 1;
    while (depth > 0) {
      int c = In->Get();
      if (c < 0) break;
      if (c == '/' && In->Peek() == '*') {
        In->Get();
        ++depth;
      } else if (c == '*' && In->Peek() == '/') {
        In->Get();
        --depth;
      }
    }
    if (depth > 0) {
      SetParseError("Comment not closed");
      return false;
    }
    NoteToken(tkComment);
  }
}

bool TParserBase::ReadNumber(TOperandText& out) {
  enum { Start, Integer, AfterZero, Fraction, Exponent, ExpSign, ExpDigits, Hex, Binary } st = Start;
  bool valid = false;
  std::string kept;
  for (;;) {
    int c = In->Peek();
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
    kept += static_cast<char>(In->Get());
  }
  if (!valid) return false;
  out.Kind = TOperandKind::Number;
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

TParserBase::TOperandText TParserBase::ReadOperand() {
  TOperandText op;
  SkipSpace();
  int c = In->Peek();
  if (c < 0) return op;
  if (c == '\'' || c == '"') {
    In->Get();
    for (;;) {
      int d = In->Get();
      if (d < 0) return TOperandText();
      if (d == c) {
        if (In->Peek() != c) break;
        In->Get();
      }
      op.Text += static_cast<char>(d);
    }
    op.Kind = c == '\'' ? TOperandKind::String : TOperandKind::Name;
    return op;
  }
  if (IsDigit(c) || c == '.') {
    if (!ReadNumber(op)) return TOperandText();
    return op;
  }
  int n = 0;
  while (n < 50 && IsNameChar(In->Peek())) {
    op.Text += static_cast<char>(In->Get());
    ++n;
  }
  if (n == 0 || n == 50) return TOperandText();
  op.Kind = TOperandKind::Name;
  return op;
}

const TParserBase::TOperatorRow* TParserBase::MatchOperator(int c) {
  // The rows by first character: the one-character operator and those of
  // two characters.
  struct TByFirst {
    const TOperatorRow* Single = nullptr;
    const TOperatorRow* Double[2] = {nullptr, nullptr};
  };
  static const auto table = [] {
    std::array<TByFirst, 256> t{};
    for (const TOperatorRow* op = Operators; op->Text; ++op) {
      TByFirst& f = t[static_cast<unsigned char>(op->Text[0])];
      if (!op->Text[1]) f.Single = op;
      else f.Double[f.Double[0] ? 1 : 0] = op;
    }
    return t;
  }();
  if (c < 0 || c > 255) return nullptr;
  const TByFirst& f = table[static_cast<size_t>(c)];
  for (const TOperatorRow* op : f.Double) {
    if (op && In->Peek() == static_cast<unsigned char>(op->Text[1])) {
      In->Get();
      return op;
    }
  }
  return f.Single;
}

bool TParserBase::ExpectChar(char c) {
  if (In->Get() == static_cast<unsigned char>(c)) return true;
  SetParseError(WithChar("'%c' expected", c));
  return false;
}

void TParserBase::SetParseError(const std::string& message) {
  if (Error) return;  // the first message stays
  ErrorPos = In->Offset();
  Error = true;
  Message = message;
}

void TParserBase::NoteToken(TTokenKind kind) {
  if (!CodePos) return;
  const TCodePosInfo token{TokenStart, kind};
  if (CodePos->Next != CodePos->List->end()) *CodePos->Next++ = token;
  else CodePos->List->push_back(token);
}

// ---- grammar

bool TParserBase::ParseText(const std::string& text, std::list<TCodePosInfo>* list) {
  TTokenSink sink;
  if (list) {
    sink.List = list;
    sink.Next = list->begin();
  }
  CodePos = list ? &sink : nullptr;
  delete Root;
  Root = nullptr;
  Error = false;
  Message.clear();
  ErrorPos = 0;
  TokenStart = 0;
  if (text.empty()) {
    if (list) list->clear();
    CodePos = nullptr;
    return true;
  }

  TStream stream;
  stream.Text = &text;
  In = &stream;
  MarkToken();
  SkipSpace();
  bool ok = SkipComments();
  if (ok) {
    SkipSpace();
    MarkToken();
    if (In->Peek() >= 0) {
      TokenStart = 0;
      Root = ParseExpression(0);
      if (Root) {
        SkipSpace();
        if (In->Peek() >= 0) {
          SetParseError("End of expression expected");
          delete Root;
          Root = nullptr;
        }
      }
      ok = Root != nullptr;
    }
  }
  if (!ok) Error = true;
  In = nullptr;
  if (list) list->erase(sink.Next, list->end());
  CodePos = nullptr;
  return ok;
}

TParserAtom* TParserBase::ParseExpression(int minPrec) {
  TDepth depth(In->Depth);
  if (In->Depth > MaxNesting) {
    SetParseError("Expression nested too deeply");
    return nullptr;
  }
  SkipSpace();
  if (!SkipComments()) return nullptr;
  SkipSpace();
  MarkToken();

  bool negate = false;
  int c = In->Peek();
  if (c == '-' || c == '+') {
    In->Get();
    negate = c == '-';
    NoteToken(tkNumber);
  }
  MarkToken();
  if (In->Peek() < 0) {
    SetParseError("Expression or identifier expected");
    return nullptr;
  }
  TParserAtom* tree = ParsePrimary();
  if (!tree) {
    Error = true;
    return nullptr;
  }
  if (negate) {
    TNeg* neg = new TNeg;
    neg->CreateSlots();
    neg->Args[0] = tree;
    tree = neg;
  }

  for (;;) {
    SkipSpace();
    if (!SkipComments()) break;
    SkipSpace();
    MarkToken();
    c = In->Peek();
    if (c < 0 || c == ')' || c == ']' || c == ';') return tree;
    In->Get();
    const TOperatorRow* op = MatchOperator(c);
    if (!op) {
      SetParseError(WithChar("Unknown operator '%c'", c));
      break;
    }
    if (op->Precedence <= minPrec) {
      if (In->Peek() < 0) {
        SetParseError("Unexpected end of expression");
        break;
      }
      for (const char* t = op->Text; *t; ++t) In->Unget();
      return tree;
    }
    NoteToken(tkOperator);
    MarkToken();
    TParserAtom* right = ParseExpression(op->Precedence);
    if (!right) break;
    TOpFunction* node = CreateOperator(*op);
    node->Left = tree;
    node->Right = right;
    node->Attached();
    tree = node;
    if (!node->CheckOperands()) {
      SetParseError("Illegal operator");
      break;
    }
  }
  delete tree;
  Error = true;
  return nullptr;
}

TParserAtom* TParserBase::ParsePrimary() {
  if (In->Peek() == '(') {
    In->Get();
    NoteToken(tkBracket);
    MarkToken();
    TParserAtom* e = ParseExpression(0);
    if (!e) return nullptr;
    if (!ExpectChar(')')) {
      delete e;
      return nullptr;
    }
    NoteToken(tkBracket);
    MarkToken();
    return e;
  }

  TOperandText a = ReadOperand();
  if (a.Kind == TOperandKind::None) {
    SetParseError("Expression or identifier expected");
    return nullptr;
  }
  SkipSpace();
  int c = In->Peek();
  if (c != '(' && c != '[') {
    switch (a.Kind) {
      case TOperandKind::Name:
        NoteToken(tkVariable);
        MarkToken();
        return new TOperand(a.Text);
      case TOperandKind::String:
        NoteToken(tkString);
        MarkToken();
        return new TConstOperand(std::string_view(a.Text));
      default:
        NoteToken(tkNumber);
        MarkToken();
        return new TConstOperand(a.Number);
    }
  }
  if (c == '[') {
    NoteToken(tkVariable);
    MarkToken();
    In->Get();
    NoteToken(tkBracket);
    MarkToken();
    if (a.Kind != TOperandKind::Name) {
      SetParseError("Operator expected");
      return nullptr;
    }
    TParserAtom* index;
    if (In->Peek() == ']') {
      In->Get();
      NoteToken(tkBracket);
      MarkToken();
      index = new TConstOperand(0.0);
    } else {
      index = ParseExpression(0);
      if (!index) return nullptr;
      if (!ExpectChar(']')) {
        delete index;
        return nullptr;
      }
      NoteToken(tkBracket);
      MarkToken();
    }
    return new TOpArray(a.Text, index);
  }
  NoteToken(tkFunction);
  MarkToken();
  In->Get();
  NoteToken(tkBracket);
  MarkToken();
  if (a.Kind != TOperandKind::Name) {
    SetParseError("Syntax error");
    return nullptr;
  }
  if (a.Text == "define") return ParseDefinition();
  return ParseCall(a.Text);
}

TParserAtom* TParserBase::ParseCall(const std::string& name) {
  TFunction* f = CreateFunction(name);
  if (!f) {
    SetParseError("Unknown function");
    return nullptr;
  }
  f->CreateSlots();
  bool ok = true;
  for (int i = 0; ok && i < f->Count; ++i) {
    f->Args[i] = ParseExpression(0);
    ok = f->Args[i] != nullptr;
    if (ok && i < f->Count - 1) {
      ok = ExpectChar(';');
      if (ok) {
        NoteToken(tkBracket);
        MarkToken();
      }
    }
  }
  if (ok && !f->CheckArguments()) {
    SetParseError("Illegal argument");
    ok = false;
  }
  if (ok) ok = ExpectChar(')');
  if (!ok) {
    delete f;
    return nullptr;
  }
  NoteToken(tkBracket);
  MarkToken();
  return f;
}

TParserAtom* TParserBase::ParseDefinition() {
  SkipSpace();
  TOperandText n = ReadOperand();
  if (n.Kind == TOperandKind::None) {
    SetParseError("Function identifier expected");
    return nullptr;
  }
  if (n.Kind != TOperandKind::Name) {
    SetParseError("Function name expected");
    return nullptr;
  }
  NoteToken(tkFunction);
  // The bracket gets a record of its own, so that the name keeps its colour.
  MarkToken();
  if (!ExpectChar('(')) return nullptr;
  NoteToken(tkBracket);
  MarkToken();
  SkipSpace();

  auto body = std::make_shared<TFunctionBody>(n.Text, Clone());
  body->Engine->SetRegistry(Registry);
  body->Engine->IsBody = true;
  while (In->Peek() != ')') {
    TOperandText p = ReadOperand();
    if (p.Kind == TOperandKind::None) {
      SetParseError("Variable identifier expected");
      return nullptr;
    }
    SkipSpace();
    NoteToken(tkVariable);
    MarkToken();
    if (p.Kind != TOperandKind::Name) {
      SetParseError("Variable identifier expected");
      return nullptr;
    }
    if (In->Peek() == '[') {
      In->Get();
      SkipSpace();
      if (!ExpectChar(']')) return nullptr;
      body->Params.push_back(new TArrayEntry(p.Text));
      NoteToken(tkBracket);
    } else {
      body->Params.push_back(new TVarEntry(p.Text));
    }
    SkipSpace();
    if (In->Peek() != ';') break;
    In->Get();
    NoteToken(tkBracket);
    MarkToken();
    if (In->Peek() == ')') break;
  }
  if (!ExpectChar(')') || !ExpectChar(';')) return nullptr;
  NoteToken(tkBracket);
  MarkToken();

  auto* def = new TFunctionDef(body);
  Registry->Register(def);

  // The body is parsed by the definition's own engine, from here on.
  TParserBase& e = *body->Engine;
  e.In = In;
  e.CodePos = CodePos;
  e.TokenStart = TokenStart;
  e.Root = e.ParseExpression(0);
  e.In = nullptr;
  e.CodePos = nullptr;
  if (!e.Root) {
    Error = true;
    Message = e.Message;
    ErrorPos = e.ErrorPos;
    TokenStart = e.TokenStart;
    delete def;
    return nullptr;
  }
  TokenStart = e.TokenStart;
  if (!ExpectChar(')')) {
    delete def;
    return nullptr;
  }
  NoteToken(tkBracket);
  MarkToken();
  return def;
}

}  // namespace TernioParser
