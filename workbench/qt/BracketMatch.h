#pragma once
// The bracket pair at the caret of a program editor: ( ) and [ ] of the
// code, and the /* */ of comments, which nest in this language. Brackets in
// strings and comments are text, not brackets.

#include <QColor>
#include <QObject>
#include <QString>
#include <optional>

class TCodeEditor;

namespace Ostra {

struct TBracketPair {
  int Open = -1;   // position of the opening bracket, -1 when it has none
  int Close = -1;  // position of the closing bracket, -1 when it has none
  int Length = 1;  // 2 for the comment brackets
  bool Matched() const { return Open >= 0 && Close >= 0; }
};

// The pair of the bracket that begins at position at of text, or nothing
// when no bracket of the code begins there.
std::optional<TBracketPair> BracketPairAt(const QString& text, int at);
// The pair of the bracket right after the caret, else of the one right
// before it.
std::optional<TBracketPair> BracketPairAtCaret(const QString& text, int caret);

}  // namespace Ostra

// Highlights the bracket pair at the caret of an editor, in its own colour
// when a bracket has no partner.
class TBracketMatcher : public QObject {
  Q_OBJECT
public:
  static const QColor MatchColour, MismatchColour;
  explicit TBracketMatcher(TCodeEditor* editor);

private:
  TCodeEditor* Editor;
  void Update();
};
