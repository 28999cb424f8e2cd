#include "workbench/qt/BracketMatch.h"

#include <QTextDocument>
#include <vector>

#include "workbench/qt/CodeEditor.h"

namespace Ostra {

std::optional<TBracketPair> BracketPairAt(const QString& t, int at) {
  struct TOpen {
    int At;
    QChar Kind;  // '(', '[' or '*' for a comment
  };
  std::vector<TOpen> open;
  int depth = 0;    // of nested comments
  int target = -1;  // index in open of the bracket at `at`, once pushed
  const int n = int(t.size());
  const auto push = [&](int i, QChar kind) {
    open.push_back({i, kind});
    if (i == at) target = int(open.size()) - 1;
  };
  // A closing bracket at i: its pair when it or its partner is the target.
  std::optional<TBracketPair> found;
  const auto close = [&](int i, QChar kind, int length) {
    if (!open.empty() && open.back().Kind == kind) {
      const TOpen o = open.back();
      open.pop_back();
      if (i == at || target == int(open.size())) found = TBracketPair{o.At, i, length};
    } else if (i == at) {
      found = TBracketPair{-1, i, length};
    }
  };
  for (int i = 0; i < n && !found;) {
    if (i > at && target < 0) return std::nullopt;
    const QChar c = t[i];
    if (c == u'/' && i + 1 < n && t[i + 1] == u'*') {
      push(i, u'*');
      ++depth;
      i += 2;
    } else if (depth > 0) {
      if (c == u'*' && i + 1 < n && t[i + 1] == u'/') {
        close(i, u'*', 2);
        --depth;
        i += 2;
      } else {
        ++i;
      }
    } else if (c == u'\'' || c == u'"') {
      // A quoted text; a doubled quote stands for one and the text goes on.
      int j = i + 1;
      while (j < n && !(t[j] == c && !(j + 1 < n && t[j + 1] == c))) j += t[j] == c ? 2 : 1;
      i = j + 1;
    } else {
      if (c == u'(' || c == u'[') push(i, c);
      else if (c == u')') close(i, u'(', 1);
      else if (c == u']') close(i, u'[', 1);
      ++i;
    }
  }
  if (found) return found;
  if (target >= 0) return TBracketPair{open[target].At, -1, open[target].Kind == u'*' ? 2 : 1};
  return std::nullopt;
}

std::optional<TBracketPair> BracketPairAtCaret(const QString& text, int caret) {
  for (int at : {caret, caret - 1, caret - 2}) {
    if (at < 0) break;
    const std::optional<TBracketPair> p = BracketPairAt(text, at);
    // The two-character brackets may end at the caret; the others touch it.
    if (p && (at >= caret - 1 || p->Length == 2)) return p;
  }
  return std::nullopt;
}

}  // namespace Ostra

const QColor TBracketMatcher::MatchColour(190, 225, 255);
const QColor TBracketMatcher::MismatchColour(255, 170, 170);

TBracketMatcher::TBracketMatcher(TCodeEditor* editor) : QObject(editor), Editor(editor) {
  connect(Editor, &QPlainTextEdit::cursorPositionChanged, this, &TBracketMatcher::Update);
}

void TBracketMatcher::Update() {
  QList<QTextEdit::ExtraSelection> marks;
  const QTextCursor caret = Editor->textCursor();
  QTextDocument* doc = Editor->document();
  // Only a bracket character beside the caret is worth a look at the text.
  bool near = false;
  for (int at = caret.position() - 2; at <= caret.position(); ++at) {
    const QChar c = at >= 0 ? doc->characterAt(at) : QChar();
    near |= c == u'(' || c == u')' || c == u'[' || c == u']' || c == u'/' || c == u'*';
  }
  if (!caret.hasSelection() && near) {
    const std::optional<Ostra::TBracketPair> p = Ostra::BracketPairAtCaret(doc->toRawText(), caret.position());
    if (p) {
      for (int at : {p->Open, p->Close}) {
        if (at < 0) continue;
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(doc);
        mark.cursor.setPosition(at);
        mark.cursor.setPosition(at + p->Length, QTextCursor::KeepAnchor);
        mark.format.setBackground(p->Matched() ? MatchColour : MismatchColour);
        marks.append(mark);
      }
    }
  }
  Editor->SetHighlights(TCodeEditor::BracketLayer, marks);
}
