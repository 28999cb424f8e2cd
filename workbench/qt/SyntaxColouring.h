#pragma once
// Colours the program text of an editor by token kind, from the token list
// the parser produced for that text (the colouring does not tokenise itself).
//
// Use: one TSyntaxColourer per editor. After every successful parse of the
// editor's text call TokensParsed with the parser's token list; the editor is
// coloured 200 ms after the last such call. ColourNow colours at once (after
// loading a document). When the text is edited after the tokens were handed
// over and no new token list follows (the text no longer parses), the pending
// colouring is dropped: only text that parses is ever recoloured.
//
// The timed colouring does the lines on screen first and the rest of a long
// text in short slices from the event loop, so that typing never waits for
// the colouring of lines nobody sees; Coloured is emitted when every line is
// done. An edit in between ends the slices (their tokens are stale).
//
// The colours are kept as formats of the text layout, not in the document:
// colouring never changes the text, the undo history, the modified flag,
// the caret, the selection or the scroll position, and it raises no change
// notification of the editor. Text typed later takes the colour of the
// character before it until the next colouring.
//
// Token positions are offsets into the engine's 8-bit text, in which every
// line break is one character; they map 1:1 to editor positions, except that
// a character outside the 16-bit range (a surrogate pair in the editor) is a
// single byte of the 8-bit text.

#include <QColor>
#include <QObject>
#include <QTextCharFormat>
#include <cstdint>
#include <list>
#include <vector>

#include "engine/Lexer.h"

class QPlainTextEdit;
class QTimer;

class TSyntaxColourer : public QObject {
  Q_OBJECT
public:
  static constexpr int DelayMs = 200;
  // The colour of each token kind: 0 variables, 1 brackets and separators,
  // 2 numbers and signs, 3 function names, 4 operators, 5 strings, 6 comments.
  static const QColor KindColours[TernioParser::TokenKindCount];

  // Colours editor; the colourer becomes a child of editor.
  explicit TSyntaxColourer(QPlainTextEdit* editor);

  // At most this long at a time the colouring keeps the event loop waiting.
  static constexpr int SliceMs = 4;

  // Takes over the token list of the editor's current text and (re)starts the
  // timer, 200 ms unless delayMs says otherwise.
  void TokensParsed(const std::list<TernioParser::TCodePosInfo>& tokens, int delayMs = DelayMs);
  // Takes over the token list and colours the whole text at once.
  void ColourNow(const std::list<TernioParser::TCodePosInfo>& tokens);
  // Colours the lines on screen now and the others in slices (what the timer
  // does when it fires).
  void StartColouring();
  // True while lines of the current token list are still to be coloured.
  bool ColouringPending() const;

signals:
  // Every line of the text is coloured from the current token list.
  void Coloured();

public:
  // Single-shot, 200 ms; runs the colouring when it fires.
  QTimer* HighlightTimer;

private:
  QPlainTextEdit* Editor;
  std::vector<TernioParser::TCodePosInfo> Tokens;
  QTextCharFormat KindFormats[TernioParser::TokenKindCount];
  // Counts edits of the text; the colouring runs only when no edit happened
  // after the token list was taken over.
  uint64_t Edits = 0;
  uint64_t EditsAtTokens = 0;
  int LastBlockCount = 0;
  // Editor positions of the token offsets: only used when the text holds
  // surrogate pairs (Pairs).
  bool Pairs = false;
  std::vector<int> PositionOfByte;
  int Length = 0;  // characters of the text being coloured
  // The block numbers still to colour: NextBlock up to the end, except the
  // range coloured first.
  int NextBlock = -1;
  int FirstDone = 0, LastDone = -1;
  QTimer* SliceTimer;

  void TakeTokens(const std::list<TernioParser::TCodePosInfo>& tokens);
  void HighlightTimerTimer();
  bool Begin();
  int Position(int32_t offset) const;
  void ColourBlocks(int first, int last);
  void ColourSlice(qint64 budgetNs);
  void ContentsChange(int position, int removed, int added);
};
